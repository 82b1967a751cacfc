// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/DBusMenuTypes.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <optional>

class QAction;
class QMenu;
class DBusMenuAdaptor;

// Publishes a QMenu over com.canonical.dbusmenu, the menu protocol of StatusNotifierItem
// panels: the panel draws the menu itself and sends clicks back. The QMenu stays the one
// description of the menu; changes to it (actions added, removed, renamed, checked,
// enabled) reach the panel as coalesced LayoutUpdated / ItemsPropertiesUpdated signals.
// Item ids are stable for the life of each QAction; the root is id 0.
// QtDBus gives the calling message to the registered object, not to its adaptor, so the
// exporter carries the D-Bus context for the adaptor's error replies.
class DBusMenuExporter : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    explicit DBusMenuExporter(QDBusConnection bus, const QString &objectPath = defaultObjectPath(),
                              QObject *parent = nullptr);
    ~DBusMenuExporter() override;

    static QString defaultObjectPath();

    // The menu to publish; null publishes an empty menu. Not owned.
    void setMenu(QMenu *menu);
    QMenu *menu() const;
    QString objectPath() const { return m_path; }
    // False when the object path was already taken on the bus.
    bool isExported() const { return m_exported; }
    uint revision() const { return m_revision; }

    // The layout under `parentId`, `depth` levels deep (-1: all), restricted to the named
    // properties (empty: all); none for an unknown id.
    std::optional<DBusMenuLayoutItem> layout(int parentId, int depth = -1,
                                             const QStringList &propertyNames = {});
    // The id the panel knows `action` by (created on first use), and back.
    int idForAction(QAction *action);
    QAction *actionForId(int id) const;

    // dbusmenu labels mark access keys with "_" and hide every lone "_"; Qt's "&" marks
    // are dropped and a literal "_" is doubled so it shows. A shortcut after a tab goes.
    static QString labelForText(const QString &text);
    // An action's properties, defaults left out as the protocol asks.
    static QVariantMap propertiesForAction(const QAction *action);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class DBusMenuAdaptor;

    QVariantMap propertiesForId(int id) const;
    QMenu *submenuForId(int id) const;
    bool isKnownId(int id) const;
    DBusMenuLayoutItem layoutOf(int id, int depth, const QStringList &names, int nesting);
    void watch(QMenu *menu);
    void unwatchAll();
    void markLayoutChanged(int parentId);
    void markItemChanged(int id);
    void scheduleFlush();
    void flush();
    // What a panel event does; false for an unknown id.
    bool handleEvent(int id, const QString &eventId);
    // Runs the menu's aboutToShow so the owner can bring it up to date; true when that
    // changed anything the panel has to fetch again.
    bool prepareToShow(int id);

    QDBusConnection m_bus;
    QString m_path;
    bool m_exported = false;
    DBusMenuAdaptor *m_adaptor = nullptr;
    QPointer<QMenu> m_menu;
    uint m_revision = 1;
    int m_nextId = 1;
    QHash<QAction *, int> m_ids;
    QHash<int, QPointer<QAction>> m_actions;
    // The submenu each item had when last seen: a changed one is a layout change.
    QHash<int, QMenu *> m_submenus;
    QSet<QMenu *> m_watched;
    // The properties the panel last received per item, to send only real changes.
    QHash<int, QVariantMap> m_sentProperties;
    bool m_layoutDirty = false;
    QSet<int> m_dirtyParents;
    QSet<int> m_dirtyItems;
    bool m_flushScheduled = false;
};
