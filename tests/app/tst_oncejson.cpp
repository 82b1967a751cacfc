// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppHarness.h"
#include "FileBytes.h"

#include "app/OnceRunner.h"
#include "app/SnapshotDocument.h"
#include "decision/DecisionEngine.h"
#include "intraday/IntradayAnalytics.h"
#include "net/HttpClient.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTest>

#include <sys/resource.h>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// The key set the document promises for every quote.
const QStringList kRequiredKeys =
    uR"(symbol name price previousClose open high low volume amount date time changePercent
    seriesLength recentPercentChangeForQuote:5 recentPercentChangeForQuote:10
    recentPercentChangeForQuote:15 recentPercentChangeForQuote:30 recentPercentChangeForQuote:60
    intradayPercentChangeForQuote:0 recentVolumeRatioForQuote:5 recentVolumeRatioForQuote:10
    recentVolumeRatioForQuote:15 intradayLocationDescriptionForQuote
    intradayStructureDescriptionForQuote detailedVolumePriceDescriptionForQuote
    dailyFeaturesForQuote dailyContextForQuote boardTagsForQuote marketBackgroundScoreForQuote
    boardBackgroundScoreForQuote marketBackgroundDescriptionForQuote backgroundBiasForQuote
    hasChaseRiskForQuote hasSevereRiskForQuote coreRiskStateForQuote buyDecisionStatusForQuote
    sellDecisionStatusForQuote executionStatusForQuote riskStatusForQuote
    decisionConfidenceForQuote nextWatchDirectiveForQuote keyLevelScenarioForQuote
    mainDecisionReasonsForQuote stateSnapshotForQuote riskPressureScoreForQuote
    stateContinuityDescriptionForQuote inputs titleForQuote shortName formatPrice formatChange
    formatPercent formatCompactNumber:volume formatCompactNumber:amount
    opportunityAgentReportForQuote riskAgentReportForQuote structureAgentReportForQuote
    volumePriceAgentReportForQuote moderatorTaskForQuote operationHintDescriptionForQuote
    aiPromptForQuote conservativeAIInsightFallbackForQuote hasDailyHighExtensionRiskForQuote
    hasSupportiveDailyBackgroundForQuote hasWeakDailyBackgroundForQuote
    shouldRefreshDailyCacheForQuote dailyContextAccentForQuote dailyContextBadgeDisplayForQuote
    boardBackgroundNameForQuote scenarioMetricHintForTitle:机会 scenarioMetricHintForTitle:盯位
    alertSnapshotTextForQuote alertNotificationPayloadForQuote:off
    alertNotificationPayloadForQuote:sensitive intradayIndexForPositionAtOrBefore:0
    buyLabelForCoreRiskState:转强成立 sellLabelForCoreRiskState:结构转弱
    executionLabelForCoreRiskState:回踩观察 positionForQuote)"_s.simplified()
        .split(u' ');

} // namespace

class tst_OnceJson : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void documentIsCompleteAndAgrees();
    void executablePrintsDocument();
    void positionsInDocument();
};

void tst_OnceJson::documentIsCompleteAndAgrees()
{
    AppHarness h({u"sh600519"_s, u"sz999999"_s, u"hk00700"_s, u"gb_aapl"_s},
                 shanghaiTime(2026, 4, 28, 14, 5));
    h.app->loadStrategy();
    const QJsonObject doc = OnceRunner::run(*h.app, kPatienceMs);
    QCOMPARE(doc.value(u"today"_s).toString(), u"2026-04-28"_s);
    QCOMPARE(doc.value(u"lastStatus"_s).toString(), h.app->lastStatus());
    QCOMPARE(doc.value(u"background"_s).toObject().size(), 5);
    const QJsonArray quotes = doc.value(u"quotes"_s).toArray();
    QCOMPARE(quotes.size(), 4); // one per watch item, the unknown one as a placeholder
    for (int i = 0; i < quotes.size(); ++i) {
        const QJsonObject q = quotes.at(i).toObject();
        for (const QString &key : kRequiredKeys)
            QVERIFY2(q.contains(key), qPrintable(q.value(u"symbol"_s).toString() + u' ' + key));
        const Quote quote = h.app->quotes().at(i);
        QCOMPARE(q.value(u"symbol"_s).toString(), quote.symbol);
        // What the document says is what the engine and the analytics answer for the quote.
        const DecisionEngine &e = h.app->engine();
        QStringList got;
        for (const char16_t *key :
             {u"buyDecisionStatusForQuote", u"sellDecisionStatusForQuote",
              u"executionStatusForQuote", u"riskStatusForQuote", u"coreRiskStateForQuote",
              u"nextWatchDirectiveForQuote", u"intradayLocationDescriptionForQuote"})
            got << q.value(QString::fromUtf16(key)).toString();
        QCOMPARE(got, (QStringList{
                          e.buyDecisionStatusForQuote(quote), e.sellDecisionStatusForQuote(quote),
                          e.executionStatusForQuote(quote), e.riskStatusForQuote(quote),
                          e.coreRiskStateForQuote(quote), e.nextWatchDirectiveForQuote(quote),
                          h.app->analytics().intradayLocationDescriptionForQuote(quote)}));
        // One refresh has nothing to compare with.
        QVERIFY(q.value(u"alertNotificationPayloadForQuote:sensitive"_s).isNull());
    }
    const IntradayStore &store = h.app->intraday();
    QCOMPARE(quotes.at(0).toObject().value(u"intradayIndexForPositionAtOrBefore:7200"_s),
             QJsonValue(store.intradayIndexForPositionAtOrBefore(7200, u"sh600519"_s)));
    QVERIFY(quotes.at(1).toObject().value(u"intradayIndexForPositionAtOrBefore:14400"_s).isNull());
    // The US has no midday break: the open and the close only.
    const QJsonObject apple = quotes.at(3).toObject();
    QVERIFY(apple.contains(u"intradayIndexForPositionAtOrBefore:23400"_s));
    QVERIFY(!apple.contains(u"intradayIndexForPositionAtOrBefore:11700"_s));
    // The follow-up fetches settled before the document was taken.
    const QJsonObject moutai = quotes.at(0).toObject();
    QVERIFY(moutai.value(u"inputs"_s).toObject().value(u"isRealSeries"_s).toBool());
    QVERIFY(!moutai.value(u"dailyFeaturesForQuote"_s).toObject().isEmpty());
    QVERIFY(!moutai.value(u"boardTagsForQuote"_s).toArray().isEmpty());
    QCOMPARE(quotes.at(1).toObject().value(u"price"_s).toDouble(), 0.0);
    QCOMPARE(quotes.at(2).toObject().value(u"boardTagsForQuote"_s).toArray(),
             QJsonArray{u"港股"_s});
}

void tst_OnceJson::executablePrintsDocument()
{
    // The simulator runs as a process of its own, its clock all but still at 10:45: nothing
    // paces a body it sends but the client.
    QProcess sim;
    sim.start(buildPath(u"src/kestrum-sim"_s),
              {u"--port"_s, u"0"_s, u"--clock"_s,
               QString::number(QDateTime::currentMSecsSinceEpoch()) +
                   u",2026-04-28T10:45:00+08:00,0.0001"_s});
    QVERIFY(waitFor([&] { return sim.canReadLine() || sim.state() == QProcess::NotRunning; }));
    const QByteArray line = sim.readLine().trimmed();
    const QUrl base(QString::fromUtf8(line.mid(line.lastIndexOf(' ') + 1)));
    QVERIFY2(base.port() > 0, line.constData());
    const auto stopSim = qScopeGuard([&] {
        sim.kill();
        sim.waitForFinished(kPatienceMs);
    });
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.path() + u"/data/watchlist.json"_s,
                       R"([{"symbol": "sh600519"}, {"symbol": "hk00700"}])"));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"KESTRUM_DATA_DIR"_s, dir.path() + u"/data"_s);
    env.insert(u"KESTRUM_MARKET_URL"_s, base.toString());
    env.insert(u"XDG_CONFIG_HOME"_s, dir.path() + u"/config"_s);
    env.remove(u"DISPLAY"_s);
    env.remove(u"QT_QPA_PLATFORM"_s); // it must not need a display at all
    // The document, the exit status and the peak resident memory (KiB) of every child so far.
    const auto runOnce = [&env](const QStringList &arguments) {
        QProcess kestrum;
        kestrum.setProcessEnvironment(env);
        kestrum.start(buildPath(u"src/kestrum"_s), arguments);
        // Its own bound is 30 s; this one is only reached if that one is broken.
        const bool ended = kestrum.waitForFinished(4 * kPatienceMs);
        rusage usage{};
        getrusage(RUSAGE_CHILDREN, &usage);
        return std::tuple(QJsonDocument::fromJson(kestrum.readAllStandardOutput()).object(),
                          ended ? kestrum.exitCode() : -1, qint64(usage.ru_maxrss));
    };
    const auto [doc, status, wholeKiB] = runOnce({u"--once"_s, u"--json"_s});
    QCOMPARE(status, 0);
    const QJsonArray quotes = doc.value(u"quotes"_s).toArray();
    QCOMPARE(quotes.size(), 2);
    QCOMPARE(quotes.at(0).toObject().value(u"time"_s).toString(), u"10:45:00"_s);
    // No lock was taken: a running Kestrum beside it is unaffected.
    QVERIFY(!QFile::exists(dir.path() + u"/runtime/com.orvell.kestrum.lock"_s));

    // The realtime feed sends a body that never ends: the document still comes, saying so,
    // and the status is 3. The body is cut at its cap (4 MiB) while the network layer holds
    // no more than a bounded read buffer; unbounded, it took in hundreds of MiB first.
    HttpClient http;
    HttpRequest endless;
    endless.url = base.resolved(QUrl(u"/_sim/fault?route=realtime&endless=1"_s));
    const auto set = awaitCompletion<HttpResponse>(
        [&](auto done) { http.send(endless, nullptr, std::move(done)); });
    QVERIFY(set && set->ok());
    const auto [failed, failedStatus, peakKiB] = runOnce({u"--once"_s, u"--json"_s});
    QCOMPARE(failedStatus, 3);
    QCOMPARE(failed.value(u"lastStatus"_s).toString(), u"网络异常，显示上次行情"_s);
    QCOMPARE(failed.value(u"quotes"_s).toArray().size(), 2);
    QVERIFY2(peakKiB - wholeKiB < 32 * 1024,
             qPrintable(u"%1 KiB over %2 KiB"_s.arg(peakKiB - wholeKiB).arg(wholeKiB)));

    QCOMPARE(std::get<1>(runOnce({u"--once"_s})), 2);
}

// Each quote's position valued at its quote, null without a position or a price, and the
// totals per currency with the yuan total from the user's rates.
void tst_OnceJson::positionsInDocument()
{
    AppHarness h;
    QVERIFY(writeBytes(h.app->config().watchlistPath(), R"([
        {"symbol": "sh600519", "shares": 300, "cost": 1400},
        {"symbol": "sz999999", "shares": 100, "cost": 10},
        {"symbol": "hk00700", "shares": 200},
        {"symbol": "gb_aapl"}])"));
    h.app->settings().exchangeRateHKD = 0.92;
    QVERIFY(h.refreshAndWait());
    const QJsonObject doc = SnapshotDocument::build(*h.app);
    const QJsonArray quotes = doc.value(u"quotes"_s).toArray();
    QCOMPARE(quotes.size(), 4);
    for (int i : {0, 2}) {
        const Quote quote = h.app->quotes().at(i);
        const auto figures =
            HoldingFigures::forQuote(quote, *h.app->holdingForSymbol(quote.symbol));
        QVERIFY(figures);
        QCOMPARE(quotes.at(i)[u"positionForQuote"_s].toObject(), figures->toJson());
    }
    QCOMPARE(quotes.at(0)[u"positionForQuote"_s][u"currency"_s].toString(), u"CNY"_s);
    QVERIFY(quotes.at(2)[u"positionForQuote"_s][u"floatingProfit"_s].isNull()); // no cost
    QVERIFY(quotes.at(1)[u"positionForQuote"_s].isNull()); // a placeholder: no figure
    QVERIFY(quotes.at(3)[u"positionForQuote"_s].isNull()); // no position
    const QJsonObject totals = doc.value(u"positionTotals"_s).toObject();
    const ExchangeRates rates{0.92, std::nullopt};
    QCOMPARE(totals, h.app->holdingTotals().toJson(rates));
    QCOMPARE(totals[u"unpricedPositions"_s].toInt(), 1);
    QCOMPARE(totals[u"totalCNY"_s][u"marketValue"_s].toDouble(),
             roundToCents(totals[u"byCurrency"_s][u"CNY"_s][u"marketValue"_s].toDouble() +
                          0.92 * totals[u"byCurrency"_s][u"HKD"_s][u"marketValue"_s].toDouble()));
    // The rates are the user's and stay in the settings file.
    QVERIFY(h.app->saveSettings());
    QCOMPARE(h.app->config().loadSettings().value(u"exchangeRateHKD"_s).toDouble(), 0.92);
    QVERIFY(!h.app->config().loadSettings().contains(u"exchangeRateUSD"_s));
}

QTEST_GUILESS_MAIN(tst_OnceJson)
#include "tst_oncejson.moc"
