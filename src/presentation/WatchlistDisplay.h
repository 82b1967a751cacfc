// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/AppSettings.h"
#include "decision/DecisionStates.h"
#include "model/Quote.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace WatchlistDisplay {

// The order the watchlist is shown in, shared by the popover rows and the desktop list.

// "自选原序" or "机会优先".
QString sortFullTitle(WatchlistSortMode mode);
// `quotes` in the order of `mode`. Priority moves the quotes whose buy status is 可跟踪 to
// the front and keeps the order within both groups; fewer than two quotes are not sorted.
QList<Quote> sorted(const QList<Quote> &quotes, WatchlistSortMode mode,
                    const std::function<ActionStatus(const Quote &)> &buyStatus);

} // namespace WatchlistDisplay
