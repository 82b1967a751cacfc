// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Quote.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The order the watchlist is shown in, shared by the popover rows and the desktop list.

// "original" (watchlist order) and "priority" (trackable stocks first).
const QStringList &KSMainWatchlistSortModes();
// The stored mode when it is one of the modes, else "original".
QString KSNormalizedMainWatchlistSortMode(const QString &mode);
// "自选原序" or "机会优先"; an unknown mode reads as "original".
QString KSMainWatchlistSortFullTitleForMode(const QString &mode);
// `quotes` in the order of `mode`. "priority" moves the quotes whose buy status is "可跟踪"
// to the front and keeps the order within both groups; fewer than two quotes are not sorted.
QList<Quote> KSWatchlistDisplayQuotes(const QList<Quote> &quotes, const QString &mode,
                                      const std::function<QString(const Quote &)> &buyStatus);
