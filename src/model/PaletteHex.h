// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The colours the GUI-free layers hand to the interface as "RRGGBB" text: the market status
// pill and the daily-context accent (both also reach --json output). ui/Palette.h names the
// rest and includes this one.
namespace Palette::Hex {

// Market status pill: background, border, dot, text per state.
inline const QString restBackground = QStringLiteral("0F1118");
inline const QString restBorder = QStringLiteral("202432");
inline const QString restDot = QStringLiteral("596172");
inline const QString restText = QStringLiteral("8E95A7");
inline const QString tradingBackground = QStringLiteral("10241D");
inline const QString tradingBorder = QStringLiteral("1D4B3A");
inline const QString tradingDot = QStringLiteral("34D399");
inline const QString tradingText = QStringLiteral("B7F7D5");
inline const QString middayBreakBackground = QStringLiteral("191A12");
inline const QString middayBreakBorder = QStringLiteral("3B3520");
inline const QString middayBreakDot = QStringLiteral("FBBF24");
inline const QString middayBreakText = QStringLiteral("F6D98A");
inline const QString preOpenBackground = QStringLiteral("111722");
inline const QString preOpenBorder = QStringLiteral("223047");
inline const QString preOpenDot = QStringLiteral("60A5FA");
inline const QString preOpenText = QStringLiteral("B8D6FF");
inline const QString closedBackground = QStringLiteral("11141B");
inline const QString closedBorder = QStringLiteral("252A38");
inline const QString closedDot = QStringLiteral("7C8496");
inline const QString closedText = QStringLiteral("B2B8C6");

// Daily-context accent per kind.
inline const QString dailyTrendAligned = QStringLiteral("A7F3D0");
inline const QString dailyHighRange = QStringLiteral("F1C089");
inline const QString dailyDeclineRelay = QStringLiteral("F0A6AA");
inline const QString dailyInsufficient = QStringLiteral("93A4BF");
inline const QString dailyNeutral = QStringLiteral("C8D2E5");

} // namespace Palette::Hex
