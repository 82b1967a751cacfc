// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PanelStatusItem.h"

#include "model/Logging.h"
#include "ui/StatusItemFactory.h"
#include "ui/StatusNotifierItem.h"
#include "ui/TrayStatusItem.h"

#include <QDBusServiceWatcher>
#include <QMenu>
#include <QSystemTrayIcon>

using namespace Qt::StringLiterals;

PanelStatusItem::PanelStatusItem(QDBusConnection bus, const QString &forced, QObject *parent)
    : StatusItem(parent)
    , m_bus(std::move(bus))
{
    const StatusItemChoice choice = chooseStatusItem(m_bus, forced);
    m_pinned = choice.forced;
    use(createStatusItem(choice, m_bus), choice.reason);
    if (m_pinned || !m_bus.isConnected())
        return;
    m_watcher = new QDBusServiceWatcher(StatusNotifierItem::watcherService(), m_bus,
                                        QDBusServiceWatcher::WatchForRegistration |
                                            QDBusServiceWatcher::WatchForUnregistration,
                                        this);
    connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this,
            &PanelStatusItem::watcherAppeared);
    connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this,
            &PanelStatusItem::watcherLeft);
}

PanelStatusItem::~PanelStatusItem() = default;

void PanelStatusItem::watcherAppeared()
{
    // A restarting panel's new watcher hears from the item itself.
    if (qobject_cast<StatusNotifierItem *>(m_current.get()))
        return;
    use(std::make_unique<StatusNotifierItem>(m_bus),
        u"StatusNotifierItem: a StatusNotifierWatcher appeared on the session bus"_s);
}

void PanelStatusItem::watcherLeft()
{
    if (!qobject_cast<StatusNotifierItem *>(m_current.get()))
        return;
    // Asked only now, with no watcher on the bus: Qt decides once per process whether its
    // tray icon goes over D-Bus, and a watcher present at that moment would make it so.
    if (QSystemTrayIcon::isSystemTrayAvailable())
        use(std::make_unique<TrayStatusItem>(),
            u"tray icon: the StatusNotifierWatcher left the session bus"_s);
    else
        use(nullptr, u"no panel item: the StatusNotifierWatcher left and there is no system "
                     u"tray; a new launch shows the desktop window"_s);
}

void PanelStatusItem::use(std::unique_ptr<StatusItem> item, const QString &why)
{
    qCInfo(lcPanel).noquote() << why;
    // The old item leaves before the new one shows: never two icons.
    if (m_current)
        m_current->hide();
    m_current = std::move(item);
    if (m_current) {
        m_current->setTitle(m_title);
        m_current->setIcon(m_icon);
        m_current->setMenu(m_menu);
        connect(m_current.get(), &StatusItem::activated, this, &StatusItem::activated);
        connect(m_current.get(), &StatusItem::contextMenuRequested, this,
                &StatusItem::contextMenuRequested);
        // Every answer of the panel goes on, refusals included.
        connect(m_current.get(), &StatusItem::panelPresenceChanged, this, [this] {
            m_inPanel = isInPanel();
            Q_EMIT panelPresenceChanged(m_inPanel);
        });
        if (m_shown)
            m_current->show();
    }
    announcePresenceIfChanged();
}

void PanelStatusItem::setTitle(const QString &title)
{
    m_title = title;
    if (m_current)
        m_current->setTitle(title);
}

void PanelStatusItem::setIcon(const QIcon &icon)
{
    m_icon = icon;
    if (m_current)
        m_current->setIcon(icon);
}

void PanelStatusItem::setMenu(QMenu *menu)
{
    m_menu = menu;
    if (m_current)
        m_current->setMenu(menu);
}

void PanelStatusItem::show()
{
    m_shown = true;
    if (m_current)
        m_current->show();
    announcePresenceIfChanged();
}

void PanelStatusItem::hide()
{
    m_shown = false;
    if (m_current)
        m_current->hide();
    announcePresenceIfChanged();
}

void PanelStatusItem::announcePresenceIfChanged()
{
    const bool in = isInPanel();
    if (std::exchange(m_inPanel, in) != in)
        Q_EMIT panelPresenceChanged(in);
}

QRect PanelStatusItem::geometry() const
{
    return m_current ? m_current->geometry() : QRect();
}

QString PanelStatusItem::kind() const
{
    return m_current ? m_current->kind() : u"none"_s;
}

bool PanelStatusItem::isInPanel() const
{
    return m_current && m_current->isInPanel();
}

bool PanelStatusItem::isAwaitingPanel() const
{
    return m_current && m_current->isAwaitingPanel();
}
