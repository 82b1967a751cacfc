// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/MarketStatus.h"
#include "config/AppSettings.h"
#include "decision/DecisionStates.h"
#include "model/Quote.h"
#include "presentation/HoldingTotalsData.h"
#include "presentation/QuoteDetailData.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// One row of the desktop list: the quote with its buy status ("数据不足" already for a quote
// without price), today's profit of a position and the alert bell, as on the home page's rows.
struct MainQuoteRowData
{
    Quote quote;
    ActionStatus buyStatus = ActionStatus::NoData;
    // Braced: rows built as {quote, status, …} leave it out without a warning.
    QString holdingText{};
    int holdingDirection = 0;
    bool alertsArmed = false;
};

// The selected stock as the workbench shows it: the cards the popover's detail page shares,
// plus the daily-context badge and the status line the hero card falls back to.
struct MainDetailData
{
    QuoteDetailData cards;
    QString dailyBadge;
    QString dailyAccentHex;
    QString lastStatus;
};

// Everything the desktop window draws, prepared by the caller from the controller's state.
struct MainWindowData
{
    MainSection section = MainSection::Overview;
    QString detailSymbol;         // the selected row; may name no row
    QList<Quote> quotes;          // every quote, for the summary
    QList<MainQuoteRowData> rows; // in display order
    MarketStatus marketStatus;
    QString lastStatus;
    std::optional<MainDetailData> detail; // none with an empty list
    QHash<QString, int> priceFlashDirections;
    // The positions' totals below the summary; none without a position.
    std::optional<HoldingTotalsData> holdingTotals;
};
