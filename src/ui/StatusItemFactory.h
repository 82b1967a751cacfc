// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/StatusItem.h"

#include <QDBusConnection>
#include <QString>

#include <memory>

// Which status item suits this desktop, and why (for the log and for troubleshooting).
struct StatusItemChoice
{
    enum class Kind
    {
        StatusNotifier, // a StatusNotifierWatcher is on the session bus
        TrayIcon,       // XEmbed system tray through QSystemTrayIcon
    };
    Kind kind = Kind::TrayIcon;
    QString reason;
    // Chosen by KESTRUM_STATUS_ITEM rather than by the desktop.
    bool forced = false;

    // "sni" or "tray", as StatusItem::kind() names them.
    QString kindName() const;
};

// Looks for org.kde.StatusNotifierWatcher on `bus`. KESTRUM_STATUS_ITEM=sni or =tray
// (passed as `forced`) overrides the look-up, for panels that misreport themselves.
StatusItemChoice
chooseStatusItem(const QDBusConnection &bus,
                 const QString &forced = qEnvironmentVariable("KESTRUM_STATUS_ITEM"));

std::unique_ptr<StatusItem> createStatusItem(const StatusItemChoice &choice, QDBusConnection bus,
                                             QObject *parent = nullptr);
