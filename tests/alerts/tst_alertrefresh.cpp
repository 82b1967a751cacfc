// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/AlertCenter.h"
#include "app/KestrumApp.h"
#include "app/SnapshotDocument.h"
#include "decision/DecisionEngine.h"
#include "decision/StateSnapshots.h"

#include "AppHarness.h"
#include "ScriptedMarket.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

const QString kSymbol = u"sh601888"_s; // unknown to the simulator: no daily bars, no boards

// Stages the stock on `series` (previous close 10.00, day range 9.95–10.60) and refreshes.
bool refreshOn(ScriptedAppHarness &h, const ScriptedSeries &series)
{
    h.stage(kSymbol, u"中国中免"_s, series, 10.00, 10.60, 9.95);
    return h.refreshAndWait();
}

// The stock's current execution and risk statuses.
QString state(const KestrumApp &app)
{
    const QJsonObject now = app.snapshots().currentStateSnapshotForSymbol(kSymbol);
    return now.value(u"execution"_s).toString() + u' ' + now.value(u"risk"_s).toString();
}

QStringList shown(const RecordingNotifier &notifier)
{
    QStringList out;
    for (const RecordingNotifier::Post &post : notifier.posts)
        out << post.title + u'|' + post.body + u'|' + post.identifier;
    return out;
}

} // namespace

class tst_AlertRefresh : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stateChangesByPreset_data();
    void stateChangesByPreset();
    void flipInsideEightMinutes();
    void failedRefreshComparesWithLastSuccess();
    void testNotificationOnLaunch();
};

void tst_AlertRefresh::stateChangesByPreset_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QStringList>("posts");

    const QString opportunity =
        u"机会提醒|中国中免 重新转强，可跟踪：可跟踪。现价 10.20（+2.00%）|kestrum-state-sh601888-可跟踪-守"_s;
    const QString risk =
        u"风险提醒|中国中免 风险抬升，先防守：失 10.10。现价 10.04（+0.40%）|kestrum-state-sh601888-先防守-失"_s;
    QTest::newRow("off") << u"off"_s << QStringList();
    QTest::newRow("conservative") << u"conservative"_s << QStringList{risk};
    QTest::newRow("standard") << u"standard"_s << QStringList{opportunity, risk};
    QTest::newRow("sensitive") << u"sensitive"_s << QStringList{opportunity, risk};
}

void tst_AlertRefresh::stateChangesByPreset()
{
    QFETCH(QString, preset);

    ScriptedAppHarness h({kSymbol});
    h.app->settings().alertPreset = fromText<AlertPreset>(preset).value();
    QVERIFY(refreshOn(h, ScriptedSeries::waiting(aSharePosition(10, 40))));
    QCOMPARE(state(*h.app), u"等确认 守 10.10"_s);
    QVERIFY(refreshOn(h, ScriptedSeries::tracking(aSharePosition(10, 42))));
    QCOMPARE(state(*h.app), u"可跟踪 守 10.10"_s);
    QVERIFY(!h.app->decision().shouldHoldBackAggressiveBuyForQuote(h.app->quotes().first()));
    QVERIFY(refreshOn(h, ScriptedSeries::defending(aSharePosition(10, 44))));
    QCOMPARE(state(*h.app), u"先防守 失 10.10"_s);
    QFETCH(QStringList, posts);
    QCOMPARE(shown(h.notifier), posts);
    // The scripting document names the notification of this refresh under each preset.
    const QJsonObject document = SnapshotDocument::quoteObject(*h.app, h.app->quotes().first());
    const QJsonObject raised =
        document.value(u"alertNotificationPayloadForQuote:"_s + preset).toObject();
    QCOMPARE(raised.isEmpty() ? QString()
                              : raised.value(u"title"_s).toString() + u'|' +
                                    raised.value(u"body"_s).toString() + u'|',
             posts.isEmpty() ? QString() : posts.last().section(u'|', 0, 1) + u'|');
}

void tst_AlertRefresh::flipInsideEightMinutes()
{
    ScriptedAppHarness h({kSymbol});
    h.app->settings().alertPreset = AlertPreset::Sensitive;
    const QString waiting =
        u"关键变化|中国中免 当前状态等确认，风险守 10.10。现价 10.20（+2.00%）|kestrum-state-sh601888-等确认-守"_s;
    const QString tracking =
        u"机会提醒|中国中免 重新转强，可跟踪：可跟踪。现价 10.20（+2.00%）|kestrum-state-sh601888-可跟踪-守"_s;
    const QList<std::pair<int, QStringList>> steps{
        {40, {}},
        {42, {tracking}},                    // first flip: new
        {44, {tracking, waiting}},           // second flip: never notified
        {46, {tracking, waiting}},           // third flip: 4 minutes old
        {48, {tracking, waiting}},           // 4 minutes old
        {50, {tracking, waiting, tracking}}, // 8 minutes old: free again
    };
    for (const auto &[minute, posted] : steps) {
        const double end = aSharePosition(10, minute);
        const bool track = minute % 4 == 2; // 10:42, 10:46 and 10:50 climb
        QVERIFY(refreshOn(h, track ? ScriptedSeries::tracking(end) : ScriptedSeries::waiting(end)));
        QCOMPARE(state(*h.app), track ? u"可跟踪 守 10.10"_s : u"等确认 守 10.10"_s);
        QCOMPARE(shown(h.notifier), posted);
    }
}

void tst_AlertRefresh::failedRefreshComparesWithLastSuccess()
{
    ScriptedAppHarness h({kSymbol});
    h.app->settings().alertPreset = AlertPreset::Conservative;
    QVERIFY(refreshOn(h, ScriptedSeries::tracking(aSharePosition(10, 42))));

    SimFault down;
    down.reset = true;
    h.market.server().setFault(ScriptedQuotes::routeName(), down);
    QVERIFY(refreshOn(h, ScriptedSeries::defending(aSharePosition(10, 44))));
    QCOMPARE(h.app->lastStatus(), u"网络异常，显示上次行情"_s);
    QVERIFY(h.notifier.posts.isEmpty());
    QCOMPARE(state(*h.app), u"可跟踪 守 10.10"_s); // untouched

    h.market.server().clearFaults();
    QVERIFY(refreshOn(h, ScriptedSeries::defending(aSharePosition(10, 45))));
    QCOMPARE(h.notifier.posts.size(), 1);
    QCOMPARE(h.notifier.posts[0].identifier, u"kestrum-state-sh601888-先防守-失"_s);
}

void tst_AlertRefresh::testNotificationOnLaunch()
{
    const auto restore = qScopeGuard([] { qunsetenv("KESTRUM_SEND_TEST_ALERT"); });
    AppHarness h({u"sh600519"_s});
    const QString key = KestrumApp::sendTestAlertPreferenceKey();
    QVERIFY(h.refreshAndWait());
    // Launches one after another: the preference is a one-shot, the environment asks every
    // time; the ones that send nothing come last, so nothing late can be mistaken.
    const QList<std::tuple<QByteArray, bool, bool>> launches{{QByteArray(), true, true},
                                                             {QByteArray("1"), false, true},
                                                             {QByteArray("1"), false, true},
                                                             {QByteArray(), false, false},
                                                             {QByteArray("true"), false, false}};
    for (const auto &[environment, preference, sent] : launches) {
        qputenv("KESTRUM_SEND_TEST_ALERT", environment);
        h.preferences->setValue(key, preference);
        h.notifier.posts.clear();
        const qint64 launchedAt = h.clock().now().toSecsSinceEpoch();
        QCOMPARE(h.app->sendTestAlertOnLaunchIfRequested(), sent);
        QVERIFY(!h.preferences->value(key, false).toBool());
        QVERIFY(h.notifier.posts.isEmpty()); // a second later, not inside the launch
        if (sent) {
            QTRY_COMPARE_WITH_TIMEOUT(h.notifier.posts.size(), 1, kPatienceMs);
            QCOMPARE(h.notifier.posts[0].identifier,
                     u"kestrum-test-"_s + QString::number(launchedAt));
        }
    }
    // Nothing late from the launches that sent nothing.
    QTest::qWait(KestrumApp::kTestAlertDelayMs + 200);
    QVERIFY(h.notifier.posts.isEmpty());
}

QTEST_GUILESS_MAIN(tst_AlertRefresh)
#include "tst_alertrefresh.moc"
