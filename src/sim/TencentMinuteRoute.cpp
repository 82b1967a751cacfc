// SPDX-License-Identifier: GPL-3.0-or-later
// Tencent's minute query: one line a minute with cumulative volume and value.
#include "sim/MarketSimulator.h"

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

} // namespace

void MarketSimulator::installTencentMinuteRoute()
{
    m_server.addRoute(
        u"tencent-minute"_s, u"/appstock/app/minute/query"_s, [this](const SimRequest &r) {
            SimResponse response;
            response.contentType = "application/json; charset=utf-8";
            const QString code = r.queryValue(u"code"_s).toLower();
            const SimInstrument *i = code.startsWith(u"gb_") ? nullptr : instrumentForSecID(code);
            if (!i || i->market == SimMarket::US) {
                response.body = QJsonDocument(QJsonObject{{u"code"_s, -1},
                                                          {u"msg"_s, u"param error"_s},
                                                          {u"data"_s, QJsonArray()}})
                                    .toJson(QJsonDocument::Compact);
                return response;
            }
            const SimMinuteDay day = minuteDay(*i);
            const bool hk = i->market == SimMarket::HongKong;
            const bool empty = isEmptyDataRoute(u"tencent-minute"_s);
            // A-shares and indices count cumulative volume in lots of 100, Hong Kong in
            // shares: "0930 441.400 380150 167797970.000".
            const double unit = hk ? 1.0 : 100.0;
            const int decimals = hk ? 3 : 2;
            QJsonArray lines;
            for (const SimMinute &m : day.minutes) {
                if (empty)
                    break;
                lines.append(QString(m.end.toString(u"HHmm"_s) + u' ' + num(m.close, decimals) +
                                     u' ' + num(std::round(m.cumulativeVolume / unit), 0) + u' ' +
                                     num(m.cumulativeAmount, decimals)));
            }
            // Hong Kong's closing auction trades at 16:08.
            if (hk && !empty && day.snapshot.phase == SimSnapshot::Phase::AfterClose &&
                !day.minutes.isEmpty()) {
                const SimMinute &last = day.minutes.last();
                lines.append(QString(u"1608 "_s + num(last.close, decimals) + u' ' +
                                     num(last.cumulativeVolume, 0) + u' ' +
                                     num(last.cumulativeAmount, decimals)));
            }
            const QString market = day.moment.toString(u"yyyy-MM-dd HH:mm:ss"_s);
            const QJsonObject body{
                {u"data"_s,
                 QJsonObject{{u"data"_s, lines}, {u"date"_s, day.date.toString(u"yyyyMMdd"_s)}}},
                {u"qt"_s, QJsonObject{{u"market"_s, QJsonArray{market}}}},
                {u"mx_price"_s, QJsonObject{{u"mx"_s, QJsonObject{{u"data"_s, QJsonArray()},
                                                                  {u"timeline"_s, QJsonArray()}}},
                                            {u"price"_s, QJsonObject{{u"data"_s, QJsonArray()}}}}},
                {u"prec"_s, num(day.previousClose, decimals)},
                {u"fsStartTime"_s, u"0930"_s},
            };
            response.body = QJsonDocument(QJsonObject{{u"code"_s, 0},
                                                      {u"msg"_s, u""_s},
                                                      {u"data"_s, QJsonObject{{code, body}}}})
                                .toJson(QJsonDocument::Compact);
            return response;
        });
}
