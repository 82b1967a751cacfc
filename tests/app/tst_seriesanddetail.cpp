// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppHarness.h"

#include "strategy/BoardTags.h"

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

class tst_SeriesAndDetail : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void homeListFetchesFirstEightWithoutRealSeries();
    void detailRefreshJoinsQuoteAndSeries();
};

void tst_SeriesAndDetail::homeListFetchesFirstEightWithoutRealSeries()
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

void tst_SeriesAndDetail::detailRefreshJoinsQuoteAndSeries()
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

QTEST_GUILESS_MAIN(tst_SeriesAndDetail)
#include "tst_seriesanddetail.moc"
