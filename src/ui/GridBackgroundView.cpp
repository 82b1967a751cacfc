// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/GridBackgroundView.h"

#include "presentation/Palette.h"

#include <QApplication>
#include <QColor>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

bool isMajor(qreal coordinate)
{
    return std::fmod(coordinate, GridBackgroundView::kMajorSpacing) < 0.1;
}

} // namespace

GridBackgroundView::GridBackgroundView(QWidget *parent)
    : FlippedView(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    // The spot of light follows the pointer over the whole view, also where other children
    // cover it, so the pointer is watched on its way to any widget of this window.
    // Application filters see pointer moves even for widgets that do not track the mouse.
    qApp->installEventFilter(this);
    if (parent)
        setGeometry(parent->rect());
}

GridBackgroundView::~GridBackgroundView()
{
    qApp->removeEventFilter(this);
}

qreal GridBackgroundView::baseOpacityAtY(qreal y, qreal height)
{
    if (height <= 0)
        return 0.2;
    return 0.2 + 0.1 * std::clamp<qreal>(y / height, 0, 1);
}

qreal GridBackgroundView::hoverOpacityForLinePoint(const QPointF &linePoint, bool hovering,
                                                   const QPointF &hoverPoint)
{
    if (!hovering)
        return 0;
    const qreal distance =
        std::hypot(linePoint.x() - hoverPoint.x(), linePoint.y() - hoverPoint.y());
    if (distance >= kHoverRadius)
        return 0;
    const qreal v = 1 - distance / kHoverRadius;
    return 0.8 * v * v;
}

QRect GridBackgroundView::hoverBounds(const QPointF &point) const
{
    const qreal r = kHoverRadius + kSegment + 2;
    return QRectF(point.x() - r, point.y() - r, 2 * r, 2 * r).toAlignedRect();
}

void GridBackgroundView::setHoverPoint(const QPointF &point)
{
    QRect dirty = hoverBounds(point);
    if (m_hovering)
        dirty = dirty.united(hoverBounds(m_hoverPoint));
    m_hovering = true;
    m_hoverPoint = point;
    update(dirty);
}

void GridBackgroundView::setClipRadius(qreal radius)
{
    m_clipRadius = std::max<qreal>(radius, 0);
    update();
}

void GridBackgroundView::clearHover()
{
    if (!m_hovering)
        return;
    m_hovering = false;
    update(hoverBounds(m_hoverPoint));
}

bool GridBackgroundView::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Resize && watched == parentWidget()) {
        // Fills its parent in both directions.
        setGeometry(parentWidget()->rect());
        return false;
    }
    if (type != QEvent::MouseMove && type != QEvent::Enter && type != QEvent::Leave)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || !isVisible() || widget->window() != window())
        return false;
    if (type == QEvent::Leave) {
        if (widget == parentWidget() || widget == window())
            clearHover();
        return false;
    }
    QPointF global;
    if (type == QEvent::MouseMove)
        global = static_cast<QMouseEvent *>(event)->globalPosition();
    else
        global = static_cast<QEnterEvent *>(event)->globalPosition();
    const QPointF local = mapFromGlobal(global);
    if (rect().contains(local.toPoint()))
        setHoverPoint(local);
    else
        clearHover();
    return false;
}

void GridBackgroundView::paintEvent(QPaintEvent *event)
{
    const qreal w = width();
    const qreal h = height();
    const QRectF dirty = QRectF(event->rect()).adjusted(-2, -2, 2, 2);
    QPainter painter(this);
    if (m_clipRadius > 0) {
        QPainterPath outline;
        outline.addRoundedRect(QRectF(rect()), m_clipRadius, m_clipRadius);
        painter.setClipPath(outline);
    }
    auto strokeSegment = [&](const QLineF &line, const QColor &base, qreal lineWidth, qreal alpha) {
        if (alpha <= 0.001)
            return;
        QColor color = base;
        color.setAlphaF(static_cast<float>(std::min<qreal>(alpha, 1)));
        painter.setPen(QPen(color, lineWidth, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(line);
    };

    for (qreal x = 0; x <= w; x += kSpacing) {
        const qreal lineX = std::floor(x) + 0.5;
        if (lineX < dirty.left() || lineX > dirty.right())
            continue;
        const bool major = isMajor(x);
        for (qreal y0 = 0; y0 < h; y0 += kSegment) {
            const qreal y1 = std::min(h, y0 + kSegment);
            if (y1 < dirty.top() || y0 > dirty.bottom())
                continue;
            const qreal probe = std::min(h, y0 + kSegment / 2);
            const qreal alpha =
                std::max(baseOpacityAtY(probe, h),
                         hoverOpacityForLinePoint(QPointF(x, probe), m_hovering, m_hoverPoint));
            strokeSegment(QLineF(lineX, y0, lineX, y1),
                          major ? Palette::gridMajor : Palette::gridMinor, major ? 1.0 : 0.8,
                          alpha);
        }
    }
    for (qreal y = 0; y <= h; y += kSpacing) {
        const qreal lineY = std::floor(y) + 0.5;
        if (lineY < dirty.top() || lineY > dirty.bottom())
            continue;
        const bool major = isMajor(y);
        const qreal base = baseOpacityAtY(y, h);
        for (qreal x0 = 0; x0 < w; x0 += kSegment) {
            const qreal x1 = std::min(w, x0 + kSegment);
            if (x1 < dirty.left() || x0 > dirty.right())
                continue;
            const qreal middle = std::min(w, x0 + kSegment / 2);
            const qreal alpha = std::max(
                base, hoverOpacityForLinePoint(QPointF(middle, y), m_hovering, m_hoverPoint));
            strokeSegment(QLineF(x0, lineY, x1, lineY),
                          major ? Palette::gridMajor : Palette::gridMinor, major ? 1.0 : 0.8,
                          alpha);
        }
    }
}
