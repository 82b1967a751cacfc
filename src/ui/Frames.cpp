// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Frames.h"

#include "ui/FlippedView.h"

#include <QWidget>

#include <cmath>

QTransform KSFlipTransform(qreal height)
{
    return QTransform(1, 0, 0, -1, 0, height);
}

QRectF KSFlipFrame(const QRectF &frame, qreal parentHeight)
{
    return KSFlipTransform(parentHeight).mapRect(frame.normalized());
}

QPointF KSFlipPoint(const QPointF &point, qreal height)
{
    return KSFlipTransform(height).map(point);
}

bool KSIsFlipped(const QWidget *view)
{
    return qobject_cast<const FlippedView *>(view) != nullptr;
}

QRect KSGeometryForFrame(const QWidget *parent, const QRectF &frame)
{
    const QRectF r = (parent && !KSIsFlipped(parent)) ? KSFlipFrame(frame, parent->height())
                                                      : frame.normalized();
    const int left = static_cast<int>(std::lround(r.left()));
    const int top = static_cast<int>(std::lround(r.top()));
    const int right = static_cast<int>(std::lround(r.right()));
    const int bottom = static_cast<int>(std::lround(r.bottom()));
    return QRect(left, top, right - left, bottom - top);
}

void KSPlace(QWidget *child, const QRectF &frame)
{
    if (child)
        child->setGeometry(KSGeometryForFrame(child->parentWidget(), frame));
}
