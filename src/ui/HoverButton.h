// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/FlatButton.h"

class HoverStyle;

// A button (a quote row, for one) that brightens its background and border and lifts on a
// soft shadow while the pointer is over it.
class HoverButton : public FlatButton
{
    Q_OBJECT
public:
    explicit HoverButton(QWidget *parent = nullptr);

    void setNormalColors(const QColor &background, const QColor &border);
    void setHoverColors(const QColor &background, const QColor &border);
    QColor normalBackgroundColor() const;
    QColor normalBorderColor() const;
    QColor hoverBackgroundColor() const;
    QColor hoverBorderColor() const;
    void setShadowColor(const QColor &color);

    // Hovered: hover colours, shadow opacity 0.12, radius 12; normal: no shadow.
    void applyHoverState(bool hovered);

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    HoverStyle *m_style;
};
