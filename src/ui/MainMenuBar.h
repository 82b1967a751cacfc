// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenuBar>
#include <QString>

#include <functional>

class ActionCollection;
class QAction;
class QLineEdit;

// The application's menus on the desktop window ("澄川", "桌面", "编辑"), with Ctrl where the
// original used the Command key. Every command item is the shared action of the collection;
// only the edit items are the bar's own: they act on the focused text field.
class MainMenuBar : public QMenuBar
{
    Q_OBJECT
public:
    // `editTarget` returns the text field the edit items work on (none: they are disabled).
    MainMenuBar(const ActionCollection &actions, std::function<QLineEdit *()> editTarget,
                QWidget *parent = nullptr);

    // The edit items' enabled states from the focused field (done as the edit menu opens).
    void validateEditItems();

private:
    QAction *addEditItem(QMenu *menu, const QString &title, const QKeySequence &shortcut,
                         const std::function<void(QLineEdit *)> &apply);

    std::function<QLineEdit *()> m_editTarget;
    QAction *m_undo = nullptr;
    QAction *m_redo = nullptr;
    QAction *m_cut = nullptr;
    QAction *m_copy = nullptr;
    QAction *m_paste = nullptr;
    QAction *m_selectAll = nullptr;
};
