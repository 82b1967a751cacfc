// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/HoldingFigures.h"

#include "model/Formatters.h"
#include "model/Quote.h"

#include <QJsonValue>

#include <cmath>

using namespace Qt::StringLiterals;

double roundToCents(double value)
{
    if (!std::isfinite(value))
        return value;
    // Fifteen significant digits drop the last bits that make 1.005 read as 1.00499….
    const double hundredths = QString::number(value * 100.0, 'g', 15).toDouble();
    return std::round(hundredths) / 100.0 + 0.0;
}

namespace {

// A difference of two prices at the precision prices have, without the binary remainder
// that would tip a half cent the wrong way once multiplied by the shares.
double priceDifference(double a, double b)
{
    return std::round((a - b) * 1e6) / 1e6;
}

} // namespace

std::optional<HoldingFigures> HoldingFigures::forQuote(const Quote &quote, const Holding &holding)
{
    const std::optional<Symbol> symbol = Symbol::fromStored(quote.symbol);
    if (!symbol || !(quote.price > 0) || !(quote.previousClose > 0) || !(holding.shares > 0))
        return std::nullopt;
    HoldingFigures figures;
    figures.holding = holding;
    figures.currency = currencyForMarket(symbol->market());
    figures.marketValue = roundToCents(holding.shares * quote.price);
    figures.todayProfit =
        roundToCents(holding.shares * priceDifference(quote.price, quote.previousClose));
    if (holding.cost) {
        figures.floatingProfit =
            roundToCents(holding.shares * priceDifference(quote.price, *holding.cost));
        if (*holding.cost > 0)
            figures.floatingProfitPercent =
                roundToCents((quote.price - *holding.cost) / *holding.cost * 100.0);
    }
    return figures;
}

QJsonObject HoldingFigures::toJson() const
{
    const auto orNull = [](const std::optional<double> &v) {
        return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
    };
    return QJsonObject{
        {u"shares"_s, holding.shares},
        {u"cost"_s, orNull(holding.cost)},
        {u"marketValue"_s, marketValue},
        {u"todayProfit"_s, todayProfit},
        {u"floatingProfit"_s, orNull(floatingProfit)},
        {u"floatingProfitPercent"_s, orNull(floatingProfitPercent)},
        {u"currency"_s, toText(currency)},
    };
}

QString HoldingFigures::todayProfitText() const
{
    return u"今日 "_s + formatSignedMoney(todayProfit);
}
