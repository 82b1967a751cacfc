// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/EnumText.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

struct Quote;

// One price condition the user set on a watch item: the price at or above / at or below a
// level, or today's change at or beyond a percentage (changeBelow holds a negative one).
// Stored in the item's `priceAlerts` array as {"kind", "value", "repeat"} plus `firedOn`,
// the trading date it last fired, which keeps a fired condition quiet across restarts.
struct PriceAlert
{
    enum class Kind
    {
        Above,
        Below,
        ChangeAbove,
        ChangeBelow,
    };
    enum class Repeat
    {
        Once,  // switched off once it has fired
        Daily, // fires at most once per trading day
    };

    Kind kind = Kind::Above;
    double value = 0;
    Repeat repeat = Repeat::Once;
    QString firedOn; // yyyy-MM-dd, empty while it has never fired
    // The stored object as read, so keys other tools added survive a rewrite.
    QJsonObject stored;

    // None for an object that is not a usable condition (unknown kind, a value that is no
    // finite number or of the wrong sign for its kind).
    static std::optional<PriceAlert> fromJson(const QJsonObject &object);
    QJsonObject toJson() const;
    // The item's usable conditions, in stored order.
    static QList<PriceAlert> listFromItem(const QJsonObject &item);
    // The item with these conditions; the key goes away when the list is empty. Entries of
    // the stored array that were not usable conditions are kept as they were.
    static QJsonObject withAlerts(QJsonObject item, const QList<PriceAlert> &alerts);
    // A value of the wrong sign or no finite number for this kind.
    static bool isValidValue(Kind kind, double value);

    // Still able to fire: a daily condition always, a once condition until it has fired.
    bool isArmed() const { return repeat == Repeat::Daily || firedOn.isEmpty(); }
    // Able to fire on this trading date.
    bool isArmedOn(const QString &tradingDate) const
    {
        return repeat == Repeat::Daily ? firedOn != tradingDate : firedOn.isEmpty();
    }
    // The quote meets the condition (a level reached exactly counts). A quote without a
    // price or previous close (a placeholder) never does.
    bool isMetBy(const Quote &quote) const;
    // The same condition, whatever its firing record says.
    bool sameCondition(const PriceAlert &other) const
    {
        return kind == other.kind && value == other.value && repeat == other.repeat;
    }

    // The notification's title: "贵州茅台 突破 1500.00", "腾讯控股 跌幅达 -3.00%".
    QString titleFor(const QString &name) const;
    // The condition in words for the form and the import summary: "突破 1500.00".
    QString description() const;
};

template<>
struct EnumTexts<PriceAlert::Kind>
{
    static constexpr std::array<const char16_t *, 4> texts{u"above", u"below", u"changeAbove",
                                                           u"changeBelow"};
};

template<>
struct EnumTexts<PriceAlert::Repeat>
{
    static constexpr std::array<const char16_t *, 2> texts{u"once", u"daily"};
};

// Whether the item has a condition that can still fire (the row's bell).
bool hasArmedPriceAlerts(const QJsonObject &item);
