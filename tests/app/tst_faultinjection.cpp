// SPDX-License-Identifier: GPL-3.0-or-later
// Every outside service misbehaving in turn, end to end through the controller: each route
// of the simulated market times out, resets, answers 500, answers garbage, answers a body
// that never ends, sends the client to another host, or answers so slowly that the next
// refresh comes first. Through all of it
// the refresh cycle must keep going, never overlap itself, keep the last quotes when the
// realtime feed fails, leave every file valid JSON and hold only bounded state.
#include "FileBytes.h"
#include "SoakRun.h"

#include "ai/InsightService.h"
#include "app/PackageInfo.h"
#include "app/UpdateChecker.h"
#include "app/WatchlistManager.h"
#include "config/JsonFile.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"
#include "strategy/StrategyStore.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// An A-share outside the local catalog (Eastmoney trends, then Tencent; Eastmoney bars;
// board lookups), a Hong Kong stock (Tencent, then Yahoo) and a US stock (Yahoo): together
// they use every market route.
const QString kAShare = u"bj830799"_s;
const QStringList kWatch{kAShare, u"hk00700"_s, u"gb_aapl"_s};
const QString kRealtime = u"realtime"_s;
// Every route a refresh asks beside the realtime feed.
const QStringList kDataRoutes{u"eastmoney-trends"_s, u"tencent-minute"_s, u"yahoo-chart"_s,
                              u"eastmoney-kline"_s,  u"eastmoney-f10"_s,  u"eastmoney-stock"_s};
// The deadlines given to the clients that let a caller choose one (AI, update manifest): a
// short one where the test waits for it to pass (the answer comes far later), a roomy one
// where an answer must arrive.
constexpr int kShortDeadlineMs = 250;
constexpr int kRoomyDeadlineMs = kPatienceMs;
const QString kStatusOutage = u"网络异常，显示上次行情"_s;
const QString kStatusLoading = u"正在加载行情..."_s;

// The realtime feed lives on a host of its own, as the real one does: a second port of the
// same simulator, so its requests never wait behind hung requests to the data routes.
void ownHostForQuotes(Endpoints &endpoints, SimHarness &market)
{
    const quint16 port = market.server().listen(QHostAddress::LocalHost, 0);
    if (port != 0)
        endpoints.sina = QUrl(u"http://127.0.0.1:"_s + QString::number(port));
}

// Every file the program keeps is whole and of its documented shape.
QString fileProblem(KestrumApp &app)
{
    const auto shaped = [](const QString &path, bool array, bool required) -> QString {
        if (!QFileInfo::exists(path))
            return required ? path + u" is missing"_s : QString();
        const std::optional<QJsonDocument> doc = JsonFile::read(path);
        if (!doc || (array ? !doc->isArray() : !doc->isObject()))
            return path + u" is not valid JSON of its shape"_s;
        return QString();
    };
    const StrategyStore &store = app.strategy();
    const QString problem = shaped(app.config().watchlistPath(), true, true) +
                            shaped(app.config().settingsPath(), false, true) +
                            shaped(store.dailyCacheURL(), false, false) +
                            shaped(store.boardMapURL(), false, false);
    if (!problem.isEmpty())
        return problem;
    const QByteArray bytes = readBytes(store.decisionSamplesURL()); // may not exist yet
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        return u"the sample log ends inside a line"_s;
    for (const QByteArray &line : bytes.split('\n')) {
        if (!line.isEmpty() && !QJsonDocument::fromJson(line).isObject())
            return u"a sample log line does not parse: "_s + QString::fromUtf8(line.left(80));
    }
    return QString();
}

// A market whose days (minute paths, daily bars) the first world has computed already: every
// world serves a copy of it instead of computing the same half year of days again.
std::optional<MarketModel> g_warmMarket;
// Where redirects point: another loopback host, which must never hear from the program.
std::unique_ptr<QTcpServer> g_elsewhere;

struct FaultWorld
{
    explicit FaultWorld(const QDateTime &start = shanghaiTime(2026, 4, 28, 10, 30))
        : h(kWatch, start, nullptr, ownHostForQuotes, g_warmMarket.value_or(MarketModel()))
    {
        // Counts refresh starts and ends and notes any start before the previous end.
        KestrumApp *app = h.app.get();
        QObject::connect(app, &KestrumApp::refreshStarted, app,
                         [this] { overlapped |= started++ != finished; });
        QObject::connect(app, &KestrumApp::refreshFinished, app,
                         [this] { overlapped |= ++finished > started; });
        app->loadStrategy();
    }

    // One timer tick 12 s later, plus two more ticks at once that must be dropped.
    void tick()
    {
        h.clock().advanceSecs(12);
        h.app->refresh();
        h.app->refresh();
        h.app->refresh();
    }
    bool tickAndWait(int timeoutMs = kPatienceMs)
    {
        const int before = finished;
        tick();
        return waitFor([&] { return finished > before; }, timeoutMs);
    }
    // Everything sent has been answered or given up on.
    bool settle(int timeoutMs = kPatienceMs)
    {
        return waitFor([&] { return h.app->http().requestsInFlight() == 0; }, timeoutMs);
    }
    // Refresh requests sent. A request the network layer resends by itself after a reset
    // of a kept-alive connection carries the same target, so it is one request here.
    int realtimeRequests() const
    {
        QSet<QString> targets;
        for (const SimRequest &request : const_cast<AppHarness &>(h).server().requests(kRealtime))
            targets.insert(request.target);
        return int(targets.size());
    }
    // Refreshes never overlapped, each sent one realtime request, files and state are sound.
    QString problem() const
    {
        if (overlapped)
            return u"refreshes overlapped"_s;
        if (realtimeRequests() != started)
            return u"%1 realtime requests for %2 refreshes"_s.arg(realtimeRequests()).arg(started);
        const QString files = fileProblem(*h.app);
        return files.isEmpty() ? perSymbolStateProblem(*h.app, kWatch.size()) : files;
    }
    bool isFilled() const
    {
        KestrumApp &app = *h.app;
        for (const Quote &quote : app.quotes()) {
            if (!app.intraday().isReal(quote.symbol) ||
                !app.dailyCache().dailyCacheRecordForQuote(quote))
                return false;
        }
        return app.quotes().size() == kWatch.size() &&
               app.boardTags().hasUsableBoardTagsForSymbol(kAShare);
    }

    AppHarness h;
    int started = 0;
    int finished = 0;
    bool overlapped = false;
};

SimFault faultNamed(const QString &name, const QString &route)
{
    SimFault fault;
    fault.reset = name == u"reset";
    fault.status = name == u"status500" ? 500 : 0;
    // The realtime feed reads any body whatever the status, as its provider sends real
    // quotes that way; a realistic 500 carries an error page.
    fault.garbage = name == u"garbage" || (fault.status == 500 && route == kRealtime);
    fault.emptyBody = name == u"empty";
    fault.endless = name == u"endless";
    if (name == u"redirect")
        fault.redirectTo =
            "http://127.0.0.2:" + QByteArray::number(g_elsewhere->serverPort()) + "/moved";
    // Slow: past the next refresh, well inside the client's deadline. Timeout: far past the
    // short deadline given where the client lets the caller choose one.
    fault.delayMs = name == u"slow" ? 150 : name == u"timeout" ? kPatienceMs : 0;
    return fault;
}

} // namespace

#define VERIFY_NO_PROBLEM(expr)                                                                    \
    do {                                                                                           \
        const QString problem_ = (expr);                                                           \
        QVERIFY2(problem_.isEmpty(), qPrintable(problem_));                                        \
    } while (false)

class tst_FaultInjection : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup() { QVERIFY(!g_elsewhere->hasPendingConnections()); }
    void realtimeFaults_data() { addFaultRows({kRealtime}); }
    void realtimeFaults();
    void marketDataFaults_data() { addFaultRows({u"data"_s}); }
    void marketDataFaults();
    void serviceFaults_data();
    void serviceFaults();
    void timeoutsOnEveryMarketRoute();

private:
    // Every fault for each route; "timeout" only for `timedRoutes`, whose deadline the test sets.
    static void addFaultRows(const QStringList &routes, const QStringList &timedRoutes = {});
};

void tst_FaultInjection::initTestCase()
{
    g_elsewhere = std::make_unique<QTcpServer>();
    QVERIFY(g_elsewhere->listen(QHostAddress(u"127.0.0.2"_s)));
    FaultWorld first;
    QVERIFY(first.tickAndWait());
    QVERIFY(first.settle());
    QVERIFY(first.isFilled());
    g_warmMarket = first.h.market.simulator.model();
}

void tst_FaultInjection::addFaultRows(const QStringList &routes, const QStringList &timedRoutes)
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<QString>("fault");
    for (const QString &route : routes + timedRoutes) {
        for (const char *fault :
             {"reset", "status500", "garbage", "empty", "endless", "redirect", "slow", "timeout"}) {
            if (timedRoutes.contains(route) || qstrcmp(fault, "timeout") != 0)
                QTest::addRow("%s %s", qPrintable(route), fault)
                    << route << QString::fromLatin1(fault);
        }
    }
}

void tst_FaultInjection::realtimeFaults()
{
    QFETCH(QString, fault);
    FaultWorld w;
    QVERIFY(w.tickAndWait());
    QVERIFY(w.settle());
    const QList<Quote> before = w.h.app->quotes();
    const QVector<double> pointsBefore = w.h.app->intraday().prices(kAShare);
    QCOMPARE(before.size(), kWatch.size());

    w.h.server().setFault(kRealtime, faultNamed(fault, kRealtime));
    const int finishedBefore = w.finished;
    w.tick();
    QVERIFY(w.h.app->isRefreshing());
    QCOMPARE(w.h.app->lastStatus(), kStatusLoading);
    // The next timer tick comes while the answer is still out: dropped, not sent.
    w.h.clock().advanceSecs(12);
    w.h.app->refresh();
    QVERIFY(waitFor([&] { return w.finished > finishedBefore; }));
    QCOMPARE(w.realtimeRequests(), w.started);

    if (fault == u"slow") {
        // A late answer is still an answer: the refresh learns from it.
        QVERIFY(w.h.app->lastStatus().startsWith(u"2026-04-28 10:30:"_s));
        QVERIFY(w.h.app->intraday().prices(kAShare).size() >= pointsBefore.size());
    } else {
        QCOMPARE(w.h.app->intraday().prices(kAShare), pointsBefore);
        const QString title = w.h.app->title();
        QVERIFY(title.startsWith(before.first().name) || title.contains(before.at(1).name) ||
                title.contains(before.at(2).name));
        // Still failing at the next ticks: same outcome, one request each.
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(w.h.app->lastStatus(), kStatusOutage);
            QCOMPARE(w.h.app->quotes(), before);
            if (i < 2)
                QVERIFY(w.tickAndWait());
        }
    }

    w.h.server().clearFaults();
    QVERIFY(w.tickAndWait());
    QVERIFY(w.settle());
    QVERIFY(w.h.app->lastStatus().startsWith(u"2026-04-28 10:3"_s));
    QVERIFY(w.h.app->quotes().first().price > 0);
    QCOMPARE(w.started, w.finished);
    VERIFY_NO_PROBLEM(w.problem());
}

void tst_FaultInjection::marketDataFaults()
{
    // One world per data route, all misbehaving at once in the same way (each world's other
    // routes behave): they wait on their servers side by side.
    QFETCH(QString, fault);
    const QStringList &routes = kDataRoutes;
    std::vector<std::unique_ptr<FaultWorld>> worlds;
    for (const QString &route : routes) {
        auto w = std::make_unique<FaultWorld>();
        // The quote service's board fields are only asked when F10 has nothing.
        if (route == u"eastmoney-stock")
            w->h.market.simulator.setEmptyDataRoutes({u"eastmoney-f10"_s});
        w->h.server().setFault(route, faultNamed(fault, route));
        worlds.push_back(std::move(w));
    }
    // The first problem of any world, named by its route.
    const auto each = [&](const std::function<QString(FaultWorld &)> &step) -> QString {
        for (std::size_t i = 0; i < worlds.size(); ++i) {
            if (const QString problem = step(*worlds[i]); !problem.isEmpty())
                return routes.at(qsizetype(i)) + u": "_s + problem;
        }
        return QString();
    };
    const auto tickAll = [&] {
        std::vector<int> before;
        for (auto &w : worlds) {
            before.push_back(w->finished);
            w->tick();
        }
        return waitFor([&] {
            for (std::size_t i = 0; i < worlds.size(); ++i)
                if (worlds[i]->finished <= before[i])
                    return false;
            return true;
        });
    };
    const auto settleAll = [&] {
        return std::all_of(worlds.begin(), worlds.end(), [](auto &w) { return w->settle(); });
    };

    // Several refreshes while the services misbehave; the slow answers arrive after the
    // refreshes that follow the one that asked.
    for (int i = 0; i < 3; ++i) {
        QVERIFY(tickAll());
        VERIFY_NO_PROBLEM(each([](FaultWorld &w) -> QString {
            if (!w.h.app->lastStatus().startsWith(u"2026-04-28 10:30:"_s))
                return u"status "_s + w.h.app->lastStatus();
            return w.h.app->quotes().size() == kWatch.size() ? QString() : u"quotes lost"_s;
        }));
    }
    QVERIFY(settleAll());
    for (std::size_t i = 0; i < worlds.size(); ++i)
        QVERIFY2(worlds[i]->h.requestCount(routes.at(qsizetype(i))) > 0,
                 "the route was never asked");
    VERIFY_NO_PROBLEM(each([](FaultWorld &w) { return w.problem(); }));

    // Once the services are back, whatever was missing is filled at the next refreshes.
    for (auto &w : worlds) {
        w->h.server().clearFaults();
        w->h.market.simulator.setEmptyDataRoutes({});
    }
    for (int i = 0;
         i < 5 && !each([](FaultWorld &w) { return w.isFilled() ? QString() : u"-"_s; }).isEmpty();
         ++i) {
        QVERIFY(tickAll());
        QVERIFY(settleAll());
    }
    VERIFY_NO_PROBLEM(
        each([](FaultWorld &w) { return w.isFilled() ? w.problem() : QString(u"not filled"_s); }));
}

void tst_FaultInjection::serviceFaults_data()
{
    // The search's deadline is fixed: its timeout is waited out in timeoutsOnEveryMarketRoute.
    addFaultRows({u"eastmoney-suggest"_s},
                 {MarketSimulator::chatRouteName(), MarketSimulator::manifestRouteName()});
}

void tst_FaultInjection::serviceFaults()
{
    // The services asked beside the refresh: symbol search, AI chat, update manifest. Each
    // fails with a clear outcome (never an empty success) while the refreshes go on.
    QFETCH(QString, route);
    QFETCH(QString, fault);
    FaultWorld w;
    WatchlistManager manager(*w.h.app);
    QSignalSpy answered(&manager, &WatchlistManager::remoteAnswered);

    AppSettings &settings = w.h.app->settings();
    settings.aiEnabled = true;
    settings.aiAPIKey = u"sk-test"_s;
    settings.aiModel = u"sim-chat"_s;
    settings.aiBaseURL = w.h.market.baseUrl().toString() + u"/v1"_s;
    w.h.app->saveSettings();
    InsightService &insights = w.h.app->insights();

    const PackageInfo package{u"1"_s, u"1.0.0"_s, w.h.market.simulator.manifestUrl().toString(),
                              u"https://kestrum.example/download"_s};
    UpdateChecker checker(w.h.app->http(), package, [](const QUrl &) { return true; });
    QList<UpdateAlert> alerts;
    connect(&checker, &UpdateChecker::alertRequested, &checker, [&](const UpdateAlert &alert) {
        alerts << alert;
        checker.answerAlert(alert.id, -1);
    });
    const int deadline = fault == u"timeout" ? kShortDeadlineMs : kRoomyDeadlineMs;
    insights.setRequestTimeoutMs(deadline);
    checker.setRequestTimeoutMs(deadline);

    // Asks once, with a refresh while the service is out; false when no answer came.
    const bool search = route == u"eastmoney-suggest";
    const bool chat = route == MarketSimulator::chatRouteName();
    int asked = 0;
    QList<WatchItem> local;
    const auto ask = [&] {
        ++asked;
        if (search) {
            manager.updateWatchSuggestions(u"招商银行"_s);
            local = manager.suggestions();
        } else if (chat) {
            insights.generateAIInsight(kAShare);
        } else {
            checker.checkForUpdates();
        }
        return w.tickAndWait() && waitFor([&] {
                   if (search)
                       return answered.count() == asked;
                   if (chat)
                       return !insights.isLoading(kAShare);
                   return !checker.isUpdateCheckInFlight() && alerts.size() == asked;
               });
    };
    const auto succeeded = [&] {
        if (search)
            return answered.last().at(1).toBool();
        if (chat)
            return insights.hasFreshAIInsightForQuote(*w.h.app->quoteForSymbol(kAShare));
        // Never "up to date" when the manifest could not be read.
        return alerts.last().style == UpdateAlert::Style::Informational;
    };

    QVERIFY(w.tickAndWait());
    w.h.server().setFault(route, faultNamed(fault, route));
    QVERIFY(ask());
    const bool ok = succeeded();
    QCOMPARE(ok, fault == u"slow");
    if (search && !ok)
        QCOMPARE(manager.suggestions(), local); // the local matches stay
    if (chat) // a failure says so, and nothing pretends to be an insight
        QCOMPARE(!insights.errorForSymbol(kAShare).value_or(QString()).isEmpty(), !ok);
    if (!search && !chat && !ok) {
        QCOMPARE(alerts.last().title, u"检查更新失败"_s);
        QCOMPARE(alerts.last().style, UpdateAlert::Style::Warning);
    }
    QVERIFY(w.settle());
    VERIFY_NO_PROBLEM(fileProblem(*w.h.app));

    w.h.server().clearFaults();
    insights.setRequestTimeoutMs(kRoomyDeadlineMs);
    checker.setRequestTimeoutMs(kRoomyDeadlineMs);
    QVERIFY(ask());
    QVERIFY(succeeded());
    if (search)
        QCOMPARE(manager.suggestions().first().value(u"symbol"_s).toString(), u"sh600036"_s);
    if (chat)
        QVERIFY(!insights.errorForSymbol(kAShare));
    QVERIFY(w.settle());
    VERIFY_NO_PROBLEM(w.problem());
}

void tst_FaultInjection::timeoutsOnEveryMarketRoute()
{
    // The market-data client's deadlines are fixed (8 s for quotes and minute data, 6 s
    // for search), so both worlds wait them out side by side: one whose realtime feed
    // hangs, one whose every other market route hangs. The answers come so long after the
    // deadlines that giving up is the only outcome.
    const int hang = sina::kRealtimeTimeoutMs + kPatienceMs;
    FaultWorld quotesHang;
    FaultWorld dataHang;
    QVERIFY(quotesHang.tickAndWait());
    QVERIFY(quotesHang.settle());
    const QList<Quote> before = quotesHang.h.app->quotes();

    SimFault slow;
    slow.delayMs = hang;
    quotesHang.h.server().setFault(kRealtime, slow);
    const QStringList dataRoutes = kDataRoutes + QStringList{u"eastmoney-suggest"_s};
    for (const QString &route : dataRoutes)
        dataHang.h.server().setFault(route, slow);
    WatchlistManager manager(*dataHang.h.app);
    QSignalSpy answered(&manager, &WatchlistManager::remoteAnswered);
    manager.updateWatchSuggestions(u"招商"_s);

    QElapsedTimer elapsed;
    elapsed.start();
    quotesHang.tick();
    // The data routes never hold a refresh up: it is over while what it asked for is out.
    QVERIFY(dataHang.tickAndWait());
    QVERIFY(dataHang.h.app->http().requestsInFlight() > 0);
    int maxInFlight = 0;
    // Timer ticks keep coming: the hung world drops them all, the other refreshes again.
    QTimer ticker;
    ticker.setInterval(1000);
    connect(&ticker, &QTimer::timeout, &ticker, [&] {
        if (quotesHang.finished < 2)
            quotesHang.tick();
        dataHang.tick();
        maxInFlight = std::max(maxInFlight, dataHang.h.app->http().requestsInFlight());
    });
    ticker.start();
    QVERIFY(waitFor([&] { return quotesHang.finished == 2; }, hang));
    ticker.stop();
    QVERIFY(elapsed.elapsed() >= sina::kRealtimeTimeoutMs - 100);
    QCOMPARE(quotesHang.realtimeRequests(), 2);
    QCOMPARE(quotesHang.h.app->quotes(), before);
    QCOMPARE(quotesHang.h.app->lastStatus(), kStatusOutage);

    // The requests sent while the routes hung give up; what follows finds them back.
    for (const QString &route : dataRoutes)
        dataHang.h.server().clearFault(route);
    QVERIFY(answered.count() > 0 || answered.wait(kPatienceMs));
    QCOMPARE(answered.first().at(1).toBool(), false);
    QVERIFY(dataHang.settle(hang));
    QVERIFY2(dataHang.started >= 2, qPrintable(QString::number(dataHang.started)));
    QVERIFY(dataHang.h.app->lastStatus().startsWith(u"2026-04-28 10:3"_s));
    // At most what one refresh asks for (minute series, daily bars, one board lookup per
    // symbol) for each refresh that fits in a deadline.
    QVERIFY2(maxInFlight <= 3 * int(kWatch.size()) * 10, qPrintable(QString::number(maxInFlight)));

    quotesHang.h.server().clearFaults();
    for (FaultWorld *w : {&quotesHang, &dataHang}) {
        for (int i = 0; i < 5 && !w->isFilled(); ++i) {
            QVERIFY(w->tickAndWait());
            QVERIFY(w->settle());
        }
        QVERIFY(w->isFilled());
        VERIFY_NO_PROBLEM(w->problem());
    }
}

QTEST_GUILESS_MAIN(tst_FaultInjection)
#include "tst_faultinjection.moc"
