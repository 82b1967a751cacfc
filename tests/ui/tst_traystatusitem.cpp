// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StatusItemFactory.h"
#include "ui/TrayStatusItem.h"

#include "FakeStatusNotifierWatcher.h"
#include "PrivateSessionBus.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// The tray icon and the choice between it and the StatusNotifierItem. Nothing here needs
// a real tray: the offscreen platform has none.
class tst_TrayStatusItem : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void titleIsTheToolTip();
    void activationRouting_data();
    void activationRouting();
    void choice_data();
    void choice();
    void factoryBuildsTheChosenItem();
};

void tst_TrayStatusItem::titleIsTheToolTip()
{
    TrayStatusItem item;
    QMenu menu;
    item.setMenu(&menu);
    item.setTitle(u"茅台 1688.00 +1.25%"_s);
    auto *tray = item.findChild<QSystemTrayIcon *>();
    QVERIFY(tray);
    QCOMPARE(tray->toolTip(), u"茅台 1688.00 +1.25%"_s);
    // Qt would open a menu set here on its own and bypass the popover's closing.
    QCOMPARE(tray->contextMenu(), nullptr);
}

void tst_TrayStatusItem::activationRouting_data()
{
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
    QTest::addColumn<int>("activations");
    QTest::addColumn<int>("menuRequests");

    QTest::newRow("left click toggles the popover") << QSystemTrayIcon::Trigger << 1 << 0;
    QTest::newRow("right click opens the menu") << QSystemTrayIcon::Context << 0 << 1;
    QTest::newRow("double click adds nothing to its first press")
        << QSystemTrayIcon::DoubleClick << 0 << 0;
}

void tst_TrayStatusItem::activationRouting()
{
    QFETCH(QSystemTrayIcon::ActivationReason, reason);
    QFETCH(int, activations);
    QFETCH(int, menuRequests);

    TrayStatusItem item;
    QMenu menu;
    menu.addAction(u"刷新行情"_s);
    item.setMenu(&menu);
    QSignalSpy activated(&item, &StatusItem::activated);
    QSignalSpy menuRequested(&item, &StatusItem::contextMenuRequested);
    bool menuOpenWhenRequested = false;
    connect(&item, &StatusItem::contextMenuRequested, this,
            [&] { menuOpenWhenRequested = menu.isVisible(); });

    item.handleActivation(reason);
    QCOMPARE(activated.size(), activations);
    QCOMPARE(menuRequested.size(), menuRequests);
    QCOMPARE(menu.isVisible(), menuRequests > 0);
    QVERIFY(!menuOpenWhenRequested);
    menu.hide();
}

void tst_TrayStatusItem::choice_data()
{
    QTest::addColumn<bool>("watcher");
    QTest::addColumn<QString>("forced");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reasonMentions");

    QTest::newRow("panel with a watcher")
        << true << QString() << u"sni"_s << u"StatusNotifierWatcher is on the session bus"_s;
    QTest::newRow("XEmbed panel, no watcher")
        << false << QString() << u"tray"_s << u"no org.kde.StatusNotifierWatcher"_s;
    QTest::newRow("forced sni, case and spaces ignored")
        << false << u" SNI "_s << u"sni"_s << u"KESTRUM_STATUS_ITEM=sni"_s;
    QTest::newRow("unknown override is ignored")
        << false << u"bogus"_s << u"tray"_s << u"no org.kde.StatusNotifierWatcher"_s;
}

void tst_TrayStatusItem::choice()
{
    QFETCH(bool, watcher);
    QFETCH(QString, forced);
    QFETCH(QString, kind);
    QFETCH(QString, reasonMentions);

    PrivateSessionBus bus;
    QVERIFY2(bus.isRunning(), qPrintable(bus.errorString()));
    FakeStatusNotifierWatcher fake(bus.connect());
    if (watcher)
        QVERIFY(fake.start());

    const StatusItemChoice choice = chooseStatusItem(bus.connect(), forced);
    QCOMPARE(choice.kindName(), kind);
    QVERIFY2(choice.reason.contains(reasonMentions), qPrintable(choice.reason));
}

void tst_TrayStatusItem::factoryBuildsTheChosenItem()
{
    PrivateSessionBus bus;
    QVERIFY2(bus.isRunning(), qPrintable(bus.errorString()));
    const QDBusConnection app = bus.connect();

    // No watcher: the tray icon, whether or not a tray exists yet (the panel item test
    // builds the other kind).
    QCOMPARE(createStatusItem(chooseStatusItem(app, QString()), app)->kind(), u"tray"_s);

    // Without a session bus the tray icon is the only choice.
    const StatusItemChoice none =
        chooseStatusItem(QDBusConnection(u"kestrum-no-such-bus"_s), QString());
    QCOMPARE(none.kindName(), u"tray"_s);
    QVERIFY2(none.reason.contains(u"no D-Bus session bus"_s), qPrintable(none.reason));
}

QTEST_MAIN(tst_TrayStatusItem)
#include "tst_traystatusitem.moc"
