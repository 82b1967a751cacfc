// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppShell.h"

#include "ai/AIProviderSettings.h"
#include "alerts/AlertCenter.h"
#include "alerts/PriceAlertMonitor.h"
#include "app/KestrumApp.h"
#include "app/UpdateChecker.h"
#include "app/WatchlistManager.h"
#include "model/Logging.h"
#include "ui/AISettingsPage.h"
#include "ui/ActionCollection.h"
#include "ui/ExchangeRatesDialog.h"
#include "ui/HintIconButton.h"
#include "ui/HoldingEditor.h"
#include "ui/IntradayChartView.h"
#include "ui/MainWindow.h"
#include "ui/PopoverWindow.h"
#include "ui/QuickActionsMenu.h"
#include "ui/QuotePageLinks.h"
#include "ui/ScenarioHintPopover.h"
#include "ui/StatusIcon.h"
#include "ui/StatusItem.h"
#include "ui/WatchlistPopoverPage.h"
#include "ui/WatchlistRowsView.h"

#include <QApplication>

#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
const QString kDidOpenPopoverKey = u"KSDidOpenPopoverOnFirstLaunch"_s;
}

AppShell::AppShell(KestrumApp &app, std::unique_ptr<StatusItem> statusItem, QObject *parent)
    : QObject(parent)
    , m_app(app)
    , m_presenter(app)
    , m_statusItem(std::move(statusItem))
    , m_popover(std::make_unique<PopoverWindow>())
{
    m_actions = std::make_unique<ActionCollection>(*this);
    m_menu = std::make_unique<QuickActionsMenu>(m_app, *m_actions);
    m_hintPopover = std::make_unique<ScenarioHintPopover>(m_popover.get());
    m_pageBuilder = [](AppShell &shell) {
        return shell.makePopoverController();
    };
    m_urlOpener = [](const QUrl &url) {
        return QDesktopServices::openUrl(url);
    };

    connect(&watchlistManager(), &WatchlistManager::beepRequested, this,
            [] { QApplication::beep(); });
    connect(&m_presenter, &Presenter::pageChanged, this, &AppShell::pageChanged);
    connect(&m_presenter, &Presenter::popoverDataChanged, this, &AppShell::refreshPopoverIfVisible);
    connect(&m_presenter, &Presenter::statusTitleChanged, this, &AppShell::updateStatusItem);

    connect(m_statusItem.get(), &StatusItem::activated, this, &AppShell::statusItemActivated);
    // The item pops the menu up itself (panels that draw the exported menu never ask us);
    // all that is left here is to get the popover out of the way.
    connect(m_statusItem.get(), &StatusItem::contextMenuRequested, this, [this] {
        if (m_popover->isOpen())
            m_popover->closePopover();
    });
    connect(m_menu.get(), &QMenu::aboutToShow, this, [this] {
        // The "more" button's menu belongs to the popover; any other showing replaces it.
        if (m_popover->isOpen() && !m_menuFromPopover)
            m_popover->closePopover();
    });
    connect(m_menu.get(), &QMenu::aboutToHide, this, [this] { m_menuFromPopover = false; });
    connect(m_popover.get(), &PopoverWindow::closed, this, [this] {
        m_hintPopover->closeHint();
        m_app.setPopoverShown(false);
    });
    // The settings page is updated in place: a rebuild would drop what is being typed.
    connect(&m_app.aiSettings(), &AIProviderSettings::pageStateChanged, this, [this] {
        if (AISettingsPage *page = visibleAISettingsPage())
            page->applyPageState(m_app.aiSettings().pageState());
    });
    connect(&m_app.updates(), &UpdateChecker::alertRequested, this, &AppShell::showUpdateAlert,
            Qt::QueuedConnection);
    connect(&m_app.alerts(), &AlertCenter::permissionWarningRequested, this,
            &AppShell::showNotificationPermissionWarning);
}

void AppShell::showUpdateAlert(const UpdateAlert &alert)
{
    // Application-modal, but not a nested event loop: the box answers through its signal.
    auto *box =
        new QMessageBox(alert.style == UpdateAlert::Style::Warning ? QMessageBox::Warning
                                                                   : QMessageBox::Information,
                        u"澄川"_s, alert.title);
    box->setObjectName(u"updateAlert"_s);
    box->setInformativeText(alert.informativeText);
    box->setWindowModality(Qt::ApplicationModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QList<QAbstractButton *> buttons;
    for (const QString &title : alert.buttons)
        buttons.append(box->addButton(title, buttons.isEmpty() ? QMessageBox::AcceptRole
                                                               : QMessageBox::RejectRole));
    if (!buttons.isEmpty())
        box->setDefaultButton(qobject_cast<QPushButton *>(buttons.first()));
    m_popover->setPinned(true); // the box takes the focus; the popover must stay
    m_app.pauseTimers();
    const quint64 id = alert.id;
    connect(box, &QMessageBox::finished, this, [this, box, buttons, id] {
        m_app.resumeTimers();
        m_popover->setPinned(m_presenter.page() == PopoverPage::AISettings);
        m_app.updates().answerAlert(id, int(buttons.indexOf(box->clickedButton())));
    });
    box->open();
    box->raise();
    box->activateWindow();
}

namespace {

const QString kCsvFilter = u"CSV 表格 (*.csv)"_s;
const QString kJsonFilter = u"JSON 文件 (*.json)"_s;

// A file dialog that answers through its signal, as the other boxes do, and goes when closed.
QFileDialog *transferDialog(const QString &objectName, const QString &title,
                            QFileDialog::AcceptMode mode, const QStringList &filters)
{
    auto *dialog = new QFileDialog(nullptr, title,
                                   QStandardPaths::writableLocation(QStandardPaths::HomeLocation));
    dialog->setObjectName(objectName);
    dialog->setAcceptMode(mode);
    dialog->setNameFilters(filters);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    return dialog;
}

void showTransferResult(QMessageBox::Icon icon, const QString &title, const QString &text)
{
    auto *box = new QMessageBox(icon, u"澄川"_s, title);
    box->setObjectName(u"transferResult"_s);
    box->setInformativeText(text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace

void AppShell::exportWatchlist()
{
    QFileDialog *dialog = transferDialog(u"exportDialog"_s, u"导出自选"_s, QFileDialog::AcceptSave,
                                         {kCsvFilter, kJsonFilter});
    // A name typed without an ending takes the chosen kind's.
    dialog->setDefaultSuffix(u"csv"_s);
    dialog->selectFile(u"澄川自选.csv"_s);
    connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString &filter) {
        const bool json = filter == kJsonFilter;
        dialog->setDefaultSuffix(json ? u"json"_s : u"csv"_s);
        dialog->selectFile(json ? u"澄川自选.json"_s : u"澄川自选.csv"_s);
    });
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &path) {
        QString error;
        if (!watchlistManager().exportWatchlist(path, &error))
            showTransferResult(QMessageBox::Warning, u"导出失败"_s, error);
    });
    dialog->open();
}

void AppShell::importWatchlist()
{
    QFileDialog *dialog = transferDialog(u"importDialog"_s, u"导入自选"_s, QFileDialog::AcceptOpen,
                                         {u"自选文件 (*.csv *.json)"_s, kCsvFilter, kJsonFilter});
    dialog->setFileMode(QFileDialog::ExistingFile);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &path) {
        QString error;
        const std::optional<WatchlistTransfer::Merge> merge =
            watchlistManager().importWatchlist(path, &error);
        if (merge)
            showTransferResult(QMessageBox::Information, u"自选已导入"_s, merge->summary());
        else
            showTransferResult(QMessageBox::Warning, u"导入失败，自选列表没有改动"_s, error);
    });
    dialog->open();
}

void AppShell::editHolding(const QString &symbol)
{
    const std::optional<WatchItem> item = m_app.watchItemForSymbol(symbol);
    if (!item)
        return; // a row of a list that changed since
    const std::optional<Quote> quote = m_app.quoteForSymbol(symbol);
    HoldingEditor::Subject subject;
    subject.symbol = symbol;
    subject.name = item->value(u"name"_s).toString();
    if (subject.name.isEmpty() && quote)
        subject.name = quote->name;
    subject.holding = m_app.holdingForSymbol(symbol);
    subject.alerts = m_app.priceAlertsForSymbol(symbol);
    subject.tradingDate = m_app.priceAlerts().tradingDateForQuote(quote.value_or(Quote{}));
    subject.alertsSilenced = m_app.settings().alertPreset == AlertPreset::Off;
    if (!m_holdingEditor)
        m_holdingEditor = std::make_unique<HoldingEditor>(watchlistManager());
    m_holdingEditor->edit(subject);
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

AppShell::~AppShell()
{
    delete m_ratesDialog;
}

void AppShell::showExchangeRatesDialog()
{
    if (!m_ratesDialog) {
        KestrumApp *app = &m_app;
        m_ratesDialog = new ExchangeRatesDialog(m_app.exchangeRates(),
                                                [app](const ExchangeRates &rates, QString *why) {
                                                    // Saved settings redraw both surfaces: the
                                                    // totals follow at once.
                                                    return app->setExchangeRates(rates, why);
                                                });
        m_ratesDialog->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_ratesDialog->show();
    m_ratesDialog->raise();
    m_ratesDialog->activateWindow();
}

ExchangeRatesDialog *AppShell::exchangeRatesDialog() const
{
    return m_ratesDialog;
}

void AppShell::launch()
{
    m_statusItem->setMenu(m_menu.get());
    updateStatusItem();
    m_statusItem->show();
    m_launched = true;
    connect(m_statusItem.get(), &StatusItem::panelPresenceChanged, this,
            &AppShell::panelPresenceChanged);
    openPreferredLaunchSurfaceIfNeeded();
    panelPresenceChanged();
    m_app.refresh();
    m_app.sendTestAlertOnLaunchIfRequested();
    m_app.scheduleAutomaticUpdateCheck();
    m_app.startTimers();
}

bool AppShell::hasPanelItem() const
{
    return m_statusItem->isInPanel() || m_statusItem->isAwaitingPanel();
}

void AppShell::panelPresenceChanged()
{
    if (m_statusItem->isInPanel()) {
        m_everInPanel = true;
        return;
    }
    // Once it was in a panel, losing it shows nothing by itself: a new launch brings the
    // window (showForLaunch).
    if (m_everInPanel || m_statusItem->isAwaitingPanel() || !m_launched)
        return;
    if (m_mainWindow && m_mainWindow->isVisible())
        return;
    qCInfo(lcPanel) << "no panel item: opening the desktop window";
    showMainWindow();
}

void AppShell::showForLaunch()
{
    if (m_app.settings().openDesktopOnLaunch || !hasPanelItem()) {
        showMainWindow();
        return;
    }
    if (m_popover->isOpen()) {
        m_popover->raise();
        m_popover->activateWindow();
        return;
    }
    // Opened even if it closed a moment ago: clicking a launcher takes the focus from it.
    openPopover();
}

void AppShell::mainWindowClosed()
{
    if (hasPanelItem())
        return;
    qCInfo(lcPanel) << "desktop window closed with no panel item: quitting";
    quit();
}

void AppShell::updateStatusItem()
{
    const StatusTitle title = m_presenter.statusTitle();
    m_statusItem->setTitle(title.title);
    m_statusItem->setIcon(StatusIcon::icon(title.direction));
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
    openPopover(at);
}

void AppShell::openPopover(const QPoint &at)
{
    m_presenter.openPopover();
    m_popover->setPinned(false);
    m_popover->setContent(buildPage());
    m_app.setPopoverShown(true);
    m_popover->openAt(m_statusItem->geometry(), at);
}

void AppShell::showStatusContextMenu(const QPoint &at)
{
    if (m_popover->isOpen())
        m_popover->closePopover();
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

void AppShell::rebuildPopover()
{
    // A hint belongs to the page it was opened from.
    m_hintPopover->closeHint();
    if (!updateShownPage())
        m_popover->setContent(buildPage());
}

bool AppShell::updateShownPage()
{
    // The page on show takes the new data when it is the kind of page the state asks for;
    // any other state gets a page of its own. The settings page is built afresh on opening
    // and updated by its own signals.
    QWidget *shown = m_popover->content();
    if (!shown)
        return false;
    switch (m_presenter.settledPage()) {
    case PopoverPage::AISettings:
        return false;
    case PopoverPage::Manager: {
        // It follows the manager by itself; the stored list is read again in case the file
        // changed under it.
        auto *page = qobject_cast<WatchlistPopoverPage *>(shown);
        if (page)
            page->rowsView()->reload();
        return page != nullptr;
    }
    case PopoverPage::Detail: {
        auto *page = qobject_cast<QuoteDetailPage *>(shown);
        const std::optional<Quote> quote = m_app.quoteForSymbol(m_presenter.detailSymbol());
        if (!page || !quote || !page->setData(m_presenter.quoteDetailData(*quote)))
            return false;
        m_presenter.chartEntrances().settle(page->chartView());
        m_popover->fitContent();
        return true;
    }
    case PopoverPage::Home:
        break;
    }
    auto *home = qobject_cast<HomePage *>(shown);
    return home && home->setData(homePageData());
}

void AppShell::refreshPopoverIfVisible()
{
    if (!m_popover->isOpen() || m_presenter.page() == PopoverPage::AISettings)
        return;
    m_popover->setPinned(false);
    rebuildPopover();
}

QWidget *AppShell::buildWatchlistPage()
{
    auto *page = new WatchlistPopoverPage(watchlistManager());
    connect(page, &WatchlistPopoverPage::backRequested, this, &AppShell::exitWatchlistManager);
    connect(page->rowsView(), &WatchlistRowsView::editRequested, this, &AppShell::editHolding);
    return page;
}

void AppShell::openWatchlistManager()
{
    watchlistManager().resetInput();
    m_presenter.openManager();
    if (!m_popover->isOpen()) {
        m_popover->setContent(buildPage());
        m_app.setPopoverShown(true);
        m_popover->openAt(m_statusItem->geometry(), QPoint());
    }
    // Opening activates the window, which would focus the input; it waits for a click.
    QTimer::singleShot(0, m_popover.get(), [popover = m_popover.get()] {
        if (QWidget *focused = popover->focusWidget())
            focused->clearFocus();
    });
}

void AppShell::exitWatchlistManager()
{
    // The desktop window leaves its watchlist section on the presenter's request.
    if (m_presenter.page() == PopoverPage::Manager)
        m_presenter.back();
    Q_EMIT watchlistManagerExited();
}

void AppShell::pageChanged()
{
    m_popover->setPinned(m_presenter.page() == PopoverPage::AISettings);
    if (m_popover->isOpen())
        rebuildPopover();
}

AISettingsPage *AppShell::visibleAISettingsPage() const
{
    if (m_presenter.page() != PopoverPage::AISettings || !m_popover->isOpen())
        return nullptr;
    return qobject_cast<AISettingsPage *>(m_popover->content());
}

QWidget *AppShell::makePopoverController()
{
    switch (m_presenter.settledPage()) {
    case PopoverPage::AISettings:
        return makeAISettingsPage();
    case PopoverPage::Manager:
        return makeWatchlistPopoverController();
    case PopoverPage::Detail:
        return makeQuoteDetailPopoverController(*m_app.quoteForSymbol(m_presenter.detailSymbol()));
    case PopoverPage::Home:
        break;
    }
    return makeHomePage();
}

QWidget *AppShell::makeWatchlistPopoverController()
{
    return buildWatchlistPage();
}

HomePageData AppShell::homePageData() const
{
    HomePageData data = m_presenter.homePageData();
    data.firstLaunchHintVisible = m_firstLaunchHintVisible;
    data.panelItemPresent = hasPanelItem();
    return data;
}

CardActions AppShell::cardActions()
{
    CardActions actions;
    QPointer<AppShell> self(this);
    actions.showHint = [self](HintIconButton *button) {
        if (self)
            self->showScenarioHint(button);
    };
    actions.generateInsight = [self](const QString &symbol) {
        if (self)
            self->generateAIInsight(symbol);
    };
    actions.openAISettings = [self] {
        if (self)
            self->openAISettings();
    };
    actions.editHolding = [self](const QString &symbol) {
        if (self)
            self->editHolding(symbol);
    };
    return actions;
}

HomePage *AppShell::makeHomePage()
{
    auto *page = new HomePage(homePageData());
    // Direct: a click that leads to another page replaces this one, and the popover deletes
    // a replaced page later, so the button delivering the click outlives it.
    connect(page, &HomePage::quoteRequested, this, &AppShell::openQuoteFromButton);
    connect(page, &HomePage::manageRequested, this, &AppShell::openWatchlistManager);
    connect(page, &HomePage::moreMenuRequested, this, &AppShell::showMoreMenu);
    connect(page, &HomePage::hintRequested, this, &AppShell::showScenarioHint);
    connect(page, &HomePage::ratesRequested, this, &AppShell::showExchangeRatesDialog);
    return page;
}

QuoteDetailPage *AppShell::makeQuoteDetailPopoverController(const Quote &quote)
{
    auto *page = new QuoteDetailPage(m_presenter.quoteDetailData(quote), cardActions());
    m_presenter.chartEntrances().settle(page->chartView());
    connect(page, &QuoteDetailPage::backRequested, this, &AppShell::exitQuoteDetail);
    connect(page, &QuoteDetailPage::quotePageRequested, this, &AppShell::openQuotePageFromDetail);
    return page;
}

AISettingsPage *AppShell::makeAISettingsPage()
{
    AIProviderSettings &ai = m_app.aiSettings();
    auto *page = new AISettingsPage(m_app.settings(), ai.normalizedAIProviderKey(), ai.pageState());
    connect(page, &AISettingsPage::backRequested, this, &AppShell::exitAISettings);
    connect(page, &AISettingsPage::providerChosen, this, &AppShell::applyAIProviderPresetFromPopup);
    connect(page, &AISettingsPage::testRequested, this, &AppShell::validateAISettingsAction);
    connect(page, &AISettingsPage::saveRequested, this, &AppShell::saveAISettings);
    return page;
}

// --- Navigation --------------------------------------------------------------------------

void AppShell::openQuoteFromButton(const QString &symbol)
{
    m_presenter.openDetail(symbol);
}

void AppShell::exitQuoteDetail()
{
    if (m_presenter.page() == PopoverPage::Detail)
        m_presenter.back();
}

void AppShell::openQuotePageFromDetail(const QString &symbol)
{
    const QUrl url =
        QuotePageLinks::urlForSymbol(symbol.isEmpty() ? m_presenter.detailSymbol() : symbol);
    if (url.isValid() && m_urlOpener)
        m_urlOpener(url);
}

void AppShell::openAISettings()
{
    m_presenter.openAISettings();
    if (!m_popover->isOpen()) {
        rebuildPopover();
        m_app.setPopoverShown(true);
        m_popover->openAt(m_statusItem->geometry(), QPoint());
    }
}

void AppShell::exitAISettings()
{
    if (m_presenter.page() == PopoverPage::AISettings)
        m_presenter.back();
}

void AppShell::applyAIProviderPresetFromPopup()
{
    AISettingsPage *page = visibleAISettingsPage();
    if (!page)
        return;
    AISettingsPageInputs inputs = page->inputs();
    m_app.aiSettings().applyAIProviderPresetFromPopup(inputs);
    page->applyInputs(inputs);
}

void AppShell::validateAISettingsAction()
{
    AISettingsPage *page = visibleAISettingsPage();
    m_app.aiSettings().validateAISettingsAction(page ? page->inputs() : AISettingsPageInputs{});
}

void AppShell::saveAISettings()
{
    AISettingsPage *page = visibleAISettingsPage();
    m_presenter.saveAISettings(page ? page->inputs() : AISettingsPageInputs{});
}

void AppShell::generateAIInsight(const QString &symbol)
{
    m_presenter.generateInsight(symbol);
}

// --- Menus and hints ---------------------------------------------------------------------

void AppShell::showMoreMenu(QWidget *sender)
{
    QPoint where = QCursor::pos();
    if (sender)
        where = sender->mapToGlobal(QPoint(0, sender->height() + 4));
    m_menuFromPopover = m_popover->isOpen();
    m_menu->popup(where);
}

void AppShell::showScenarioHint(HintIconButton *sender)
{
    m_hintPopover->showForButton(sender);
}

// --- Desktop window options --------------------------------------------------------------

MainWindow &AppShell::ensureMainWindow()
{
    if (m_mainWindow)
        return *m_mainWindow;
    m_mainWindow = std::make_unique<MainWindow>(m_presenter, cardActions(), *m_actions);
    MainWindow *window = m_mainWindow.get();
    connect(window, &MainWindow::closed, this, &AppShell::mainWindowClosed, Qt::QueuedConnection);
    connect(window, &MainWindow::aiSettingsRequested, this, &AppShell::openAISettings);
    connect(window, &MainWindow::ratesRequested, this, &AppShell::showExchangeRatesDialog);
    connect(window, &MainWindow::quotePageRequested, this, &AppShell::openQuotePageFromDetail);
    connect(window, &MainWindow::holdingEditRequested, this, &AppShell::editHolding);
    // A move still waiting for its debounced save is not lost when the application ends.
    connect(this, &AppShell::quitRequested, window, &MainWindow::flushPendingFrameSave);

    return *window;
}

void AppShell::presentMainWindow()
{
    m_presenter.desktopTakesOver();
    ensureMainWindow().showMainWindow();
}

void AppShell::showMainWindow()
{
    presentMainWindow();
}

void AppShell::toggleOpenDesktopOnLaunch()
{
    m_app.settings().openDesktopOnLaunch = !m_app.settings().openDesktopOnLaunch;
    m_app.saveSettings();
}

void AppShell::toggleMainWindowAlwaysOnTop()
{
    m_app.settings().mainWindowAlwaysOnTop = !m_app.settings().mainWindowAlwaysOnTop;
    m_app.saveSettings();
}

void AppShell::resetMainWindowLayout()
{
    presentMainWindow();
    m_mainWindow->resetMainWindowLayout();
}

void AppShell::setMainWatchlistSortModeFromMenu(WatchlistSortMode mode)
{
    m_presenter.setSortMode(mode);
}

void AppShell::openPreferredLaunchSurfaceIfNeeded()
{
    if (m_app.settings().openDesktopOnLaunch) {
        QTimer::singleShot(kLaunchSurfaceDelayMs, this, &AppShell::showMainWindow);
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
