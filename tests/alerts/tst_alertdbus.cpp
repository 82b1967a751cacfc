// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/AlertCenter.h"
#include "alerts/FreedesktopNotifier.h"
#include "alerts/PriceAlertMonitor.h"
#include "app/KestrumApp.h"
#include "ui/AppShell.h"

#include "FakeNotificationServer.h"
#include "FakeStatusItem.h"
#include "FileBytes.h"
#include "PrivateSessionBus.h"
#include "ScriptedMarket.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

const QString kSymbol = u"sh601888"_s;

} // namespace

// Notifications against a daemon on a message bus of the test's own: what goes over the wire,
// how ids are reused and forgotten, and what the user sees when no daemon is there.
class tst_AlertDBus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup()
    {
        m_notifier.reset();
        m_server.reset();
        m_bus.reset();
    }

    void notifyCarriesContentAndHints_data();
    void notifyCarriesContentAndHints();
    void idsAreReusedAndForgotten();
    void permission_data();
    void permission();
    void missingDaemonShowsWarningBox();
    void priceConditionsNotify_data();
    void priceConditionsNotify();

private:
    std::unique_ptr<PrivateSessionBus> m_bus;
    std::unique_ptr<FakeNotificationServer> m_server;
    std::unique_ptr<FreedesktopNotifier> m_notifier;
};

void tst_AlertDBus::init()
{
    m_bus = std::make_unique<PrivateSessionBus>();
    QVERIFY2(m_bus->isRunning(), qPrintable(m_bus->errorString()));
    m_server = std::make_unique<FakeNotificationServer>(m_bus->connect());
    m_notifier = std::make_unique<FreedesktopNotifier>(m_bus->connect());
    m_notifier->setCallTimeout(kPatienceMs);
}

void tst_AlertDBus::missingDaemonShowsWarningBox()
{
    // No daemon registered on the bus.
    ScriptedAppHarness h({kSymbol}, shanghaiTime(2026, 4, 28, 10, 30), m_notifier.get());
    AppShell shell(*h.app, std::make_unique<FakeStatusItem>());
    QSignalSpy answered(&h.app->alerts(), &AlertCenter::notificationPermissionAnswered);

    h.app->alerts().setAlertPresetFromMenu(AlertPreset::Standard);
    QVERIFY(answered.wait(kPatienceMs));
    QCOMPARE(answered.constFirst().constFirst().toBool(), false);

    // The box is open and does not block: the test goes on while it is shown.
    QTRY_VERIFY_WITH_TIMEOUT(
        shell.permissionWarningBox() && shell.permissionWarningBox()->isVisible(), kPatienceMs);
    QMessageBox *box = shell.permissionWarningBox();
    QCOMPARE(box->text(), AlertCenter::permissionWarningText().message);
    QCOMPARE(box->informativeText(), AlertCenter::permissionWarningText().informativeText);
    QVERIFY(box->informativeText().contains(u"org.freedesktop.Notifications"_s));
    QCOMPARE(box->buttons().size(), 1);
    QCOMPARE(box->buttons().constFirst()->text(), u"知道了"_s);
    QVERIFY(h.refreshAndWait()); // the program keeps running behind it

    // Choosing again while it is open does not stack a second box.
    answered.clear();
    h.app->alerts().setAlertPresetFromMenu(AlertPreset::Sensitive);
    QVERIFY(answered.wait(kPatienceMs));
    QCOMPARE(shell.permissionWarningBox(), box);
    int boxes = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        boxes += qobject_cast<QMessageBox *>(widget) && widget->isVisible();
    QCOMPARE(boxes, 1);

    // The choice was saved all the same.
    QCOMPARE(h.app->config().loadSettings().value(u"alertPreset"_s).toString(), u"sensitive"_s);

    box->buttons().constFirst()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!shell.permissionWarningBox(), kPatienceMs);
}

void tst_AlertDBus::notifyCarriesContentAndHints_data()
{
    QTest::addColumn<QStringList>("capabilities");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("sentBody");
    QTest::addColumn<QStringList>("sentActions");

    const QString body = u"贵州茅台 重新转强，可跟踪：可跟踪。现价 1688.00（+1.25%）"_s;
    QTest::newRow("markup daemon escapes")
        << QStringList{u"body"_s, u"body-markup"_s} << u"AT&T <b>观察</b>"_s
        << u"AT&amp;T &lt;b&gt;观察&lt;/b&gt;"_s << QStringList();
    QTest::newRow("plain daemon keeps markup characters as they are")
        << QStringList{u"body"_s} << u"AT&T <b>"_s + body << u"AT&T <b>"_s + body << QStringList();
    QTest::newRow("daemon with actions gets the click action")
        << QStringList{u"body"_s, u"actions"_s} << body << body
        << QStringList{u"default"_s, QString()};
}

void tst_AlertDBus::notifyCarriesContentAndHints()
{
    QFETCH(QStringList, capabilities);
    QFETCH(QString, body);
    QFETCH(QString, sentBody);
    QFETCH(QStringList, sentActions);

    m_server->capabilities = capabilities;
    QVERIFY(m_server->start());
    FreedesktopNotifier notifier(m_bus->connect());
    notifier.post(u"kestrum-state-sh600519-可跟踪-"_s, u"机会提醒"_s, body);

    QTRY_COMPARE_WITH_TIMEOUT(m_server->calls.size(), 1, kPatienceMs);
    const auto &call = m_server->calls.constFirst();
    QCOMPARE(call.actions, sentActions);
    QCOMPARE((QVariantList{call.appName, call.appIcon, call.replacesId, call.summary, call.body,
                           call.expireTimeout, call.hints.value(u"desktop-entry"_s),
                           call.hints.value(u"sound-name"_s), call.hints.value(u"urgency"_s)}),
             (QVariantList{u"Kestrum"_s, u"com.orvell.kestrum"_s, 0u, u"机会提醒"_s, sentBody, -1,
                           u"com.orvell.kestrum"_s, u"message-new-instant"_s, 1}));
    // Urgency is a byte on the wire; daemons reject other integer types.
    QCOMPARE(call.hints.value(u"urgency"_s).metaType(), QMetaType::fromType<uchar>());
    // The daemon's answer may still be on its way back.
    QTRY_COMPARE_WITH_TIMEOUT(notifier.serverIdForIdentifier(u"kestrum-state-sh600519-可跟踪-"_s),
                              std::optional<uint>(call.id), kPatienceMs);
}

void tst_AlertDBus::idsAreReusedAndForgotten()
{
    QVERIFY(m_server->start());
    FreedesktopNotifier notifier(m_bus->connect());
    QSignalSpy closed(&notifier, &Notifier::closed);

    notifier.post(u"a"_s, u"风险提醒"_s, u"第一条"_s);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->calls.size(), 1, kPatienceMs);
    const uint first = m_server->calls[0].id;
    QTRY_VERIFY_WITH_TIMEOUT(notifier.serverIdForIdentifier(u"a"_s).has_value(), kPatienceMs);

    notifier.post(u"a"_s, u"风险提醒"_s, u"第二条"_s);
    notifier.post(u"b"_s, u"观察提醒"_s, u"另一只"_s);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->calls.size(), 3, kPatienceMs);
    QCOMPARE(m_server->calls[1].replacesId, first);
    QCOMPARE(m_server->calls[1].body, u"第二条"_s);
    QCOMPARE(m_server->calls[2].replacesId, 0u);

    // Closed by the user: the next post under the identifier is a new notification.
    m_server->sendClosed(first, 2);
    QVERIFY(closed.wait(kPatienceMs));
    QCOMPARE(closed.constFirst().constFirst().toString(), u"a"_s);
    QVERIFY(!notifier.serverIdForIdentifier(u"a"_s));
    notifier.post(u"a"_s, u"风险提醒"_s, u"第三条"_s);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->calls.size(), 4, kPatienceMs);
    QCOMPARE(m_server->calls[3].replacesId, 0u);

    // A close for an id that is not ours is ignored.
    m_server->sendClosed(999, 2);
    m_server->sendClosed(m_server->calls[2].id, 1);
    QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 2, kPatienceMs);
    QCOMPARE(closed.last().constFirst().toString(), u"b"_s);

    // Three posts in one turn: the first goes out, the last replaces it once its id is
    // known, and the middle one is superseded rather than stacked.
    m_server->calls.clear();
    notifier.post(u"c"_s, u"t"_s, u"1"_s);
    notifier.post(u"c"_s, u"t"_s, u"2"_s);
    notifier.post(u"c"_s, u"t"_s, u"3"_s);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->calls.size(), 2, kPatienceMs);
    QCOMPARE(m_server->calls[0].body, u"1"_s);
    QCOMPARE(m_server->calls[1].body, u"3"_s);
    QCOMPARE(m_server->calls[1].replacesId, m_server->calls[0].id);
    QTest::qWait(100); // nothing else is on its way
    QCOMPARE(m_server->calls.size(), 2);
    QTRY_VERIFY_WITH_TIMEOUT(notifier.serverIdForIdentifier(u"c"_s), kPatienceMs);

    // A new daemon numbers from 1 again: the old id would replace a stranger's notification.
    m_server->stop();
    QTRY_VERIFY_WITH_TIMEOUT(!notifier.serverIdForIdentifier(u"c"_s), kPatienceMs);
    FakeNotificationServer restarted(m_bus->connect());
    QVERIFY(restarted.start());
    notifier.post(u"c"_s, u"t"_s, u"4"_s);
    QTRY_COMPARE_WITH_TIMEOUT(restarted.calls.size(), 1, kPatienceMs);
    QCOMPARE(restarted.calls[0].replacesId, 0u);
    QCOMPARE(restarted.capabilityQueries, 1);
}

void tst_AlertDBus::permission_data()
{
    QTest::addColumn<QString>("daemon");
    QTest::addColumn<bool>("granted");

    QTest::newRow("daemon answers") << u"present"_s << true;
    QTest::newRow("no daemon on the bus") << u"absent"_s << false;
    QTest::newRow("daemon never answers") << u"silent"_s << false;
    QTest::newRow("no bus at all") << u"disconnected"_s << false;
}

void tst_AlertDBus::permission()
{
    QFETCH(QString, daemon);
    QFETCH(bool, granted);

    if (daemon != u"absent"_s && daemon != u"disconnected"_s)
        QVERIFY(m_server->start());
    m_server->silent = daemon == u"silent"_s;
    const QDBusConnection bus =
        daemon == u"disconnected"_s ? QDBusConnection(u"kestrum-no-such-bus"_s) : m_bus->connect();

    FreedesktopNotifier notifier(bus);
    // A short deadline only where nobody answers, so no answer can race it.
    notifier.setCallTimeout(daemon == u"silent"_s ? 300 : kPatienceMs);
    // A caller gone before the answer hears nothing; the other one hears once.
    bool goneCalled = false;
    auto gone = std::make_unique<QObject>();
    notifier.requestPermission(gone.get(), [&](bool) { goneCalled = true; });
    std::optional<bool> answer;
    int answers = 0;
    notifier.requestPermission(this, [&](bool ok) {
        answer = ok;
        ++answers;
    });
    gone.reset();
    QVERIFY2(!answer, "the answer must not arrive inside the call");
    QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), kPatienceMs);
    QCOMPARE(*answer, granted);
    QTest::qWait(50);
    QCOMPARE(answers, 1);
    QVERIFY(!goneCalled);

    // A post after an unanswered query neither hangs nor throws.
    notifier.post(u"x"_s, u"t"_s, u"b"_s);
    if (granted)
        QTRY_COMPARE_WITH_TIMEOUT(m_server->calls.size(), 1, kPatienceMs);
}

void tst_AlertDBus::priceConditionsNotify_data()
{
    QTest::addColumn<QString>("conditions"); // the item's priceAlerts array
    // Refreshes in order: "<price>" or "<price>@<date>" answered against a 1500.00 close,
    // "fail" (no answer), "off"/"on" (the preset), "arm" (the conditions written now;
    // without an arm step they are there from the start).
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("shown"); // title|body of each notification, in order
    QTest::addColumn<bool>("armedAfter");

    const QString once = u"这条提醒只响一次，已关闭。"_s;
    const QString daily = u"这条提醒每个交易日最多响一次。"_s;
    QTest::newRow("exactly at the level, once")
        << uR"([{"kind": "above", "value": 1530, "repeat": "once"}])"_s
        << QStringList{u"1529.99"_s, u"1530"_s, u"1540"_s}
        << QStringList{u"中国中免 突破 1530.00|现价 1530.00（+2.00%）。"_s + once} << false;
    QTest::newRow("gap through, daily, next trading day")
        << uR"([{"kind": "below", "value": 1470, "repeat": "daily"}])"_s
        << QStringList{u"1480"_s, u"1440"_s, u"1430"_s, u"1430@2026-04-29"_s}
        << QStringList{u"中国中免 跌破 1470.00|现价 1440.00（-4.00%）。"_s + daily,
                       u"中国中免 跌破 1470.00|现价 1430.00（-4.67%）。"_s + daily}
        << true;
    QTest::newRow("stale quote after a failed refresh")
        << uR"([{"kind": "changeAbove", "value": 2}])"_s
        << QStringList{u"1560"_s, u"arm"_s, u"fail"_s, u"1520"_s, u"1530"_s}
        << QStringList{u"中国中免 涨幅达 +2.00%|现价 1530.00（+2.00%）。"_s + once} << false;
    QTest::newRow("silenced while alerts are off, still armed")
        << uR"([{"kind": "changeBelow", "value": -3, "repeat": "once"},
                {"kind": "above", "value": 1400, "repeat": "daily"}])"_s
        << QStringList{u"off"_s, u"1450"_s, u"on"_s, u"1450"_s}
        << QStringList{u"中国中免 跌幅达 -3.00%|现价 1450.00（-3.33%）。"_s + once,
                       u"中国中免 突破 1400.00|现价 1450.00（-3.33%）。"_s + daily}
        << true;
}

// Price conditions from the watchlist file to the notification daemon, through refreshes
// of the scripted realtime feed.
void tst_AlertDBus::priceConditionsNotify()
{
    QFETCH(QString, conditions);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, shown);
    QFETCH(bool, armedAfter);

    QVERIFY(m_server->start());
    ScriptedAppHarness h({kSymbol}, shanghaiTime(2026, 4, 28, 10, 30), m_notifier.get());
    h.app->settings().alertPreset = AlertPreset::Standard;
    const auto arm = [&] {
        const QByteArray item = R"({"symbol": "sh601888", "name": "中国中免", "priceAlerts": )";
        QVERIFY(
            writeBytes(h.app->config().watchlistPath(), "[" + item + conditions.toUtf8() + "}]"));
    };
    if (!steps.contains(u"arm"_s))
        arm();
    for (const QString &step : steps) {
        if (step == u"arm"_s) {
            arm();
            continue;
        }
        if (step == u"off"_s || step == u"on"_s) {
            h.app->settings().alertPreset =
                step == u"on" ? AlertPreset::Standard : AlertPreset::Off;
            continue;
        }
        SimFault down;
        down.reset = true;
        if (step == u"fail"_s) {
            h.market.server().setFault(ScriptedQuotes::routeName(), down);
        } else {
            Quote q;
            q.symbol = kSymbol;
            q.name = u"中国中免"_s;
            q.price = step.section(u'@', 0, 0).toDouble();
            q.previousClose = q.open = 1500;
            q.high = std::max(q.price, q.open);
            q.low = std::min(q.price, q.open);
            q.volume = 1e6;
            q.amount = q.volume * q.price;
            q.date = step.contains(u'@') ? step.section(u'@', 1) : u"2026-04-28"_s;
            q.time = u"10:30:00"_s;
            h.scripted.set(q);
            h.market.server().clearFaults();
        }
        h.clock().advanceSecs(12);
        QVERIFY(h.refreshAndWait());
        QCOMPARE(h.app->lastRefreshSucceeded(), step != u"fail"_s);
    }
    // Messages on one connection arrive in order: once the marker is there, so is the rest.
    m_notifier->post(u"marker"_s, u"marker"_s, QString());
    QTRY_VERIFY_WITH_TIMEOUT(!m_server->calls.isEmpty() &&
                                 m_server->calls.constLast().summary == u"marker"_s,
                             kPatienceMs);
    QStringList got;
    for (const auto &call : std::as_const(m_server->calls)) {
        if (call.summary.startsWith(u"中国中免 "_s)) // the state alerts have titles of their own
            got << call.summary + u'|' + call.body;
    }
    QCOMPARE(got, shown);
    QCOMPARE(h.app->hasArmedPriceAlertsForSymbol(kSymbol), armedAfter);

    // What fired is on record in the file: a restarted monitor fires nothing for the same
    // trading day's quote.
    RecordingNotifier later;
    PriceAlertMonitor restarted(h.app->config(), h.app->settings(), later, h.clock());
    h.app->settings().alertPreset = AlertPreset::Standard;
    QCOMPARE(restarted.checkPriceAlerts(h.app->quotes()).fired, 0);
    QVERIFY(later.posts.isEmpty());
}

QTEST_MAIN(tst_AlertDBus)
#include "tst_alertdbus.moc"
