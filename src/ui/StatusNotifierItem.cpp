// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StatusNotifierItem.h"

#include "model/Logging.h"
#include "ui/DBusMenuExporter.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>

#include <atomic>

using namespace Qt::StringLiterals;

namespace {

const QString kWatcherPath = u"/StatusNotifierWatcher"_s;
const QString kWatcherInterface = u"org.kde.StatusNotifierWatcher"_s;
// The path panels treat as "this item has no menu".
const QString kNoMenuPath = u"/NO_DBUSMENU"_s;

std::atomic_int s_itemCounter{0};

} // namespace

// The org.kde.StatusNotifierItem interface with the Ayatana label extension.
class StatusNotifierItemAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ empty)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(SniPixmapList IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ empty)
    Q_PROPERTY(SniPixmapList OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ empty)
    Q_PROPERTY(SniPixmapList AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ empty)
    Q_PROPERTY(SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(QString XAyatanaLabel READ label)
    Q_PROPERTY(QString XAyatanaLabelGuide READ label)

public:
    explicit StatusNotifierItemAdaptor(StatusNotifierItem *item)
        : QDBusAbstractAdaptor(item)
        , m_item(item)
    {}

    QString category() const { return u"ApplicationStatus"_s; }
    QString id() const { return StatusNotifierItem::itemId(); }
    QString title() const { return u"Kestrum"_s; }
    QString status() const { return u"Active"_s; }
    int windowId() const { return 0; }
    QString empty() const { return {}; }
    QDBusObjectPath menu() const
    {
        const DBusMenuExporter *exporter = m_item->m_menuExporter;
        return QDBusObjectPath(exporter->isExported() ? exporter->objectPath() : kNoMenuPath);
    }
    bool itemIsMenu() const { return false; }
    QString iconName() const { return m_item->m_icon.name(); }
    SniPixmapList iconPixmap() const { return m_item->m_pixmaps; }
    SniPixmapList noPixmaps() const { return {}; }
    SniToolTip toolTip() const { return {QString(), {}, m_item->m_title, QString()}; }
    // The guide is the text whose width the panel reserves: the title itself.
    QString label() const { return m_item->m_title; }

public Q_SLOTS:
    void Activate(int x, int y) { m_item->deliverPrimary(QPoint(x, y)); }
    void SecondaryActivate(int x, int y) { m_item->deliverSecondary(QPoint(x, y)); }
    void ContextMenu(int x, int y) { m_item->deliverSecondary(QPoint(x, y)); }
    void Scroll(int delta, const QString &orientation)
    {
        Q_UNUSED(delta);
        Q_UNUSED(orientation);
    }
    void ProvideXdgActivationToken(const QString &token) { Q_UNUSED(token); }

Q_SIGNALS:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString &status);
    void XAyatanaNewLabel(const QString &label, const QString &guide);

private:
    StatusNotifierItem *m_item;
};

StatusNotifierItem::StatusNotifierItem(QDBusConnection bus, QObject *parent)
    : StatusItem(parent)
    , m_bus(std::move(bus))
    , m_serviceName(u"org.kde.StatusNotifierItem-%1-%2"_s.arg(QCoreApplication::applicationPid())
                        .arg(++s_itemCounter))
{
    registerStatusNotifierTypes();
    m_adaptor = new StatusNotifierItemAdaptor(this);
    m_menuExporter = new DBusMenuExporter(m_bus, DBusMenuExporter::defaultObjectPath(), this);
    m_exported = m_bus.isConnected() &&
                 m_bus.registerObject(objectPath(), this, QDBusConnection::ExportAdaptors);

    // A restarted panel forgets every item; tell its new watcher about this one.
    m_watcherWatcher = new QDBusServiceWatcher(watcherService(), m_bus,
                                               QDBusServiceWatcher::WatchForRegistration |
                                                   QDBusServiceWatcher::WatchForUnregistration,
                                               this);
    connect(m_watcherWatcher, &QDBusServiceWatcher::serviceRegistered, this,
            &StatusNotifierItem::registerWithWatcher);
    connect(m_watcherWatcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        if (m_registered)
            setRegistered(false);
    });
}

StatusNotifierItem::~StatusNotifierItem()
{
    hide();
    if (m_exported)
        m_bus.unregisterObject(objectPath());
}

QString StatusNotifierItem::watcherService()
{
    return u"org.kde.StatusNotifierWatcher"_s;
}

QString StatusNotifierItem::objectPath()
{
    return u"/StatusNotifierItem"_s;
}

QString StatusNotifierItem::itemId()
{
    return u"com.orvell.kestrum"_s;
}

QString StatusNotifierItem::kind() const
{
    return u"sni"_s;
}

void StatusNotifierItem::setTitle(const QString &title)
{
    if (title == m_title)
        return;
    m_title = title;
    scheduleChangeSignals();
}

void StatusNotifierItem::setIcon(const QIcon &icon)
{
    SniPixmapList pixmaps = sniPixmapsForIcon(icon);
    const bool same = icon.name() == m_icon.name() && pixmaps == m_pixmaps;
    m_icon = icon;
    if (same)
        return;
    m_pixmaps = std::move(pixmaps);
    m_iconChanged = true;
    scheduleChangeSignals();
}

void StatusNotifierItem::setMenu(QMenu *menu)
{
    m_menu = menu;
    m_menuExporter->setMenu(menu);
}

void StatusNotifierItem::show()
{
    if (m_visible || !m_bus.isConnected())
        return;
    m_visible = true;
    // Whatever changed while hidden is read fresh by the panel.
    m_announcedTitle = m_title;
    m_iconChanged = false;
    m_bus.registerService(m_serviceName);
    registerWithWatcher();
}

void StatusNotifierItem::hide()
{
    if (!m_visible)
        return;
    m_visible = false;
    m_awaiting = false;
    if (m_registered)
        setRegistered(false);
    // The watcher drops an item whose name leaves the bus.
    m_bus.unregisterService(m_serviceName);
}

void StatusNotifierItem::registerWithWatcher()
{
    if (!m_visible)
        return;
    QDBusMessage message = QDBusMessage::createMethodCall(
        watcherService(), kWatcherPath, kWatcherInterface, u"RegisterStatusNotifierItem"_s);
    message << m_serviceName;
    const QDBusPendingCall call = m_bus.asyncCall(message);
    m_awaiting = true;
    // A call on a lost connection is finished before it starts, and a watcher never
    // reports such a call; it is answered on a later turn all the same.
    if (call.isFinished()) {
        QMetaObject::invokeMethod(
            this, [this, call] { registrationAnswered(call); }, Qt::QueuedConnection);
        return;
    }
    auto *watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                registrationAnswered(*finished);
            });
}

void StatusNotifierItem::registrationAnswered(const QDBusPendingCall &call)
{
    m_awaiting = false;
    const bool registered = !call.isError() && m_visible;
    if (!registered && !std::exchange(m_refusalLogged, true))
        qCWarning(lcPanel).noquote()
            << "the panel's StatusNotifierWatcher did not take the item:" << call.error().message();
    if (registered)
        qCDebug(lcPanel) << "registered with the StatusNotifierWatcher";
    setRegistered(registered);
    Q_EMIT registrationFinished(!call.isError());
}

void StatusNotifierItem::setRegistered(bool registered)
{
    m_registered = registered;
    Q_EMIT panelPresenceChanged(registered);
}

void StatusNotifierItem::scheduleChangeSignals()
{
    // The title may be set several times in one turn (a refresh then a rotation step);
    // the panel hears only of the final value.
    if (m_changeSignalsScheduled)
        return;
    m_changeSignalsScheduled = true;
    QTimer::singleShot(0, this, &StatusNotifierItem::sendChangeSignals);
}

void StatusNotifierItem::sendChangeSignals()
{
    m_changeSignalsScheduled = false;
    const bool titleChanged = m_title != m_announcedTitle;
    const bool iconChanged = std::exchange(m_iconChanged, false);
    m_announcedTitle = m_title;
    if (!m_visible)
        return;
    if (iconChanged)
        Q_EMIT m_adaptor->NewIcon();
    if (titleChanged) {
        Q_EMIT m_adaptor->NewToolTip();
        Q_EMIT m_adaptor->XAyatanaNewLabel(m_title, m_title);
    }
}

void StatusNotifierItem::deliverPrimary(const QPoint &at)
{
    QMetaObject::invokeMethod(
        this,
        [this, at] {
            // Control-click asks for the menu, as on the tray icon.
            if (QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier))
                deliverSecondary(at);
            else
                Q_EMIT activated(at);
        },
        Qt::QueuedConnection);
}

void StatusNotifierItem::deliverSecondary(const QPoint &at)
{
    QMetaObject::invokeMethod(
        this,
        [this, at] {
            // Listeners close the popover first; then the menu opens where the panel was
            // clicked. Panels that draw the exported menu themselves never ask for this.
            Q_EMIT contextMenuRequested(at);
            if (m_menu)
                m_menu->popup(at.isNull() ? QCursor::pos() : at);
        },
        Qt::QueuedConnection);
}

#include "StatusNotifierItem.moc"
