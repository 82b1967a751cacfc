// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AlertMenu.h"

#include "alerts/AlertCenter.h"
#include "ui/ActionCollection.h"

#include <QMenu>

using namespace Qt::StringLiterals;

namespace AlertMenu {

QString title()
{
    return u"盘中提醒"_s;
}

QMenu *create(const QList<AlertMenuEntry> &rows, const ActionCollection &actions, QWidget *parent)
{
    auto *menu = new QMenu(title(), parent);
    for (const AlertMenuEntry &entry : rows) {
        switch (entry.kind) {
        case AlertMenuEntry::Kind::Separator:
            menu->addSeparator();
            break;
        case AlertMenuEntry::Kind::Info:
            menu->addAction(entry.title)->setEnabled(entry.enabled);
            break;
        case AlertMenuEntry::Kind::Preset:
            menu->addAction(actions.action(ActionCollection::command(entry.preset)));
            break;
        }
    }
    return menu;
}

} // namespace AlertMenu
