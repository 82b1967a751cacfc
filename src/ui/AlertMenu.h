// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

class ActionCollection;
class QMenu;
class QWidget;
struct AlertMenuEntry;

// The alert preset menu ("盘中提醒"), laid out by the alert center's rows, so every menu that
// offers the presets shows the same items.
namespace AlertMenu {

QString title();
// A new menu: the collection's preset actions, a separator and the disabled information line.
QMenu *create(const QList<AlertMenuEntry> &rows, const ActionCollection &actions, QWidget *parent);

} // namespace AlertMenu
