// SPDX-License-Identifier: GPL-3.0-or-later
// The trading axis, and a whole trading day replayed from the simulated market: quotes fetched over
// HTTP minute by minute, recorded into the sample store and read back through the analytics. The
// numbers are checked against the model's own snapshots, so recording, the trading axis
// and the analytics have to agree with the market that produced the quotes.
#include "TestSupport.h"

#include "intraday/IntradayAnalytics.h"
#include "intraday/IntradayStore.h"
#include "intraday/TradingClock.h"
#include "model/Formatters.h"

#include <QTest>

#include <numeric>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

const QDate kDay(2026, 4, 28); // a Tuesday

double pct(double base, double last)
{
    return (last - base) / base * 100.0;
}

bool near(double a, double b, double tolerance = 1e-9)
{
    return std::fabs(a - b) <= tolerance * std::max(1.0, std::fabs(b));
}

// The realtime quote at the clock's moment.
std::optional<Quote> fetch(SimHarness &h, const QString &symbol)
{
    const auto quotes = awaitCompletion<QList<Quote>>(
        [&](auto done) { h.market->quotes.fetch({symbol}, &h.receiver, done); });
    return quotes && !quotes->isEmpty() ? std::optional(quotes->first()) : std::nullopt;
}

} // namespace

class tst_IntradayReplay : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void tradingAxis();
    void tradingDay_data();
    void tradingDay();
    void usAverageContinuesFetchedSeries();
};

// Exchange times to trading positions around the bounds the replay does not reach.
void tst_IntradayReplay::tradingAxis()
{
    // The midday break stands still (A-shares at 7200, Hong Kong at 9000); the US has none.
    // Unreadable times give -1; unknown and empty symbols use the A-share scale; seconds
    // are read leniently.
    const std::tuple<QString, QString, double> rows[] = {
        {u"sh600000"_s, u"09:30"_s, 0},       {u"sh600000"_s, u"08:15:00"_s, 0},
        {u"sh600000"_s, u"09:30:01"_s, 1},    {u"sz000001"_s, u"12:10"_s, 7200},
        {u"sz000001"_s, u"13:00:01"_s, 7201}, {u"sz000001"_s, u"15:00:03"_s, 14400},
        {u"HK00700"_s, u"12:30"_s, 9000},     {u"hk00700"_s, u"13:30"_s, 10800},
        {u"GB_AAPL"_s, u"12:00"_s, 9000},     {u"gb_aapl"_s, u"20:00"_s, 23400},
        {u"sh600000"_s, u"9:31"_s, -1},       {u"sh600000"_s, QString(), -1},
        {QString(), u"12:10"_s, 7200},        {u"xx123"_s, u"14:00"_s, 10800},
        {u"sh600000"_s, u"10:00: 7x"_s, 1807}};
    for (const auto &[symbol, time, position] : rows)
        QVERIFY2(TradingClock::position(symbol, time) == position,
                 qPrintable(symbol + u' ' + time));
}

void tst_IntradayReplay::tradingDay_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QTime>("start");
    QTest::addColumn<QTime>("morning");
    QTest::addColumn<QTime>("midday");
    QTest::addColumn<QTime>("afternoon");
    QTest::addColumn<QTime>("close");
    QTest::addColumn<QTime>("morningEnd"); // the exchange time at the axis midpoint

    QTest::newRow("A-share") << u"sh600519"_s << QTime(9, 25) << QTime(10, 30) << QTime(12, 0)
                             << QTime(14, 0) << QTime(15, 5) << QTime(11, 30);
    QTest::newRow("Hong Kong") << u"hk00700"_s << QTime(9, 20) << QTime(10, 30) << QTime(12, 30)
                               << QTime(14, 30) << QTime(16, 15) << QTime(12, 0);
    // No break: "midday" is just before the 12:45 midpoint.
    QTest::newRow("US") << u"gb_aapl"_s << QTime(9, 31) << QTime(10, 30) << QTime(12, 40)
                        << QTime(14, 0) << QTime(16, 5) << QTime(12, 45);
}

void tst_IntradayReplay::tradingDay()
{
    QFETCH(QString, symbol);
    QFETCH(QTime, start);
    QFETCH(QTime, morning);
    QFETCH(QTime, midday);
    QFETCH(QTime, afternoon);
    QFETCH(QTime, close);
    QFETCH(QTime, morningEnd);

    const MarketModel probe;
    QVERIFY(probe.instrument(symbol));
    const SimMarket market = probe.instrument(symbol)->market;
    const QTimeZone zone = MarketModel::zoneFor(market);
    const auto at = [&](QTime t) {
        return QDateTime(kDay, t, zone).toUTC();
    };
    SimHarness h(at(start));
    const SimInstrument &instrument = h.instrument(symbol);
    const auto snap = [&](QTime t) {
        return h.simulator.model().snapshot(instrument, at(t));
    };
    IntradayStore store;
    const IntradayAnalytics analytics(store);
    const bool us = market == SimMarket::US;
    const double mid = TradingClock::midPosition(symbol);
    const std::shared_ptr<const SimDay> day = h.simulator.model().day(instrument, kDay);

    // The last five minutes of price and volume against the model's own totals.
    const auto checkRecentWindow = [&](const Quote &quote, QTime now) {
        const SimSnapshot current = snap(now);
        const SimSnapshot fiveAgo = snap(now.addSecs(-300));
        const SimSnapshot tenAgo = snap(now.addSecs(-600));
        QVERIFY(near(quote.price, current.price));
        // The US feed carries no traded value: its average line is a running one of the
        // recorded points, which keeps to the market's within 0.5 %.
        QVERIFY(near(store.currentAverageLineValueForQuote(quote), current.amount / current.volume,
                     us ? 0.005 : 1e-6));

        const double change = pct(fiveAgo.price, current.price);
        QVERIFY(near(analytics.recentPercentChangeForQuote(quote, 5), change));
        const QString trend = analytics.recentTrendDescriptionForQuote(quote, 5);
        QVERIFY2(trend.startsWith(u"近5分钟"_s) && trend.contains(formatPercent(change)),
                 qPrintable(trend));

        const double recent = current.volume - fiveAgo.volume;
        const double earlier = fiveAgo.volume - tenAgo.volume;
        QVERIFY(earlier > 0);
        const double ratio = analytics.recentVolumeRatioForQuote(quote, 5);
        QVERIFY2(near(ratio, recent / earlier), qPrintable(QString::number(ratio)));
        if (ratio > 0.9 && ratio < 1.15)
            QCOMPARE(analytics.recentVolumeDescriptionForQuote(quote, 5),
                     u"近5分钟量能基本持平（"_s + formatFixed(recent / earlier, 1) + u"x）"_s);

        // A realtime-recorded day never gets a structure label.
        QCOMPARE(analytics.intradayStructureDescriptionForQuote(quote), u"结构标签暂不明确"_s);
    };

    for (QTime now = start; now <= close; now = now.addSecs(60)) {
        h.clock.setNow(at(now));
        const std::optional<Quote> fetched = fetch(h, symbol);
        QVERIFY2(fetched, qPrintable(now.toString()));
        const Quote quote = *fetched;
        QCOMPARE(quote.date, kDay.toString(u"yyyy-MM-dd"_s));
        store.recordIntradaySamples({quote});
        const QVector<double> &positions = store.positions(symbol);

        if (now == morning) {
            checkRecentWindow(quote, now);
            QCOMPARE(analytics.afternoonSessionDescriptionForQuote(quote),
                     us ? u"后半段：数据仍在形成"_s : u"午后以来：午后数据仍在形成"_s);
            QCOMPARE(positions.last(), double(QTime(9, 30).secsTo(now)));
        } else if (now == midday && !us) {
            // The break stands still at the midpoint: no new points, and the afternoon
            // has nothing to compare yet.
            QCOMPARE(positions.last(), mid);
            QCOMPARE(positions.size(), 1 + QTime(9, 30).secsTo(morningEnd) / 60);
            QCOMPARE(analytics.afternoonSessionDescriptionForQuote(quote),
                     u"午后以来：午后以窄幅震荡为主，方向还未拉开"_s);
            const double change = pct(snap(morningEnd.addSecs(-300)).price, snap(morningEnd).price);
            QVERIFY(near(analytics.recentPercentChangeForQuote(quote, 5), change));
        } else if (now == midday) {
            checkRecentWindow(quote, now);
            QCOMPARE(analytics.afternoonSessionDescriptionForQuote(quote),
                     u"后半段：数据仍在形成"_s);
        } else if (now == afternoon) {
            checkRecentWindow(quote, now);
            const double sinceMid = pct(snap(morningEnd).price, quote.price);
            QVERIFY(near(analytics.intradayPercentChangeForQuote(quote, mid), sinceMid));
            const QString text = analytics.afternoonSessionDescriptionForQuote(quote);
            QVERIFY2(text.startsWith(u"午后以来："_s) && !text.contains(u"仍在形成"_s),
                     qPrintable(text));
        } else if (now == close) {
            QVERIFY(near(quote.price, day->close));
            QCOMPARE(positions.last(), TradingClock::positionMax(symbol));
            // One point per session minute after the open's point, break and closing
            // quotes folded into the point they share a position with.
            QCOMPARE(positions.size(), 1 + MarketModel::sessionMinutes(market));
            const QVector<double> &volumes = store.volumes(symbol);
            QCOMPARE(std::accumulate(volumes.cbegin(), volumes.cend(), 0.0), snap(now).volume);
            QVERIFY(near(analytics.intradayPercentChangeForQuote(quote, 0),
                         pct(day->open, day->close)));
            QVERIFY(analytics.openSessionDescriptionForQuote(quote).startsWith(u"开盘以来："_s));
        }
        if (QTest::currentTestFailed()) {
            qWarning() << "at" << now;
            return;
        }
    }
}

// A US series fetched mid-morning, then a refresh a minute until the afternoon: the recorded
// average starts from the fetched one and keeps to what the minute service reports.
void tst_IntradayReplay::usAverageContinuesFetchedSeries()
{
    const QString symbol = u"gb_aapl"_s;
    const auto at = [](QTime t) {
        return QDateTime(kDay, t, QTimeZone("America/New_York")).toUTC();
    };
    SimHarness h(at(QTime(10, 30)));
    const auto series = [&] {
        return awaitCompletion<MinuteSeries>(
                   [&](auto done) { h.market->minutes.fetch(symbol, &h.receiver, done); })
            .value_or(MinuteSeries());
    };
    IntradayStore store;
    store.applyIntradaySeries(symbol, series());
    QVERIFY(store.isReal(symbol));
    for (QTime now(10, 31); now <= QTime(15, 30); now = now.addSecs(60)) {
        h.clock.setNow(at(now));
        const std::optional<Quote> quote = fetch(h, symbol);
        QVERIFY(quote);
        store.recordIntradaySamples({*quote});
        if (now.minute() % 30 != 0)
            continue;
        const MinuteSeries fetched = series();
        QVERIFY(!fetched.averages.isEmpty());
        const double recorded = store.averages(symbol).last();
        QVERIFY2(near(recorded, fetched.averages.last(), 0.005),
                 qPrintable(now.toString() + u' ' + QString::number(recorded) + u" vs "_s +
                            QString::number(fetched.averages.last())));
        QVERIFY(std::fabs(recorded - quote->price) > 1e-6); // a line of its own
    }
}

QTEST_GUILESS_MAIN(tst_IntradayReplay)
#include "tst_intradayreplay.moc"
