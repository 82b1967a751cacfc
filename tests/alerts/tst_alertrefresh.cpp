#include "alerts/AlertCenter.h"
#include "app/KestrumApp.h"
#include "decision/DecisionEngine.h"
#include "decision/StateSnapshots.h"

#include "AppHarness.h"
#include "ScriptedMarket.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

#include <utility>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

const QString kSymbol = u"sh601888"_s; // unknown to the simulator: no daily bars, no boards
const QString kName = u"中国中免"_s;

// Trading positions (seconds since 09:30) of the morning refreshes.
constexpr double at(int hour, int minute)
{
    return hour < 12 ? ((hour - 9) * 60 + minute - 30) * 60.0
                     : 7200 + ((hour - 13) * 60 + minute) * 60.0;
}

// Opened at 10.00 and stalled at 10.20 for the last twenty minutes: above the average line
// but nothing confirmed yet (等确认, 守 10.10).
ScriptedSeries waiting(double end)
{
    return ScriptedSeries::through({{0, 10.00}, {end - 1200, 10.20}, {end, 10.20}})
        .endingAverageAt(10.10);
}

// A steady climb from 10.00 on even volume: buy confirmation with medium-term support and
// a supportive background (可跟踪, 守 10.10).
ScriptedSeries tracking(double end)
{
    return ScriptedSeries::through({{0, 10.00}, {end, 10.20}}).endingAverageAt(10.10);
}

// The climb given back within eight minutes, down to 10.04 under the 10.10 average line
// (先防守, 失 10.10).
ScriptedSeries defending(double end)
{
    return ScriptedSeries::through({{0, 10.00}, {end - 480, 10.20}, {end, 10.04}})
        .endingAverageAt(10.10);
}

QString snapshotText(const KestrumApp &app, const QString &key)
{
    return app.snapshots().currentStateSnapshotForSymbol(kSymbol).value(key).toString();
}

} // namespace

class tst_AlertRefresh : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stateChangesByPreset_data();
    void stateChangesByPreset();
    void pressureEscalation();
    void flipInsideEightMinutes();
    void failedRefreshComparesWithLastSuccess();
    void simulatedDayUnderSensitive();
    void legacySettings_data();
    void legacySettings();
    void testNotificationOnLaunch_data();
    void testNotificationOnLaunch();
};

void tst_AlertRefresh::stateChangesByPreset_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QStringList>("titles");

    QTest::newRow("off") << u"off"_s << QStringList();
    QTest::newRow("conservative") << u"conservative"_s << QStringList{u"风险提醒"_s};
    QTest::newRow("standard") << u"standard"_s << QStringList{u"机会提醒"_s, u"风险提醒"_s};
    QTest::newRow("sensitive") << u"sensitive"_s << QStringList{u"机会提醒"_s, u"风险提醒"_s};
}

void tst_AlertRefresh::stateChangesByPreset()
{
    QFETCH(QString, preset);
    QFETCH(QStringList, titles);

    ScriptedAppHarness h({kSymbol});
    h.app->settings().alertPreset = preset;

    h.stage(kSymbol, kName, waiting(at(10, 40)), 10.00, 10.60, 9.95);
    QVERIFY(h.refreshAndWait());
    QCOMPARE(snapshotText(*h.app, u"execution"_s), u"等确认"_s);
    QCOMPARE(snapshotText(*h.app, u"risk"_s), u"守 10.10"_s);

    h.stage(kSymbol, kName, tracking(at(10, 42)), 10.00, 10.60, 9.95);
    QVERIFY(h.refreshAndWait());
    QCOMPARE(snapshotText(*h.app, u"execution"_s), u"可跟踪"_s);
    QCOMPARE(snapshotText(*h.app, u"risk"_s), u"守 10.10"_s);
    QVERIFY(!h.app->decision().shouldHoldBackAggressiveBuyForQuote(h.app->quotes().first()));

    h.stage(kSymbol, kName, defending(at(10, 44)), 10.00, 10.60, 9.95);
    QVERIFY(h.refreshAndWait());
    QCOMPARE(snapshotText(*h.app, u"execution"_s), u"先防守"_s);
    QCOMPARE(snapshotText(*h.app, u"risk"_s), u"失 10.10"_s);

    QStringList seen;
    for (const auto &post : h.notifier.posts)
        seen.append(post.title);
    QCOMPARE(seen, titles);
    for (const auto &post : h.notifier.posts) {
        if (post.title == u"机会提醒") {
            QCOMPARE(post.body, u"中国中免 重新转强，可跟踪：可跟踪。现价 10.20（+2.00%）"_s);
            QCOMPARE(post.identifier, u"kestrum-state-sh601888-可跟踪-守 10.10"_s);
        } else {
            QCOMPARE(post.body, u"中国中免 风险抬升，先防守：失 10.10。现价 10.04（+0.40%）"_s);
            QCOMPARE(post.identifier, u"kestrum-state-sh601888-先防守-失 10.10"_s);
        }
    }
}

void tst_AlertRefresh::pressureEscalation()
{
    ScriptedAppHarness h({kSymbol});
    h.app->settings().alertPreset = u"conservative"_s;

    // Up to 10.40 in the first half hour, faded to 10.10 by midday, then lower after it.
    const QList<QPair<double, double>> day{
        {0, 10.00}, {1800, 10.40}, {7200, 10.10}, {at(13, 35), 10.07}, {at(13, 40), 10.05}};
    h.stage(kSymbol, kName, ScriptedSeries::through(day), 10.00, 10.42, 9.98);
    QVERIFY(h.refreshAndWait());
    QCOMPARE(snapshotText(*h.app, u"execution"_s), u"先防守"_s);
    QCOMPARE(snapshotText(*h.app, u"risk"_s), u"结构转弱"_s);
    QCOMPARE(h.app->snapshots().currentStateSnapshotForSymbol(kSymbol).value(u"riskPressure"_s),
             QJsonValue(9));

    // Five minutes later a sharp drop: the statuses stay, the pressure jumps by two.
    h.stage(kSymbol, kName,
            ScriptedSeries::through(day + QList<QPair<double, double>>{{at(13, 45), 9.95}}), 10.00,
            10.42, 9.95);
    QVERIFY(h.refreshAndWait());
    QCOMPARE(snapshotText(*h.app, u"risk"_s), u"结构转弱"_s);
    QCOMPARE(h.app->snapshots().currentStateSnapshotForSymbol(kSymbol).value(u"riskPressure"_s),
             QJsonValue(11));

    QCOMPARE(h.notifier.posts.size(), 1);
    QCOMPARE(h.notifier.posts[0].title, u"风险提醒"_s);
    QCOMPARE(h.notifier.posts[0].body,
             u"中国中免 继续走弱，先防守：结构转弱。现价 9.95（-0.50%）"_s);
    QCOMPARE(h.notifier.posts[0].identifier, u"kestrum-state-sh601888-先防守-结构转弱-11"_s);
}

void tst_AlertRefresh::flipInsideEightMinutes()
{
    ScriptedAppHarness h({kSymbol});
    h.app->settings().alertPreset = u"sensitive"_s;
    const QString idWaiting = u"kestrum-state-sh601888-等确认-守 10.10"_s;
    const QString idTracking = u"kestrum-state-sh601888-可跟踪-守 10.10"_s;

    struct Step
    {
        int minute;
        bool track;
        QStringList postedSoFar;
    };
    const QList<Step> steps{
        {40, false, {}},
        {42, true, {idTracking}},                        // first flip: new
        {44, false, {idTracking, idWaiting}},            // second flip: never notified
        {46, true, {idTracking, idWaiting}},             // third flip: 4 minutes old
        {48, false, {idTracking, idWaiting}},            // 4 minutes old
        {50, true, {idTracking, idWaiting, idTracking}}, // 8 minutes old: free again
    };
    for (const Step &step : steps) {
        const double end = at(10, step.minute);
        h.stage(kSymbol, kName, step.track ? tracking(end) : waiting(end), 10.00, 10.60, 9.95);
        QVERIFY(h.refreshAndWait());
        QCOMPARE(snapshotText(*h.app, u"execution"_s), step.track ? u"可跟踪"_s : u"等确认"_s);
        QStringList posted;
        for (const auto &post : h.notifier.posts)
            posted.append(post.identifier);
        QCOMPARE(posted, step.postedSoFar);
    }
    QCOMPARE(h.notifier.posts[1].title, u"关键变化"_s);
    QCOMPARE(h.notifier.posts[1].body,
             u"中国中免 当前状态等确认，风险守 10.10。现价 10.20（+2.00%）"_s);
}

void tst_AlertRefresh::failedRefreshComparesWithLastSuccess()
{
    ScriptedAppHarness h({kSymbol});
    h.app->settings().alertPreset = u"conservative"_s;
    h.stage(kSymbol, kName, tracking(at(10, 42)), 10.00, 10.60, 9.95);
    QVERIFY(h.refreshAndWait());

    SimFault down;
    down.reset = true;
    h.market.server().setFault(ScriptedQuotes::routeName(), down);
    h.stage(kSymbol, kName, defending(at(10, 44)), 10.00, 10.60, 9.95);
    QVERIFY(h.refreshAndWait());
    QCOMPARE(h.app->lastStatus(), u"网络异常，显示上次行情"_s);
    QVERIFY(h.notifier.posts.isEmpty());
    QCOMPARE(snapshotText(*h.app, u"execution"_s), u"可跟踪"_s); // untouched

    h.market.server().clearFaults();
    h.stage(kSymbol, kName, defending(at(10, 45)), 10.00, 10.60, 9.95);
    QVERIFY(h.refreshAndWait());
    QCOMPARE(h.notifier.posts.size(), 1);
    QCOMPARE(h.notifier.posts[0].identifier, u"kestrum-state-sh601888-先防守-失 10.10"_s);
}

void tst_AlertRefresh::simulatedDayUnderSensitive()
{
    // A whole simulated morning and afternoon, one refresh every three minutes. Under the
    // most talkative preset every change of state notifies unless its identifier is
    // cooling down, and nothing else does.
    const QStringList symbols{u"sh600519"_s, u"sz300750"_s, u"sh688981"_s,
                              u"sz002491"_s, u"sz002931"_s, u"hk00700"_s};
    AppHarness h(symbols, shanghaiTime(2026, 4, 28, 9, 33));
    h.app->settings().alertPreset = u"sensitive"_s;
    QHash<QString, QDateTime> lastPosted;
    int changes = 0;

    const auto refreshAt = [&](const QDateTime &moment) {
        h.clock().setNow(moment);
        const qsizetype before = h.notifier.posts.size();
        QVERIFY(h.refreshAndWait());
        QStringList expected;
        for (const QString &symbol : symbols) {
            const QJsonObject now = h.app->snapshots().currentStateSnapshotForSymbol(symbol);
            const QJsonObject was = h.app->snapshots().previousStateSnapshotForSymbol(symbol);
            if (now.isEmpty() || was.isEmpty())
                continue;
            const QString e = now.value(u"execution"_s).toString();
            const QString k = now.value(u"risk"_s).toString();
            const int r = now.value(u"riskPressure"_s).toInt();
            const bool executionChanged = !e.isEmpty() && e != was.value(u"execution"_s).toString();
            const bool riskChanged = !k.isEmpty() && k != was.value(u"risk"_s).toString();
            const bool escalated = r > 3 && r >= was.value(u"riskPressure"_s).toInt() + 2 &&
                                   !executionChanged && !riskChanged;
            if (!executionChanged && !riskChanged && !escalated)
                continue;
            ++changes;
            QString id = u"kestrum-state-"_s + symbol + u'-' + e + u'-' + k;
            if (escalated)
                id += u'-' + QString::number(r);
            const auto last = lastPosted.constFind(id);
            if (last != lastPosted.constEnd() && last->secsTo(moment) < 480)
                continue;
            expected.append(id);
        }
        QStringList posted;
        for (qsizetype i = before; i < h.notifier.posts.size(); ++i) {
            posted.append(h.notifier.posts[i].identifier);
            lastPosted.insert(h.notifier.posts[i].identifier, moment);
            const QString title = h.notifier.posts[i].title;
            QVERIFY2(QStringList({u"风险提醒"_s, u"机会提醒"_s, u"观察提醒"_s, u"关键变化"_s})
                         .contains(title),
                     qPrintable(title));
        }
        QCOMPARE(posted, expected);
    };

    for (QDateTime t = shanghaiTime(2026, 4, 28, 9, 33); t <= shanghaiTime(2026, 4, 28, 11, 30);
         t = t.addSecs(180)) {
        refreshAt(t);
        if (QTest::currentTestFailed())
            return;
    }
    for (QDateTime t = shanghaiTime(2026, 4, 28, 13, 0); t <= shanghaiTime(2026, 4, 28, 15, 0);
         t = t.addSecs(180)) {
        refreshAt(t);
        if (QTest::currentTestFailed())
            return;
    }
    QVERIFY2(changes > 0, "the simulated day should move some stock's state");
    QVERIFY(!h.notifier.posts.isEmpty());
    QVERIFY2(h.notifier.posts.size() < changes, "some changes should fall in a cool-down");
}

void tst_AlertRefresh::legacySettings_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("preset");
    QTest::addColumn<int>("opportunityAlerts");

    QTest::newRow("threshold only") << QByteArray(R"({"alertPercent": 2})") << u"standard"_s << 1;
    QTest::newRow("a signal switch")
        << QByteArray(R"({"alertBreakoutEnabled": true})") << u"standard"_s << 1;
    QTest::newRow("everything neutral")
        << QByteArray(R"({"alertPercent": 0, "alertDirectionMask": 3})") << u"off"_s << 0;
    QTest::newRow("defense") << QByteArray(R"({"alertPreset": "defense"})") << u"conservative"_s
                             << 0;
    QTest::newRow("observe") << QByteArray(R"({"alertPreset": "observe", "alertPercent": 2})")
                             << u"sensitive"_s << 1;
}

void tst_AlertRefresh::legacySettings()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, preset);
    QFETCH(int, opportunityAlerts);

    ScriptedAppHarness h({kSymbol});
    QFile settings(h.app->config().settingsPath());
    QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    settings.write(file);
    settings.close();
    h.app->loadSettings();
    QCOMPARE(h.app->alerts().alertPreset(), preset);

    h.stage(kSymbol, kName, waiting(at(10, 40)), 10.00, 10.60, 9.95);
    QVERIFY(h.refreshAndWait());
    h.stage(kSymbol, kName, tracking(at(10, 42)), 10.00, 10.60, 9.95);
    QVERIFY(h.refreshAndWait());
    QCOMPARE(h.notifier.posts.size(), opportunityAlerts);

    // The next save fixes the derived preset and retires the older keys.
    h.app->alerts().setAlertPresetFromMenu(preset);
    QVERIFY(settings.open(QIODevice::ReadOnly));
    const QJsonObject saved = QJsonDocument::fromJson(settings.readAll()).object();
    QCOMPARE(saved.value(u"alertPreset"_s).toString(), preset);
    QCOMPARE(saved.value(u"alertPercent"_s).toDouble(), 0.0);
    QCOMPARE(saved.value(u"alertDirectionMask"_s).toInt(), 3);
    QCOMPARE(saved.value(u"alertBreakoutEnabled"_s).toBool(), false);
}

void tst_AlertRefresh::testNotificationOnLaunch_data()
{
    QTest::addColumn<QByteArray>("environment"); // empty: unset
    QTest::addColumn<bool>("preference");
    QTest::addColumn<bool>("sentFirst");
    QTest::addColumn<bool>("sentSecond");

    QTest::newRow("neither") << QByteArray() << false << false << false;
    QTest::newRow("environment 1: every launch") << QByteArray("1") << false << true << true;
    QTest::newRow("environment other than 1") << QByteArray("true") << false << false << false;
    QTest::newRow("one-shot preference: once") << QByteArray() << true << true << false;
    QTest::newRow("both") << QByteArray("1") << true << true << true;
}

void tst_AlertRefresh::testNotificationOnLaunch()
{
    QFETCH(QByteArray, environment);
    QFETCH(bool, preference);
    QFETCH(bool, sentFirst);
    QFETCH(bool, sentSecond);

    if (environment.isEmpty())
        qunsetenv("KESTRUM_SEND_TEST_ALERT");
    else
        qputenv("KESTRUM_SEND_TEST_ALERT", environment);
    const auto restore = qScopeGuard([] { qunsetenv("KESTRUM_SEND_TEST_ALERT"); });

    AppHarness h({u"sh600519"_s});
    const QString key = KestrumApp::sendTestAlertPreferenceKey();
    h.preferences->setValue(key, preference);
    QVERIFY(h.refreshAndWait());

    // Two launches on the same preferences.
    bool firstLaunch = true;
    for (const bool expected : {sentFirst, sentSecond}) {
        h.notifier.posts.clear();
        const qint64 launchedAt = h.clock().now().toSecsSinceEpoch();
        QCOMPARE(h.app->sendTestAlertOnLaunchIfRequested(), expected);
        QVERIFY(!h.preferences->value(key, false).toBool());
        QVERIFY(h.notifier.posts.isEmpty()); // a second later, not inside the launch
        if (!expected) {
            if (std::exchange(firstLaunch, false)) {
                QTest::qWait(KestrumApp::kTestAlertDelayMs + 200);
                QVERIFY(h.notifier.posts.isEmpty());
            }
            continue;
        }
        firstLaunch = false;
        QTRY_COMPARE_WITH_TIMEOUT(h.notifier.posts.size(), 1, 5000);
        QCOMPARE(h.notifier.posts[0].title, u"盘中提醒测试"_s);
        QCOMPARE(h.notifier.posts[0].identifier, u"kestrum-test-"_s + QString::number(launchedAt));
        QVERIFY(h.notifier.permissionRequests > 0);
    }
}

QTEST_GUILESS_MAIN(tst_AlertRefresh)
#include "tst_alertrefresh.moc"
