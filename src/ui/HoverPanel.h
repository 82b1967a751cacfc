// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Panel.h"

class HoverStyle;

// A panel (a scenario metric cell, for one) that brightens and lifts while the pointer is
// over it.
class HoverPanel : public Panel
{
    Q_OBJECT
public:
    explicit HoverPanel(QWidget *parent = nullptr);

    void setNormalColors(const QColor &background, const QColor &border);
    void setHoverColors(const QColor &background, const QColor &border);
    QColor normalBackgroundColor() const;
    QColor normalBorderColor() const;
    QColor hoverBackgroundColor() const;
    QColor hoverBorderColor() const;

    // Hovered: hover colours, shadow opacity 0.10, radius 10; normal: no shadow.
    void applyHoverState(bool hovered);

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    HoverStyle *m_style;
};
