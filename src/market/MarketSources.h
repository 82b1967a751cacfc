// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "market/BoardTagSource.h"
#include "market/DailyBarSource.h"
#include "market/MinuteSeriesSource.h"
#include "market/RealtimeQuoteSource.h"
#include "market/SymbolSearchSource.h"

// Every kind of market data, each from its own source, over one HTTP client.
struct MarketSources
{
    MarketSources(HttpClient &http, const Endpoints &endpoints, const Clock &clock)
        : quotes(http, endpoints, clock)
        , search(http, endpoints, clock)
        , boardTags(http, endpoints, clock)
        , minutes(http, endpoints, clock)
        , dailyBars(http, endpoints, clock)
    {}

    RealtimeQuoteSource quotes;
    SymbolSearchSource search;
    BoardTagSource boardTags;
    MinuteSeriesSource minutes;
    DailyBarSource dailyBars;
};
