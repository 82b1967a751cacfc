// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>

// The desktop notification service as the alert logic sees it: post by identifier, ask
// whether anything will be shown. Tests substitute a recording double.
class Notifier : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Notifier() override = default;

    // Shows a notification at once. Posting again under the same identifier replaces the
    // earlier notification instead of stacking a second one. Failures are silent.
    virtual void post(const QString &identifier, const QString &title, const QString &body) = 0;

    using PermissionCallback = std::function<void(bool granted)>;
    // Asks whether notifications can be shown. The answer always arrives later on the main
    // thread, never inside this call, within a bounded time, and never after a non-null
    // `context` is gone.
    virtual void requestPermission(const QObject *context, PermissionCallback callback) = 0;

Q_SIGNALS:
    // The user clicked the notification posted under this identifier.
    void activated(const QString &identifier);
    // The notification is gone: expired, dismissed or closed by the desktop.
    void closed(const QString &identifier);
};
