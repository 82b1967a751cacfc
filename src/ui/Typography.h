// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QString>

// Font weights the interface uses.
enum class FontWeight
{
    Regular,
    Medium,
    Semibold
};

// The interface was drawn with the macOS system font (SF Pro for Latin, PingFang SC for Han)
// at sizes in points. Here:
//   system font           -> the desktop's general UI family (QFontDatabase::GeneralFont),
//                            then "Noto Sans CJK SC" so Chinese takes Simplified forms;
//   monospaced-digit font -> the same, led by a family whose ten digits share one advance
//                            (the general family when it qualifies, else DejaVu Sans), so
//                            changing prices do not jitter;
//   size in points        -> the same number of device-independent pixels, matching the
//                            72-points-per-inch geometry every frame is written in;
//   regular/medium/semibold -> QFont::Normal / Medium / DemiBold.
QFont KSSystemFont(qreal size, FontWeight weight = FontWeight::Regular);
QFont KSMonospacedDigitFont(qreal size, FontWeight weight = FontWeight::Regular);

// Width of one line of text in the given font, unrounded.
qreal KSTextWidth(const QString &text, const QFont &font);
