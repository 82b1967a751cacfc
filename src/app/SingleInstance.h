// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// One Kestrum per user: a lock file in the runtime directory. A lock left by a crashed run
// is recovered, and so is one whose content cannot be read; a lock held by a live instance
// is never taken, however old it is.
class SingleInstance
{
public:
    // Default directory: the XDG runtime directory.
    explicit SingleInstance(const QString &directory = QString());

    // True when this process now holds the lock (or already did).
    bool acquire();
    QString lockFilePath() const { return m_path; }
    // The process named in a lock that could not be taken (0 when it names none).
    qint64 holderPid() const { return m_holderPid; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    bool m_held = false;
    qint64 m_holderPid = 0;
};
