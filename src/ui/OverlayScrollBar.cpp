// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/OverlayScrollBar.h"

#include "presentation/Palette.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

OverlayScrollBar::OverlayScrollBar(QWidget *parent)
    : QScrollBar(Qt::Vertical, parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::NoFocus);
    setFixedWidth(kWidth);
    m_idle.setSingleShot(true);
    m_idle.setInterval(kIdleMs);
    connect(&m_idle, &QTimer::timeout, this, &OverlayScrollBar::idle);
    connect(this, &QScrollBar::valueChanged, this, &OverlayScrollBar::reveal);
}

QSize OverlayScrollBar::sizeHint() const
{
    return QSize(kWidth, QScrollBar::sizeHint().height());
}

QRectF OverlayScrollBar::knobRect() const
{
    const qreal track = height() - 4;
    const qreal range = maximum() - minimum();
    if (track <= 0 || range <= 0)
        return {};
    const qreal length =
        std::min(std::max<qreal>(track * pageStep() / (range + pageStep()), 18), track);
    const qreal top = 2 + (track - length) * (value() - minimum()) / range;
    return QRectF(width() - 8, top, 6, length);
}

void OverlayScrollBar::reveal()
{
    if (maximum() <= minimum()) {
        idle();
        return;
    }
    m_shown = true;
    if (m_hidesWhenIdle) {
        show();
        raise();
    }
    m_idle.start();
    update();
}

void OverlayScrollBar::idle()
{
    if (m_hovered || m_dragging) {
        m_idle.start();
        return;
    }
    m_shown = false;
    if (m_hidesWhenIdle)
        hide();
    update();
}

void OverlayScrollBar::enterEvent(QEnterEvent *event)
{
    QScrollBar::enterEvent(event);
    m_hovered = true;
    reveal();
}

void OverlayScrollBar::leaveEvent(QEvent *event)
{
    QScrollBar::leaveEvent(event);
    m_hovered = false;
    m_idle.start();
}

// The knob is drawn where the style would not put its slider, so the pointer is handled
// here against the knob as drawn.
void OverlayScrollBar::mousePressEvent(QMouseEvent *event)
{
    const QRectF knob = knobRect();
    if (event->button() != Qt::LeftButton || knob.isEmpty()) {
        event->ignore();
        return;
    }
    const qreal y = event->position().y();
    if (y < knob.top()) {
        triggerAction(SliderPageStepSub);
    } else if (y > knob.bottom()) {
        triggerAction(SliderPageStepAdd);
    } else {
        m_dragging = true;
        m_dragFrom = y;
        m_valueFrom = value();
    }
    event->accept();
}

void OverlayScrollBar::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    const qreal travel = height() - 4 - knobRect().height();
    if (travel <= 0)
        return;
    const qreal delta = event->position().y() - m_dragFrom;
    setValue(m_valueFrom + int(std::lround(delta * (maximum() - minimum()) / travel)));
}

void OverlayScrollBar::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragging = false;
    m_idle.start();
    event->accept();
}

void OverlayScrollBar::paintEvent(QPaintEvent *)
{
    const QRectF knob = knobRect();
    if (!m_shown || knob.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_hovered || m_dragging ? Palette::scrollKnobActive : Palette::scrollKnob);
    painter.drawRoundedRect(knob, knob.width() / 2, knob.width() / 2);
}
