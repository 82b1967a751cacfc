// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WatchlistDisplay.h"

using namespace Qt::StringLiterals;

const QStringList &KSMainWatchlistSortModes()
{
    static const QStringList modes{u"original"_s, u"priority"_s};
    return modes;
}

QString KSNormalizedMainWatchlistSortMode(const QString &mode)
{
    return KSMainWatchlistSortModes().contains(mode) ? mode : u"original"_s;
}

QString KSMainWatchlistSortFullTitleForMode(const QString &mode)
{
    return KSNormalizedMainWatchlistSortMode(mode) == u"priority" ? u"机会优先"_s : u"自选原序"_s;
}

QList<Quote> KSWatchlistDisplayQuotes(const QList<Quote> &quotes, const QString &mode,
                                      const std::function<QString(const Quote &)> &buyStatus)
{
    if (quotes.size() < 2 || KSNormalizedMainWatchlistSortMode(mode) != u"priority" || !buyStatus)
        return quotes;
    QList<Quote> first;
    QList<Quote> rest;
    for (const Quote &quote : quotes)
        (buyStatus(quote) == u"可跟踪" ? first : rest).append(quote);
    return first + rest;
}
