// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "market/MarketSource.h"
#include "model/MinuteSeries.h"

class Symbol;

// Minute series of one trading day, tried in a fixed order per market. A-shares: Eastmoney
// trends, then Tencent. Hong Kong: Tencent, then Yahoo. US: Yahoo. Delivers an empty series
// when every provider failed.
class MinuteSeriesSource : public MarketSource
{
    Q_OBJECT
public:
    using MarketSource::MarketSource;

    using Completion = std::function<void(const MinuteSeries &)>;
    void fetch(const QString &symbol, const QObject *context, Completion completion);

private:
    void fetchTencent(const Symbol &symbol, const QObject *context, Completion completion);
    void fallBackFromTencent(const Symbol &symbol, const QObject *context, Completion completion);
    void fetchYahoo(const Symbol &symbol, const QObject *context, Completion completion);
};
