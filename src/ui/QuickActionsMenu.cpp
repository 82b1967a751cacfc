// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuickActionsMenu.h"

#include "alerts/AlertCenter.h"
#include "app/KestrumApp.h"
#include "app/UpdateChecker.h"
#include "config/LoginItemManager.h"
#include "presentation/WatchlistDisplay.h"
#include "ui/AlertMenu.h"
#include "ui/AppShell.h"

#include <QActionGroup>

using namespace Qt::StringLiterals;

QuickActionsMenu::QuickActionsMenu(KestrumApp &app, AppShell &shell, QWidget *parent)
    : QMenu(parent)
    , m_app(app)
    , m_shell(shell)
{
    rebuild();
    connect(this, &QMenu::aboutToShow, this, &QuickActionsMenu::rebuild);
    // Queued: a setting changed by one of this menu's own items must not delete that item
    // while it is still being triggered.
    connect(&m_app, &KestrumApp::settingsChanged, this, &QuickActionsMenu::rebuild,
            Qt::QueuedConnection);
}

QAction *QuickActionsMenu::modeItem(QMenu *menu, const QString &title, DisplayMode mode)
{
    QAction *item = menu->addAction(title);
    // One mode at a time: the menu marks them as radio choices.
    auto *group = menu->findChild<QActionGroup *>(QString(), Qt::FindDirectChildrenOnly);
    if (!group)
        group = new QActionGroup(menu);
    group->addAction(item);
    item->setCheckable(true);
    item->setChecked(m_app.displayMode() == mode);
    item->setData(static_cast<int>(mode));
    connect(item, &QAction::triggered, &m_app, [this, mode] {
        m_app.setDisplayMode(mode);
        m_shell.refreshPopoverIfVisible();
    });
    return item;
}

QMenu *QuickActionsMenu::displayModeMenu()
{
    auto *menu = new QMenu(u"状态栏显示"_s, this);
    modeItem(menu, u"轮播自选股"_s, DisplayMode::Rotate);
    modeItem(menu, u"固定第一只"_s, DisplayMode::First);
    modeItem(menu, u"显示涨跌汇总"_s, DisplayMode::Summary);
    return menu;
}

QMenu *QuickActionsMenu::alertMenu(QWidget *parent)
{
    auto *menu = new QMenu(AlertMenu::title(), parent);
    AlertMenu::fill(*menu, m_app.alerts());
    return menu;
}

void QuickActionsMenu::setAlertPresetFromMenu(const QVariant &key)
{
    // A menu item's data is the preset's word; anything else chooses off.
    const bool isString = key.metaType() == QMetaType::fromType<QString>();
    m_app.alerts().setAlertPresetFromMenu(
        isString ? fromText<AlertPreset>(key.toString()).value_or(AlertPreset::Off)
                 : AlertPreset::Off);
}

QMenu *QuickActionsMenu::mainWatchlistSortMenu(QWidget *parent)
{
    auto *menu = new QMenu(u"自选排序"_s, parent);
    auto *group = new QActionGroup(menu);
    const WatchlistSortMode current = m_app.settings().mainWatchlistSortMode;
    for (const WatchlistSortMode mode : enumValues<WatchlistSortMode>()) {
        QAction *item =
            group->addAction(menu->addAction(KSMainWatchlistSortFullTitleForMode(mode)));
        item->setData(toText(mode));
        item->setCheckable(true);
        item->setChecked(mode == current);
        connect(item, &QAction::triggered, this,
                [this, mode] { m_shell.setMainWatchlistSortModeFromMenu(mode); });
    }
    return menu;
}

QAction *QuickActionsMenu::checkItem(const QString &title, bool checked)
{
    QAction *item = addAction(title);
    item->setCheckable(true);
    item->setChecked(checked);
    return item;
}

void QuickActionsMenu::rebuild()
{
    // Submenus are children of this menu; clear() leaves them, so delete them here.
    for (QAction *action : actions()) {
        if (QMenu *sub = action->menu())
            sub->deleteLater();
    }
    clear();

    connect(addAction(u"打开澄川桌面"_s), &QAction::triggered, &m_shell, &AppShell::showMainWindow);
    connect(checkItem(u"启动时打开桌面"_s, m_app.settings().openDesktopOnLaunch),
            &QAction::triggered, &m_shell, &AppShell::toggleOpenDesktopOnLaunch);
    connect(checkItem(u"桌面窗口置顶"_s, m_app.settings().mainWindowAlwaysOnTop),
            &QAction::triggered, &m_shell, &AppShell::toggleMainWindowAlwaysOnTop);
    connect(addAction(u"重置桌面布局"_s), &QAction::triggered, &m_shell,
            &AppShell::resetMainWindowLayout);
    addSeparator();

    connect(addAction(u"刷新行情"_s), &QAction::triggered, &m_app, &KestrumApp::refreshAction);
    connect(addAction(u"管理自选"_s), &QAction::triggered, &m_shell,
            &AppShell::openWatchlistManager);
    addMenu(mainWatchlistSortMenu(this));
    connect(addAction(u"AI 分析设置"_s), &QAction::triggered, &m_shell, &AppShell::openAISettings);
    addSeparator();

    addMenu(alertMenu(this));
    addMenu(displayModeMenu());
    addSeparator();

    connect(checkItem(u"开机自启"_s, m_app.loginItem().isEnabled()), &QAction::triggered, &m_app,
            &KestrumApp::toggleLoginItem);
    addSeparator();

    // A build without the update check offers neither item.
    if (m_app.updates().isAvailable()) {
        connect(addAction(u"检查更新..."_s), &QAction::triggered, &m_app.updates(),
                &UpdateChecker::checkForUpdates);
        connect(checkItem(u"自动检查更新"_s, m_app.settings().autoCheckForUpdates),
                &QAction::triggered, &m_app, &KestrumApp::toggleAutomaticUpdateCheck);
        addSeparator();
    }

    connect(addAction(u"退出 澄川"_s), &QAction::triggered, &m_shell, &AppShell::quit);
}

QAction *QuickActionsMenu::actionWithText(const QString &text) const
{
    for (QAction *action : actions()) {
        if (action->text() == text)
            return action;
        if (QMenu *sub = action->menu()) {
            for (QAction *inner : sub->actions()) {
                if (inner->text() == text)
                    return inner;
            }
        }
    }
    return nullptr;
}
