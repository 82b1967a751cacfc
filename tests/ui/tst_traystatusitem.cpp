// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PanelStatusItem.h"
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
class TestTrayStatusItem : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void titleIsTheToolTip()
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

    void activationRouting_data()
    {
        QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
        QTest::addColumn<int>("activations");
        QTest::addColumn<int>("menuRequests");

        QTest::newRow("left click toggles the popover") << QSystemTrayIcon::Trigger << 1 << 0;
        QTest::newRow("right click opens the menu") << QSystemTrayIcon::Context << 0 << 1;
        QTest::newRow("double click adds nothing to its first press")
            << QSystemTrayIcon::DoubleClick << 0 << 0;
    }

    void activationRouting()
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

    void choice_data()
    {
        QTest::addColumn<QString>("bus"); // "watcher", "bare" (no watcher) or "none"
        QTest::addColumn<QString>("forced");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reasonMentions");

        QTest::newRow("panel with a watcher") << u"watcher"_s << QString() << u"sni"_s
                                              << u"StatusNotifierWatcher is on the session bus"_s;
        QTest::newRow("XEmbed panel, no watcher (whether or not a tray exists yet)")
            << u"bare"_s << QString() << u"tray"_s << u"no org.kde.StatusNotifierWatcher"_s;
        QTest::newRow("forced sni, case and spaces ignored")
            << u"bare"_s << u" SNI "_s << u"sni"_s << u"KESTRUM_STATUS_ITEM=sni"_s;
        QTest::newRow("unknown override is ignored")
            << u"bare"_s << u"bogus"_s << u"tray"_s << u"no org.kde.StatusNotifierWatcher"_s;
        QTest::newRow("no session bus")
            << u"none"_s << QString() << u"tray"_s << u"no D-Bus session bus"_s;
    }

    void choice()
    {
        QFETCH(QString, bus);
        QFETCH(QString, forced);
        QFETCH(QString, kind);
        QFETCH(QString, reasonMentions);

        PrivateSessionBus session;
        QVERIFY2(session.isRunning(), qPrintable(session.errorString()));
        FakeStatusNotifierWatcher fake(session.connect());
        if (bus == u"watcher")
            QVERIFY(fake.start());
        const QDBusConnection app =
            bus == u"none" ? QDBusConnection(u"kestrum-no-such-bus"_s) : session.connect();

        const StatusItemChoice choice = chooseStatusItem(app, forced);
        QCOMPARE(choice.kindName(), kind);
        QVERIFY2(choice.reason.contains(reasonMentions), qPrintable(choice.reason));
        // The panel item starts with the item chosen.
        QCOMPARE(PanelStatusItem(app, forced).kind(), kind);
    }
};

QTEST_MAIN(TestTrayStatusItem)
#include "tst_traystatusitem.moc"
