// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppHarness.h"
#include "DBusSignalRecorder.h"
#include "FakeStatusNotifierWatcher.h"
#include "PrivateSessionBus.h"

#include "model/Formatters.h"
#include "ui/AppShell.h"
#include "ui/DBusMenuExporter.h"
#include "ui/DBusMenuTypes.h"
#include "ui/PopoverWindow.h"
#include "ui/QuickActionsMenu.h"
#include "ui/StatusItemFactory.h"
#include "ui/StatusNotifierItem.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QTest>

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
// controller and shell.
class tst_PanelItem : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void labelFollowsTheTitle();
    void clicksReachTheShell();
    void exportedMenuIsTheQuickActionsMenu();

private:
    QVariantMap itemProperties();
    DBusMenuLayoutItem menuLayout();

    std::unique_ptr<PrivateSessionBus> m_bus;
    QDBusConnection m_panel{QString()};
    std::unique_ptr<FakeStatusNotifierWatcher> m_watcher;
    std::unique_ptr<AppHarness> m_h;
    StatusNotifierItem *m_item = nullptr;
    std::unique_ptr<AppShell> m_shell;
};

void tst_PanelItem::init()
{
    m_bus = std::make_unique<PrivateSessionBus>();
    QVERIFY2(m_bus->isRunning(), qPrintable(m_bus->errorString()));
    m_panel = m_bus->connect();
    m_watcher = std::make_unique<FakeStatusNotifierWatcher>(m_bus->connect());
    QVERIFY(m_watcher->start());
    m_h = std::make_unique<AppHarness>(
        QStringList{u"sh600519"_s, u"sz000001"_s, u"hk00700"_s, u"gb_aapl"_s});
    const QDBusConnection app = m_bus->connect();
    const StatusItemChoice choice = chooseStatusItem(app, QString());
    QCOMPARE(choice.kind, StatusItemChoice::Kind::StatusNotifier);
    auto item = createStatusItem(choice, app);
    m_item = qobject_cast<StatusNotifierItem *>(item.get());
    QVERIFY(m_item);
    m_shell = std::make_unique<AppShell>(*m_h->app, std::move(item));
    m_shell->launch();
    QTRY_COMPARE_WITH_TIMEOUT(m_watcher->registeredItems().size(), 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_h->app->quotes().isEmpty(), 10000);
}

void tst_PanelItem::cleanup()
{
    m_shell.reset();
    m_h.reset();
    m_watcher.reset();
    m_bus.reset();
}

QVariantMap tst_PanelItem::itemProperties()
{
    return PrivateSessionBus::allProperties(m_panel, m_item->serviceName(),
                                            u"/StatusNotifierItem"_s, kItemInterface);
}

DBusMenuLayoutItem tst_PanelItem::menuLayout()
{
    const QString path = itemProperties().value(u"Menu"_s).value<QDBusObjectPath>().path();
    QDBusMessage message = QDBusMessage::createMethodCall(
        m_item->serviceName(), path, u"com.canonical.dbusmenu"_s, u"GetLayout"_s);
    message << 0 << -1 << QStringList();
    const QDBusMessage reply = PrivateSessionBus::call(m_panel, message);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return {};
    return qdbus_cast<DBusMenuLayoutItem>(reply.arguments().at(1));
}

void tst_PanelItem::labelFollowsTheTitle()
{
    DBusSignalRecorder recorder(m_panel, m_item->serviceName(), u"/StatusNotifierItem"_s,
                                kItemInterface, {u"XAyatanaNewLabel"_s, u"NewToolTip"_s});
    QVERIFY(recorder.isConnected());
    QTRY_COMPARE_WITH_TIMEOUT(itemProperties().value(u"XAyatanaLabel"_s).toString(),
                              m_h->app->title(), 5000);
    recorder.clear();

    // Rotation ticks: each new title is announced once.
    const QList<Quote> quotes = m_h->app->quotes();
    for (int tick = 1; tick <= 3; ++tick) {
        m_h->app->rotateTitle();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.count(u"XAyatanaNewLabel"_s), tick, 5000);
        QCOMPARE(itemProperties().value(u"XAyatanaLabel"_s).toString(),
                 titleForQuote(quotes.at(tick % quotes.size())));
    }

    // A display-mode change and a refresh reach the panel too.
    m_h->app->setDisplayMode(1);
    m_h->clock().advanceSecs(600);
    QVERIFY(m_h->refreshAndWait());
    QTRY_COMPARE_WITH_TIMEOUT(itemProperties().value(u"XAyatanaLabel"_s).toString(),
                              titleForQuote(m_h->app->quotes().first()), 5000);
    const int announced = recorder.count(u"XAyatanaNewLabel"_s);
    m_h->app->rotateTitle(); // first mode: the same title, nothing to announce
    QTest::qWait(100);
    QCOMPARE(recorder.count(u"XAyatanaNewLabel"_s), announced);
}

void tst_PanelItem::clicksReachTheShell()
{
    QDBusMessage activate = QDBusMessage::createMethodCall(
        m_item->serviceName(), u"/StatusNotifierItem"_s, kItemInterface, u"Activate"_s);
    activate << 640 << 12;
    QCOMPARE(PrivateSessionBus::call(m_panel, activate).type(), QDBusMessage::ReplyMessage);
    QTRY_VERIFY_WITH_TIMEOUT(m_shell->isPopoverShown(), 5000);

    QDBusMessage context = QDBusMessage::createMethodCall(
        m_item->serviceName(), u"/StatusNotifierItem"_s, kItemInterface, u"ContextMenu"_s);
    context << 640 << 12;
    QCOMPARE(PrivateSessionBus::call(m_panel, context).type(), QDBusMessage::ReplyMessage);
    QTRY_VERIFY_WITH_TIMEOUT(!m_shell->isPopoverShown(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(m_shell->quickActionsMenu().isVisible(), 5000);
    m_shell->quickActionsMenu().hide();
}

void tst_PanelItem::exportedMenuIsTheQuickActionsMenu()
{
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

    // A click in the panel runs the item's action.
    const QString path = itemProperties().value(u"Menu"_s).value<QDBusObjectPath>().path();
    QDBusMessage event = QDBusMessage::createMethodCall(m_item->serviceName(), path,
                                                        u"com.canonical.dbusmenu"_s, u"Event"_s);
    event << first->id << u"clicked"_s << QVariant::fromValue(QDBusVariant(QString())) << 0u;
    QCOMPARE(PrivateSessionBus::call(m_panel, event).type(), QDBusMessage::ReplyMessage);
    QTRY_COMPARE_WITH_TIMEOUT(m_h->app->displayMode(), 1, 5000);
    // The menu follows: the next layout carries the new check mark.
    QTRY_COMPARE_WITH_TIMEOUT(
        findItem(menuLayout(), u"固定第一只"_s)->properties.value(u"toggle-state"_s).toInt(), 1,
        5000);
}

QTEST_MAIN(tst_PanelItem)
#include "tst_panelitem.moc"
