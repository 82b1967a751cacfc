#include "alerts/AlertCenter.h"

#include "config/AppSettings.h"
#include "model/Clock.h"

#include "RecordingNotifier.h"
#include "TestSupport.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

QJsonObject snapshot(const QString &execution, const QString &risk, int pressure)
{
    return {{u"buy"_s, execution}, {u"sell"_s, u"继续观察"_s},  {u"execution"_s, execution},
            {u"risk"_s, risk},     {u"structure"_s, QString()}, {u"riskPressure"_s, pressure}};
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
        settings.alertPreset = preset;
        AlertSources sources;
        sources.currentSnapshot = [this](const QString &symbol) {
            return current.value(symbol);
        };
        sources.previousSnapshot = [this](const QString &symbol) {
            return previous.value(symbol);
        };
        sources.shouldHoldBackAggressiveBuy = [this](const Quote &) {
            return holdBack;
        };
        alerts = std::make_unique<AlertCenter>(settings, notifier, clock, held, sources,
                                               [this] { ++saves; });
    }

    // One successful refresh: roll the symbol's snapshot forward, capture the new one.
    void refresh(const Quote &quote, const QJsonObject &now)
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
    QHash<QString, QJsonObject> current;
    QHash<QString, QJsonObject> previous;
    bool holdBack = false;
    int saves = 0;
    std::unique_ptr<AlertCenter> alerts;
};

} // namespace

class tst_AlertCenter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void payload_data();
    void payload();
    void payloadNeedsBothSnapshots();
    void snapshotTextAndName_data();
    void snapshotTextAndName();
    void cooldown_data();
    void cooldown();
    void checkAlertsPostsOnlyPayloads();
    void menuRows_data();
    void menuRows();
    void choosingPreset_data();
    void choosingPreset();
    void choosingActivePresetClearsCooldowns();
    void refusedPermissionAsksForWarningOnlyWithFeedback();
    void testNotification_data();
    void testNotification();
    void notifyFallbacks_data();
    void notifyFallbacks();
};

void tst_AlertCenter::payload_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QJsonObject>("before");
    QTest::addColumn<QJsonObject>("now");
    QTest::addColumn<bool>("holdBack");
    QTest::addColumn<QString>("title"); // empty: no notification
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("identifier");

    const QString t = u"现价 10.20（+2.00%）"_s;
    const QJsonObject waiting = snapshot(u"等确认"_s, u"守 10.10"_s, 0);
    const QJsonObject tracking = snapshot(u"可跟踪"_s, u"守 10.10"_s, 0);
    const QJsonObject defending = snapshot(u"先防守"_s, u"失 10.10"_s, 7);
    const QString opportunityBody = u"贵州茅台 重新转强，可跟踪：可跟踪。"_s + t;
    const QString trackingId = u"kestrum-state-sh600519-可跟踪-守 10.10"_s;
    const QString riskBody = u"贵州茅台 风险抬升，先防守：失 10.10。"_s + t;
    const QString defendingId = u"kestrum-state-sh600519-先防守-失 10.10"_s;

    for (const QString &preset : {u"standard"_s, u"sensitive"_s, u"focus"_s, u"opportunity"_s}) {
        QTest::addRow("等确认 to 可跟踪 under %s", qPrintable(preset))
            << preset << waiting << tracking << false << u"机会提醒"_s << opportunityBody
            << trackingId;
    }
    QTest::newRow("等确认 to 可跟踪 under conservative")
        << u"conservative"_s << waiting << tracking << false << QString() << QString() << QString();
    QTest::newRow("held back: nothing under standard")
        << u"standard"_s << waiting << tracking << true << QString() << QString() << QString();
    QTest::newRow("held back: a key change under sensitive")
        << u"sensitive"_s << waiting << tracking << true << u"关键变化"_s
        << u"贵州茅台 当前状态可跟踪，风险守 10.10。"_s + t << trackingId;

    for (const QString &preset :
         {u"conservative"_s, u"standard"_s, u"sensitive"_s, u"defense"_s, u"observe"_s}) {
        QTest::addRow("可跟踪 to 先防守 under %s", qPrintable(preset))
            << preset << tracking << defending << false << u"风险提醒"_s << riskBody << defendingId;
    }
    QTest::newRow("先防守 without a risk status names the execution status")
        << u"conservative"_s << tracking << snapshot(u"先防守"_s, QString(), 5) << false
        << u"风险提醒"_s << u"贵州茅台 风险抬升，先防守：先防守。"_s + t
        << u"kestrum-state-sh600519-先防守-"_s;
    QTest::newRow("off sends nothing")
        << u"off"_s << tracking << defending << false << QString() << QString() << QString();
    QTest::newRow("an unknown preset sends nothing")
        << u"loud"_s << tracking << defending << false << QString() << QString() << QString();

    QTest::newRow("pressure 3 to 5 under a lost average line")
        << u"standard"_s << snapshot(u"先防守"_s, u"失 10.10"_s, 3)
        << snapshot(u"先防守"_s, u"失 10.10"_s, 5) << false << u"风险提醒"_s
        << u"贵州茅台 继续走弱，先防守：失 10.10。"_s + t
        << u"kestrum-state-sh600519-先防守-失 10.10-5"_s;
    QTest::newRow("pressure 2 to 3 is no escalation")
        << u"sensitive"_s << snapshot(u"先防守"_s, u"失 10.10"_s, 2)
        << snapshot(u"先防守"_s, u"失 10.10"_s, 3) << false << QString() << QString() << QString();
    QTest::newRow("pressure up by one is no escalation")
        << u"sensitive"_s << snapshot(u"先防守"_s, u"结构转弱"_s, 9)
        << snapshot(u"先防守"_s, u"结构转弱"_s, 10) << false << QString() << QString() << QString();
    QTest::newRow("escalation while pulling back")
        << u"standard"_s << snapshot(u"看回踩"_s, u"回踩中"_s, 3)
        << snapshot(u"看回踩"_s, u"回踩中"_s, 5) << false << u"观察提醒"_s
        << u"贵州茅台 还在观察区，先别急：看回踩。"_s + t
        << u"kestrum-state-sh600519-看回踩-回踩中-5"_s;
    QTest::newRow("escalation without flags: a key change under sensitive")
        << u"sensitive"_s << snapshot(u"等确认"_s, u"可控"_s, 2)
        << snapshot(u"等确认"_s, u"可控"_s, 4) << false << u"关键变化"_s
        << u"风险继续走弱，贵州茅台 当前状态等确认，风险可控。"_s + t
        << u"kestrum-state-sh600519-等确认-可控-4"_s;

    QTest::newRow("into 看回踩") << u"standard"_s << waiting
                                 << snapshot(u"看回踩"_s, u"回踩中"_s, 4) << false << u"观察提醒"_s
                                 << u"贵州茅台 进入观察区：看回踩。"_s + t
                                 << u"kestrum-state-sh600519-看回踩-回踩中"_s;
    QTest::newRow("risk into 回踩中 names the risk status")
        << u"standard"_s << snapshot(u"不追高"_s, u"守 10.10"_s, 0)
        << snapshot(u"不追高"_s, u"回踩中"_s, 1) << false << u"观察提醒"_s
        << u"贵州茅台 进入观察区：回踩中。"_s + t << u"kestrum-state-sh600519-不追高-回踩中"_s;
    QTest::newRow("守 to 看 under sensitive")
        << u"sensitive"_s << waiting << snapshot(u"等确认"_s, u"看 9.95"_s, 0) << false
        << u"关键变化"_s << u"贵州茅台 当前状态等确认，风险看 9.95。"_s + t
        << u"kestrum-state-sh600519-等确认-看 9.95"_s;
    QTest::newRow("守 to 看 under standard")
        << u"standard"_s << waiting << snapshot(u"等确认"_s, u"看 9.95"_s, 0) << false << QString()
        << QString() << QString();
    QTest::newRow("失守 without the space is no loss")
        << u"standard"_s << waiting << snapshot(u"等确认"_s, u"失守"_s, 0) << false << QString()
        << QString() << QString();
    QTest::newRow("an empty execution status is never a change")
        << u"sensitive"_s << waiting << snapshot(QString(), u"守 10.10"_s, 0) << false << QString()
        << QString() << QString();
    QTest::newRow("an empty execution status beside a risk change")
        << u"sensitive"_s << waiting << snapshot(QString(), u"看 9.95"_s, 0) << false
        << u"关键变化"_s << u"贵州茅台 当前状态观察中，风险看 9.95。"_s + t
        << u"kestrum-state-sh600519--看 9.95"_s;
    QTest::newRow("nothing changed")
        << u"sensitive"_s << waiting << waiting << false << QString() << QString() << QString();
}

void tst_AlertCenter::payload()
{
    QFETCH(QString, preset);
    QFETCH(QJsonObject, before);
    QFETCH(QJsonObject, now);
    QFETCH(bool, holdBack);
    QFETCH(QString, title);
    QFETCH(QString, body);
    QFETCH(QString, identifier);

    Fixture f(preset);
    f.holdBack = holdBack;
    const Quote q = stock();
    f.refresh(q, before);
    QVERIFY(f.notifier.posts.isEmpty()); // the first refresh has nothing to compare with
    f.refresh(q, now);

    const std::optional<AlertPayload> payload = f.alerts->alertNotificationPayloadForQuote(q);
    if (title.isEmpty()) {
        QVERIFY(!payload);
        QVERIFY(f.notifier.posts.isEmpty());
        return;
    }
    QVERIFY(payload);
    QCOMPARE(payload->title, title);
    QCOMPARE(payload->body, body);
    QCOMPARE(payload->identifier, identifier);
    QCOMPARE(f.notifier.posts.size(), 1);
    QCOMPARE(f.notifier.posts[0].title, title);
    QCOMPARE(f.notifier.posts[0].body, body);
    QCOMPARE(f.notifier.posts[0].identifier, identifier);
}

void tst_AlertCenter::payloadNeedsBothSnapshots()
{
    Fixture f(u"sensitive"_s);
    const Quote q = stock();
    f.current.insert(q.symbol, snapshot(u"可跟踪"_s, u"守 10.10"_s, 0));
    QVERIFY(!f.alerts->alertNotificationPayloadForQuote(q));
    f.previous.insert(q.symbol, QJsonObject());
    QVERIFY(!f.alerts->alertNotificationPayloadForQuote(q));
    f.previous.insert(q.symbol, snapshot(u"等确认"_s, u"守 10.10"_s, 0));
    QVERIFY(f.alerts->alertNotificationPayloadForQuote(q));
    f.current.insert(q.symbol, QJsonObject());
    QVERIFY(!f.alerts->alertNotificationPayloadForQuote(q));
}

void tst_AlertCenter::snapshotTextAndName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("price");
    QTest::addColumn<double>("previousClose");
    QTest::addColumn<QString>("body");

    QTest::newRow("falling price")
        << u"贵州茅台"_s << 1431.5 << 1450.0
        << u"贵州茅台 风险抬升，先防守：失 10.10。现价 1431.50（-1.28%）"_s;
    QTest::newRow("no price yet") << u"贵州茅台"_s << 0.0 << 1450.0
                                  << u"贵州茅台 风险抬升，先防守：失 10.10。盘中状态有更新"_s;
    QTest::newRow("no name: the symbol")
        << QString() << 10.2 << 10.0
        << u"sh600519 风险抬升，先防守：失 10.10。现价 10.20（+2.00%）"_s;
}

void tst_AlertCenter::snapshotTextAndName()
{
    QFETCH(QString, name);
    QFETCH(double, price);
    QFETCH(double, previousClose);
    QFETCH(QString, body);

    Fixture f(u"conservative"_s);
    Quote q = stock(price, previousClose);
    q.name = name;
    f.refresh(q, snapshot(u"可跟踪"_s, u"守 10.10"_s, 0));
    f.refresh(q, snapshot(u"先防守"_s, u"失 10.10"_s, 7));
    QCOMPARE(f.notifier.posts.size(), 1);
    QCOMPARE(f.notifier.posts[0].body, body);
}

void tst_AlertCenter::cooldown_data()
{
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<bool>("cooling");

    QTest::newRow("at once") << qint64(0) << true;
    QTest::newRow("just under 480 s") << qint64(479999) << true;
    QTest::newRow("480 s") << qint64(480000) << false;
    QTest::newRow("an hour") << qint64(3600000) << false;
    QTest::newRow("clock set back a minute") << qint64(-60000) << true;
    QTest::newRow("clock set back an hour") << qint64(-3600000) << false;
}

void tst_AlertCenter::cooldown()
{
    QFETCH(qint64, elapsedMs);
    QFETCH(bool, cooling);

    Fixture f;
    const QString id = u"kestrum-state-sh600519-先防守-失 10.10"_s;
    QVERIFY(!f.alerts->alertIsCoolingDownForIdentifier(id));
    f.alerts->markAlertCooldownForIdentifier(id);
    f.clock.advanceMSecs(elapsedMs);
    QCOMPARE(f.alerts->alertIsCoolingDownForIdentifier(id), cooling);
    QVERIFY(!f.alerts->alertIsCoolingDownForIdentifier(u"kestrum-state-other"_s));

    // The empty identifier is never marked and never cools.
    f.alerts->markAlertCooldownForIdentifier(QString());
    QVERIFY(!f.alerts->alertIsCoolingDownForIdentifier(QString()));
    QCOMPARE(f.alerts->alertCooldowns().size(), 1);
}

void tst_AlertCenter::checkAlertsPostsOnlyPayloads()
{
    Fixture f(u"standard"_s);
    Quote moved = stock();
    Quote quiet = stock();
    quiet.symbol = u"sz000001"_s;
    quiet.name = u"平安银行"_s;
    Quote fresh = stock();
    fresh.symbol = u"sh600036"_s; // first seen in this refresh: no previous snapshot

    f.current.insert(moved.symbol, snapshot(u"等确认"_s, u"守 10.10"_s, 0));
    f.current.insert(quiet.symbol, snapshot(u"等确认"_s, u"守 10.10"_s, 0));
    for (const QString &symbol : {moved.symbol, quiet.symbol})
        f.previous.insert(symbol, f.current.value(symbol));
    f.current.insert(moved.symbol, snapshot(u"先防守"_s, u"回踩偏弱"_s, 6));
    f.current.insert(fresh.symbol, snapshot(u"先防守"_s, u"回踩偏弱"_s, 6));

    f.alerts->checkAlerts({quiet, moved, fresh});
    QCOMPARE(f.notifier.posts.size(), 1);
    QCOMPARE(f.notifier.posts[0].identifier, u"kestrum-state-sh600519-先防守-回踩偏弱"_s);
    QVERIFY(f.alerts->alertIsCoolingDownForIdentifier(f.notifier.posts[0].identifier));
    // The same answer again within the cool-down is silent.
    f.alerts->checkAlerts({quiet, moved, fresh});
    QCOMPARE(f.notifier.posts.size(), 1);
}

void tst_AlertCenter::menuRows_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<int>("checkedRow"); // -1: none

    QTest::newRow("off") << u"off"_s << 0;
    QTest::newRow("conservative") << u"conservative"_s << 1;
    QTest::newRow("standard") << u"standard"_s << 2;
    QTest::newRow("sensitive") << u"sensitive"_s << 3;
    QTest::newRow("hand-edited") << u"loud"_s << -1;
    QTest::newRow("missing counts as off") << QString() << 0;
}

void tst_AlertCenter::menuRows()
{
    QFETCH(QString, preset);
    QFETCH(int, checkedRow);

    Fixture f(preset);
    const QList<AlertMenuEntry> menu = f.alerts->alertMenu();
    QCOMPARE(menu.size(), 6);
    const QStringList titles{u"关闭提醒"_s, u"风险提醒"_s, u"机会 + 风险提醒"_s, u"全部关键变化"_s};
    const QStringList keys{u"off"_s, u"conservative"_s, u"standard"_s, u"sensitive"_s};
    for (int row = 0; row < 4; ++row) {
        QCOMPARE(menu[row].kind, AlertMenuEntry::Kind::Preset);
        QCOMPARE(menu[row].title, titles[row]);
        QCOMPARE(menu[row].key, keys[row]);
        QCOMPARE(menu[row].checked, row == checkedRow);
        QVERIFY(menu[row].enabled);
    }
    QCOMPARE(menu[4].kind, AlertMenuEntry::Kind::Separator);
    QCOMPARE(menu[5].kind, AlertMenuEntry::Kind::Info);
    QCOMPARE(menu[5].title, u"根据可跟踪、看回踩、先防守等状态变化提醒"_s);
    QVERIFY(!menu[5].enabled);
    QVERIFY(!menu[5].checked);
}

void tst_AlertCenter::choosingPreset_data()
{
    QTest::addColumn<QVariant>("chosen");
    QTest::addColumn<QString>("preset");
    QTest::addColumn<int>("permissionRequests");

    QTest::newRow("standard") << QVariant(u"standard"_s) << u"standard"_s << 1;
    QTest::newRow("conservative") << QVariant(u"conservative"_s) << u"conservative"_s << 1;
    QTest::newRow("off asks nothing") << QVariant(u"off"_s) << u"off"_s << 0;
    QTest::newRow("no represented object") << QVariant() << u"off"_s << 0;
    QTest::newRow("not a string") << QVariant(2) << u"off"_s << 0;
}

void tst_AlertCenter::choosingPreset()
{
    QFETCH(QVariant, chosen);
    QFETCH(QString, preset);
    QFETCH(int, permissionRequests);

    Fixture f(u"sensitive"_s);
    QSignalSpy changed(f.alerts.get(), &AlertCenter::alertPresetChanged);
    QSignalSpy answered(f.alerts.get(), &AlertCenter::notificationPermissionAnswered);
    f.alerts->setAlertPresetFromMenu(chosen);
    QCOMPARE(f.settings.alertPreset, preset);
    QCOMPARE(f.saves, 1);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(f.notifier.permissionRequests, permissionRequests);
    if (permissionRequests > 0)
        QVERIFY(answered.wait(5000));

    // Asked again every time the same preset is chosen.
    f.alerts->setAlertPresetFromMenu(chosen);
    QCOMPARE(f.notifier.permissionRequests, 2 * permissionRequests);
    QCOMPARE(f.saves, 2);
}

void tst_AlertCenter::choosingActivePresetClearsCooldowns()
{
    Fixture f(u"standard"_s);
    const Quote q = stock();
    f.refresh(q, snapshot(u"可跟踪"_s, u"守 10.10"_s, 0));
    f.refresh(q, snapshot(u"先防守"_s, u"失 10.10"_s, 7));
    QCOMPARE(f.notifier.posts.size(), 1);
    f.alerts->setAlertPresetFromMenu(u"standard"_s);
    QVERIFY(f.alerts->alertCooldowns().isEmpty());
    // The same change may notify again at once.
    f.alerts->checkAlerts({q});
    QCOMPARE(f.notifier.posts.size(), 2);
    QCOMPARE(f.notifier.posts[1].identifier, f.notifier.posts[0].identifier);
}

void tst_AlertCenter::refusedPermissionAsksForWarningOnlyWithFeedback()
{
    Fixture f(u"off"_s);
    f.notifier.granted = false;
    QSignalSpy warning(f.alerts.get(), &AlertCenter::permissionWarningRequested);
    QSignalSpy answered(f.alerts.get(), &AlertCenter::notificationPermissionAnswered);

    f.alerts->requestNotificationPermission();
    QVERIFY(answered.wait(5000));
    QCOMPARE(answered.last().constFirst().toBool(), false);
    QCOMPARE(warning.size(), 0);

    f.alerts->setAlertPresetFromMenu(u"sensitive"_s);
    QVERIFY(warning.wait(5000));
    QCOMPARE(warning.size(), 1);
    QCOMPARE(warning[0][0].toString(), u"通知权限未开启"_s);
    QCOMPARE(warning[0][1].toString(), u"请在系统设置里允许澄川发送通知，否则盘中提醒不会弹出。"_s);
    QCOMPARE(warning[0][2].toString(), u"知道了"_s);

    f.notifier.granted = true;
    f.alerts->setAlertPresetFromMenu(u"standard"_s);
    QVERIFY(answered.wait(5000));
    QCOMPARE(answered.last().constFirst().toBool(), true);
    QCOMPARE(warning.size(), 1);
}

void tst_AlertCenter::testNotification_data()
{
    QTest::addColumn<bool>("holdsQuotes");
    QTest::newRow("with quotes") << true;
    QTest::newRow("empty list") << false;
}

void tst_AlertCenter::testNotification()
{
    QFETCH(bool, holdsQuotes);

    Fixture f(u"off"_s); // the test notification does not depend on the preset
    f.notifier.granted = false;
    if (holdsQuotes)
        f.held = {stock()};
    QSignalSpy warning(f.alerts.get(), &AlertCenter::permissionWarningRequested);
    QSignalSpy answered(f.alerts.get(), &AlertCenter::notificationPermissionAnswered);
    f.alerts->sendTestAlertNotification();
    QCOMPARE(f.notifier.permissionRequests, 1);
    QCOMPARE(f.notifier.posts.size(), 1);
    QCOMPARE(f.notifier.posts[0].identifier, u"kestrum-test-"_s + QString::number(f.unixSeconds()));
    QCOMPARE(f.notifier.posts[0].title, u"盘中提醒测试"_s);
    QCOMPARE(f.notifier.posts[0].body,
             u"通知已开启。盘中出现可跟踪、看回踩或先防守等状态变化时，澄川会及时提醒。"_s);
    // Asked without feedback: a refusal stays silent.
    QVERIFY(answered.wait(5000));
    QCOMPARE(warning.size(), 0);
}

void tst_AlertCenter::notifyFallbacks_data()
{
    QTest::addColumn<bool>("withQuote");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QString>("shownTitle");
    QTest::addColumn<QString>("shownIdentifier"); // %1: the Unix seconds

    QTest::newRow("as given") << true << u"贵州茅台"_s << u"机会提醒"_s << u"id-1"_s
                              << u"机会提醒"_s << u"id-1"_s;
    QTest::newRow("no title: the name")
        << true << u"贵州茅台"_s << QString() << u"id-1"_s << u"贵州茅台"_s << u"id-1"_s;
    QTest::newRow("no title, no name: the symbol")
        << true << QString() << QString() << u"id-1"_s << u"sh600519"_s << u"id-1"_s;
    QTest::newRow("no identifier")
        << true << u"贵州茅台"_s << u"t"_s << QString() << u"t"_s << u"kestrum-sh600519-%1"_s;
    QTest::newRow("no quote, no identifier")
        << false << QString() << u"t"_s << QString() << u"t"_s << u"kestrum--%1"_s;
}

void tst_AlertCenter::notifyFallbacks()
{
    QFETCH(bool, withQuote);
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(QString, identifier);
    QFETCH(QString, shownTitle);
    QFETCH(QString, shownIdentifier);

    Fixture f;
    Quote q = stock();
    q.name = name;
    f.alerts->notifyQuote(withQuote ? std::optional<Quote>(q) : std::nullopt, title, u"b"_s,
                          identifier);
    QCOMPARE(f.notifier.posts.size(), 1);
    QCOMPARE(f.notifier.posts[0].title, shownTitle);
    QCOMPARE(f.notifier.posts[0].body, u"b"_s);
    if (shownIdentifier.contains(u"%1"))
        shownIdentifier = shownIdentifier.arg(f.unixSeconds());
    QCOMPARE(f.notifier.posts[0].identifier, shownIdentifier);
}

QTEST_GUILESS_MAIN(tst_AlertCenter)
#include "tst_alertcenter.moc"
