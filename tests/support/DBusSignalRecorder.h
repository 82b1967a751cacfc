// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QStringList>

// Records the named D-Bus signals one object sends, whatever their arguments.
class DBusSignalRecorder : public QObject
{
    Q_OBJECT
public:
    DBusSignalRecorder(QDBusConnection bus, const QString &service, const QString &path,
                       const QString &interface, const QStringList &names);
    ~DBusSignalRecorder() override;

    QList<QDBusMessage> messages(const QString &name) const;
    int count(const QString &name) const { return int(messages(name).size()); }
    bool isConnected() const { return m_connected; }
    void clear() { m_messages.clear(); }

private Q_SLOTS:
    void record(const QDBusMessage &message);

private:
    QDBusConnection m_bus;
    QString m_service;
    QString m_path;
    QString m_interface;
    QStringList m_names;
    QList<QDBusMessage> m_messages;
    bool m_connected = true;
};
