// SPDX-License-Identifier: GPL-3.0-or-later
// The alert center over snapshots written by hand (payloads, cool-downs, presets, the test
// notification), then end to end through the controller's refreshes on scripted quotes.
#include "alerts/AlertCenter.h"

#include "app/KestrumApp.h"
#include "app/SnapshotDocument.h"
#include "config/AppSettings.h"
#include "decision/DecisionEngine.h"
#include "decision/StateSnapshots.h"
#include "model/Clock.h"

#include "AppHarness.h"
#include "RecordingNotifier.h"
#include "ScriptedMarket.h"
#include "TestSupport.h"

#include <QJsonDocument>

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace TestSupport;

Q_DECLARE_METATYPE(StateSnapshot)
Q_DECLARE_METATYPE(Quote)

namespace {

StateSnapshot snapshot(const QString &execution, const QString &risk, int pressure)
{
    return stateFromWords(execution, risk, pressure);
}

// A preset as the settings file stores it, older names included.
AlertPreset preset(const QString &stored)
{
    return alertPresetFromLegacySettings({{u"alertPreset"_s, stored}});
}

Quote stock(double price = 10.20, double previousClose = 10.00)
{
    Quote q;
    q.symbol = u"sh600519"_s;
    q.name = u"贵州茅台"_s;
    q.price = price;
    q.previousClose = previousClose;
    return q;
}

// The alert center over snapshots the test writes itself, as the refresh cycle's roll and
// capture would leave them.
struct Fixture
{
    explicit Fixture(const QString &preset = u"standard"_s)
    {
        settings.alertPreset = ::preset(preset);
        AlertSources sources;
        const auto find = [](const QHash<QString, StateSnapshot> &map, const QString &s) {
            return map.contains(s) ? std::optional(map.value(s)) : std::nullopt;
        };
        sources.currentSnapshot = [this, find](const QString &s) {
            return find(current, s);
        };
        sources.previousSnapshot = [this, find](const QString &s) {
            return find(previous, s);
        };
        sources.shouldHoldBackAggressiveBuy = [this](const Quote &) {
            return holdBack;
        };
        alerts = std::make_unique<AlertCenter>(settings, notifier, clock, held, sources,
                                               [this] { ++saves; });
    }

    // One successful refresh: roll the symbol's snapshot forward, capture the new one.
    void refresh(const Quote &quote, const StateSnapshot &now)
    {
        if (current.contains(quote.symbol))
            previous.insert(quote.symbol, current.value(quote.symbol));
        current.insert(quote.symbol, now);
        alerts->checkAlerts({quote});
    }

    qint64 unixSeconds() const { return clock.now().toSecsSinceEpoch(); }

    AppSettings settings;
    RecordingNotifier notifier;
    ManualClock clock{shanghaiTime(2026, 4, 28, 10, 30)};
    QList<Quote> held;
    QHash<QString, StateSnapshot> current;
    QHash<QString, StateSnapshot> previous;
    bool holdBack = false;
    int saves = 0;
    std::unique_ptr<AlertCenter> alerts;
};

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

} // namespace

class tst_AlertCenter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void payload_data();
    void payload();
    void cooldown_data();
    void cooldown();
    void menuChecksTheActivePreset();
    void choosingPreset();
    void testNotificationAndFallbacks();

    void stateChangesByPreset_data();
    void stateChangesByPreset();
    void flipInsideEightMinutes();
    void testNotificationOnLaunch();
};

void tst_AlertCenter::payload_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<StateSnapshot>("before");
    QTest::addColumn<StateSnapshot>("now");
    QTest::addColumn<bool>("holdBack");
    QTest::addColumn<Quote>("q");
    QTest::addColumn<QString>("expected"); // "title|body|identifier", empty: no notification

    const auto row = [](const QString &name, const QString &preset, const StateSnapshot &before,
                        const StateSnapshot &now, const QString &expected, bool holdBack = false,
                        const Quote &quote = stock()) {
        QTest::newRow(name.toUtf8().constData())
            << preset << before << now << holdBack << quote << expected;
    };
    // A notification as "title|body|identifier", from the body before the snapshot text and
    // the identifier after the symbol.
    const auto post = [](const QString &title, const QString &body, const QString &id) -> QString {
        return title + u'|' + body + u"现价 10.20（+2.00%）|kestrum-state-sh600519-"_s + id;
    };
    const StateSnapshot waiting = snapshot(u"等确认"_s, u"守 10.10"_s, 0);
    const StateSnapshot tracking = snapshot(u"可跟踪"_s, u"守 10.10"_s, 0);
    const StateSnapshot defending = snapshot(u"先防守"_s, u"失 10.10"_s, 7);
    const StateSnapshot lookingLower = snapshot(u"等确认"_s, u"看 9.95"_s, 0);
    const QString risk =
        post(u"风险提醒"_s, u"贵州茅台 风险抬升，先防守：失 10.10。"_s, u"先防守-失"_s);

    // The legacy names count as their current keys.
    for (const QString &preset : {u"standard"_s, u"opportunity"_s})
        row(u"等确认 to 可跟踪 under "_s + preset, preset, waiting, tracking,
            post(u"机会提醒"_s, u"贵州茅台 重新转强，可跟踪：可跟踪。"_s, u"可跟踪-守"_s));
    row(u"等确认 to 可跟踪 under conservative"_s, u"conservative"_s, waiting, tracking, QString());
    row(u"held back: nothing under standard"_s, u"standard"_s, waiting, tracking, QString(), true);
    row(u"held back: a key change under sensitive"_s, u"sensitive"_s, waiting, tracking,
        post(u"关键变化"_s, u"贵州茅台 当前状态可跟踪，风险守 10.10。"_s, u"可跟踪-守"_s), true);
    for (const QString &preset : {u"conservative"_s, u"sensitive"_s, u"defense"_s})
        row(u"可跟踪 to 先防守 under "_s + preset, preset, tracking, defending, risk);
    row(u"off sends nothing"_s, u"off"_s, tracking, defending, QString());
    // A level that drifts under the same status word is no change of state.
    row(u"守 level drifts"_s, u"sensitive"_s, waiting, snapshot(u"等确认"_s, u"守 10.14"_s, 0),
        QString());
    row(u"失 level drifts"_s, u"conservative"_s, defending, snapshot(u"先防守"_s, u"失 10.06"_s, 7),
        QString());
    row(u"守 to 失 quotes the new level"_s, u"conservative"_s, waiting,
        snapshot(u"等确认"_s, u"失 10.08"_s, 0),
        post(u"风险提醒"_s, u"贵州茅台 风险抬升，先防守：失 10.08。"_s, u"等确认-失"_s));

    const StateSnapshot lost3 = snapshot(u"先防守"_s, u"失 10.10"_s, 3);
    row(u"pressure 3 to 5 under a lost average line"_s, u"standard"_s, lost3,
        snapshot(u"先防守"_s, u"失 10.10"_s, 5),
        post(u"风险提醒"_s, u"贵州茅台 继续走弱，先防守：失 10.10。"_s, u"先防守-失-5"_s));
    row(u"pressure 2 to 3 is no escalation"_s, u"sensitive"_s,
        snapshot(u"先防守"_s, u"失 10.10"_s, 2), lost3, QString());
    row(u"escalation while pulling back"_s, u"standard"_s, snapshot(u"看回踩"_s, u"回踩中"_s, 3),
        snapshot(u"看回踩"_s, u"回踩中"_s, 5),
        post(u"观察提醒"_s, u"贵州茅台 还在观察区，先别急：看回踩。"_s, u"看回踩-回踩中-5"_s));
    row(u"escalation without flags: a key change under sensitive"_s, u"sensitive"_s,
        snapshot(u"等确认"_s, u"可控"_s, 2), snapshot(u"等确认"_s, u"可控"_s, 4),
        post(u"关键变化"_s, u"风险继续走弱，贵州茅台 当前状态等确认，风险可控。"_s,
             u"等确认-可控-4"_s));

    row(u"into 看回踩"_s, u"standard"_s, waiting, snapshot(u"看回踩"_s, u"回踩中"_s, 4),
        post(u"观察提醒"_s, u"贵州茅台 进入观察区：看回踩。"_s, u"看回踩-回踩中"_s));
    row(u"risk into 回踩中 names the risk status"_s, u"standard"_s,
        snapshot(u"不追高"_s, u"守 10.10"_s, 0), snapshot(u"不追高"_s, u"回踩中"_s, 1),
        post(u"观察提醒"_s, u"贵州茅台 进入观察区：回踩中。"_s, u"不追高-回踩中"_s));
    row(u"守 to 看 under sensitive"_s, u"sensitive"_s, waiting, lookingLower,
        post(u"关键变化"_s, u"贵州茅台 当前状态等确认，风险看 9.95。"_s, u"等确认-看"_s));
    row(u"守 to 看 under standard"_s, u"standard"_s, waiting, lookingLower, QString());

    // The body's name and price: the name, else the symbol; without a price, no price text.
    const QString raised = u"风险提醒|贵州茅台 风险抬升，先防守：失 10.10。"_s;
    const QString id = u"|kestrum-state-sh600519-先防守-失"_s;
    const auto quote = [](const QString &name, double price) {
        Quote q = stock(price, 1450.0);
        q.name = name;
        return q;
    };
    row(u"falling price"_s, u"conservative"_s, tracking, defending,
        raised + u"现价 1431.50（-1.28%）"_s + id, false, quote(u"贵州茅台"_s, 1431.5));
    row(u"no price yet"_s, u"conservative"_s, tracking, defending,
        raised + u"盘中状态有更新"_s + id, false, quote(u"贵州茅台"_s, 0));
    row(u"no name: the symbol"_s, u"conservative"_s, tracking, defending,
        QString(raised).replace(u"贵州茅台"_s, u"sh600519"_s) + u"现价 1468.85（+1.30%）"_s + id,
        false, quote(QString(), 1468.85));
}

void tst_AlertCenter::payload()
{
    QFETCH(QString, preset);
    QFETCH(StateSnapshot, before);
    QFETCH(StateSnapshot, now);
    QFETCH(QString, expected);
    QFETCH(bool, holdBack);
    QFETCH(Quote, q);
    Fixture f(preset);
    f.holdBack = holdBack;
    f.refresh(q, before);
    // The first refresh has nothing to compare with.
    QVERIFY(f.notifier.posts.isEmpty() && !f.alerts->alertNotificationPayloadForQuote(q));
    f.refresh(q, now);

    const std::optional<AlertPayload> payload = f.alerts->alertNotificationPayloadForQuote(q);
    QCOMPARE(payload ? payload->title + u'|' + payload->body + u'|' + payload->identifier
                     : QString(),
             expected);
    QCOMPARE(f.notifier.shown(), expected.isEmpty() ? QStringList() : QStringList{expected});
    // The same answer again within the cool-down is silent; without a current snapshot
    // there is nothing to say.
    f.alerts->checkAlerts({q});
    QCOMPARE(f.notifier.posts.size(), expected.isEmpty() ? 0 : 1);
    f.current.clear();
    QVERIFY(!f.alerts->alertNotificationPayloadForQuote(q));
}

void tst_AlertCenter::cooldown_data()
{
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<bool>("cooling");

    QTest::newRow("just under 480 s") << qint64(479999) << true;
    QTest::newRow("480 s") << qint64(480000) << false;
    QTest::newRow("clock set back a minute") << qint64(-60000) << true;
    QTest::newRow("clock set back an hour") << qint64(-3600000) << false;
}

void tst_AlertCenter::cooldown()
{
    QFETCH(qint64, elapsedMs);
    QFETCH(bool, cooling);

    Fixture f;
    const QString id = u"kestrum-state-sh600519-先防守-失"_s;
    QVERIFY(!f.alerts->alertIsCoolingDownForIdentifier(id));
    f.alerts->markAlertCooldownForIdentifier(id);
    f.clock.advanceMSecs(elapsedMs);
    QCOMPARE(f.alerts->alertIsCoolingDownForIdentifier(id), cooling);
    QVERIFY(!f.alerts->alertIsCoolingDownForIdentifier(u"kestrum-state-other"_s));

    // The empty identifier is never marked and never cools.
    f.alerts->markAlertCooldownForIdentifier(QString());
    QVERIFY(!f.alerts->alertIsCoolingDownForIdentifier(QString()));
    QCOMPARE(f.alerts->alertCooldowns().size(), 1);
    // Marking another drops an entry that no longer cools: weeks of new identifiers must not
    // pile up.
    f.alerts->markAlertCooldownForIdentifier(u"kestrum-state-other"_s);
    QCOMPARE(f.alerts->alertCooldowns().size(), cooling ? 2 : 1);
}

void tst_AlertCenter::menuChecksTheActivePreset()
{
    // Rows as "kind, check mark, (disabled) title = key".
    const QStringList titles{u"关闭提醒"_s, u"风险提醒"_s, u"机会 + 风险提醒"_s, u"全部关键变化"_s};
    const QStringList keys{u"off"_s, u"conservative"_s, u"standard"_s, u"sensitive"_s};
    // A hand-edited preset sends nothing and a missing one too: both read as off.
    for (const auto &[preset, checked] :
         {std::pair{u"sensitive"_s, 3}, std::pair{u"loud"_s, 0}, std::pair{QString(), 0}}) {
        Fixture f(preset);
        QStringList rows;
        for (const AlertMenuEntry &e : f.alerts->alertMenu())
            rows << QString::number(int(e.kind)) + (e.checked ? u"✓"_s : u" "_s) +
                        (e.enabled ? QString() : u"(disabled)"_s) + e.title + u'=' +
                        (e.kind == AlertMenuEntry::Kind::Preset ? toText(e.preset) : QString());
        QStringList expected;
        for (int i = 0; i < 4; ++i)
            expected << u"0"_s + (i == checked ? u"✓"_s : u" "_s) + titles[i] + u'=' + keys[i];
        expected << u"1 ="_s << u"2 (disabled)根据可跟踪、看回踩、先防守等状态变化提醒="_s;
        QCOMPARE(rows, expected);
    }
}

void tst_AlertCenter::choosingPreset()
{
    Fixture f(u"standard"_s);
    const Quote q = stock();
    f.refresh(q, snapshot(u"可跟踪"_s, u"守 10.10"_s, 0));
    f.refresh(q, snapshot(u"先防守"_s, u"失 10.10"_s, 7));
    QCOMPARE(f.notifier.posts.size(), 1);
    QSignalSpy changed(f.alerts.get(), &AlertCenter::alertPresetChanged);
    QSignalSpy answered(f.alerts.get(), &AlertCenter::notificationPermissionAnswered);

    // The active preset again: saved, permission asked again, and the cool-downs cleared so
    // the same change may notify again at once.
    f.alerts->setAlertPresetFromMenu(AlertPreset::Standard);
    QCOMPARE(f.notifier.permissionRequests, 1);
    QVERIFY(answered.wait(kPatienceMs));
    QVERIFY(f.alerts->alertCooldowns().isEmpty());
    f.alerts->checkAlerts({q});
    QCOMPARE(f.notifier.posts.size(), 2);
    QCOMPARE(f.notifier.posts[1].identifier, f.notifier.posts[0].identifier);

    // Off asks nothing.
    f.alerts->setAlertPresetFromMenu(AlertPreset::Sensitive);
    f.alerts->setAlertPresetFromMenu(AlertPreset::Off);
    QCOMPARE(f.settings.alertPreset, AlertPreset::Off);
    QCOMPARE(f.notifier.permissionRequests, 2);
    QCOMPARE(f.saves, 3);
    QCOMPARE(changed.size(), 3);
}

void tst_AlertCenter::testNotificationAndFallbacks()
{
    Fixture f(u"off"_s); // the test notification does not depend on the preset
    f.notifier.granted = false;
    QSignalSpy warning(f.alerts.get(), &AlertCenter::permissionWarningRequested);
    QSignalSpy answered(f.alerts.get(), &AlertCenter::notificationPermissionAnswered);
    f.alerts->sendTestAlertNotification(); // with an empty list: no quote to name
    QCOMPARE(f.notifier.permissionRequests, 1);
    const QString seconds = QString::number(f.unixSeconds());
    QCOMPARE(
        f.notifier.shown(),
        QStringList{
            u"盘中提醒测试|通知已开启。盘中出现可跟踪、看回踩或先防守等状态变化时，澄川会及时提醒。|kestrum-test-"_s +
            seconds});
    // Asked without feedback: a refusal stays silent.
    QVERIFY(answered.wait(kPatienceMs));
    QCOMPARE(warning.size(), 0);

    // Without a title the name, then the symbol; without an identifier one from the symbol.
    Quote q = stock();
    f.alerts->notifyQuote(q, QString(), u"b"_s, QString());
    q.name.clear();
    f.alerts->notifyQuote(q, QString(), u"b"_s, u"id-1"_s);
    f.alerts->notifyQuote(std::nullopt, u"t"_s, u"b"_s, QString());
    QCOMPARE(f.notifier.shown().mid(1),
             (QStringList{u"贵州茅台|b|kestrum-sh600519-"_s + seconds, u"sh600519|b|id-1"_s,
                          u"t|b|kestrum--"_s + seconds}));
}

// --- Through the refresh cycle ---

void tst_AlertCenter::stateChangesByPreset_data()
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

void tst_AlertCenter::stateChangesByPreset()
{
    QFETCH(QString, preset);

    ScriptedAppHarness h({kSymbol});
    h.app->settings().alertPreset = fromText<AlertPreset>(preset).value();
    QVERIFY(refreshOn(h, ScriptedSeries::waiting(aSharePosition(10, 40))));
    QCOMPARE(state(*h.app), u"等确认 守 10.10"_s);
    QVERIFY(refreshOn(h, ScriptedSeries::tracking(aSharePosition(10, 42))));
    QCOMPARE(state(*h.app), u"可跟踪 守 10.10"_s);
    QVERIFY(!h.app->decision().shouldHoldBackAggressiveBuyForQuote(h.app->quotes().first()));
    // A failed refresh captures and sends nothing: the next success compares with the last.
    const QStringList before = h.notifier.shown();
    SimFault down;
    down.reset = true;
    h.market.server().setFault(ScriptedQuotes::routeName(), down);
    QVERIFY(refreshOn(h, ScriptedSeries::defending(aSharePosition(10, 43))));
    QCOMPARE(h.app->lastStatus(), u"网络异常，显示上次行情"_s);
    QCOMPARE(state(*h.app), u"可跟踪 守 10.10"_s);
    QCOMPARE(h.notifier.shown(), before);
    h.market.server().clearFaults();
    QVERIFY(refreshOn(h, ScriptedSeries::defending(aSharePosition(10, 44))));
    QCOMPARE(state(*h.app), u"先防守 失 10.10"_s);
    QFETCH(QStringList, posts);
    QCOMPARE(h.notifier.shown(), posts);
    // The scripting document names the notification of this refresh under each preset.
    const QJsonObject document = SnapshotDocument::quoteObject(*h.app, h.app->quotes().first());
    const QJsonObject raised =
        document.value(u"alertNotificationPayloadForQuote:"_s + preset).toObject();
    QCOMPARE(raised.isEmpty() ? QString()
                              : raised.value(u"title"_s).toString() + u'|' +
                                    raised.value(u"body"_s).toString() + u'|',
             posts.isEmpty() ? QString() : posts.last().section(u'|', 0, 1) + u'|');
}

void tst_AlertCenter::flipInsideEightMinutes()
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
        QCOMPARE(h.notifier.shown(), posted);
    }
}

void tst_AlertCenter::testNotificationOnLaunch()
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

QTEST_GUILESS_MAIN(tst_AlertCenter)
#include "tst_alertcenter.moc"
