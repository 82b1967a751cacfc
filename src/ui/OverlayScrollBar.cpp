// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/OverlayScrollBar.h"

#include <QPainter>

#include <algorithm>

OverlayScrollBar::OverlayScrollBar(QWidget *parent)
    : QScrollBar(Qt::Vertical, parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_Hover);
    setFixedWidth(kWidth);
    m_idle.setSingleShot(true);
    m_idle.setInterval(kIdleMs);
    connect(&m_idle, &QTimer::timeout, this, [this] {
        if (m_hovered || isSliderDown()) {
            m_idle.start();
            return;
        }
        m_shown = false;
        update();
    });
    connect(this, &QScrollBar::valueChanged, this, &OverlayScrollBar::reveal);
}

QSize OverlayScrollBar::sizeHint() const
{
    return QSize(kWidth, QScrollBar::sizeHint().height());
}

QRectF OverlayScrollBar::knobRect() const
{
    const qreal track = height() - 4;
    const qreal total = static_cast<qreal>(maximum() - minimum() + pageStep());
    if (track <= 0 || total <= 0)
        return {};
    const qreal length = std::max<qreal>(track * pageStep() / total, 24);
    const qreal range = std::max(maximum() - minimum(), 1);
    const qreal top = 2 + (track - length) * (value() - minimum()) / range;
    return QRectF(width() - 8, top, 5, std::min(length, track));
}

void OverlayScrollBar::reveal()
{
    m_shown = true;
    m_idle.start();
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

void OverlayScrollBar::paintEvent(QPaintEvent *)
{
    if (!m_shown || maximum() <= minimum())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_hovered ? QColor(0x5A, 0x61, 0x75, 230) : QColor(0x3A, 0x40, 0x52, 210));
    const QRectF knob = knobRect();
    painter.drawRoundedRect(knob, knob.width() / 2, knob.width() / 2);
}
