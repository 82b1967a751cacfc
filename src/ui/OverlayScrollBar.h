// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QScrollBar>
#include <QTimer>

// The one scroller of the dark surfaces: a slim vertical bar whose only drawing is a small
// dark knob near its right edge. The knob shows while the list moves or the pointer is over
// it and fades out of the way shortly after; it can be dragged, and a press on the track
// pages. Used as a scroll area's own bar (the home list) or laid over the right edge of an
// OverlayScrollArea.
class OverlayScrollBar : public QScrollBar
{
    Q_OBJECT
public:
    explicit OverlayScrollBar(QWidget *parent = nullptr);

    static constexpr int kWidth = 14;
    static constexpr int kIdleMs = 900;

    // The knob's rectangle in this widget's coordinates (empty: nothing to scroll).
    QRectF knobRect() const;
    // The knob is drawn now.
    bool isKnobShown() const { return m_shown; }
    // Shows the knob for a moment, as a scroll does.
    void reveal();
    // Laid over a list: the bar leaves the screen altogether while idle, so the rows under
    // it take the pointer.
    void setHidesWhenIdle(bool hides) { m_hidesWhenIdle = hides; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void idle();

    bool m_shown = false;
    bool m_hovered = false;
    bool m_hidesWhenIdle = false;
    bool m_dragging = false;
    qreal m_dragFrom = 0;
    int m_valueFrom = 0;
    QTimer m_idle;
};
