// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/StatusItem.h"

#include <QDBusConnection>
#include <QPointer>

#include <memory>

class QDBusServiceWatcher;

// The status item that follows the panel as it comes and goes: the StatusNotifierItem while
// a StatusNotifierWatcher is on the session bus, the classic tray icon when none is and an
// XEmbed tray exists, nothing otherwise. A panel that starts after Kestrum (or restarts)
// gets the item; one that leaves hands over to the tray. Only one item exists at a time, so
// the panel never shows two icons.
class PanelStatusItem final : public StatusItem
{
    Q_OBJECT
public:
    // `forced` ("sni" or "tray", KESTRUM_STATUS_ITEM) pins one kind for the whole run.
    explicit PanelStatusItem(QDBusConnection bus,
                             const QString &forced = qEnvironmentVariable("KESTRUM_STATUS_ITEM"),
                             QObject *parent = nullptr);
    ~PanelStatusItem() override;

    void setTitle(const QString &title) override;
    QString title() const override { return m_title; }
    void setIcon(const QIcon &icon) override;
    void setMenu(QMenu *menu) override;
    void show() override;
    void hide() override;
    QRect geometry() const override;
    // The current item's kind; "none" while there is none.
    QString kind() const override;
    bool isInPanel() const override;
    bool isAwaitingPanel() const override;

    // The item in use now, if any.
    StatusItem *current() const { return m_current.get(); }

private:
    void watcherAppeared();
    void watcherLeft();
    void use(std::unique_ptr<StatusItem> item, const QString &why);
    void announcePresenceIfChanged();

    QDBusConnection m_bus;
    bool m_pinned = false;
    QDBusServiceWatcher *m_watcher = nullptr;
    std::unique_ptr<StatusItem> m_current;
    QString m_title;
    QIcon m_icon;
    QPointer<QMenu> m_menu;
    bool m_shown = false;
    bool m_inPanel = false;
};
