// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "presentation/Presenter.h"
#include "ui/HomePage.h"
#include "ui/MainWindowView.h"
#include "ui/QuoteDetailPage.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class AISettingsPage;
class ActionCollection;
class ExchangeRatesDialog;
class HintIconButton;
class HoldingEditor;
class KestrumApp;
class MainWindow;
class PopoverWindow;
class QMessageBox;
struct UpdateAlert;
class QuickActionsMenu;
class ScenarioHintPopover;
class StatusItem;
class QWidget;
class WatchlistManager;

// The user-interface side of the application: the tray item, the popover, the desktop window
// and the menus.
// It creates the surfaces, wires them to the presenter, runs the launch sequence and routes
// clicks; what the surfaces show and the popover's page live in the presenter.
class AppShell : public QObject
{
    Q_OBJECT
public:
    AppShell(KestrumApp &app, std::unique_ptr<StatusItem> statusItem, QObject *parent = nullptr);
    ~AppShell() override;

    // Launch from the menus on: status item, preferred surface, first refresh, timers.
    // Without a panel item the desktop window opens, so Kestrum is never out of reach.
    void launch();
    // A later launch asked for Kestrum: the popover where a panel item exists (the desktop
    // window instead when 启动时打开桌面 is on), the desktop window otherwise.
    void showForLaunch();
    // Whether the user can reach Kestrum through the panel now (or soon: the panel has yet
    // to answer).
    bool hasPanelItem() const;

    KestrumApp &app() { return m_app; }
    StatusItem &statusItem() { return *m_statusItem; }
    PopoverWindow &popover() { return *m_popover; }
    QuickActionsMenu &quickActionsMenu() { return *m_menu; }
    // The one action per command that every menu shows.
    ActionCollection &actions() { return *m_actions; }
    Presenter &presenter() { return m_presenter; }
    WatchlistManager &watchlistManager() { return m_presenter.watchlistManager(); }

    // --- Clicks on the status item ---
    void statusItemActivated(const QPoint &at);
    // Left click with the modifiers held at the time: Control opens the menu instead.
    void activate(const QPoint &at, Qt::KeyboardModifiers modifiers);
    void togglePopover(const QPoint &at = QPoint());
    // Opens the popover on its home page below the status item (or at `at`).
    void openPopover(const QPoint &at = QPoint());
    void showStatusContextMenu(const QPoint &at = QPoint());
    bool isPopoverShown() const;

    // --- Popover pages ---
    void refreshPopoverIfVisible();
    void openPreferredLaunchSurfaceIfNeeded();
    void openPopoverOnFirstLaunchIfNeeded();
    bool firstLaunchHintVisible() const { return m_firstLaunchHintVisible; }
    void setFirstLaunchHintVisible(bool visible) { m_firstLaunchHintVisible = visible; }

    // --- Watchlist manager page ---
    // Resets the input and shows the manager page, opening the popover below the status
    // item when it is closed; the input is not focused until clicked.
    void openWatchlistManager();
    // Back to the home page; the desktop window leaves its watchlist section on the signal.
    void exitWatchlistManager();

    // Builds the popover's page for the current state (makePopoverController by default).
    using PageBuilder = std::function<QWidget *(AppShell &)>;

    // The widget for the presenter's settled page.
    QWidget *makePopoverController();
    HomePage *makeHomePage();
    QuoteDetailPage *makeQuoteDetailPopoverController(const Quote &quote);
    AISettingsPage *makeAISettingsPage();
    // The watchlist manager's page.
    QWidget *makeWatchlistPopoverController();

    // What the home page draws: the presenter's data with the hint and the panel item.
    HomePageData homePageData() const;
    CardActions cardActions();

    // --- Navigation ---
    void openQuoteFromButton(const QString &symbol);
    void exitQuoteDetail();
    // The provider's quote page of `symbol` (or of the open detail) in the browser.
    void openQuotePageFromDetail(const QString &symbol = QString());
    void openAISettings();
    void exitAISettings();
    // The settings page's buttons and pop-up.
    void applyAIProviderPresetFromPopup();
    void validateAISettingsAction();
    void saveAISettings();
    void generateAIInsight(const QString &symbol = QString());

    // --- Menus and hints ---
    // The quick-actions menu at the sender's bottom-left corner, 4 pt below it.
    void showMoreMenu(QWidget *sender);
    void showScenarioHint(HintIconButton *sender);
    ScenarioHintPopover &scenarioHintPopover() { return *m_hintPopover; }

    // --- Desktop window ---
    // The window, once it has been shown; none before.
    MainWindow *mainWindow() const { return m_mainWindow.get(); }
    // Creates the window (centred, then on its stored frame) the first time.
    MainWindow &ensureMainWindow();

    // Leaves the popover's settings and manager pages, then creates or raises the window.
    // The options below are saved here; the window follows the saved settings.
    void showMainWindow();
    void toggleOpenDesktopOnLaunch();
    void toggleMainWindowAlwaysOnTop();
    void resetMainWindowLayout();
    void setMainWatchlistSortModeFromMenu(WatchlistSortMode mode);

    // Opens web pages; QDesktopServices by default, replaced in tests.
    using UrlOpener = std::function<bool(const QUrl &)>;
    void setUrlOpener(UrlOpener opener) { m_urlOpener = std::move(opener); }

    static constexpr int kLaunchSurfaceDelayMs = 350;

    // The box shown when notifications cannot be delivered (the alert center asks for it).
    void showNotificationPermissionWarning(const QString &message, const QString &informativeText,
                                           const QString &button);
    // The box of the last warning while it is open, for tests.
    QMessageBox *permissionWarningBox() const;
    // The update check's alerts: application-modal, the timers held while one is open.
    void showUpdateAlert(const UpdateAlert &alert);

    // --- Positions and price conditions ---
    // The form for `symbol`'s position and conditions, filled from what is stored; every
    // entry (manager rows, detail page, desktop hero) comes here.
    void editHolding(const QString &symbol);
    // The form, once it has been asked for; none before.
    HoldingEditor *holdingEditor() const { return m_holdingEditor.get(); }

    // --- Moving the watchlist ---
    // A save dialog (CSV by default, JSON by choice), then the file written; a failure is
    // told in a box.
    void exportWatchlist();
    // An open dialog, then the file merged into the list; a box tells what was added,
    // updated and skipped, or why nothing changed.
    void importWatchlist();

    // --- Exchange rates ---
    // The user's rates for the yuan total of the positions, in a dialog of its own; asked
    // again while it is open, the same dialog comes forward.
    void showExchangeRatesDialog();
    ExchangeRatesDialog *exchangeRatesDialog() const;

public Q_SLOTS:
    void quit();

Q_SIGNALS:
    // Announcements for observers.
    void watchlistManagerExited();
    void quitRequested();

private:
    QWidget *buildPage();
    QWidget *buildWatchlistPage();
    // Follows the presenter's page: pinned on the AI settings page, redrawn when open.
    void pageChanged();
    // Updates the page on show, or builds the one the popover's state asks for, whatever page
    // is open (refreshPopoverIfVisible spares the AI settings page).
    void rebuildPopover();
    bool updateShownPage();
    AISettingsPage *visibleAISettingsPage() const;
    void updateStatusItem();
    // showMainWindow without announcing it (a reset shows the window on its own account).
    void presentMainWindow();
    // The panel answered or went away: with no panel item since the launch, the desktop
    // window is the way in.
    void panelPresenceChanged();
    // The desktop window closed: with no panel item left, nothing could bring Kestrum back
    // short of a new launch, so it quits (every file is already saved).
    void mainWindowClosed();

    KestrumApp &m_app;
    Presenter m_presenter;
    std::unique_ptr<StatusItem> m_statusItem;
    std::unique_ptr<PopoverWindow> m_popover;
    std::unique_ptr<ActionCollection> m_actions;
    std::unique_ptr<QuickActionsMenu> m_menu;
    PageBuilder m_pageBuilder;
    std::unique_ptr<ScenarioHintPopover> m_hintPopover;
    UrlOpener m_urlOpener;
    bool m_menuFromPopover = false;

    bool m_firstLaunchHintVisible = false;
    bool m_launched = false;
    bool m_everInPanel = false;
    QPointer<QMessageBox> m_permissionBox;
    QPointer<ExchangeRatesDialog> m_ratesDialog;
    std::unique_ptr<HoldingEditor> m_holdingEditor;
    // Last: the window reaches into the members above until it is gone.
    std::unique_ptr<MainWindow> m_mainWindow;
};
