// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellHarness.h"

#include "app/UpdateChecker.h"
#include "model/Formatters.h"
#include "ui/Label.h"
#include "ui/MainMenuBar.h"
#include "ui/MainWindow.h"
#include "ui/PopoverWindow.h"
#include "ui/QuickActionsMenu.h"

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

class TestAppShell : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void titleHoldsWhilePopoverOpen()
    {
        ShellHarness s;
        QVERIFY(s.h.refreshAndWait());
        s.h.app->rotateTitle(); // now on the second quote
        const QString held = s.h.app->currentDisplaySymbol();
        s.shell->togglePopover(QPoint(600, 10));
        QVERIFY(s.shell->isPopoverShown());
        for (int i = 0; i < 3; ++i)
            s.h.app->rotateTitle();
        s.h.clock().advanceSecs(300);
        QVERIFY(s.h.refreshAndWait());
        QCOMPARE(s.h.app->currentDisplaySymbol(), held);
        QCOMPARE(s.status->title(), titleForQuote(*s.h.app->quoteForSymbol(held))); // fresh numbers
        const int next = s.h.app->rotateIndex();
        s.shell->togglePopover();
        QVERIFY(!s.shell->isPopoverShown());
        s.h.app->rotateTitle();
        QCOMPARE(s.h.app->currentDisplaySymbol(), s.h.app->quotes().at(next).symbol);
    }

    void displayModesFromMenu()
    {
        ShellHarness s;
        QVERIFY(s.h.refreshAndWait());
        // "固定第一只" from the panel's menu is followed in the panel-item test.
        QuickActionsMenu &menu = s.shell->quickActionsMenu();
        menu.actionWithText(u"固定第一只"_s)->trigger();
        s.h.app->rotateTitle();
        QCOMPARE(s.status->title(), titleForQuote(s.h.app->quotes().first()));
        QCOMPARE(s.stored().value(u"displayMode"_s).toString(), u"first"_s);

        menu.actionWithText(u"显示涨跌汇总"_s)->trigger();
        QCOMPARE(s.status->title(), s.h.app->summaryTitle());
        QCOMPARE(s.h.app->currentDisplaySymbol(), QString());
    }

    void rotationRestartsOnReloadAndShrink()
    {
        ShellHarness s;
        QVERIFY(s.h.refreshAndWait());
        s.h.app->rotateTitle();
        s.h.app->rotateTitle();
        QSignalSpy finished(s.h.app.get(), &KestrumApp::refreshFinished);
        s.h.app->reloadConfig();
        QVERIFY(finished.wait(kPatienceMs));
        QCOMPARE(s.h.app->currentDisplaySymbol(), u"sh600519"_s);

        for (int i = 0; i < 3; ++i)
            s.h.app->rotateTitle();
        QCOMPARE(s.h.app->rotateIndex(), 4);
        s.h.setWatchlist({u"sh600519"_s, u"sz000001"_s});
        QVERIFY(s.h.refreshAndWait());
        QCOMPARE(s.h.app->currentDisplaySymbol(), u"sh600519"_s);
    }

    void clickTogglesPopover()
    {
        ShellHarness s;
        QVERIFY(s.h.refreshAndWait());
        s.status->click();
        QVERIFY(s.shell->isPopoverShown() && s.h.app->isPopoverShown());
        s.status->click();
        QVERIFY(!s.shell->isPopoverShown() && !s.h.app->isPopoverShown());

        // Clicking the tray item takes the focus away first, then reports the click: it closes
        // the popover once and does not open it again.
        s.status->click();
        s.shell->popover().handleOutsideClick();
        QVERIFY(!s.shell->isPopoverShown());
        s.status->click();
        QVERIFY(!s.shell->isPopoverShown());
    }

    void menuClicksCloseThePopover()
    {
        ShellHarness s;
        s.shell->activate(QPoint(600, 10), Qt::ControlModifier);
        QVERIFY(!s.shell->isPopoverShown());
        QTRY_VERIFY_WITH_TIMEOUT(s.shell->quickActionsMenu().isVisible(), kPatienceMs);
        s.shell->quickActionsMenu().hide();
        s.shell->activate(QPoint(600, 10), Qt::NoModifier);
        QVERIFY(s.shell->isPopoverShown());

        s.status->rightClick(); // the item shows the menu; the popover must get out of the way
        QVERIFY(!s.shell->isPopoverShown());
        s.status->click();
        s.shell->quickActionsMenu().popup(QPoint(600, 30)); // a panel asked for the menu
        QVERIFY(!s.shell->isPopoverShown());
        s.shell->quickActionsMenu().hide();
    }

    void outsideClickClosesExceptWhileConfiguringAI()
    {
        ShellHarness s;
        s.status->click();
        s.shell->openAISettings();
        s.shell->popover().handleOutsideClick();
        QVERIFY(s.shell->isPopoverShown());
        QEvent deactivate(QEvent::WindowDeactivate);
        QCoreApplication::sendEvent(&s.shell->popover(), &deactivate);
        QVERIFY(s.shell->isPopoverShown());
        s.shell->exitAISettings();
        QCoreApplication::sendEvent(&s.shell->popover(), &deactivate);
        QVERIFY(!s.shell->isPopoverShown());
    }

    void firstLaunchOpensPopoverOnce()
    {
        ShellHarness s;
        s.shell->launch();
        QVERIFY(s.status->shown);
        QVERIFY(!s.shell->isPopoverShown());
        QTRY_VERIFY_WITH_TIMEOUT(s.shell->isPopoverShown(), kPatienceMs);
        QVERIFY(s.shell->firstLaunchHintVisible());
        QVERIFY(s.h.preferences->value(u"KSDidOpenPopoverOnFirstLaunch"_s).toBool());
        // The hint names the panel icon, or the desktop window once there is no panel item.
        const auto hint = [&s] {
            const auto *label =
                s.shell->popover().content()->findChild<Label *>(u"firstLaunchTitle"_s);
            return label ? label->text() : QString();
        };
        QCOMPARE(hint(), u"澄川已在面板启动"_s);
        s.status->setInPanel(false);
        s.shell->refreshPopoverIfVisible();
        QCOMPARE(hint(), u"澄川已启动，面板上没有它的图标"_s);
        s.shell->togglePopover();

        // The next launch leaves the popover closed.
        AppShell again(*s.h.app, std::make_unique<FakeStatusItem>());
        again.openPreferredLaunchSurfaceIfNeeded();
        QTest::qWait(AppShell::kLaunchSurfaceDelayMs + 200);
        QVERIFY(!again.isPopoverShown());
        QVERIFY(!again.firstLaunchHintVisible());
    }

    void automaticUpdateCheck_data()
    {
        QTest::addColumn<bool>("built");          // the build has the update check
        QTest::addColumn<QString>("switchedOff"); // the menu the user switches it off in
        QTest::newRow("on by default") << true << QString();
        QTest::newRow("off in the quick-actions menu") << true << u"quick"_s;
        QTest::newRow("off in the window menu") << true << u"window"_s;
        QTest::newRow("built without") << false << QString();
    }

    void automaticUpdateCheck()
    {
        QFETCH(bool, built);
        QFETCH(QString, switchedOff);
        ShellHarness s(kFiveSymbols, [built](KestrumAppOptions &options, SimHarness &market) {
            options.package = PackageInfo::fromBuild();
            options.package->updateManifestURL = market.simulator.manifestUrl().toString();
            options.package->checksForUpdates = built;
        });
        const auto requests = [&s] {
            return s.h.requestCount(MarketSimulator::manifestRouteName());
        };
        QuickActionsMenu &quick = s.shell->quickActionsMenu();
        MainMenuBar *bar = s.shell->ensureMainWindow().mainMenuBar();
        const auto validate = [bar] {
            Q_EMIT bar->actionWithText(u"澄川"_s)->menu()->aboutToShow();
        };
        validate();
        // Both menus offer both items exactly when the build checks at all.
        for (const QString &item : {u"检查更新..."_s, u"自动检查更新"_s}) {
            QCOMPARE(quick.actionWithText(item) != nullptr, built);
            QCOMPARE(bar->actionWithText(item)->isVisible(), built);
        }

        if (!switchedOff.isEmpty()) {
            QAction *item = switchedOff == u"quick" ? quick.actionWithText(u"自动检查更新"_s)
                                                    : bar->actionWithText(u"自动检查更新"_s);
            QVERIFY(item->isChecked());
            item->trigger();
            QCOMPARE(s.stored().value(u"autoCheckForUpdates"_s), QJsonValue(false));
            quick.rebuild();
            validate();
            QVERIFY(!quick.actionWithText(u"自动检查更新"_s)->isChecked());
            QVERIFY(!bar->actionWithText(u"自动检查更新"_s)->isChecked());
        }

        if (built && switchedOff.isEmpty()) {
            // The launch asks a few seconds later, silently: the manifest names this build.
            s.shell->launch();
            QTRY_COMPARE_WITH_TIMEOUT(requests(), 1, kPatienceMs);
            QTRY_VERIFY_WITH_TIMEOUT(!s.h.app->updates().isUpdateCheckInFlight(), kPatienceMs);
            for (QWidget *top : QApplication::topLevelWidgets())
                QVERIFY(top->objectName() != u"updateAlert");
            return;
        }
        // What the launch's timer runs asks nothing, and without the check nor does the menu's.
        QVERIFY(!s.h.app->runAutomaticUpdateCheck());
        if (!built)
            s.h.app->updates().checkForUpdates();
        QVERIFY(!s.h.app->updates().isUpdateCheckInFlight());
        QVERIFY(s.h.refreshAndWait());
        QCOMPARE(requests(), 0);
    }

    void popoverStaysOnScreen_data()
    {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QPoint>("click");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("below a top panel") << QRect(1000, 0, 24, 24) << QPoint() << QPoint(821, 30);
        QTest::newRow("clamped at the right edge")
            << QRect(1900, 0, 20, 24) << QPoint() << QPoint(1920 - 380 - 6, 30);
        QTest::newRow("at the click point") << QRect() << QPoint(100, 5) << QPoint(6, 11);
    }

    void popoverStaysOnScreen()
    {
        QFETCH(QRect, anchor);
        QFETCH(QPoint, click);
        QFETCH(QPoint, expected);
        QCOMPARE(PopoverWindow::placement(QSize(380, 430), anchor, click, QRect(0, 0, 1920, 1080)),
                 expected);
    }
};

QTEST_MAIN(TestAppShell)
#include "tst_appshell.moc"
