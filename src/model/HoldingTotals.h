// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Currency.h"
#include "model/HoldingFigures.h"

#include <QJsonObject>
#include <QMap>

#include <optional>

// Yuan per Hong Kong dollar and per US dollar, as the user set them; none while unknown.
struct ExchangeRates
{
    std::optional<double> hkd;
    std::optional<double> usd;

    // Yuan per unit of `currency` (1 for yuan); none while unknown.
    std::optional<double> toCny(Currency currency) const;
};

// The positions of a watchlist added up per currency, and in yuan when every currency held
// has a known rate. Positions without figures (placeholders) are only counted.
class HoldingTotals
{
public:
    struct Sum
    {
        int positions = 0;
        double marketValue = 0;
        double todayProfit = 0;
        // Over the positions with a cost price; the basis is their shares × cost.
        double floatingProfit = 0;
        double costBasis = 0;
        int withCost = 0;

        std::optional<double> floatingProfitPercent() const;
        QJsonObject toJson() const;
    };

    void add(const HoldingFigures &figures);
    // A position whose quote gives no figure yet.
    void addUnpriced() { ++m_unpriced; }

    const QMap<Currency, Sum> &byCurrency() const { return m_sums; }
    int unpricedPositions() const { return m_unpriced; }
    bool isEmpty() const { return m_sums.isEmpty() && m_unpriced == 0; }
    // The sums converted to yuan; none without positions or while a rate they need is unknown.
    std::optional<Sum> inCny(const ExchangeRates &rates) const;
    // The `positionTotals` object of `--once --json`.
    QJsonObject toJson(const ExchangeRates &rates) const;

private:
    QMap<Currency, Sum> m_sums;
    int m_unpriced = 0;
};
