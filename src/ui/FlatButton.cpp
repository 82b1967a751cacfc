// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FlatButton.h"

#include "ui/Panel.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

FlatButton::FlatButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

void FlatButton::setBackgroundColor(const QColor &color)
{
    m_background = color;
    update();
}

void FlatButton::setBorderColor(const QColor &color)
{
    m_border = color;
    update();
}

void FlatButton::setBorderWidth(qreal width)
{
    m_borderWidth = std::max<qreal>(width, 0);
    update();
}

void FlatButton::setCornerRadius(qreal radius)
{
    m_radius = std::max<qreal>(radius, 0);
    update();
}

void FlatButton::setTitleColor(const QColor &color)
{
    m_titleColor = color;
    update();
}

void FlatButton::setDimsWhenDisabled(bool dims)
{
    m_dimsWhenDisabled = dims;
    update();
}

QSize FlatButton::sizeHint() const
{
    return size();
}

QString FlatButton::displayedText() const
{
    return QFontMetricsF(font()).elidedText(text(), Qt::ElideRight, width());
}

void FlatButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (!isEnabled() && m_dimsWhenDisabled)
        painter.setOpacity(0.45);
    Panel::paintBox(painter, rect(), m_background, m_border, m_borderWidth, m_radius);
    if (isDown()) {
        // A faint wash while pressed, so the click is felt.
        Panel::paintBox(painter, rect(), QColor(255, 255, 255, 14), Qt::transparent, 0, m_radius);
    }
    const QRect content = rect();
    if (!icon().isNull()) {
        const QSize size = iconSize().boundedTo(content.size());
        const QRect target(content.center().x() - size.width() / 2 + 1,
                           content.center().y() - size.height() / 2 + 1, size.width(),
                           size.height());
        icon().paint(&painter, target);
    }
    if (!text().isEmpty()) {
        painter.setPen(m_titleColor);
        painter.setFont(font());
        painter.drawText(content, Qt::AlignCenter | Qt::TextSingleLine, displayedText());
    }
}
