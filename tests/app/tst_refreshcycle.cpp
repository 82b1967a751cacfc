#include "AppHarness.h"

#include "model/Formatters.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

class tst_RefreshCycle : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void successfulRefresh();
    void requestCarriesIndicesOnce();
    void overlappingRefreshSendsOneRequest();
    void failedRefreshKeepsPreviousQuotes();
    void emptyWatchlist();
    void unknownSymbolStaysPlaceholder();
    void watchedIndexIsUpdated();
    void mergeKeepsWatchlistOrder();
    void priceFlashClearsItself();
    void priceFlashThreshold();
    void replayTradingDay();
    void marketStatus_data();
    void marketStatus();
    void placeholderStatusLine();
};

void tst_RefreshCycle::successfulRefresh()
{
    AppHarness h({u"sh600519"_s, u"hk00700"_s, u"gb_aapl"_s});
    QCOMPARE(h.app->lastStatus(), u"启动中"_s);
    QSignalSpy started(h.app.get(), &KestrumApp::refreshStarted);
    QVERIFY(h.refreshAndWait());
    QCOMPARE(started.count(), 1);
    QCOMPARE(h.app->quotes().size(), 3);
    QCOMPARE(h.app->quotes().at(0).symbol, u"sh600519"_s);
    QCOMPARE(h.app->quotes().at(0).name, u"贵州茅台"_s);
    QCOMPARE(h.app->lastStatus(), u"2026-04-28 10:30:00"_s);
    QCOMPARE(h.app->backgroundQuotes().size(), 5);
    QVERIFY(h.app->backgroundQuotes().contains(u"bj899050"_s));
    // Learning steps ran: every watched quote has a recorded point.
    QVERIFY(!h.app->intraday().prices(u"sh600519"_s).isEmpty());
    QVERIFY(!h.app->isRefreshing());
}

void tst_RefreshCycle::requestCarriesIndicesOnce()
{
    AppHarness h({u"sh000001"_s, u"sz000001"_s, u"sz000001"_s});
    QVERIFY(h.refreshAndWait());
    const QString target = h.server().requests(u"realtime"_s).last().target;
    QVERIFY2(target.endsWith(u"&list=sh000001,sz000001,sz399001,sz399006,sh000688,bj899050"_s),
             qPrintable(target));
}

void tst_RefreshCycle::overlappingRefreshSendsOneRequest()
{
    AppHarness h({u"sh600519"_s});
    SimFault slow;
    slow.delayMs = 300;
    h.server().setFault(u"realtime"_s, slow);
    QSignalSpy finished(h.app.get(), &KestrumApp::refreshFinished);
    h.app->refresh();
    h.app->refresh();
    h.app->refresh();
    QVERIFY(h.app->isRefreshing());
    QVERIFY(finished.wait(5000));
    QCOMPARE(h.requestCount(u"realtime"_s), 1);
    QCOMPARE(finished.count(), 1);
}

void tst_RefreshCycle::failedRefreshKeepsPreviousQuotes()
{
    AppHarness h({u"sh600519"_s, u"sz000001"_s});
    QVERIFY(h.refreshAndWait());
    // Let the minute series fetched for the home list arrive first.
    QTRY_VERIFY_WITH_TIMEOUT(h.app->intraday().isReal(u"sh600519"_s), 5000);
    const QList<Quote> before = h.app->quotes();
    const QVector<double> pointsBefore = h.app->intraday().prices(u"sh600519"_s);

    h.clock().advanceSecs(60);
    SimFault reset;
    reset.reset = true;
    h.server().setFault(u"realtime"_s, reset);
    QVERIFY(h.refreshAndWait());
    QCOMPARE(h.app->quotes(), before);
    QCOMPARE(h.app->lastStatus(), u"网络异常，显示上次行情"_s);
    QCOMPARE(h.app->intraday().prices(u"sh600519"_s), pointsBefore); // no learning from nothing

    // A new item during an outage shows as a placeholder.
    h.setWatchlist({u"sh600519"_s, u"sz000001"_s, u"hk00700"_s});
    QVERIFY(h.refreshAndWait());
    QCOMPARE(h.app->quotes().size(), 3);
    QCOMPARE(h.app->quotes().at(2).price, 0.0);
    QCOMPARE(h.app->quotes().at(2).date, u"--"_s);

    h.server().clearFaults();
    QVERIFY(h.refreshAndWait());
    QVERIFY(h.app->quotes().at(2).price > 0);
    QCOMPARE(h.app->lastStatus(), u"2026-04-28 10:31:00"_s);
}

void tst_RefreshCycle::emptyWatchlist()
{
    AppHarness h;
    QVERIFY(h.refreshAndWait());
    QVERIFY(h.app->quotes().isEmpty());
    QCOMPARE(h.app->lastStatus(), u"未添加自选股"_s);
    QCOMPARE(h.app->title(), u"股 --"_s);
    QVERIFY(h.server()
                .requests(u"realtime"_s)
                .last()
                .target.endsWith(u"&list=sh000001,sz399001,sz399006,sh000688,bj899050"_s));
    QCOMPARE(h.app->backgroundQuotes().size(), 5);
}

void tst_RefreshCycle::unknownSymbolStaysPlaceholder()
{
    AppHarness h({u"sz999999"_s, u"sh600519"_s});
    QVERIFY(h.refreshAndWait());
    QCOMPARE(h.app->quotes().size(), 2);
    const Quote unknown = h.app->quotes().at(0);
    QCOMPARE(unknown.symbol, u"sz999999"_s);
    QCOMPARE(unknown.name, u"sz999999"_s);
    QCOMPARE(unknown.price, 0.0);
    QCOMPARE(h.app->lastStatus(), u"-- --"_s); // the first quote is the placeholder
    QVERIFY(h.app->quotes().at(1).price > 0);
}

void tst_RefreshCycle::watchedIndexIsUpdated()
{
    AppHarness h({u"sh000001"_s});
    QVERIFY(h.refreshAndWait());
    QCOMPARE(h.app->quotes().size(), 1);
    QVERIFY(h.app->quotes().first().price > 1000);
    QCOMPARE(h.app->lastStatus(), u"2026-04-28 10:30:00"_s); // a success, not an outage
    QVERIFY(h.app->backgroundQuotes().contains(u"sh000001"_s));
}

void tst_RefreshCycle::mergeKeepsWatchlistOrder()
{
    AppHarness h;
    const QJsonArray items{QJsonObject{{u"symbol"_s, u"sh600519"_s}}, u"not an item"_s,
                           QJsonObject{{u"symbol"_s, u"gb_aapl"_s}, {u"name"_s, u"苹果公司"_s}},
                           QJsonObject{{u"name"_s, u"no symbol"_s}},
                           QJsonObject{{u"symbol"_s, u"hk00700"_s}}};
    Quote apple;
    apple.symbol = u"gb_aapl"_s;
    apple.price = 200;
    Quote first;
    first.symbol = u"sh600519"_s;
    first.name = u"贵州茅台"_s;
    first.price = 1500;
    Quote later = first;
    later.price = 1501; // a later quote of the same symbol wins
    const QList<Quote> merged = h.app->mergedQuotesForWatchItems(items, {apple, first, later});
    QCOMPARE(merged.size(), 3);
    QCOMPARE(merged.at(0).price, 1501.0);
    QCOMPARE(merged.at(1).name, u"苹果公司"_s); // empty name filled from the item
    QCOMPARE(merged.at(2).symbol, u"hk00700"_s);
    QCOMPARE(merged.at(2).name, u"hk00700"_s);
    QCOMPARE(merged.at(2).time, u"--"_s);
}

void tst_RefreshCycle::priceFlashClearsItself()
{
    AppHarness h({u"sh600519"_s});
    QVERIFY(h.refreshAndWait());
    QVERIFY(h.app->priceFlashDirections().isEmpty());
    const double before = h.app->quotes().first().price;
    h.clock().advanceSecs(60 * 7);
    QVERIFY(h.refreshAndWait());
    const double after = h.app->quotes().first().price;
    QVERIFY(before != after);
    QCOMPARE(h.app->priceFlashDirections().value(u"sh600519"_s), after > before ? 1 : -1);
    QTRY_VERIFY_WITH_TIMEOUT(h.app->priceFlashDirections().isEmpty(), 3000);
}

void tst_RefreshCycle::priceFlashThreshold()
{
    AppHarness h({u"sh600519"_s});
    QVERIFY(h.refreshAndWait());
    Quote q = h.app->quotes().first();
    q.price += 0.0005;
    h.app->updatePriceFlashStateForQuotes({q});
    QVERIFY(h.app->priceFlashDirections().isEmpty());
    q.price += 0.01;
    h.app->updatePriceFlashStateForQuotes({q});
    QCOMPARE(h.app->priceFlashDirections().value(u"sh600519"_s), 1);
}

void tst_RefreshCycle::replayTradingDay()
{
    // Every 12 s of a trading day, compressed: the series grows through the morning, holds
    // during the break and ends at the close.
    AppHarness h({u"sz000001"_s}, shanghaiTime(2026, 4, 28, 9, 30, 0));
    for (int i = 0; i < 115; ++i) {
        QVERIFY(h.refreshAndWait());
        h.clock().advanceSecs(180);
    }
    const QVector<double> positions = h.app->intraday().positions(u"sz000001"_s);
    QCOMPARE(positions.first(), 0.0);
    QCOMPARE(positions.last(), 14400.0);
    for (int i = 1; i < positions.size(); ++i)
        QVERIFY(positions.at(i) >= positions.at(i - 1));
    QCOMPARE(h.app->quotes().first().time, u"15:00:03"_s);
    const double close = h.market.simulator.model().closeOn(
        *h.market.simulator.model().instrument(u"sz000001"_s), QDate(2026, 4, 28));
    QCOMPARE(h.app->quotes().first().price, close);
}

void tst_RefreshCycle::marketStatus_data()
{
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("live");
    QTest::newRow("09:29") << shanghaiTime(2026, 4, 28, 9, 29) << u"未开盘"_s << false;
    QTest::newRow("09:30") << shanghaiTime(2026, 4, 28, 9, 30) << u"交易中"_s << true;
    QTest::newRow("11:30") << shanghaiTime(2026, 4, 28, 11, 30, 59) << u"交易中"_s << true;
    QTest::newRow("11:31") << shanghaiTime(2026, 4, 28, 11, 31) << u"午间休市"_s << false;
    QTest::newRow("12:59") << shanghaiTime(2026, 4, 28, 12, 59) << u"午间休市"_s << false;
    QTest::newRow("13:00") << shanghaiTime(2026, 4, 28, 13, 0) << u"交易中"_s << true;
    QTest::newRow("15:00") << shanghaiTime(2026, 4, 28, 15, 0) << u"交易中"_s << true;
    QTest::newRow("15:01") << shanghaiTime(2026, 4, 28, 15, 1) << u"已收盘"_s << false;
    QTest::newRow("saturday") << shanghaiTime(2026, 5, 2, 10, 0) << u"休市"_s << false;
    QTest::newRow("sunday from New York")
        << zoneTime("America/New_York", 2026, 5, 2, 22, 0) << u"休市"_s << false;
}

void tst_RefreshCycle::marketStatus()
{
    QFETCH(QDateTime, moment);
    QFETCH(QString, title);
    QFETCH(bool, live);
    AppHarness h({}, moment);
    const MarketStatus status = h.app->marketStatusInfo();
    QCOMPARE(status.title, title);
    QCOMPARE(status.live, live);
    if (title == u"交易中")
        QCOMPARE(status.dot, u"34D399"_s);
}

void tst_RefreshCycle::placeholderStatusLine()
{
    const Quote q =
        KestrumApp::placeholderQuoteForWatchItem(QJsonObject{{u"symbol"_s, u"sh600000"_s}});
    QCOMPARE(q.name, u"sh600000"_s);
    QCOMPARE(q.changePercent(), 0.0);
    QCOMPARE(titleForQuote(q), u"sh60 0.00 +0.00%"_s);
}

QTEST_GUILESS_MAIN(tst_RefreshCycle)
#include "tst_refreshcycle.moc"
