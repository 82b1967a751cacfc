// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>

#include <optional>

// A position held in a watched stock: the number of shares (A-shares too are counted in
// shares, not lots) and, when the user gave it, the cost price per share. Stored in the
// watch item as the optional numbers `shares` and `cost`.
struct Holding
{
    double shares = 0;
    std::optional<double> cost;

    // The item's position; none when it has none, or when its numbers are not a position
    // (shares not above zero, a negative or non-numeric cost: written by hand or another
    // tool). Such fields stay in the file untouched.
    static std::optional<Holding> fromItem(const QJsonObject &item);
    // The item with this position's fields, or with them removed for none.
    static QJsonObject withHolding(QJsonObject item, const std::optional<Holding> &holding);

    bool operator==(const Holding &) const = default;
};
