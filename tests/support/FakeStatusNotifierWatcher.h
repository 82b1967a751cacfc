// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>

// A panel's StatusNotifierWatcher that records who registered, on a connection of its own.
class FakeStatusNotifierWatcher : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    struct Registration
    {
        QString service; // the argument
        QString sender;  // the unique name that called
    };

    explicit FakeStatusNotifierWatcher(QDBusConnection bus, QObject *parent = nullptr);
    ~FakeStatusNotifierWatcher() override;

    // Takes the watcher's name and object path; false when either is taken.
    bool start();
    // Releases them, as a panel that quits or crashes would.
    void stop();

    QList<Registration> registrations;

    QStringList registeredItems() const;
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service);
    void RegisterStatusNotifierHost(const QString &service);

private:
    QDBusConnection m_bus;
    bool m_started = false;
};
