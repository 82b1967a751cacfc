// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/EnumText.h"

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

// Why a write failed, as a user can mend it.
enum class WriteFailure
{
    FolderInTheWay,
    DirectoryNotWritable,
    ReadOnlyDisk,
    DiskFull,
    Incomplete, // cut short: a file size limit, a device error
};

// Looked at after the fact: the name, its directory and the disk holding them.
WriteFailure diagnoseFailure(const QString &path, qint64 size = 0);
// Why the latest write of `path` failed; none when it succeeded or none was tried. A
// failure is logged once, until a write succeeds again.
std::optional<WriteFailure> lastFailure(const QString &path);
// For writes made in place (an append, a tail rewrite): remembers and logs the outcome as
// writeAtomically does its own.
bool noteWriteOutcome(const QString &path, bool saved, qint64 size);
// The latest write's failure, else what the file system looks like now.
WriteFailure whyNotSaved(const QString &path);
// "<what>未能保存：<why>" for a write of `path` that failed.
QString notSavedText(const QString &what, const QString &path);

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

template<>
struct EnumTexts<JsonFile::WriteFailure>
{
    static constexpr std::array<const char16_t *, 5> texts{u"同名文件夹占用了文件位置",
                                                           u"数据目录不可写", u"磁盘为只读",
                                                           u"磁盘空间不足", u"写入未能完成"};
};
