// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decision/DecisionEngine.h"
#include "model/Quote.h"
#include "presentation/IntradayChartSeries.h"

#include <QHash>
#include <QList>
#include <QString>

// What the market card draws: the quote, its accent, its board tag ("板块待补" hides the
// tag), its prepared intraday series and the price-flash directions of the refresh cycle.
struct MarketCardData
{
    Quote quote;
    QString accentHex;
    QString boardTag;
    IntradayChartSeries series;
    QHash<QString, int> priceFlashDirections;
};

// What the AI insight card draws for one stock, as the insight service states it.
struct InsightCardData
{
    QString symbol;
    QString subtitle;
    QString message; // the body before line breaking
    bool hasError = false;
    bool isLoading = false;
    // AI switched on and a key set: the card offers regeneration instead of the settings.
    bool isConfigured = false;
};

// Everything the quote detail page draws, prepared by the caller.
struct QuoteDetailData
{
    MarketCardData market;
    InsightCardData insight;
    QList<DecisionEngine::ScenarioMetric> metrics;
};
