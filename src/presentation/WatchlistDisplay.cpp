// SPDX-License-Identifier: GPL-3.0-or-later
#include "presentation/WatchlistDisplay.h"

using namespace Qt::StringLiterals;

QString WatchlistDisplay::sortFullTitle(WatchlistSortMode mode)
{
    return mode == WatchlistSortMode::Priority ? u"机会优先"_s : u"自选原序"_s;
}

QList<Quote> WatchlistDisplay::sorted(const QList<Quote> &quotes, WatchlistSortMode mode,
                                      const std::function<ActionStatus(const Quote &)> &buyStatus)
{
    if (quotes.size() < 2 || mode != WatchlistSortMode::Priority || !buyStatus)
        return quotes;
    QList<Quote> first;
    QList<Quote> rest;
    for (const Quote &quote : quotes)
        (buyStatus(quote) == ActionStatus::Trackable ? first : rest).append(quote);
    return first + rest;
}
