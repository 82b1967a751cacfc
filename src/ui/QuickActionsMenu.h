#pragma once

#include <QMenu>

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
    QAction *actionWithText(const QString &text) const;

private:
    QMenu *displayModeMenu();

    KestrumApp &m_app;
    AppShell &m_shell;
};
