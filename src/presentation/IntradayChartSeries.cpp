// SPDX-License-Identifier: GPL-3.0-or-later
#include "presentation/IntradayChartSeries.h"

#include "presentation/HexColor.h"

#include "intraday/IntradayStore.h"
#include "intraday/TradingClock.h"
#include "model/Quote.h"
#include "model/Symbol.h"

using namespace Qt::StringLiterals;

bool IntradayChartSeries::hasMiddayBreak() const
{
    return Symbol::marketOf(symbol) != Market::US;
}

IntradayChartSeries IntradayChartSeries::forQuote(const IntradayStore &store, const Quote &quote,
                                                  const QString &accentHex)
{
    IntradayChartSeries series;
    series.symbol = quote.symbol;
    series.prices = store.prices(quote.symbol);
    series.positions = store.positions(quote.symbol);
    series.averages = store.averages(quote.symbol);
    series.volumes = store.volumes(quote.symbol);
    series.previousClose = quote.previousClose;
    series.maxPosition = TradingClock::positionMax(quote.symbol);
    series.midPosition = TradingClock::midPosition(quote.symbol);
    series.isReal = store.isReal(quote.symbol);
    series.accent = HexColor::color(accentHex);
    return series;
}
