// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AlertMenu.h"

#include "alerts/AlertCenter.h"

#include <QActionGroup>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace AlertMenu {

QString title()
{
    return u"盘中提醒"_s;
}

void fill(QMenu &menu, AlertCenter &alerts)
{
    menu.clear();
    qDeleteAll(menu.findChildren<QActionGroup *>(Qt::FindDirectChildrenOnly));
    // One preset at a time: the presets are radio choices.
    auto *presets = new QActionGroup(&menu);
    for (const AlertMenuEntry &entry : alerts.alertMenu()) {
        switch (entry.kind) {
        case AlertMenuEntry::Kind::Separator:
            menu.addSeparator();
            break;
        case AlertMenuEntry::Kind::Info: {
            QAction *info = menu.addAction(entry.title);
            info->setEnabled(entry.enabled);
            break;
        }
        case AlertMenuEntry::Kind::Preset: {
            QAction *item = presets->addAction(menu.addAction(entry.title));
            item->setCheckable(true);
            item->setChecked(entry.checked);
            item->setEnabled(entry.enabled);
            item->setData(toText(entry.preset));
            QObject::connect(item, &QAction::triggered, &alerts, [&alerts, preset = entry.preset] {
                alerts.setAlertPresetFromMenu(preset);
            });
            break;
        }
        }
    }
}

} // namespace AlertMenu
