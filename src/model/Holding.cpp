// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Holding.h"

#include <cmath>

using namespace Qt::StringLiterals;

std::optional<Holding> Holding::fromItem(const QJsonObject &item)
{
    const QJsonValue shares = item.value(u"shares"_s);
    if (!shares.isDouble() || !std::isfinite(shares.toDouble()) || !(shares.toDouble() > 0))
        return std::nullopt;
    Holding holding;
    holding.shares = shares.toDouble();
    if (item.contains(u"cost"_s)) {
        const QJsonValue cost = item.value(u"cost"_s);
        if (!cost.isDouble() || !std::isfinite(cost.toDouble()) || cost.toDouble() < 0)
            return std::nullopt;
        holding.cost = cost.toDouble();
    }
    return holding;
}

QJsonObject Holding::withHolding(QJsonObject item, const std::optional<Holding> &holding)
{
    item.remove(u"shares"_s);
    item.remove(u"cost"_s);
    if (holding) {
        item.insert(u"shares"_s, holding->shares);
        if (holding->cost)
            item.insert(u"cost"_s, *holding->cost);
    }
    return item;
}
