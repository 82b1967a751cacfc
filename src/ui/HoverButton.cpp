// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/HoverButton.h"

#include "ui/HoverStyle.h"

HoverButton::HoverButton(QWidget *parent)
    : FlatButton(parent)
    , m_style(
          new HoverStyle(this, 0.12, 12, [this](const QColor &background, const QColor &border) {
              setBackgroundColor(background);
              setBorderColor(border);
          }))
{
    setAttribute(Qt::WA_Hover);
}

void HoverButton::setNormalColors(const QColor &background, const QColor &border)
{
    m_style->setNormalColors(background, border);
}

void HoverButton::setHoverColors(const QColor &background, const QColor &border)
{
    m_style->setHoverColors(background, border);
}

QColor HoverButton::normalBackgroundColor() const
{
    return m_style->normalBackgroundColor();
}

QColor HoverButton::normalBorderColor() const
{
    return m_style->normalBorderColor();
}

QColor HoverButton::hoverBackgroundColor() const
{
    return m_style->hoverBackgroundColor();
}

QColor HoverButton::hoverBorderColor() const
{
    return m_style->hoverBorderColor();
}

void HoverButton::setShadowColor(const QColor &color)
{
    m_style->setShadowColor(color);
}

void HoverButton::applyHoverState(bool hovered)
{
    m_style->applyHoverState(hovered);
}

void HoverButton::enterEvent(QEnterEvent *event)
{
    FlatButton::enterEvent(event);
    applyHoverState(true);
}

void HoverButton::leaveEvent(QEvent *event)
{
    FlatButton::leaveEvent(event);
    applyHoverState(false);
}
