// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/HoverPanel.h"

#include "ui/HoverStyle.h"

HoverPanel::HoverPanel(QWidget *parent)
    : Panel(parent)
    , m_style(
          new HoverStyle(this, 0.10, 10, [this](const QColor &background, const QColor &border) {
              setBackgroundColor(background);
              setBorderColor(border);
          }))
{
    setAttribute(Qt::WA_Hover);
}

void HoverPanel::setNormalColors(const QColor &background, const QColor &border)
{
    m_style->setNormalColors(background, border);
}

void HoverPanel::setHoverColors(const QColor &background, const QColor &border)
{
    m_style->setHoverColors(background, border);
}

QColor HoverPanel::normalBackgroundColor() const
{
    return m_style->normalBackgroundColor();
}

QColor HoverPanel::normalBorderColor() const
{
    return m_style->normalBorderColor();
}

QColor HoverPanel::hoverBackgroundColor() const
{
    return m_style->hoverBackgroundColor();
}

QColor HoverPanel::hoverBorderColor() const
{
    return m_style->hoverBorderColor();
}

void HoverPanel::applyHoverState(bool hovered)
{
    m_style->applyHoverState(hovered);
}

void HoverPanel::enterEvent(QEnterEvent *event)
{
    Panel::enterEvent(event);
    applyHoverState(true);
}

void HoverPanel::leaveEvent(QEvent *event)
{
    Panel::leaveEvent(event);
    applyHoverState(false);
}
