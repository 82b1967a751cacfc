// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DBusMenuExporter.h"

#include <QAction>
#include <QActionEvent>
#include <QActionGroup>
#include <QDBusAbstractAdaptor>
#include <QDBusContext>
#include <QDBusError>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// A menu that contains itself must not recurse for ever.
constexpr int kMaxNesting = 16;

QVariantMap restrictTo(const QVariantMap &properties, const QStringList &names)
{
    if (names.isEmpty())
        return properties;
    QVariantMap restricted;
    for (const QString &name : names) {
        const auto it = properties.constFind(name);
        if (it != properties.constEnd())
            restricted.insert(name, *it);
    }
    return restricted;
}

} // namespace

// The com.canonical.dbusmenu interface, forwarding to the exporter.
class DBusMenuAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    explicit DBusMenuAdaptor(DBusMenuExporter *exporter)
        : QDBusAbstractAdaptor(exporter)
        , m_exporter(exporter)
    {}

    uint version() const { return 3; }
    QString textDirection() const
    {
        return QGuiApplication::layoutDirection() == Qt::RightToLeft ? u"rtl"_s : u"ltr"_s;
    }
    QString status() const { return u"normal"_s; }
    QStringList iconThemePath() const { return {}; }

public Q_SLOTS:
    uint GetLayout(int parentId, int recursionDepth, const QStringList &propertyNames,
                   DBusMenuLayoutItem &layout)
    {
        const auto found = m_exporter->layout(parentId, recursionDepth, propertyNames);
        if (!found) {
            unknownId(parentId);
            return 0;
        }
        layout = *found;
        return m_exporter->revision();
    }

    DBusMenuItemList GetGroupProperties(const QList<int> &ids, const QStringList &propertyNames)
    {
        QList<int> wanted = ids;
        if (wanted.isEmpty()) {
            wanted.append(0);
            wanted.append(m_exporter->m_actions.keys());
        }
        DBusMenuItemList items;
        for (const int id : std::as_const(wanted)) {
            if (!m_exporter->isKnownId(id))
                continue;
            const QVariantMap properties = m_exporter->propertiesForId(id);
            m_exporter->m_sentProperties.insert(id, properties);
            items.append({id, restrictTo(properties, propertyNames)});
        }
        return items;
    }

    QDBusVariant GetProperty(int id, const QString &name)
    {
        if (!m_exporter->isKnownId(id)) {
            unknownId(id);
            return QDBusVariant(QVariant(0));
        }
        const QVariantMap properties = m_exporter->propertiesForId(id);
        const auto it = properties.constFind(name);
        if (it == properties.constEnd()) {
            m_exporter->sendErrorReply(QDBusError::InvalidArgs,
                                       u"No property %1 on item %2"_s.arg(name).arg(id));
            return QDBusVariant(QVariant(0));
        }
        return QDBusVariant(*it);
    }

    void Event(int id, const QString &eventId, const QDBusVariant &data, uint timestamp)
    {
        Q_UNUSED(data);
        Q_UNUSED(timestamp);
        m_exporter->handleEvent(id, eventId);
    }

    QList<int> EventGroup(const DBusMenuEventList &events)
    {
        QList<int> idErrors;
        for (const DBusMenuEvent &event : events) {
            if (!m_exporter->handleEvent(event.id, event.eventId))
                idErrors.append(event.id);
        }
        return idErrors;
    }

    bool AboutToShow(int id) { return m_exporter->prepareToShow(id); }

    QList<int> AboutToShowGroup(const QList<int> &ids, QList<int> &idErrors)
    {
        QList<int> updatesNeeded;
        for (const int id : ids) {
            if (!m_exporter->isKnownId(id))
                idErrors.append(id);
            else if (m_exporter->prepareToShow(id))
                updatesNeeded.append(id);
        }
        return updatesNeeded;
    }

Q_SIGNALS:
    void ItemsPropertiesUpdated(const DBusMenuItemList &updatedProps,
                                const DBusMenuItemKeysList &removedProps);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    void unknownId(int id)
    {
        m_exporter->sendErrorReply(QDBusError::InvalidArgs, u"Unknown menu item id %1"_s.arg(id));
    }

    DBusMenuExporter *m_exporter;
};

DBusMenuExporter::DBusMenuExporter(QDBusConnection bus, const QString &objectPath, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_path(objectPath)
{
    registerDBusMenuTypes();
    m_adaptor = new DBusMenuAdaptor(this);
    m_exported =
        m_bus.isConnected() && m_bus.registerObject(m_path, this, QDBusConnection::ExportAdaptors);
}

DBusMenuExporter::~DBusMenuExporter()
{
    unwatchAll();
    if (m_exported)
        m_bus.unregisterObject(m_path);
}

QString DBusMenuExporter::defaultObjectPath()
{
    return u"/MenuBar"_s;
}

void DBusMenuExporter::setMenu(QMenu *menu)
{
    if (menu == m_menu)
        return;
    unwatchAll();
    m_menu = menu;
    watch(menu);
    markLayoutChanged(0);
}

QMenu *DBusMenuExporter::menu() const
{
    return m_menu;
}

std::optional<DBusMenuLayoutItem> DBusMenuExporter::layout(int parentId, int depth,
                                                           const QStringList &propertyNames)
{
    if (!isKnownId(parentId))
        return std::nullopt;
    return layoutOf(parentId, depth, propertyNames, 0);
}

DBusMenuLayoutItem DBusMenuExporter::layoutOf(int id, int depth, const QStringList &names,
                                              int nesting)
{
    const QVariantMap properties = propertiesForId(id);
    m_sentProperties.insert(id, properties);
    DBusMenuLayoutItem item{id, restrictTo(properties, names), {}};

    QMenu *submenu = submenuForId(id);
    if (id != 0)
        m_submenus.insert(id, submenu);
    if (!submenu)
        return item;
    watch(submenu);
    if (depth == 0 || nesting >= kMaxNesting)
        return item;
    const QList<QAction *> actions = submenu->actions();
    for (QAction *action : actions)
        item.children.append(
            layoutOf(idForAction(action), depth < 0 ? -1 : depth - 1, names, nesting + 1));
    return item;
}

int DBusMenuExporter::idForAction(QAction *action)
{
    if (!action)
        return -1;
    const auto it = m_ids.constFind(action);
    if (it != m_ids.constEnd())
        return *it;
    const int id = m_nextId++;
    m_ids.insert(action, id);
    m_actions.insert(id, action);
    connect(action, &QObject::destroyed, this, [this, action, id] {
        m_ids.remove(action);
        m_actions.remove(id);
        m_submenus.remove(id);
        m_sentProperties.remove(id);
        m_dirtyItems.remove(id);
    });
    return id;
}

QAction *DBusMenuExporter::actionForId(int id) const
{
    return m_actions.value(id);
}

bool DBusMenuExporter::isKnownId(int id) const
{
    return id == 0 || actionForId(id) != nullptr;
}

QMenu *DBusMenuExporter::submenuForId(int id) const
{
    if (id == 0)
        return m_menu;
    const QAction *action = actionForId(id);
    return action ? action->menu() : nullptr;
}

QVariantMap DBusMenuExporter::propertiesForId(int id) const
{
    if (id == 0)
        return {{u"children-display"_s, u"submenu"_s}};
    const QAction *action = actionForId(id);
    return action ? propertiesForAction(action) : QVariantMap();
}

QString DBusMenuExporter::labelForText(const QString &text)
{
    const QString visible = text.section(u'\t', 0, 0);
    QString label;
    label.reserve(visible.size());
    for (qsizetype i = 0; i < visible.size(); ++i) {
        const QChar c = visible.at(i);
        if (c == u'&') {
            // "&&" is a literal ampersand; a single "&" only marks the access key.
            if (i + 1 < visible.size() && visible.at(i + 1) == u'&') {
                label += u'&';
                ++i;
            }
            continue;
        }
        if (c == u'_')
            label += u"__"_s;
        else
            label += c;
    }
    return label;
}

QVariantMap DBusMenuExporter::propertiesForAction(const QAction *action)
{
    QVariantMap properties;
    if (!action->isVisible())
        properties.insert(u"visible"_s, false);
    if (action->isSeparator()) {
        properties.insert(u"type"_s, u"separator"_s);
        return properties;
    }
    properties.insert(u"label"_s, labelForText(action->text()));
    // Qt reports a hidden action as disabled too; the panel only needs to hide it.
    if (!action->isEnabled() && action->isVisible())
        properties.insert(u"enabled"_s, false);
    if (action->isCheckable()) {
        const QActionGroup *group = action->actionGroup();
        properties.insert(u"toggle-type"_s,
                          group && group->isExclusive() ? u"radio"_s : u"checkmark"_s);
        properties.insert(u"toggle-state"_s, action->isChecked() ? 1 : 0);
    }
    if (action->menu())
        properties.insert(u"children-display"_s, u"submenu"_s);
    const QString iconName = action->icon().name();
    if (!iconName.isEmpty())
        properties.insert(u"icon-name"_s, iconName);
    return properties;
}

void DBusMenuExporter::watch(QMenu *menu)
{
    if (!menu || m_watched.contains(menu))
        return;
    m_watched.insert(menu);
    menu->installEventFilter(this);
    connect(menu, &QObject::destroyed, this, [this, menu] {
        m_watched.remove(menu);
        markLayoutChanged(0);
    });
}

void DBusMenuExporter::unwatchAll()
{
    for (QMenu *menu : std::as_const(m_watched)) {
        menu->removeEventFilter(this);
        disconnect(menu, &QObject::destroyed, this, nullptr);
    }
    m_watched.clear();
}

bool DBusMenuExporter::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::ActionAdded && type != QEvent::ActionRemoved &&
        type != QEvent::ActionChanged)
        return QObject::eventFilter(watched, event);

    auto *menu = static_cast<QMenu *>(watched);
    QAction *action = static_cast<QActionEvent *>(event)->action();
    const int parentId = menu == m_menu ? 0 : m_ids.value(menu->menuAction(), 0);

    if (type == QEvent::ActionChanged) {
        const auto it = m_ids.constFind(action);
        if (it != m_ids.constEnd()) {
            const int id = *it;
            QMenu *submenu = action->menu();
            if (m_submenus.contains(id) && m_submenus.value(id) != submenu) {
                watch(submenu);
                markLayoutChanged(id);
            }
            markItemChanged(id);
        }
    } else {
        if (type == QEvent::ActionAdded)
            watch(action->menu());
        markLayoutChanged(parentId);
    }
    return QObject::eventFilter(watched, event);
}

void DBusMenuExporter::markLayoutChanged(int parentId)
{
    m_layoutDirty = true;
    m_dirtyParents.insert(parentId);
    scheduleFlush();
}

void DBusMenuExporter::markItemChanged(int id)
{
    m_dirtyItems.insert(id);
    scheduleFlush();
}

void DBusMenuExporter::scheduleFlush()
{
    // A menu rebuilt in place sends one event per action; the panel hears of it once.
    if (m_flushScheduled)
        return;
    m_flushScheduled = true;
    QTimer::singleShot(0, this, &DBusMenuExporter::flush);
}

void DBusMenuExporter::flush()
{
    m_flushScheduled = false;
    if (m_layoutDirty) {
        ++m_revision;
        const int parent = m_dirtyParents.size() == 1 ? *m_dirtyParents.cbegin() : 0;
        m_layoutDirty = false;
        m_dirtyParents.clear();
        Q_EMIT m_adaptor->LayoutUpdated(m_revision, isKnownId(parent) ? parent : 0);
    }

    DBusMenuItemList updated;
    DBusMenuItemKeysList removed;
    const auto dirty = std::exchange(m_dirtyItems, {});
    for (const int id : dirty) {
        // Items the panel never received are sent whole when it asks for them.
        const auto sent = m_sentProperties.constFind(id);
        if (sent == m_sentProperties.constEnd() || !isKnownId(id))
            continue;
        const QVariantMap now = propertiesForId(id);
        QVariantMap changed;
        for (auto it = now.cbegin(); it != now.cend(); ++it) {
            if (sent->value(it.key()) != it.value())
                changed.insert(it.key(), it.value());
        }
        QStringList gone;
        for (auto it = sent->cbegin(); it != sent->cend(); ++it) {
            if (!now.contains(it.key()))
                gone.append(it.key());
        }
        if (!changed.isEmpty())
            updated.append({id, changed});
        if (!gone.isEmpty())
            removed.append({id, gone});
        m_sentProperties.insert(id, now);
    }
    if (!updated.isEmpty() || !removed.isEmpty())
        Q_EMIT m_adaptor->ItemsPropertiesUpdated(updated, removed);
}

bool DBusMenuExporter::handleEvent(int id, const QString &eventId)
{
    if (!isKnownId(id))
        return false;
    if (eventId != u"clicked"_s)
        return true; // "opened", "closed", "hovered": nothing to do
    QAction *action = actionForId(id);
    if (!action || action->isSeparator() || action->menu() || !action->isEnabled() ||
        !action->isVisible())
        return true;
    // Triggered on a later turn: the action may open a modal box, and the panel is
    // waiting for this call's reply meanwhile.
    QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
    return true;
}

bool DBusMenuExporter::prepareToShow(int id)
{
    QMenu *menu = submenuForId(id);
    if (!menu)
        return false;
    Q_EMIT menu->aboutToShow();
    return m_layoutDirty || !m_dirtyItems.isEmpty();
}

#include "DBusMenuExporter.moc"
