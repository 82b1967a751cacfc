// SPDX-License-Identifier: GPL-3.0-or-later
#include "DBusSignalRecorder.h"

DBusSignalRecorder::DBusSignalRecorder(QDBusConnection bus, const QString &service,
                                       const QString &path, const QString &interface,
                                       const QStringList &names)
    : m_bus(std::move(bus))
    , m_service(service)
    , m_path(path)
    , m_interface(interface)
    , m_names(names)
{
    for (const QString &name : names)
        m_connected &=
            m_bus.connect(m_service, m_path, m_interface, name, this, SLOT(record(QDBusMessage)));
}

DBusSignalRecorder::~DBusSignalRecorder()
{
    for (const QString &name : std::as_const(m_names))
        m_bus.disconnect(m_service, m_path, m_interface, name, this, SLOT(record(QDBusMessage)));
}

QList<QDBusMessage> DBusSignalRecorder::messages(const QString &name) const
{
    QList<QDBusMessage> found;
    for (const QDBusMessage &message : m_messages) {
        if (message.member() == name)
            found.append(message);
    }
    return found;
}

void DBusSignalRecorder::record(const QDBusMessage &message)
{
    m_messages.append(message);
}
