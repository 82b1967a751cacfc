// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/FileIdentity.h"

#include <QFile>

#include <sys/stat.h>

FileIdentity FileIdentity::of(const QString &path)
{
    FileIdentity id;
    struct stat info
    {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return id;
    id.exists = true;
    id.size = info.st_size;
    id.mtimeNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    id.inode = info.st_ino;
    id.device = info.st_dev;
    return id;
}
