// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QMargins>
#include <QRect>
#include <QRectF>
#include <QString>

#include <optional>

namespace MainWindowFrame {

// The desktop window's frame as settings.json keeps it: "{{x, y}, {width, height}}" in
// screen points with the origin at the bottom-left of the primary screen and y growing
// upward. Qt places windows with y growing downward from the top of the primary screen; the
// two functions below are the only place the stored frame is converted.

// The rectangle of a stored frame string; none for text that is not four numbers in that
// shape or whose size is not positive.
std::optional<QRectF> fromString(const QString &text);
// Whole numbers are written without decimals: "{{120, 64}, {980, 748}}".
QString toString(const QRectF &frame);

// `primaryBottom` is the y just below the primary screen in Qt coordinates (its top plus its
// height).
QRect screenRect(const QRectF &stored, qreal primaryBottom);
QRectF storedFrame(const QRect &rect, qreal primaryBottom);

// A stored frame is restored only when it is at least 980 x 560 and overlaps the available
// area of some screen (`availableScreens` in Qt coordinates).
bool isVisible(const QRectF &stored, const QList<QRect> &availableScreens, qreal primaryBottom);

// Where a restored window goes: `geometry` (the client area) with its window frame
// (`frameMargins`: the title bar and borders) moved onto the available area of the screen it
// overlaps most, shrunk to that area when larger but never below `minimum`; the title bar and
// the left edge win when even the minimum does not fit. A frame saved under another scale
// factor or screen arrangement thus never comes back with its title above the screen.
QRect clampedGeometry(const QRect &geometry, const QMargins &frameMargins, const QSize &minimum,
                      const QList<QRect> &availableScreens);

} // namespace MainWindowFrame
