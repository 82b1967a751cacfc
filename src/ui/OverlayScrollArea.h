// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QScrollArea>

class OverlayScrollBar;

// A vertical-only scroll area for dark surfaces: no frame, no background, and in place of
// a scroll bar the overlay scroller laid over the right edge, which appears while the list
// moves or the pointer comes in and fades out again. The document keeps its own fixed size.
class OverlayScrollArea : public QScrollArea
{
    Q_OBJECT
public:
    explicit OverlayScrollArea(QWidget *parent = nullptr);

    // Takes `document` (already at its final size) as the scrolled content.
    void setDocument(QWidget *document);
    QWidget *document() const { return widget(); }

    // The document is taller than the area, so there is something to scroll.
    bool canScroll() const;
    // The knob is currently shown.
    bool isScrollerShown() const;
    // Shows the knob for a moment (as a scroll does).
    void flashScroller();

    void scrollToTop();
    void scrollToBottom();
    // Places the list at `offset`, then moves it as little as needed to bring `keepVisible`
    // (document coordinates; none when empty) into view with `margin` around it. Held as the
    // viewport gets its real size.
    void placeAt(int offset, const QRect &keepVisible = {}, int margin = 0);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void enterEvent(QEnterEvent *event) override;

private:
    void placeScroller();
    void applyPlacement();

    // Mirrors the area's own (hidden) bar; a drag on it moves the list.
    OverlayScrollBar *m_scroller;

    enum class Pin
    {
        None,
        Top,
        Bottom,
        Placed
    };
    bool m_placing = false;
    Pin m_pin = Pin::None;
    int m_placeOffset = 0;
    QRect m_keepVisible;
    int m_keepMargin = 0;
};
