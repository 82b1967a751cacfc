// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/JsonFile.h"

#include "model/LogOnce.h"
#include "model/Logging.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStorageInfo>

#include <unistd.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace JsonFile {

std::optional<QJsonDocument> read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || document.isNull())
        return std::nullopt;
    return document;
}

namespace {

bool writeThroughSaveFile(const QString &path, const QByteArray &bytes,
                          std::optional<QFileDevice::Permissions> permissions)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    // Unbuffered, so a short write (disk full, file size limit) is seen here: a buffered
    // QSaveFile can commit a truncated file when its final flush falls short.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (permissions && !file.setPermissions(*permissions)) {
        file.cancelWriting();
        return false;
    }
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0) {
            file.cancelWriting();
            return false;
        }
        written += n;
    }
    return file.commit();
}

// Files that failed to save, so a save repeated at every refresh is reported once.
LogOnce &failingFiles()
{
    static LogOnce files;
    return files;
}

// Why each failing file's latest write failed.
QHash<QString, WriteFailure> &failures()
{
    static QHash<QString, WriteFailure> reasons;
    return reasons;
}

// Unreadable files that could not be kept aside, so one met at every save is reported once.
LogOnce &unreadableFiles()
{
    static LogOnce files;
    return files;
}

} // namespace

bool writeAtomically(const QString &path, const QByteArray &bytes,
                     std::optional<QFileDevice::Permissions> permissions)
{
    return noteWriteOutcome(path, writeThroughSaveFile(path, bytes, permissions), bytes.size());
}

bool noteWriteOutcome(const QString &path, bool saved, qint64 size)
{
    if (saved)
        failures().remove(path);
    else
        failures().insert(path, diagnoseFailure(path, size));
    if (!saved && failingFiles().failed(path))
        qCWarning(lcFiles).noquote() << "cannot save" << path << "- the previous file stays";
    else if (saved && failingFiles().recovered(path))
        qCInfo(lcFiles).noquote() << "saved" << path << "again";
    return saved;
}

WriteFailure diagnoseFailure(const QString &path, qint64 size)
{
    const QFileInfo target(path);
    if (target.isDir())
        return WriteFailure::FolderInTheWay;
    const QString directory = target.absolutePath();
    if (!QFileInfo(directory).isDir() ||
        ::access(QFile::encodeName(directory).constData(), W_OK | X_OK) != 0)
        return WriteFailure::DirectoryNotWritable;
    const QStorageInfo storage(directory);
    if (storage.isValid() && storage.isReadOnly())
        return WriteFailure::ReadOnlyDisk;
    if (storage.isValid() && storage.bytesAvailable() < size + 4096)
        return WriteFailure::DiskFull;
    return WriteFailure::Incomplete;
}

std::optional<WriteFailure> lastFailure(const QString &path)
{
    const auto found = failures().constFind(path);
    if (found == failures().constEnd())
        return std::nullopt;
    return *found;
}

WriteFailure whyNotSaved(const QString &path)
{
    return lastFailure(path).value_or(diagnoseFailure(path));
}

QString notSavedText(const QString &what, const QString &path)
{
    return what + u"未能保存："_s + toText(whyNotSaved(path));
}

bool writePretty(const QString &path, const QJsonDocument &document,
                 std::optional<QFileDevice::Permissions> permissions)
{
    return writeAtomically(path, document.toJson(QJsonDocument::Indented), permissions);
}

namespace {

// The bytes of a file that exists but is not what `accepts` wants; none when it is missing,
// blank or fine. `opened` is false for a file that cannot be read at all.
std::optional<QByteArray> unreadableBytes(const QString &path, const Accepts &accepts, QFile &file,
                                          bool *opened)
{
    *opened = true;
    if (!QFileInfo::exists(path))
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) {
        *opened = false;
        return QByteArray();
    }
    QByteArray bytes = file.readAll();
    if (bytes.trimmed().isEmpty())
        return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error == QJsonParseError::NoError && !document.isNull() && accepts(document))
        return std::nullopt;
    return bytes;
}

} // namespace

bool isUnreadable(const QString &path, const Accepts &accepts)
{
    QFile file(path);
    bool opened = true;
    return unreadableBytes(path, accepts, file, &opened).has_value();
}

KeptAside keepAsideIfUnreadable(const QString &path, const Accepts &accepts,
                                std::optional<QFileDevice::Permissions> permissions)
{
    QFile file(path);
    bool opened = true;
    const std::optional<QByteArray> bytes = unreadableBytes(path, accepts, file, &opened);
    if (!bytes) {
        unreadableFiles().recovered(path);
        return {};
    }
    const KeptAside kept{
        true, opened ? keepBytesAside(path, *bytes, permissions ? permissions : file.permissions())
                     : QString()};
    // A file left as it is is met again at every save: said once until it is fine again.
    if (kept.copyPath.isEmpty() && unreadableFiles().failed(path))
        qCWarning(lcFiles).noquote()
            << "cannot read" << path << "nor keep a copy of it - it is left as it is";
    return kept;
}

QString keepBytesAside(const QString &path, const QByteArray &bytes,
                       std::optional<QFileDevice::Permissions> permissions)
{
    // Named by the wall-clock time the copy was made, which is what its reader goes by.
    const QString stamp =
        path + u".unreadable-"_s + QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s);
    QString target = stamp;
    for (int n = 2; QFileInfo::exists(target); ++n) {
        if (n > 99)
            return QString();
        target = stamp + u'-' + QString::number(n);
    }
    if (!writeAtomically(target, bytes, permissions))
        return QString();
    qCWarning(lcFiles).noquote() << "kept what could not be read in" << path << "as" << target;
    return target;
}

int removeLeftoverTemporaryFiles(const QString &directory, const QStringList &fileNames)
{
    int removed = 0;
    const QDir dir(directory);
    for (const QString &name : fileNames) {
        // QSaveFile's own pattern: the name, a dot and six letters or digits.
        const QStringList candidates =
            dir.entryList({name + u".??????"_s}, QDir::Files | QDir::Hidden | QDir::System);
        for (const QString &candidate : candidates) {
            const QStringView suffix = QStringView(candidate).sliced(name.size() + 1);
            const bool temporary = std::all_of(suffix.begin(), suffix.end(), [](QChar c) {
                return c.isLetterOrNumber() && c.unicode() < 128;
            });
            if (temporary && QFile::remove(dir.filePath(candidate)))
                ++removed;
        }
    }
    return removed;
}

} // namespace JsonFile
