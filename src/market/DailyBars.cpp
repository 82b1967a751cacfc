// SPDX-License-Identifier: GPL-3.0-or-later
// Daily bars: Eastmoney for A-shares, Yahoo for Hong Kong and US stocks.
#include "market/SinaClient.h"

#include "market/Plausibility.h"
#include "market/WireHelpers.h"
#include "model/Clock.h"

#include <QJsonArray>
#include <QLocale>

#include <algorithm>

using namespace Qt::StringLiterals;
using marketwire::numberFromText;

QList<DayRecord> SinaClient::dayRecordsFromEastmoneyKlines(const QByteArray &body)
{
    QList<DayRecord> records;
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    const QJsonValue lines = doc.object().value(u"data"_s).toObject().value(u"klines"_s);
    if (!doc.isObject() || !lines.isArray())
        return records;
    for (const QJsonValue &line : lines.toArray()) {
        if (!line.isString())
            continue;
        const QString text = line.toString();
        const QList<QStringView> f = QStringView(text).split(u',');
        if (f.size() < 7)
            continue;
        DayRecord r;
        r.date = f.at(0).toString();
        r.open = numberFromText(f.at(1));
        r.close = numberFromText(f.at(2));
        r.high = numberFromText(f.at(3));
        r.low = numberFromText(f.at(4));
        r.volume = numberFromText(f.at(5));
        r.amount = numberFromText(f.at(6));
        // A bar no market can show would be kept in the daily cache for the whole day.
        if (r.close > 0 && r.high > 0 && r.low > 0 && plausibility::isDay(r))
            records.append(r);
    }
    return records;
}

QList<DayRecord> SinaClient::dayRecordsFromYahooChart(const QByteArray &body, const QString &symbol)
{
    QList<DayRecord> records;
    const std::optional<QJsonObject> payload = yahooChartPayloadFromData(body);
    if (!payload)
        return records;
    const QString zoneName = marketwire::stringFromJson(
        payload->value(u"meta"_s).toObject().value(u"exchangeTimezoneName"_s));
    const QTimeZone zone = yahooTimeZoneForName(zoneName, symbol);
    const QJsonArray timestamps = payload->value(u"timestamp"_s).toArray();
    const QJsonObject quote =
        payload->value(u"indicators"_s).toObject().value(u"quote"_s).toArray().first().toObject();
    const QJsonValue opens = quote.value(u"open"_s);
    const QJsonValue highs = quote.value(u"high"_s);
    const QJsonValue lows = quote.value(u"low"_s);
    const QJsonValue closes = quote.value(u"close"_s);
    const QJsonValue volumes = quote.value(u"volume"_s);
    const qsizetype count = std::min(timestamps.size(), closes.toArray().size());
    const QLocale posix = QLocale::c();
    for (qsizetype i = 0; i < count; ++i) {
        DayRecord r;
        r.close = chartDoubleFromArray(closes, i);
        r.high = chartDoubleFromArray(highs, i);
        r.low = chartDoubleFromArray(lows, i);
        if (r.close <= 0 || r.high <= 0 || r.low <= 0)
            continue;
        r.open = chartDoubleFromArray(opens, i);
        r.volume = chartDoubleFromArray(volumes, i);
        r.amount = marketwire::finiteOrZero(r.close * std::max(0.0, r.volume));
        if (!plausibility::isDay(r))
            continue;
        if (r.open == 0)
            r.open = r.close;
        if (const std::optional<qint64> stamp =
                marketwire::epochSecondsFromJson(timestamps.at(i))) {
            const QDateTime moment = QDateTime::fromSecsSinceEpoch(*stamp, zone);
            r.date = posix.toString(moment.date(), u"yyyy-MM-dd"_s);
        }
        records.append(r);
    }
    return records;
}

std::optional<HttpRequest> SinaClient::eastmoneyDailyKRequest(const QString &symbol) const
{
    const std::optional<QString> secid = eastmoneySecIDForSymbol(symbol);
    if (!secid)
        return std::nullopt;
    return getRequest(m_endpoints.eastmoneyHistory, u"/api/qt/stock/kline/get"_s,
                      {{u"secid"_s, *secid},
                       {u"fields1"_s, u"f1,f2,f3,f4,f5,f6"_s},
                       {u"fields2"_s, u"f51,f52,f53,f54,f55,f56,f57"_s},
                       {u"klt"_s, u"101"_s},
                       {u"fqt"_s, u"1"_s},
                       {u"end"_s, u"20500101"_s},
                       {u"lmt"_s, QString::number(kDailyBarLimit)},
                       {u"_"_s, QString::number(m_clock.nowMSecs())}},
                      Endpoints::eastmoneyReferer(), kMarketDataTimeoutMs);
}

void SinaClient::fetchDailyKForSymbol(const QString &symbol, DailyCompletion completion)
{
    const QString s = symbol.toLower();
    if (eastmoneySecIDForSymbol(s)) {
        // An Eastmoney failure is final: Yahoo's A-share bars are not used.
        const std::optional<HttpRequest> request = eastmoneyDailyKRequest(s);
        if (!request) {
            deliverLater([completion = std::move(completion)] { completion({}); });
            return;
        }
        m_http.send(*request, this,
                    [this, completion = std::move(completion)](const HttpResponse &response) {
                        noteSourceOutcome(u"daily bars (Eastmoney)"_s,
                                          marketwire::isUsableAnswer(response), response);
                        completion(marketwire::isUsableAnswer(response)
                                       ? dayRecordsFromEastmoneyKlines(response.body)
                                       : QList<DayRecord>());
                    });
        return;
    }
    if (s.startsWith(u"gb_") || s.startsWith(u"hk")) {
        fetchYahooDailyKForSymbol(s, std::move(completion));
        return;
    }
    deliverLater([completion = std::move(completion)] { completion({}); });
}

void SinaClient::fetchYahooDailyKForSymbol(const QString &symbol, DailyCompletion completion)
{
    const QString s = symbol.toLower();
    const std::optional<HttpRequest> request = yahooChartRequestForSymbol(s, u"6mo"_s, u"1d"_s);
    if (!request) {
        deliverLater([completion = std::move(completion)] { completion({}); });
        return;
    }
    m_http.send(*request, this,
                [this, s, completion = std::move(completion)](const HttpResponse &response) {
                    noteSourceOutcome(u"daily chart (Yahoo)"_s,
                                      marketwire::isUsableAnswer(response), response);
                    completion(marketwire::isUsableAnswer(response)
                                   ? dayRecordsFromYahooChart(response.body, s)
                                   : QList<DayRecord>());
                });
}
