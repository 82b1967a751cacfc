// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/AppSettings.h"
#include "presentation/ChartEntrances.h"
#include "presentation/HomePageData.h"
#include "presentation/MainMenuState.h"
#include "presentation/MainWindowData.h"
#include "presentation/QuoteDetailData.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class KestrumApp;
class WatchlistManager;
struct AISettingsPageInputs;

// The popover's pages. The detail page shows Presenter::detailSymbol.
enum class PopoverPage
{
    Home,
    Detail,
    Manager,
    AISettings
};

// What the status item shows: the title and the way its icon's arrow points (1 rise,
// -1 fall, 0 neutral).
struct StatusTitle
{
    QString title;
    int direction = 0;
};

// What every surface shows, read from the controller's state with the controller's own
// engine, and the popover's page. Surfaces read it and send it the user's intents; its
// signals tell them what to redraw, so no surface needs to know another.
class Presenter : public QObject
{
    Q_OBJECT
public:
    explicit Presenter(KestrumApp &app, QObject *parent = nullptr);
    ~Presenter() override;

    KestrumApp &app() { return m_app; }
    // The watchlist manager's state and actions, shared by the popover page and the desktop
    // sidebar.
    WatchlistManager &watchlistManager() { return *m_watchlistManager; }
    ChartEntrances &chartEntrances() { return m_chartEntrances; }

    // --- The popover's page ---
    PopoverPage page() const { return m_page; }
    // The stock of the detail page; kept under the manager and AI settings pages the desktop
    // window opens, so leaving them returns to it.
    QString detailSymbol() const { return m_detailSymbol; }
    // The page to build now: a detail whose quote has left the watchlist falls back to home.
    PopoverPage settledPage();
    // A fresh opening starts at home.
    void openPopover();
    // Shows the stock's detail and asks for its data at once.
    void openDetail(const QString &symbol);
    // The open page's back button: detail, manager and AI settings return to what is below.
    void back();
    void openManager();
    void openAISettings();
    // Saves the settings page's inputs and leaves it.
    void saveAISettings(const AISettingsPageInputs &inputs);
    // The desktop window takes over: the popover leaves its manager and AI settings pages.
    void desktopTakesOver();

    // --- The desktop window's section and selection (kept in the settings) ---
    // Entering the watchlist section starts the manager's desktop input; the popover's page
    // follows: AI settings, the manager, or (for the overview) neither.
    void setMainSection(MainSection section);
    // The overview of `symbol`, whose minute series is asked for.
    void selectMainQuote(const QString &symbol);
    // An empty selection takes the first listed stock.
    void settleMainDetailSymbol();
    // A selection the list does not show moves to the first listed stock.
    void keepMainSelectionListed();
    void setSortMode(WatchlistSortMode mode);
    void generateInsight(const QString &symbol);

    // --- What the surfaces draw ---
    // Without the first-launch hint and with a panel item; the shell knows those two.
    HomePageData homePageData() const;
    QuoteDetailData quoteDetailData(const Quote &quote) const;
    // The watchlist in the order both surfaces show it (sort mode of the settings).
    QList<Quote> mainDisplayQuotes() const;
    // The quote of the selected symbol, else the first listed, else the first quote.
    std::optional<Quote> currentMainDetailQuote() const;
    MainWindowData mainWindowData() const;
    MainMenuState menuState() const;
    StatusTitle statusTitle() const;

Q_SIGNALS:
    void pageChanged();
    // What the popover's open page shows has changed.
    void popoverDataChanged();
    void statusTitleChanged();
    // What the desktop window shows has changed: a refresh, the shown stock's series, detail,
    // insight or board tags, or the watchlist while the window shows its manager.
    void mainWindowDataChanged();
    // A setting changed, wherever it was made.
    void settingsChanged();
    // The desktop window should show `section` (the popover left the manager).
    void mainSectionRequested(MainSection section);

private:
    void setPage(PopoverPage page);
    // Manager and AI settings leave to the detail below them, if any, else home.
    void leaveToBase();
    void refreshDetailIfShown(const QString &symbol);
    void refreshMainIfShown(const QString &symbol);
    // The detail page's and the hero's holding line; none without a position.
    std::optional<HoldingLineData> holdingLine(const Quote &quote) const;

    KestrumApp &m_app;
    std::unique_ptr<WatchlistManager> m_watchlistManager;
    ChartEntrances m_chartEntrances;
    PopoverPage m_page = PopoverPage::Home;
    QString m_detailSymbol;
};
