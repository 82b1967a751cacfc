// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ActionCollection.h"

#include "ai/InsightService.h"
#include "alerts/AlertCenter.h"
#include "app/KestrumApp.h"
#include "app/UpdateChecker.h"
#include "config/LoginItemManager.h"
#include "presentation/Presenter.h"
#include "presentation/WatchlistDisplay.h"
#include "ui/AppShell.h"

#include <QAction>
#include <QActionGroup>

using namespace Qt::StringLiterals;

namespace {

template<typename E>
Command offsetFrom(Command first, E value)
{
    return static_cast<Command>(static_cast<int>(first) + static_cast<int>(value));
}

// The status title's modes as the menu names them, in the order of DisplayMode.
constexpr std::array<const char16_t *, 3> kDisplayModeTitles{u"轮播自选股", u"固定第一只",
                                                             u"显示涨跌汇总"};

} // namespace

ActionCollection::ActionCollection(AppShell &shell, QObject *parent)
    : QObject(parent)
    , m_app(shell.app())
    , m_shell(shell)
    , m_sortModes(new QActionGroup(this))
    , m_alertPresets(new QActionGroup(this))
    , m_displayModes(new QActionGroup(this))
{
    add(Command::OpenDesktop, u"打开澄川桌面"_s);
    addToggle(Command::OpenOnLaunch, u"启动时打开桌面"_s);
    addToggle(Command::AlwaysOnTop, u"桌面窗口置顶"_s);
    add(Command::ResetLayout, u"重置桌面布局"_s);
    add(Command::Refresh, u"刷新行情"_s, QKeySequence(Qt::CTRL | Qt::Key_R));
    add(Command::ManageWatchlist, u"管理自选"_s);
    add(Command::ExportWatchlist, u"导出自选…"_s);
    add(Command::ImportWatchlist, u"导入自选…"_s);
    add(Command::ExchangeRates, u"设置汇率…"_s);
    for (const WatchlistSortMode mode : enumValues<WatchlistSortMode>())
        addChoice(command(mode), WatchlistDisplay::sortFullTitle(mode), m_sortModes);
    add(Command::AISettings, u"AI 分析设置"_s);
    for (const AlertPreset preset : enumValues<AlertPreset>())
        addChoice(command(preset), AlertCenter::presetTitle(preset), m_alertPresets);
    for (const DisplayMode mode : enumValues<DisplayMode>()) {
        addChoice(command(mode),
                  QString::fromUtf16(kDisplayModeTitles[static_cast<std::size_t>(mode)]),
                  m_displayModes);
    }
    addToggle(Command::LoginItem, u"开机自启"_s);
    add(Command::CheckForUpdates, u"检查更新..."_s);
    addToggle(Command::AutoUpdateCheck, u"自动检查更新"_s);
    add(Command::Quit, u"退出 澄川"_s, QKeySequence(Qt::CTRL | Qt::Key_Q));
    add(Command::OpenWorkbench, u"打开沉浸看票"_s, QKeySequence(Qt::CTRL | Qt::Key_1));
    add(Command::PreviousQuote, u"上一只自选"_s, QKeySequence(Qt::CTRL | Qt::Key_BracketLeft));
    add(Command::NextQuote, u"下一只自选"_s, QKeySequence(Qt::CTRL | Qt::Key_BracketRight));
    add(Command::GenerateInsight, u"生成当前观察"_s, QKeySequence(Qt::CTRL | Qt::Key_G));
    addStandIn(Command::OpenDesktop, u"打开澄川"_s, QKeySequence(Qt::CTRL | Qt::Key_0));
    addStandIn(Command::AISettings, u"AI 设置"_s);
    // Whether the build checks for updates at all is fixed; without it both items are hidden.
    const bool updatesBuilt = m_app.updates().isAvailable();
    action(Command::CheckForUpdates)->setVisible(updatesBuilt);
    action(Command::AutoUpdateCheck)->setVisible(updatesBuilt);

    AppShell *s = &shell;
    KestrumApp *app = &m_app;
    AlertCenter *alerts = &m_app.alerts();
    const auto on = [this](Command command, auto *receiver, auto slot) {
        connect(action(command), &QAction::triggered, receiver, slot);
    };

    on(Command::OpenDesktop, s, &AppShell::showMainWindow);
    on(Command::OpenWorkbench, s, &AppShell::showMainWindow);
    on(Command::OpenOnLaunch, s, &AppShell::toggleOpenDesktopOnLaunch);
    on(Command::AlwaysOnTop, s, &AppShell::toggleMainWindowAlwaysOnTop);
    on(Command::ResetLayout, s, &AppShell::resetMainWindowLayout);
    on(Command::Refresh, app, &KestrumApp::refreshAction);
    on(Command::ManageWatchlist, s, &AppShell::openWatchlistManager);
    on(Command::ExportWatchlist, s, &AppShell::exportWatchlist);
    on(Command::ImportWatchlist, s, &AppShell::importWatchlist);
    on(Command::ExchangeRates, s, &AppShell::showExchangeRatesDialog);
    on(Command::AISettings, s, &AppShell::openAISettings);
    on(Command::LoginItem, app, &KestrumApp::toggleLoginItem);
    on(Command::CheckForUpdates, &m_app.updates(), &UpdateChecker::checkForUpdates);
    on(Command::AutoUpdateCheck, app, &KestrumApp::toggleAutomaticUpdateCheck);
    on(Command::Quit, s, &AppShell::quit);
    for (const WatchlistSortMode mode : enumValues<WatchlistSortMode>())
        on(command(mode), s, [s, mode] { s->setMainWatchlistSortModeFromMenu(mode); });
    for (const AlertPreset preset : enumValues<AlertPreset>())
        on(command(preset), alerts, [alerts, preset] { alerts->setAlertPresetFromMenu(preset); });
    for (const DisplayMode mode : enumValues<DisplayMode>()) {
        on(command(mode), app, [s, app, mode] {
            app->setDisplayMode(mode);
            s->refreshPopoverIfVisible();
        });
    }

    connect(&m_app, &KestrumApp::settingsChanged, this, &ActionCollection::updateStates);
    connect(&m_app, &KestrumApp::refreshFinished, this, &ActionCollection::updateStates);
    connect(alerts, &AlertCenter::alertPresetChanged, this, &ActionCollection::updateStates);
    connect(&m_app.insights(), &InsightService::insightChanged, this,
            &ActionCollection::updateStates);
    connect(&m_app.updates(), &UpdateChecker::checkInFlightChanged, this,
            &ActionCollection::updateStates);
    updateStates();
}

ActionCollection::~ActionCollection() = default;

QAction *ActionCollection::add(Command command, const QString &text, const QKeySequence &key)
{
    auto *item = new QAction(text, this);
    item->setObjectName(toText(command));
    item->setShortcut(key);
    // The quick-actions menu never listed key equivalents; the menu bar does.
    item->setShortcutVisibleInContextMenu(false);
    m_actions[static_cast<std::size_t>(command)] = item;
    return item;
}

QAction *ActionCollection::addToggle(Command command, const QString &text)
{
    QAction *item = add(command, text);
    item->setCheckable(true);
    return item;
}

QAction *ActionCollection::addChoice(Command command, const QString &text, QActionGroup *group)
{
    // Exclusive: one choice of its kind at a time, shown as radio items.
    return group->addAction(addToggle(command, text));
}

void ActionCollection::addStandIn(Command command, const QString &text, const QKeySequence &key)
{
    QAction *original = action(command);
    auto *standIn = new QAction(text, this);
    standIn->setObjectName(original->objectName() + u"InMenuBar"_s);
    standIn->setShortcut(key);
    connect(standIn, &QAction::triggered, original, &QAction::trigger);
    connect(original, &QAction::enabledChanged, standIn, &QAction::setEnabled);
    connect(original, &QAction::visibleChanged, standIn,
            [standIn, original] { standIn->setVisible(original->isVisible()); });
    m_standIns[static_cast<std::size_t>(command)] = standIn;
}

QAction *ActionCollection::menuBarAction(Command command) const
{
    QAction *standIn = m_standIns[static_cast<std::size_t>(command)];
    return standIn ? standIn : action(command);
}

QList<QAction *> ActionCollection::sortActions() const
{
    return m_sortModes->actions();
}

QList<QAction *> ActionCollection::alertPresetActions() const
{
    return m_alertPresets->actions();
}

QList<QAction *> ActionCollection::displayModeActions() const
{
    return m_displayModes->actions();
}

Command ActionCollection::command(WatchlistSortMode mode)
{
    return offsetFrom(Command::SortOriginal, mode);
}

Command ActionCollection::command(AlertPreset preset)
{
    return offsetFrom(Command::AlertOff, preset);
}

Command ActionCollection::command(DisplayMode mode)
{
    return offsetFrom(Command::DisplayRotate, mode);
}

void ActionCollection::updateStates()
{
    const MainMenuState state = m_shell.presenter().menuState();
    action(Command::OpenOnLaunch)->setChecked(state.openDesktopOnLaunch);
    action(Command::AlwaysOnTop)->setChecked(state.alwaysOnTop);
    action(Command::AutoUpdateCheck)->setChecked(state.automaticUpdateCheck);
    action(command(state.sortMode))->setChecked(true);
    action(command(state.alertPreset))->setChecked(true);
    action(command(state.displayMode))->setChecked(true);
    updateLoginItem();

    action(Command::CheckForUpdates)->setEnabled(!state.updateCheckInFlight);
    action(Command::PreviousQuote)->setEnabled(state.displayEntryCount > 1);
    action(Command::NextQuote)->setEnabled(state.displayEntryCount > 1);
    action(Command::GenerateInsight)->setEnabled(state.canGenerateInsight);
}

void ActionCollection::updateLoginItem()
{
    action(Command::LoginItem)->setChecked(m_app.loginItem().isEnabled());
}
