// SPDX-License-Identifier: GPL-3.0-or-later
// Eastmoney's historical push service: minute trends and daily K-lines of A-shares.
#include "sim/MarketSimulator.h"

#include "net/Endpoints.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QString num(double value, int decimals)
{
    return QString::number(value + 0.0, 'f', decimals);
}

// The service counts A-share and index volume in lots of 100 shares.
double lots(double shares)
{
    return std::round(shares / 100.0);
}

SimResponse json(const QJsonValue &data, int rc = 0)
{
    SimResponse response;
    response.contentType = "application/json; charset=utf-8";
    const QJsonObject root{{u"rc"_s, rc},    {u"rt"_s, 17},  {u"svr"_s, 177617938},
                           {u"lt"_s, 1},     {u"full"_s, 0}, {u"dlmkts"_s, u""_s},
                           {u"data"_s, data}};
    response.body = QJsonDocument(root).toJson(QJsonDocument::Compact);
    return response;
}

bool servesChineseMarket(const SimInstrument *i)
{
    return i && (i->market == SimMarket::AShare || i->market == SimMarket::Index);
}

QStringList requestedFields(const SimRequest &r, const QString &key, int first, int last)
{
    QStringList fields = r.queryValue(key).split(u',', Qt::SkipEmptyParts);
    if (fields.isEmpty()) {
        for (int f = first; f <= last; ++f)
            fields << u"f"_s + QString::number(f);
    }
    return fields;
}

qint64 stamp(QDate date, QTime time)
{
    // 202405100930, as the service writes session bounds.
    return date.toString(u"yyyyMMdd"_s).toLongLong() * 10000 + time.hour() * 100 + time.minute();
}

} // namespace

void MarketSimulator::installEastmoneyHistoryRoutes()
{
    m_server.addRoute(
        u"eastmoney-trends"_s, u"/api/qt/stock/trends2/get"_s, [this](const SimRequest &r) {
            // Without the public access value the service hands out nothing.
            if (r.queryValue(u"ut"_s) != Endpoints().eastmoneyTrendsUT)
                return json(QJsonValue::Null, 102);
            const SimInstrument *i = instrumentForSecID(r.queryValue(u"secid"_s));
            if (!servesChineseMarket(i))
                return json(QJsonValue::Null);
            const SimMinuteDay day = minuteDay(*i);
            const bool empty = isEmptyDataRoute(u"eastmoney-trends"_s);
            const QString date = day.date.toString(u"yyyy-MM-dd"_s);
            QJsonArray trends;
            const QStringList fields = requestedFields(r, u"fields2"_s, 51, 58);
            for (const SimMinute &m : day.minutes) {
                if (empty)
                    break;
                QStringList line;
                for (const QString &f : fields) {
                    if (f == u"f51")
                        line << date + u' ' + m.end.toString(u"HH:mm"_s);
                    else if (f == u"f52")
                        line << num(m.open, 2);
                    else if (f == u"f53")
                        line << num(m.close, 2);
                    else if (f == u"f54")
                        line << num(m.high, 2);
                    else if (f == u"f55")
                        line << num(m.low, 2);
                    else if (f == u"f56")
                        line << num(lots(m.volume), 0);
                    else if (f == u"f57")
                        line << num(m.amount, 2);
                    else if (f == u"f58")
                        line << num(m.cumulativeVolume > 0 ? m.cumulativeAmount / m.cumulativeVolume
                                                           : m.close,
                                    3);
                }
                trends.append(line.join(u','));
            }
            const QDate d = day.date;
            const bool shanghai = i->symbol.startsWith(u"sh");
            const QJsonObject data{
                {u"code"_s, i->symbol.mid(2)},
                {u"market"_s, shanghai ? 1 : 0},
                {u"type"_s, i->market == SimMarket::Index ? 5 : 2},
                {u"status"_s, 0},
                {u"name"_s, i->name},
                {u"decimal"_s, 2},
                {u"preSettlement"_s, 0.0},
                {u"preClose"_s, day.previousClose},
                {u"beticks"_s, u"33300|34200|54000|34200|41400|46800|54000"_s},
                {u"trendsTotal"_s, 241},
                {u"time"_s, day.moment.toSecsSinceEpoch()},
                {u"kind"_s, 1},
                {u"prePrice"_s, day.previousClose},
                {u"tradePeriods"_s,
                 QJsonObject{
                     {u"pre"_s, QJsonObject{{u"b"_s, stamp(d, QTime(9, 15))},
                                            {u"e"_s, stamp(d, QTime(9, 30))}}},
                     {u"after"_s, QJsonValue::Null},
                     {u"periods"_s, QJsonArray{QJsonObject{{u"b"_s, stamp(d, QTime(9, 30))},
                                                           {u"e"_s, stamp(d, QTime(11, 30))}},
                                               QJsonObject{{u"b"_s, stamp(d, QTime(13, 0))},
                                                           {u"e"_s, stamp(d, QTime(15, 0))}}}}}},
                {u"trends"_s, trends},
            };
            return json(data);
        });

    m_server.addRoute(
        u"eastmoney-kline"_s, u"/api/qt/stock/kline/get"_s, [this](const SimRequest &r) {
            const SimInstrument *i = instrumentForSecID(r.queryValue(u"secid"_s));
            if (!servesChineseMarket(i) || r.queryValue(u"klt"_s) != u"101")
                return json(QJsonValue::Null);
            bool ok = false;
            int limit = r.queryValue(u"lmt"_s).toInt(&ok);
            if (!ok || limit <= 0)
                limit = 500;
            limit = std::min(limit, 2000);
            // One bar more than asked, for the close before the first.
            QList<SimDailyBar> bars = servedDailyBars(*i, limit + 1);
            const double before = bars.isEmpty() ? 0 : bars.first().close;
            if (bars.size() > limit)
                bars.removeFirst();
            if (isEmptyDataRoute(u"eastmoney-kline"_s))
                bars.clear();
            const QStringList fields = requestedFields(r, u"fields2"_s, 51, 61);
            QJsonArray klines;
            double previous = before;
            for (const SimDailyBar &b : bars) {
                QStringList line;
                for (const QString &f : fields) {
                    if (f == u"f51")
                        line << b.date.toString(u"yyyy-MM-dd"_s);
                    else if (f == u"f52")
                        line << num(b.open, 2);
                    else if (f == u"f53")
                        line << num(b.close, 2);
                    else if (f == u"f54")
                        line << num(b.high, 2);
                    else if (f == u"f55")
                        line << num(b.low, 2);
                    else if (f == u"f56")
                        line << num(lots(b.volume), 0);
                    else if (f == u"f57")
                        line << num(b.amount, 2);
                    else if (f == u"f58")
                        line << num(previous > 0 ? (b.high - b.low) / previous * 100 : 0, 2);
                    else if (f == u"f59")
                        line << num(previous > 0 ? (b.close - previous) / previous * 100 : 0, 2);
                    else if (f == u"f60")
                        line << num(previous > 0 ? b.close - previous : 0, 2);
                    else if (f == u"f61")
                        line << num(b.volume / (i->dailyVolume * 180.0) * 100, 2);
                }
                klines.append(line.join(u','));
                previous = b.close;
            }
            const QJsonObject data{
                {u"code"_s, i->symbol.mid(2)}, {u"market"_s, i->symbol.startsWith(u"sh") ? 1 : 0},
                {u"name"_s, i->name},          {u"decimal"_s, 2},
                {u"dktotal"_s, 4800},          {u"preKPrice"_s, before},
                {u"klines"_s, klines},
            };
            return json(data);
        });
}
