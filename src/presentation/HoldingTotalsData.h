// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <optional>

class HoldingTotals;
struct ExchangeRates;

// One line of the positions' totals below the summary: a currency's today's and floating
// profit (or the yuan total's), as texts ready to show with their directions (1 rise, -1
// fall, 0 flat); or, in place of the figures, a note saying why there are none.
struct HoldingTotalsLine
{
    QString title;         // "人民币", "港元", "美元", "折合人民币"
    QString todayProfit{}; // "+1,234.00"
    int todayDirection = 0;
    QString floatingProfit{};  // "+5,678.00", "--" without any cost price
    QString floatingPercent{}; // "+3.21%", empty without a cost basis
    int floatingDirection = 0;
    QString note{}; // "缺少港元汇率": shown instead of the figures
    // The note is about a missing rate: the line offers to set the rates.
    bool offersRates = false;
    bool operator==(const HoldingTotalsLine &) const = default;
};

// The totals panel: per currency held (yuan, HK dollars, US dollars, in that order), then,
// when anything is held in another currency than yuan, the sum in yuan or what rate it lacks.
struct HoldingTotalsData
{
    QList<HoldingTotalsLine> lines; // never empty
    // "2 只暂无报价" while positions have no figure yet; empty when all have one.
    QString unpricedNote;
    // The panel as one sentence, for a screen reader.
    QString spoken;

    // None without a position: there is no panel then. The arithmetic is the totals'; this
    // only words it.
    static std::optional<HoldingTotalsData> from(const HoldingTotals &totals,
                                                 const ExchangeRates &rates);
    bool operator==(const HoldingTotalsData &) const = default;
};
