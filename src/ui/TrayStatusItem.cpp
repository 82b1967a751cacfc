// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TrayStatusItem.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>

using namespace Qt::StringLiterals;

TrayStatusItem::TrayStatusItem(QObject *parent)
    : StatusItem(parent)
    , m_tray(new QSystemTrayIcon(this))
{
    connect(m_tray, &QSystemTrayIcon::activated, this, &TrayStatusItem::handleActivation);
}

TrayStatusItem::~TrayStatusItem() = default;

void TrayStatusItem::setTitle(const QString &title)
{
    if (title == m_title)
        return;
    m_title = title;
    m_tray->setToolTip(title);
}

void TrayStatusItem::setIcon(const QIcon &icon)
{
    m_tray->setIcon(icon);
}

void TrayStatusItem::setMenu(QMenu *menu)
{
    m_menu = menu;
}

void TrayStatusItem::show()
{
    m_tray->show();
}

void TrayStatusItem::hide()
{
    m_tray->hide();
}

QRect TrayStatusItem::geometry() const
{
    return m_tray->geometry();
}

QString TrayStatusItem::kind() const
{
    return u"tray"_s;
}

bool TrayStatusItem::isInPanel() const
{
    return m_tray->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayStatusItem::handleActivation(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        // Control-click asks for the menu, as a right-click does.
        if (QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier))
            openMenu(anchor());
        else
            Q_EMIT activated(anchor());
        break;
    case QSystemTrayIcon::Context:
        openMenu(anchor());
        break;
    case QSystemTrayIcon::DoubleClick:
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
        // A double click already arrived as a Trigger for its first press; a second
        // toggle would close the popover it just opened.
        break;
    }
}

QPoint TrayStatusItem::anchor() const
{
    const QRect icon = m_tray->geometry();
    return icon.isValid() ? icon.center() : QCursor::pos();
}

void TrayStatusItem::openMenu(const QPoint &at)
{
    Q_EMIT contextMenuRequested(at);
    if (!m_menu)
        return;
    // Below the icon when the panel tells where it is, else at the pointer.
    const QRect icon = m_tray->geometry();
    m_menu->popup(icon.isValid() ? QPoint(icon.left(), icon.bottom() + 1 + 4) : at);
}
