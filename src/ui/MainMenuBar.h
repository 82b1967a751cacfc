// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "presentation/MainMenuState.h"

#include <QMenuBar>
#include <QString>

#include <functional>

class QAction;
class QLineEdit;

// The application's menus on the desktop window ("澄川", "桌面", "编辑"), with Ctrl where the
// original used the Command key. Items only carry their shortcut and check state; the owner
// connects `triggered` of each named action. Edit items act on the focused text field.
class MainMenuBar : public QMenuBar
{
    Q_OBJECT
public:
    // `editTarget` returns the text field the edit items work on (none: they are disabled).
    MainMenuBar(QMenu *sortMenu, std::function<QLineEdit *()> editTarget,
                QWidget *parent = nullptr);

    // Enabled states and check marks from `state`, edit items from the focused field.
    void validate(const MainMenuState &state);

    // The first item with this text in any menu or submenu.
    QAction *actionWithText(const QString &text) const;

    QAction *openWindowAction() const { return m_openApp; }
    QAction *checkForUpdatesAction() const { return m_checkForUpdates; }
    QAction *automaticUpdateCheckAction() const { return m_automaticUpdateCheck; }
    QAction *quitAction() const { return m_quit; }
    QAction *openWorkbenchAction() const { return m_openWorkbench; }
    QAction *previousAction() const { return m_previous; }
    QAction *nextAction() const { return m_next; }
    QAction *refreshAction() const { return m_refresh; }
    QAction *generateInsightAction() const { return m_generate; }
    QAction *manageWatchlistAction() const { return m_manage; }
    QAction *aiSettingsAction() const { return m_aiSettings; }
    QAction *openOnLaunchAction() const { return m_openOnLaunch; }
    QAction *alwaysOnTopAction() const { return m_alwaysOnTop; }
    QAction *resetLayoutAction() const { return m_resetLayout; }
    QMenu *sortMenu() const { return m_sortMenu; }

Q_SIGNALS:
    // A menu is about to open: the owner validates with fresh state.
    void aboutToShowMenu();

private:
    QMenu *addTopMenu(const QString &title);
    QAction *addItem(QMenu *menu, const QString &title, const QKeySequence &shortcut = {});
    QAction *addEditItem(QMenu *menu, const QString &title, const QKeySequence &shortcut,
                         const std::function<void(QLineEdit *)> &apply);

    std::function<QLineEdit *()> m_editTarget;
    QMenu *m_sortMenu = nullptr;
    QAction *m_openApp = nullptr;
    QAction *m_checkForUpdates = nullptr;
    QAction *m_automaticUpdateCheck = nullptr;
    QAction *m_quit = nullptr;
    QAction *m_openWorkbench = nullptr;
    QAction *m_previous = nullptr;
    QAction *m_next = nullptr;
    QAction *m_refresh = nullptr;
    QAction *m_generate = nullptr;
    QAction *m_manage = nullptr;
    QAction *m_aiSettings = nullptr;
    QAction *m_openOnLaunch = nullptr;
    QAction *m_alwaysOnTop = nullptr;
    QAction *m_resetLayout = nullptr;
    QAction *m_undo = nullptr;
    QAction *m_redo = nullptr;
    QAction *m_cut = nullptr;
    QAction *m_copy = nullptr;
    QAction *m_paste = nullptr;
    QAction *m_selectAll = nullptr;
};
