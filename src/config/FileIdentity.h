// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Enough to tell that a file is no longer the one last read or written: a rewrite in place
// changes its size or modification time (to the nanosecond), an atomic replacement its inode.
struct FileIdentity
{
    bool exists = false;
    qint64 size = 0;
    qint64 mtimeNs = 0;
    quint64 inode = 0;
    quint64 device = 0;

    bool operator==(const FileIdentity &) const = default;

    static FileIdentity of(const QString &path);
};
