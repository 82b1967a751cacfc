// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeNotificationServer.h"

#include <QDBusMessage>

using namespace Qt::StringLiterals;

namespace {
const QString kPath = u"/org/freedesktop/Notifications"_s;
const QString kInterface = u"org.freedesktop.Notifications"_s;
} // namespace

FakeNotificationServer::FakeNotificationServer(QDBusConnection bus)
    : m_bus(std::move(bus))
{}

bool FakeNotificationServer::start()
{
    return m_bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots) &&
           m_bus.registerService(kInterface);
}

void FakeNotificationServer::stop()
{
    m_bus.unregisterService(kInterface);
    m_bus.unregisterObject(kPath);
}

void FakeNotificationServer::sendClosed(uint id, uint reason)
{
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, u"NotificationClosed"_s);
    signal << id << reason;
    m_bus.send(signal);
}

QStringList FakeNotificationServer::GetCapabilities()
{
    ++capabilityQueries;
    if (silent)
        setDelayedReply(true);
    return capabilities;
}

uint FakeNotificationServer::Notify(const QString &appName, uint replacesId, const QString &appIcon,
                                    const QString &summary, const QString &body,
                                    const QStringList &actions, const QVariantMap &hints,
                                    int expireTimeout)
{
    const uint id = replacesId != 0 && m_live.contains(replacesId) ? replacesId : m_nextId++;
    m_live.insert(id);
    calls.append({appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout, id});
    return id;
}

void FakeNotificationServer::CloseNotification(uint id)
{
    if (m_live.remove(id))
        sendClosed(id, 3);
}
