// SPDX-License-Identifier: GPL-3.0-or-later
// Minute series of one trading day: Eastmoney trends, Tencent minute query and Yahoo
// charts, tried in a fixed order per market.
#include "market/SinaClient.h"

#include "intraday/TradingClock.h"
#include "market/Plausibility.h"
#include "market/WireHelpers.h"
#include "model/Clock.h"

#include <QJsonArray>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>

using namespace Qt::StringLiterals;
using marketwire::numberFromText;
using plausibility::isQuantity;
using plausibility::isTradedPrice;

namespace {

void append(MinuteSeries &series, double price, double position, double average, double volume)
{
    series.prices.append(price);
    series.positions.append(position);
    series.averages.append(average);
    series.volumes.append(volume);
}

bool isYahooMarket(const QString &symbol)
{
    return symbol.startsWith(u"gb_") || symbol.startsWith(u"hk");
}

} // namespace

// ---------------------------------------------------------------------------------------
// Parsers

MinuteSeries SinaClient::minuteSeriesFromEastmoneyTrends(const QByteArray &body,
                                                         const QString &symbol)
{
    MinuteSeries series;
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    const QJsonValue trends = doc.object().value(u"data"_s).toObject().value(u"trends"_s);
    if (!doc.isObject() || !trends.isArray())
        return series;
    // The service counts A-share volume in lots; the rest of the system counts shares.
    const double unit = minuteVolumeUnitForSymbol(symbol);
    bool dateTaken = false;
    for (const QJsonValue &line : trends.toArray()) {
        if (!line.isString())
            continue;
        const QString text = line.toString();
        const QList<QStringView> f = QStringView(text).split(u',');
        if (f.size() < 8)
            continue;
        const QStringView stamp = f.at(0);
        if (!dateTaken && stamp.size() >= 10) {
            series.date = stamp.left(10).toString();
            dateTaken = true;
        }
        const QString time = (stamp.size() > 15 ? stamp.mid(11) : stamp).toString();
        double price = numberFromText(f.at(2));
        if (price <= 0)
            price = numberFromText(f.at(1));
        // A minute no market can show is left out, never charted or stored.
        if (!isTradedPrice(price))
            continue;
        double average = numberFromText(f.at(7));
        if (!isTradedPrice(average))
            average = price;
        const double volume = std::max(0.0, numberFromText(f.at(5))) * unit;
        if (!isQuantity(volume))
            continue;
        const double position = KSTradingPositionForIntradayTime(symbol, time);
        if (position < 0)
            continue;
        append(series, price, position, average, volume);
    }
    return series;
}

MinuteSeries SinaClient::minuteSeriesFromTencentMinutes(const QByteArray &body,
                                                        const QString &symbol)
{
    MinuteSeries series;
    const std::optional<QString> code = tencentCodeForSymbol(symbol);
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
        series.date = normalizedDateFromTencentDate(day.value(u"date"_s).toString());
    const QJsonValue lines = day.value(u"data"_s);
    if (!lines.isArray())
        return series;

    // Cumulative volume comes in lots for A-shares but in shares for Hong Kong
    // ("0930 441.400 380150 167797970.000": amount / volume is the price).
    const double unit = minuteVolumeUnitForSymbol(symbol);
    static const QRegularExpression whiteSpace(u"\\s+"_s);
    double largestVolume = 0;
    for (const QJsonValue &line : lines.toArray()) {
        if (!line.isString())
            continue;
        const QStringList pieces = line.toString().split(whiteSpace, Qt::SkipEmptyParts);
        if (pieces.size() < 4 || pieces.at(0).size() < 4)
            continue;
        const QString time = pieces.at(0).left(2) + u':' + pieces.at(0).mid(2, 2);
        const double position = KSTradingPositionForIntradayTime(symbol, time);
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
        append(series, price, position, average, volume);
    }
    return series;
}

MinuteSeries SinaClient::minuteSeriesFromYahooChart(const QByteArray &body, const QString &symbol)
{
    MinuteSeries series;
    const std::optional<QJsonObject> payload = yahooChartPayloadFromData(body);
    if (!payload)
        return series;
    const QString zoneName = marketwire::stringFromJson(
        payload->value(u"meta"_s).toObject().value(u"exchangeTimezoneName"_s));
    const QTimeZone zone = yahooTimeZoneForName(zoneName, symbol);
    const QJsonArray timestamps = payload->value(u"timestamp"_s).toArray();
    const QJsonObject quote =
        payload->value(u"indicators"_s).toObject().value(u"quote"_s).toArray().first().toObject();
    const QJsonValue closes = quote.value(u"close"_s);
    const QJsonValue volumes = quote.value(u"volume"_s);
    const qsizetype count = std::min(timestamps.size(), closes.toArray().size());

    const QLocale posix = QLocale::c();
    double totalVolume = 0;
    double totalValue = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const double close = chartDoubleFromArray(closes, i);
        const double volume = std::max(0.0, chartDoubleFromArray(volumes, i));
        if (!isTradedPrice(close) || !isQuantity(volume))
            continue;
        const std::optional<qint64> stamp = marketwire::epochSecondsFromJson(timestamps.at(i));
        if (!stamp)
            continue;
        const QDateTime moment = QDateTime::fromSecsSinceEpoch(*stamp, zone);
        const double position =
            KSTradingPositionForIntradayTime(symbol, posix.toString(moment.time(), u"HH:mm:ss"_s));
        if (position < 0)
            continue;
        totalVolume += volume;
        totalValue += close * volume;
        double average = totalVolume > 0 ? totalValue / totalVolume : close;
        // Sums that overflowed give no average, like an empty one.
        if (!isTradedPrice(average))
            average = close;
        if (series.prices.isEmpty())
            series.date = posix.toString(moment.date(), u"yyyy-MM-dd"_s);
        append(series, close, position, average, volume);
    }
    return series;
}

// ---------------------------------------------------------------------------------------
// Requests

std::optional<HttpRequest> SinaClient::eastmoneyTrendsRequest(const QString &symbol) const
{
    const std::optional<QString> secid = eastmoneySecIDForSymbol(symbol);
    if (!secid)
        return std::nullopt;
    return getRequest(m_endpoints.eastmoneyHistory, u"/api/qt/stock/trends2/get"_s,
                      {{u"fields1"_s, u"f1,f2,f3,f4,f5,f6,f7,f8,f9,f10,f11,f12,f13"_s},
                       {u"fields2"_s, u"f51,f52,f53,f54,f55,f56,f57,f58"_s},
                       {u"ut"_s, m_endpoints.eastmoneyTrendsUT},
                       {u"ndays"_s, u"1"_s},
                       {u"iscr"_s, u"0"_s},
                       {u"iscca"_s, u"0"_s},
                       {u"secid"_s, *secid},
                       {u"_"_s, QString::number(m_clock.nowMSecs())}},
                      Endpoints::eastmoneyReferer(), kMarketDataTimeoutMs);
}

std::optional<HttpRequest> SinaClient::tencentMinuteRequest(const QString &symbol) const
{
    const std::optional<QString> code = tencentCodeForSymbol(symbol);
    if (!code)
        return std::nullopt;
    return getRequest(m_endpoints.tencent, u"/appstock/app/minute/query"_s, {{u"code"_s, *code}},
                      Endpoints::tencentReferer(), kMarketDataTimeoutMs);
}

// ---------------------------------------------------------------------------------------
// The chain

void SinaClient::fetchIntradayForSymbol(const QString &symbol, MinuteCompletion completion)
{
    const QString s = symbol.toLower();
    if (eastmoneySecIDForSymbol(s)) {
        if (const std::optional<HttpRequest> request = eastmoneyTrendsRequest(s)) {
            fetchEastmoneyIntraday(s, *request, std::move(completion));
            return;
        }
    }
    fetchTencentIntradayForSymbol(s, std::move(completion));
}

void SinaClient::fetchEastmoneyIntraday(const QString &symbol, const HttpRequest &request,
                                        MinuteCompletion completion)
{
    m_http.send(request, this,
                [this, symbol, completion = std::move(completion)](const HttpResponse &response) {
                    MinuteSeries series;
                    if (marketwire::isUsableAnswer(response))
                        series = minuteSeriesFromEastmoneyTrends(response.body, symbol);
                    noteSourceOutcome(u"minute trends (Eastmoney)"_s, !series.isEmpty(), response,
                                      u"Tencent minutes"_s);
                    if (!series.isEmpty()) {
                        completion(series);
                        return;
                    }
                    fetchTencentIntradayForSymbol(symbol, completion);
                });
}

void SinaClient::fetchTencentIntradayForSymbol(const QString &symbol, MinuteCompletion completion)
{
    const QString s = symbol.toLower();
    const std::optional<HttpRequest> request = tencentMinuteRequest(s);
    if (!request) {
        fallBackFromTencent(s, std::move(completion));
        return;
    }
    m_http.send(*request, this,
                [this, s, completion = std::move(completion)](const HttpResponse &response) {
                    const bool usable = marketwire::isUsableAnswer(response);
                    noteSourceOutcome(u"minutes (Tencent)"_s, usable, response,
                                      isYahooMarket(s) ? u"Yahoo chart"_s : QString());
                    if (!usable) {
                        fallBackFromTencent(s, completion);
                        return;
                    }
                    const MinuteSeries series = minuteSeriesFromTencentMinutes(response.body, s);
                    if (series.prices.isEmpty() && isYahooMarket(s)) {
                        fetchYahooIntradayForSymbol(s, completion);
                        return;
                    }
                    // An A-share without Tencent minutes ends here, possibly empty.
                    completion(series);
                });
}

void SinaClient::fallBackFromTencent(const QString &symbol, MinuteCompletion completion)
{
    if (isYahooMarket(symbol)) {
        fetchYahooIntradayForSymbol(symbol, std::move(completion));
        return;
    }
    deliverLater([completion = std::move(completion)] { completion(MinuteSeries()); });
}

void SinaClient::fetchYahooIntradayForSymbol(const QString &symbol, MinuteCompletion completion)
{
    const QString s = symbol.toLower();
    const std::optional<HttpRequest> request = yahooChartRequestForSymbol(s, u"1d"_s, u"1m"_s);
    if (!request) {
        deliverLater([completion = std::move(completion)] { completion(MinuteSeries()); });
        return;
    }
    m_http.send(*request, this,
                [this, s, completion = std::move(completion)](const HttpResponse &response) {
                    const bool usable = marketwire::isUsableAnswer(response);
                    noteSourceOutcome(u"minute chart (Yahoo)"_s, usable, response);
                    if (!usable) {
                        completion(MinuteSeries());
                        return;
                    }
                    completion(minuteSeriesFromYahooChart(response.body, s));
                });
}
