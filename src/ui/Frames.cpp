// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Frames.h"

#include "ui/FlippedView.h"

#include <QWidget>

#include <cmath>

QTransform Frames::flipTransform(qreal height)
{
    return QTransform(1, 0, 0, -1, 0, height);
}

QRectF Frames::flip(const QRectF &frame, qreal parentHeight)
{
    return Frames::flipTransform(parentHeight).mapRect(frame.normalized());
}

QPointF Frames::flipPoint(const QPointF &point, qreal height)
{
    return Frames::flipTransform(height).map(point);
}

bool Frames::isFlipped(const QWidget *view)
{
    return qobject_cast<const FlippedView *>(view) != nullptr;
}

QRect Frames::geometry(const QWidget *parent, const QRectF &frame)
{
    const QRectF r = (parent && !Frames::isFlipped(parent)) ? Frames::flip(frame, parent->height())
                                                            : frame.normalized();
    const int left = static_cast<int>(std::lround(r.left()));
    const int top = static_cast<int>(std::lround(r.top()));
    const int right = static_cast<int>(std::lround(r.right()));
    const int bottom = static_cast<int>(std::lround(r.bottom()));
    return QRect(left, top, right - left, bottom - top);
}

void Frames::place(QWidget *child, const QRectF &frame)
{
    if (child)
        child->setGeometry(Frames::geometry(child->parentWidget(), frame));
}
