#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class KestrumApp;
class PopoverWindow;
class QMessageBox;
class QuickActionsMenu;
class StatusItem;
class QWidget;
class WatchlistManager;

// The user-interface side of the application: the tray item, the popover and the menus.
// It runs the launch sequence, routes clicks, and redraws whatever is visible when the
// controller says its state changed. Page state that only the popover needs lives here.
class AppShell : public QObject
{
    Q_OBJECT
public:
    AppShell(KestrumApp &app, std::unique_ptr<StatusItem> statusItem, QObject *parent = nullptr);
    ~AppShell() override;

    // Launch from the menus on: status item, preferred surface, first refresh, timers.
    void launch();

    KestrumApp &app() { return m_app; }
    StatusItem &statusItem() { return *m_statusItem; }
    PopoverWindow &popover() { return *m_popover; }
    QuickActionsMenu &quickActionsMenu() { return *m_menu; }
    // The watchlist manager's state and actions, shared by the popover page and the desktop
    // sidebar.
    WatchlistManager &watchlistManager() { return *m_watchlistManager; }

    // --- Clicks on the status item ---
    void statusItemActivated(const QPoint &at);
    // Left click with the modifiers held at the time: Control opens the menu instead.
    void activate(const QPoint &at, Qt::KeyboardModifiers modifiers);
    void togglePopover(const QPoint &at = QPoint());
    void showStatusContextMenu(const QPoint &at = QPoint());
    bool isPopoverShown() const;

    // --- Popover pages ---
    void refreshPopoverIfVisible();
    void openPreferredLaunchSurfaceIfNeeded();
    void openPopoverOnFirstLaunchIfNeeded();
    bool firstLaunchHintVisible() const { return m_firstLaunchHintVisible; }
    bool configuringAI() const { return m_configuringAI; }
    void setConfiguringAI(bool on);
    bool managingWatchlist() const { return m_managingWatchlist; }
    QString detailSymbol() const { return m_detailSymbol; }

    // --- Watchlist manager page ---
    // Resets the input and shows the manager page, opening the popover below the status
    // item when it is closed; the input is not focused until clicked.
    void openWatchlistManager();
    // Back to the home page; the desktop window leaves its watchlist section on the signal.
    void exitWatchlistManager();

    // Builds the popover's page for the current state; replaceable as pages grow.
    using PageBuilder = std::function<QWidget *(AppShell &)>;
    void setPageBuilder(PageBuilder builder) { m_pageBuilder = std::move(builder); }

    static constexpr int kLaunchSurfaceDelayMs = 350;

    // The box shown when notifications cannot be delivered (the alert center asks for it).
    void showNotificationPermissionWarning(const QString &message, const QString &informativeText,
                                           const QString &button);
    // The box of the last warning while it is open, for tests.
    QMessageBox *permissionWarningBox() const;

public Q_SLOTS:
    void quit();

Q_SIGNALS:
    void showMainWindowRequested();
    void watchlistManagerExited();
    void quitRequested();

private:
    QWidget *buildPage();
    QWidget *buildWatchlistPage();
    void updateStatusItem();

    KestrumApp &m_app;
    std::unique_ptr<StatusItem> m_statusItem;
    std::unique_ptr<PopoverWindow> m_popover;
    std::unique_ptr<WatchlistManager> m_watchlistManager;
    std::unique_ptr<QuickActionsMenu> m_menu;
    PageBuilder m_pageBuilder;

    bool m_firstLaunchHintVisible = false;
    bool m_managingWatchlist = false;
    bool m_configuringAI = false;
    QString m_detailSymbol;
    QPointer<QMessageBox> m_permissionBox;
};
