// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QJsonDocument>
#include <QString>
#include <QStringList>

#include <optional>

// Whole-file JSON with atomic replacement: a reader sees the old file or the new one,
// never a half-written one, and a failed write leaves the old file in place.
namespace JsonFile {

// The parsed document, or nothing when the file is missing, unreadable or not JSON.
std::optional<QJsonDocument> read(const QString &path);

// Writes bytes to path through a temporary file in the same directory. When permissions
// are given they are applied before the file becomes visible under its name.
bool writeAtomically(const QString &path, const QByteArray &bytes,
                     std::optional<QFileDevice::Permissions> permissions = std::nullopt);

bool writePretty(const QString &path, const QJsonDocument &document,
                 std::optional<QFileDevice::Permissions> permissions = std::nullopt);

// A process killed while writing leaves its temporary file behind ("<name>.XXXXXX" beside
// the file). Removes those of the named files in `directory`; returns how many. Only for a
// process that knows it is the directory's one writer.
int removeLeftoverTemporaryFiles(const QString &directory, const QStringList &fileNames);

} // namespace JsonFile
