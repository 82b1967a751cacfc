// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/BellIconView.h"

#include <QPainter>

#include <algorithm>

BellIconView::BellIconView(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void BellIconView::setIconColor(const QColor &color)
{
    m_color = color;
    update();
}

QPainterPath BellIconView::glyphPath()
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    // The dome narrows to the knob and flares out to the rim.
    path.moveTo(6, 1.6);
    path.cubicTo(8.5, 1.6, 9.3, 3.6, 9.3, 5.6);
    path.lineTo(9.3, 7.3);
    path.lineTo(10.8, 9);
    path.lineTo(1.2, 9);
    path.lineTo(2.7, 7.3);
    path.lineTo(2.7, 5.6);
    path.cubicTo(2.7, 3.6, 3.5, 1.6, 6, 1.6);
    path.closeSubpath();
    path.addEllipse(QPointF(6, 1.3), 0.9, 0.9);
    path.addEllipse(QPointF(6, 10.2), 1.4, 1.4);
    return path;
}

void BellIconView::paintEvent(QPaintEvent *)
{
    const qreal s = std::min(width(), height()) / 12.0;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_color);
    painter.translate((width() - 12 * s) / 2, (height() - 12 * s) / 2);
    painter.scale(s, s);
    painter.drawPath(glyphPath());
}
