// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SparkleIconView.h"

#include <QPainter>

#include <algorithm>

namespace {

// A four-pointed star with concave sides, points at the ends of the axes.
void addStar(QPainterPath &path, QPointF centre, qreal radius)
{
    const qreal pinch = radius * 0.16;
    const qreal cx = centre.x();
    const qreal cy = centre.y();
    path.moveTo(cx, cy - radius);
    path.quadTo(cx + pinch, cy - pinch, cx + radius, cy);
    path.quadTo(cx + pinch, cy + pinch, cx, cy + radius);
    path.quadTo(cx - pinch, cy + pinch, cx - radius, cy);
    path.quadTo(cx - pinch, cy - pinch, cx, cy - radius);
    path.closeSubpath();
}

} // namespace

SparkleIconView::SparkleIconView(QWidget *parent)
    : FlippedView(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void SparkleIconView::setIconColor(const QColor &color)
{
    m_color = color;
    update();
}

QPainterPath SparkleIconView::glyphPath()
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    addStar(path, QPointF(9.75, 9.75), 8.85);   // 0.9 ... 18.6
    addStar(path, QPointF(18.95, 18.95), 4.15); // 14.8 ... 23.1
    return path;
}

void SparkleIconView::paintEvent(QPaintEvent *)
{
    const qreal w = width();
    const qreal h = height();
    const QColor color = m_color.isValid() ? m_color : QColor(Qt::white);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    QColor disc = color;
    disc.setAlphaF(0.12f);
    painter.setBrush(disc);
    const qreal discRadius = std::max<qreal>(std::min(w, h) / 2 - 2.5, 0);
    painter.drawEllipse(QPointF(w / 2, h / 2), discRadius, discRadius);

    const qreal s = std::min(w, h) / 28;
    painter.translate((w - 24 * s) / 2, (h - 24 * s) / 2);
    painter.scale(s, s);
    painter.setBrush(color);
    painter.drawPath(glyphPath());
}
