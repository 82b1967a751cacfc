// SPDX-License-Identifier: GPL-3.0-or-later
#include "strategy/DecisionSampleLog.h"

#include "config/JsonFile.h"
#include "intraday/IntradayAnalytics.h"
#include "intraday/IntradayStore.h"
#include "intraday/TradingClock.h"
#include "model/Clock.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"
#include "strategy/StrategyStore.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

struct Horizon
{
    const char16_t *key;
    qint64 secs;
    int bit;
};
constexpr Horizon kHorizons[] = {
    {u"after15m", 900, 1},
    {u"after30m", 1800, 2},
    {u"after60m", 3600, 4},
};

bool isValidJsonValue(const QJsonValue &value);

bool isValidJsonArray(const QJsonArray &array)
{
    for (const QJsonValue &value : array) {
        if (!isValidJsonValue(value))
            return false;
    }
    return true;
}

bool isValidJsonValue(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Double:
        return std::isfinite(value.toDouble());
    case QJsonValue::Object:
        return DecisionSampleLog::isValidJsonObject(value.toObject());
    case QJsonValue::Array:
        return isValidJsonArray(value.toArray());
    case QJsonValue::Undefined:
        return false;
    default:
        return true;
    }
}

QJsonObject futureOf(const QJsonObject &record)
{
    const QJsonValue future = record.value(u"future"_s);
    return future.isObject() ? future.toObject() : QJsonObject();
}

} // namespace

namespace {

// Writes `bytes` at `offset`; with `cut`, the file (at least `offset` long) ends after them.
bool writeAt(const QString &path, qint64 offset, const QByteArray &bytes, bool cut)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered) ||
        (cut && (file.size() < offset || !file.resize(offset))) || !file.seek(offset))
        return false;
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

// The journal starts with a fixed-width header line, "kestrum-tail <offset> <length>
// <sha-1 of the tail>", and holds the new tail after it; the tail is written before the
// header. Finishing overwrites "tail" with "done". The file is reused, never cut or removed
// (emptying a file just written costs milliseconds on some file systems, and this happens
// at nearly every refresh), so bytes after the tail are old ones, and the checksum tells a
// tail whose writing was cut short from a whole one.
constexpr char kOpenMark[] = "kestrum-tail";
constexpr char kDoneMark[] = "kestrum-done";
constexpr qsizetype kMarkSize = sizeof(kOpenMark) - 1;
constexpr qsizetype kHeaderSize = kMarkSize + 1 + 20 + 1 + 20 + 1 + 40 + 1;

QByteArray tailChecksum(const QByteArray &tail)
{
    return QCryptographicHash::hash(tail, QCryptographicHash::Sha1).toHex();
}

QByteArray tailJournalHeader(qint64 offset, const QByteArray &tail)
{
    return QByteArray(kOpenMark) + ' ' + QByteArray::number(offset).rightJustified(20, '0') + ' ' +
           QByteArray::number(tail.size()).rightJustified(20, '0') + ' ' + tailChecksum(tail) +
           '\n';
}

struct TailJournal
{
    qint64 offset = -1;
    QByteArray tail;
};

// The pending tail; none when the journal is missing, finished, or was cut short while
// being written (then the log was not touched yet, and there is nothing to finish).
std::optional<TailJournal> readTailJournal(const QString &path)
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
    if (tail.size() != length || tailChecksum(tail) != fields.at(3))
        return std::nullopt;
    return TailJournal{offset, std::move(tail)};
}

void markTailJournalDone(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        file.write(kDoneMark, kMarkSize);
}

} // namespace

DecisionSampleLog::DecisionSampleLog(const StrategyStore &store, const IntradayStore &intraday,
                                     const DailyCache &dailyCache, const BoardTags &boardTags,
                                     DecisionReader reader)
    : m_store(store)
    , m_intraday(intraday)
    , m_dailyCache(dailyCache)
    , m_boardTags(boardTags)
    , m_reader(std::move(reader))
{}

bool DecisionSampleLog::isValidJsonObject(const QJsonObject &object)
{
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (!isValidJsonValue(it.value()))
            return false;
    }
    return true;
}

QString DecisionSampleLog::logPath() const
{
    return m_store.decisionSamplesURL();
}

// --- Recording ---

bool DecisionSampleLog::shouldRecordDecisionSampleForQuote(const Quote &quote) const
{
    if (quote.symbol.isEmpty() || !(quote.price > 0))
        return false;
    const auto last = m_lastLogged.constFind(quote.symbol);
    if (last == m_lastLogged.constEnd() ||
        last->msecsTo(m_store.clock().now()) >= kIntervalSecs * 1000)
        return true;
    const QJsonObject previous = m_reader.previousStateSnapshot
                                     ? m_reader.previousStateSnapshot(quote.symbol)
                                     : QJsonObject();
    if (previous.isEmpty())
        return false;
    const QString execution =
        m_reader.displayExecutionStatus ? m_reader.displayExecutionStatus(quote) : QString();
    const QString risk = m_reader.riskStatus ? m_reader.riskStatus(quote) : QString();
    return previous.value(u"execution"_s).toString() != execution ||
           previous.value(u"risk"_s).toString() != risk;
}

QJsonObject DecisionSampleLog::intradayFeaturePayloadForQuote(const Quote &quote) const
{
    const IntradayAnalytics analytics(m_intraday);
    double position = 0;
    if (m_reader.latestTradingPosition) {
        position = m_reader.latestTradingPosition(quote);
    } else {
        const QVector<double> &positions = m_intraday.positions(quote.symbol);
        position = positions.isEmpty() ? KSTradingPositionForIntradayTime(quote.symbol, quote.time)
                                       : positions.last();
    }
    return QJsonObject{
        {u"trend5"_s, analytics.recentPercentChangeForQuote(quote, 5)},
        {u"trend10"_s, analytics.recentPercentChangeForQuote(quote, 10)},
        {u"trend15"_s, analytics.recentPercentChangeForQuote(quote, 15)},
        {u"trend30"_s, analytics.recentPercentChangeForQuote(quote, 30)},
        {u"volumeRatio5"_s, analytics.recentVolumeRatioForQuote(quote, 5)},
        {u"volumeRatio10"_s, analytics.recentVolumeRatioForQuote(quote, 10)},
        {u"openDelta"_s, analytics.intradayPercentChangeForQuote(quote, 0)},
        {u"afternoonDelta"_s, analytics.intradayPercentChangeForQuote(
                                  quote, KSIntradayMidPositionForSymbol(quote.symbol))},
        {u"samplePosition"_s, position},
    };
}

QJsonObject DecisionSampleLog::decisionSampleRecordForQuote(const Quote &quote) const
{
    const QString symbol = quote.symbol.toLower();
    const QString recordedAt = m_store.strategyISOStringForDate();
    const auto text = [&quote](const std::function<QString(const Quote &)> &read) {
        return read ? read(quote) : QString();
    };
    const QStringList reasons =
        m_reader.mainDecisionReasons ? m_reader.mainDecisionReasons(quote) : QStringList();
    return QJsonObject{
        {u"sample_id"_s, QString(symbol + u"-"_s + QString(recordedAt).remove(u':'))},
        {u"symbol"_s, symbol},
        {u"name"_s, quote.name},
        {u"recorded_at"_s, recordedAt},
        {u"price"_s, quote.price},
        {u"change_percent"_s, quote.changePercent()},
        {u"average_line"_s, m_intraday.currentAverageLineValueForQuote(quote)},
        {u"day_high"_s, quote.high},
        {u"day_low"_s, quote.low},
        {u"state"_s, text(m_reader.mainDecisionState)},
        {u"confidence"_s, text(m_reader.decisionConfidence)},
        {u"reasons"_s, QJsonArray::fromStringList(reasons)},
        {u"next_anchor"_s, text(m_reader.nextWatchDirective)},
        {u"intraday_features"_s, intradayFeaturePayloadForQuote(quote)},
        {u"daily_features"_s, m_dailyCache.dailyFeaturesForQuote(quote)},
        {u"board_tags"_s, QJsonArray::fromStringList(m_boardTags.boardTagsForQuote(quote))},
        {u"future"_s, QJsonObject()},
    };
}

void DecisionSampleLog::recordDecisionSamplesForQuotes(const QList<Quote> &quotes)
{
    for (const Quote &quote : quotes) {
        if (!shouldRecordDecisionSampleForQuote(quote))
            continue;
        appendDecisionSampleRecord(decisionSampleRecordForQuote(quote));
        // Also after a failed append: a broken disk must not turn every refresh into a retry.
        m_lastLogged.insert(quote.symbol, m_store.clock().now());
    }
}

// --- Outcomes ---

QJsonObject DecisionSampleLog::futureResultForSample(const QJsonObject &sample,
                                                     const Quote &quote) const
{
    const double base = sample.value(u"price"_s).toDouble();
    const double price = quote.price;
    if (!(base > 0) || !(price > 0))
        return QJsonObject();
    const double since =
        sample.value(u"intraday_features"_s).toObject().value(u"samplePosition"_s).toDouble();
    double highest = price;
    double lowest = price;
    const QVector<double> &prices = m_intraday.prices(quote.symbol);
    const QVector<double> &positions = m_intraday.positions(quote.symbol);
    const qsizetype count = std::min(prices.size(), positions.size());
    for (qsizetype i = 0; i < count; ++i) {
        const double p = prices.at(i);
        if (positions.at(i) < since || !(p > 0))
            continue;
        lowest = std::min(lowest, p);
        highest = std::max(highest, p);
    }
    const auto percent = [base](double value) {
        return (value - base) / base * 100.0;
    };
    const QJsonObject result{
        {u"price"_s, price},
        {u"change_from_sample"_s, percent(price)},
        {u"max_favorable"_s, percent(highest)},
        {u"max_adverse"_s, percent(lowest)},
        {u"resolved_at"_s, m_store.strategyISOStringForDate()},
    };
    // A sample price too small to divide by yields no usable outcome, like a missing one;
    // a non-finite number would make the whole record unwritable at the next rewrite.
    return isValidJsonObject(result) ? result : QJsonObject();
}

QJsonObject DecisionSampleLog::completedRecord(const QJsonObject &record,
                                               const QHash<QString, Quote> &quotesBySymbol,
                                               bool *added) const
{
    const QJsonValue symbolValue = record.value(u"symbol"_s);
    const QString symbol = symbolValue.isString() ? symbolValue.toString().toLower() : QString();
    const auto quote = quotesBySymbol.constFind(symbol);
    const std::optional<QDateTime> recorded =
        StrategyStore::strategyDateFromISOString(record.value(u"recorded_at"_s));
    if (quote == quotesBySymbol.constEnd() || !recorded)
        return record;
    const qint64 elapsedMs = recorded->msecsTo(m_store.clock().now());
    QJsonObject future = futureOf(record);
    for (const Horizon &horizon : kHorizons) {
        const QString key = QString::fromUtf16(horizon.key);
        if (elapsedMs >= horizon.secs * 1000 && !future.contains(key)) {
            future.insert(key, futureResultForSample(record, *quote));
            *added = true;
        }
    }
    QJsonObject copy = record;
    copy.insert(u"future"_s, future);
    return copy;
}

void DecisionSampleLog::updatePendingDecisionSamplesForQuotes(const QList<Quote> &quotes)
{
    syncPendingIndex();
    QHash<QString, Quote> bySymbol;
    for (const Quote &quote : quotes) {
        if (!quote.symbol.isEmpty())
            bySymbol.insert(quote.symbol.toLower(), quote);
    }
    if (bySymbol.isEmpty() || !isAnyOutcomeDue(bySymbol))
        return;

    // Something is due: complete the file as it is now, not as it was indexed.
    const FileIdentity before = identity();
    QFile file(logPath());
    if (!before.exists || !file.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes;
    qint64 base = 0; // file offset of bytes[0]
    if (!m_indexed || *m_indexed != before) {
        bytes = file.readAll();
        indexBytes(bytes);
        m_indexed = before;
    }

    // The first line the pass changes: dropped (not a record), rewritten in compact form,
    // or given an outcome. Everything before it stays as it is on disk.
    const qint64 now = m_store.clock().nowMSecs();
    qsizetype first = 0;
    while (first < m_lines.size() && !isChangedByPass(m_lines.at(first), bySymbol, now))
        ++first;
    if (first == m_lines.size())
        return;
    const qint64 from = m_lines.at(first).offset;
    if (bytes.isEmpty() && before.size > 0) {
        if (!file.seek(from))
            return;
        bytes = file.readAll();
        base = from;
    }
    file.close();
    if (base + bytes.size() != before.size)
        return; // changed while read: the next pass sees it afresh

    QByteArray out;
    out.reserve(before.size - from + 4096);
    QByteArray unreadable;
    QVector<LineEntry> lines = m_lines.first(first);
    bool added = false;
    for (qsizetype i = first; i < m_lines.size(); ++i) {
        const LineEntry &entry = m_lines.at(i);
        const QByteArray text =
            QByteArray::fromRawData(bytes.constData() + (entry.offset - base), entry.length);
        // Blank lines and lines that are not JSON objects are dropped by a rewrite; what
        // the latter held is kept aside.
        if (!entry.record) {
            if (!text.trimmed().isEmpty())
                unreadable += text + '\n';
            continue;
        }
        LineEntry written = entry;
        written.offset = from + out.size();
        // Lines the pass leaves as they are are copied, not parsed and written again.
        if (isChangedByPass(entry, bySymbol, now)) {
            const QJsonObject record = QJsonDocument::fromJson(text).object();
            const QJsonObject copy = completedRecord(record, bySymbol, &added);
            if (!isValidJsonObject(copy))
                continue;
            const QByteArray compact = QJsonDocument(copy).toJson(QJsonDocument::Compact);
            out += compact;
            written.length = compact.size();
            written.canonical = true;
            describeRecord(copy, written);
        } else {
            out += text;
        }
        out += '\n';
        lines.append(written);
    }
    if (!added)
        return;
    m_store.ensureStrategyDirectory();
    if (!unreadable.isEmpty() && JsonFile::keepBytesAside(logPath(), unreadable).isEmpty())
        return; // nothing is dropped that could not be kept
    const bool written =
        from == 0 ? JsonFile::writeAtomically(logPath(), out) : replaceLogTail(from, out);
    if (!written) {
        m_indexed.reset(); // whatever is on disk now is read afresh
        return;
    }
    setLines(std::move(lines));
    m_indexed = identity();
}

// --- The file ---

QList<QJsonObject> DecisionSampleLog::parseRecords(const QByteArray &bytes)
{
    QList<QJsonObject> records;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        const QByteArray line = bytes.sliced(start, end - start);
        start = end + 1;
        if (line.trimmed().isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error == QJsonParseError::NoError && document.isObject())
            records.append(document.object());
    }
    return records;
}

QList<QJsonObject> DecisionSampleLog::decisionSampleRecords() const
{
    QFile file(logPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    // A tail replacement a crash interrupted counts as done, as it will be at the next pass.
    if (const std::optional<TailJournal> journal = readTailJournal(tailJournalPath());
        journal && journal->offset <= bytes.size())
        bytes = bytes.first(journal->offset) + journal->tail;
    return parseRecords(bytes);
}

bool DecisionSampleLog::appendDecisionSampleRecord(const QJsonObject &record)
{
    if (!isValidJsonObject(record))
        return false;
    m_store.ensureStrategyDirectory();
    if (!finishInterruptedTailRewrite() || !repairLastLine()) {
        m_indexed.reset();
        return false;
    }
    syncPendingIndex();
    rotateDecisionSampleLogIfNeeded();
    const QByteArray compact = QJsonDocument(record).toJson(QJsonDocument::Compact);
    // What a later pass will read back from this line.
    LineEntry entry;
    entry.record = true;
    entry.length = compact.size();
    const QJsonObject readBack = QJsonDocument::fromJson(compact).object();
    entry.canonical = QJsonDocument(readBack).toJson(QJsonDocument::Compact) == compact;
    describeRecord(readBack, entry);
    QByteArray line = compact + '\n';

    const QString path = logPath();
    if (!QFile::exists(path)) {
        if (!JsonFile::writeAtomically(path, line)) {
            m_indexed.reset();
            return false;
        }
        setLines({entry});
        m_indexed = identity();
        return true;
    }

    // Unbuffered, so every write reaches the file (or fails) here and a short write is seen.
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        m_indexed.reset();
        return false;
    }
    const qint64 size = file.size();
    // A last line that could not be told apart (see repairLastLine) must not swallow this one.
    char last = '\n';
    if (size > 0 && (!file.seek(size - 1) || !file.getChar(&last))) {
        m_indexed.reset();
        return false;
    }
    if (last != '\n')
        line.prepend('\n');
    bool ok = file.seek(size);
    qint64 written = 0;
    while (ok && written < line.size()) {
        const qint64 n = file.write(line.constData() + written, line.size() - written);
        if (n <= 0)
            ok = false;
        else
            written += n;
    }
    if (!ok) {
        // Take back the part that did get in, so the log keeps only whole lines.
        file.resize(size);
        file.close();
        m_indexed.reset();
        return false;
    }
    file.close();
    // The index described the file before this line (synchronised above).
    entry.offset = size + (last != '\n' ? 1 : 0);
    m_lines.append(entry);
    if (entry.missing != 0)
        m_pending[entry.symbol].append(m_lines.size() - 1);
    m_indexed = identity();
    return true;
}

bool DecisionSampleLog::rewriteDecisionSampleRecords(const QList<QJsonObject> &records)
{
    // The whole file is replaced: a pending tail of the one before no longer applies.
    if (QFileInfo::exists(tailJournalPath()))
        markTailJournalDone(tailJournalPath());
    QByteArray bytes;
    QVector<LineEntry> lines;
    for (const QJsonObject &record : records) {
        if (!isValidJsonObject(record))
            continue;
        const QByteArray compact = QJsonDocument(record).toJson(QJsonDocument::Compact);
        LineEntry entry;
        entry.offset = bytes.size();
        entry.length = compact.size();
        entry.record = true;
        entry.canonical = true;
        describeRecord(record, entry);
        lines.append(entry);
        bytes += compact;
        bytes += '\n';
    }
    m_store.ensureStrategyDirectory();
    if (!JsonFile::writeAtomically(logPath(), bytes)) {
        m_indexed.reset();
        return false;
    }
    setLines(std::move(lines));
    m_indexed = identity();
    return true;
}

bool DecisionSampleLog::rotateDecisionSampleLogIfNeeded()
{
    const FileIdentity current = identity();
    if (!current.exists || current.size <= kRotationBytes)
        return false;
    const QString archive =
        m_store.decisionSamplesArchiveURL(m_store.clock().localNow().toString(u"yyyyMMdd"_s));
    // QFile::rename never replaces an existing archive: the log then stays where it is.
    if (!QFile::rename(logPath(), archive))
        return false;
    setLines({});
    m_indexed = identity();
    return true;
}

QString DecisionSampleLog::tailJournalPath() const
{
    return logPath() + u".tail"_s;
}

bool DecisionSampleLog::finishInterruptedTailRewrite()
{
    const QString path = tailJournalPath();
    const std::optional<TailJournal> journal = readTailJournal(path);
    if (!journal)
        return true;
    const FileIdentity current = identity();
    // A journal that does not fit this log (the log was replaced or cut since) has nothing
    // left to finish either.
    if (current.exists && current.size >= journal->offset) {
        if (!writeAt(logPath(), journal->offset, journal->tail, true))
            return false;
        m_indexed.reset();
    }
    markTailJournalDone(path);
    return true;
}

bool DecisionSampleLog::replaceLogTail(qint64 offset, const QByteArray &tail)
{
    // Nothing is synced to disk here, as with the appends: this guards against the
    // process dying half way, which is what leaves a log torn.
    const QString journal = tailJournalPath();
    if (!writeAt(journal, kHeaderSize, tail, false) ||
        !writeAt(journal, 0, tailJournalHeader(offset, tail), false)) {
        markTailJournalDone(tailJournalPath());
        return false;
    }
    if (!writeAt(logPath(), offset, tail, true))
        return false; // the journal stays: the next use finishes the job
    markTailJournalDone(tailJournalPath());
    return true;
}

bool DecisionSampleLog::repairLastLine()
{
    QFile file(logPath());
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
    // Find where the last line starts; a sample line is a few KiB, so a line much longer
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
        JsonFile::keepBytesAside(logPath(), lastLine).isEmpty())
        return false;
    return file.resize(start);
}

// --- The index ---

FileIdentity DecisionSampleLog::identity() const
{
    return FileIdentity::of(logPath());
}

void DecisionSampleLog::loadPendingDecisionSamples()
{
    m_indexed.reset();
    syncPendingIndex();
}

void DecisionSampleLog::syncPendingIndex()
{
    finishInterruptedTailRewrite();
    const FileIdentity current = identity();
    if (m_indexed && *m_indexed == current)
        return;
    // Identity first: a change while reading shows up as a mismatch at the next sync.
    m_indexed = current;
    QByteArray bytes;
    QFile file(logPath());
    if (current.exists && file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    indexBytes(bytes);
}

void DecisionSampleLog::indexBytes(const QByteArray &bytes)
{
    QVector<LineEntry> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        LineEntry entry;
        entry.offset = start;
        entry.length = end - start;
        const QByteArray text = QByteArray::fromRawData(bytes.constData() + start, entry.length);
        start = end + 1;
        if (!text.trimmed().isEmpty()) {
            QJsonParseError error{};
            const QJsonDocument document = QJsonDocument::fromJson(text, &error);
            if (error.error == QJsonParseError::NoError && document.isObject()) {
                entry.record = true;
                entry.canonical = document.toJson(QJsonDocument::Compact) == text;
                describeRecord(document.object(), entry);
            }
        }
        lines.append(entry);
    }
    setLines(std::move(lines));
}

void DecisionSampleLog::setLines(QVector<LineEntry> lines)
{
    m_lines = std::move(lines);
    m_pending.clear();
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines.at(i).missing != 0)
            m_pending[m_lines.at(i).symbol].append(i);
    }
}

void DecisionSampleLog::describeRecord(const QJsonObject &record, LineEntry &entry)
{
    entry.symbol.clear();
    entry.recordedMs = 0;
    entry.missing = 0;
    const QJsonValue symbolValue = record.value(u"symbol"_s);
    const QString symbol = symbolValue.isString() ? symbolValue.toString().toLower() : QString();
    const std::optional<QDateTime> recorded =
        StrategyStore::strategyDateFromISOString(record.value(u"recorded_at"_s));
    if (symbol.isEmpty() || !recorded)
        return;
    entry.symbol = symbol;
    entry.recordedMs = recorded->toMSecsSinceEpoch();
    entry.futureObject = record.value(u"future"_s).isObject();
    // A future that is not an object counts as empty: every outcome is missing.
    const QJsonObject future = futureOf(record);
    for (const Horizon &horizon : kHorizons) {
        if (!future.contains(QString::fromUtf16(horizon.key)))
            entry.missing |= horizon.bit;
    }
}

bool DecisionSampleLog::isAnyOutcomeDue(const QHash<QString, Quote> &quotesBySymbol) const
{
    const qint64 now = m_store.clock().nowMSecs();
    for (auto it = quotesBySymbol.constBegin(); it != quotesBySymbol.constEnd(); ++it) {
        const auto pending = m_pending.constFind(it.key());
        if (pending == m_pending.constEnd())
            continue;
        for (const qsizetype index : *pending) {
            const LineEntry &entry = m_lines.at(index);
            const qint64 elapsed = now - entry.recordedMs;
            for (const Horizon &horizon : kHorizons) {
                if ((entry.missing & horizon.bit) && elapsed >= horizon.secs * 1000)
                    return true;
            }
        }
    }
    return false;
}

bool DecisionSampleLog::isChangedByPass(const LineEntry &entry,
                                        const QHash<QString, Quote> &quotesBySymbol,
                                        qint64 nowMs) const
{
    if (!entry.record || !entry.canonical)
        return true;
    // Only a record with a quote and a readable time is completed (see completedRecord).
    if (entry.symbol.isEmpty() || !quotesBySymbol.contains(entry.symbol))
        return false;
    if (!entry.futureObject)
        return true;
    for (const Horizon &horizon : kHorizons) {
        if ((entry.missing & horizon.bit) && nowMs - entry.recordedMs >= horizon.secs * 1000)
            return true;
    }
    return false;
}

qsizetype DecisionSampleLog::pendingDecisionSampleCount() const
{
    qsizetype count = 0;
    for (const QVector<qsizetype> &lines : m_pending)
        count += lines.size();
    return count;
}
