// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decision/DecisionEngine.h"
#include "model/Quote.h"
#include "presentation/IntradayChartSeries.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// The user's position in one stock, as texts ready to show. Directions: 1 rise, -1 fall,
// 0 flat (the colour of the figure).
struct HoldingLineData
{
    QString shares;      // "1,000 股"
    QString cost;        // "1,450.00", "--" without a cost price
    QString marketValue; // "1,468,200.00"
    QString todayProfit; // "+12,300.00", "--" without a figure
    int todayDirection = 0;
    QString floatingProfit;  // "+18,200.00", "--" without a cost price
    QString floatingPercent; // "+1.26%", empty without a cost price
    int floatingDirection = 0;
    bool operator==(const HoldingLineData &) const = default;
};

// What the market card draws: the quote, its accent, its board tag ("板块待补" hides the
// tag), its prepared intraday series and the price-flash directions of the refresh cycle;
// with a position, the holding line the detail page and the desktop hero show with it.
struct MarketCardData
{
    Quote quote;
    QString accentHex;
    QString boardTag;
    IntradayChartSeries series;
    QHash<QString, int> priceFlashDirections;
    std::optional<HoldingLineData> holding;
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
