// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include <QPointer>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

struct Fetch
{
    bool done = false;
    int calls = 0;
    QList<Quote> quotes;
    bool onMainThread = false;
};

void fetch(SimHarness &h, const QStringList &symbols, Fetch &result)
{
    h.market->quotes.fetch(symbols, &h.receiver, [&result](const QList<Quote> &quotes) {
        ++result.calls;
        result.done = true;
        result.quotes = quotes;
        result.onMainThread = QThread::currentThread() == qApp->thread();
    });
}

} // namespace

class tst_RealtimeFeed : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void emptyListAnswersAtOnce();
    void requestAsSent();
    void quotesMatchTheSimulator();
    void unknownSymbols();
    void faults_data();
    void faults();
    void completionAfterClientIsGoneNeverRuns_data();
    void completionAfterClientIsGoneNeverRuns();
};

void tst_RealtimeFeed::emptyListAnswersAtOnce()
{
    SimHarness h;
    Fetch result;
    fetch(h, {}, result);
    QVERIFY(result.done); // before fetchSymbols returned
    QVERIFY(result.quotes.isEmpty());
    QVERIFY(h.server().requests().isEmpty());
}

void tst_RealtimeFeed::requestAsSent()
{
    SimHarness h;
    Fetch result;
    fetch(h, {u"SH600519"_s, u"hk00700"_s, u"gb_aapl"_s}, result);
    QVERIFY(waitFor([&] { return result.done; }));
    const QList<SimRequest> requests = h.server().requests(u"realtime"_s);
    QCOMPARE(requests.size(), 1);
    const SimRequest &r = requests.first();
    QCOMPARE(r.method, QByteArray("GET"));
    const QString expected =
        u"/rn="_s + QString::number(h.clock.nowMSecs()) + u"&list=sh600519,hk00700,gb_aapl"_s;
    QCOMPARE(r.target, expected); // a path: no question mark before rn=
    QCOMPARE(r.header("Referer"), QByteArray("https://finance.sina.com.cn/"));
    QCOMPARE(r.header("User-Agent"), QByteArray("Mozilla/5.0 Kestrum by Orvell"));
    QCOMPARE(sina::kRealtimeTimeoutMs, 8000);

    // Every request carries a different rn.
    h.clock.advanceMSecs(1);
    Fetch second;
    fetch(h, {u"sh600519"_s}, second);
    QVERIFY(waitFor([&] { return second.done; }));
    QVERIFY(h.server().requests(u"realtime"_s).last().target != r.target);
}

void tst_RealtimeFeed::quotesMatchTheSimulator()
{
    // The simulator's wire lines read back as its own instruments, whatever the market.
    SimHarness h(shanghaiTime(2026, 4, 28, 10, 30, 7));
    Fetch result;
    const QStringList symbols{u"sh600519"_s, u"sz000001"_s, u"bj830799"_s, u"sh000001"_s,
                              u"sz399001"_s, u"hk00700"_s,  u"gb_aapl"_s,  u"gb_brk_b"_s};
    fetch(h, symbols, result);
    QVERIFY(waitFor([&] { return result.done; }));
    QVERIFY(result.onMainThread);
    QCOMPARE(result.quotes.size(), symbols.size());
    const MarketModel &model = h.simulator.model();
    for (const Quote &q : result.quotes) {
        const SimInstrument *i = model.instrument(q.symbol);
        QVERIFY2(i, qPrintable(q.symbol));
        const SimSnapshot s = model.snapshot(*i, h.clock.now());
        QCOMPARE(q.name, i->name);
        QCOMPARE(q.price, MarketModel::roundToTick(i->market, s.price));
        QVERIFY(qAbs(q.previousClose - s.previousClose) < 1e-6);
        QVERIFY(q.high >= q.low);
    }
    // Dates and times per market are pinned by the parser's own rows.
}

void tst_RealtimeFeed::unknownSymbols()
{
    SimHarness h;
    h.simulator.setUnknownSymbols({u"sh600519"_s});
    Fetch result;
    fetch(h, {u"sh600519"_s, u"sz999999"_s, u"sz000001"_s}, result);
    QVERIFY(waitFor([&] { return result.done; }));
    QCOMPARE(result.quotes.size(), 1);
    QCOMPARE(result.quotes.first().symbol, u"sz000001"_s);
}

void tst_RealtimeFeed::faults_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("reset");
    QTest::addColumn<bool>("empty");
    QTest::addColumn<bool>("garbage");
    QTest::addColumn<int>("expected");
    QTest::newRow("server error, body still parsed") << 500 << false << false << false << 2;
    QTest::newRow("reset") << 0 << true << false << false << 0;
    QTest::newRow("garbage") << 0 << false << false << true << 0;
    QTest::newRow("error with empty body") << 503 << false << true << false << 0;
}

void tst_RealtimeFeed::faults()
{
    QFETCH(int, status);
    QFETCH(bool, reset);
    QFETCH(bool, empty);
    QFETCH(bool, garbage);
    QFETCH(int, expected);
    SimHarness h;
    SimFault fault;
    fault.status = status;
    fault.reset = reset;
    fault.emptyBody = empty;
    fault.garbage = garbage;
    h.server().setFault(u"realtime"_s, fault);
    Fetch result;
    fetch(h, {u"sh600519"_s, u"hk00700"_s}, result);
    QVERIFY(waitFor([&] { return result.done; }));
    QVERIFY(result.onMainThread);
    QCOMPARE(result.calls, 1);
    QCOMPARE(result.quotes.size(), expected);
}

void tst_RealtimeFeed::completionAfterClientIsGoneNeverRuns_data()
{
    QTest::addColumn<bool>("sourceGone"); // else the caller's context object is gone
    QTest::newRow("source gone") << true;
    QTest::newRow("context gone") << false;
}

void tst_RealtimeFeed::completionAfterClientIsGoneNeverRuns()
{
    QFETCH(bool, sourceGone);
    SimHarness h;
    SimFault fault;
    fault.delayMs = 200;
    h.server().setFault(u"realtime"_s, fault);
    Fetch result;
    auto context = std::make_unique<QObject>();
    h.market->quotes.fetch({u"sh600519"_s}, context.get(),
                           [&result](const QList<Quote> &) { result.done = true; });
    if (sourceGone)
        h.market.reset();
    else
        context.reset();
    QVERIFY(waitFor([&] { return h.http.requestsInFlight() == 0; }));
    QVERIFY(!result.done);
}

QTEST_GUILESS_MAIN(tst_RealtimeFeed)
#include "tst_realtimefeed.moc"
