// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QJsonDocument>
#include <QString>
#include <QStringList>

#include <functional>
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

// Whether a parsed document is what the file should hold (an array, an object, ...).
using Accepts = std::function<bool(const QJsonDocument &)>;

// What became of a file found unreadable just before it was to be replaced.
struct KeptAside
{
    // The file exists but cannot be read as what it should hold: it cannot be opened (a
    // directory in its place), does not parse, or is of another kind. A missing or blank
    // file is not: there is nothing in it to lose.
    bool unreadable = false;
    // Where its bytes were copied ("<file>.unreadable-<time>"); empty when they could not
    // be, and then the file must stay as it is.
    QString copyPath;

    bool mayReplace() const { return !unreadable || !copyPath.isEmpty(); }
};

bool isUnreadable(const QString &path, const Accepts &accepts);

// Nothing Kestrum cannot read is ever lost: an unreadable file is copied beside itself
// before anything replaces it. The copy gets `permissions`, else those of the original.
KeptAside keepAsideIfUnreadable(const QString &path, const Accepts &accepts,
                                std::optional<QFileDevice::Permissions> permissions = std::nullopt);

// Writes bytes taken out of `path` to a new "<path>.unreadable-<time>" beside it; returns
// the copy's path, empty when it could not be written.
QString keepBytesAside(const QString &path, const QByteArray &bytes,
                       std::optional<QFileDevice::Permissions> permissions = std::nullopt);

// A process killed while writing leaves its temporary file behind ("<name>.XXXXXX" beside
// the file). Removes those of the named files in `directory`; returns how many. Only for a
// process that knows it is the directory's one writer.
int removeLeftoverTemporaryFiles(const QString &directory, const QStringList &fileNames);

} // namespace JsonFile
