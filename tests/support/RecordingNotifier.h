// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alerts/Notifier.h"

#include <QList>
#include <QStringList>

// A Notifier that shows nothing and remembers every post, for tests of the alert logic.
class RecordingNotifier final : public Notifier
{
    Q_OBJECT
public:
    struct Post
    {
        QString identifier;
        QString title;
        QString body;
    };

    using Notifier::Notifier;

    void post(const QString &identifier, const QString &title, const QString &body) override;
    // Answers `granted` on the next turn of the event loop, as the real service would.
    void requestPermission(const QObject *context, PermissionCallback callback) override;
    // Every post so far as "title|body|identifier".
    QStringList shown() const;

    QList<Post> posts;
    bool granted = true;
    int permissionRequests = 0;
};
