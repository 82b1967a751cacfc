// SPDX-License-Identifier: GPL-3.0-or-later
#include "market/Yahoo.h"

#include "intraday/TradingClock.h"
#include "market/Plausibility.h"
#include "market/WireHelpers.h"
#include "model/Symbol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <algorithm>

using namespace Qt::StringLiterals;
using plausibility::isQuantity;
using plausibility::isTradedPrice;

namespace {

// A number, or a string holding one; anything else (JSON null and a missing entry included)
// reads 0.
double numberAt(const QJsonArray &values, qsizetype index)
{
    return index < values.size() ? marketwire::numberFromJson(values.at(index)) : 0;
}

} // namespace

namespace yahoo {

std::optional<HttpRequest> chartRequest(const Endpoints &endpoints, const Symbol &symbol,
                                        const QString &range, const QString &interval)
{
    const std::optional<QString> chartSymbol = symbol.yahooSymbol();
    if (!chartSymbol || chartSymbol->isEmpty())
        return std::nullopt;
    const QString path =
        u"/v8/finance/chart/"_s + QString::fromLatin1(QUrl::toPercentEncoding(*chartSymbol));
    return marketwire::getRequest(endpoints.yahoo, path,
                                  {{u"range"_s, range}, {u"interval"_s, interval}},
                                  Endpoints::yahooReferer(), marketwire::kMarketDataTimeoutMs);
}

Chart chartFromData(const QByteArray &body, const Symbol &symbol)
{
    Chart chart;
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    const QJsonValue result = doc.object().value(u"chart"_s).toObject().value(u"result"_s);
    const QJsonValue first = result.toArray().first();
    if (!doc.isObject() || !result.isArray() || !first.isObject())
        return chart;
    const QJsonObject payload = first.toObject();
    chart.zone =
        timeZoneForName(marketwire::stringFromJson(
                            payload.value(u"meta"_s).toObject().value(u"exchangeTimezoneName"_s)),
                        symbol);
    const QJsonArray timestamps = payload.value(u"timestamp"_s).toArray();
    const QJsonObject quote =
        payload.value(u"indicators"_s).toObject().value(u"quote"_s).toArray().first().toObject();
    const QJsonArray opens = quote.value(u"open"_s).toArray();
    const QJsonArray highs = quote.value(u"high"_s).toArray();
    const QJsonArray lows = quote.value(u"low"_s).toArray();
    const QJsonArray closes = quote.value(u"close"_s).toArray();
    const QJsonArray volumes = quote.value(u"volume"_s).toArray();
    const qsizetype count = std::min(timestamps.size(), closes.size());
    chart.rows.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        chart.rows.append({marketwire::epochSecondsFromJson(timestamps.at(i)), numberAt(opens, i),
                           numberAt(highs, i), numberAt(lows, i), numberAt(closes, i),
                           numberAt(volumes, i)});
    }
    return chart;
}

MinuteSeries minuteSeriesFromChart(const QByteArray &body, const Symbol &symbol)
{
    MinuteSeries series;
    const Chart chart = chartFromData(body, symbol);
    const QLocale posix = QLocale::c();
    double totalVolume = 0;
    double totalValue = 0;
    for (const ChartRow &row : chart.rows) {
        const double volume = std::max(0.0, row.volume);
        if (!isTradedPrice(row.close) || !isQuantity(volume) || !row.stamp)
            continue;
        const QDateTime moment = QDateTime::fromSecsSinceEpoch(*row.stamp, chart.zone);
        const double position =
            TradingClock::position(symbol.stored(), posix.toString(moment.time(), u"HH:mm:ss"_s));
        if (position < 0)
            continue;
        totalVolume += volume;
        totalValue += row.close * volume;
        double average = totalVolume > 0 ? totalValue / totalVolume : row.close;
        // Sums that overflowed give no average, like an empty one.
        if (!isTradedPrice(average))
            average = row.close;
        if (series.prices.isEmpty())
            series.date = posix.toString(moment.date(), u"yyyy-MM-dd"_s);
        series.append(row.close, position, average, volume);
    }
    return series;
}

QList<DayRecord> dayRecordsFromChart(const QByteArray &body, const Symbol &symbol)
{
    QList<DayRecord> records;
    const Chart chart = chartFromData(body, symbol);
    const QLocale posix = QLocale::c();
    for (const ChartRow &row : chart.rows) {
        DayRecord r;
        r.close = row.close;
        r.high = row.high;
        r.low = row.low;
        if (r.close <= 0 || r.high <= 0 || r.low <= 0)
            continue;
        r.open = row.open;
        r.volume = row.volume;
        r.amount = marketwire::finiteOrZero(r.close * std::max(0.0, r.volume));
        if (!plausibility::isDay(r))
            continue;
        if (r.open == 0)
            r.open = r.close;
        if (row.stamp) {
            const QDateTime moment = QDateTime::fromSecsSinceEpoch(*row.stamp, chart.zone);
            r.date = posix.toString(moment.date(), u"yyyy-MM-dd"_s);
        }
        records.append(r);
    }
    return records;
}

QTimeZone timeZoneForName(const QString &name, const Symbol &symbol)
{
    if (!name.isEmpty()) {
        const QTimeZone zone(name.toUtf8());
        if (zone.isValid())
            return zone;
    }
    // Exchange stamps read in the machine's zone would shift every minute off the axis.
    switch (symbol.market()) {
    case Market::HongKong:
        return QTimeZone("Asia/Hong_Kong");
    case Market::US:
        return QTimeZone("America/New_York");
    default:
        return QTimeZone::systemTimeZone();
    }
}

} // namespace yahoo
