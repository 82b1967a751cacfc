// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/FileIdentity.h"
#include "config/JsonFile.h"

#include <QJsonDocument>
#include <QString>

#include <optional>

// A JSON file that is held in memory and rewritten whole from it. It remembers the file as
// last read or written here, so a rewrite can tell that the file changed on disk since
// (the user edited it, or another Kestrum process wrote it) and read it again first, and an
// unreadable file is kept aside before it is replaced.
class TrackedJsonFile
{
public:
    TrackedJsonFile(const QString &path, JsonFile::Accepts accepts);

    QString path() const { return m_path; }

    // The document when the file holds what it should; none when it is missing or cannot be
    // read. An unreadable file is kept aside at once (reported in `keptAside`), so the write
    // that follows replaces it without a second copy.
    std::optional<QJsonDocument> load(JsonFile::KeptAside *keptAside = nullptr);

    // The file is not the one last loaded, read or written here.
    bool hasChangedOnDisk() const;
    // The changed file's document when it holds what it should; it is then the known file.
    // Otherwise none, and the file stays unknown: the next write keeps it aside first.
    std::optional<QJsonDocument> readChanged();

    // Pretty-printed, atomically. A file changed since and now unreadable is kept aside
    // first; when that fails nothing is written. False when nothing was written.
    bool write(const QJsonDocument &document, JsonFile::KeptAside *keptAside = nullptr);

private:
    std::optional<QJsonDocument> readAccepted() const;

    QString m_path;
    JsonFile::Accepts m_accepts;
    std::optional<FileIdentity> m_known;
};
