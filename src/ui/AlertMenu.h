// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class AlertCenter;
class QMenu;

// The alert preset menu ("盘中提醒"), built from the alert center's rows so the popover's
// quick-actions menu and the desktop window's alert button show the same items.
namespace AlertMenu {

QString title();
// Replaces the menu's items by the preset rows: checkable presets (the current one
// checked) that choose the preset through the alert center, a separator, and the
// disabled information line.
void fill(QMenu &menu, AlertCenter &alerts);

} // namespace AlertMenu
