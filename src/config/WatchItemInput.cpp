// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/WatchItemInput.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

using namespace Qt::StringLiterals;

namespace WatchItemInput {

std::optional<double> parseNumber(const QString &text, bool percent)
{
    QString t = text.trimmed();
    if (percent && t.endsWith(u'%'))
        t = t.chopped(1).trimmed();
    // Commas only as thousands groups: "1,5" is refused rather than read as 15.
    static const QRegularExpression grouped(u"\\A[+-]?\\d{1,3}(,\\d{3})+(\\.\\d*)?\\z"_s);
    if (grouped.match(t).hasMatch())
        t.remove(u',');
    static const QRegularExpression plain(u"\\A[+-]?(\\d+\\.?\\d*|\\.\\d+)\\z"_s);
    if (!plain.match(t).hasMatch())
        return std::nullopt;
    if (t.startsWith(u'+'))
        t.remove(0, 1);
    bool ok = false;
    const double value = QLocale::c().toDouble(t, &ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

QString checkHolding(const Holding &holding)
{
    if (!std::isfinite(holding.shares) || !(holding.shares > 0))
        return u"持仓股数须为大于 0 的数字。"_s;
    if (holding.shares > kMaxShares)
        return u"持仓股数过大。"_s;
    if (holding.cost) {
        if (!std::isfinite(*holding.cost) || *holding.cost < 0)
            return u"成本价须为不小于 0 的数字。"_s;
        if (*holding.cost > kMaxPrice)
            return u"成本价过大。"_s;
    }
    return {};
}

QString checkPriceAlert(const PriceAlert &alert)
{
    const bool fits = PriceAlert::isValidValue(alert.kind, alert.value);
    switch (alert.kind) {
    case PriceAlert::Kind::Above:
    case PriceAlert::Kind::Below:
        if (!fits || alert.value > kMaxPrice)
            return u"提醒价位须为大于 0 的数字。"_s;
        break;
    case PriceAlert::Kind::ChangeAbove:
        if (!fits || alert.value > kMaxPercent)
            return u"涨幅提醒须为不小于 0 的百分比，例如 5。"_s;
        break;
    case PriceAlert::Kind::ChangeBelow:
        if (!fits || alert.value < -kMaxPercent)
            return u"跌幅提醒须为不大于 0 的百分比，例如 -3。"_s;
        break;
    }
    return {};
}

QString holdingFromText(const QString &shares, const QString &cost, std::optional<Holding> *holding)
{
    const bool noShares = shares.trimmed().isEmpty();
    const bool noCost = cost.trimmed().isEmpty();
    if (noShares && noCost) {
        *holding = std::nullopt;
        return {};
    }
    if (noShares)
        return u"填写成本价时请同时填写持仓股数。"_s;
    Holding parsed;
    const std::optional<double> count = parseNumber(shares);
    if (!count)
        return u"持仓股数须为大于 0 的数字。"_s;
    parsed.shares = *count;
    if (!noCost) {
        parsed.cost = parseNumber(cost);
        if (!parsed.cost)
            return u"成本价须为不小于 0 的数字。"_s;
    }
    const QString problem = checkHolding(parsed);
    if (problem.isEmpty())
        *holding = parsed;
    return problem;
}

QString priceAlertFromText(PriceAlert::Kind kind, const QString &value, PriceAlert::Repeat repeat,
                           PriceAlert *alert)
{
    PriceAlert parsed;
    parsed.kind = kind;
    parsed.repeat = repeat;
    const bool percent =
        kind == PriceAlert::Kind::ChangeAbove || kind == PriceAlert::Kind::ChangeBelow;
    const std::optional<double> number = parseNumber(value, percent);
    parsed.value = number.value_or(NAN);
    const QString problem = checkPriceAlert(parsed);
    if (problem.isEmpty())
        *alert = parsed;
    return problem;
}

QString exchangeRateFromText(const QString &text, std::optional<double> *rate)
{
    if (text.trimmed().isEmpty()) {
        *rate = std::nullopt;
        return {};
    }
    const std::optional<double> parsed = parseNumber(text);
    if (!parsed || *parsed < kMinRate || *parsed > kMaxRate)
        return u"汇率须为 0.001 到 1000 之间的数字。"_s;
    *rate = parsed;
    return {};
}

} // namespace WatchItemInput
