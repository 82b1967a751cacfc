// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/InstanceActivation.h"

#include "model/Logging.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

using namespace Qt::StringLiterals;

// The interface later launches call.
class InstanceActivationAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.orvell.kestrum.Activation")

public:
    explicit InstanceActivationAdaptor(InstanceActivation *owner)
        : QDBusAbstractAdaptor(owner)
        , m_owner(owner)
    {}

public Q_SLOTS:
    // Answered at once; the surface opens on a later turn of the event loop.
    void Activate()
    {
        qCDebug(lcPanel) << "a later launch asks to show Kestrum";
        QMetaObject::invokeMethod(
            m_owner, [owner = m_owner] { Q_EMIT owner->activationRequested(); },
            Qt::QueuedConnection);
    }
    void ShowWindow()
    {
        QMetaObject::invokeMethod(
            m_owner, [owner = m_owner] { Q_EMIT owner->showWindowRequested(); },
            Qt::QueuedConnection);
    }

private:
    InstanceActivation *m_owner;
};

InstanceActivation::InstanceActivation(QDBusConnection bus, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{
    new InstanceActivationAdaptor(this);
}

InstanceActivation::~InstanceActivation()
{
    if (m_exported) {
        m_bus.unregisterService(serviceName());
        m_bus.unregisterObject(objectPath());
    }
}

QString InstanceActivation::serviceName()
{
    return u"com.orvell.kestrum"_s;
}

QString InstanceActivation::objectPath()
{
    return u"/com/orvell/kestrum"_s;
}

QString InstanceActivation::interfaceName()
{
    return u"com.orvell.kestrum.Activation"_s;
}

InstanceActivation::Outcome InstanceActivation::claim(int timeoutMs)
{
    if (!m_bus.isConnected()) {
        m_error = m_bus.lastError().message();
        return Outcome::NoBus;
    }
    // The object first, so a call that arrives the moment the name is ours finds it.
    m_exported = m_bus.registerObject(objectPath(), this, QDBusConnection::ExportAdaptors);
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        m_bus.interface()->registerService(serviceName(),
                                           QDBusConnectionInterface::DontQueueService,
                                           QDBusConnectionInterface::DontAllowReplacement);
    if (m_exported && reply.isValid() &&
        reply.value() == QDBusConnectionInterface::ServiceRegistered)
        return Outcome::Primary;
    if (m_exported) {
        m_bus.unregisterObject(objectPath());
        m_exported = false;
    }
    if (!reply.isValid()) {
        m_error = reply.error().message();
        return Outcome::RunningSilent;
    }

    const QDBusMessage call =
        QDBusMessage::createMethodCall(serviceName(), objectPath(), interfaceName(), u"Activate"_s);
    // Events keep flowing meanwhile, so an owner on this very thread (tests) can answer.
    const QDBusMessage answer = m_bus.call(call, QDBus::BlockWithGui, timeoutMs);
    if (answer.type() == QDBusMessage::ReplyMessage)
        return Outcome::ShownRunning;
    m_error = answer.errorMessage();
    return Outcome::RunningSilent;
}

#include "InstanceActivation.moc"
