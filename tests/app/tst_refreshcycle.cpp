// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppHarness.h"

#include "model/Formatters.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"
#include "strategy/StrategyStore.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

int minuteRequests(AppHarness &h)
{
    return h.requestCount(u"eastmoney-trends"_s) + h.requestCount(u"tencent-minute"_s) +
           h.requestCount(u"yahoo-chart"_s);
}

} // namespace

class tst_RefreshCycle : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void refresh_data();
    void refresh();
    void newItemDuringOutageIsPlaceholder();
    void untrustworthyEntryStaysPlaceholder_data();
    void untrustworthyEntryStaysPlaceholder();
    void mergeKeepsWatchlistOrder();
    void priceFlash();
    void marketStatus_data();
    void marketStatus();
    void homeListFetchesFirstEightWithoutRealSeries();
    void detailRefreshJoinsQuoteAndSeries();
};

void tst_RefreshCycle::refresh_data()
{
    QTest::addColumn<QStringList>("watch");
    QTest::addColumn<QString>("listed"); // what the realtime request asks for, indices last
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("quotes"); // symbol/name
    const QString indices = u"sz399001,sz399006,sh000688,bj899050"_s;
    const QString at1030 = u"2026-04-28 10:30:00"_s;

    QTest::newRow("three markets")
        << QStringList{u"sh600519"_s, u"hk00700"_s, u"gb_aapl"_s}
        << u"sh600519,hk00700,gb_aapl,sh000001,"_s + indices << at1030
        << QStringList{u"sh600519/贵州茅台"_s, u"hk00700/腾讯控股"_s, u"gb_aapl/苹果"_s};
    // A watched index is asked once, and its quote is a success, not an outage.
    QTest::newRow("watched index, repeated item")
        << QStringList{u"sh000001"_s, u"sz000001"_s, u"sz000001"_s}
        << u"sh000001,sz000001,"_s + indices << at1030
        << QStringList{u"sh000001/上证指数"_s, u"sz000001/平安银行"_s, u"sz000001/平安银行"_s};
    QTest::newRow("empty") << QStringList() << u"sh000001,"_s + indices << u"未添加自选股"_s
                           << QStringList();
}

void tst_RefreshCycle::refresh()
{
    QFETCH(QStringList, watch);
    QFETCH(QString, listed);
    AppHarness h(watch);
    QCOMPARE(h.app->lastStatus(), u"启动中"_s);
    QSignalSpy started(h.app.get(), &KestrumApp::refreshStarted);
    QVERIFY(h.refreshAndWait());
    QCOMPARE(started.count(), 1);
    QVERIFY(!h.app->isRefreshing());
    const QString target = h.server().requests(u"realtime"_s).last().target;
    QVERIFY2(target.endsWith(u"&list="_s + listed), qPrintable(target));
    QTEST(h.app->lastStatus(), "status");
    QStringList quotes;
    for (const Quote &q : h.app->quotes())
        quotes << q.symbol + u'/' + q.name;
    QTEST(quotes, "quotes");
    if (watch.isEmpty())
        QCOMPARE(h.app->title(), u"股 --"_s);
    QCOMPARE(h.app->backgroundQuotes().size(), 5);
    QVERIFY(h.app->backgroundQuotes().contains(u"bj899050"_s));
    // Learning steps ran: every watched quote has a recorded point.
    for (const Quote &q : h.app->quotes())
        QVERIFY(q.price > 0 && !h.app->intraday().prices(q.symbol).isEmpty());
}

void tst_RefreshCycle::newItemDuringOutageIsPlaceholder()
{
    // (Kept quotes and status through an outage are proven route by route in tst_faultinjection.)
    AppHarness h({u"sh600519"_s});
    QVERIFY(h.refreshAndWait());
    SimFault reset;
    reset.reset = true;
    h.server().setFault(u"realtime"_s, reset);
    h.setWatchlist({u"sh600519"_s, u"hk00700"_s});
    QVERIFY(h.refreshAndWait());
    QCOMPARE(h.app->lastStatus(), u"网络异常，显示上次行情"_s);
    QCOMPARE(h.app->quotes().size(), 2);
    QCOMPARE(h.app->quotes().at(1).price, 0.0);
    QCOMPARE(h.app->quotes().at(1).date, u"--"_s);

    h.server().clearFaults();
    h.clock().advanceSecs(60);
    QVERIFY(h.refreshAndWait());
    QVERIFY(h.app->quotes().at(1).price > 0);
    QCOMPARE(h.app->lastStatus(), u"2026-04-28 10:31:00"_s);
}

void tst_RefreshCycle::untrustworthyEntryStaysPlaceholder_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("unsent"); // text no request may carry
    QTest::newRow("path") << u"sh../../x"_s << u"../"_s;
    QTest::newRow("two symbols in one") << u"600519,hk00700"_s << u"hk00700"_s;
    QTest::newRow("3000 digits") << u"sh"_s + QString(3000, u'1') << u"1111111"_s;
    QTest::newRow("line break") << u"sz000001\r\nsh600000"_s << u"600000"_s;
    QTest::newRow("unknown to every provider") << u"sz999999"_s << QString();
    // A symbol whose feed sends numbers no market can show is asked for, but nothing of its
    // answers is kept: no quote, no minute series, no daily bars in the cache.
    QTest::newRow("absurd numbers") << u"sz000001"_s << QString();
}

void tst_RefreshCycle::untrustworthyEntryStaysPlaceholder()
{
    QFETCH(QString, entry);
    QFETCH(QString, unsent);
    AppHarness h({entry, u"sh600519"_s});
    h.app->loadStrategy();
    h.market.simulator.setImplausibleSymbols({u"sz000001"_s});
    QVERIFY(h.refreshAndWait());
    // The other entry's learning steps all ran; the untrustworthy one is a placeholder.
    const Quote moutai = h.app->quotes().value(1);
    QVERIFY(waitFor([&] {
        return h.app->http().requestsInFlight() == 0 && h.app->intraday().isReal(moutai.symbol) &&
               h.app->dailyCache().dailyCacheRecordForQuote(moutai);
    }));
    QCOMPARE(h.app->quotes().size(), 2);
    const Quote placeholder = h.app->quotes().at(0);
    QCOMPARE(placeholder.symbol, entry);
    QCOMPARE(placeholder.name, entry);
    QCOMPARE(placeholder.price, 0.0);
    QCOMPARE(h.app->lastStatus(), u"-- --"_s); // the first quote is the placeholder
    QVERIFY(moutai.price > 0);
    QVERIFY(h.app->intraday().prices(entry).isEmpty());
    QVERIFY(!h.app->dailyCache().dailyCacheRecordForQuote(placeholder));
    const QJsonObject stored =
        StrategyStore::jsonObjectAtURL(h.app->strategy().dailyCacheURL()).toObject();
    QCOMPARE(stored.keys(), QStringList{u"sh600519"_s});
    if (unsent.isEmpty())
        return;
    QVERIFY(!h.app->boardTags().hasUsableBoardTagsForSymbol(entry.toLower()));
    for (const SimRequest &request : h.server().requests()) {
        const QString target = QUrl::fromPercentEncoding(request.target.toLatin1());
        QVERIFY2(!target.contains(unsent, Qt::CaseInsensitive), qPrintable(target));
    }
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
    QStringList shown; // an empty name is filled from the item, a missing quote is a placeholder
    for (const Quote &q : merged)
        shown << q.symbol + u' ' + q.name + u' ' + QString::number(q.price) + u' ' + q.time;
    QCOMPARE(shown, (QStringList{u"sh600519 贵州茅台 1501 "_s, u"gb_aapl 苹果公司 200 "_s,
                                 u"hk00700 hk00700 0 --"_s}));
    QCOMPARE(titleForQuote(merged.at(2)), u"hk00 0.00 +0.00%"_s);
}

void tst_RefreshCycle::priceFlash()
{
    AppHarness h({u"sh600519"_s});
    QVERIFY(h.refreshAndWait());
    QVERIFY(h.app->priceFlashDirections().isEmpty());
    Quote q = h.app->quotes().first();
    const double before = q.price;
    q.price += 0.0005; // below a tick: no flash
    h.app->updatePriceFlashStateForQuotes({q});
    QVERIFY(h.app->priceFlashDirections().isEmpty());
    h.clock().advanceSecs(60 * 7);
    QVERIFY(h.refreshAndWait());
    const double after = h.app->quotes().first().price;
    QVERIFY(before != after);
    QCOMPARE(h.app->priceFlashDirections().value(u"sh600519"_s), after > before ? 1 : -1);
    QTRY_VERIFY_WITH_TIMEOUT(h.app->priceFlashDirections().isEmpty(), kPatienceMs);
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
    QTest::newRow("13:00") << shanghaiTime(2026, 4, 28, 13, 0) << u"交易中"_s << true;
    QTest::newRow("15:00") << shanghaiTime(2026, 4, 28, 15, 0) << u"交易中"_s << true;
    QTest::newRow("15:01") << shanghaiTime(2026, 4, 28, 15, 1) << u"已收盘"_s << false;
    QTest::newRow("sunday from New York")
        << zoneTime("America/New_York", 2026, 5, 2, 22, 0) << u"休市"_s << false;
}

void tst_RefreshCycle::marketStatus()
{
    QFETCH(QDateTime, moment);
    AppHarness h({}, moment);
    QTEST(h.app->marketStatusInfo().title, "title");
    QTEST(h.app->marketStatusInfo().live, "live");
}

void tst_RefreshCycle::homeListFetchesFirstEightWithoutRealSeries()
{
    const QStringList ten{u"sh600519"_s, u"sh601318"_s, u"sh600036"_s, u"sz000001"_s, u"sz000858"_s,
                          u"sz300750"_s, u"sz002594"_s, u"hk00700"_s,  u"hk09988"_s,  u"gb_aapl"_s};
    AppHarness h(ten);
    QSignalSpy applied(h.app.get(), &KestrumApp::homeSeriesUpdated);
    QVERIFY(h.refreshAndWait());
    QTRY_COMPARE_WITH_TIMEOUT(applied.count(), 8, kPatienceMs);
    for (int i = 0; i < ten.size(); ++i)
        QCOMPARE(h.app->intraday().isReal(ten.at(i)), i < 8);
    // Let every request of this refresh (daily bars, board tags, fallbacks) settle first.
    QTRY_COMPARE_WITH_TIMEOUT(h.app->http().requestsInFlight(), 0, kPatienceMs);
    const int after = minuteRequests(h);

    // Nothing is fetched again for symbols that already have a real series.
    h.clock().advanceSecs(12);
    QVERIFY(h.refreshAndWait());
    QTRY_COMPARE_WITH_TIMEOUT(h.app->http().requestsInFlight(), 0, kPatienceMs);
    QCOMPARE(minuteRequests(h), after);
    QCOMPARE(applied.count(), 8);

    // Only the first eight of the list are ever asked for.
    QVERIFY(!h.app->intraday().isReal(u"gb_aapl"_s));
    // The series continues with recorded points of the same day.
    const qsizetype points = h.app->intraday().prices(u"sh600519"_s).size();
    h.clock().advanceSecs(120);
    QVERIFY(h.refreshAndWait());
    QCOMPARE(h.app->intraday().prices(u"sh600519"_s).size(), points + 1);
    QVERIFY(h.app->intraday().isReal(u"sh600519"_s));
}

void tst_RefreshCycle::detailRefreshJoinsQuoteAndSeries()
{
    AppHarness h({u"sh600519"_s, u"hk00700"_s});
    QVERIFY(h.refreshAndWait());
    QTRY_VERIFY_WITH_TIMEOUT(h.app->intraday().isReal(u"hk00700"_s), kPatienceMs);

    h.clock().advanceSecs(90);
    h.app->prepareQuoteDetailForSymbol(u"hk00700"_s);
    QVERIFY(!h.app->intraday().isReal(u"hk00700"_s)); // fetched afresh

    SimFault heldSeries; // until the quote has answered
    heldSeries.hold = true;
    h.server().setFault(u"tencent-minute"_s, heldSeries);
    QSignalSpy updated(h.app.get(), &KestrumApp::detailUpdated);
    const int dailyBefore = h.requestCount(u"yahoo-chart"_s);
    h.app->refreshQuoteDetailNowForSymbol(u"hk00700"_s);
    QVERIFY(updated.wait(kPatienceMs));
    // The quote answered first: it replaced the listed one and the status line.
    QCOMPARE(h.app->lastStatus(), u"2026-04-28 10:31:00"_s);
    QCOMPARE(h.app->quoteForSymbol(u"hk00700"_s)->time, u"10:31:00"_s);
    h.server().clearFaults();
    h.server().release();
    QTRY_VERIFY_WITH_TIMEOUT(h.app->intraday().isReal(u"hk00700"_s), kPatienceMs);
    const double last = h.app->intraday().positions(u"hk00700"_s).last();
    QVERIFY2(last >= 3660 && last <= 3720, qPrintable(QString::number(last)));
    // Both answered: the daily step ran for the quote (already fetched today: nothing new).
    QTRY_VERIFY_WITH_TIMEOUT(updated.count() >= 2, kPatienceMs);
    QVERIFY(h.requestCount(u"yahoo-chart"_s) >= dailyBefore);

    // An unknown symbol's detail answers without a quote: nothing is appended.
    const int updates = updated.count();
    h.app->refreshQuoteDetailNowForSymbol(u"sz999999"_s);
    QTRY_VERIFY_WITH_TIMEOUT(updated.count() > updates, kPatienceMs);
    QCOMPARE(h.app->quotes().size(), 2);
    h.app->refreshQuoteDetailNowForSymbol(QString()); // ignored
}

QTEST_GUILESS_MAIN(tst_RefreshCycle)
#include "tst_refreshcycle.moc"
