// SPDX-License-Identifier: GPL-3.0-or-later
// The Sina realtime feed, as the public service writes it (GB 18030, one line a symbol).
#include "sim/MarketSimulator.h"

#include "model/Clock.h"

#include <QLocale>
#include <QStringEncoder>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QString num(double value, int decimals)
{
    return QString::number(value + 0.0, 'f', decimals);
}

QString usTimeText(const QDateTime &newYork)
{
    // "Jul 22 05:36PM EDT"
    const QLocale c = QLocale::c();
    return c.toString(newYork, u"MMM dd hh:mmAP"_s) + u' ' + newYork.timeZoneAbbreviation();
}

// Five bid and five ask levels around the price, as the A-share and index lines carry them.
QStringList bookLevels(double price, double tick, double baseVolume, bool empty)
{
    QStringList fields;
    for (int side = 0; side < 2; ++side) {
        for (int level = 1; level <= 5; ++level) {
            const double p = side == 0 ? price - tick * (level - 1) : price + tick * level;
            const double v = empty ? 0 : std::round(baseVolume * (1.0 + 0.37 * level)) * 100;
            fields << num(v, 0) << num(empty ? 0 : p, 3);
        }
    }
    return fields;
}

} // namespace

QString MarketSimulator::realtimeLine(const SimInstrument &i) const
{
    const QString head = u"var hq_str_"_s + i.symbol + u"=\""_s;
    if (m_unknown.contains(i.symbol))
        return head + u"\";"_s;
    const QDateTime now = m_clock.now();
    SimSnapshot s = m_model.snapshot(i, now);
    spoilIfImplausible(i, {&s.previousClose, &s.open, &s.price, &s.high, &s.low},
                       {&s.volume, &s.amount});
    QStringList f;

    if (i.market == SimMarket::HongKong) {
        const double change = s.price - s.previousClose;
        f << i.englishName << i.name << num(s.open, 3) << num(s.previousClose, 3) << num(s.high, 3)
          << num(s.low, 3) << num(s.price, 3) << num(change, 3)
          << num(s.previousClose > 0 ? change / s.previousClose * 100 : 0, 3)
          << num(s.price - MarketModel::tickSize(i.market, s.price), 3) << num(s.price, 3)
          << num(s.amount, 0) << num(s.volume, 0) << u"21.540"_s << u"0.782"_s
          << num(s.previousClose * 1.38, 3) << num(s.previousClose * 0.71, 3)
          << s.date.toString(u"yyyy/MM/dd"_s) << s.time.toString(u"HH:mm"_s);
        return head + f.join(u',') + u"\";"_s;
    }

    if (i.market == SimMarket::US) {
        const QTimeZone newYork("America/New_York");
        const QDateTime exchange(s.date, s.time, newYork);
        const QDateTime china = exchange.toTimeZone(QTimeZone("Asia/Shanghai"));
        const double change = s.price - s.previousClose;
        const double pct = s.previousClose > 0 ? change / s.previousClose * 100 : 0;
        const QDateTime closeText(s.date, QTime(16, 0), newYork);
        f << i.name << num(s.price, 4) << num(pct, 2) << china.toString(u"yyyy-MM-dd HH:mm:ss"_s)
          << num(change, 4) << num(s.open, 4) << num(s.high, 4) << num(s.low, 4)
          << num(s.previousClose * 1.31, 4) << num(s.previousClose * 0.72, 4) << num(s.volume, 0)
          << num(i.dailyVolume, 0) << num(s.price * 1.49e10, 0) << u"6.43"_s
          << num(s.price / 6.43, 6) << u"0.00"_s << u"0.00"_s << u"1.00"_s << u"0.00"_s
          << u"14935800000"_s << u"63"_s << num(s.price, 4) << u"0.00"_s << u"0.00"_s
          << usTimeText(exchange) << usTimeText(closeText) << num(s.previousClose, 4) << u"0"_s
          << u"1"_s << num(s.date.year(), 0) << num(s.amount, 4);
        return head + f.join(u',') + u"\";"_s;
    }

    // A-shares and indices.
    const bool index = i.market == SimMarket::Index;
    const bool preOpen = s.phase == SimSnapshot::Phase::PreOpen;
    double price = s.price;
    if (s.suspended)
        price = 0;
    if (preOpen && index && i.symbol.startsWith(u"sz"))
        price = 0; // Shenzhen indices publish nothing during the call auction
    const bool emptyBook = s.suspended || index;
    const double open = preOpen || s.suspended ? 0 : s.open;
    const double high = preOpen || s.suspended ? 0 : s.high;
    const double low = preOpen || s.suspended ? 0 : s.low;
    const int decimals = 3;
    const double tick = MarketModel::tickSize(i.market, price);
    f << i.name << num(open, decimals) << num(s.previousClose, decimals) << num(price, decimals)
      << num(high, decimals) << num(low, decimals) << num(emptyBook ? 0 : price, decimals)
      << num(emptyBook ? 0 : price + tick, decimals) << num(s.suspended ? 0 : s.volume, 0)
      << num(s.suspended ? 0 : s.amount, 3);
    f << bookLevels(price, tick, i.dailyVolume / 4.0e5, emptyBook);
    f << s.date.toString(u"yyyy-MM-dd"_s) << s.time.toString(u"HH:mm:ss"_s);
    if (i.symbol.startsWith(u"bj")) {
        // Beijing lines carry six more fields.
        f << u"00"_s << u""_s << u""_s << u""_s << u""_s << u""_s << u""_s;
    } else if (i.symbol.startsWith(u"sh")) {
        f << u"00"_s << u""_s; // Shanghai lines end with an extra field
    } else if (!index && s.phase == SimSnapshot::Phase::AfterClose) {
        // Recent Shenzhen lines add the after-hours fixed-price trade.
        f << u"00"_s
          << u"D|"_s + num(std::round(i.dailyVolume * 0.0004) * 100, 0) + u'|' +
                 num(std::round(i.dailyVolume * 0.04) * s.price, 2);
    } else {
        f << u"00"_s;
    }
    return head + f.join(u',') + u"\";"_s;
}

QString MarketSimulator::realtimeText(const QStringList &symbols) const
{
    QString text;
    for (const QString &raw : symbols) {
        const QString symbol = raw.toLower();
        if (symbol.isEmpty())
            continue;
        if (const SimInstrument *i = m_model.instrument(symbol))
            text += realtimeLine(*i) + u'\n';
        else
            text += u"var hq_str_"_s + symbol + u"=\"\";\n"_s;
    }
    return text;
}

void MarketSimulator::installRealtimeRoute()
{
    m_server.addRoute(
        u"realtime"_s, [](const QString &path) { return path.startsWith(u"/rn="); },
        [this](const SimRequest &request) {
            // The target is a path: /rn=<ms>&list=a,b,c
            const QString path = QUrl::fromPercentEncoding(request.path.toLatin1());
            const qsizetype list = path.indexOf(u"&list="_s);
            const QStringList symbols =
                list < 0 ? QStringList() : path.mid(list + 6).split(u',', Qt::SkipEmptyParts);
            QStringEncoder gb("GB18030");
            SimResponse response;
            response.contentType = "application/javascript; charset=GB18030";
            response.body = gb.encode(realtimeText(symbols));
            return response;
        });
}
