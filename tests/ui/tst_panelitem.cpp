// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppHarness.h"
#include "DBusSignalRecorder.h"
#include "FakeStatusNotifierWatcher.h"
#include "PrivateSessionBus.h"

#include "app/InstanceActivation.h"
#include "model/Formatters.h"
#include "ui/AppShell.h"
#include "ui/DBusMenuExporter.h"
#include "ui/MainWindow.h"
#include "ui/PanelStatusItem.h"
#include "ui/QuickActionsMenu.h"
#include "ui/StatusNotifierItem.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

const QString kItemInterface = u"org.kde.StatusNotifierItem"_s;

const DBusMenuLayoutItem *findItem(const DBusMenuLayoutItem &root, const QString &label)
{
    for (const DBusMenuLayoutItem &child : root.children) {
        if (child.properties.value(u"label"_s).toString() == label)
            return &child;
        if (const DBusMenuLayoutItem *inner = findItem(child, label))
            return inner;
    }
    return nullptr;
}

} // namespace

// Kestrum's title, clicks and menu as a panel sees them over D-Bus, driven by the real
// controller and shell; the panel coming and going; later launches calling Kestrum up.
class TestPanelItem : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_bus = std::make_unique<PrivateSessionBus>();
        QVERIFY2(m_bus->isRunning(), qPrintable(m_bus->errorString()));
        m_panel = m_bus->connect();
        m_watcher = std::make_unique<FakeStatusNotifierWatcher>(m_bus->connect());
        m_h = std::make_unique<AppHarness>(
            QStringList{u"sh600519"_s, u"sz000001"_s, u"hk00700"_s, u"gb_aapl"_s});
        // Only the launch surfaces a test asks for.
        m_h->preferences->setValue(u"KSDidOpenPopoverOnFirstLaunch"_s, true);
    }

    void cleanup()
    {
        m_activation.reset();
        m_shell.reset();
        m_h.reset();
        m_watcher.reset();
        m_bus.reset();
    }

    void labelFollowsTheTitle()
    {
        launch(true);
        DBusSignalRecorder recorder(m_panel, sni()->serviceName(), u"/StatusNotifierItem"_s,
                                    kItemInterface, {u"XAyatanaNewLabel"_s, u"NewToolTip"_s});
        QVERIFY(recorder.isConnected());
        QTRY_COMPARE_WITH_TIMEOUT(itemProperties().value(u"XAyatanaLabel"_s).toString(),
                                  m_h->app->title(), kPatienceMs);
        recorder.clear();

        // Rotation ticks: each new title is announced once.
        const QList<Quote> quotes = m_h->app->quotes();
        for (int tick = 1; tick <= 3; ++tick) {
            m_h->app->rotateTitle();
            QTRY_COMPARE_WITH_TIMEOUT(recorder.count(u"XAyatanaNewLabel"_s), tick, kPatienceMs);
            QCOMPARE(itemProperties().value(u"XAyatanaLabel"_s).toString(),
                     titleForQuote(quotes.at(tick % quotes.size())));
        }

        // A display-mode change and a refresh reach the panel too.
        m_h->app->setDisplayMode(DisplayMode::First);
        m_h->clock().advanceSecs(600);
        QVERIFY(m_h->refreshAndWait());
        QTRY_COMPARE_WITH_TIMEOUT(itemProperties().value(u"XAyatanaLabel"_s).toString(),
                                  titleForQuote(m_h->app->quotes().first()), kPatienceMs);
        // (An unchanged title goes unannounced: the item's own test.)
    }

    void clicksReachTheShell()
    {
        launch(true);
        QDBusMessage activate = QDBusMessage::createMethodCall(
            sni()->serviceName(), u"/StatusNotifierItem"_s, kItemInterface, u"Activate"_s);
        activate << 640 << 12;
        QCOMPARE(PrivateSessionBus::call(m_panel, activate).type(), QDBusMessage::ReplyMessage);
        QTRY_VERIFY_WITH_TIMEOUT(m_shell->isPopoverShown(), kPatienceMs);

        QDBusMessage context = QDBusMessage::createMethodCall(
            sni()->serviceName(), u"/StatusNotifierItem"_s, kItemInterface, u"ContextMenu"_s);
        context << 640 << 12;
        QCOMPARE(PrivateSessionBus::call(m_panel, context).type(), QDBusMessage::ReplyMessage);
        QTRY_VERIFY_WITH_TIMEOUT(!m_shell->isPopoverShown(), kPatienceMs);
        QTRY_VERIFY_WITH_TIMEOUT(m_shell->quickActionsMenu().isVisible(), kPatienceMs);
        m_shell->quickActionsMenu().hide();
    }

    void exportedMenuIsTheQuickActionsMenu()
    {
        launch(true);
        const DBusMenuLayoutItem layout = menuLayout();
        QuickActionsMenu &menu = m_shell->quickActionsMenu();
        QCOMPARE(layout.children.size(), menu.actions().size());
        for (qsizetype i = 0; i < menu.actions().size(); ++i) {
            QCOMPARE(layout.children.at(i).properties.value(u"label"_s).toString(),
                     DBusMenuExporter::labelForText(menu.actions().at(i)->text()));
        }
        const DBusMenuLayoutItem *rotate = findItem(layout, u"轮播自选股"_s);
        const DBusMenuLayoutItem *first = findItem(layout, u"固定第一只"_s);
        QVERIFY(rotate && first);
        QCOMPARE(rotate->properties.value(u"toggle-state"_s).toInt(), 1);
        QCOMPARE(first->properties.value(u"toggle-state"_s).toInt(), 0);
        QCOMPARE(first->properties.value(u"toggle-type"_s).toString(), u"radio"_s); // one of three

        // A click in the panel runs the item's action.
        const QString path = itemProperties().value(u"Menu"_s).value<QDBusObjectPath>().path();
        QDBusMessage event = QDBusMessage::createMethodCall(
            sni()->serviceName(), path, u"com.canonical.dbusmenu"_s, u"Event"_s);
        event << first->id << u"clicked"_s << QVariant::fromValue(QDBusVariant(QString())) << 0u;
        QCOMPARE(PrivateSessionBus::call(m_panel, event).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(m_h->app->displayMode(), DisplayMode::First, kPatienceMs);
        // The menu follows: the next layout carries the new check mark.
        QTRY_COMPARE_WITH_TIMEOUT(
            findItem(menuLayout(), u"固定第一只"_s)->properties.value(u"toggle-state"_s).toInt(), 1,
            kPatienceMs);
    }

    void panelThatComesLateAndGoes()
    {
        launch(false);
        // No watcher, and no tray either (off screen): the desktop window is the way in.
        QVERIFY(!m_item->isInPanel());
        QVERIFY(windowShown());

        // The panel starts 3 s after Kestrum: its watcher gets the item, with the current title.
        QTimer::singleShot(3000, m_watcher.get(), [this] { m_watcher->start(); });
        QTRY_COMPARE_WITH_TIMEOUT(m_watcher->registeredItems().size(), 1, kPatienceMs);
        QTRY_VERIFY_WITH_TIMEOUT(m_item->isInPanel(), kPatienceMs);
        QCOMPARE(m_item->kind(), u"sni"_s);
        QTRY_COMPARE_WITH_TIMEOUT(itemProperties().value(u"XAyatanaLabel"_s).toString(),
                                  m_h->app->title(), kPatienceMs);

        // With the item in the panel, closing the window leaves Kestrum running.
        QSignalSpy quit(m_shell.get(), &AppShell::quitRequested);
        m_shell->mainWindow()->close();
        QCoreApplication::processEvents();
        QCOMPARE(quit.size(), 0);

        // The panel goes: the item leaves the bus and, with no tray, no item takes its place;
        // nothing pops up by itself.
        const QString name = sni()->serviceName();
        m_watcher->stop();
        QTRY_COMPARE_WITH_TIMEOUT(m_item->kind(), u"none"_s, kPatienceMs);
        QVERIFY(!m_panel.interface()->isServiceRegistered(name).value());
        QVERIFY(!m_item->isInPanel());
        QVERIFY(!windowShown());

        // A later launch brings the window back; closing it now quits (every file is saved as
        // it changes), so no invisible process is left behind.
        InstanceActivation second(m_bus->connect());
        QCOMPARE(second.claim(), InstanceActivation::Outcome::ShownRunning);
        QTRY_VERIFY_WITH_TIMEOUT(windowShown(), kPatienceMs);
        m_shell->mainWindow()->close();
        QTRY_COMPARE_WITH_TIMEOUT(quit.size(), 1, kPatienceMs);
    }

    void laterLaunchShowsTheRunningInstance_data()
    {
        QTest::addColumn<bool>("panel");
        QTest::addColumn<bool>("desktopOnLaunch");
        QTest::addColumn<bool>("popover"); // else the desktop window

        QTest::newRow("panel item: the popover") << true << false << true;
        QTest::newRow("panel item, desktop preferred: the window") << true << true << false;
        QTest::newRow("no panel item: the window") << false << false << false;
    }

    void laterLaunchShowsTheRunningInstance()
    {
        QFETCH(bool, panel);
        QFETCH(bool, desktopOnLaunch);
        QFETCH(bool, popover);

        m_h->app->settings().openDesktopOnLaunch = desktopOnLaunch;
        launch(panel);
        // What the launch itself opened is put away (hidden: closing would quit without a panel).
        if (desktopOnLaunch || !panel)
            QTRY_VERIFY_WITH_TIMEOUT(windowShown(), kPatienceMs);
        if (m_shell->mainWindow())
            m_shell->mainWindow()->hide();
        QVERIFY(!m_shell->isPopoverShown());

        InstanceActivation second(m_bus->connect());
        QCOMPARE(second.claim(), InstanceActivation::Outcome::ShownRunning);
        QTRY_VERIFY_WITH_TIMEOUT(popover ? m_shell->isPopoverShown() : windowShown(), kPatienceMs);
        QCOMPARE(m_shell->isPopoverShown(), popover);
        QCOMPARE(windowShown(), !popover);
    }

private:
    // Starts the shell on the bus, the panel's watcher already there or not.
    void launch(bool withWatcher);
    StatusNotifierItem *sni() const
    {
        return qobject_cast<StatusNotifierItem *>(m_item->current());
    }
    bool windowShown() const { return m_shell->mainWindow() && m_shell->mainWindow()->isVisible(); }
    QVariantMap itemProperties();
    DBusMenuLayoutItem menuLayout();

    std::unique_ptr<PrivateSessionBus> m_bus;
    QDBusConnection m_panel{QString()};
    std::unique_ptr<FakeStatusNotifierWatcher> m_watcher;
    std::unique_ptr<AppHarness> m_h;
    PanelStatusItem *m_item = nullptr;
    std::unique_ptr<AppShell> m_shell;
    std::unique_ptr<InstanceActivation> m_activation;
};

void TestPanelItem::launch(bool withWatcher)
{
    if (withWatcher)
        QVERIFY(m_watcher->start());
    const QDBusConnection app = m_bus->connect();
    m_activation = std::make_unique<InstanceActivation>(app);
    QCOMPARE(m_activation->claim(), InstanceActivation::Outcome::Primary);
    auto item = std::make_unique<PanelStatusItem>(app, QString());
    m_item = item.get();
    m_shell = std::make_unique<AppShell>(*m_h->app, std::move(item));
    connect(m_activation.get(), &InstanceActivation::activationRequested, m_shell.get(),
            &AppShell::showForLaunch);
    m_shell->launch();
    if (withWatcher)
        QTRY_COMPARE_WITH_TIMEOUT(m_watcher->registeredItems().size(), 1, kPatienceMs);
    QTRY_VERIFY_WITH_TIMEOUT(!m_h->app->quotes().isEmpty(), kPatienceMs);
}

QVariantMap TestPanelItem::itemProperties()
{
    return PrivateSessionBus::allProperties(m_panel, sni()->serviceName(), u"/StatusNotifierItem"_s,
                                            kItemInterface);
}

DBusMenuLayoutItem TestPanelItem::menuLayout()
{
    const QString path = itemProperties().value(u"Menu"_s).value<QDBusObjectPath>().path();
    QDBusMessage message = QDBusMessage::createMethodCall(
        sni()->serviceName(), path, u"com.canonical.dbusmenu"_s, u"GetLayout"_s);
    message << 0 << -1 << QStringList();
    const QDBusMessage reply = PrivateSessionBus::call(m_panel, message);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return {};
    return qdbus_cast<DBusMenuLayoutItem>(reply.arguments().at(1));
}

QTEST_MAIN(TestPanelItem)
#include "tst_panelitem.moc"
