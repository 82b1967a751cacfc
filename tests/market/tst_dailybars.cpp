// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include <QTest>

#include <QJsonArray>

#include <cmath>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

const QTimeZone kShanghai("Asia/Shanghai");
const QDateTime kAsiaAfternoon(QDate(2026, 4, 28), QTime(13, 30, 20), kShanghai);

QByteArray klinesBody(const QStringList &lines)
{
    QJsonArray klines;
    for (const QString &line : lines)
        klines.append(line);
    return QJsonDocument(QJsonObject{{u"data"_s, QJsonObject{{u"klines"_s, klines}}}}).toJson();
}

} // namespace

class TestDailyBars : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eastmoneyLines();
    void eastmoneyUnusable_data();
    void eastmoneyUnusable();
    void yahooBars();
    void requests();
    void eastmoneyFailureIsFinal_data();
    void eastmoneyFailureIsFinal();
    void noSource_data();
    void noSource();
};

void TestDailyBars::eastmoneyLines()
{
    const QList<DayRecord> records = eastmoney::dayRecordsFromKlines(klinesBody({
        u"2026-04-24,10.00,10.20,10.30,9.90,12345,12500000.00"_s,
        u"2026-04-25,10.20,10.40,10.50,10.10,2000"_s,        // six fields
        u"2026-04-26,10.40,0,10.50,10.10,2000,20000"_s,      // no close
        u"2026-04-27,0,10.50,10.60,10.30,n/a,31000.5,1.2"_s, // no open; extra field
    }));
    QCOMPARE(records.size(), 2);
    QCOMPARE(records.at(0), (DayRecord{u"2026-04-24"_s, 10.0, 10.3, 9.9, 10.2, 12345, 12500000}));
    QCOMPARE(records.at(1), (DayRecord{u"2026-04-27"_s, 0, 10.6, 10.3, 10.5, 0, 31000.5}));
}

void TestDailyBars::eastmoneyUnusable_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("data null") << R"({"rc":0,"data":null})"_ba;
    QTest::newRow("klines not an array") << R"({"data":{"klines":"2026-04-24,1,1,1,1,1,1"}})"_ba;
    QTest::newRow("lines not strings") << R"({"data":{"klines":[[1,2,3,4,5,6,7]]}})"_ba;
    QTest::newRow("not JSON") << "\x89garbage"_ba;
}

void TestDailyBars::eastmoneyUnusable()
{
    QFETCH(QByteArray, body);
    QVERIFY(eastmoney::dayRecordsFromKlines(body).isEmpty());
}

void TestDailyBars::yahooBars()
{
    // Hong Kong bars are stamped at 09:30 in Hong Kong, 01:30 UTC: the exchange's zone
    // keeps them on their own day wherever the machine stands.
    const QTimeZone hk("Asia/Hong_Kong");
    auto at = [&hk](int day) {
        return QDateTime(QDate(2026, 4, day), QTime(9, 30), hk).toSecsSinceEpoch();
    };
    const QJsonObject quote{
        {u"open"_s, QJsonArray{QJsonValue::Null, 101.0, 102.0, 103.0}},
        {u"high"_s, QJsonArray{102.0, 103.0, 104.0, 105.0}},
        {u"low"_s, QJsonArray{99.0, 100.0, 101.0, 102.0}},
        {u"close"_s, QJsonArray{101.0, QJsonValue::Null, 103.0, u"104"_s}},
        {u"volume"_s, QJsonArray{1000, 2000, QJsonValue::Null}},
    };
    const QJsonObject result{
        {u"meta"_s, QJsonObject{{u"exchangeTimezoneName"_s, u"Asia/Hong_Kong"_s}}},
        {u"timestamp"_s, QJsonArray{at(23), at(24), at(27), u"x"_s}},
        {u"indicators"_s, QJsonObject{{u"quote"_s, QJsonArray{quote}}}}};
    const QByteArray body =
        QJsonDocument(QJsonObject{{u"chart"_s, QJsonObject{{u"result"_s, QJsonArray{result}}}}})
            .toJson();
    const QList<DayRecord> records = yahoo::dayRecordsFromChart(body, sym(u"hk00700"_s));
    QCOMPARE(records.size(), 3);
    // A null open takes the close; a null close drops the bar; a null volume is 0 and so is
    // its amount; a stamp that is no number leaves the date empty.
    QCOMPARE(records.at(0), (DayRecord{u"2026-04-23"_s, 101, 102, 99, 101, 1000, 101000}));
    QCOMPARE(records.at(1), (DayRecord{u"2026-04-27"_s, 102, 104, 101, 103, 0, 0}));
    QCOMPARE(records.at(2), (DayRecord{QString(), 103, 105, 102, 104, 0, 0}));
    QVERIFY(
        yahoo::dayRecordsFromChart(R"({"chart":{"result":null})"_ba, sym(u"hk00700"_s)).isEmpty());
}

void TestDailyBars::requests()
{
    SimHarness h(kAsiaAfternoon);
    for (const QString &symbol : {u"sh600519"_s, u"hk00700"_s, u"gb_brk_b"_s})
        QVERIFY(awaitCompletion<QList<DayRecord>>(
            [&](auto done) { h.market->dailyBars.fetch(symbol, &h.receiver, done); }));

    const QList<SimRequest> kline = h.simulator.server().requests(u"eastmoney-kline"_s);
    QCOMPARE(kline.size(), 1);
    QCOMPARE(sent(kline.first()),
             u"/api/qt/stock/kline/get?secid=1.600519&fields1=f1,f2,f3,f4,f5,f6"
             "&fields2=f51,f52,f53,f54,f55,f56,f57&klt=101&fqt=1&end=20500101&lmt=120&_="_s +
                 QString::number(kAsiaAfternoon.toMSecsSinceEpoch()));
    QCOMPARE(kline.first().header("Referer"), Endpoints::eastmoneyReferer());

    const QList<SimRequest> yahoo = h.simulator.server().requests(u"yahoo-chart"_s);
    QCOMPARE(yahoo.size(), 2);
    QCOMPARE(sent(yahoo.at(0)), u"/v8/finance/chart/0700.HK?range=6mo&interval=1d"_s);
    QCOMPARE(sent(yahoo.at(1)), u"/v8/finance/chart/BRK-B?range=6mo&interval=1d"_s);
    QCOMPARE(yahoo.at(0).header("Referer"), Endpoints::yahooReferer());
    for (const SimRequest &r : {kline.first(), yahoo.first()})
        QCOMPARE(r.header("User-Agent"), Endpoints::userAgent());
    QCOMPARE(
        eastmoney::dailyKRequest(h.endpoints, sym(u"sh600519"_s), h.clock.nowMSecs())->timeoutMs,
        8000);
}

void TestDailyBars::eastmoneyFailureIsFinal_data()
{
    QTest::addColumn<QString>("how");
    for (const char *how : {"reset", "status", "nobody", "garbage", "emptydata"})
        QTest::newRow(how) << QString::fromLatin1(how);
}

void TestDailyBars::eastmoneyFailureIsFinal()
{
    QFETCH(QString, how);
    SimHarness h(kAsiaAfternoon);
    h.failRoute(u"eastmoney-kline"_s, how);
    h.failRoute(u"yahoo-chart"_s, how);
    for (const QString &symbol : {u"sh600519"_s, u"hk00700"_s}) {
        int calls = 0;
        const auto bars = awaitCompletion<QList<DayRecord>>(
            [&](auto done) { h.market->dailyBars.fetch(symbol, &h.receiver, done); }, &calls);
        QVERIFY(bars);
        QCOMPARE(calls, 1);
        QVERIFY(bars->isEmpty());
    }
    QVERIFY(SimHarness::askedOnce(h.requestCount(u"eastmoney-kline"_s), how));
    // Yahoo is asked for Hong Kong only, never as a fallback for the A-share.
    QVERIFY(SimHarness::askedOnce(h.requestCount(u"yahoo-chart"_s), how));
}

void TestDailyBars::noSource_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::newRow("unknown market") << u"xx600519"_s;
    QTest::newRow("empty") << QString();
}

void TestDailyBars::noSource()
{
    QFETCH(QString, symbol);
    SimHarness h(kAsiaAfternoon);
    bool returned = false;
    const auto bars = awaitCompletion<QList<DayRecord>>([&](auto done) {
        h.market->dailyBars.fetch(symbol, &h.receiver, [&, done](const QList<DayRecord> &records) {
            QVERIFY(returned); // delivered later, never inside the call
            done(records);
        });
        returned = true;
    });
    QVERIFY(bars);
    QVERIFY(bars->isEmpty());
    QVERIFY(h.simulator.server().requests().isEmpty());
}

QTEST_GUILESS_MAIN(TestDailyBars)
#include "tst_dailybars.moc"
