// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QString>

#include <functional>

// Font weights the interface uses.
enum class FontWeight
{
    Regular,
    Medium,
    Semibold
};

namespace Typography {

// The interface was drawn with the macOS system font (SF Pro for Latin, PingFang SC for Han)
// at sizes in points. Here:
//   system font           -> the desktop's general UI family (QFontDatabase::GeneralFont),
//                            then "Noto Sans CJK SC" so Chinese takes Simplified forms;
//   monospaced-digit font -> led by a family whose ten digits share one advance, so changing
//                            prices do not jitter: "Noto Sans CJK SC" itself where its digits
//                            qualify (they do), so figures match the Chinese beside them in
//                            design and weight; else the general family, else DejaVu Sans;
//   size in points        -> the same number of device-independent pixels, matching the
//                            72-points-per-inch geometry every frame is written in;
//   regular/medium/semibold -> QFont::Normal / Medium / DemiBold.
QFont systemFont(qreal size, FontWeight weight = FontWeight::Regular);
QFont monospacedDigitFont(qreal size, FontWeight weight = FontWeight::Regular);

// Width of one line of text in the given font, unrounded.
qreal textWidth(const QString &text, const QFont &font);

// The largest size from `preferred` down to `minimum`, in half points, at which the text is
// at most `available` wide (`widthAtSize` measures it); `minimum` when none is.
qreal fittingFontSize(qreal preferred, qreal minimum, qreal available,
                      const std::function<qreal(qreal size)> &widthAtSize);
// A figure (a price) in the monospaced-digit font at `weight`: the size from `preferred` down
// to 11 at which it fits `available`, so a long one (a four-digit A-share, a six-digit index)
// keeps its room instead of running into what stands beside it.
qreal figureFontSize(const QString &figure, qreal preferred, qreal available,
                     FontWeight weight = FontWeight::Semibold);

} // namespace Typography
