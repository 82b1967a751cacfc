// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/JsonLinesFile.h"

#include "config/JsonFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtEndian>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

bool isValidJsonValue(const QJsonValue &value);

bool isValidJsonArray(const QJsonArray &array)
{
    return std::all_of(array.begin(), array.end(),
                       [](const QJsonValue &v) { return isValidJsonValue(v); });
}

bool isValidJsonValue(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Double:
        return std::isfinite(value.toDouble());
    case QJsonValue::Object:
        return JsonLinesFile::isValidJsonObject(value.toObject());
    case QJsonValue::Array:
        return isValidJsonArray(value.toArray());
    case QJsonValue::Undefined:
        return false;
    default:
        return true;
    }
}

// Writes all of `bytes` at the file's current position.
bool writeAll(QFile &file, const QByteArray &bytes)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

// Writes `bytes` at `offset`; with `cut`, the file (at least `offset` long) ends after them.
// Unbuffered, so every write reaches the file (or fails) here and a short write is seen. Cut
// first, so a kill half way leaves a line cut short at the end, never one run into another.
bool writeAt(const QString &path, qint64 offset, const QByteArray &bytes, bool cut)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite | QIODevice::Unbuffered) &&
           (!cut || (file.size() >= offset && file.resize(offset))) && file.seek(offset) &&
           writeAll(file, bytes);
}

// The journal starts with a fixed-width header line, "kestrum-tail <offset> <length>
// <checksum of the tail>", and holds the new tail after it; the tail is written before the
// header. Finishing overwrites "tail" with "done". The file is reused, never cut or removed
// (emptying a file just written costs milliseconds on some file systems, and this happens
// at nearly every refresh), so bytes after the tail are old ones, and the checksum tells a
// tail whose writing was cut short from a whole one.
constexpr char kOpenMark[] = "kestrum-tail";
constexpr char kDoneMark[] = "kestrum-done";
constexpr qsizetype kMarkSize = sizeof(kOpenMark) - 1;
constexpr qsizetype kChecksumSize = 40;
constexpr qsizetype kHeaderSize = kMarkSize + 1 + 20 + 1 + 20 + 1 + kChecksumSize + 1;

// The checksum field holds a 64-bit hash after 24 zeros. A tail of some MiB is replaced at
// nearly every refresh, and this runs at memory speed where SHA-1 took most of the time;
// a journal with a SHA-1 (an older Kestrum's) is still read.
QByteArray tailChecksum(QByteArrayView tail)
{
    quint64 h = 0x9E3779B97F4A7C15ULL ^ quint64(tail.size());
    const auto mix = [&h](quint64 word) {
        h = (h ^ word) * 0xBF58476D1CE4E5B9ULL;
        h ^= h >> 31;
    };
    qsizetype i = 0;
    for (; i + 8 <= tail.size(); i += 8)
        mix(qFromLittleEndian<quint64>(tail.data() + i));
    quint64 last = 0;
    for (qsizetype k = i; k < tail.size(); ++k)
        last |= quint64(quint8(tail.at(k))) << (8 * (k - i));
    mix(last);
    return QByteArray(24, '0') + QByteArray::number(h, 16).rightJustified(16, '0');
}

bool checksumMatches(const QByteArray &tail, const QByteArray &checksum)
{
    return checksum.startsWith(QByteArray(24, '0'))
               ? tailChecksum(tail) == checksum
               : QCryptographicHash::hash(tail, QCryptographicHash::Sha1).toHex() == checksum;
}

QByteArray journalHeader(qint64 offset, const QByteArray &tail)
{
    return QByteArray(kOpenMark) + ' ' + QByteArray::number(offset).rightJustified(20, '0') + ' ' +
           QByteArray::number(tail.size()).rightJustified(20, '0') + ' ' + tailChecksum(tail) +
           '\n';
}

struct Journal
{
    qint64 offset = -1;
    QByteArray tail;
};

// The pending tail; none when the journal is missing, finished, or was cut short while
// being written (then the file was not touched yet, and there is nothing to finish).
std::optional<Journal> readJournal(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray header = file.read(kHeaderSize);
    if (header.size() != kHeaderSize || !header.startsWith(kOpenMark) || !header.endsWith('\n'))
        return std::nullopt;
    const QList<QByteArray> fields = header.trimmed().split(' ');
    bool offsetOk = false;
    bool lengthOk = false;
    const qint64 offset = fields.value(1).toLongLong(&offsetOk);
    const qint64 length = fields.value(2).toLongLong(&lengthOk);
    if (fields.size() != 4 || !offsetOk || !lengthOk || offset < 0 || length < 0)
        return std::nullopt;
    QByteArray tail = file.read(length);
    if (tail.size() != length || !checksumMatches(tail, fields.at(3)))
        return std::nullopt;
    return Journal{offset, std::move(tail)};
}

void markJournalDone(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        file.write(kDoneMark, kMarkSize);
}

QByteArray compactLine(const QJsonObject &record)
{
    return QJsonDocument(record).toJson(QJsonDocument::Compact);
}

// Scanning compact JSON text (no whitespace between tokens): each returns the index just past
// what starts at `at`, or -1 when the text is not what is expected there.
qsizetype pastString(QByteArrayView text, qsizetype at)
{
    if (at >= text.size() || text.at(at) != '"')
        return -1;
    for (qsizetype i = at + 1; i < text.size(); ++i) {
        if (text.at(i) == '\\')
            ++i;
        else if (text.at(i) == '"')
            return i + 1;
    }
    return -1;
}

qsizetype pastValue(QByteArrayView text, qsizetype at)
{
    if (at >= text.size())
        return -1;
    if (text.at(at) == '"')
        return pastString(text, at);
    if (text.at(at) != '{' && text.at(at) != '[') {
        qsizetype i = at;
        while (i < text.size() && text.at(i) != ',' && text.at(i) != '}' && text.at(i) != ']')
            ++i;
        return i > at ? i : -1;
    }
    int depth = 0;
    for (qsizetype i = at; i < text.size();) {
        const char c = text.at(i);
        if (c == '"') {
            i = pastString(text, i);
            if (i < 0)
                return -1;
            continue;
        }
        if (c == '{' || c == '[')
            ++depth;
        else if ((c == '}' || c == ']') && --depth == 0)
            return i + 1;
        ++i;
    }
    return -1;
}

// Where the value of the top-level member `quotedKey` ("name" with its quotes) lies in a
// compact JSON object's text.
std::optional<std::pair<qsizetype, qsizetype>> memberValue(QByteArrayView text,
                                                           QByteArrayView quotedKey)
{
    if (text.isEmpty() || text.front() != '{')
        return std::nullopt;
    qsizetype i = 1;
    while (i < text.size() && text.at(i) != '}') {
        const qsizetype keyEnd = pastString(text, i);
        if (keyEnd < 0 || keyEnd >= text.size() || text.at(keyEnd) != ':')
            return std::nullopt;
        const qsizetype valueEnd = pastValue(text, keyEnd + 1);
        if (valueEnd < 0)
            return std::nullopt;
        if (text.sliced(i, keyEnd - i) == quotedKey)
            return std::pair{keyEnd + 1, valueEnd};
        i = valueEnd;
        if (i < text.size() && text.at(i) == ',')
            ++i;
    }
    return std::nullopt;
}

// Calls `line` for every line of `bytes` (the last one may lack its line feed) with its
// offset in `bytes`.
template<typename F>
void forEachLine(QByteArrayView bytes, F line)
{
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        line(start, bytes.sliced(start, end - start));
        start = end + 1;
    }
}

} // namespace

JsonLinesFile::JsonLinesFile(QString path, Rotation rotation, Describe describe)
    : m_path(std::move(path))
    , m_rotation(std::move(rotation))
    , m_describe(std::move(describe))
{}

QString JsonLinesFile::journalPath() const
{
    return m_path + u".tail"_s;
}

bool JsonLinesFile::isValidJsonObject(const QJsonObject &object)
{
    return std::all_of(object.begin(), object.end(),
                       [](const QJsonValue &v) { return isValidJsonValue(v); });
}

// --- Reading ---

QList<QJsonObject> JsonLinesFile::records() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    if (const std::optional<Journal> journal = readJournal(journalPath());
        journal && journal->offset <= bytes.size())
        bytes = bytes.first(journal->offset) + journal->tail;
    QList<QJsonObject> records;
    forEachLine(bytes, [&records](qsizetype, QByteArrayView line) {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray(), &error);
        if (error.error == QJsonParseError::NoError && document.isObject())
            records.append(document.object());
    });
    return records;
}

// --- The index ---

JsonLinesFile::Line JsonLinesFile::lineFor(qint64 offset, QByteArrayView text,
                                           const QJsonObject &record) const
{
    // A record's own compact form, just written: nothing to parse.
    Line line;
    line.offset = offset;
    line.length = text.size();
    line.record = line.canonical = true;
    if (m_describe)
        m_describe(record, line);
    return line;
}

JsonLinesFile::Line JsonLinesFile::lineFor(qint64 offset, QByteArrayView text) const
{
    Line line;
    line.offset = offset;
    line.length = text.size();
    if (text.trimmed().isEmpty())
        return line;
    QJsonParseError error{};
    const QByteArray bytes = QByteArray::fromRawData(text.data(), text.size());
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return line;
    line.record = true;
    line.canonical = document.toJson(QJsonDocument::Compact) == bytes;
    if (m_describe)
        m_describe(document.object(), line);
    return line;
}

QVector<JsonLinesFile::Line> JsonLinesFile::indexBytes(QByteArrayView bytes, qint64 base) const
{
    QVector<Line> lines;
    forEachLine(bytes,
                [&](qsizetype at, QByteArrayView text) { lines.append(lineFor(base + at, text)); });
    return lines;
}

void JsonLinesFile::setLines(QVector<Line> lines)
{
    ++m_generation;
    m_lines.clear();
    m_flagged.clear();
    m_firstIrregular = -1;
    addLines(lines);
}

void JsonLinesFile::addLines(const QVector<Line> &lines)
{
    for (const Line &line : lines) {
        if (line.flags != 0)
            m_flagged.append(m_lines.size());
        if (m_firstIrregular < 0 && !(line.record && line.canonical))
            m_firstIrregular = m_lines.size();
        m_lines.append(line);
    }
}

void JsonLinesFile::clearFlags(qsizetype index, int flags)
{
    if (index < 0 || index >= m_lines.size())
        return;
    Line &line = m_lines[index];
    const bool wasFlagged = line.flags != 0;
    line.flags &= ~flags;
    if (wasFlagged && line.flags == 0) {
        const auto at = std::lower_bound(m_flagged.begin(), m_flagged.end(), index);
        if (at != m_flagged.end() && *at == index)
            m_flagged.erase(at);
    }
}

QList<std::pair<qsizetype, QByteArray>> JsonLinesFile::memberOfRecords(const QString &member) const
{
    QList<std::pair<qsizetype, QByteArray>> members;
    QFile file(m_path);
    if (m_lines.isEmpty() || !file.open(QIODevice::ReadOnly) || !file.seek(m_lines.first().offset))
        return members;
    const qint64 from = m_lines.first().offset;
    const QByteArray bytes = file.readAll();
    const QByteArray quoted = '"' + member.toUtf8() + '"';
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line &line = m_lines.at(i);
        if (!line.record || line.offset - from + line.length > bytes.size())
            continue;
        const QByteArrayView text(bytes.constData() + (line.offset - from), line.length);
        if (const auto span = line.canonical ? memberValue(text, quoted) : std::nullopt) {
            members.append({i, text.sliced(span->first, span->second - span->first).toByteArray()});
            continue;
        }
        const QJsonValue value = QJsonDocument::fromJson(text.toByteArray()).object().value(member);
        if (!value.isUndefined())
            members.append({i, QJsonDocument(QJsonObject{{member, value}})
                                   .toJson(QJsonDocument::Compact)
                                   .sliced(quoted.size() + 2)
                                   .chopped(1)});
    }
    return members;
}

QList<QJsonObject> JsonLinesFile::membersAt(const QVector<qsizetype> &indices,
                                            const QStringList &members) const
{
    QList<QJsonObject> records;
    QFile file(m_path);
    const bool open = file.open(QIODevice::ReadOnly);
    for (const qsizetype index : indices) {
        QJsonObject picked;
        const Line *line = index >= 0 && index < m_lines.size() ? &m_lines.at(index) : nullptr;
        const QByteArray text =
            open && line && file.seek(line->offset) ? file.read(line->length) : QByteArray();
        if (line && line->canonical) {
            for (const QString &member : members) {
                const QByteArray quoted = '"' + member.toUtf8() + '"';
                const auto span = memberValue(text, quoted);
                if (!span)
                    continue;
                // Wrapped, so that a number or a string parses as well.
                const QJsonDocument value = QJsonDocument::fromJson(
                    '[' + text.mid(span->first, span->second - span->first) + ']');
                if (value.isArray())
                    picked.insert(member, value.array().first());
            }
        } else if (line) {
            const QJsonObject record = QJsonDocument::fromJson(text).object();
            for (const QString &member : members) {
                if (record.contains(member))
                    picked.insert(member, record.value(member));
            }
        }
        records.append(picked);
    }
    return records;
}

void JsonLinesFile::forget()
{
    m_indexed.reset();
    m_olderEnd = m_olderRead = 0;
    m_older.clear();
}

void JsonLinesFile::load(std::optional<qint64> since)
{
    forget();
    finishInterruptedTailRewrite();
    // Identity first: a change while reading shows up as a mismatch at the next sync.
    const FileIdentity current = identity();
    m_indexed = current;
    QFile file(m_path);
    if (!current.exists || !file.open(QIODevice::ReadOnly)) {
        setLines({});
        return;
    }
    if (!since) {
        setLines(indexBytes(file.readAll(), 0));
        return;
    }
    // Back from the end, a chunk at a time, until a record older than `since`: it and
    // everything before it are left for loadOlderLines.
    constexpr qint64 kChunk = 256 * 1024;
    QVector<Line> newest; // newest first
    QByteArray unsplit;   // bytes [unsplitAt, lineEnd) not yet split into lines
    qint64 unsplitAt = current.size;
    qint64 lineEnd = current.size; // where the line being looked for ends
    if (lineEnd > 0 && file.seek(lineEnd - 1) && file.read(1) == "\n")
        lineEnd -= 1; // the last line feed ends the last line; no empty line after it
    qint64 olderEnd = 0;
    while (current.size > 0) {
        const qint64 searchable = lineEnd - unsplitAt;
        const qsizetype lineFeed =
            searchable > 0 ? QByteArrayView(unsplit).first(searchable).lastIndexOf('\n') : -1;
        if (lineFeed < 0 && unsplitAt > 0) {
            const qint64 from = std::max<qint64>(0, unsplitAt - kChunk);
            QByteArray chunk;
            if (file.seek(from))
                chunk = file.read(unsplitAt - from);
            if (chunk.size() != unsplitAt - from) {
                forget();
                return;
            }
            unsplit = chunk + unsplit.first(std::max<qint64>(0, searchable));
            unsplitAt = from;
            continue;
        }
        const qint64 start = unsplitAt + lineFeed + 1;
        const Line line =
            lineFor(start, QByteArrayView(unsplit).sliced(start - unsplitAt, lineEnd - start));
        if (line.record && line.stamp != 0 && line.stamp < *since && lineEnd < current.size) {
            olderEnd = lineEnd + 1;
            break;
        }
        newest.append(line);
        if (start == 0)
            break;
        lineEnd = start - 1;
    }
    std::reverse(newest.begin(), newest.end());
    setLines(std::move(newest));
    m_olderEnd = olderEnd;
}

bool JsonLinesFile::loadOlderLines(qint64 budget)
{
    sync();
    if (m_olderEnd == 0)
        return false;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(m_olderRead)) {
        forget(); // read whole at the next sync
        return false;
    }
    // Whole lines only: the slice ends after its last line feed (the older part ends with one).
    QByteArray slice = file.read(std::min(budget, m_olderEnd - m_olderRead));
    qsizetype end = slice.lastIndexOf('\n') + 1;
    while (end == 0 && m_olderRead + slice.size() < m_olderEnd) {
        const QByteArray more =
            file.read(std::min(budget, m_olderEnd - m_olderRead - slice.size()));
        if (more.isEmpty())
            break;
        slice += more;
        end = slice.lastIndexOf('\n') + 1;
    }
    if (end == 0) {
        forget();
        return false;
    }
    m_older += indexBytes(QByteArrayView(slice).first(end), m_olderRead);
    m_olderRead += end;
    if (m_olderRead < m_olderEnd)
        return true;
    QVector<Line> whole = std::move(m_older);
    whole += m_lines;
    m_olderEnd = m_olderRead = 0;
    m_older.clear();
    setLines(std::move(whole));
    return false;
}

void JsonLinesFile::sync()
{
    finishInterruptedTailRewrite();
    if (!m_indexed || *m_indexed != identity())
        load();
}

// --- Writing ---

QByteArray JsonLinesFile::serialise(const QList<QJsonObject> &records, QVector<Line> &lines) const
{
    QByteArray bytes;
    for (const QJsonObject &record : records) {
        if (!isValidJsonObject(record))
            continue;
        const QByteArray compact = compactLine(record);
        lines.append(lineFor(bytes.size(), compact, record));
        bytes += compact + '\n';
    }
    return bytes;
}

bool JsonLinesFile::append(const QList<QJsonObject> &records)
{
    QVector<Line> lines;
    QByteArray bytes = serialise(records, lines);
    if (bytes.isEmpty())
        return false;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (!finishInterruptedTailRewrite() || !repairLastLine()) {
        forget();
        return false;
    }
    sync();
    rotateIfNeeded();

    if (!QFile::exists(m_path)) {
        if (!JsonFile::writeAtomically(m_path, bytes)) {
            forget();
            return false;
        }
        setLines(lines);
        m_indexed = identity();
        return true;
    }

    QFile file(m_path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        JsonFile::noteWriteOutcome(m_path, false, bytes.size());
        forget();
        return false;
    }
    const qint64 size = file.size();
    // A last line that could not be told apart (see repairLastLine) must not swallow these.
    char last = '\n';
    if (size > 0 && (!file.seek(size - 1) || !file.getChar(&last))) {
        forget();
        return false;
    }
    const qint64 base = size + (last != '\n' ? 1 : 0);
    if (last != '\n')
        bytes.prepend('\n');
    if (!file.seek(size) || !writeAll(file, bytes)) {
        // Take back the part that did get in, so the file keeps only whole lines.
        file.resize(size);
        JsonFile::noteWriteOutcome(m_path, false, bytes.size());
        forget();
        return false;
    }
    file.close();
    JsonFile::noteWriteOutcome(m_path, true, bytes.size());
    // The index described the file before these lines (synchronised above).
    for (Line &line : lines)
        line.offset += base;
    addLines(lines);
    m_indexed = identity();
    return true;
}

bool JsonLinesFile::rewrite(const QList<QJsonObject> &records)
{
    // The whole file is replaced: a pending tail of the one before no longer applies.
    if (QFileInfo::exists(journalPath()))
        markJournalDone(journalPath());
    QVector<Line> lines;
    const QByteArray bytes = serialise(records, lines);
    forget();
    if (!JsonFile::writeAtomically(m_path, bytes))
        return false;
    setLines(std::move(lines));
    m_indexed = identity();
    return true;
}

bool JsonLinesFile::rotateIfNeeded()
{
    const FileIdentity current = identity();
    if (m_rotation.bytes <= 0 || !current.exists || current.size <= m_rotation.bytes ||
        !m_rotation.archivePath)
        return false;
    // QFile::rename never replaces an existing archive: the file then stays where it is.
    if (!QFile::rename(m_path, m_rotation.archivePath()))
        return false;
    forget();
    setLines({});
    m_indexed = identity();
    return true;
}

std::optional<JsonLinesFile::Tail>
JsonLinesFile::prepareTail(qsizetype first, const std::function<bool(const Line &)> &changes,
                           const QString &member, const EditMember &edit)
{
    const QByteArray quotedMember = '"' + member.toUtf8() + '"';
    if (first < 0 || first >= m_lines.size())
        return std::nullopt;
    const FileIdentity before = identity();
    const qint64 from = m_lines.at(first).offset;
    QFile file(m_path);
    if (!before.exists || !file.open(QIODevice::ReadOnly) || !file.seek(from))
        return std::nullopt;
    // Into buffers kept from pass to pass: a tail of some MiB read and written at nearly
    // every refresh would otherwise cost fresh pages (and their faults) each time.
    const qint64 size = before.size - from;
    m_readBuffer.resize(size);
    if (file.read(m_readBuffer.data(), size) != size || !m_indexed || *m_indexed != before)
        return std::nullopt; // changed since indexed: the next sync sees it afresh

    Tail tail;
    tail.first = first;
    tail.offset = from;
    m_tailBuffer.resize(0);
    m_tailBuffer.reserve(size + size / 2 + 4096); // edited lines grow
    for (qsizetype i = first; i < m_lines.size(); ++i) {
        const Line &line = m_lines.at(i);
        const QByteArrayView text(m_readBuffer.constData() + (line.offset - from), line.length);
        // Blank lines and lines that are not JSON objects are dropped; what the latter held
        // is kept aside.
        if (!line.record) {
            if (!text.trimmed().isEmpty())
                tail.unreadable += text.toByteArray() + '\n';
            continue;
        }
        // Lines left as they are are copied, not parsed and written again; in a line that
        // changes, only the member is when the line is in its compact form.
        if (changes(line)) {
            Line edited = line;
            edited.offset = from + m_tailBuffer.size();
            // The member's [begin, end) in the line; only a compact line is edited in place.
            std::pair<qsizetype, qsizetype> span{0, 0};
            QJsonDocument value;
            if (const auto found =
                    line.canonical ? memberValue(text, quotedMember) : std::nullopt) {
                span = *found;
                value = QJsonDocument::fromJson(
                    text.sliced(span.first, span.second - span.first).toByteArray());
            }
            if (value.isObject()) {
                const QJsonObject changed = edit(edited, value.object());
                if (!isValidJsonObject(changed))
                    continue;
                const qsizetype before = m_tailBuffer.size();
                m_tailBuffer.append(text.first(span.first));
                m_tailBuffer += compactLine(changed);
                m_tailBuffer.append(text.sliced(span.second));
                edited.length = m_tailBuffer.size() - before;
                tail.lines.append(edited);
            } else {
                QJsonObject record = QJsonDocument::fromJson(text.toByteArray()).object();
                const QJsonValue old = record.value(member);
                record.insert(member,
                              edit(edited, old.isObject() ? old.toObject() : QJsonObject()));
                if (!isValidJsonObject(record))
                    continue;
                const QByteArray compact = compactLine(record);
                tail.lines.append(lineFor(edited.offset, compact, record));
                m_tailBuffer += compact;
            }
        } else {
            Line kept = line;
            kept.offset = from + m_tailBuffer.size();
            tail.lines.append(kept);
            m_tailBuffer.append(text.data(), text.size());
        }
        m_tailBuffer += '\n';
    }
    tail.bytes = m_tailBuffer;
    return tail;
}

bool JsonLinesFile::replaceTail(Tail tail)
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (!tail.unreadable.isEmpty() && JsonFile::keepBytesAside(m_path, tail.unreadable).isEmpty())
        return false; // nothing is dropped that could not be kept
    const bool written =
        tail.offset == 0 ? JsonFile::writeAtomically(m_path, tail.bytes)
                         : JsonFile::noteWriteOutcome(m_path, writeTail(tail.offset, tail.bytes),
                                                      tail.bytes.size());
    if (!written) {
        forget(); // whatever is on disk now is read afresh
        return false;
    }
    m_lines.resize(tail.first);
    while (!m_flagged.isEmpty() && m_flagged.last() >= tail.first)
        m_flagged.removeLast();
    if (m_firstIrregular >= tail.first)
        m_firstIrregular = -1;
    addLines(tail.lines);
    m_indexed = identity();
    return true;
}

bool JsonLinesFile::finishInterruptedTailRewrite()
{
    const QString path = journalPath();
    const std::optional<Journal> journal = readJournal(path);
    if (!journal)
        return true;
    const FileIdentity current = identity();
    // A journal that does not fit this file (it was replaced or cut since) has nothing
    // left to finish either.
    if (current.exists && current.size >= journal->offset) {
        if (!writeAt(m_path, journal->offset, journal->tail, true))
            return false;
        forget();
    }
    markJournalDone(path);
    return true;
}

bool JsonLinesFile::writeTail(qint64 offset, const QByteArray &tail)
{
    // Nothing is synced to disk here, as with the appends: this guards against the
    // process dying half way, which is what leaves a file torn.
    const QString journal = journalPath();
    if (!writeAt(journal, kHeaderSize, tail, false) ||
        !writeAt(journal, 0, journalHeader(offset, tail), false)) {
        markJournalDone(journal);
        return false;
    }
    if (!writeAt(m_path, offset, tail, true))
        return false; // the journal stays: the next use finishes the job
    markJournalDone(journal);
    return true;
}

bool JsonLinesFile::repairLastLine()
{
    QFile file(m_path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return false;
    const qint64 size = file.size();
    char last = '\n';
    if (size == 0)
        return true;
    if (!file.seek(size - 1) || !file.getChar(&last))
        return false;
    if (last == '\n')
        return true;
    // Find where the last line starts; a record line is a few KiB, so a line much longer
    // than that is left alone (ended, as before, so the next one starts afresh).
    constexpr qint64 kLongestLine = 1024 * 1024;
    const qint64 from = std::max<qint64>(0, size - kLongestLine);
    if (!file.seek(from))
        return false;
    const QByteArray tail = file.read(size - from);
    if (tail.size() != size - from)
        return false;
    const qsizetype lineFeed = tail.lastIndexOf('\n');
    if (lineFeed < 0 && from > 0)
        return file.seek(size) && file.write("\n", 1) == 1;
    const qint64 start = from + lineFeed + 1;
    const QByteArray lastLine = tail.sliced(lineFeed + 1);
    QJsonParseError error{};
    const bool whole = QJsonDocument::fromJson(lastLine, &error).isObject() &&
                       error.error == QJsonParseError::NoError;
    if (whole)
        return file.seek(size) && file.write("\n", 1) == 1;
    // The line a crash cut short was never a record: without it every line parses again.
    // Bytes that do not start as every line written here does are not such a line (a hand
    // edit, damage): they are kept aside first.
    const bool cutRecord = lastLine.startsWith("{\"") || QByteArrayView("{\"").startsWith(lastLine);
    if (!cutRecord && !lastLine.trimmed().isEmpty() &&
        JsonFile::keepBytesAside(m_path, lastLine).isEmpty())
        return false;
    return file.resize(start);
}
