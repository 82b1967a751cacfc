// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "market/MarketSource.h"
#include "model/Quote.h"

#include <QList>
#include <QStringList>

// Realtime quotes from Sina's feed: one GET for the whole symbol list.
class RealtimeQuoteSource : public MarketSource
{
    Q_OBJECT
public:
    using MarketSource::MarketSource;

    using Completion = std::function<void(const QList<Quote> &)>;
    // At once with nothing for an empty list, otherwise later with whatever the answer held
    // (possibly nothing). Entries that are no symbol are never sent.
    void fetch(const QStringList &symbols, const QObject *context, Completion completion);
};
