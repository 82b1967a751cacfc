// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

namespace TradingClock {

// The trading axis: seconds of trading since the 09:30 open, the midday break cut out.
// Pure functions, safe from any thread.

// Position of an exchange wall-clock time ("HH:MM" or "HH:MM:SS"), or -1 when unreadable.
double position(const QString &symbol, const QString &time);
// 14400 (A-share), 19800 (Hong Kong) or 23400 (US).
double positionMax(const QString &symbol);
double midPosition(const QString &symbol);
// The open, the midday break where the market has one, and the close: 0, 7200, 14400
// (A-share), 0, 9000, 19800 (Hong Kong), 0, 23400 (US).
QList<double> sessionBoundaries(const QString &symbol);
QString midLabel(const QString &symbol);
QString endLabel(const QString &symbol);

} // namespace TradingClock
