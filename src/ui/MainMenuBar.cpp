// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MainMenuBar.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>

using namespace Qt::StringLiterals;

MainMenuBar::MainMenuBar(QMenu *sortMenu, std::function<QLineEdit *()> editTarget, QWidget *parent)
    : QMenuBar(parent)
    , m_editTarget(std::move(editTarget))
    , m_sortMenu(sortMenu)
{
    setObjectName(u"mainMenuBar"_s);

    QMenu *app = addTopMenu(u"澄川"_s);
    m_openApp = addItem(app, u"打开澄川"_s, QKeySequence(Qt::CTRL | Qt::Key_0));
    m_checkForUpdates = addItem(app, u"检查更新..."_s);
    m_automaticUpdateCheck = addItem(app, u"自动检查更新"_s);
    m_automaticUpdateCheck->setCheckable(true);
    app->addSeparator();
    m_quit = addItem(app, u"退出 澄川"_s, QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu *desk = addTopMenu(u"桌面"_s);
    m_openWorkbench = addItem(desk, u"打开沉浸看票"_s, QKeySequence(Qt::CTRL | Qt::Key_1));
    m_previous = addItem(desk, u"上一只自选"_s, QKeySequence(Qt::CTRL | Qt::Key_BracketLeft));
    m_next = addItem(desk, u"下一只自选"_s, QKeySequence(Qt::CTRL | Qt::Key_BracketRight));
    desk->addSeparator();
    if (m_sortMenu) {
        m_sortMenu->setParent(desk, m_sortMenu->windowFlags());
        m_sortMenu->setTitle(u"自选排序"_s);
        desk->addMenu(m_sortMenu);
        connect(m_sortMenu, &QMenu::aboutToShow, this, &MainMenuBar::aboutToShowMenu);
    }
    desk->addSeparator();
    m_refresh = addItem(desk, u"刷新行情"_s, QKeySequence(Qt::CTRL | Qt::Key_R));
    m_generate = addItem(desk, u"生成当前观察"_s, QKeySequence(Qt::CTRL | Qt::Key_G));
    desk->addSeparator();
    auto *settings = new QMenu(u"设置与管理"_s, desk);
    connect(settings, &QMenu::aboutToShow, this, &MainMenuBar::aboutToShowMenu);
    desk->addMenu(settings);
    m_manage = addItem(settings, u"管理自选"_s);
    m_aiSettings = addItem(settings, u"AI 设置"_s);
    settings->addSeparator();
    m_openOnLaunch = addItem(settings, u"启动时打开桌面"_s);
    m_openOnLaunch->setCheckable(true);
    m_alwaysOnTop = addItem(settings, u"桌面窗口置顶"_s);
    m_alwaysOnTop->setCheckable(true);
    m_resetLayout = addItem(settings, u"重置桌面布局"_s);

    QMenu *edit = addTopMenu(u"编辑"_s);
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
}

QMenu *MainMenuBar::addTopMenu(const QString &title)
{
    QMenu *menu = addMenu(title);
    connect(menu, &QMenu::aboutToShow, this, &MainMenuBar::aboutToShowMenu);
    return menu;
}

QAction *MainMenuBar::addItem(QMenu *menu, const QString &title, const QKeySequence &shortcut)
{
    QAction *action = menu->addAction(title);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

QAction *MainMenuBar::addEditItem(QMenu *menu, const QString &title, const QKeySequence &shortcut,
                                  const std::function<void(QLineEdit *)> &apply)
{
    // A focused field takes these keys itself (it overrides the shortcut), so the items only
    // act when chosen from the menu, on whatever field has the focus then.
    QAction *action = addItem(menu, title, shortcut);
    connect(action, &QAction::triggered, this, [this, apply] {
        if (QLineEdit *field = m_editTarget ? m_editTarget() : nullptr)
            apply(field);
    });
    return action;
}

void MainMenuBar::validate(const MainMenuState &state)
{
    m_previous->setEnabled(state.displayEntryCount > 1);
    m_next->setEnabled(state.displayEntryCount > 1);
    m_generate->setEnabled(state.canGenerateInsight);
    m_checkForUpdates->setEnabled(!state.updateCheckInFlight);
    m_checkForUpdates->setVisible(state.updateCheckAvailable);
    m_automaticUpdateCheck->setVisible(state.updateCheckAvailable);
    m_automaticUpdateCheck->setChecked(state.automaticUpdateCheck);
    m_openOnLaunch->setChecked(state.openDesktopOnLaunch);
    m_alwaysOnTop->setChecked(state.alwaysOnTop);
    if (m_sortMenu) {
        for (QAction *item : m_sortMenu->actions()) {
            item->setCheckable(true);
            item->setChecked(item->data().toString() == toText(state.sortMode));
        }
    }

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

QAction *MainMenuBar::actionWithText(const QString &text) const
{
    std::function<QAction *(const QList<QAction *> &)> search =
        [&search, &text](const QList<QAction *> &actions) -> QAction * {
        for (QAction *action : actions) {
            if (action->text() == text)
                return action;
            if (QMenu *sub = action->menu()) {
                if (QAction *found = search(sub->actions()))
                    return found;
            }
        }
        return nullptr;
    };
    return search(actions());
}
