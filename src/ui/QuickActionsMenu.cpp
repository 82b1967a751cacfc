// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuickActionsMenu.h"

#include "alerts/AlertCenter.h"
#include "app/KestrumApp.h"
#include "app/UpdateChecker.h"
#include "ui/ActionCollection.h"
#include "ui/AlertMenu.h"

using namespace Qt::StringLiterals;

QuickActionsMenu::QuickActionsMenu(KestrumApp &app, ActionCollection &actions, QWidget *parent)
    : QMenu(parent)
{
    const auto add = [this, &actions](std::initializer_list<Command> commands) {
        for (const Command command : commands)
            addAction(actions.action(command));
    };
    const auto addChoices = [this](const QString &title, const QList<QAction *> &choices) {
        auto *menu = new QMenu(title, this);
        menu->addActions(choices);
        addMenu(menu);
    };

    add({Command::OpenDesktop, Command::OpenOnLaunch, Command::AlwaysOnTop, Command::ResetLayout});
    addSeparator();
    add({Command::Refresh, Command::ManageWatchlist, Command::ExportWatchlist,
         Command::ImportWatchlist});
    addChoices(u"自选排序"_s, actions.sortActions());
    add({Command::AISettings});
    addSeparator();
    addMenu(AlertMenu::create(app.alerts().alertMenu(), actions, this));
    addChoices(u"状态栏显示"_s, actions.displayModeActions());
    addSeparator();
    add({Command::LoginItem});
    addSeparator();
    // A build without the update check offers neither item.
    if (app.updates().isAvailable()) {
        add({Command::CheckForUpdates, Command::AutoUpdateCheck});
        addSeparator();
    }
    add({Command::Quit});

    // The autostart entry is the login item's only record and other programs may change it.
    connect(this, &QMenu::aboutToShow, &actions, &ActionCollection::updateLoginItem);
}
