#include "alerts/AlertCenter.h"
#include "alerts/FreedesktopNotifier.h"
#include "app/KestrumApp.h"
#include "ui/AlertMenu.h"
#include "ui/AppShell.h"

#include "FakeNotificationServer.h"
#include "FakeStatusItem.h"
#include "PrivateSessionBus.h"
#include "ScriptedMarket.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

const QString kSymbol = u"sh601888"_s;
const QString kName = u"中国中免"_s;

QAction *itemTitled(QMenu &menu, const QString &title)
{
    for (QAction *action : menu.actions()) {
        if (action->text() == title)
            return action;
    }
    return nullptr;
}

} // namespace

// Kestrum against a notification daemon on a message bus of the test's own: what goes over
// the wire, and what the user sees when no daemon is there.
class tst_AlertDBus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void alertsReachTheDaemon();
    void missingDaemonShowsWarningBox();
    void presetMenuRows();

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
    m_notifier->setCallTimeout(2000);
}

void tst_AlertDBus::cleanup()
{
    m_notifier.reset();
    m_server.reset();
    m_bus.reset();
}

void tst_AlertDBus::alertsReachTheDaemon()
{
    QVERIFY(m_server->start());
    ScriptedAppHarness h({kSymbol}, shanghaiTime(2026, 4, 28, 10, 30), m_notifier.get());
    h.app->settings().alertPreset = u"standard"_s;

    h.stage(kSymbol, kName, ScriptedSeries::waiting(aSharePosition(10, 40)), 10.00, 10.60, 9.95);
    QVERIFY(h.refreshAndWait());
    h.stage(kSymbol, kName, ScriptedSeries::tracking(aSharePosition(10, 42)), 10.00, 10.60, 9.95);
    QVERIFY(h.refreshAndWait());
    QTRY_COMPARE_WITH_TIMEOUT(m_server->calls.size(), 1, 5000);
    const FakeNotificationServer::Call first = m_server->calls.constFirst();
    QCOMPARE(first.appName, u"Kestrum"_s);
    QCOMPARE(first.replacesId, 0u);
    QCOMPARE(first.summary, u"机会提醒"_s);
    QCOMPARE(first.body, u"中国中免 重新转强，可跟踪：可跟踪。现价 10.20（+2.00%）"_s);
    const QString identifier = u"kestrum-state-sh601888-可跟踪-守 10.10"_s;
    QTRY_COMPARE_WITH_TIMEOUT(m_notifier->serverIdForIdentifier(identifier),
                              std::optional<uint>(first.id), 5000);

    // Back to waiting (nothing under this preset), then the same change once the cool-down
    // is over: the same identifier replaces the earlier notification.
    h.stage(kSymbol, kName, ScriptedSeries::waiting(aSharePosition(10, 44)), 10.00, 10.60, 9.95);
    QVERIFY(h.refreshAndWait());
    h.stage(kSymbol, kName, ScriptedSeries::tracking(aSharePosition(10, 50)), 10.00, 10.60, 9.95);
    QVERIFY(h.refreshAndWait());
    QTRY_COMPARE_WITH_TIMEOUT(m_server->calls.size(), 2, 5000);
    QCOMPARE(m_server->calls[1].summary, u"机会提醒"_s);
    QCOMPARE(m_server->calls[1].replacesId, first.id);
    QCOMPARE(m_server->calls[1].id, first.id);

    // The test notification, twice within the same second: the second replaces the first.
    QSignalSpy answered(&h.app->alerts(), &AlertCenter::notificationPermissionAnswered);
    h.app->alerts().sendTestAlertNotification();
    QVERIFY(answered.wait(5000));
    QCOMPARE(answered.constFirst().constFirst().toBool(), true);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->calls.size(), 3, 5000);
    QCOMPARE(m_server->calls[2].summary, u"盘中提醒测试"_s);
    QCOMPARE(m_server->calls[2].replacesId, 0u);
    QTRY_VERIFY_WITH_TIMEOUT(
        m_notifier->serverIdForIdentifier(u"kestrum-test-"_s +
                                          QString::number(h.clock().now().toSecsSinceEpoch())),
        5000);
    h.app->alerts().sendTestAlertNotification();
    QTRY_COMPARE_WITH_TIMEOUT(m_server->calls.size(), 4, 5000);
    QCOMPARE(m_server->calls[3].replacesId, m_server->calls[2].id);
}

void tst_AlertDBus::missingDaemonShowsWarningBox()
{
    // No daemon registered on the bus.
    ScriptedAppHarness h({kSymbol}, shanghaiTime(2026, 4, 28, 10, 30), m_notifier.get());
    AppShell shell(*h.app, std::make_unique<FakeStatusItem>());
    QSignalSpy answered(&h.app->alerts(), &AlertCenter::notificationPermissionAnswered);

    h.app->alerts().setAlertPresetFromMenu(u"standard"_s);
    QVERIFY(answered.wait(5000));
    QCOMPARE(answered.constFirst().constFirst().toBool(), false);

    // The box is open and does not block: the test goes on while it is shown.
    QTRY_VERIFY_WITH_TIMEOUT(
        shell.permissionWarningBox() && shell.permissionWarningBox()->isVisible(), 5000);
    QMessageBox *box = shell.permissionWarningBox();
    QCOMPARE(box->text(), u"通知权限未开启"_s);
    QCOMPARE(box->informativeText(), u"请在系统设置里允许澄川发送通知，否则盘中提醒不会弹出。"_s);
    QCOMPARE(box->buttons().size(), 1);
    QCOMPARE(box->buttons().constFirst()->text(), u"知道了"_s);
    QVERIFY(h.refreshAndWait()); // the program keeps running behind it

    // Choosing again while it is open does not stack a second box.
    answered.clear();
    h.app->alerts().setAlertPresetFromMenu(u"sensitive"_s);
    QVERIFY(answered.wait(5000));
    QCOMPARE(shell.permissionWarningBox(), box);
    int boxes = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        boxes += qobject_cast<QMessageBox *>(widget) && widget->isVisible();
    QCOMPARE(boxes, 1);

    // The choice was saved all the same.
    QCOMPARE(h.app->config().loadSettings().value(u"alertPreset"_s).toString(), u"sensitive"_s);

    box->buttons().constFirst()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!shell.permissionWarningBox(), 5000);

    // With a daemon on the bus the same choice shows nothing; "off" never asks.
    QVERIFY(m_server->start());
    answered.clear();
    h.app->alerts().setAlertPresetFromMenu(u"sensitive"_s);
    QVERIFY(answered.wait(5000));
    QCOMPARE(answered.constFirst().constFirst().toBool(), true);
    h.app->alerts().setAlertPresetFromMenu(u"off"_s);
    QTest::qWait(100);
    QCOMPARE(answered.size(), 1);
    QVERIFY(!shell.permissionWarningBox());
}

void tst_AlertDBus::presetMenuRows()
{
    // The menu of the desktop window's alert button (the quick-actions submenu is filled by
    // the same code): "✓" checked, "○" checkable, "—" separator, "(…)" disabled.
    ScriptedAppHarness h({kSymbol});
    const auto rows = [&] {
        QMenu menu;
        AlertMenu::fill(menu, h.app->alerts());
        QStringList out;
        for (const QAction *a : menu.actions()) {
            QString row = a->isSeparator() ? u"—"_s : a->text() + a->shortcut().toString();
            if (a->isCheckable())
                row.prepend(a->isChecked() ? u'✓' : u'○');
            out << (a->isEnabled() ? row : u'(' + row + u')');
        }
        return out;
    };
    const auto expected = [](int checked) {
        const QStringList titles{u"关闭提醒"_s, u"风险提醒"_s, u"机会 + 风险提醒"_s,
                                 u"全部关键变化"_s};
        QStringList out;
        for (int i = 0; i < 4; ++i)
            out << (i == checked ? u'✓' : u'○') + titles[i];
        return out << u"—"_s << u"(根据可跟踪、看回踩、先防守等状态变化提醒)"_s;
    };

    QCOMPARE(rows(), expected(0));
    QMenu menu;
    AlertMenu::fill(menu, h.app->alerts());
    itemTitled(menu, u"风险提醒"_s)->trigger();
    QCOMPARE(h.app->settings().alertPreset, u"conservative"_s);
    QCOMPARE(rows(), expected(1));
    // A hand-edited preset checks no row; a missing one counts as off.
    h.app->settings().alertPreset = u"loud"_s;
    QCOMPARE(rows(), expected(-1));
    h.app->settings().alertPreset.clear();
    QCOMPARE(rows(), expected(0));
}

QTEST_MAIN(tst_AlertDBus)
#include "tst_alertdbus.moc"
