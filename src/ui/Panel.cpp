// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Panel.h"

#include <QGraphicsDropShadowEffect>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

Panel::Panel(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
}

void Panel::setBackgroundColor(const QColor &color)
{
    m_background = color;
    update();
}

void Panel::setBorderColor(const QColor &color)
{
    m_border = color;
    update();
}

void Panel::setBorderWidth(qreal width)
{
    m_borderWidth = std::max<qreal>(width, 0);
    update();
}

void Panel::setCornerRadius(qreal radius)
{
    m_radius = std::max<qreal>(radius, 0);
    update();
}

void Panel::setDiagonalGradient(const Gradient &gradient)
{
    m_gradient = gradient;
    update();
}

void Panel::setShadow(const QColor &color, qreal opacity, qreal radius, QPointF offsetUp)
{
    m_shadowOpacity = std::clamp<qreal>(opacity, 0, 1);
    m_shadowRadius = radius;
    if (m_shadowOpacity <= 0) {
        clearShadow();
        return;
    }
    auto *effect = qobject_cast<QGraphicsDropShadowEffect *>(graphicsEffect());
    if (!effect) {
        effect = new QGraphicsDropShadowEffect(this);
        setGraphicsEffect(effect);
    }
    QColor shadow = color;
    shadow.setAlphaF(static_cast<float>(m_shadowOpacity));
    effect->setColor(shadow);
    effect->setBlurRadius(radius);
    effect->setOffset(offsetUp.x(), -offsetUp.y());
}

void Panel::clearShadow()
{
    m_shadowOpacity = 0;
    m_shadowRadius = 0;
    if (qobject_cast<QGraphicsDropShadowEffect *>(graphicsEffect()))
        setGraphicsEffect(nullptr);
}

void Panel::paintBox(QPainter &painter, const QRectF &bounds, const QColor &background,
                     const QColor &border, qreal borderWidth, qreal radius,
                     const std::optional<Gradient> &gradient)
{
    if (bounds.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal r = std::min({radius, bounds.width() / 2, bounds.height() / 2});
    QPainterPath outline;
    outline.addRoundedRect(bounds, r, r);
    if (gradient) {
        QLinearGradient fill(bounds.topLeft(), bounds.bottomRight());
        fill.setColorAt(0, gradient->start);
        fill.setColorAt(0.5, gradient->middle);
        fill.setColorAt(1, gradient->end);
        painter.fillPath(outline, fill);
    } else if (background.alpha() > 0) {
        painter.fillPath(outline, background);
    }
    if (borderWidth > 0 && border.alpha() > 0) {
        // The border lies inside the bounds, as a layer border does.
        const qreal half = borderWidth / 2;
        const QRectF inner = bounds.adjusted(half, half, -half, -half);
        const qreal innerRadius = std::max<qreal>(r - half, 0);
        painter.setPen(QPen(border, borderWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(inner, innerRadius, innerRadius);
    }
    painter.restore();
}

void Panel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintBox(painter, rect(), m_background, m_border, m_borderWidth, m_radius, m_gradient);
}
