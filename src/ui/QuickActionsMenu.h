// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/AppSettings.h"

#include <QMenu>
#include <QVariant>

class AppShell;
class KestrumApp;

// The quick-actions menu of the tray item and the popover's "more" button. Its items are
// rebuilt from the controller's state before every showing, so check marks are current.
class QuickActionsMenu : public QMenu
{
    Q_OBJECT
public:
    QuickActionsMenu(KestrumApp &app, AppShell &shell, QWidget *parent = nullptr);

    void rebuild();
    // The first item with this text, in this menu or one of its submenus.
    QAction *actionWithText(const QString &text) const;

    // The alert preset menu (also opened by the desktop window's alert button): the four
    // presets with a check mark on the current one, a separator and a disabled note.
    QMenu *alertMenu(QWidget *parent);
    // Sets the preset named by the item's value (anything but a string means "off"), saves
    // and redraws.
    void setAlertPresetFromMenu(const QVariant &key);

    // The watchlist order menu: "自选原序" and "机会优先".
    QMenu *mainWatchlistSortMenu(QWidget *parent);

private:
    QMenu *displayModeMenu();
    QAction *modeItem(QMenu *menu, const QString &title, DisplayMode mode);
    QAction *checkItem(const QString &title, bool checked);

    KestrumApp &m_app;
    AppShell &m_shell;
};
