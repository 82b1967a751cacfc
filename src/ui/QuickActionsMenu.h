// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenu>

class ActionCollection;
class KestrumApp;

// The quick-actions menu of the tray item and the popover's "more" button, built once from
// the shared actions: their check marks follow the state, so the menu is never rebuilt.
class QuickActionsMenu : public QMenu
{
    Q_OBJECT
public:
    QuickActionsMenu(KestrumApp &app, ActionCollection &actions, QWidget *parent = nullptr);
};
