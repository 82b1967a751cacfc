// SPDX-License-Identifier: GPL-3.0-or-later
#include "PrivateSessionBus.h"

#include <QDBusArgument>
#include <QDBusPendingCallWatcher>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QByteArray configFor(const QString &socketDir)
{
    return R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=)" +
           socketDir.toUtf8() + R"(</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";
}

int s_connectionCounter = 0;

} // namespace

PrivateSessionBus::PrivateSessionBus()
{
    if (!m_dir.isValid()) {
        m_error = u"no temporary directory"_s;
        return;
    }
    const QString configPath = m_dir.filePath(u"bus.conf"_s);
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly) || config.write(configFor(m_dir.path())) < 0) {
        m_error = u"cannot write the bus configuration"_s;
        return;
    }
    config.close();

    m_daemon.setProcessChannelMode(QProcess::SeparateChannels);
    m_daemon.start(u"dbus-daemon"_s,
                   {u"--config-file="_s + configPath, u"--print-address"_s, u"--nofork"_s});
    if (!m_daemon.waitForStarted(TestSupport::kPatienceMs)) {
        m_error = u"dbus-daemon did not start: "_s + m_daemon.errorString();
        return;
    }
    // The address is the first line the daemon prints once it listens.
    QByteArray line;
    const QDeadlineTimer deadline(TestSupport::kPatienceMs);
    while (!line.contains('\n') && !deadline.hasExpired()) {
        if (!m_daemon.waitForReadyRead(100) && m_daemon.state() != QProcess::Running)
            break;
        line += m_daemon.readAllStandardOutput();
    }
    m_address = QString::fromUtf8(line).trimmed();
    if (m_address.isEmpty())
        m_error = u"dbus-daemon printed no address: "_s +
                  QString::fromLocal8Bit(m_daemon.readAllStandardError());
}

PrivateSessionBus::~PrivateSessionBus()
{
    for (const QString &name : std::as_const(m_connectionNames))
        QDBusConnection::disconnectFromBus(name);
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(TestSupport::kPatienceMs)) {
            m_daemon.kill();
            m_daemon.waitForFinished(TestSupport::kPatienceMs);
        }
    }
}

QDBusConnection PrivateSessionBus::connect()
{
    const QString name = u"kestrum-test-bus-%1"_s.arg(++s_connectionCounter);
    m_connectionNames.append(name);
    return QDBusConnection::connectToBus(m_address, name);
}

QDBusMessage PrivateSessionBus::call(const QDBusConnection &connection, const QDBusMessage &message,
                                     int timeoutMs)
{
    QDBusPendingCallWatcher watcher(connection.asyncCall(message, timeoutMs));
    if (!watcher.isFinished()) {
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(timeoutMs + 1000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!watcher.isFinished())
        return message.createErrorReply(u"org.kestrum.Test.Timeout"_s, u"no reply"_s);
    return watcher.reply();
}

QVariantMap PrivateSessionBus::allProperties(const QDBusConnection &connection,
                                             const QString &service, const QString &path,
                                             const QString &interface)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        service, path, u"org.freedesktop.DBus.Properties"_s, u"GetAll"_s);
    message << interface;
    const QDBusMessage reply = call(connection, message);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return qdbus_cast<QVariantMap>(reply.arguments().constFirst());
}
