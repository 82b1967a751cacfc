// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

namespace TestSupport {

// The whole file, or nothing when it cannot be read.
inline QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Replaces the file with exactly these bytes, making its directory first.
inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The file's inode, 0 when it is missing. A file replaced atomically gets a new one: this
// tells a rewrite (or an in-place edit) apart whatever the file system's time resolution.
inline quint64 inodeOf(const QString &path)
{
    struct stat info
    {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? quint64(info.st_ino) : 0;
}

inline QJsonObject readJsonObject(const QString &path)
{
    return QJsonDocument::fromJson(readBytes(path)).object();
}

} // namespace TestSupport
