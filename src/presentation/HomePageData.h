// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/MarketStatus.h"
#include "decision/DecisionStates.h"
#include "model/Quote.h"
#include "presentation/HoldingTotalsData.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// One watchlist row as the home page shows it: the quote with its buy status (already
// "数据不足" for a quote without price) and the hint behind its tag; for a stock the user
// holds, today's profit as text ("今日 +1,234.00", empty without a position or a figure) and
// its direction (1 rise, -1 fall, 0 flat); whether price conditions are armed (the bell).
struct HomeRow
{
    Quote quote;
    ActionStatus buyStatus = ActionStatus::NoData;
    QString tagHint;
    // Braced: rows built as {quote, status, …} leave it out without a warning.
    QString holdingText{};
    int holdingDirection = 0;
    bool alertsArmed = false;
};

// Everything the home page draws, prepared by the caller.
struct HomePageData
{
    QList<HomeRow> rows; // in display order
    MarketStatus marketStatus;
    QString lastStatus;
    bool firstLaunchHintVisible = false;
    // The hint names the panel icon where there is one, the desktop window otherwise.
    bool panelItemPresent = true;
    QHash<QString, int> priceFlashDirections;
    // The positions' totals below the summary; none without a position.
    std::optional<HoldingTotalsData> holdingTotals;
};
