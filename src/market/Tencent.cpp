// SPDX-License-Identifier: GPL-3.0-or-later
#include "market/Tencent.h"

#include "intraday/TradingClock.h"
#include "market/Plausibility.h"
#include "market/WireHelpers.h"
#include "model/Symbol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>

using namespace Qt::StringLiterals;
using marketwire::numberFromText;
using plausibility::isQuantity;
using plausibility::isTradedPrice;

namespace tencent {

std::optional<HttpRequest> minuteRequest(const Endpoints &endpoints, const Symbol &symbol)
{
    const std::optional<QString> code = symbol.tencentCode();
    if (!code)
        return std::nullopt;
    return marketwire::getRequest(endpoints.tencent, u"/appstock/app/minute/query"_s,
                                  {{u"code"_s, *code}}, Endpoints::tencentReferer(),
                                  marketwire::kMarketDataTimeoutMs);
}

QString normalizedDate(const QString &date)
{
    if (date.size() != 8)
        return date;
    return date.left(4) + u'-' + date.mid(4, 2) + u'-' + date.mid(6, 2);
}

MinuteSeries minuteSeriesFromMinutes(const QByteArray &body, const Symbol &symbol)
{
    MinuteSeries series;
    const std::optional<QString> code = symbol.tencentCode();
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (!code || !doc.isObject())
        return series;
    const QJsonValue dataValue = doc.object().value(u"data"_s);
    if (!dataValue.isObject())
        return series;
    const QJsonValue codeValue = dataValue.toObject().value(*code);
    if (!codeValue.isObject())
        return series;
    const QJsonValue dayValue = codeValue.toObject().value(u"data"_s);
    if (!dayValue.isObject())
        return series;
    const QJsonObject day = dayValue.toObject();
    if (day.value(u"date"_s).isString())
        series.date = normalizedDate(day.value(u"date"_s).toString());
    const QJsonValue lines = day.value(u"data"_s);
    if (!lines.isArray())
        return series;

    // Cumulative volume comes in lots for A-shares but in shares for Hong Kong
    // ("0930 441.400 380150 167797970.000": amount / volume is the price).
    const double unit = symbol.volumeUnit();
    static const QRegularExpression whiteSpace(u"\\s+"_s);
    double largestVolume = 0;
    for (const QJsonValue &line : lines.toArray()) {
        if (!line.isString())
            continue;
        const QStringList pieces = line.toString().split(whiteSpace, Qt::SkipEmptyParts);
        if (pieces.size() < 4 || pieces.at(0).size() < 4)
            continue;
        const QString time = pieces.at(0).left(2) + u':' + pieces.at(0).mid(2, 2);
        const double position = TradingClock::position(symbol.stored(), time);
        if (position < 0)
            continue;
        const double price = numberFromText(pieces.at(1));
        const double cumulativeVolume = numberFromText(pieces.at(2)) * unit;
        const double cumulativeAmount = numberFromText(pieces.at(3));
        // Checked before the running total takes the volume, so a broken line leaves the
        // next minute's volume as it is.
        if (!isTradedPrice(price) || !isQuantity(cumulativeVolume) || !isQuantity(cumulativeAmount))
            continue;
        double average = cumulativeVolume > 0 ? cumulativeAmount / cumulativeVolume : price;
        if (!isTradedPrice(average))
            average = price;
        const double volume = std::max(0.0, cumulativeVolume - largestVolume);
        largestVolume = std::max(largestVolume, cumulativeVolume);
        series.append(price, position, average, volume);
    }
    return series;
}

} // namespace tencent
