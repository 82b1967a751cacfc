// SPDX-License-Identifier: GPL-3.0-or-later
// Yahoo's chart service for Hong Kong and US stocks: minute bars of the day and daily bars,
// stamped in seconds and read in the exchange's own time zone.
#include "sim/MarketSimulator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

// The service stores prices as single-precision floats: 101.2 comes back 101.19999694824219.
QJsonValue price(double value)
{
    return static_cast<double>(static_cast<float>(value));
}

struct Bar
{
    qint64 stamp = 0;
    double open = 0, high = 0, low = 0, close = 0, volume = 0;
    bool null = false;
};

SimResponse chartError(int status, const QString &code, const QString &description)
{
    SimResponse response;
    response.status = status;
    response.contentType = "application/json;charset=utf-8";
    const QJsonObject error{{u"code"_s, code}, {u"description"_s, description}};
    response.body =
        QJsonDocument(QJsonObject{{u"chart"_s, QJsonObject{{u"result"_s, QJsonValue::Null},
                                                           {u"error"_s, error}}}})
            .toJson(QJsonDocument::Compact);
    return response;
}

QJsonObject period(const QDateTime &start, const QDateTime &end)
{
    return QJsonObject{{u"timezone"_s, start.timeZoneAbbreviation()},
                       {u"start"_s, start.toSecsSinceEpoch()},
                       {u"end"_s, end.toSecsSinceEpoch()},
                       {u"gmtoffset"_s, start.offsetFromUtc()}};
}

// How far back a range reaches, or an invalid date for a range the service does not know.
QDate rangeStart(const QString &range, QDate today)
{
    static const QRegularExpression pattern(u"^(\\d+)(d|mo|y)$"_s);
    if (range == u"ytd")
        return QDate(today.year(), 1, 1).addDays(-1);
    if (range == u"max")
        return today.addYears(-10);
    const QRegularExpressionMatch m = pattern.match(range);
    if (!m.hasMatch())
        return {};
    const int n = m.captured(1).toInt();
    const QString unit = m.captured(2);
    if (unit == u"d")
        return today.addDays(-n);
    return unit == u"mo" ? today.addMonths(-n) : today.addYears(-n);
}

} // namespace

void MarketSimulator::installYahooChartRoute()
{
    m_server.addRoute(
        u"yahoo-chart"_s,
        [](const QString &path) { return path.startsWith(u"/v8/finance/chart/"); },
        [this](const SimRequest &r) {
            const QString chartSymbol =
                QUrl::fromPercentEncoding(r.path.mid(18).toLatin1()).trimmed();
            const SimInstrument *i = instrumentForYahooSymbol(chartSymbol);
            if (!i)
                return chartError(404, u"Not Found"_s, u"No data found, symbol may be delisted"_s);
            const QString range = r.queryValue(u"range"_s);
            const QString interval = r.queryValue(u"interval"_s);
            const bool minutes = interval == u"1m";
            if (!(minutes && range == u"1d") && interval != u"1d")
                return chartError(422, u"Unprocessable Entity"_s,
                                  u"1m data not available for startTime and endTime"_s);

            const bool us = i->market == SimMarket::US;
            const QTimeZone zone = MarketModel::zoneFor(i->market);
            const SimMinuteDay day = minuteDay(*i);
            const SimSnapshot &s = day.snapshot;
            const bool empty = isEmptyDataRoute(u"yahoo-chart"_s);
            QList<Bar> bars;
            double chartPreviousClose = day.previousClose;

            if (minutes && !empty) {
                // The opening cross is part of the first minute bar.
                double carryVolume = 0;
                for (const SimMinute &m : day.minutes) {
                    if (m.auction) {
                        carryVolume += m.volume;
                        continue;
                    }
                    Bar b;
                    b.stamp = m.partial ? day.moment.toSecsSinceEpoch()
                                        : QDateTime(day.date, m.start, zone).toSecsSinceEpoch();
                    b.open = m.open;
                    b.high = m.high;
                    b.low = m.low;
                    b.close = m.close;
                    b.volume = m.volume + carryVolume;
                    carryVolume = 0;
                    bars.append(b);
                }
                if (carryVolume > 0 && !day.minutes.isEmpty() &&
                    s.phase != SimSnapshot::Phase::OpenAuction) {
                    // Only the opening cross so far: one bar at the open.
                    const SimMinute &a = day.minutes.first();
                    bars.append(Bar{QDateTime(day.date, QTime(9, 30), zone).toSecsSinceEpoch(),
                                    a.open, a.high, a.low, a.close, carryVolume, false});
                }
                // Quiet minutes come back all null; what traded in them shows up in the
                // next bar, so the day's total still matches the quote.
                for (qsizetype k = 1; k + 1 < bars.size(); ++k) {
                    const quint64 h = SimRandom::hash(
                        i->symbol + day.date.toString(Qt::ISODate) + QString::number(k), 29);
                    if (h % 31 == 0) {
                        bars[k + 1].volume += bars[k].volume;
                        bars[k].null = true;
                    }
                }
            } else if (!minutes && !empty) {
                const QDate today = day.moment.date();
                const QDate from = rangeStart(range, today);
                if (!from.isValid())
                    return chartError(422, u"Unprocessable Entity"_s, u"Invalid input - range"_s);
                int count = 0;
                for (QDate d = from.addDays(1); d <= today; d = d.addDays(1))
                    count += MarketModel::isTradingDay(d) ? 1 : 0;
                const QList<SimDailyBar> daily = servedDailyBars(*i, count + 1);
                for (qsizetype k = 0; k < daily.size(); ++k) {
                    const SimDailyBar &d = daily.at(k);
                    if (k == 0 && daily.size() > count) {
                        chartPreviousClose = d.close;
                        continue;
                    }
                    // Daily bars carry the exchange's 09:30 open as their stamp.
                    bars.append(Bar{QDateTime(d.date, QTime(9, 30), zone).toSecsSinceEpoch(),
                                    d.open, d.high, d.low, d.close, d.volume, false});
                }
            }

            const QDateTime open(day.date, QTime(9, 30), zone);
            const QDateTime close(day.date, QTime(16, 0), zone);
            QJsonObject meta{
                {u"currency"_s, us ? u"USD"_s : u"HKD"_s},
                {u"symbol"_s, chartSymbol.toUpper()},
                {u"exchangeName"_s, us ? u"NMS"_s : u"HKG"_s},
                {u"fullExchangeName"_s, us ? u"NasdaqGS"_s : u"HKSE"_s},
                {u"instrumentType"_s, u"EQUITY"_s},
                {u"firstTradeDate"_s, 345479400},
                {u"regularMarketTime"_s, day.moment.toSecsSinceEpoch()},
                {u"hasPrePostMarketData"_s, us},
                {u"gmtoffset"_s, day.moment.offsetFromUtc()},
                {u"timezone"_s, day.moment.timeZoneAbbreviation()},
                {u"exchangeTimezoneName"_s, QString::fromUtf8(zone.id())},
                {u"regularMarketPrice"_s, price(s.price)},
                {u"regularMarketDayHigh"_s, price(s.high)},
                {u"regularMarketDayLow"_s, price(s.low)},
                {u"regularMarketVolume"_s, s.volume},
                {u"longName"_s, i->englishName},
                {u"shortName"_s, i->englishName},
                {u"chartPreviousClose"_s, price(chartPreviousClose)},
                {u"priceHint"_s, 2},
                {u"currentTradingPeriod"_s,
                 QJsonObject{{u"pre"_s, period(open.addSecs(-5 * 3600), open)},
                             {u"regular"_s, period(open, close)},
                             {u"post"_s, period(close, close.addSecs(4 * 3600))}}},
                {u"dataGranularity"_s, interval},
                {u"range"_s, range},
                {u"validRanges"_s,
                 QJsonArray{u"1d"_s, u"5d"_s, u"1mo"_s, u"3mo"_s, u"6mo"_s, u"1y"_s, u"2y"_s,
                            u"5y"_s, u"10y"_s, u"ytd"_s, u"max"_s}},
            };
            if (minutes) {
                meta.insert(u"previousClose"_s, price(day.previousClose));
                meta.insert(u"scale"_s, 3);
                meta.insert(u"tradingPeriods"_s, QJsonArray{QJsonArray{period(open, close)}});
            }

            QJsonObject result{{u"meta"_s, meta}};
            if (bars.isEmpty()) {
                // Nothing traded yet: the answer has no timestamps at all.
                result.insert(u"indicators"_s,
                              QJsonObject{{u"quote"_s, QJsonArray{QJsonObject()}}});
            } else {
                QJsonArray stamps, opens, highs, lows, closes, volumes, adjusted;
                for (const Bar &b : bars) {
                    stamps.append(b.stamp);
                    opens.append(b.null ? QJsonValue(QJsonValue::Null) : price(b.open));
                    highs.append(b.null ? QJsonValue(QJsonValue::Null) : price(b.high));
                    lows.append(b.null ? QJsonValue(QJsonValue::Null) : price(b.low));
                    closes.append(b.null ? QJsonValue(QJsonValue::Null) : price(b.close));
                    volumes.append(b.null ? QJsonValue(QJsonValue::Null) : QJsonValue(b.volume));
                    adjusted.append(price(b.close));
                }
                result.insert(u"timestamp"_s, stamps);
                QJsonObject indicators{
                    {u"quote"_s, QJsonArray{QJsonObject{{u"open"_s, opens},
                                                        {u"high"_s, highs},
                                                        {u"low"_s, lows},
                                                        {u"close"_s, closes},
                                                        {u"volume"_s, volumes}}}}};
                if (!minutes)
                    indicators.insert(u"adjclose"_s,
                                      QJsonArray{QJsonObject{{u"adjclose"_s, adjusted}}});
                result.insert(u"indicators"_s, indicators);
            }
            SimResponse response;
            response.contentType = "application/json;charset=utf-8";
            response.body =
                QJsonDocument(
                    QJsonObject{{u"chart"_s, QJsonObject{{u"result"_s, QJsonArray{result}},
                                                         {u"error"_s, QJsonValue::Null}}}})
                    .toJson(QJsonDocument::Compact);
            return response;
        });
}
