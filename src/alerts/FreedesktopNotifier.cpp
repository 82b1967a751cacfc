// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/FreedesktopNotifier.h"

#include "model/Logging.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QPointer>
#include <QVariantMap>

using namespace Qt::StringLiterals;

namespace {

const QString kPath = u"/org/freedesktop/Notifications"_s;
const QString kInterface = u"org.freedesktop.Notifications"_s;
// The desktop's own "new message" sound, so alerts sound like every other chat or mail.
const QString kSoundName = u"message-new-instant"_s;
// The key of the action a daemon invokes when the notification body is clicked.
const QString kDefaultAction = u"default"_s;
constexpr uchar kUrgencyNormal = 1;

} // namespace

const QString &FreedesktopNotifier::serviceName()
{
    static const QString name = u"org.freedesktop.Notifications"_s;
    return name;
}

const QString &FreedesktopNotifier::applicationName()
{
    static const QString name = u"Kestrum"_s;
    return name;
}

const QString &FreedesktopNotifier::iconName()
{
    static const QString name = u"com.orvell.kestrum"_s;
    return name;
}

FreedesktopNotifier::FreedesktopNotifier(QDBusConnection bus, QObject *parent)
    : Notifier(parent)
    , m_bus(std::move(bus))
{
    if (!m_bus.isConnected())
        return;
    m_bus.connect(serviceName(), kPath, kInterface, u"NotificationClosed"_s, this,
                  SLOT(onNotificationClosed(uint, uint)));
    m_bus.connect(serviceName(), kPath, kInterface, u"ActionInvoked"_s, this,
                  SLOT(onActionInvoked(uint, QString)));
    m_ownerWatcher = new QDBusServiceWatcher(serviceName(), m_bus,
                                             QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_ownerWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &oldOwner, const QString &) {
                // Only a daemon that leaves or is replaced takes its ids along; a late
                // notice of the current daemon's arrival must not wipe what it handed out.
                if (!oldOwner.isEmpty())
                    forgetDaemon();
            });
}

FreedesktopNotifier::~FreedesktopNotifier()
{
    if (!m_bus.isConnected())
        return;
    m_bus.disconnect(serviceName(), kPath, kInterface, u"NotificationClosed"_s, this,
                     SLOT(onNotificationClosed(uint, uint)));
    m_bus.disconnect(serviceName(), kPath, kInterface, u"ActionInvoked"_s, this,
                     SLOT(onActionInvoked(uint, QString)));
}

std::optional<uint> FreedesktopNotifier::serverIdForIdentifier(const QString &identifier) const
{
    const auto it = m_serverIds.constFind(identifier);
    if (it == m_serverIds.constEnd())
        return std::nullopt;
    return *it;
}

void FreedesktopNotifier::post(const QString &identifier, const QString &title, const QString &body)
{
    const Content content{title, body};
    if (m_capabilities) {
        send(identifier, content);
        return;
    }
    // Whether the body is markup decides how it must be escaped, so the first posts wait
    // for the daemon's capabilities (bounded by the call timeout).
    m_waitingPosts.append({identifier, content});
    fetchCapabilities([this](bool) { flushWaitingPosts(); });
}

void FreedesktopNotifier::requestPermission(const QObject *context, PermissionCallback callback)
{
    // Asked afresh every time: a daemon may have started since the last answer.
    m_capabilities.reset();
    QPointer<const QObject> guard(context);
    const bool guarded = context != nullptr;
    fetchCapabilities([guard, guarded, callback = std::move(callback)](bool answered) {
        if ((!guarded || guard) && callback)
            callback(answered);
    });
}

void FreedesktopNotifier::fetchCapabilities(std::function<void(bool)> done)
{
    m_capabilityWaiters.append(std::move(done));
    if (m_capabilitiesPending)
        return;
    m_capabilitiesPending = true;

    const QDBusMessage message =
        QDBusMessage::createMethodCall(serviceName(), kPath, kInterface, u"GetCapabilities"_s);
    const quint64 generation = m_generation;
    whenFinished(
        m_bus.asyncCall(message, m_timeoutMs), [this, generation](const QDBusPendingCall &call) {
            const QDBusPendingReply<QStringList> reply = call;
            const bool answered = reply.isValid();
            if (answered && generation == m_generation)
                m_capabilities = reply.value();
            if (!answered && m_serviceLog.failed(serviceName()))
                qCWarning(lcAlerts).noquote() << "no notification service answered on"
                                              << serviceName() << "-" << reply.error().message();
            else if (answered && m_serviceLog.recovered(serviceName()))
                qCInfo(lcAlerts).noquote() << serviceName() << "answers again";
            m_capabilitiesPending = false;
            const auto waiters = std::exchange(m_capabilityWaiters, {});
            for (const auto &waiter : waiters)
                waiter(answered);
        });
}

void FreedesktopNotifier::whenFinished(const QDBusPendingCall &call,
                                       std::function<void(const QDBusPendingCall &)> handler)
{
    // A call on a disconnected bus is finished (failed) before it starts, and a watcher
    // never reports such a call; its answer still goes out on a later turn, never inside
    // the caller.
    if (call.isFinished()) {
        QMetaObject::invokeMethod(
            this, [call, handler = std::move(handler)] { handler(call); }, Qt::QueuedConnection);
        return;
    }
    auto *watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [handler = std::move(handler)](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                handler(*finished);
            });
}

void FreedesktopNotifier::flushWaitingPosts()
{
    // Without an answer the posts still go out: the bus may start the daemon on demand.
    const auto waiting = std::exchange(m_waitingPosts, {});
    for (const auto &[identifier, content] : waiting)
        send(identifier, content);
}

void FreedesktopNotifier::send(const QString &identifier, const Content &content)
{
    if (m_inFlight.contains(identifier)) {
        // The daemon's id for the earlier post is not known yet; sending now would stack a
        // second notification instead of replacing the first.
        m_queued.insert(identifier, content);
        return;
    }

    const QStringList capabilities = m_capabilities.value_or(QStringList());
    // A daemon that renders markup would read "<" or "&" in a stock name as markup.
    const QString body =
        capabilities.contains(u"body-markup"_s) ? content.body.toHtmlEscaped() : content.body;
    QStringList actions;
    // Daemons without action support may turn any action into a dialog box, so the click
    // action is only offered to those that advertise it.
    if (capabilities.contains(u"actions"_s))
        actions << kDefaultAction << QString();

    QVariantMap hints;
    hints.insert(u"desktop-entry"_s, iconName());
    hints.insert(u"sound-name"_s, kSoundName);
    hints.insert(u"urgency"_s, QVariant::fromValue(kUrgencyNormal));

    const uint replacesId = m_serverIds.value(identifier, 0);
    QDBusMessage message =
        QDBusMessage::createMethodCall(serviceName(), kPath, kInterface, u"Notify"_s);
    message << applicationName() << replacesId << iconName() << content.title << body << actions
            << hints << qint32(-1);

    m_inFlight.insert(identifier);
    const quint64 generation = m_generation;
    whenFinished(m_bus.asyncCall(message, m_timeoutMs),
                 [this, identifier, generation](const QDBusPendingCall &call) {
                     if (generation != m_generation)
                         return; // answered by a daemon that is gone; forgetDaemon resent the rest
                     m_inFlight.remove(identifier);
                     const QDBusPendingReply<uint> reply = call;
                     if (reply.isValid() && reply.value() != 0)
                         remember(identifier, reply.value());
                     if (m_queued.contains(identifier))
                         send(identifier, m_queued.take(identifier));
                 });
}

void FreedesktopNotifier::remember(const QString &identifier, uint id)
{
    const uint previous = m_serverIds.value(identifier, 0);
    if (previous != 0 && previous != id)
        m_identifiers.remove(previous);
    // A daemon may hand out an id again after a close we never heard of.
    const QString holder = m_identifiers.value(id);
    if (!holder.isEmpty() && holder != identifier)
        m_serverIds.remove(holder);
    m_serverIds.insert(identifier, id);
    m_identifiers.insert(id, identifier);
}

void FreedesktopNotifier::onNotificationClosed(uint id, uint reason)
{
    Q_UNUSED(reason);
    const auto it = m_identifiers.constFind(id);
    if (it == m_identifiers.constEnd())
        return;
    const QString identifier = *it;
    m_identifiers.erase(it);
    if (m_serverIds.value(identifier) == id)
        m_serverIds.remove(identifier);
    Q_EMIT closed(identifier);
}

void FreedesktopNotifier::onActionInvoked(uint id, const QString &actionKey)
{
    const QString identifier = m_identifiers.value(id);
    if (!identifier.isEmpty() && actionKey == kDefaultAction)
        Q_EMIT activated(identifier);
}

void FreedesktopNotifier::forgetDaemon()
{
    ++m_generation;
    m_capabilities.reset();
    m_serverIds.clear();
    m_identifiers.clear();
    m_inFlight.clear();
    // Content waiting for an old daemon's id goes to the new daemon as a fresh post.
    const auto queued = std::exchange(m_queued, {});
    for (auto it = queued.cbegin(); it != queued.cend(); ++it)
        post(it.key(), it->title, it->body);
}
