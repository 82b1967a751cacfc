// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alerts/Notifier.h"
#include "model/LogOnce.h"

#include <QDBusConnection>
#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>

#include <optional>

class QDBusPendingCall;
class QDBusServiceWatcher;

// Notifications through the desktop's org.freedesktop.Notifications service. Every call is
// asynchronous and bounded, so a missing or stuck notification daemon never blocks the
// refresh cycle. The daemon's own id is kept per identifier so a repeated identifier
// replaces its notification; it is forgotten when the daemon closes the notification or
// the daemon itself goes away (a new daemon's ids mean something else).
class FreedesktopNotifier final : public Notifier
{
    Q_OBJECT
public:
    explicit FreedesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(),
                                 QObject *parent = nullptr);
    ~FreedesktopNotifier() override;

    void post(const QString &identifier, const QString &title, const QString &body) override;
    // Granted when the service is on the bus and answers GetCapabilities in time.
    void requestPermission(const QObject *context, PermissionCallback callback) override;

    // Bound on every call to the service; a service that stays silent counts as absent.
    void setCallTimeout(int msecs) { m_timeoutMs = msecs; }

    // The daemon's id for a live notification, for diagnostics and tests.
    std::optional<uint> serverIdForIdentifier(const QString &identifier) const;

    static constexpr int kDefaultCallTimeoutMs = 5000;
    static const QString &serviceName();
    static const QString &applicationName();
    static const QString &iconName();

private Q_SLOTS:
    void onNotificationClosed(uint id, uint reason);
    void onActionInvoked(uint id, const QString &actionKey);

private:
    struct Content
    {
        QString title;
        QString body;
    };

    void fetchCapabilities(std::function<void(bool answered)> done);
    void whenFinished(const QDBusPendingCall &call,
                      std::function<void(const QDBusPendingCall &)> handler);
    void flushWaitingPosts();
    void send(const QString &identifier, const Content &content);
    void remember(const QString &identifier, uint id);
    void forgetDaemon();

    QDBusConnection m_bus;
    QDBusServiceWatcher *m_ownerWatcher = nullptr;
    int m_timeoutMs = kDefaultCallTimeoutMs;
    // Known once the current daemon answered; decides markup escaping and click actions.
    std::optional<QStringList> m_capabilities;
    bool m_capabilitiesPending = false;
    QList<std::function<void(bool)>> m_capabilityWaiters;
    // Posts made before the daemon's capabilities are known, in order.
    QList<QPair<QString, Content>> m_waitingPosts;
    QHash<QString, uint> m_serverIds;
    QHash<uint, QString> m_identifiers;
    // Identifiers whose Notify call has not been answered yet, and the newest content
    // posted for them meanwhile: it is sent once the daemon's id is known, so it replaces.
    QSet<QString> m_inFlight;
    QHash<QString, Content> m_queued;
    // Bumped whenever the daemon changes, so late answers from the old one are ignored.
    quint64 m_generation = 0;
    LogOnce m_serviceLog;
};
