// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MainWindow.h"

#include "ai/InsightService.h"
#include "app/KestrumApp.h"
#include "app/WatchlistManager.h"
#include "presentation/Palette.h"
#include "presentation/Presenter.h"
#include "ui/ActionCollection.h"
#include "ui/IntradayChartView.h"
#include "ui/MainWindowFrame.h"
#include "ui/MainWindowLayout.h"
#include "ui/MainWindowView.h"
#include "ui/Toolkit.h"
#include "ui/WatchInputField.h"
#include "ui/WatchlistRowsView.h"
#include "ui/WatchlistSidebarView.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {

// The y just below the primary screen, where stored frames have their origin.
qreal primaryBottom()
{
    const QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return 0;
    const QRect geometry = primary->geometry();
    return geometry.y() + geometry.height();
}

} // namespace

MainWindow::MainWindow(Presenter &presenter, const CardActions &cardActions,
                       ActionCollection &actions, QWidget *parent)
    : QMainWindow(parent)
    , m_presenter(presenter)
    , m_app(presenter.app())
    , m_cardActions(cardActions)
{
    setObjectName(u"mainWindow"_s);
    setWindowTitle(u"澄川"_s);

    // The area below the menu bar. Its background matches the content, so the moment between
    // a resize and the layout that follows it shows no seam.
    m_host = new QWidget(this);
    m_host->setObjectName(u"mainWindowHost"_s);
    m_host->setMinimumSize(minimumContentSize());
    m_host->setAutoFillBackground(true);
    QPalette hostPalette = m_host->palette();
    hostPalette.setColor(QPalette::Window, Palette::pageBackground);
    m_host->setPalette(hostPalette);
    Toolkit::addSubtleGridBackgroundToView(m_host);
    setCentralWidget(m_host);

    createMenus(actions);

    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(kMoveSaveDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &MainWindow::saveFrameIfMoved);
    m_resizeTimer.setSingleShot(true);
    m_resizeTimer.setInterval(kResizeSettleMs);
    connect(&m_resizeTimer, &QTimer::timeout, this, &MainWindow::finishResize);

    connectController();

    resize(windowSizeForContent(recommendedContentSize()));
    centreOnScreen();
    // The window manager's frame is only known once the window is shown; centre again then.
    m_centreWhenShown = !applyStoredMainWindowFrameIfNeeded();
}

MainWindow::~MainWindow() = default;

void MainWindow::createMenus(ActionCollection &actions)
{
    m_menuBar = new MainMenuBar(
        actions, [this] { return qobject_cast<QLineEdit *>(focusWidget()); }, this);
    setMenuBar(m_menuBar);
    // The commands that act on this window; the collection runs the rest.
    connect(actions.action(Command::PreviousQuote), &QAction::triggered, this,
            &MainWindow::selectPreviousMainQuote);
    connect(actions.action(Command::NextQuote), &QAction::triggered, this,
            &MainWindow::selectNextMainQuote);
    connect(actions.action(Command::GenerateInsight), &QAction::triggered, this,
            &MainWindow::generateCurrentMainAIInsight);
}

void MainWindow::connectController()
{
    connect(&m_presenter, &Presenter::mainWindowDataChanged, this,
            &MainWindow::refreshMainWindowIfVisible);
    // Settings changed elsewhere (the AI settings page, the popover's menu) show at the next
    // turn, once; the window's own saves update it by themselves.
    auto *settingsRebuild = new QTimer(this);
    settingsRebuild->setSingleShot(true);
    settingsRebuild->setInterval(0);
    connect(settingsRebuild, &QTimer::timeout, this, &MainWindow::refreshMainWindowIfVisible);
    connect(&m_presenter, &Presenter::settingsChanged, this, [this, settingsRebuild] {
        // The level follows at once: a menu that switched it shows the window on top now.
        applyMainWindowLevel();
        if (!m_savingState)
            settingsRebuild->start();
    });
    connect(&m_presenter, &Presenter::mainSectionRequested, this, &MainWindow::setMainSection);
}

// --- Size, frame and level ---------------------------------------------------------------

QSize MainWindow::contentSize() const
{
    return m_host->size();
}

QSize MainWindow::windowSizeForContent(const QSize &content) const
{
    int bar = m_menuBar->heightForWidth(content.width());
    if (bar < 0)
        bar = m_menuBar->sizeHint().height();
    return QSize(content.width(), content.height() + bar);
}

void MainWindow::centreOnScreen()
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // move() places the frame, so centre the frame (the client area until it is shown).
    QRect frame(QPoint(0, 0), frameGeometry().size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

bool MainWindow::applyStoredMainWindowFrameIfNeeded()
{
    const std::optional<QRectF> stored =
        MainWindowFrame::fromString(m_app.settings().mainWindowFrameString);
    if (!stored)
        return false;
    QList<QRect> available;
    for (const QScreen *screen : QGuiApplication::screens())
        available.append(screen->availableGeometry());
    const qreal bottom = primaryBottom();
    if (!MainWindowFrame::isVisible(*stored, available, bottom))
        return false;
    // The window frame is known once the window manager has framed the window; until then
    // allow for a title bar.
    QMargins margins(frameGeometry().left() - geometry().left(),
                     geometry().top() - frameGeometry().top(),
                     frameGeometry().right() - geometry().right(),
                     frameGeometry().bottom() - geometry().bottom());
    if (margins.isNull())
        margins = QMargins(0, kAssumedTitleBarHeight, 0, 0);
    setGeometry(
        MainWindowFrame::clampedGeometry(MainWindowFrame::screenRect(*stored, bottom), margins,
                                         windowSizeForContent(minimumContentSize()), available));
    return true;
}

QString MainWindow::mainWindowFrameString() const
{
    return MainWindowFrame::toString(MainWindowFrame::storedFrame(geometry(), primaryBottom()));
}

void MainWindow::saveMainWindowState()
{
    m_saveTimer.stop();
    m_app.settings().mainWindowFrameString = mainWindowFrameString();
    m_savingState = true;
    m_app.saveSettings();
    m_savingState = false;
}

void MainWindow::saveFrameIfMoved()
{
    if (mainWindowFrameString() != m_app.settings().mainWindowFrameString)
        saveMainWindowState();
}

void MainWindow::flushPendingFrameSave()
{
    if (m_saveTimer.isActive())
        saveFrameIfMoved();
}

void MainWindow::applyMainWindowLevel()
{
    const bool onTop = m_app.settings().mainWindowAlwaysOnTop;
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    const bool wasVisible = isVisible();
    const QRect frame = geometry();
    // Changing the flags recreates the native window, which hides it.
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (wasVisible) {
        setGeometry(frame);
        show();
    }
}

void MainWindow::resetMainWindowLayout()
{
    if (!isVisible())
        show();
    resize(windowSizeForContent(recommendedContentSize()));
    centreOnScreen();
    applyMainWindowLevel();
    saveMainWindowState();
    rebuild();
    focusMainWindowPrimaryControlIfNeeded();
}

void MainWindow::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    if (isVisible())
        m_saveTimer.start();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (isVisible())
        m_resizeTimer.start();
}

void MainWindow::finishResize()
{
    if (!isVisible())
        return;
    const QSize wanted = MainWindowLayout::viewSize(QSizeF(contentSize())).toSize();
    if (!m_content || m_content->viewSize() != wanted) {
        rebuild();
        focusMainWindowPrimaryControlIfNeeded();
    }
    m_saveTimer.start();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    m_resizeTimer.stop();
    saveMainWindowState();
    // Hidden, never destroyed: the next show finds it where it was.
    event->accept();
    QMainWindow::closeEvent(event);
    Q_EMIT closed();
}

// --- Showing and rebuilding --------------------------------------------------------------

void MainWindow::showMainWindow()
{
    applyMainWindowLevel();
    m_app.settings().mainSection = MainSection::Overview;
    m_presenter.settleMainDetailSymbol();
    if (!isVisible())
        show();
    if (isMinimized())
        showNormal();
    if (m_centreWhenShown) {
        m_centreWhenShown = false;
        centreOnScreen();
    }
    rebuild();
    raise();
    activateWindow();
    // The workbench draws a provider's minute series; ask for the selection's if it has none.
    m_app.ensureMainIntradaySeriesForSymbol(m_app.settings().mainDetailSymbol);
    focusMainWindowPrimaryControlIfNeeded();
}

void MainWindow::refreshMainWindowIfVisible()
{
    if (!isVisible())
        return;
    rebuild();
    focusMainWindowPrimaryControlIfNeeded();
}

void MainWindow::rebuild()
{
    m_presenter.settleMainDetailSymbol();
    QSize size = contentSize();
    if (size.width() <= 0 || size.height() <= 0)
        size = recommendedContentSize();

    const MainWindowData data = m_presenter.mainWindowData();
    const QString shownSymbol = data.detail ? data.detail->cards.market.quote.symbol : QString();
    // The list stays where it was unless the selection moved (then the new row comes into
    // view).
    std::optional<int> listOffset;
    if (m_content && m_content->listArea() &&
        m_content->property("detailSymbol").toString() == shownSymbol)
        listOffset = m_content->listOffset();
    // The view on show takes the new state in place; a change of section builds another.
    if (!m_content || !m_content->setData(data, size))
        replaceContent(data, size);
    m_content->setProperty("detailSymbol", shownSymbol);
    m_content->placeList(listOffset);
    m_presenter.chartEntrances().settle(m_content->chartView());
}

void MainWindow::replaceContent(const MainWindowData &data, const QSize &size)
{
    WatchlistManager &manager = m_presenter.watchlistManager();
    auto *view = new MainWindowView(
        data, size, m_cardActions,
        [this, &manager](QWidget *parent, const QRectF &frame) -> QWidget * {
            auto *sidebar = new WatchlistSidebarView(parent, frame, manager);
            connect(sidebar->rowsView(), &WatchlistRowsView::editRequested, this,
                    &MainWindow::holdingEditRequested);
            return sidebar;
        },
        m_host);
    connect(view, &MainWindowView::quoteSelected, this, &MainWindow::selectMainQuoteFromButton);
    connect(view, &MainWindowView::managerToggleRequested, this,
            &MainWindow::toggleMainWatchlistManager);
    connect(view, &MainWindowView::addStockRequested, this, &MainWindow::openMainWatchlistManager);
    connect(view, &MainWindowView::aiSettingsRequested, this, &MainWindow::aiSettingsRequested);
    connect(view, &MainWindowView::ratesRequested, this, &MainWindow::ratesRequested);
    connect(view, &MainWindowView::quotePageRequested, this,
            [this](const QString &symbol) { openMainQuotePage(symbol); });
    view->move(0, 0);
    view->show();
    if (MainWindowView *old = m_content) {
        // Deleted later: a click on one of its buttons (the manager's toggle) may be what
        // asked for the other section.
        old->hide();
        old->setObjectName(u"retiredMainWindowView"_s);
        old->deleteLater();
    }
    m_content = view;
}

WatchInputField *MainWindow::preferredMainWindowFocusControl() const
{
    if (!m_content || m_app.settings().mainSection != MainSection::Watchlist)
        return nullptr;
    const auto *sidebar = qobject_cast<const WatchlistSidebarView *>(m_content->sidebar());
    return sidebar ? sidebar->inputField() : nullptr;
}

void MainWindow::focusMainWindowPrimaryControlIfNeeded()
{
    QPointer<WatchInputField> control = preferredMainWindowFocusControl();
    if (!control)
        return;
    QTimer::singleShot(0, this, [this, control] {
        if (control && isVisible() && control->window() == this && control->isVisible())
            control->setFocus(Qt::OtherFocusReason);
    });
}

// --- Selection and sections --------------------------------------------------------------

void MainWindow::selectSymbol(const QString &symbol)
{
    m_presenter.selectMainQuote(symbol);
    saveMainWindowState();
    refreshMainWindowIfVisible();
}

void MainWindow::selectMainQuoteFromButton(const QString &symbol)
{
    if (!symbol.isEmpty())
        selectSymbol(symbol);
}

void MainWindow::selectMainQuoteAtOffset(int offset)
{
    QStringList symbols;
    for (const Quote &quote : m_presenter.mainDisplayQuotes())
        symbols.append(quote.symbol);
    const int index =
        MainWindowLayout::indexAtOffset(symbols, m_app.settings().mainDetailSymbol, offset);
    if (index >= 0)
        selectSymbol(symbols.at(index));
}

void MainWindow::setMainSection(MainSection target)
{
    m_presenter.setMainSection(target);
    saveMainWindowState();
    refreshMainWindowIfVisible();
}

void MainWindow::toggleMainWatchlistManager()
{
    setMainSection(m_app.settings().mainSection == MainSection::Watchlist ? MainSection::Overview
                                                                          : MainSection::Watchlist);
}

void MainWindow::generateCurrentMainAIInsight()
{
    const std::optional<Quote> quote = m_presenter.currentMainDetailQuote();
    if (!quote || quote->symbol.isEmpty())
        return;
    const QString symbol = quote->symbol;
    AppSettings &settings = m_app.settings();
    settings.mainSection = MainSection::Overview;
    settings.mainDetailSymbol = symbol;
    saveMainWindowState();
    if (!m_app.insights().isLoading(symbol))
        m_presenter.generateInsight(symbol);
    m_presenter.desktopTakesOver();
    showMainWindow();
}

void MainWindow::openMainQuotePage(const QString &symbol)
{
    const QString target = symbol.isEmpty() ? m_app.settings().mainDetailSymbol : symbol;
    if (!target.isEmpty())
        Q_EMIT quotePageRequested(target);
}
