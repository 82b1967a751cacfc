// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/StatusItem.h"
#include "ui/StatusNotifierTypes.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QPointer>

class DBusMenuExporter;
class QDBusServiceWatcher;
class StatusNotifierItemAdaptor;

// The status item as a StatusNotifierItem: the panel (KDE Plasma, GNOME with the
// AppIndicator extension, MATE, Xfce, the Ayatana indicators ...) draws the icon, the
// title as a text label where it supports the Ayatana label extension, and the exported
// quick-actions menu. The item registers with the StatusNotifierWatcher when shown and
// again whenever the watcher restarts.
class StatusNotifierItem final : public StatusItem
{
    Q_OBJECT
public:
    explicit StatusNotifierItem(QDBusConnection bus = QDBusConnection::sessionBus(),
                                QObject *parent = nullptr);
    ~StatusNotifierItem() override;

    void setTitle(const QString &title) override;
    QString title() const override { return m_title; }
    void setIcon(const QIcon &icon) override;
    void setMenu(QMenu *menu) override;
    void show() override;
    void hide() override;
    // The protocol never tells where the item is.
    QRect geometry() const override { return {}; }
    QString kind() const override;
    // Registered with the watcher, which has not left the bus since.
    bool isInPanel() const override { return m_registered; }
    bool isAwaitingPanel() const override { return m_awaiting; }

    // The bus name this item owns while shown: org.kde.StatusNotifierItem-<pid>-<n>.
    QString serviceName() const { return m_serviceName; }
    bool isVisible() const { return m_visible; }
    // False when the object paths were already taken on this connection.
    bool isExported() const { return m_exported; }

    static QString watcherService();
    static QString objectPath();
    static QString itemId();

Q_SIGNALS:
    // The watcher answered a registration (true) or refused / was absent (false).
    void registrationFinished(bool registered);

private:
    friend class StatusNotifierItemAdaptor;

    void registerWithWatcher();
    void registrationAnswered(const QDBusPendingCall &call);
    void setRegistered(bool registered);
    void scheduleChangeSignals();
    void sendChangeSignals();
    // Routed on a later turn so the panel's call is answered before any listener runs.
    void deliverPrimary(const QPoint &at);
    void deliverSecondary(const QPoint &at);

    QDBusConnection m_bus;
    QString m_serviceName;
    StatusNotifierItemAdaptor *m_adaptor = nullptr;
    DBusMenuExporter *m_menuExporter = nullptr;
    QDBusServiceWatcher *m_watcherWatcher = nullptr;
    QPointer<QMenu> m_menu;
    QString m_title;
    QIcon m_icon;
    SniPixmapList m_pixmaps;
    bool m_visible = false;
    bool m_exported = false;
    bool m_registered = false;
    bool m_awaiting = false;
    // A refusal is logged once, not at every watcher restart.
    bool m_refusalLogged = false;
    // What the panel was last told, so a signal goes out only for a real change.
    QString m_announcedTitle;
    bool m_iconChanged = false;
    bool m_changeSignalsScheduled = false;
};
