// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include <QTest>

#include <QJsonArray>

#include "intraday/IntradayStore.h"
#include "intraday/TradingClock.h"

#include <cmath>
#include <numeric>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

const QTimeZone kShanghai("Asia/Shanghai");
const QTimeZone kNewYork("America/New_York");
// An afternoon in Shanghai and Hong Kong (both trading), and a late morning in New York.
const QDateTime kAsiaAfternoon(QDate(2026, 4, 28), QTime(13, 30, 20), kShanghai);
const QDateTime kNewYorkMorning(QDate(2026, 4, 28), QTime(11, 20, 45), kNewYork);

using Doubles = QVector<double>;
const QDateTime kHongKongEvening(QDate(2026, 4, 28), QTime(16, 30), kShanghai);

double sum(const Doubles &values)
{
    return std::accumulate(values.begin(), values.end(), 0.0);
}

QByteArray trendsBody(const QStringList &lines)
{
    QJsonArray trends;
    for (const QString &line : lines)
        trends.append(line);
    return QJsonDocument(QJsonObject{{u"rc"_s, 0}, {u"data"_s, QJsonObject{{u"trends"_s, trends}}}})
        .toJson();
}

QByteArray tencentBody(const QString &code, const QStringList &lines, const QString &date)
{
    QJsonArray data;
    for (const QString &line : lines)
        data.append(line);
    const QJsonObject day{{u"data"_s, data}, {u"date"_s, date}};
    return QJsonDocument(
               QJsonObject{{u"code"_s, 0},
                           {u"data"_s, QJsonObject{{code, QJsonObject{{u"data"_s, day}}}}}})
        .toJson();
}

QByteArray yahooBody(const QJsonValue &zone, const QJsonArray &stamps, const QJsonArray &closes,
                     const QJsonArray &volumes, bool withStamps = true)
{
    QJsonObject meta;
    if (!zone.isUndefined())
        meta.insert(u"exchangeTimezoneName"_s, zone);
    QJsonObject result{
        {u"meta"_s, meta},
        {u"indicators"_s,
         QJsonObject{
             {u"quote"_s, QJsonArray{QJsonObject{{u"close"_s, closes}, {u"volume"_s, volumes}}}}}}};
    if (withStamps)
        result.insert(u"timestamp"_s, stamps);
    return QJsonDocument(QJsonObject{{u"chart"_s, QJsonObject{{u"result"_s, QJsonArray{result}}}}})
        .toJson();
}

qint64 epoch(QDate date, QTime time, const QTimeZone &zone)
{
    return QDateTime(date, time, zone).toSecsSinceEpoch();
}

void compareDoubles(const Doubles &actual, const Doubles &expected)
{
    QCOMPARE(actual.size(), expected.size());
    for (qsizetype i = 0; i < actual.size(); ++i) {
        if (std::fabs(actual.at(i) - expected.at(i)) > 1e-6) {
            QFAIL(qPrintable(u"index %1: %2 != %3"_s.arg(i).arg(actual.at(i)).arg(expected.at(i))));
        }
    }
}

} // namespace

class TestMinuteSources : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void minuteLines_data();
    void minuteLines();
    void yahooBars();
    void yahooZoneByName();
    void requests();
    void chains_data();
    void chains();
    void placeholderUtFallsToTencent();
    void agreesWithSimulator_data();
    void agreesWithSimulator();
};

void TestMinuteSources::minuteLines_data()
{
    // Eastmoney's trend lines; Tencent's minute lines where the date is "tencent" (their
    // block is dated 2025-03-07).
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<Doubles>("prices");
    QTest::addColumn<Doubles>("positions");
    QTest::addColumn<Doubles>("averages");
    QTest::addColumn<Doubles>("volumes");
    QTest::addColumn<QString>("date");

    QTest::newRow("close 0 takes the open; both 0 dropped, still dates")
        << u"sz000001"_s
        << QStringList{u"2024-05-09 09:31,0,0,0,0,5,0,0"_s,
                       u"2024-05-10 09:32,10.50,0,10.5,10.5,-3,0,0"_s}
        << Doubles{10.5} << Doubles{120} << Doubles{10.5} << Doubles{0} << u"2024-05-09"_s;
    QTest::newRow("short and foreign lines skipped")
        << u"bj830799"_s
        << QStringList{u"2024-05-10 09:31,1,2,3,4,5,6"_s, u"x"_s,
                       u"2024-05-10 09:33,58.0,58.2,58.3,58.0,7,40740,58.1"_s}
        << Doubles{58.2} << Doubles{180} << Doubles{58.1} << Doubles{700} << u"2024-05-10"_s;
    QTest::newRow("minutes no market can show")
        << u"sz000001"_s
        << QStringList{u"2024-05-10 09:31,1e300,1e300,1,1,5,0,0"_s,
                       u"2024-05-10 09:32,10.5,10.5,10.5,10.5,1e14,0,10.5"_s,
                       u"2024-05-10 09:33,10.5,10.6,10.6,10.5,7,0,1e300"_s}
        << Doubles{10.6} << Doubles{180} << Doubles{10.6} << Doubles{700} << u"2024-05-10"_s;
    // Hong Kong counts shares: amount / volume is the price, not a hundredth of it.
    QTest::newRow("Tencent Hong Kong shares") << u"hk00700"_s
                                              << QStringList{u"0930 441.400 380150 167797970.000"_s,
                                                             u"1608 442.000 380150 167797970.000"_s}
                                              << Doubles{441.4, 442} << Doubles{0, 19800}
                                              << Doubles{167797970.0 / 380150, 167797970.0 / 380150}
                                              << Doubles{380150, 0} << u"tencent"_s;
    QTest::newRow("Tencent falling cumulative volume and odd lines")
        << u"sh600519"_s
        << QStringList{u"0931  1450.00\t20 2900000.00"_s,
                       u"930 1 1 1"_s,
                       u"0932 0 30 0"_s,
                       u"0933 1451.00 15 0"_s,
                       u"0934 1452.00 40"_s,
                       u"0935 1452.00 30 4356000"_s}
        << Doubles{1450, 1451, 1452} << Doubles{60, 180, 300} << Doubles{1450, 1451, 1452}
        << Doubles{2000, 0, 1000} << u"tencent"_s;
    // A minute no market can show is left out and leaves the running total alone.
    QTest::newRow("Tencent minutes no market can show")
        << u"sh600519"_s
        << QStringList{u"0931 10 20 20000"_s, u"0932 1e300 30 1"_s, u"0933 10 1e14 1"_s,
                       u"0934 10 25 2e15"_s, u"0935 10 40 40000"_s}
        << Doubles{10, 10} << Doubles{60, 300} << Doubles{10, 10} << Doubles{2000, 2000}
        << u"tencent"_s;
}

void TestMinuteSources::minuteLines()
{
    QFETCH(QString, symbol);
    QFETCH(QStringList, lines);
    QFETCH(Doubles, prices);
    QFETCH(Doubles, positions);
    QFETCH(Doubles, averages);
    QFETCH(Doubles, volumes);
    QFETCH(QString, date);
    const bool tencent = date == u"tencent";
    const MinuteSeries s =
        tencent ? tencent::minuteSeriesFromMinutes(tencentBody(symbol, lines, u"20250307"_s),
                                                   sym(symbol))
                : eastmoney::minuteSeriesFromTrends(trendsBody(lines), sym(symbol));
    compareDoubles(s.prices, prices);
    compareDoubles(s.positions, positions);
    compareDoubles(s.averages, averages);
    compareDoubles(s.volumes, volumes);
    QCOMPARE(s.date, tencent ? u"2025-03-07"_s : date);
    if (!tencent)
        return;
    // Another code's block, or a block that is no dictionary, yields nothing.
    QVERIFY(tencent::minuteSeriesFromMinutes(tencentBody(u"sh000001"_s, lines, {}), sym(symbol))
                .prices.isEmpty());
    QVERIFY(tencent::minuteSeriesFromMinutes(R"({"data":{"sz000001":[]}})"_ba, sym(symbol))
                .prices.isEmpty());
}

void TestMinuteSources::yahooBars()
{
    const QDate day(2026, 4, 28);
    const QJsonArray stamps{epoch(day, QTime(9, 30), kNewYork), epoch(day, QTime(9, 31), kNewYork),
                            epoch(day, QTime(9, 32), kNewYork), epoch(day, QTime(9, 33), kNewYork),
                            epoch(day, QTime(9, 34, 27), kNewYork)};
    const QJsonArray closes{100.0, QJsonValue::Null, 102.0, u"103.5"_s, 104.0};
    const QJsonArray volumes{1000, 500, QJsonValue::Null, 1000};
    const MinuteSeries s = yahoo::minuteSeriesFromChart(
        yahooBody(u"America/New_York"_s, stamps, closes, volumes), sym(u"gb_brk_b"_s));
    // A null close drops its minute; a null volume counts 0 and leaves the sums alone;
    // the newest bar carries the current time, seconds and all.
    compareDoubles(s.prices, {100, 102, 103.5, 104});
    compareDoubles(s.positions, {0, 120, 180, 267});
    compareDoubles(s.volumes, {1000, 0, 1000, 0});
    compareDoubles(s.averages, {100, 100, (100000 + 103500) / 2000.0, (100000 + 103500) / 2000.0});
    QCOMPARE(s.date, u"2026-04-28"_s);

    const QByteArray noStamps =
        yahooBody(u"Asia/Hong_Kong"_s, {}, QJsonArray{441.4}, QJsonArray{10}, /*withStamps=*/false);
    const MinuteSeries none = yahoo::minuteSeriesFromChart(noStamps, sym(u"hk00700"_s));
    QVERIFY(none.prices.isEmpty() && none.date.isEmpty());
}

void TestMinuteSources::yahooZoneByName()
{
    // 09:30 in New York is 21:30 in Shanghai: read in the wrong zone it would sit at the close.
    const QDate day(2026, 1, 15); // standard time, another offset than in April
    const QJsonArray stamps{epoch(day, QTime(9, 30), kNewYork)};
    const QJsonArray closes{50.0};
    for (const QJsonValue &zone :
         {QJsonValue(u"America/New_York"_s), QJsonValue(), QJsonValue(u"Nowhere/Invented"_s)}) {
        const MinuteSeries s = yahoo::minuteSeriesFromChart(
            yahooBody(zone, stamps, closes, QJsonArray{10}), sym(u"gb_aapl"_s));
        compareDoubles(s.positions, {0});
        QCOMPARE(s.date, u"2026-01-15"_s);
    }
    QCOMPARE(yahoo::timeZoneForName(QString(), sym(u"hk00700"_s)).id(), "Asia/Hong_Kong"_ba);
}

void TestMinuteSources::requests()
{
    SimHarness h(kAsiaAfternoon);
    h.failRoute(u"eastmoney-trends"_s, u"status"_s);
    h.failRoute(u"tencent-minute"_s, u"status"_s);
    QVERIFY(awaitCompletion<MinuteSeries>(
        [&](auto done) { h.market->minutes.fetch(u"HK00700"_s, &h.receiver, done); }));
    QVERIFY(awaitCompletion<MinuteSeries>(
        [&](auto done) { h.market->minutes.fetch(u"sh600519"_s, &h.receiver, done); }));

    const QList<SimRequest> trends = h.simulator.server().requests(u"eastmoney-trends"_s);
    QCOMPARE(trends.size(), 1);
    QCOMPARE(sent(trends.first()),
             u"/api/qt/stock/trends2/get?fields1=f1,f2,f3,f4,f5,f6,f7,f8,f9,f10,f11,f12,f13"
             "&fields2=f51,f52,f53,f54,f55,f56,f57,f58&ut=fa5fd1943c7b386f172d6893dbfba10b"
             "&ndays=1&iscr=0&iscca=0&secid=1.600519&_="_s +
                 QString::number(kAsiaAfternoon.toMSecsSinceEpoch()));
    QCOMPARE(trends.first().header("Referer"), Endpoints::eastmoneyReferer());

    const QList<SimRequest> tencent = h.simulator.server().requests(u"tencent-minute"_s);
    QCOMPARE(tencent.size(), 2);
    QCOMPARE(sent(tencent.first()), u"/appstock/app/minute/query?code=hk00700"_s);
    QCOMPARE(sent(tencent.last()), u"/appstock/app/minute/query?code=sh600519"_s);
    QCOMPARE(tencent.first().header("Referer"), Endpoints::tencentReferer());

    const QList<SimRequest> yahoo = h.simulator.server().requests(u"yahoo-chart"_s);
    QCOMPARE(yahoo.size(), 1); // only Hong Kong goes on to Yahoo
    QCOMPARE(sent(yahoo.first()), u"/v8/finance/chart/0700.HK?range=1d&interval=1m"_s);
    QCOMPARE(yahoo.first().header("Referer"), Endpoints::yahooReferer());
    for (const SimRequest &r : {trends.first(), tencent.first(), yahoo.first()})
        QCOMPARE(r.header("User-Agent"), Endpoints::userAgent());

    for (const auto &request :
         {eastmoney::trendsRequest(h.endpoints, sym(u"sh600519"_s), h.clock.nowMSecs()),
          tencent::minuteRequest(h.endpoints, sym(u"hk00700"_s)),
          yahoo::chartRequest(h.endpoints, sym(u"gb_brk_b"_s), u"1d"_s, u"1m"_s)}) {
        QVERIFY(request);
        QCOMPARE(request->timeoutMs, 8000);
    }
    QCOMPARE(yahoo::chartRequest(h.endpoints, sym(u"gb_brk_b"_s), u"1d"_s, u"1m"_s)->url.path(),
             u"/v8/finance/chart/BRK-B"_s);
    QVERIFY(!yahoo::chartRequest(h.endpoints, sym(u"sh600519"_s), u"1d"_s, u"1m"_s));
}

void TestMinuteSources::chains_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QStringList>("chain");
    QTest::addColumn<int>("failing");
    QTest::addColumn<QString>("how");

    const QStringList a{u"eastmoney-trends"_s, u"tencent-minute"_s};
    const QStringList hk{u"tencent-minute"_s, u"yahoo-chart"_s};
    const QStringList us{u"yahoo-chart"_s};
    for (const char *how : {"reset", "status", "nobody", "garbage", "emptydata"}) {
        const QString h = QString::fromLatin1(how);
        for (int failing = 0; failing <= 2; ++failing) {
            QTest::addRow("A-share, %d failing %s", failing, how)
                << u"sh600519"_s << kAsiaAfternoon << a << failing << h;
            QTest::addRow("Hong Kong, %d failing %s", failing, how)
                << u"hk00700"_s << kAsiaAfternoon << hk << failing << h;
        }
        QTest::addRow("US, failing %s", how) << u"gb_aapl"_s << kNewYorkMorning << us << 1 << h;
    }
    QTest::newRow("US") << u"gb_aapl"_s << kNewYorkMorning << us << 0 << u"status"_s;
    QTest::newRow("unknown market")
        << u"xx123"_s << kAsiaAfternoon << QStringList() << 0 << u"status"_s;
}

void TestMinuteSources::chains()
{
    QFETCH(QString, symbol);
    QFETCH(QDateTime, moment);
    QFETCH(QStringList, chain);
    QFETCH(int, failing);
    QFETCH(QString, how);
    SimHarness h(moment);
    for (int k = 0; k < failing; ++k)
        h.failRoute(chain.at(k), how);
    int calls = 0;
    const auto series = awaitCompletion<MinuteSeries>(
        [&](auto done) { h.market->minutes.fetch(symbol, &h.receiver, done); }, &calls);
    QVERIFY(series);
    QCOMPARE(calls, 1);
    const bool answered = failing < chain.size();
    QCOMPARE(!series->isEmpty(), answered);
    QCOMPARE(series->prices.size(), series->positions.size());
    QCOMPARE(series->averages.size(), series->positions.size());
    QCOMPARE(series->volumes.size(), series->positions.size());
    if (!answered)
        QVERIFY(series->date.isEmpty() || how == u"emptydata");

    for (const QString &route : {u"eastmoney-trends"_s, u"tencent-minute"_s, u"yahoo-chart"_s}) {
        const int index = static_cast<int>(chain.indexOf(route));
        const int count = h.requestCount(route);
        if (index < 0 || index > failing)
            QCOMPARE(count, 0);
        else if (index < failing)
            QVERIFY2(SimHarness::askedOnce(count, how), qPrintable(route));
        else
            QCOMPARE(count, 1);
    }
}

void TestMinuteSources::placeholderUtFallsToTencent()
{
    SimHarness h(kAsiaAfternoon);
    Endpoints endpoints = Endpoints::allAt(h.simulator.baseUrl());
    endpoints.eastmoneyTrendsUT = u"0f1e2d3c4b5a69788796a5b4c3d2e1f0"_s;
    MinuteSeriesSource source(h.http, endpoints, h.clock);
    const auto series = awaitCompletion<MinuteSeries>(
        [&](auto done) { source.fetch(u"sh600519"_s, &h.receiver, done); });
    QVERIFY(series && !series->isEmpty());
    QCOMPARE(h.requestCount(u"eastmoney-trends"_s), 1);
    QCOMPARE(h.requestCount(u"tencent-minute"_s), 1);
}

void TestMinuteSources::agreesWithSimulator_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QStringList>("failing");
    QTest::addColumn<QString>("source");

    QTest::newRow("A-share, Eastmoney")
        << u"sh600519"_s << kAsiaAfternoon << QStringList() << u"eastmoney-trends"_s;
    QTest::newRow("A-share, Tencent") << u"sz000001"_s << kAsiaAfternoon
                                      << QStringList{u"eastmoney-trends"_s} << u"tencent-minute"_s;
    QTest::newRow("Hong Kong, Tencent after the close")
        << u"hk09988"_s << kHongKongEvening << QStringList() << u"tencent-minute"_s;
    QTest::newRow("Hong Kong, Yahoo")
        << u"hk00700"_s << kAsiaAfternoon << QStringList{u"tencent-minute"_s} << u"yahoo-chart"_s;
    QTest::newRow("US, Yahoo") << u"gb_aapl"_s << kNewYorkMorning << QStringList()
                               << u"yahoo-chart"_s;
}

// A series fetched from each source agrees with the day the simulator served: positions on
// the trading axis, the day's volume and average, and the realtime quote of the same moment.
void TestMinuteSources::agreesWithSimulator()
{
    QFETCH(QString, symbol);
    QFETCH(QDateTime, moment);
    QFETCH(QStringList, failing);
    QFETCH(QString, source);
    SimHarness h(moment);
    for (const QString &route : failing)
        h.failRoute(route, u"status"_s);
    const auto fetched = awaitCompletion<MinuteSeries>(
        [&](auto done) { h.market->minutes.fetch(symbol, &h.receiver, done); });
    QVERIFY(fetched && !fetched->isEmpty());
    const MinuteSeries &s = *fetched;
    QCOMPARE(h.requestCount(source), 1);

    const SimMinuteDay day = h.simulator.minuteDay(h.instrument(symbol));
    const SimSnapshot &snap = day.snapshot;
    QCOMPARE(s.date, day.date.toString(u"yyyy-MM-dd"_s));

    // Eastmoney and Tencent stamp each minute at its end, line j (the opening auction being
    // line 0) at j minutes; Hong Kong adds its 16:08 closing auction at the close. Yahoo
    // stamps a minute at its start and the forming one at the current time, and skips the
    // minutes it leaves empty.
    const bool yahoo = source == u"yahoo-chart";
    const double axisEnd = KSIntradayPositionMaxForSymbol(symbol);
    Doubles expected;
    for (qsizetype j = 0; j < day.minutes.size(); ++j)
        expected << j * 60.0;
    if (!yahoo && symbol.startsWith(u"hk") && snap.phase == SimSnapshot::Phase::AfterClose)
        expected << axisEnd;
    if (yahoo) {
        expected.removeLast();
        if (day.minutes.last().partial) {
            expected.last() =
                KSTradingPositionForIntradayTime(symbol, day.moment.time().toString(u"HH:mm:ss"_s));
        }
        QCOMPARE(s.positions.first(), 0.0);
        QCOMPARE(s.positions.last(), expected.last());
        QVERIFY(s.positions.size() > expected.size() * 9 / 10);
        for (qsizetype k = 0; k < s.positions.size(); ++k) {
            QVERIFY(expected.contains(s.positions.at(k)));
            QVERIFY(k == 0 || s.positions.at(k) > s.positions.at(k - 1));
        }
    } else {
        compareDoubles(s.positions, expected);
    }
    QVERIFY(s.positions.last() <= axisEnd);

    // The day's totals are those of the realtime line of the same moment.
    QVERIFY(qFuzzyCompare(sum(s.volumes), snap.volume));
    const double vwap = snap.amount / snap.volume;
    const double tolerance = yahoo ? 0.005 : 1e-5; // Yahoo's average is built from closes
    QVERIFY2(std::fabs(s.averages.last() / vwap - 1) < tolerance,
             qPrintable(u"%1 vs %2"_s.arg(s.averages.last()).arg(vwap)));
    QVERIFY(std::fabs(s.prices.last() / snap.price - 1) < 1e-6);

    // So a quote recorded after the fetched series adds no phantom volume to it.
    const auto quotes = awaitCompletion<QList<Quote>>(
        [&](auto done) { h.market->quotes.fetch({symbol}, &h.receiver, done); });
    QVERIFY(quotes && quotes->size() == 1);
    const Quote &quote = quotes->first();
    QVERIFY(std::fabs(quote.price / s.prices.last() - 1) < 1e-6);
    IntradayStore store;
    store.applyIntradaySeries(quote.symbol, s);
    store.recordIntradaySamples({quote});
    QVERIFY(qFuzzyCompare(sum(store.volumes(quote.symbol)), quote.volume));
}

QTEST_GUILESS_MAIN(TestMinuteSources)
#include "tst_minutesources.moc"
