// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Currency.h"
#include "model/Holding.h"

#include <QJsonObject>
#include <QString>

#include <optional>

struct Quote;

// What a position is worth at one quote, in the quote's currency and rounded to cents, so
// that the rows and the totals built from them agree to the cent.
struct HoldingFigures
{
    Holding holding;
    Currency currency = Currency::CNY;
    double marketValue = 0;
    // From the previous close: what today's move made or lost on the whole position.
    double todayProfit = 0;
    // Against the cost price; none without one.
    std::optional<double> floatingProfit;
    // Percent of the cost basis; none without a cost above zero.
    std::optional<double> floatingProfitPercent;

    // None for a quote without a price or a previous close (a placeholder, a stock
    // suspended since before launch): no figure is better than a made-up zero.
    static std::optional<HoldingFigures> forQuote(const Quote &quote, const Holding &holding);
    // The `positionForQuote` object of `--once --json`.
    QJsonObject toJson() const;
    // "今日 +1,234.00", the rows' short line.
    QString todayProfitText() const;
};

// Rounded half away from zero to two decimals, after the binary noise of the arithmetic
// (1.005 is 1.01, as written).
double roundToCents(double value);
