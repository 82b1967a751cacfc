#include "ui/AppShell.h"

#include "alerts/AlertCenter.h"
#include "app/KestrumApp.h"
#include "app/WatchlistManager.h"
#include "ui/PopoverWindow.h"
#include "ui/QuickActionsMenu.h"
#include "ui/SimpleHomePage.h"
#include "ui/StatusIcon.h"
#include "ui/StatusItem.h"
#include "ui/WatchInputField.h"
#include "ui/WatchlistPopoverPage.h"

#include <QApplication>

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
const QString kDidOpenPopoverKey = u"KSDidOpenPopoverOnFirstLaunch"_s;
}

AppShell::AppShell(KestrumApp &app, std::unique_ptr<StatusItem> statusItem, QObject *parent)
    : QObject(parent)
    , m_app(app)
    , m_statusItem(std::move(statusItem))
    , m_popover(std::make_unique<PopoverWindow>())
{
    m_watchlistManager = std::make_unique<WatchlistManager>(m_app);
    m_menu = std::make_unique<QuickActionsMenu>(m_app, *this);
    m_pageBuilder = [](AppShell &shell) -> QWidget * {
        if (shell.managingWatchlist())
            return shell.buildWatchlistPage();
        auto *page = new SimpleHomePage(shell.app(), shell.firstLaunchHintVisible());
        connect(page, &SimpleHomePage::manageRequested, &shell, &AppShell::openWatchlistManager);
        return page;
    };

    connect(m_watchlistManager.get(), &WatchlistManager::beepRequested, this,
            [] { QApplication::beep(); });
    connect(m_watchlistManager.get(), &WatchlistManager::watchlistChanged, this, [this] {
        if (m_managingWatchlist)
            refreshPopoverIfVisible();
    });

    connect(m_statusItem.get(), &StatusItem::activated, this, &AppShell::statusItemActivated);
    // The item pops the menu up itself (panels that draw the exported menu never ask us);
    // all that is left here is to get the popover out of the way.
    connect(m_statusItem.get(), &StatusItem::contextMenuRequested, this, [this] {
        if (m_popover->isOpen())
            m_popover->closePopover();
    });
    connect(m_menu.get(), &QMenu::aboutToShow, this, [this] {
        if (m_popover->isOpen())
            m_popover->closePopover();
    });
    connect(&m_app, &KestrumApp::titleChanged, this, &AppShell::updateStatusItem);
    connect(&m_app, &KestrumApp::refreshStarted, this, &AppShell::refreshPopoverIfVisible);
    connect(&m_app, &KestrumApp::refreshFinished, this, &AppShell::refreshPopoverIfVisible);
    connect(&m_app, &KestrumApp::homeSeriesUpdated, this, [this] {
        if (m_detailSymbol.isEmpty() && !m_managingWatchlist && !m_configuringAI)
            refreshPopoverIfVisible();
    });
    connect(&m_app, &KestrumApp::detailUpdated, this, [this](const QString &symbol) {
        if (symbol == m_detailSymbol)
            refreshPopoverIfVisible();
    });
    connect(m_popover.get(), &PopoverWindow::closed, this,
            [this] { m_app.setPopoverShown(false); });
    connect(&m_app.alerts(), &AlertCenter::alertPresetChanged, this,
            &AppShell::refreshPopoverIfVisible);
    connect(&m_app.alerts(), &AlertCenter::permissionWarningRequested, this,
            &AppShell::showNotificationPermissionWarning);
}

QMessageBox *AppShell::permissionWarningBox() const
{
    return m_permissionBox;
}

void AppShell::showNotificationPermissionWarning(const QString &message,
                                                 const QString &informativeText,
                                                 const QString &button)
{
    // One box at a time: choosing presets again while it is open must not stack copies.
    if (m_permissionBox) {
        m_permissionBox->raise();
        return;
    }
    // Non-blocking: the refresh timers keep running behind it.
    auto *box = new QMessageBox(QMessageBox::Warning, QString(), message);
    box->setInformativeText(informativeText);
    box->addButton(button, QMessageBox::AcceptRole);
    box->setAttribute(Qt::WA_DeleteOnClose);
    m_permissionBox = box;
    box->open();
}

AppShell::~AppShell() = default;

void AppShell::launch()
{
    m_statusItem->setMenu(m_menu.get());
    updateStatusItem();
    m_statusItem->show();
    openPreferredLaunchSurfaceIfNeeded();
    m_app.refresh();
    m_app.sendTestAlertOnLaunchIfRequested();
    m_app.startTimers();
}

void AppShell::updateStatusItem()
{
    m_statusItem->setTitle(m_app.title());
    m_statusItem->setIcon(StatusIcon::icon(m_app.titleDirection()));
}

void AppShell::quit()
{
    m_popover->closePopover();
    Q_EMIT quitRequested();
    QCoreApplication::quit();
}

// --- Clicks ------------------------------------------------------------------------------

void AppShell::statusItemActivated(const QPoint &at)
{
    activate(at, QGuiApplication::queryKeyboardModifiers());
}

void AppShell::activate(const QPoint &at, Qt::KeyboardModifiers modifiers)
{
    // A Control-click is the one-button way to the menu.
    if (modifiers & Qt::ControlModifier) {
        showStatusContextMenu(at);
        return;
    }
    togglePopover(at);
}

bool AppShell::isPopoverShown() const
{
    return m_popover->isOpen();
}

void AppShell::togglePopover(const QPoint &at)
{
    if (m_popover->isOpen()) {
        m_popover->closePopover();
        return;
    }
    // The click on the tray item that made the popover lose focus already closed it.
    if (m_popover->justDismissed())
        return;
    m_managingWatchlist = false;
    m_configuringAI = false;
    m_detailSymbol.clear();
    m_popover->setPinned(false);
    m_popover->setContent(buildPage());
    m_app.setPopoverShown(true);
    m_popover->openAt(m_statusItem->geometry(), at);
}

void AppShell::showStatusContextMenu(const QPoint &at)
{
    if (m_popover->isOpen())
        m_popover->closePopover();
    m_menu->rebuild();
    const QRect item = m_statusItem->geometry();
    QPoint where = at.isNull() ? QCursor::pos() : at;
    if (item.isValid() && !item.isEmpty())
        where = QPoint(item.left(), item.bottom() + 1 + 4);
    m_menu->popup(where);
}

// --- Pages -------------------------------------------------------------------------------

QWidget *AppShell::buildPage()
{
    return m_pageBuilder ? m_pageBuilder(*this) : nullptr;
}

void AppShell::refreshPopoverIfVisible()
{
    if (!m_popover->isOpen() || m_configuringAI)
        return;
    m_popover->setPinned(false);
    m_popover->setContent(buildPage());
}

QWidget *AppShell::buildWatchlistPage()
{
    // A rebuild (every refresh does one) must not take the field from under the typing.
    auto *previous = qobject_cast<WatchlistPopoverPage *>(m_popover->content());
    const bool typing = previous && previous->inputField()->hasFocus();
    const int cursor = previous ? previous->inputField()->cursorPosition() : -1;
    auto *page = new WatchlistPopoverPage(*m_watchlistManager);
    connect(page, &WatchlistPopoverPage::backRequested, this, &AppShell::exitWatchlistManager);
    if (typing)
        page->focusInput(cursor);
    return page;
}

void AppShell::openWatchlistManager()
{
    m_watchlistManager->resetInput();
    m_managingWatchlist = true;
    setConfiguringAI(false);
    m_detailSymbol.clear();
    if (!m_popover->isOpen()) {
        m_popover->setContent(buildPage());
        m_app.setPopoverShown(true);
        m_popover->openAt(m_statusItem->geometry(), QPoint());
    } else {
        refreshPopoverIfVisible();
    }
    // Opening activates the window, which would focus the input; it waits for a click.
    QTimer::singleShot(0, m_popover.get(), [popover = m_popover.get()] {
        if (QWidget *focused = popover->focusWidget())
            focused->clearFocus();
    });
}

void AppShell::exitWatchlistManager()
{
    m_managingWatchlist = false;
    refreshPopoverIfVisible();
    Q_EMIT watchlistManagerExited();
}

void AppShell::setConfiguringAI(bool on)
{
    m_configuringAI = on;
    m_popover->setPinned(on);
}

void AppShell::openPreferredLaunchSurfaceIfNeeded()
{
    if (m_app.settings().openDesktopOnLaunch) {
        QTimer::singleShot(kLaunchSurfaceDelayMs, this,
                           [this] { Q_EMIT showMainWindowRequested(); });
        return;
    }
    openPopoverOnFirstLaunchIfNeeded();
}

void AppShell::openPopoverOnFirstLaunchIfNeeded()
{
    if (m_app.preferences().value(kDidOpenPopoverKey, false).toBool())
        return;
    QTimer::singleShot(kLaunchSurfaceDelayMs, this, [this] {
        m_firstLaunchHintVisible = true;
        m_app.preferences().setValue(kDidOpenPopoverKey, true);
        m_app.preferences().sync();
        if (!m_popover->isOpen())
            togglePopover();
    });
}
