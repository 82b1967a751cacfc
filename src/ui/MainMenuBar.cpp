// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MainMenuBar.h"

#include "ui/ActionCollection.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>

using namespace Qt::StringLiterals;

MainMenuBar::MainMenuBar(const ActionCollection &actions, std::function<QLineEdit *()> editTarget,
                         QWidget *parent)
    : QMenuBar(parent)
    , m_editTarget(std::move(editTarget))
{
    setObjectName(u"mainMenuBar"_s);
    const auto add = [&actions](QMenu *menu, std::initializer_list<Command> commands) {
        for (const Command command : commands)
            menu->addAction(actions.menuBarAction(command));
    };

    QMenu *app = addMenu(u"澄川"_s);
    add(app, {Command::OpenDesktop, Command::CheckForUpdates, Command::AutoUpdateCheck});
    app->addSeparator();
    add(app, {Command::Quit});

    QMenu *desk = addMenu(u"桌面"_s);
    add(desk, {Command::OpenWorkbench, Command::PreviousQuote, Command::NextQuote});
    desk->addSeparator();
    desk->addMenu(u"自选排序"_s)->addActions(actions.sortActions());
    desk->addSeparator();
    add(desk, {Command::Refresh, Command::GenerateInsight});
    desk->addSeparator();
    QMenu *settings = desk->addMenu(u"设置与管理"_s);
    add(settings, {Command::ManageWatchlist, Command::ExportWatchlist, Command::ImportWatchlist,
                   Command::ExchangeRates, Command::AISettings});
    settings->addSeparator();
    add(settings, {Command::OpenOnLaunch, Command::AlwaysOnTop, Command::ResetLayout});

    QMenu *edit = addMenu(u"编辑"_s);
    connect(edit, &QMenu::aboutToShow, this, &MainMenuBar::validateEditItems);
    m_undo = addEditItem(edit, u"撤销"_s, QKeySequence(Qt::CTRL | Qt::Key_Z),
                         [](QLineEdit *field) { field->undo(); });
    m_redo = addEditItem(edit, u"重做"_s, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                         [](QLineEdit *field) { field->redo(); });
    edit->addSeparator();
    m_cut = addEditItem(edit, u"剪切"_s, QKeySequence(Qt::CTRL | Qt::Key_X),
                        [](QLineEdit *field) { field->cut(); });
    m_copy = addEditItem(edit, u"复制"_s, QKeySequence(Qt::CTRL | Qt::Key_C),
                         [](QLineEdit *field) { field->copy(); });
    m_paste = addEditItem(edit, u"粘贴"_s, QKeySequence(Qt::CTRL | Qt::Key_V),
                          [](QLineEdit *field) { field->paste(); });
    m_selectAll = addEditItem(edit, u"全选"_s, QKeySequence(Qt::CTRL | Qt::Key_A),
                              [](QLineEdit *field) { field->selectAll(); });
    validateEditItems();
}

QAction *MainMenuBar::addEditItem(QMenu *menu, const QString &title, const QKeySequence &shortcut,
                                  const std::function<void(QLineEdit *)> &apply)
{
    // A focused field takes these keys itself (it overrides the shortcut), so the items only
    // act when chosen from the menu, on whatever field has the focus then.
    QAction *action = menu->addAction(title);
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [this, apply] {
        if (QLineEdit *field = m_editTarget ? m_editTarget() : nullptr)
            apply(field);
    });
    return action;
}

void MainMenuBar::validateEditItems()
{
    QLineEdit *field = m_editTarget ? m_editTarget() : nullptr;
    const bool editable = field && !field->isReadOnly();
    m_undo->setEnabled(editable && field->isUndoAvailable());
    m_redo->setEnabled(editable && field->isRedoAvailable());
    m_cut->setEnabled(editable && field->hasSelectedText() &&
                      field->echoMode() == QLineEdit::Normal);
    m_copy->setEnabled(field && field->hasSelectedText() && field->echoMode() == QLineEdit::Normal);
    const QClipboard *clipboard = QApplication::clipboard();
    m_paste->setEnabled(editable && clipboard && !clipboard->text().isEmpty());
    m_selectAll->setEnabled(field && !field->text().isEmpty());
}
