#include "AppHarness.h"
#include "FakeStatusItem.h"

#include "model/Formatters.h"
#include "ui/AppShell.h"
#include "ui/PopoverWindow.h"
#include "ui/QuickActionsMenu.h"

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

struct ShellHarness
{
    explicit ShellHarness(const QStringList &symbols = {u"sh600519"_s, u"sz000001"_s, u"hk00700"_s,
                                                        u"gb_aapl"_s, u"sh600036"_s})
        : h(symbols)
    {
        auto item = std::make_unique<FakeStatusItem>();
        status = item.get();
        shell = std::make_unique<AppShell>(*h.app, std::move(item));
    }
    AppHarness h;
    FakeStatusItem *status = nullptr;
    std::unique_ptr<AppShell> shell;
};

} // namespace

class tst_AppShell : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void titleRotatesThroughQuotes();
    void titleHoldsWhilePopoverOpen();
    void displayModesFromMenu();
    void summaryTitle();
    void reloadConfigRestartsRotation();
    void rotationRestartsWhenListShrinks();
    void clickTogglesPopover();
    void clickThatDismissedDoesNotReopen();
    void controlClickOpensMenu();
    void rightClickClosesPopoverAndOpensMenu();
    void outsideClickClosesExceptWhileConfiguringAI();
    void firstLaunchOpensPopoverOnce();
    void desktopOnLaunchNeverOpensPopover();
    void popoverStaysOnScreen_data();
    void popoverStaysOnScreen();
    void emptyWatchlistTitle();
};

void tst_AppShell::titleRotatesThroughQuotes()
{
    ShellHarness s;
    QVERIFY(s.h.refreshAndWait()); // the refresh itself shows the first quote
    const QList<Quote> quotes = s.h.app->quotes();
    QCOMPARE(s.status->title(), titleForQuote(quotes.at(0)));
    for (int i = 1; i <= 5; ++i) {
        s.h.app->rotateTitle();
        QCOMPARE(s.status->title(), titleForQuote(quotes.at(i % 5)));
        QCOMPARE(s.h.app->currentDisplaySymbol(), quotes.at(i % 5).symbol);
    }
    QVERIFY(s.status->iconChanges > 0);
}

void tst_AppShell::titleHoldsWhilePopoverOpen()
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

void tst_AppShell::displayModesFromMenu()
{
    ShellHarness s;
    QVERIFY(s.h.refreshAndWait());
    QuickActionsMenu &menu = s.shell->quickActionsMenu();
    QAction *first = menu.actionWithText(u"固定第一只"_s);
    QVERIFY(first);
    QVERIFY(!first->isChecked());
    first->trigger();
    QCOMPARE(s.h.app->displayMode(), 1);
    QCOMPARE(s.status->title(), titleForQuote(s.h.app->quotes().first()));
    s.h.app->rotateTitle();
    QCOMPARE(s.status->title(), titleForQuote(s.h.app->quotes().first()));
    menu.rebuild();
    QVERIFY(menu.actionWithText(u"固定第一只"_s)->isChecked());
    QVERIFY(!menu.actionWithText(u"轮播自选股"_s)->isChecked());
    // The choice is saved.
    QCOMPARE(s.h.app->config().loadSettings().value(u"displayMode"_s).toString(), u"first"_s);

    menu.actionWithText(u"显示涨跌汇总"_s)->trigger();
    QVERIFY(s.status->title().startsWith(u"自选 ↑"_s));
    QCOMPARE(s.h.app->currentDisplaySymbol(), QString());
    QVERIFY(menu.actionWithText(u"刷新行情"_s));
    QVERIFY(menu.actionWithText(u"退出 澄川"_s));
}

void tst_AppShell::summaryTitle()
{
    ShellHarness s({u"sh600519"_s, u"sz000001"_s, u"sz999999"_s});
    QVERIFY(s.h.refreshAndWait());
    // Replace the quotes' moves by known ones through the merge path.
    QList<Quote> quotes;
    Quote up;
    up.symbol = u"sh600519"_s;
    up.previousClose = 100;
    up.price = 101;
    Quote down = up;
    down.symbol = u"sz000001"_s;
    down.price = 98;
    quotes << up << down;
    const QList<Quote> merged =
        s.h.app->mergedQuotesForWatchItems(s.h.app->config().loadWatchlist(), quotes);
    QCOMPARE(merged.size(), 3);
    double sum = 0;
    int rises = 0, falls = 0;
    for (const Quote &q : merged) {
        sum += q.changePercent();
        rises += q.changePercent() > 0;
        falls += q.changePercent() < 0;
    }
    QCOMPARE(rises, 1);
    QCOMPARE(falls, 1);
    QCOMPARE(formatPercent(sum / 3), u"-0.33%"_s);
    s.h.app->setDisplayMode(2);
    QVERIFY(s.h.app->summaryTitle().startsWith(u"自选 ↑"_s));
}

void tst_AppShell::reloadConfigRestartsRotation()
{
    ShellHarness s;
    QVERIFY(s.h.refreshAndWait());
    s.h.app->rotateTitle();
    s.h.app->rotateTitle();
    QSignalSpy finished(s.h.app.get(), &KestrumApp::refreshFinished);
    s.h.app->reloadConfig();
    QVERIFY(finished.wait(5000));
    QCOMPARE(s.h.app->currentDisplaySymbol(), u"sh600519"_s);
}

void tst_AppShell::rotationRestartsWhenListShrinks()
{
    ShellHarness s;
    QVERIFY(s.h.refreshAndWait());
    for (int i = 0; i < 3; ++i)
        s.h.app->rotateTitle();
    QCOMPARE(s.h.app->rotateIndex(), 4);
    s.h.setWatchlist({u"sh600519"_s, u"sz000001"_s});
    QVERIFY(s.h.refreshAndWait());
    QCOMPARE(s.h.app->currentDisplaySymbol(), u"sh600519"_s);
}

void tst_AppShell::clickTogglesPopover()
{
    ShellHarness s;
    QVERIFY(s.h.refreshAndWait());
    s.status->click();
    QVERIFY(s.shell->isPopoverShown());
    QVERIFY(s.h.app->isPopoverShown());
    QVERIFY(s.shell->popover().content());
    s.status->click();
    QVERIFY(!s.shell->isPopoverShown());
    QVERIFY(!s.h.app->isPopoverShown());
}

void tst_AppShell::clickThatDismissedDoesNotReopen()
{
    ShellHarness s;
    s.status->click();
    QVERIFY(s.shell->isPopoverShown());
    // Clicking the tray item takes the focus away first, then reports the click.
    s.shell->popover().handleOutsideClick();
    QVERIFY(!s.shell->isPopoverShown());
    s.status->click();
    QVERIFY(!s.shell->isPopoverShown());
}

void tst_AppShell::controlClickOpensMenu()
{
    ShellHarness s;
    s.shell->activate(QPoint(600, 10), Qt::ControlModifier);
    QVERIFY(!s.shell->isPopoverShown());
    QTRY_VERIFY_WITH_TIMEOUT(s.shell->quickActionsMenu().isVisible(), 2000);
    s.shell->quickActionsMenu().hide();
    s.shell->activate(QPoint(600, 10), Qt::NoModifier);
    QVERIFY(s.shell->isPopoverShown());
}

void tst_AppShell::rightClickClosesPopoverAndOpensMenu()
{
    ShellHarness s;
    s.status->click();
    QVERIFY(s.shell->isPopoverShown());
    s.status->rightClick(); // the item shows the menu; the popover must get out of the way
    QVERIFY(!s.shell->isPopoverShown());
    s.status->click();
    QVERIFY(s.shell->isPopoverShown());
    s.shell->quickActionsMenu().popup(QPoint(600, 30)); // a panel asked for the menu
    QVERIFY(!s.shell->isPopoverShown());
    s.shell->quickActionsMenu().hide();
}

void tst_AppShell::outsideClickClosesExceptWhileConfiguringAI()
{
    ShellHarness s;
    s.status->click();
    s.shell->setConfiguringAI(true);
    s.shell->popover().handleOutsideClick();
    QVERIFY(s.shell->isPopoverShown());
    QCoreApplication::sendEvent(&s.shell->popover(), new QEvent(QEvent::WindowDeactivate));
    QVERIFY(s.shell->isPopoverShown());
    s.shell->setConfiguringAI(false);
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(&s.shell->popover(), &deactivate);
    QVERIFY(!s.shell->isPopoverShown());
    // A new opening always starts on the home page.
    QTest::qWait(450);
    s.status->click();
    QVERIFY(!s.shell->configuringAI());
}

void tst_AppShell::firstLaunchOpensPopoverOnce()
{
    ShellHarness s;
    s.shell->launch();
    QVERIFY(s.status->shown);
    QVERIFY(!s.shell->isPopoverShown());
    QTRY_VERIFY_WITH_TIMEOUT(s.shell->isPopoverShown(), 3000);
    QVERIFY(s.shell->firstLaunchHintVisible());
    QVERIFY(s.h.preferences->value(u"KSDidOpenPopoverOnFirstLaunch"_s).toBool());
    s.shell->togglePopover();

    // The next launch leaves the popover closed.
    auto item = std::make_unique<FakeStatusItem>();
    AppShell again(*s.h.app, std::move(item));
    again.openPreferredLaunchSurfaceIfNeeded();
    QTest::qWait(AppShell::kLaunchSurfaceDelayMs + 200);
    QVERIFY(!again.isPopoverShown());
    QVERIFY(!again.firstLaunchHintVisible());
}

void tst_AppShell::desktopOnLaunchNeverOpensPopover()
{
    ShellHarness s;
    s.h.app->settings().openDesktopOnLaunch = true;
    QSignalSpy desktop(s.shell.get(), &AppShell::showMainWindowRequested);
    s.shell->openPreferredLaunchSurfaceIfNeeded();
    QVERIFY(desktop.wait(3000));
    QVERIFY(!s.shell->isPopoverShown());
    QVERIFY(!s.h.preferences->value(u"KSDidOpenPopoverOnFirstLaunch"_s, false).toBool());
}

void tst_AppShell::popoverStaysOnScreen_data()
{
    QTest::addColumn<QRect>("anchor");
    QTest::addColumn<QPoint>("click");
    QTest::addColumn<QPoint>("expected");
    const QRect screen(0, 0, 1920, 1080);
    Q_UNUSED(screen);
    QTest::newRow("below a top panel") << QRect(1000, 0, 24, 24) << QPoint() << QPoint(821, 30);
    QTest::newRow("above a bottom panel")
        << QRect(1000, 1056, 24, 24) << QPoint() << QPoint(821, 1056 - 430 - 6);
    QTest::newRow("clamped at the right edge")
        << QRect(1900, 0, 20, 24) << QPoint() << QPoint(1920 - 380 - 6, 30);
    QTest::newRow("at the click point") << QRect() << QPoint(100, 5) << QPoint(6, 11);
}

void tst_AppShell::popoverStaysOnScreen()
{
    QFETCH(QRect, anchor);
    QFETCH(QPoint, click);
    QFETCH(QPoint, expected);
    QCOMPARE(PopoverWindow::placement(QSize(380, 430), anchor, click, QRect(0, 0, 1920, 1080)),
             expected);
}

void tst_AppShell::emptyWatchlistTitle()
{
    ShellHarness s(QStringList{});
    QVERIFY(s.h.refreshAndWait());
    for (int mode : {0, 1, 2}) {
        s.h.app->setDisplayMode(mode);
        QCOMPARE(s.status->title(), u"股 --"_s);
    }
}

QTEST_MAIN(tst_AppShell)
#include "tst_appshell.moc"
