// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellHarness.h"

#include "ai/InsightService.h"
#include "app/ExportFixture.h"
#include "app/WatchlistManager.h"
#include "model/Formatters.h"
#include "strategy/BoardTags.h"
#include "ui/ActionCollection.h"
#include "ui/FlatButton.h"
#include "ui/HoverButton.h"
#include "ui/IntradayChartView.h"
#include "ui/IntradayHoverOverlayView.h"
#include "ui/Label.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowFrame.h"
#include "ui/MainWindowLayout.h"
#include "ui/MainWindowView.h"
#include "ui/OverlayScrollArea.h"
#include "ui/Typography.h"
#include "ui/WatchInputField.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// Ten A-shares: the refresh fetches minute series for the first eight only.
const QStringList kTen{u"sh600519"_s, u"sh601318"_s, u"sh600036"_s, u"sz000001"_s, u"sz000858"_s,
                       u"sz300750"_s, u"sz002594"_s, u"sh688981"_s, u"sh600900"_s, u"sh600089"_s};

// The desktop window of a controller on the simulated market.
struct WindowHarness : ShellHarness
{
    explicit WindowHarness(const QStringList &symbols = kFiveSymbols)
        : ShellHarness(symbols)
    {
        h.quietRemoteSearch();
    }
    // One refresh, then the window.
    bool open()
    {
        if (!h.refreshAndWait())
            return false;
        shell->showMainWindow();
        return window() && window()->isVisible();
    }
    MainWindow *window() const { return shell->mainWindow(); }
    MainWindowView *view() const { return window() ? window()->content() : nullptr; }
    QStringList rowSymbols() const
    {
        QStringList symbols;
        for (const HoverButton *row : view()->rows())
            symbols << row->identifier();
        return symbols;
    }
    QString selectedRow() const
    {
        for (const HoverButton *row : view()->rows()) {
            if (row->property("selected").toBool())
                return row->identifier();
        }
        return QString();
    }
    QStringList displaySymbols() const
    {
        QStringList symbols;
        for (const Quote &quote : shell->presenter().mainDisplayQuotes())
            symbols << quote.symbol;
        return symbols;
    }
    QAction *menuItem(Command command) const { return shell->actions().action(command); }
    // One of the menu bar's own items (the edit menu), and that menu.
    QMenu *editMenu() const { return window()->mainMenuBar()->actions().at(2)->menu(); }
    QAction *editItem(const QString &text) const
    {
        for (QAction *item : editMenu()->actions()) {
            if (item->text() == text)
                return item;
        }
        return nullptr;
    }
    bool isCentred() const
    {
        const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
        const QPoint at = window()->frameGeometry().center();
        return qAbs(at.x() - centre.x()) <= 1 && qAbs(at.y() - centre.y()) <= 1;
    }
    // Waits until board lookups and the list's minute series have come in, so nothing but
    // the test's own steps rebuilds the window.
    void settle()
    {
        waitFor([this] { return h.app->boardTags().boardLookupInFlightSymbols().isEmpty(); });
        waitFor(
            [this] {
                for (int i = 0; i < qMin(8, int(h.app->quotes().size())); ++i) {
                    if (!h.app->intraday().isReal(h.app->quotes().at(i).symbol))
                        return false;
                }
                return true;
            },
            kPatienceMs);
    }
};

qreal primaryBottom()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return screen.y() + screen.height();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // As in the application: closing the window never ends it.
        QApplication::setQuitOnLastWindowClosed(false);
        // The update check of the menu goes to a closed local port, never to the internet.
        qputenv("KESTRUM_UPDATE_MANIFEST_URL", "http://127.0.0.1:9/update/manifest.json");
        // The stored-frame cases are written for the offscreen platform's one screen.
        QCOMPARE(QGuiApplication::screens().size(), 1);
    }

    void opensCentredAndStaysAlive()
    {
        WindowHarness w;
        // A stored frame too narrow to restore is ignored: recommended size, centred.
        w.settings().mainWindowFrameString = u"{{20, 10}, {979, 700}}"_s;
        QVERIFY(w.open());
        MainWindow *window = w.window();
        QCOMPARE(w.view()->viewSize(), QSize(980, 720));
        QCOMPARE(window->windowTitle(), u"澄川"_s);
        QVERIFY(w.isCentred());
        // Shown in the overview with the first listed stock selected.
        QCOMPARE(w.settings().mainSection, MainSection::Overview);
        QCOMPARE(w.settings().mainDetailSymbol, w.displaySymbols().first());

        // The only task-bar window: every other visible top-level is a tool or pop-up.
        w.status->click();
        QVERIFY(w.shell->isPopoverShown());
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->isVisible() && top->windowType() == Qt::Window)
                QCOMPARE(top, static_cast<QWidget *>(window));
        }
        w.shell->togglePopover();

        // Closing hides it; the same window comes back in the overview, and a refresh meanwhile
        // builds nothing.
        w.window()->openMainWatchlistManager();
        QPointer<MainWindowView> before = w.view();
        QVERIFY(window->close());
        QVERIFY(!window->isVisible());
        QVERIFY(w.h.refreshAndWait());
        QCOMPARE(w.view(), before.data());
        w.shell->showMainWindow();
        QCOMPARE(w.window(), window);
        QVERIFY(window->isVisible());
        QVERIFY(w.view() != before.data());
        QCOMPARE(w.settings().mainSection, MainSection::Overview);
    }

    void frameIsSavedOnceMovesSettle()
    {
        WindowHarness w;
        QVERIFY(w.open());
        QTRY_VERIFY_WITH_TIMEOUT(!w.window()->hasPendingFrameSave(), kPatienceMs);
        QSignalSpy saves(w.h.app.get(), &KestrumApp::settingsChanged);
        // The window is larger than the offscreen screen: restored, it covers the screen's width
        // and shows its title at the top, so it is moved within those bounds.
        const int top = MainWindow::kAssumedTitleBarHeight;
        for (int step = 1; step <= 5; ++step)
            w.window()->move(-4 * step, top);
        QCOMPARE(w.window()->pos(), QPoint(-20, top));
        // Once still, one write for all the moves, with the final frame.
        QTRY_VERIFY_WITH_TIMEOUT(saves.count() > 0, kPatienceMs);
        QCOMPARE(saves.count(), 1);
        QVERIFY(!w.window()->hasPendingFrameSave());
        const QString expected = MainWindowFrame::toString(
            MainWindowFrame::storedFrame(w.window()->geometry(), primaryBottom()));
        QCOMPARE(w.stored().value(u"mainWindowFrame"_s).toString(), expected);

        // The stored frame puts a new window where this one was.
        WindowHarness again;
        again.settings().mainWindowFrameString = expected;
        QVERIFY(again.open());
        QCOMPARE(again.window()->pos(), w.window()->pos());

        // A move followed at once by a close is saved by the close, not lost to the debounce.
        w.window()->move(70, 40);
        QTRY_VERIFY_WITH_TIMEOUT(w.window()->pos() == QPoint(70, 40), kPatienceMs);
        QVERIFY(w.window()->close());
        QVERIFY(!w.window()->hasPendingFrameSave());
        const QString closedAt = w.window()->mainWindowFrameString();
        QCOMPARE(w.stored().value(u"mainWindowFrame"_s).toString(), closedAt);
        // A move still waiting when the application quits is written too.
        w.shell->showMainWindow();
        w.window()->move(90, 60);
        QTRY_VERIFY_WITH_TIMEOUT(w.window()->hasPendingFrameSave(), kPatienceMs);
        w.window()->flushPendingFrameSave();
        QVERIFY(!w.window()->hasPendingFrameSave());
        QCOMPARE(w.stored().value(u"mainWindowFrame"_s).toString(),
                 w.window()->mainWindowFrameString());
        QVERIFY(w.stored().value(u"mainWindowFrame"_s).toString() != closedAt);
    }

    void rowsAndWorkbench()
    {
        WindowHarness w;
        QVERIFY(w.open());
        // (What the list and the workbench show is the golden images'.) The crosshair layer
        // lies over the selected stock's chart.
        MainWindowView *view = w.view();
        QVERIFY(view->chartView() && view->hoverOverlay());
        QCOMPARE(view->hoverOverlay()->geometry(), view->chartView()->geometry());
        QCOMPARE(view->hoverOverlay()->symbol(), w.displaySymbols().first());

        // A click on a row selects it, saves the choice and updates the same view around it.
        const QString third = w.rowSymbols().at(2);
        const QList<HoverButton *> rows = view->rows();
        QTest::mouseClick(rows.at(2), Qt::LeftButton);
        QCOMPARE(w.settings().mainDetailSymbol, third);
        QCOMPARE(w.stored().value(u"mainDetailSymbol"_s).toString(), third);
        QCOMPARE(w.view(), view);
        QCOMPARE(view->rows(), rows);
        QCOMPARE(w.selectedRow(), third);
        QCOMPARE(textOf(w.view()->workbench(), u"heroSymbol"_s), third.toUpper());
    }

    void previousAndNextWrap()
    {
        WindowHarness w;
        QVERIFY(w.open());
        const QStringList list = w.displaySymbols();
        QAction *previous = w.menuItem(Command::PreviousQuote);
        QAction *next = w.menuItem(Command::NextQuote);
        previous->trigger(); // from the first to the last
        QCOMPARE(w.settings().mainDetailSymbol, list.last());
        QCOMPARE(w.selectedRow(), list.last());
        next->trigger(); // and round again
        QCOMPARE(w.settings().mainDetailSymbol, list.first());

        // A selection that is not listed counts as the first entry.
        w.settings().mainDetailSymbol = u"sh601318"_s;
        next->trigger();
        QCOMPARE(w.settings().mainDetailSymbol, list.at(1));

        // Selecting leaves the manager section.
        w.window()->openMainWatchlistManager();
        next->trigger();
        QCOMPARE(w.stored().value(u"mainSection"_s).toString(), u"overview"_s);

        // The keys reach the same actions (Ctrl stands where the Command key was).
        QVERIFY(QTest::qWaitForWindowActive(w.window()));
        QTest::keyClick(w.window(), Qt::Key_BracketRight, Qt::ControlModifier);
        QCOMPARE(w.settings().mainDetailSymbol, list.at(3));
        QTest::keyClick(w.window(), Qt::Key_BracketLeft, Qt::ControlModifier);
        QCOMPARE(w.settings().mainDetailSymbol, list.at(2));
        QSignalSpy refreshing(w.h.app.get(), &KestrumApp::refreshStarted);
        QTest::keyClick(w.window(), Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(refreshing.count(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!w.h.app->isRefreshing(), kPatienceMs);
    }

    void selectionStaysInView()
    {
        // Ten rows in a list eight rows high: at launch on the stored last one and after every
        // move the selected row is in view; a rebuild for the same selection leaves the list
        // where the user scrolled it.
        WindowHarness w(kTen);
        w.settings().mainDetailSymbol = kTen.last();
        QVERIFY(w.open());
        const auto selectedInView = [&w] {
            const QWidget *viewport = w.view()->listArea()->viewport();
            for (const HoverButton *row : w.view()->rows()) {
                if (row->property("selected").toBool())
                    return viewport->rect().contains(
                        QRect(row->mapTo(viewport, QPoint(0, 0)), row->size()));
            }
            return false;
        };
        QTRY_VERIFY(selectedInView());
        QAction *next = w.menuItem(Command::NextQuote);
        QAction *previous = w.menuItem(Command::PreviousQuote);
        for (QAction *move : {next, next, next, previous, previous, previous, previous}) {
            move->trigger();
            QTRY_VERIFY2(selectedInView(), qPrintable(w.selectedRow()));
        }
        w.view()->listArea()->verticalScrollBar()->setValue(0);
        w.window()->refreshMainWindowIfVisible();
        QTRY_COMPARE(w.view()->listOffset(), 0);
    }

    void sortModePriority()
    {
        WindowHarness w(kTen);
        QVERIFY(w.open());
        // The selection is not listed; choosing the order puts it back on the first entry.
        w.settings().mainDetailSymbol = u"hk00700"_s;
        w.menuItem(Command::SortPriority)->trigger();
        QCOMPARE(w.stored().value(u"mainWatchlistSortMode"_s).toString(), u"priority"_s);

        // The window and the popover show the presenter's order (its test checks the order
        // itself); the menu marks the mode.
        QCOMPARE(w.rowSymbols(), w.displaySymbols());
        QCOMPARE(w.stored().value(u"mainDetailSymbol"_s).toString(), w.rowSymbols().first());
        QVERIFY(w.menuItem(Command::SortPriority)->isChecked());
        w.shell->setMainWatchlistSortModeFromMenu(WatchlistSortMode::Original);
        QCOMPARE(w.rowSymbols(), kTen);
    }

    void menuValidation()
    {
        WindowHarness w({u"sh600519"_s});
        QVERIFY(w.open());
        // One stock: nothing to step through; the selected one can get its commentary.
        QVERIFY(!w.menuItem(Command::PreviousQuote)->isEnabled());
        QVERIFY(!w.menuItem(Command::NextQuote)->isEnabled());
        QVERIFY(w.menuItem(Command::GenerateInsight)->isEnabled());

        // While the commentary is being written, it cannot be asked for again.
        SimFault slow;
        slow.delayMs = 1500;
        w.h.server().setFault(MarketSimulator::chatRouteName(), slow);
        w.settings().aiEnabled = true;
        w.settings().aiAPIKey = u"sk-test"_s;
        w.settings().aiBaseURL = w.h.market.baseUrl().toString() + u"/v1"_s;
        w.menuItem(Command::GenerateInsight)->trigger();
        QVERIFY(w.h.app->insights().isLoading(w.settings().mainDetailSymbol));
        QVERIFY(!w.menuItem(Command::GenerateInsight)->isEnabled());
        const int chats = w.h.requestCount(MarketSimulator::chatRouteName());
        w.window()->generateCurrentMainAIInsight(); // ignored while loading
        QCOMPARE(w.h.requestCount(MarketSimulator::chatRouteName()), chats);
        QTRY_VERIFY_WITH_TIMEOUT(!w.h.app->insights().isLoading(w.settings().mainDetailSymbol),
                                 kPatienceMs);
        QVERIFY(w.menuItem(Command::GenerateInsight)->isEnabled());
    }

    void editItemsActOnTheWatchInput()
    {
        WindowHarness w;
        QVERIFY(w.open());
        QMenu *edit = w.editMenu();
        w.window()->openMainWatchlistManager();
        QVERIFY(QTest::qWaitForWindowActive(w.window()));
        WatchInputField *input = w.window()->preferredMainWindowFocusControl();
        QTRY_VERIFY_WITH_TIMEOUT(input && input->hasFocus(), kPatienceMs);
        QTest::keyClicks(input, u"600"_s);

        Q_EMIT edit->aboutToShow();
        QVERIFY(!w.editItem(u"复制"_s)->isEnabled()); // nothing selected yet
        w.editItem(u"全选"_s)->trigger();
        Q_EMIT edit->aboutToShow();
        w.editItem(u"剪切"_s)->trigger();
        QCOMPARE(QApplication::clipboard()->text(), u"600"_s);
        QCOMPARE(w.shell->watchlistManager().inputText(), QString());
        Q_EMIT edit->aboutToShow();
        w.editItem(u"粘贴"_s)->trigger();
        QCOMPARE(w.shell->watchlistManager().inputText(), u"600"_s);

        // A refresh while typing updates around the field: the same field, text, focus, caret.
        input->setCursorPosition(1);
        w.window()->refreshMainWindowIfVisible();
        QCOMPARE(w.window()->preferredMainWindowFocusControl(), input);
        QCOMPARE(input->text(), u"600"_s);
        QVERIFY(input->hasFocus());
        QCOMPARE(input->cursorPosition(), 1);
    }

    void selectionFetchesTheSeries()
    {
        WindowHarness w(kTen);
        QVERIFY(w.open());
        w.settle();
        const QString ninth = kTen.at(8);
        const QString tenth = kTen.at(9);
        QVERIFY(!w.h.app->intraday().isReal(ninth));
        QVERIFY(!w.h.app->intraday().isReal(tenth));

        // Both answers come late; by then the tenth is selected, so only its answer redraws.
        SimFault slow;
        slow.delayMs = 400;
        w.h.server().setFault(u"eastmoney-trends"_s, slow);
        // A drawing of the chart makes its layers anew.
        const auto layer = [&w] {
            return w.view()->chartView()->findChild<QWidget *>();
        };
        QPointer<QWidget> drawn;
        QHash<QString, bool> redrew;
        connect(w.h.app.get(), &KestrumApp::mainSeriesUpdated, this, [&](const QString &symbol) {
            redrew.insert(symbol, layer() != drawn.data());
            drawn = layer();
        });
        w.window()->selectMainQuoteFromButton(ninth);
        w.window()->selectMainQuoteFromButton(tenth);
        drawn = layer();
        QCOMPARE(w.view()->chartView()->state(), IntradayChartState::Loading);
        // (The first stock's answer to the window's opening may come in between.)
        QTRY_VERIFY_WITH_TIMEOUT(redrew.contains(ninth) && redrew.contains(tenth), kPatienceMs);
        QCOMPARE(redrew.value(ninth), false);
        QCOMPARE(redrew.value(tenth), true);
        QVERIFY(w.h.app->intraday().isReal(tenth));
        QVERIFY(w.view()->chartView()->series().isReal);
        QCOMPARE(w.view()->chartView()->series().symbol, tenth);

        // A series already fetched is not asked for again.
        const int requests = w.h.requestCount(u"eastmoney-trends"_s);
        w.window()->selectMainQuoteFromButton(ninth);
        QTest::qWait(50);
        QCOMPARE(w.h.requestCount(u"eastmoney-trends"_s), requests);
    }

    void emptyWatchlist()
    {
        WindowHarness w(QStringList{});
        QVERIFY(w.open());
        MainWindowView *view = w.view();
        QCOMPARE(w.settings().mainDetailSymbol, QString());
        QWidget *bench = view->workbench();

        // Nothing to step through or comment on.
        QVERIFY(!w.menuItem(Command::GenerateInsight)->isEnabled());
        w.window()->selectNextMainQuote();
        QCOMPARE(w.settings().mainDetailSymbol, QString());

        QTest::mouseClick(bench->findChild<FlatButton *>(u"addStockButton"_s), Qt::LeftButton);
        QCOMPARE(w.settings().mainSection, MainSection::Watchlist);
        QVERIFY(w.view()->sidebar());
        QTest::mouseClick(w.view()->workbench()->findChild<FlatButton *>(u"configureAIButton"_s),
                          Qt::LeftButton);
        QVERIFY((w.shell->presenter().page() == PopoverPage::AISettings));
        QVERIFY(w.shell->isPopoverShown());
        w.shell->exitAISettings();
        w.shell->togglePopover();
    }

    void alwaysOnTopAndReset()
    {
        // Opened at launch when asked; the quick-actions menu reaches the same window.
        WindowHarness w;
        w.settings().openDesktopOnLaunch = true;
        w.shell->openPreferredLaunchSurfaceIfNeeded();
        QTRY_VERIFY_WITH_TIMEOUT(w.window() && w.window()->isVisible(), kPatienceMs);
        QVERIFY(!w.shell->isPopoverShown());
        QVERIFY(!w.h.preferences->value(u"KSDidOpenPopoverOnFirstLaunch"_s, false).toBool());
        MainWindow *window = w.window();
        w.menuItem(Command::OpenDesktop)->trigger();
        QCOMPARE(w.window(), window);

        QVERIFY(!window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        w.menuItem(Command::AlwaysOnTop)->trigger();
        QVERIFY(w.stored().value(u"mainWindowAlwaysOnTop"_s).toBool());
        QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window->isVisible());
        w.menuItem(Command::AlwaysOnTop)->trigger();
        QVERIFY(!window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window->isVisible());

        // Reset: back to 980 x 720 in the middle, saved and rebuilt at that size.
        window->move(5, 5);
        w.menuItem(Command::ResetLayout)->trigger();
        QCOMPARE(window->contentSize(), QSize(980, 720));
        QCOMPARE(w.view()->viewSize(), QSize(980, 720));
        QTRY_VERIFY_WITH_TIMEOUT(w.isCentred(), kPatienceMs);
        QCOMPARE(w.stored().value(u"mainWindowFrame"_s).toString(),
                 window->mainWindowFrameString());
    }

    void storedFrames_data()
    {
        // One 800 x 600 screen: a stored y of 0 means the window's bottom edge sits on the
        // screen's bottom edge. Unreadable: a null rectangle.
        QTest::addColumn<QString>("frame");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QRect>("onScreen");
        QTest::newRow("980 x 560 is enough")
            << u"{{10, 20}, {980, 560}}"_s << true << QRect(10, 20, 980, 560);
        QTest::newRow("too narrow")
            << u"{{0, 0}, {979, 720}}"_s << false << QRect(0, -120, 979, 720);
        QTest::newRow("too low") << u"{{0, 0}, {980, 559}}"_s << false << QRect(0, 41, 980, 559);
        QTest::newRow("touching the left edge only")
            << u"{{-980, 0}, {980, 720}}"_s << false << QRect(-980, -120, 980, 720);
        for (const QString &bad : {QString(), u"frame"_s, u"{{1, 2}, {0, 4}}"_s,
                                   u"{{1, 2}, {3, nan}}"_s, u"{{1, 2}, {3, 4}} x"_s})
            QTest::newRow(qPrintable(u"unreadable "_s + bad)) << bad << false << QRect();
    }

    void storedFrames()
    {
        QFETCH(QString, frame);
        QFETCH(bool, visible);
        QFETCH(QRect, onScreen);
        const std::optional<QRectF> stored = MainWindowFrame::fromString(frame);
        QCOMPARE(stored.has_value(), !onScreen.isNull());
        if (!stored)
            return;
        const QList<QRect> screens{QRect(0, 0, 800, 600)};
        QCOMPARE(MainWindowFrame::isVisible(*stored, screens, 600), visible);
        QCOMPARE(MainWindowFrame::screenRect(*stored, 600), onScreen);
        QCOMPARE(MainWindowFrame::storedFrame(MainWindowFrame::screenRect(*stored, 600), 600),
                 *stored);
        QCOMPARE(MainWindowFrame::fromString(MainWindowFrame::toString(*stored)), stored);
    }

    void frameFormatAndClamping()
    {
        QCOMPARE(MainWindowFrame::fromString(u"{{-50.5, 12}, {1024, 768.25}}"_s),
                 QRectF(-50.5, 12, 1024, 768.25));
        QCOMPARE(MainWindowFrame::toString(QRectF(120, 64, 980, 748)),
                 u"{{120, 64}, {980, 748}}"_s);
        // A frame right of the one screen shows once a second screen stands there.
        const QRectF right(1000, 0, 980, 720);
        const QList<QRect> screens{QRect(0, 0, 800, 600)};
        QVERIFY(!MainWindowFrame::isVisible(right, screens, 600));
        QVERIFY(MainWindowFrame::isVisible(right, screens + QList<QRect>{QRect(800, 0, 1024, 768)},
                                           600));
        // Clamped onto the screens it is restored to: saved at 1x, restored at 2x on a screen half
        // as big, the title comes back on screen and the window covers the screen it is wider
        // than; past a second screen's edge it moves back; larger than the screen, it shrinks.
        const QRect full(0, 0, 1920, 1080);
        const auto clamped = [](const QRect &geometry, const QList<QRect> &on) {
            return MainWindowFrame::clampedGeometry(geometry, QMargins(0, 30, 0, 0),
                                                    QSize(980, 585), on);
        };
        QCOMPARE(clamped(QRect(100, -224, 980, 600), {QRect(0, 0, 960, 540)}),
                 QRect(0, 30, 980, 585));
        QCOMPARE(clamped(QRect(100, 100, 980, 720), {full}), QRect(100, 100, 980, 720));
        QCOMPARE(clamped(QRect(2900, 400, 980, 700), {full, QRect(1920, 0, 1280, 1024)}),
                 QRect(2220, 324, 980, 700));
        QCOMPARE(clamped(QRect(-50, 10, 2400, 1400), {full}), QRect(0, 30, 1920, 1050));
    }

    void heroPartsNeverOverlap()
    {
        // At every window height from the minimum to 720, with a short and a long commentary,
        // with and without a position, the price row, the date line, the six facts, the
        // holding's figures and the chart well each keep their own room; a short card drops the
        // date line, then the facts, then the holding, rather than drawing over them.
        MainDetailData detail;
        Quote &quote = detail.cards.market.quote;
        quote = ExportFixture::quotes().first();
        detail.cards.market.accentHex = u"34D399"_s;
        detail.cards.market.boardTag = u"能源金属"_s;
        // One workbench laid out again at each height, as a resize does.
        QWidget surface;
        const QString commentaries[] = {
            u"分时全天运行在均价线下方。"_s,
            ExportFixture::commentaryForSymbol(quote.symbol).repeated(2)};
        for (int variant = 0; variant < 4; ++variant) {
            detail.cards.insight.message = commentaries[variant % 2];
            if (variant >= 2)
                detail.cards.market.holding = HoldingLineData{
                    u"1,000 股"_s, u"78.50"_s, u"82,100.00"_s, u"-2,010.00"_s, -1, u"+3,600.00"_s,
                    u"+4.59%"_s,   1};
            surface.setFixedSize(980, 720);
            const std::unique_ptr<QWidget> workbench(MainWindowView::mainDetailViewForQuote(
                &surface, MainWindowLayout::workbenchFrame(QSizeF(980, 720)), detail, {}, {}));
            for (int height = MainWindowLayout::kMinimumHeight; height <= 720; ++height) {
                const QSizeF size = MainWindowLayout::viewSize(QSizeF(980, height));
                surface.setFixedSize(size.toSize());
                MainWindowView::updateMainDetailView(
                    workbench.get(), MainWindowLayout::workbenchFrame(size), detail, {});
                const QWidget *hero = workbench->findChild<QWidget *>(u"heroCard"_s);
                QList<std::pair<QString, QRect>> parts;
                for (const QString &name : {u"heroPrice"_s, u"heroStamp"_s, u"factTitle"_s,
                                            u"factValue"_s, u"holdingTitle"_s, u"holdingValue"_s}) {
                    for (const Label *label : hero->findChildren<Label *>(name)) {
                        if (label->isVisibleTo(hero))
                            parts.append({name, label->geometry()});
                    }
                }
                parts.append(
                    {u"well"_s, hero->findChild<QWidget *>(u"heroChartWell"_s)->geometry()});
                for (qsizetype i = 0; i < parts.size(); ++i) {
                    for (qsizetype j = i + 1; j < parts.size(); ++j)
                        QVERIFY2(!parts[i].second.intersects(parts[j].second),
                                 qPrintable(u"%1 pt: %2 over %3"_s.arg(height).arg(
                                     parts[i].first, parts[j].first)));
                }
            }
        }
    }

    void rowTagTexts()
    {
        // The list's tag shortens only what would not fit; a long price fits its column, down
        // to 11 pt however long.
        QStringList texts;
        for (const QString &status :
             {u"不追高"_s, u"看回踩"_s, u"先防守"_s, u"等确认"_s, u"数据不足"_s, u"可跟踪"_s})
            texts << MainWindowLayout::rowTagText(fromText<ActionStatus>(status).value());
        QCOMPARE(texts, (QStringList{u"不追"_s, u"看回踩"_s, u"先防守"_s, u"等确认"_s,
                                     u"数据不足"_s, u"可跟踪"_s}));
        const qreal room = MainWindowLayout::rowPriceRoom(MainWindowLayout::rowColumns(330));
        for (const QString &price : {u"9.99"_s, u"1468.20"_s, u"123456.78"_s}) {
            const qreal size = Typography::figureFontSize(price, 15, room);
            QVERIFY2(Typography::textWidth(price, Typography::monospacedDigitFont(
                                                      size, FontWeight::Semibold)) <= room,
                     qPrintable(price));
        }
        QCOMPARE(Typography::fittingFontSize(15, 11, 62, [](qreal) { return 500.0; }), 11.0);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
