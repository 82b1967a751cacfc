// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingNotifier.h"

#include <QPointer>
#include <QTimer>

void RecordingNotifier::post(const QString &identifier, const QString &title, const QString &body)
{
    posts.append({identifier, title, body});
}

QStringList RecordingNotifier::shown() const
{
    QStringList out;
    for (const Post &p : posts)
        out << p.title + u'|' + p.body + u'|' + p.identifier;
    return out;
}

void RecordingNotifier::requestPermission(const QObject *context, PermissionCallback callback)
{
    ++permissionRequests;
    QPointer<const QObject> guard(context);
    const bool guarded = context != nullptr;
    QTimer::singleShot(0, this, [guard, guarded, answer = granted, callback = std::move(callback)] {
        if ((!guarded || guard) && callback)
            callback(answer);
    });
}
