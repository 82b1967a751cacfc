// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StatusItemFactory.h"

#include "ui/StatusNotifierItem.h"
#include "ui/TrayStatusItem.h"

#include <QDBusConnectionInterface>
#include <QSystemTrayIcon>

using namespace Qt::StringLiterals;

QString StatusItemChoice::kindName() const
{
    return kind == Kind::StatusNotifier ? u"sni"_s : u"tray"_s;
}

StatusItemChoice chooseStatusItem(const QDBusConnection &bus, const QString &forced)
{
    const QString wanted = forced.trimmed().toLower();
    if (wanted == u"sni"_s)
        return {StatusItemChoice::Kind::StatusNotifier,
                u"StatusNotifierItem forced by KESTRUM_STATUS_ITEM=sni"_s, true};
    if (wanted == u"tray"_s)
        return {StatusItemChoice::Kind::TrayIcon, u"tray icon forced by KESTRUM_STATUS_ITEM=tray"_s,
                true};

    if (!bus.isConnected())
        return {StatusItemChoice::Kind::TrayIcon,
                u"tray icon: no D-Bus session bus (%1)"_s.arg(bus.lastError().message())};

    // NameHasOwner is answered by the bus daemon itself, so this never waits on a panel.
    const QDBusReply<bool> present =
        bus.interface()->isServiceRegistered(StatusNotifierItem::watcherService());
    if (present.isValid() && present.value())
        return {StatusItemChoice::Kind::StatusNotifier,
                u"StatusNotifierItem: org.kde.StatusNotifierWatcher is on the session bus"_s};

    const QString tray = QSystemTrayIcon::isSystemTrayAvailable()
                             ? u"an XEmbed system tray is available"_s
                             : u"no XEmbed system tray is available yet either"_s;
    return {StatusItemChoice::Kind::TrayIcon,
            u"tray icon: no org.kde.StatusNotifierWatcher on the session bus; "_s + tray};
}

std::unique_ptr<StatusItem> createStatusItem(const StatusItemChoice &choice, QDBusConnection bus,
                                             QObject *parent)
{
    if (choice.kind == StatusItemChoice::Kind::StatusNotifier)
        return std::make_unique<StatusNotifierItem>(std::move(bus), parent);
    return std::make_unique<TrayStatusItem>(parent);
}
