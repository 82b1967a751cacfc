// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include "TestSupport.h"

// A message bus of the test's own: a dbus-daemon child process with a configuration that
// knows no activatable services, so nothing on the machine (a real notification daemon, a
// panel) can answer in place of the fakes a test registers. Connections made through it
// are closed and the daemon is killed when it goes out of scope.
class PrivateSessionBus
{
public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus &) = delete;
    PrivateSessionBus &operator=(const PrivateSessionBus &) = delete;

    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }
    // Why the daemon could not be started, for QVERIFY2.
    QString errorString() const { return m_error; }

    // A new connection of its own (a separate unique name), as another process would have.
    QDBusConnection connect();

    // A method call that waits for its reply by running the event loop, so a service that
    // lives on this thread can answer. Bounded: an unanswered call returns an error message.
    static QDBusMessage call(const QDBusConnection &connection, const QDBusMessage &message,
                             int timeoutMs = TestSupport::kPatienceMs);
    // Properties.GetAll / Get on `service` at `path`, through call().
    static QVariantMap allProperties(const QDBusConnection &connection, const QString &service,
                                     const QString &path, const QString &interface);

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QString m_error;
    QStringList m_connectionNames;
};
