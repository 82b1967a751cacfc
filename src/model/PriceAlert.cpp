// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/PriceAlert.h"

#include "model/Formatters.h"
#include "model/Quote.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

std::optional<PriceAlert> PriceAlert::fromJson(const QJsonObject &object)
{
    const auto kind = fromText<Kind>(object.value(u"kind"_s).toString());
    const QJsonValue value = object.value(u"value"_s);
    if (!kind || !value.isDouble() || !isValidValue(*kind, value.toDouble()))
        return std::nullopt;
    PriceAlert alert;
    alert.kind = *kind;
    alert.value = value.toDouble();
    // A missing or unknown repeat mode reads as once: it can never fire more often than asked.
    alert.repeat = fromText<Repeat>(object.value(u"repeat"_s).toString()).value_or(Repeat::Once);
    alert.firedOn = object.value(u"firedOn"_s).toString();
    alert.stored = object;
    return alert;
}

QJsonObject PriceAlert::toJson() const
{
    QJsonObject object = stored;
    object.insert(u"kind"_s, toText(kind));
    object.insert(u"value"_s, value);
    object.insert(u"repeat"_s, toText(repeat));
    if (firedOn.isEmpty())
        object.remove(u"firedOn"_s);
    else
        object.insert(u"firedOn"_s, firedOn);
    return object;
}

bool PriceAlert::isValidValue(Kind kind, double value)
{
    if (!std::isfinite(value))
        return false;
    switch (kind) {
    case Kind::Above:
    case Kind::Below:
        return value > 0;
    case Kind::ChangeAbove:
        return value >= 0;
    case Kind::ChangeBelow:
        return value <= 0;
    }
    return false;
}

QList<PriceAlert> PriceAlert::listFromItem(const QJsonObject &item)
{
    QList<PriceAlert> alerts;
    for (const QJsonValue &entry : item.value(u"priceAlerts"_s).toArray()) {
        if (const auto alert = fromJson(entry.toObject()))
            alerts.append(*alert);
    }
    return alerts;
}

QJsonObject PriceAlert::withAlerts(QJsonObject item, const QList<PriceAlert> &alerts)
{
    QJsonArray array;
    for (const QJsonValue &entry : item.value(u"priceAlerts"_s).toArray()) {
        if (!fromJson(entry.toObject()))
            array.append(entry);
    }
    for (const PriceAlert &alert : alerts)
        array.append(alert.toJson());
    if (array.isEmpty())
        item.remove(u"priceAlerts"_s);
    else
        item.insert(u"priceAlerts"_s, array);
    return item;
}

bool PriceAlert::isMetBy(const Quote &quote) const
{
    if (!(quote.price > 0) || !(quote.previousClose > 0))
        return false;
    // Compared at the precision shown, so a level typed as 1500 is met by 1500.00 whatever
    // the binary fractions of the feed's numbers.
    const auto cents = [](double v) {
        return std::llround(v * 100.0);
    };
    switch (kind) {
    case Kind::Above:
        return std::llround(quote.price * 1000.0) >= std::llround(value * 1000.0);
    case Kind::Below:
        return std::llround(quote.price * 1000.0) <= std::llround(value * 1000.0);
    case Kind::ChangeAbove:
        return cents(quote.changePercent()) >= cents(value);
    case Kind::ChangeBelow:
        return cents(quote.changePercent()) <= cents(value);
    }
    return false;
}

QString PriceAlert::description() const
{
    switch (kind) {
    case Kind::Above:
        return u"突破 "_s + formatPrice(value);
    case Kind::Below:
        return u"跌破 "_s + formatPrice(value);
    case Kind::ChangeAbove:
        return u"涨幅达 "_s + formatPercent(value);
    case Kind::ChangeBelow:
        return u"跌幅达 "_s + formatPercent(value);
    }
    return {};
}

QString PriceAlert::titleFor(const QString &name) const
{
    return name + u' ' + description();
}

bool hasArmedPriceAlerts(const QJsonObject &item)
{
    const QList<PriceAlert> alerts = PriceAlert::listFromItem(item);
    return std::any_of(alerts.begin(), alerts.end(),
                       [](const PriceAlert &alert) { return alert.isArmed(); });
}
