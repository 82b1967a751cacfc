// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVariantMap>

// A notification daemon (org.freedesktop.Notifications) that shows nothing and remembers
// what it was asked. Ids are handed out from 1; a replaces_id of a live notification keeps
// its id, as real daemons do.
class FakeNotificationServer : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call
    {
        QString appName;
        uint replacesId = 0;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int expireTimeout = 0;
        uint id = 0;
    };

    explicit FakeNotificationServer(QDBusConnection bus);

    // Registers the object and takes the well-known name.
    bool start();
    void stop();

    void sendClosed(uint id, uint reason);

    QList<Call> calls;
    QStringList capabilities{QStringLiteral("body")};
    // Never answers GetCapabilities, like a daemon that hangs.
    bool silent = false;
    int capabilityQueries = 0;

public Q_SLOTS:
    QStringList GetCapabilities();
    uint Notify(const QString &appName, uint replacesId, const QString &appIcon,
                const QString &summary, const QString &body, const QStringList &actions,
                const QVariantMap &hints, int expireTimeout);
    void CloseNotification(uint id);

private:
    QDBusConnection m_bus;
    QSet<uint> m_live;
    uint m_nextId = 1;
};
