// SPDX-License-Identifier: GPL-3.0-or-later
// The minute lines and daily bars every history route serves, cut at the clock's moment
// from the same model day the realtime route reads, so all of them agree.
#include "sim/MarketSimulator.h"

#include "model/Clock.h"

using namespace Qt::StringLiterals;

void MarketSimulator::spoilIfImplausible(const SimInstrument &i,
                                         std::initializer_list<double *> prices,
                                         std::initializer_list<double *> quantities) const
{
    if (!m_implausible.contains(i.symbol))
        return;
    for (double *price : prices)
        *price *= 1e300;
    for (double *quantity : quantities)
        *quantity = -1 - *quantity;
}

SimMinuteDay MarketSimulator::minuteDay(const SimInstrument &i) const
{
    SimMinuteDay out;
    const QDateTime now = m_clock.now();
    out.moment = now.toTimeZone(MarketModel::zoneFor(i.market));
    const SimSnapshot s = m_model.snapshot(i, now);
    out.snapshot = s;
    out.date = s.date;
    out.previousClose = s.previousClose;
    // Nothing has traded yet in the call auction, and a suspended stock trades nothing.
    if (s.suspended || s.phase == SimSnapshot::Phase::PreOpen ||
        s.phase == SimSnapshot::Phase::Closed)
        return out;

    const std::shared_ptr<const SimDay> dayData = m_model.day(i, s.date);
    const SimDay &d = *dayData;
    SimMinute auction;
    auction.start = auction.end = QTime(9, 30);
    auction.open = auction.close = auction.high = auction.low = d.open;
    auction.volume = auction.cumulativeVolume = d.auctionVolume;
    auction.amount = auction.cumulativeAmount = d.auctionVolume * d.open;
    auction.auction = true;
    out.minutes.append(auction);

    double before = d.open;
    double volume = auction.volume;
    double amount = auction.amount;
    const int done = std::min<int>(s.minutesDone, d.price.size());
    for (int k = 0; k < done; ++k) {
        SimMinute m;
        m.end = MarketModel::minuteEndTime(i.market, k);
        m.start = m.end.addSecs(-60);
        m.open = before;
        m.close = d.price[k];
        m.high = std::max(m.open, m.close);
        m.low = std::min(m.open, m.close);
        m.volume = d.volume[k];
        m.amount = d.amount[k];
        volume += m.volume;
        amount += m.amount;
        m.cumulativeVolume = volume;
        m.cumulativeAmount = amount;
        out.minutes.append(m);
        before = m.close;
    }

    // The minute still forming: whatever the realtime line holds beyond the whole minutes.
    if (s.phase == SimSnapshot::Phase::Trading && done < d.price.size()) {
        double fraction = 0;
        MarketModel::minutesDoneAt(i.market, out.moment.time(), &fraction);
        if (fraction > 0) {
            SimMinute m;
            m.end = MarketModel::minuteEndTime(i.market, done);
            m.start = m.end.addSecs(-60);
            m.open = before;
            m.close = s.price;
            m.high = std::max(m.open, m.close);
            m.low = std::min(m.open, m.close);
            m.volume = std::max(0.0, s.volume - volume);
            m.amount = std::max(0.0, s.amount - amount);
            m.cumulativeVolume = volume + m.volume;
            m.cumulativeAmount = amount + m.amount;
            m.partial = true;
            out.minutes.append(m);
        }
    }
    for (SimMinute &m : out.minutes)
        spoilIfImplausible(i, {&m.open, &m.close, &m.high, &m.low},
                           {&m.volume, &m.amount, &m.cumulativeVolume, &m.cumulativeAmount});
    return out;
}

QList<SimDailyBar> MarketSimulator::servedDailyBars(const SimInstrument &i, int count) const
{
    if (count <= 0)
        return {};
    const QDateTime now = m_clock.now();
    const QDate today = now.toTimeZone(MarketModel::zoneFor(i.market)).date();
    const SimSnapshot s = m_model.snapshot(i, now);
    if (s.suspended)
        return {};
    const bool started = s.date == today && s.phase != SimSnapshot::Phase::PreOpen &&
                         s.phase != SimSnapshot::Phase::Closed;
    const bool dayDone = s.phase == SimSnapshot::Phase::AfterClose;
    const QDate lastFinished =
        started || !dayDone ? MarketModel::previousTradingDay(s.date) : s.date;
    QList<SimDailyBar> bars = m_model.dailyBars(i, lastFinished, started ? count - 1 : count);
    if (started) {
        SimDailyBar bar;
        bar.date = s.date;
        bar.open = s.open;
        bar.close = s.price;
        bar.high = s.high;
        bar.low = s.low;
        bar.volume = s.volume;
        bar.amount = s.amount;
        bars.append(bar);
    }
    for (SimDailyBar &b : bars)
        spoilIfImplausible(i, {&b.open, &b.close, &b.high, &b.low}, {&b.volume, &b.amount});
    return bars;
}

const SimInstrument *MarketSimulator::instrumentForSecID(const QString &secid) const
{
    // Eastmoney "1.600519" / "0.000001"; F10 "SH600519"; Tencent "sh600519".
    QString symbol;
    const qsizetype dot = secid.indexOf(u'.');
    if (dot > 0) {
        const QString market = secid.left(dot);
        const QString code = secid.mid(dot + 1);
        if (market == u"1")
            symbol = u"sh"_s + code;
        else if (market == u"0")
            symbol = (code.startsWith(u'8') || code.startsWith(u'4') || code.startsWith(u'9')
                          ? u"bj"_s
                          : u"sz"_s) +
                     code;
        else if (market == u"116")
            symbol = u"hk"_s + code;
    } else {
        symbol = secid.toLower();
    }
    if (symbol.isEmpty() || m_unknown.contains(symbol))
        return nullptr;
    return m_model.instrument(symbol);
}

const SimInstrument *MarketSimulator::instrumentForYahooSymbol(const QString &chartSymbol) const
{
    QString symbol;
    const QString upper = chartSymbol.toUpper();
    if (upper.endsWith(u".HK")) {
        QString code = upper.chopped(3);
        while (code.size() < 5)
            code.prepend(u'0');
        symbol = u"hk"_s + code;
    } else if (!upper.contains(u'.')) {
        symbol = u"gb_"_s + upper.toLower().replace(u'-', u'_');
    }
    if (symbol.isEmpty() || m_unknown.contains(symbol))
        return nullptr;
    const SimInstrument *i = m_model.instrument(symbol);
    return i && (i->market == SimMarket::HongKong || i->market == SimMarket::US) ? i : nullptr;
}
