// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>

// Colours as the surfaces name them: six hexadecimal digits.
namespace HexColor {

// "RRGGBB" scanned as a hexadecimal number (leading blanks and "0x" allowed, scanning
// stops at the first non-hex character); a string that does not scan gives opaque black.
QColor color(const QString &hex);
// Rise red, fall green: "F87171" for a change percent >= 0, "34D399" below, and the
// neutral "A1A6B8" when its absolute value is below 0.0001.
QString accentForChangePercent(double changePercent);

} // namespace HexColor
