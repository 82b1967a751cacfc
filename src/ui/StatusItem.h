// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

class QMenu;

// Kestrum's face in the panel: a short title, an icon that shows the direction of the
// quote in the title, and the quick-actions menu. Implemented over QSystemTrayIcon and,
// where the panel can show text, over the StatusNotifierItem protocol.
class StatusItem : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~StatusItem() override = default;

    // The title is shown as text where the panel supports it, and as the tooltip.
    virtual void setTitle(const QString &title) = 0;
    virtual QString title() const = 0;
    virtual void setIcon(const QIcon &icon) = 0;
    // The quick-actions menu; owned by the caller, its items changing state in place.
    virtual void setMenu(QMenu *menu) = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    // Where the item sits on screen, when the panel tells; an empty rect otherwise.
    virtual QRect geometry() const = 0;
    // A short name for logs and the README's troubleshooting ("tray", "sni").
    virtual QString kind() const = 0;
    // Whether a panel shows the item now: the user can click it. False while hidden, with
    // no tray or watcher to sit in, or when the panel refused it.
    virtual bool isInPanel() const = 0;
    // True while the panel has yet to answer whether it takes the item.
    virtual bool isAwaitingPanel() const { return false; }

Q_SIGNALS:
    // Primary click: toggle the popover. `at` is the click point in global coordinates,
    // or a null point when the panel gave none.
    void activated(const QPoint &at);
    // Secondary click (or Control-click): the quick-actions menu.
    void contextMenuRequested(const QPoint &at);
    // isInPanel() changed, or the panel answered (isAwaitingPanel() is false again).
    void panelPresenceChanged(bool inPanel);
};
