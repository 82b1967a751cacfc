// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/FileIdentity.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>

// An append-only file of JSON objects, one compact object per line, that a kill at any byte
// cannot damage: appends go in one write and a line a crash cut short is removed before the
// next one; lines in the middle change only by replacing the file's tail, through a journal
// beside it that the next use finishes; the file moves to an archive once it is too large.
//
// Its lines are indexed in memory (read once, again whenever the file changes under us), so
// a caller that asks which lines need work costs a stat() rather than a parse of a file that
// may be 20 MiB long. At launch only the newest lines need be read; older ones are indexed
// later, a slice at a time.
class JsonLinesFile
{
public:
    // One line as last read or written.
    struct Line
    {
        qint64 offset = 0;
        qint64 length = 0;      // without the line feed
        bool record = false;    // a JSON object
        bool canonical = false; // the bytes are the object's own compact form
        // What the owner notes about a record (see Describe): a key, a moment in ms since
        // the epoch (0: none), and flags; lines with flags are listed in flaggedLines().
        QString key;
        qint64 stamp = 0;
        int flags = 0;
    };
    using Describe = std::function<void(const QJsonObject &record, Line &line)>;

    struct Rotation
    {
        qint64 bytes = 0; // a larger file is archived before the next append
        std::function<QString()> archivePath;
    };

    // A tail replacement prepared from the file as it is now (see prepareTail).
    struct Tail
    {
        qsizetype first = 0; // index of the first line replaced
        qint64 offset = 0;   // where it starts in the file
        QByteArray bytes;
        QByteArray unreadable; // lines that are not records, kept aside before they go
        QVector<Line> lines;
    };

    JsonLinesFile(QString path, Rotation rotation, Describe describe = {});

    const QString &path() const { return m_path; }
    // Beside the file: a header line (offset, length and checksum of the new tail, or
    // "done") and the tail of the replacement in progress.
    QString journalPath() const;

    // Every line that parses as a JSON object, in file order; a tail replacement a crash
    // interrupted counts as done, as it will be at the next use.
    QList<QJsonObject> records() const;

    // --- The index ---
    // Forgets the index and reads the file: all of it, or with `since`, only back to the
    // newest record stamped before it (records are appended in time order); loadOlderLines
    // reads the rest.
    void load(std::optional<qint64> since = std::nullopt);
    // Indexes up to about `budget` bytes of the lines older than those indexed. True while
    // some remain; once all are read, lines() covers the whole file.
    bool loadOlderLines(qint64 budget);
    // Reads the whole file again when it differs from the one last indexed, and finishes a
    // tail replacement a crash interrupted.
    void sync();
    // The indexed lines: the whole file, or its newest lines while older ones are unread.
    const QVector<Line> &lines() const { return m_lines; }
    // Indices into lines() of the lines with flags, ascending.
    const QVector<qsizetype> &flaggedLines() const { return m_flagged; }
    // The first line that is not a record in its compact form; -1 when there is none.
    qsizetype firstIrregularLine() const { return m_firstIrregular; }
    // True while lines older than those indexed are still unread.
    bool hasUnreadOlderLines() const { return m_olderEnd > 0; }
    // Counts the times the index was built afresh (a load, a changed file read again, the
    // older lines joined, a rewrite); appends and tail replacements extend it instead.
    quint64 generation() const { return m_generation; }
    // Takes flags off an indexed line in memory only (the owner keeps what they stood for
    // elsewhere); a line left without flags leaves flaggedLines().
    void clearFlags(qsizetype index, int flags);
    // The compact text of one member of every indexed record, by line index; records without
    // it are left out. Only that member is parsed.
    QList<std::pair<qsizetype, QByteArray>> memberOfRecords(const QString &member) const;
    // Of the records at these indexed lines, as they are on disk, only the given members
    // (only those are parsed from a compact line); an empty object where a line no longer
    // holds a record.
    QList<QJsonObject> membersAt(const QVector<qsizetype> &indices,
                                 const QStringList &members) const;

    // --- Writing ---
    // Appends the records that JSON can carry in one write. False when nothing was written
    // (none could be, a file error, a short write: then nothing of it stays).
    bool append(const QList<QJsonObject> &records);
    // Replaces the whole file atomically; records that cannot be written are left out.
    bool rewrite(const QList<QJsonObject> &records);
    // True when the file was moved to its archive.
    bool rotateIfNeeded();
    // A tail edit changes one member of a record, an object: given the line (whose notes it
    // updates to match) and the member's value ({} when absent or not an object), it returns
    // the new value.
    using EditMember = std::function<QJsonObject(Line &line, const QJsonObject &value)>;
    // The file's lines from `first` on as they will be: records for which `changes` holds
    // with `member` replaced by `edit` (left out when JSON cannot carry the result; in a
    // compact line only that member is read and written again), the other records byte for
    // byte, lines that are not records dropped. None when the file changed while read or
    // cannot be read.
    std::optional<Tail> prepareTail(qsizetype first,
                                    const std::function<bool(const Line &)> &changes,
                                    const QString &member, const EditMember &edit);
    // Writes a prepared tail in place of the old one; what it drops is kept aside first.
    bool replaceTail(Tail tail);

    // A record JSON can carry: every number finite, all the way down.
    static bool isValidJsonObject(const QJsonObject &object);

private:
    FileIdentity identity() const { return FileIdentity::of(m_path); }
    // Completes a tail replacement that a crash interrupted. False while one is pending
    // that cannot be completed (nothing may be appended then).
    bool finishInterruptedTailRewrite();
    bool writeTail(qint64 offset, const QByteArray &tail);
    // A last line cut short by a crash is removed; a complete one without its line feed
    // gets one. False on a file error.
    bool repairLastLine();
    Line lineFor(qint64 offset, QByteArrayView text) const;
    // The entry of a record's own compact form.
    Line lineFor(qint64 offset, QByteArrayView text, const QJsonObject &record) const;
    // The lines of the records JSON can carry, and their index entries from offset 0.
    QByteArray serialise(const QList<QJsonObject> &records, QVector<Line> &lines) const;
    QVector<Line> indexBytes(QByteArrayView bytes, qint64 base) const;
    void setLines(QVector<Line> lines);
    void addLines(const QVector<Line> &lines);
    // Forgets the index: the next sync reads the file whole.
    void forget();

    QString m_path;
    Rotation m_rotation;
    Describe m_describe;

    QVector<Line> m_lines;
    QVector<qsizetype> m_flagged;
    qsizetype m_firstIrregular = -1;
    quint64 m_generation = 0;
    std::optional<FileIdentity> m_indexed; // none until the first load
    // Older lines not yet in m_lines: bytes [0, m_olderEnd), read up to m_olderRead.
    qint64 m_olderEnd = 0;
    qint64 m_olderRead = 0;
    QVector<Line> m_older;
    QByteArray m_readBuffer;
    QByteArray m_tailBuffer;
};
