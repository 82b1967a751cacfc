// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QTransform>

class QWidget;

namespace Frames {

// Every surface is laid out in points with the origin at the bottom-left of the parent and
// y growing upward (a frame (x, y, w, h) with y = H - 38 sits 38 pt below the top of a parent
// H high); only FlippedView and its subclasses count y downward from the top. Qt counts y
// downward everywhere, so the conversion lives here and nowhere else.

// Maps a point or path given with y up inside a view of the given height to Qt coordinates.
QTransform flipTransform(qreal height);
// A y-up frame inside a parent of the given height, as a Qt rectangle (y down).
QRectF flip(const QRectF &frame, qreal parentHeight);
// A y-up point inside a view of the given height, in Qt coordinates.
QPointF flipPoint(const QPointF &point, qreal height);

// True for views whose children use y-down frames (FlippedView and its subclasses).
bool isFlipped(const QWidget *view);
// The widget geometry of a frame inside `parent` (its current height, or as-is when the
// parent is flipped or absent), edges rounded to whole pixels.
QRect geometry(const QWidget *parent, const QRectF &frame);
// Sets `child`'s geometry from a frame in its parent. The parent must already have its final
// height: surfaces are laid out top-down at a known size, and placed again on a resize.
void place(QWidget *child, const QRectF &frame);

} // namespace Frames
