// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The holder is alive when the process exists and still runs the program that took the
// lock (a recycled process id belongs to someone else).
bool holderIsAlive(qint64 pid, const QString &appName)
{
    if (pid <= 0)
        return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)
        return false;
    QFile comm(u"/proc/%1/comm"_s.arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return true; // cannot tell: assume it is ours
    const QString running = QString::fromUtf8(comm.readAll()).trimmed();
    // The kernel keeps only the first 15 bytes of a process name.
    return appName.isEmpty() || appName.startsWith(running) || running.startsWith(appName.left(15));
}

} // namespace

SingleInstance::SingleInstance(const QString &directory)
{
    QString dir = directory;
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QDir().mkpath(dir);
    m_path = dir + u"/com.orvell.kestrum.lock"_s;
    m_lock = std::make_unique<QLockFile>(m_path);
    // Age never makes a lock stale: only a holder that is gone does.
    m_lock->setStaleLockTime(0);
}

bool SingleInstance::acquire()
{
    if (m_held)
        return true;
    if (m_lock->tryLock(0)) {
        m_held = true;
        return true;
    }
    if (m_lock->error() != QLockFile::LockFailedError)
        return false;
    qint64 pid = 0;
    QString host, app;
    const bool readable = m_lock->getLockInfo(&pid, &host, &app);
    m_holderPid = readable ? pid : 0;
    // A lock whose content cannot be read (empty, cut short, garbage) names no holder: it is
    // stale. Removal still fails while a live holder keeps its file lock on it, so neither
    // case can take the lock from a running instance.
    const bool stale = !readable || ((host.isEmpty() || host == QSysInfo::machineHostName()) &&
                                     !holderIsAlive(pid, app));
    if (stale && m_lock->removeStaleLockFile())
        m_held = m_lock->tryLock(0);
    return m_held;
}
