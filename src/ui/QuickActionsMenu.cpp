#include "ui/QuickActionsMenu.h"

#include "alerts/AlertCenter.h"
#include "app/KestrumApp.h"
#include "ui/AlertMenu.h"
#include "ui/AppShell.h"

#include <QActionGroup>

using namespace Qt::StringLiterals;

QuickActionsMenu::QuickActionsMenu(KestrumApp &app, AppShell &shell, QWidget *parent)
    : QMenu(parent)
    , m_app(app)
    , m_shell(shell)
{
    rebuild();
    connect(this, &QMenu::aboutToShow, this, &QuickActionsMenu::rebuild);
    connect(&m_app, &KestrumApp::settingsChanged, this, &QuickActionsMenu::rebuild);
}

QMenu *QuickActionsMenu::displayModeMenu()
{
    auto *menu = new QMenu(u"状态栏显示"_s, this);
    const std::pair<const char16_t *, int> modes[] = {
        {u"轮播自选股", 0}, {u"固定第一只", 1}, {u"显示涨跌汇总", 2}};
    for (const auto &[title, mode] : modes) {
        QAction *item = menu->addAction(QString::fromUtf16(title));
        item->setCheckable(true);
        item->setChecked(m_app.displayMode() == mode);
        item->setData(mode);
        connect(item, &QAction::triggered, &m_app, [this, mode] {
            m_app.setDisplayMode(mode);
            m_shell.refreshPopoverIfVisible();
        });
    }
    return menu;
}

void QuickActionsMenu::rebuild()
{
    // Submenus are children of this menu; clear() leaves them, so delete them here.
    for (QAction *action : actions()) {
        if (QMenu *sub = action->menu())
            sub->deleteLater();
    }
    clear();

    QAction *refresh = addAction(u"刷新行情"_s);
    connect(refresh, &QAction::triggered, &m_app, &KestrumApp::refreshAction);
    QAction *manage = addAction(u"管理自选"_s);
    connect(manage, &QAction::triggered, &m_shell, &AppShell::openWatchlistManager);
    addSeparator();
    auto *alerts = new QMenu(AlertMenu::title(), this);
    AlertMenu::fill(*alerts, m_app.alerts());
    addMenu(alerts);
    addMenu(displayModeMenu());
    addSeparator();
    QAction *quit = addAction(u"退出 澄川"_s);
    connect(quit, &QAction::triggered, &m_shell, &AppShell::quit);
}

QAction *QuickActionsMenu::actionWithText(const QString &text) const
{
    for (QAction *action : actions()) {
        if (action->text() == text)
            return action;
        if (QMenu *sub = action->menu()) {
            for (QAction *inner : sub->actions()) {
                if (inner->text() == text)
                    return inner;
            }
        }
    }
    return nullptr;
}
