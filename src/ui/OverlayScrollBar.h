// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QScrollBar>
#include <QTimer>

// A slim vertical scroller with a dark knob that shows while the list moves or the pointer
// is over it, and fades out of the way shortly after.
class OverlayScrollBar : public QScrollBar
{
    Q_OBJECT
public:
    explicit OverlayScrollBar(QWidget *parent = nullptr);

    static constexpr int kWidth = 14;
    static constexpr int kIdleMs = 900;

    // The knob's rectangle in this widget's coordinates.
    QRectF knobRect() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void reveal();

    bool m_shown = false;
    bool m_hovered = false;
    QTimer m_idle;
};
