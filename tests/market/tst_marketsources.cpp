// SPDX-License-Identifier: GPL-3.0-or-later
// Every market-data source against the simulated market: the requests it sends, the provider
// chain it walks when a provider fails, and what it hands back.
#include "TestSupport.h"

#include "intraday/IntradayStore.h"
#include "intraday/TradingClock.h"

#include <QTest>
#include <QThread>

#include <cmath>
#include <numeric>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

const QTimeZone kShanghai("Asia/Shanghai");
// An afternoon in Shanghai and Hong Kong (both trading), a late morning in New York, and an
// evening after Hong Kong's close.
const QDateTime kAsia(QDate(2026, 4, 28), QTime(13, 30, 20), kShanghai);
const QDateTime kNewYork(QDate(2026, 4, 28), QTime(11, 20, 45), QTimeZone("America/New_York"));
const QDateTime kEvening(QDate(2026, 4, 28), QTime(16, 30), kShanghai);
const QString kSome = u"(values)"_s; // the answer of a series or bars source that has some

double sum(const QVector<double> &values)
{
    return std::accumulate(values.begin(), values.end(), 0.0);
}

struct Answer
{
    int calls = 0;
    bool later = true; // never inside the call itself
    bool onMainThread = true;
    QStringList words; // tags, symbols, or kSome for a series or bars
};

// One fetch of `kind` through the harness's sources. A search is "query|limit".
Answer fetch(SimHarness &h, const QString &kind, const QString &what)
{
    Answer a;
    bool returned = false;
    const auto done = [&](const QStringList &words) {
        ++a.calls;
        a.later = a.later && returned;
        a.onMainThread = a.onMainThread && QThread::currentThread() == qApp->thread();
        a.words = words;
    };
    const auto some = [](bool any) {
        return any ? QStringList{kSome} : QStringList();
    };
    if (kind == u"minutes") {
        h.market->minutes.fetch(what, &h.receiver, [&, done](const MinuteSeries &s) {
            const bool aligned = s.positions.size() == s.prices.size() &&
                                 s.averages.size() == s.prices.size() &&
                                 s.volumes.size() == s.prices.size();
            done(aligned ? some(!s.isEmpty()) : QStringList{u"misaligned"_s});
        });
    } else if (kind == u"daily") {
        h.market->dailyBars.fetch(
            what, &h.receiver, [&, done](const QList<DayRecord> &r) { done(some(!r.isEmpty())); });
    } else if (kind == u"boards") {
        h.market->boardTags.fetch(what, &h.receiver, done);
    } else if (kind == u"search") {
        h.market->search.search(what.section(u'|', 0, 0), what.section(u'|', 1).toInt(),
                                &h.receiver, [&, done](const QList<WatchItem> &items) {
                                    QStringList symbols;
                                    for (const WatchItem &item : items)
                                        symbols << item.value(u"symbol"_s).toString();
                                    done(symbols);
                                });
    } else {
        h.market->quotes.fetch(what.split(u',', Qt::SkipEmptyParts), &h.receiver,
                               [&, done](const QList<Quote> &quotes) {
                                   QStringList symbols;
                                   for (const Quote &q : quotes)
                                       symbols << q.symbol;
                                   done(symbols);
                               });
    }
    returned = true;
    waitFor([&] { return a.calls > 0; });
    return a;
}

} // namespace

class tst_MarketSources : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void requests_data();
    void requests();
    void chains_data();
    void chains();
    void quotesAgreeWithSimulator();
    void minutesAgreeWithSimulator_data();
    void minutesAgreeWithSimulator();
    void completionAfterClientIsGoneNeverRuns_data();
    void completionAfterClientIsGoneNeverRuns();
};

void tst_MarketSources::requests_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("failing"); // a route failed first, so the next one is asked
    QTest::addColumn<QString>("route");
    QTest::addColumn<QString>("sent"); // "%ms": the clock's milliseconds, "%base": the server
    QTest::addColumn<QByteArray>("referer");
    const auto row = [](const char *name, const QString &kind, const QString &what,
                        const QString &failing, const QString &route, const QString &sent,
                        const QByteArray &referer) {
        QTest::newRow(name) << kind << what << failing << route << sent << referer;
    };
    const QByteArray eastmoney = Endpoints::eastmoneyReferer();
    const QByteArray yahoo = Endpoints::yahooReferer();
    row("minutes, Eastmoney", u"minutes"_s, u"sh600519"_s, {}, u"eastmoney-trends"_s,
        u"/api/qt/stock/trends2/get?fields1=f1,f2,f3,f4,f5,f6,f7,f8,f9,f10,f11,f12,f13"
        "&fields2=f51,f52,f53,f54,f55,f56,f57,f58&ut=fa5fd1943c7b386f172d6893dbfba10b"
        "&ndays=1&iscr=0&iscca=0&secid=1.600519&_=%ms"_s,
        eastmoney);
    row("minutes, Tencent", u"minutes"_s, u"HK00700"_s, {}, u"tencent-minute"_s,
        u"/appstock/app/minute/query?code=hk00700"_s, Endpoints::tencentReferer());
    row("minutes, Tencent after Eastmoney", u"minutes"_s, u"sh600519"_s, u"eastmoney-trends"_s,
        u"tencent-minute"_s, u"/appstock/app/minute/query?code=sh600519"_s,
        Endpoints::tencentReferer());
    row("minutes, Yahoo", u"minutes"_s, u"hk00700"_s, u"tencent-minute"_s, u"yahoo-chart"_s,
        u"/v8/finance/chart/0700.HK?range=1d&interval=1m"_s, yahoo);
    row("daily, Eastmoney", u"daily"_s, u"sh600519"_s, {}, u"eastmoney-kline"_s,
        u"/api/qt/stock/kline/get?secid=1.600519&fields1=f1,f2,f3,f4,f5,f6"
        "&fields2=f51,f52,f53,f54,f55,f56,f57&klt=101&fqt=1&end=20500101&lmt=120&_=%ms"_s,
        eastmoney);
    row("daily, Hong Kong", u"daily"_s, u"hk00700"_s, {}, u"yahoo-chart"_s,
        u"/v8/finance/chart/0700.HK?range=6mo&interval=1d"_s, yahoo);
    row("daily, US class share", u"daily"_s, u"gb_brk_b"_s, {}, u"yahoo-chart"_s,
        u"/v8/finance/chart/BRK-B?range=6mo&interval=1d"_s, yahoo);
    row("boards, F10", u"boards"_s, u"SZ000636"_s, {}, u"eastmoney-f10"_s,
        u"/PC_HSF10/CoreConception/PageAjax?code=SZ000636"_s,
        "%base/PC_HSF10/CoreConception/Index?type=web&code=SZ000636");
    row("boards, quote service", u"boards"_s, u"sz000636"_s, u"eastmoney-f10"_s,
        u"eastmoney-stock"_s, u"/api/qt/stock/get?secid=0.000636&fields=f57,f58,f127,f128,f129"_s,
        eastmoney);
    // Trimmed, and every delimiter encoded so the service sees the text as typed.
    row("search", u"search"_s, u"  茅台 &=+#\n|10"_s, {}, u"eastmoney-suggest"_s,
        u"/api/suggest/get?input=茅台 &=+#&type=14&token=D43BF722C8E33BDC906FB84D85E326E8"_s,
        eastmoney);
    // The realtime list is a path: no question mark before rn=.
    row("quotes", u"quotes"_s, u"SH600519,hk00700,gb_aapl"_s, {}, u"realtime"_s,
        u"/rn=%ms&list=sh600519,hk00700,gb_aapl"_s, Endpoints::sinaReferer());
}

void tst_MarketSources::requests()
{
    QFETCH(QString, kind);
    QFETCH(QString, what);
    QFETCH(QString, failing);
    QFETCH(QString, route);
    QFETCH(QString, sent);
    QFETCH(QByteArray, referer);
    SimHarness h(kAsia);
    if (!failing.isEmpty())
        h.failRoute(failing, u"status"_s);
    QCOMPARE(fetch(h, kind, what).calls, 1);
    const QList<SimRequest> requests = h.server().requests(route);
    QCOMPARE(requests.size(), 1);
    const SimRequest &r = requests.first();
    QCOMPARE(r.method, "GET"_ba);
    QCOMPARE(r.query.isEmpty() ? r.target : TestSupport::sent(r),
             QString(sent).replace(u"%ms"_s, QString::number(h.clock.nowMSecs())));
    QCOMPARE(r.header("Referer"), referer.replace("%base", h.baseUrl().toEncoded()));
    QCOMPARE(r.header("User-Agent"), "Mozilla/5.0 Kestrum by Orvell"_ba);
    if (kind != u"quotes")
        return;
    // Every realtime request carries a different rn.
    h.clock.advanceMSecs(1);
    fetch(h, kind, what);
    QVERIFY(h.server().requests(route).last().target != r.target);
}

void tst_MarketSources::chains_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("what");
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QStringList>("failing");
    QTest::addColumn<QString>("how"); // as SimHarness::failRoute, or "placeholder" credentials
    QTest::addColumn<QStringList>("asked"); // once each; every other route never
    QTest::addColumn<QStringList>("answer");
    const auto row = [](const QString &name, const QString &kind, const QString &what,
                        const QDateTime &moment, const QStringList &failing, const QString &how,
                        const QStringList &asked, const QStringList &answer) {
        QTest::newRow(name.toUtf8().constData())
            << kind << what << moment << failing << how << asked << answer;
    };
    const QStringList some{kSome};
    const QStringList a{u"eastmoney-trends"_s, u"tencent-minute"_s};
    const QStringList hk{u"tencent-minute"_s, u"yahoo-chart"_s};
    const QStringList f10{u"eastmoney-f10"_s, u"eastmoney-stock"_s};
    for (const QString &how :
         {u"reset"_s, u"status"_s, u"nobody"_s, u"garbage"_s, u"emptydata"_s}) {
        for (int k = 0; k <= 2; ++k) {
            const QString n = QString::number(k) + u" failing "_s + how;
            row(u"minutes, A-share, "_s + n, u"minutes"_s, u"sh600519"_s, kAsia, a.mid(0, k), how,
                a.mid(0, k + 1), k < 2 ? some : QStringList());
            row(u"minutes, Hong Kong, "_s + n, u"minutes"_s, u"hk00700"_s, kAsia, hk.mid(0, k), how,
                hk.mid(0, k + 1), k < 2 ? some : QStringList());
        }
        row(u"minutes, US, failing "_s + how, u"minutes"_s, u"gb_aapl"_s, kNewYork,
            {u"yahoo-chart"_s}, how, {u"yahoo-chart"_s}, {});
        // The quote service keeps the broad industry the F10 source would pass over.
        row(u"boards, F10 "_s + how, u"boards"_s, u"sz000636"_s, kAsia, f10.mid(0, 1), how, f10,
            {u"电子"_s, u"消费电子"_s});
        row(u"boards, both "_s + how, u"boards"_s, u"sz000636"_s, kAsia, f10, how, f10, {});
        // A failed daily source is final: Yahoo is never a fallback for the A-share.
        row(u"daily, Eastmoney "_s + how, u"daily"_s, u"sh600519"_s, kAsia,
            {u"eastmoney-kline"_s, u"yahoo-chart"_s}, how, {u"eastmoney-kline"_s}, {});
        row(u"daily, Yahoo "_s + how, u"daily"_s, u"hk00700"_s, kAsia, {u"yahoo-chart"_s}, how,
            {u"yahoo-chart"_s}, {});
    }
    row(u"minutes, US"_s, u"minutes"_s, u"gb_aapl"_s, kNewYork, {}, {}, {u"yahoo-chart"_s}, some);
    row(u"minutes, unknown market"_s, u"minutes"_s, u"xx123"_s, kAsia, {}, {}, {}, {});
    // The fixed values some documentation prints are not ones the services know.
    row(u"minutes, placeholder ut"_s, u"minutes"_s, u"sh600519"_s, kAsia, {u"eastmoney-trends"_s},
        u"placeholder"_s, a, some);
    row(u"search, placeholder token"_s, u"search"_s, u"茅台|10"_s, kAsia, {u"eastmoney-suggest"_s},
        u"placeholder"_s, {u"eastmoney-suggest"_s}, {});

    row(u"boards, broad industry passed over"_s, u"boards"_s, u"sz000636"_s, kAsia, {}, {},
        {u"eastmoney-f10"_s}, {u"消费电子"_s, u"苹果概念"_s});
    row(u"boards, index: nothing anywhere"_s, u"boards"_s, u"sh000001"_s, kAsia, {}, {}, f10, {});
    for (const auto &[symbol, tag] :
         {std::pair{u"hk00700"_s, u"港股"_s}, {u"gb_aapl"_s, u"美股"_s}, {u"xx1"_s, u"市场"_s}})
        row(u"boards, "_s + symbol, u"boards"_s, symbol, kAsia, {}, {}, {}, {tag});
    for (const QString &symbol : {u"xx600519"_s, QString()})
        row(u"daily, no source for '"_s + symbol + u'\'', u"daily"_s, symbol, kAsia, {}, {}, {},
            {});

    const QStringList suggest{u"eastmoney-suggest"_s};
    row(u"search, index and stock share a code"_s, u"search"_s, u"000001|10"_s, kAsia, {}, {},
        suggest, {u"sh000001"_s, u"sz000001"_s});
    row(u"search, two banks"_s, u"search"_s, u"银行|10"_s, kAsia, {}, {}, suggest,
        {u"sh600036"_s, u"sz000001"_s});
    row(u"search, no hits"_s, u"search"_s, u"不存在的股票|10"_s, kAsia, {}, {}, suggest, {});
    row(u"search, only spaces"_s, u"search"_s, u"   \n\t|10"_s, kAsia, {}, {}, {}, {});
    row(u"search, limit zero"_s, u"search"_s, u"茅台|0"_s, kAsia, {}, {}, {}, {});

    // A failed status still carries a body worth reading; the empty list answers at once.
    const QStringList two{u"sh600519"_s, u"hk00700"_s};
    const QStringList realtime{u"realtime"_s};
    row(u"quotes, server error"_s, u"quotes"_s, two.join(u','), kAsia, realtime, u"status"_s,
        realtime, two);
    for (const QString &how : {u"reset"_s, u"garbage"_s, u"nobody"_s})
        row(u"quotes, "_s + how, u"quotes"_s, two.join(u','), kAsia, realtime, how, realtime, {});
    row(u"quotes, none asked"_s, u"quotes"_s, QString(), kAsia, {}, {}, {}, {});
}

void tst_MarketSources::chains()
{
    QFETCH(QString, kind);
    QFETCH(QString, what);
    QFETCH(QDateTime, moment);
    QFETCH(QStringList, failing);
    QFETCH(QString, how);
    QFETCH(QStringList, asked);
    SimHarness h(moment);
    for (const QString &route : failing) {
        if (how != u"placeholder") {
            h.failRoute(route, how);
            continue;
        }
        if (route == u"eastmoney-trends")
            h.endpoints.eastmoneyTrendsUT = u"0f1e2d3c4b5a69788796a5b4c3d2e1f0"_s;
        else
            h.endpoints.eastmoneySuggestToken = u"5A1C0E9B7F3D2468ACE13579BDF02468"_s;
        h.market = std::make_unique<MarketSources>(h.http, h.endpoints, h.clock);
    }
    const Answer answer = fetch(h, kind, what);
    QCOMPARE(answer.calls, 1);
    QCOMPARE(answer.later, kind != u"quotes" || !what.isEmpty());
    QVERIFY(answer.onMainThread);
    QTEST(answer.words, "answer");
    for (const QString &route : asked)
        QVERIFY2(SimHarness::askedOnce(h.requestCount(route), how), qPrintable(route));
    for (const SimRequest &r : h.server().requests())
        QVERIFY2(asked.contains(r.route), qPrintable(r.target));
}

// The simulator's wire lines read back as its own instruments, whatever the market; a symbol
// the service does not know is left out.
void tst_MarketSources::quotesAgreeWithSimulator()
{
    SimHarness h(shanghaiTime(2026, 4, 28, 10, 30, 7));
    h.simulator.setUnknownSymbols({u"sz300750"_s});
    const QStringList symbols{u"sh600519"_s, u"sz000001"_s, u"bj830799"_s, u"sh000001"_s,
                              u"sz399001"_s, u"hk00700"_s,  u"gb_aapl"_s,  u"gb_brk_b"_s};
    QList<Quote> quotes;
    h.market->quotes.fetch(symbols + QStringList{u"sz300750"_s, u"sz999999"_s}, &h.receiver,
                           [&](const QList<Quote> &q) { quotes = q; });
    QVERIFY(waitFor([&] { return !quotes.isEmpty(); }));
    QCOMPARE(quotes.size(), symbols.size());
    const MarketModel &model = h.simulator.model();
    for (const Quote &q : quotes) {
        const SimInstrument *i = model.instrument(q.symbol);
        QVERIFY2(i, qPrintable(q.symbol));
        const SimSnapshot s = model.snapshot(*i, h.clock.now());
        QCOMPARE(q.name, i->name);
        QCOMPARE(q.price, MarketModel::roundToTick(i->market, s.price));
        QVERIFY(qAbs(q.previousClose - s.previousClose) < 1e-6);
        QVERIFY(q.high >= q.low);
    }
}

void tst_MarketSources::minutesAgreeWithSimulator_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QString>("source");
    QTest::newRow("A-share, Eastmoney")
        << u"sh600519"_s << kAsia << QString() << u"eastmoney-trends"_s;
    QTest::newRow("A-share, Tencent")
        << u"sz000001"_s << kAsia << u"eastmoney-trends"_s << u"tencent-minute"_s;
    QTest::newRow("Hong Kong, Tencent after the close")
        << u"hk09988"_s << kEvening << QString() << u"tencent-minute"_s;
    QTest::newRow("Hong Kong, Yahoo")
        << u"hk00700"_s << kAsia << u"tencent-minute"_s << u"yahoo-chart"_s;
    QTest::newRow("US, Yahoo") << u"gb_aapl"_s << kNewYork << QString() << u"yahoo-chart"_s;
}

// A series fetched from each source agrees with the day the simulator served: positions on
// the trading axis, the day's volume and average, and the realtime quote of the same moment.
void tst_MarketSources::minutesAgreeWithSimulator()
{
    QFETCH(QString, symbol);
    QFETCH(QDateTime, moment);
    QFETCH(QString, failing);
    QFETCH(QString, source);
    SimHarness h(moment);
    if (!failing.isEmpty())
        h.failRoute(failing, u"status"_s);
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
    const double axisEnd = TradingClock::positionMax(symbol);
    QVector<double> expected;
    for (qsizetype j = 0; j < day.minutes.size(); ++j)
        expected << j * 60.0;
    if (!yahoo && symbol.startsWith(u"hk") && snap.phase == SimSnapshot::Phase::AfterClose)
        expected << axisEnd;
    if (yahoo) {
        expected.removeLast();
        if (day.minutes.last().partial) {
            expected.last() =
                TradingClock::position(symbol, day.moment.time().toString(u"HH:mm:ss"_s));
        }
        QCOMPARE(s.positions.first(), 0.0);
        QCOMPARE(s.positions.last(), expected.last());
        QVERIFY(s.positions.size() > expected.size() * 9 / 10);
        for (qsizetype k = 0; k < s.positions.size(); ++k) {
            QVERIFY(expected.contains(s.positions.at(k)));
            QVERIFY(k == 0 || s.positions.at(k) > s.positions.at(k - 1));
        }
    } else {
        QCOMPARE(s.positions, expected);
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

void tst_MarketSources::completionAfterClientIsGoneNeverRuns_data()
{
    QTest::addColumn<bool>("sourceGone"); // else the caller's context object is gone
    QTest::newRow("source gone") << true;
    QTest::newRow("context gone") << false;
}

void tst_MarketSources::completionAfterClientIsGoneNeverRuns()
{
    QFETCH(bool, sourceGone);
    SimHarness h;
    SimFault fault;
    fault.delayMs = 200;
    h.server().setFault(u"realtime"_s, fault);
    bool done = false;
    auto context = std::make_unique<QObject>();
    h.market->quotes.fetch({u"sh600519"_s}, context.get(),
                           [&](const QList<Quote> &) { done = true; });
    if (sourceGone)
        h.market.reset();
    else
        context.reset();
    QVERIFY(waitFor([&] { return h.http.requestsInFlight() == 0; }));
    QVERIFY(!done);
}

QTEST_GUILESS_MAIN(tst_MarketSources)
#include "tst_marketsources.moc"
