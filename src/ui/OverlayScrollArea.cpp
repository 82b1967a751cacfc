// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/OverlayScrollArea.h"

#include "ui/OverlayScrollBar.h"

#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

OverlayScrollArea::OverlayScrollArea(QWidget *parent)
    : QScrollArea(parent)
    , m_scroller(new OverlayScrollBar(this))
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);

    m_scroller->setHidesWhenIdle(true);
    m_scroller->hide();
    connect(m_scroller, &QScrollBar::valueChanged, verticalScrollBar(), &QScrollBar::setValue);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        // Placing the list where a surface starts is not a scroll the knob should show.
        const QSignalBlocker quiet(m_placing ? m_scroller : nullptr);
        m_scroller->setValue(value);
        m_scroller->update();
        if (!m_placing)
            m_pin = Pin::None; // the user moved the list
    });
    // The viewport only gets its real size when the area is shown: keep a placed list where
    // it was put as the range settles.
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, [this] {
        placeScroller();
        if (m_pin == Pin::Top)
            scrollToTop();
        else if (m_pin == Pin::Bottom)
            scrollToBottom();
        else if (m_pin == Pin::Placed)
            applyPlacement();
    });
}

void OverlayScrollArea::setDocument(QWidget *document)
{
    setWidget(document);
    // QScrollArea paints its content's background; the surface below should show through.
    if (document)
        document->setAutoFillBackground(false);
    placeScroller();
}

bool OverlayScrollArea::canScroll() const
{
    return verticalScrollBar()->maximum() > verticalScrollBar()->minimum();
}

bool OverlayScrollArea::isScrollerShown() const
{
    return m_scroller->isVisible() && m_scroller->isKnobShown();
}

void OverlayScrollArea::flashScroller()
{
    m_scroller->reveal();
}

void OverlayScrollArea::scrollToTop()
{
    m_placing = true;
    m_pin = Pin::Top;
    verticalScrollBar()->setValue(verticalScrollBar()->minimum());
    m_placing = false;
}

void OverlayScrollArea::scrollToBottom()
{
    m_placing = true;
    m_pin = Pin::Bottom;
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    m_placing = false;
}

void OverlayScrollArea::placeAt(int offset, const QRect &keepVisible, int margin)
{
    m_pin = Pin::Placed;
    m_placeOffset = offset;
    m_keepVisible = keepVisible;
    m_keepMargin = margin;
    applyPlacement();
}

void OverlayScrollArea::applyPlacement()
{
    QScrollBar *bar = verticalScrollBar();
    int value = m_placeOffset;
    if (!m_keepVisible.isEmpty()) {
        const int top = m_keepVisible.top() - m_keepMargin;
        const int bottom = m_keepVisible.bottom() + 1 + m_keepMargin;
        if (top < value)
            value = top;
        else if (bottom > value + viewport()->height())
            value = bottom - viewport()->height();
    }
    m_placing = true;
    bar->setValue(std::clamp(value, bar->minimum(), bar->maximum()));
    m_placing = false;
}

void OverlayScrollArea::placeScroller()
{
    const QScrollBar *own = verticalScrollBar();
    {
        const QSignalBlocker quiet(m_scroller);
        m_scroller->setRange(own->minimum(), own->maximum());
        m_scroller->setPageStep(own->pageStep());
        m_scroller->setValue(own->value());
    }
    m_scroller->setGeometry(width() - OverlayScrollBar::kWidth, 0, OverlayScrollBar::kWidth,
                            height());
    if (!canScroll())
        m_scroller->hide();
    m_scroller->update();
}

void OverlayScrollArea::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    placeScroller();
}

void OverlayScrollArea::enterEvent(QEnterEvent *event)
{
    QScrollArea::enterEvent(event);
    flashScroller();
}
