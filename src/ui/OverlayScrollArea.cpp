// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/OverlayScrollArea.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

// The knob: its length shows how much of the document is in view, its place where; it can
// be dragged.
class OverlayScrollArea::Knob : public QWidget
{
public:
    explicit Knob(OverlayScrollArea *area)
        : QWidget(area)
        , m_area(area)
    {
        setAttribute(Qt::WA_NoSystemBackground);
        setCursor(Qt::ArrowCursor);
    }

    QRectF knobRect() const
    {
        const QScrollBar *bar = m_area->verticalScrollBar();
        const qreal track = height() - 4;
        const qreal page = bar->pageStep();
        const qreal total = bar->maximum() - bar->minimum() + page;
        if (total <= 0 || bar->maximum() <= bar->minimum())
            return {};
        const qreal length = std::max<qreal>(18, track * page / total);
        const qreal travel = track - length;
        const qreal at =
            travel * (bar->value() - bar->minimum()) / (bar->maximum() - bar->minimum());
        return QRectF(0, 2 + at, width(), length);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const QRectF knob = knobRect();
        if (knob.isEmpty())
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x3A, 0x41, 0x54, 220));
        const qreal r = width() / 2.0;
        painter.drawRoundedRect(knob, r, r);
    }

    void mousePressEvent(QMouseEvent *event) override
    {
        m_dragFrom = event->position().y();
        m_valueFrom = m_area->verticalScrollBar()->value();
        m_dragging = true;
        event->accept();
    }

    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (!m_dragging)
            return;
        QScrollBar *bar = m_area->verticalScrollBar();
        const QRectF knob = knobRect();
        const qreal travel = height() - 4 - knob.height();
        if (travel <= 0)
            return;
        const qreal delta = event->position().y() - m_dragFrom;
        const qreal range = bar->maximum() - bar->minimum();
        bar->setValue(m_valueFrom + static_cast<int>(std::lround(delta * range / travel)));
    }

    void mouseReleaseEvent(QMouseEvent *) override { m_dragging = false; }

private:
    OverlayScrollArea *m_area;
    qreal m_dragFrom = 0;
    int m_valueFrom = 0;
    bool m_dragging = false;
};

OverlayScrollArea::OverlayScrollArea(QWidget *parent)
    : QScrollArea(parent)
    , m_knob(new Knob(this))
    , m_hideTimer(new QTimer(this))
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);

    m_hideTimer->setSingleShot(true);
    m_hideTimer->setInterval(kHideDelayMs);
    connect(m_hideTimer, &QTimer::timeout, this, [this] {
        if (!underMouse())
            m_knob->hide();
    });
    m_knob->hide();
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        m_knob->update();
        if (m_placing)
            return;
        m_pin = Pin::None; // the user moved the list
        flashScroller();
    });
    // The viewport only gets its real size when the area is shown: keep a placed list where
    // it was put as the range settles.
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, [this] {
        placeKnob();
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
    placeKnob();
}

bool OverlayScrollArea::canScroll() const
{
    return verticalScrollBar()->maximum() > verticalScrollBar()->minimum();
}

bool OverlayScrollArea::isScrollerShown() const
{
    return m_knob->isVisible();
}

void OverlayScrollArea::flashScroller()
{
    if (!canScroll()) {
        m_knob->hide();
        return;
    }
    m_knob->show();
    m_knob->raise();
    m_knob->update();
    m_hideTimer->start();
}

// Placing the list where a fresh surface starts is not a scroll the knob should show.
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

void OverlayScrollArea::placeKnob()
{
    m_knob->setGeometry(width() - kKnobWidth - 2, 0, kKnobWidth, height());
    if (!canScroll())
        m_knob->hide();
    m_knob->update();
}

void OverlayScrollArea::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    placeKnob();
}

void OverlayScrollArea::enterEvent(QEnterEvent *event)
{
    QScrollArea::enterEvent(event);
    flashScroller();
}

void OverlayScrollArea::leaveEvent(QEvent *event)
{
    QScrollArea::leaveEvent(event);
    m_hideTimer->start();
}
