// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/HoldingTotals.h"

#include <QJsonValue>

using namespace Qt::StringLiterals;

std::optional<double> ExchangeRates::toCny(Currency currency) const
{
    switch (currency) {
    case Currency::CNY:
        return 1.0;
    case Currency::HKD:
        return hkd;
    case Currency::USD:
        return usd;
    }
    return std::nullopt;
}

std::optional<double> HoldingTotals::Sum::floatingProfitPercent() const
{
    if (!(costBasis > 0))
        return std::nullopt;
    return roundToCents(floatingProfit / costBasis * 100.0);
}

QJsonObject HoldingTotals::Sum::toJson() const
{
    const std::optional<double> percent = floatingProfitPercent();
    return QJsonObject{
        {u"positions"_s, positions},
        {u"marketValue"_s, marketValue},
        {u"todayProfit"_s, todayProfit},
        {u"floatingProfit"_s, withCost > 0 ? QJsonValue(floatingProfit) : QJsonValue()},
        {u"floatingProfitPercent"_s, percent ? QJsonValue(*percent) : QJsonValue()},
    };
}

void HoldingTotals::add(const HoldingFigures &figures)
{
    Sum &sum = m_sums[figures.currency];
    ++sum.positions;
    sum.marketValue = roundToCents(sum.marketValue + figures.marketValue);
    sum.todayProfit = roundToCents(sum.todayProfit + figures.todayProfit);
    if (figures.floatingProfit) {
        ++sum.withCost;
        sum.floatingProfit = roundToCents(sum.floatingProfit + *figures.floatingProfit);
        sum.costBasis += figures.holding.shares * figures.holding.cost.value_or(0);
    }
}

std::optional<HoldingTotals::Sum> HoldingTotals::inCny(const ExchangeRates &rates) const
{
    if (m_sums.isEmpty())
        return std::nullopt;
    Sum total;
    for (auto it = m_sums.begin(); it != m_sums.end(); ++it) {
        const std::optional<double> rate = rates.toCny(it.key());
        if (!rate)
            return std::nullopt;
        const Sum &sum = it.value();
        total.positions += sum.positions;
        total.withCost += sum.withCost;
        total.marketValue += sum.marketValue * *rate;
        total.todayProfit += sum.todayProfit * *rate;
        total.floatingProfit += sum.floatingProfit * *rate;
        total.costBasis += sum.costBasis * *rate;
    }
    total.marketValue = roundToCents(total.marketValue);
    total.todayProfit = roundToCents(total.todayProfit);
    total.floatingProfit = roundToCents(total.floatingProfit);
    return total;
}

QJsonObject HoldingTotals::toJson(const ExchangeRates &rates) const
{
    QJsonObject currencies;
    for (auto it = m_sums.begin(); it != m_sums.end(); ++it)
        currencies.insert(toText(it.key()), it.value().toJson());
    const std::optional<Sum> cny = inCny(rates);
    const auto rate = [](const std::optional<double> &r) {
        return r ? QJsonValue(*r) : QJsonValue();
    };
    return QJsonObject{
        {u"byCurrency"_s, currencies},
        {u"totalCNY"_s, cny ? QJsonValue(cny->toJson()) : QJsonValue()},
        {u"exchangeRates"_s, QJsonObject{{u"HKD"_s, rate(rates.hkd)}, {u"USD"_s, rate(rates.usd)}}},
        {u"unpricedPositions"_s, m_unpriced},
    };
}
