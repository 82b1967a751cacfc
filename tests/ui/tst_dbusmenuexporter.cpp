// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DBusMenuExporter.h"

#include "DBusSignalRecorder.h"
#include "PrivateSessionBus.h"
#include "ShellHarness.h"

#include "alerts/AlertCenter.h"
#include "config/LoginItemManager.h"
#include "ui/ActionCollection.h"
#include "ui/QuickActionsMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QDBusArgument>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kInterface = u"com.canonical.dbusmenu"_s;

// A setting changed somewhere other than the quick-actions menu, and the check mark the
// menu's item then carries.
struct SettingChange
{
    const char *name;
    std::function<void(TestSupport::ShellHarness &)> change;
    Command command;
    bool checked;
};

const SettingChange kSettingChanges[] = {
    {"display mode set by the controller",
     [](auto &s) { s.h.app->setDisplayMode(DisplayMode::Summary); }, Command::DisplaySummary, true},
    {"alert preset chosen elsewhere",
     [](auto &s) { s.h.app->alerts().setAlertPresetFromMenu(AlertPreset::Sensitive); },
     Command::AlertSensitive, true},
    {"window kept on top", [](auto &s) { s.shell->toggleMainWindowAlwaysOnTop(); },
     Command::AlwaysOnTop, true},
    {"desktop opened at launch", [](auto &s) { s.shell->toggleOpenDesktopOnLaunch(); },
     Command::OpenOnLaunch, true},
    {"sort order chosen by the window",
     [](auto &s) { s.shell->setMainWatchlistSortModeFromMenu(WatchlistSortMode::Priority); },
     Command::SortPriority, true},
    {"automatic update check switched off", [](auto &s) { s.h.app->toggleAutomaticUpdateCheck(); },
     Command::AutoUpdateCheck, false},
    {"settings file reloaded",
     [](auto &s) {
         QJsonObject stored = s.stored();
         stored.insert(u"displayMode"_s, u"first"_s);
         s.h.app->config().saveSettings(stored);
         s.h.app->loadSettings();
     },
     Command::DisplayFirst, true},
    // The autostart entry is the only record: written by another program, it shows when
    // the panel opens the menu.
    {"login item written by the desktop",
     [](auto &s) {
         QFile entry(s.h.app->loginItem().launchAgentURL());
         QVERIFY(entry.open(QIODevice::WriteOnly));
         entry.write(s.h.app->loginItem().desktopEntry());
     },
     Command::LoginItem, true},
};

} // namespace

class TestDBusMenuExporter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_bus = std::make_unique<PrivateSessionBus>();
        QVERIFY2(m_bus->isRunning(), qPrintable(m_bus->errorString()));
        m_server = m_bus->connect();
        m_client = m_bus->connect();
        m_menu = std::make_unique<QMenu>();
        buildQuickActionsMenu();
        m_exporter = std::make_unique<DBusMenuExporter>(m_server);
        QVERIFY(m_exporter->isExported());
        m_exporter->setMenu(m_menu.get());
        m_signals = std::make_unique<DBusSignalRecorder>(
            m_client, m_server.baseService(), u"/MenuBar"_s, kInterface,
            QStringList{u"LayoutUpdated"_s, u"ItemsPropertiesUpdated"_s});
        QVERIFY(m_signals->isConnected());
        // The layout change of setMenu itself is not what the tests look at.
        QCoreApplication::processEvents();
        sync();
        m_signals->clear();
    }

    void cleanup()
    {
        m_signals.reset();
        m_exporter.reset();
        m_menu.reset();
        m_bus.reset();
    }

    void labelForText()
    {
        // Mnemonics and shortcut text go; a literal "&" or "_" survives as the panel reads it.
        QCOMPARE(DBusMenuExporter::labelForText(u"退出 &澄川"_s), u"退出 澄川"_s);
        QCOMPARE(DBusMenuExporter::labelForText(u"A && B"_s), u"A & B"_s);
        QCOMPARE(DBusMenuExporter::labelForText(u"gb_brk_b"_s), u"gb__brk__b"_s);
        QCOMPARE(DBusMenuExporter::labelForText(u"刷新行情\tCtrl+R"_s), u"刷新行情"_s);
    }

    void layoutMatchesMenu()
    {
        const DBusMenuLayoutItem root = fetchLayout();
        QCOMPARE(root.id, 0);
        QCOMPARE(root.properties.value(u"children-display"_s).toString(), u"submenu"_s);

        // One line per item: its label and whatever differs from the defaults.
        QStringList items;
        for (const DBusMenuLayoutItem &child : root.children) {
            const QVariantMap &p = child.properties;
            QVERIFY(child.id > 0);
            QString line = p.value(u"type"_s).toString() == u"separator" ? u"—"_s : QString();
            line += p.value(u"label"_s).toString();
            if (!p.value(u"enabled"_s, true).toBool())
                line += u" disabled"_s;
            if (!p.value(u"visible"_s, true).toBool())
                line += u" hidden"_s;
            if (p.contains(u"toggle-type"_s))
                line += u" "_s + p.value(u"toggle-type"_s).toString() + u"="_s +
                        QString::number(p.value(u"toggle-state"_s).toInt());
            if (p.contains(u"children-display"_s) || !child.children.isEmpty())
                line += u" "_s + p.value(u"children-display"_s).toString() + u"="_s +
                        QString::number(child.children.size());
            items << line;
        }
        QCOMPARE(items, (QStringList{u"打开澄川桌面"_s, u"启动时打开桌面 checkmark=1"_s,
                                     u"桌面窗口置顶 checkmark=0"_s, u"—"_s, u"刷新行情"_s,
                                     u"管理自选 disabled"_s, u"隐藏项 hidden"_s, u"—"_s,
                                     u"状态栏显示 submenu=3"_s, u"—"_s, u"退出 澄川"_s}));
        // The submenu's radio items: the panel-item test reads and clicks them on the real menu.
    }

    void idsStayWithTheirActions()
    {
        // Inserting before an item keeps its id (clicks by id are in the panel-item test).
        const int refreshId = idOf(u"刷新行情"_s);
        m_menu->insertAction(m_menu->actions().constFirst(), new QAction(u"新项"_s, m_menu.get()));
        QCOMPARE(idOf(u"刷新行情"_s), refreshId);
    }

    void clickOnInertItemsDoesNothing_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("disabled") << 5;
        QTest::newRow("separator") << 3;
        QTest::newRow("submenu") << 8;
    }

    void clickOnInertItemsDoesNothing()
    {
        QFETCH(int, index);
        QAction *action = m_menu->actions().at(index);
        QSignalSpy triggered(action, &QAction::triggered);
        const int id = fetchLayout().children.at(index).id;
        const QDBusMessage reply =
            menuCall(u"Event"_s, {id, u"clicked"_s, QVariant::fromValue(QDBusVariant(0)), 0u});
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        // "opened" and "closed" are accepted and do nothing either.
        menuCall(u"Event"_s, {id, u"opened"_s, QVariant::fromValue(QDBusVariant(0)), 0u});
        sync();
        QCoreApplication::processEvents();
        QCOMPARE(triggered.size(), 0);
    }

    void unknownIdsAreReported()
    {
        QAction *refresh = m_menu->actions().at(4);
        QSignalSpy triggered(refresh, &QAction::triggered);
        DBusMenuEventList events;
        events.append({idOf(u"刷新行情"_s), u"clicked"_s, QDBusVariant(0), 0});
        events.append({4242, u"clicked"_s, QDBusVariant(0), 0});
        const QDBusMessage reply = menuCall(u"EventGroup"_s, {QVariant::fromValue(events)});
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(qdbus_cast<QList<int>>(reply.arguments().at(0)), QList<int>{4242});
        QTRY_COMPARE_WITH_TIMEOUT(triggered.size(), 1, TestSupport::kPatienceMs);

        // Asking about an item that does not exist is an error, not an empty answer.
        QCOMPARE(menuCall(u"GetLayout"_s, {777, -1, QStringList()}).type(),
                 QDBusMessage::ErrorMessage);
        QCOMPARE(menuCall(u"GetProperty"_s, {777, u"label"_s}).type(), QDBusMessage::ErrorMessage);
        // A group query skips them and gives only the properties asked for.
        const QDBusMessage group = menuCall(
            u"GetGroupProperties"_s,
            {QVariant::fromValue(QList<int>{idOf(u"刷新行情"_s), 777}), QStringList{u"label"_s}});
        const auto items = qdbus_cast<DBusMenuItemList>(group.arguments().at(0));
        QCOMPARE(items.size(), 1);
        QCOMPARE(items[0].properties, (QVariantMap{{u"label"_s, u"刷新行情"_s}}));
    }

    void changedPropertiesAreSentOnce()
    {
        fetchLayout(); // the panel has seen every item
        QAction *top = m_menu->actions().at(2);
        QAction *refresh = m_menu->actions().at(4);
        const int topId = idOf(u"桌面窗口置顶"_s);
        const int refreshId = idOf(u"刷新行情"_s);

        top->setChecked(true);
        refresh->setText(u"刷新_行情"_s);
        refresh->setEnabled(false);
        refresh->setEnabled(false); // no change, no extra signal
        QTRY_COMPARE_WITH_TIMEOUT(m_signals->count(u"ItemsPropertiesUpdated"_s), 1,
                                  TestSupport::kPatienceMs);
        sync();
        QCOMPARE(m_signals->count(u"ItemsPropertiesUpdated"_s), 1);
        QCOMPARE(m_signals->count(u"LayoutUpdated"_s), 0);

        const QDBusMessage message = m_signals->messages(u"ItemsPropertiesUpdated"_s).constFirst();
        auto updated = qdbus_cast<DBusMenuItemList>(message.arguments().at(0));
        std::sort(updated.begin(), updated.end(), [](auto &a, auto &b) { return a.id < b.id; });
        QCOMPARE(updated.size(), 2);
        QCOMPARE(updated[0].id, topId);
        QCOMPARE(updated[0].properties, (QVariantMap{{u"toggle-state"_s, 1}}));
        QCOMPARE(updated[1].id, refreshId);
        QCOMPARE(updated[1].properties,
                 (QVariantMap{{u"label"_s, u"刷新__行情"_s}, {u"enabled"_s, false}}));
        QVERIFY(qdbus_cast<DBusMenuItemKeysList>(message.arguments().at(1)).isEmpty());

        // Back to a default value: the property is listed as removed.
        m_signals->clear();
        refresh->setEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(m_signals->count(u"ItemsPropertiesUpdated"_s), 1,
                                  TestSupport::kPatienceMs);
        const auto removed = qdbus_cast<DBusMenuItemKeysList>(
            m_signals->messages(u"ItemsPropertiesUpdated"_s).constFirst().arguments().at(1));
        QCOMPARE(removed.size(), 1);
        QCOMPARE(removed[0].id, refreshId);
        QCOMPARE(removed[0].properties, QStringList{u"enabled"_s});
    }

    void rebuiltMenuSendsOneLayoutUpdate()
    {
        uint before = 0;
        fetchLayout(0, -1, {}, &before);

        // Rebuilt in place, as an owner may do when its items change.
        m_menu->clear();
        buildQuickActionsMenu();
        m_menu->actions().at(1)->setChecked(false);
        QTRY_COMPARE_WITH_TIMEOUT(m_signals->count(u"LayoutUpdated"_s), 1,
                                  TestSupport::kPatienceMs);
        sync();
        QCOMPARE(m_signals->count(u"LayoutUpdated"_s), 1);
        const QVariantList arguments =
            m_signals->messages(u"LayoutUpdated"_s).constFirst().arguments();
        const uint announced = arguments.at(0).toUInt();
        QVERIFY(announced > before);

        uint after = 0;
        const DBusMenuLayoutItem root = fetchLayout(0, -1, {}, &after);
        QCOMPARE(after, announced);
        QCOMPARE(root.children.size(), 11);
        QCOMPARE(root.children[1].properties.value(u"toggle-state"_s).toInt(), 0);

        // A change inside a submenu names the submenu as the parent to fetch again.
        m_signals->clear();
        QMenu *modes = m_menu->actions().at(8)->menu();
        modes->addAction(u"第四种"_s);
        QTRY_COMPARE_WITH_TIMEOUT(m_signals->count(u"LayoutUpdated"_s), 1,
                                  TestSupport::kPatienceMs);
        QCOMPARE(m_signals->messages(u"LayoutUpdated"_s).constFirst().arguments().at(1).toInt(),
                 root.children[8].id);
        QCOMPARE(fetchLayout(root.children[8].id).children.size(), 4);
    }

    void aboutToShowLetsOwnerPrepare()
    {
        QSignalSpy aboutToShow(m_menu.get(), &QMenu::aboutToShow);
        QDBusMessage reply = menuCall(u"AboutToShow"_s, {0});
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(aboutToShow.size(), 1);
        QCOMPARE(reply.arguments().at(0).toBool(), false);

        // An owner that updates its check marks while the menu opens asks for a new fetch.
        fetchLayout();
        connect(m_menu.get(), &QMenu::aboutToShow, this,
                [this] { m_menu->actions().at(2)->setChecked(true); });
        reply = menuCall(u"AboutToShow"_s, {0});
        QCOMPARE(reply.arguments().at(0).toBool(), true);

        reply = menuCall(u"AboutToShowGroup"_s, {QVariant::fromValue(QList<int>{0, 31337})});
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(qdbus_cast<QList<int>>(reply.arguments().at(1)), QList<int>{31337});
    }

    void quickActionsMenuFollowsSettings_data()
    {
        QTest::addColumn<int>("row");
        for (int row = 0; row < int(std::size(kSettingChanges)); ++row)
            QTest::newRow(kSettingChanges[row].name) << row;
    }

    void quickActionsMenuFollowsSettings()
    {
        QFETCH(int, row);
        const SettingChange &setting = kSettingChanges[row];
        QTemporaryDir autostart;
        TestSupport::ShellHarness s(
            TestSupport::kFiveSymbols,
            [&autostart](KestrumAppOptions &options, TestSupport::SimHarness &) {
                options.autostartDirectory = autostart.path();
            });
        // The panel shows the real menu and has seen every item.
        m_exporter->setMenu(&s.shell->quickActionsMenu());
        QAction *action = s.shell->actions().action(setting.command);
        const int id = m_exporter->idForAction(action);
        QVERIFY(fetchLayout().children.size() > 10);
        QCOMPARE(m_exporter->actionForId(id), action);
        sync();
        m_signals->clear();

        setting.change(s);
        menuCall(u"AboutToShow"_s, {0});
        QCOMPARE(action->isChecked(), setting.checked);
        QTRY_VERIFY_WITH_TIMEOUT(m_signals->count(u"ItemsPropertiesUpdated"_s) > 0,
                                 TestSupport::kPatienceMs);
        QCOMPARE(fetchLayout(id).properties.value(u"toggle-state"_s).toInt(), setting.checked);
        // The same items, updated in place: the panel never has to fetch a new layout.
        sync();
        QCOMPARE(m_signals->count(u"LayoutUpdated"_s), 0);
    }

private:
    QDBusMessage menuCall(const QString &method, const QVariantList &arguments = {});
    DBusMenuLayoutItem fetchLayout(int parent = 0, int depth = -1, const QStringList &names = {},
                                   uint *revision = nullptr);
    int idOf(const QString &label);
    void buildQuickActionsMenu()
    {
        QMenu *menu = m_menu.get();
        menu->addAction(u"打开澄川桌面"_s);
        QAction *openOnLaunch = menu->addAction(u"启动时打开桌面"_s);
        openOnLaunch->setCheckable(true);
        openOnLaunch->setChecked(true);
        menu->addAction(u"桌面窗口置顶"_s)->setCheckable(true);
        menu->addSeparator();
        menu->addAction(u"刷新行情"_s);
        menu->addAction(u"管理自选"_s)->setEnabled(false);
        menu->addAction(u"隐藏项"_s)->setVisible(false);
        menu->addSeparator();
        QMenu *modes = menu->addMenu(u"状态栏显示"_s);
        auto *group = new QActionGroup(modes);
        for (const QString &title : {u"轮播自选股"_s, u"固定第一只"_s, u"显示涨跌汇总"_s}) {
            QAction *mode = modes->addAction(title);
            mode->setCheckable(true);
            group->addAction(mode);
        }
        modes->actions().constFirst()->setChecked(true);
        menu->addSeparator();
        menu->addAction(u"退出 &澄川"_s);
    }

    // A call's round trip: every signal the exporter sent before it has arrived after it.
    void sync()
    {
        QCoreApplication::processEvents();
        menuCall(u"AboutToShow"_s, {-12345});
    }

    std::unique_ptr<PrivateSessionBus> m_bus;
    QDBusConnection m_server{QString()};
    QDBusConnection m_client{QString()};
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<DBusMenuExporter> m_exporter;
    std::unique_ptr<DBusSignalRecorder> m_signals;
};

QDBusMessage TestDBusMenuExporter::menuCall(const QString &method, const QVariantList &arguments)
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(m_server.baseService(), u"/MenuBar"_s, kInterface, method);
    message.setArguments(arguments);
    return PrivateSessionBus::call(m_client, message);
}

DBusMenuLayoutItem TestDBusMenuExporter::fetchLayout(int parent, int depth,
                                                     const QStringList &names, uint *revision)
{
    const QDBusMessage reply = menuCall(u"GetLayout"_s, {parent, depth, names});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2) {
        qWarning() << "GetLayout failed:" << reply.errorMessage();
        return {-1, {}, {}};
    }
    if (revision)
        *revision = reply.arguments().at(0).toUInt();
    return qdbus_cast<DBusMenuLayoutItem>(reply.arguments().at(1));
}

int TestDBusMenuExporter::idOf(const QString &label)
{
    std::function<int(const DBusMenuLayoutItem &)> find = [&](const DBusMenuLayoutItem &item) {
        if (item.properties.value(u"label"_s).toString() == label)
            return item.id;
        for (const DBusMenuLayoutItem &child : item.children) {
            if (const int id = find(child); id > 0)
                return id;
        }
        return -1;
    };
    return find(fetchLayout());
}

QTEST_MAIN(TestDBusMenuExporter)
#include "tst_dbusmenuexporter.moc"
