// SPDX-License-Identifier: GPL-3.0-or-later
#include "strategy/DecisionSampleLog.h"

#include "intraday/IntradayAnalytics.h"
#include "intraday/IntradayStore.h"
#include "intraday/TradingClock.h"
#include "model/Clock.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"
#include "strategy/StrategyStore.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
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
constexpr int kAllOutcomes = 1 | 2 | 4;

QJsonObject futureOf(const QJsonObject &record)
{
    const QJsonValue future = record.value(u"future"_s);
    return future.isObject() ? future.toObject() : QJsonObject();
}

int outcomeBits(const QJsonObject &future)
{
    int bits = 0;
    for (const Horizon &horizon : kHorizons) {
        if (future.contains(QString::fromUtf16(horizon.key)))
            bits |= horizon.bit;
    }
    return bits;
}

// A sample as the journal names it: its symbol and the moment it was recorded.
QString sampleKey(const QString &symbol, qint64 recordedMs)
{
    return symbol + u'@' + QString::number(recordedMs);
}

QString symbolOf(const QJsonObject &record)
{
    const QJsonValue symbol = record.value(u"symbol"_s);
    return symbol.isString() ? symbol.toString().toLower() : QString();
}

std::optional<qint64> recordedMsOf(const QJsonObject &record)
{
    const std::optional<QDateTime> recorded =
        StrategyStore::strategyDateFromISOString(record.value(u"recorded_at"_s));
    return recorded ? std::optional(recorded->toMSecsSinceEpoch()) : std::nullopt;
}

// The outcomes of `future` with those it lacks taken from `noted`.
QJsonObject withOutcomes(QJsonObject future, const QJsonObject &noted)
{
    for (auto it = noted.begin(); it != noted.end(); ++it) {
        if (!future.contains(it.key()))
            future.insert(it.key(), it.value());
    }
    return future;
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
    , m_file(store.decisionSamplesURL(),
             {kRotationBytes,
              [&store] {
                  return store.decisionSamplesArchiveURL(
                      store.clock().localNow().toString(u"yyyyMMdd"_s));
              }},
             &DecisionSampleLog::describeRecord)
    , m_notes(store.decisionOutcomesURL(), {}, &DecisionSampleLog::describeNote)
{}

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
        position = positions.isEmpty() ? TradingClock::position(quote.symbol, quote.time)
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
        {u"afternoonDelta"_s,
         analytics.intradayPercentChangeForQuote(quote, TradingClock::midPosition(quote.symbol))},
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
    // One write for all of them: a kill during it loses at most the line being written,
    // which the next append removes.
    QList<QJsonObject> due;
    for (const Quote &quote : quotes) {
        if (!shouldRecordDecisionSampleForQuote(quote))
            continue;
        due.append(decisionSampleRecordForQuote(quote));
        // Also when the append fails: a broken disk must not turn every refresh into a retry.
        m_lastLogged.insert(quote.symbol, m_store.clock().now());
    }
    if (due.isEmpty())
        return;
    // The archive the append may move the log to must hold every outcome given.
    if (!m_notes.lines().isEmpty() && QFileInfo(m_file.path()).size() > kRotationBytes)
        foldNotedOutcomes();
    appendDecisionSampleRecords(due);
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
    return JsonLinesFile::isValidJsonObject(result) ? result : QJsonObject();
}

QList<QJsonObject> DecisionSampleLog::decisionSampleRecords() const
{
    QList<QJsonObject> records = m_file.records();
    // From the journal as it is on disk, whatever this object last indexed.
    JsonLinesFile notes(m_notes.path(), {}, &DecisionSampleLog::describeNote);
    notes.load();
    const QHash<QString, QJsonObject> noted = notedFutures(notes);
    if (noted.isEmpty())
        return records;
    for (QJsonObject &record : records) {
        const std::optional<qint64> recorded = recordedMsOf(record);
        const auto it =
            recorded ? noted.constFind(sampleKey(symbolOf(record), *recorded)) : noted.constEnd();
        if (it != noted.constEnd())
            record.insert(u"future"_s, withOutcomes(futureOf(record), *it));
    }
    return records;
}

QHash<QString, QJsonObject> DecisionSampleLog::notedFutures(const JsonLinesFile &notes)
{
    // From the index, only the futures parsed: the journal can hold half an hour of a busy
    // watchlist.
    QHash<QString, QJsonObject> futures;
    for (const auto &[index, text] : notes.memberOfRecords(u"future"_s)) {
        const QString &key = notes.lines().at(index).key;
        const QJsonDocument future = QJsonDocument::fromJson(text);
        if (!key.isEmpty() && future.isObject())
            futures[key] = withOutcomes(futures.value(key), future.object());
    }
    return futures;
}

void DecisionSampleLog::syncNotedOutcomes()
{
    m_file.sync();
    m_notes.sync();
    if (m_file.generation() == m_fileGeneration && m_notes.generation() == m_notesGeneration)
        return; // both only grew by this object's own writes, already accounted for
    m_fileGeneration = m_file.generation();
    m_notesGeneration = m_notes.generation();
    if (m_notes.lines().isEmpty())
        return;
    QHash<QString, int> noted;
    for (const JsonLinesFile::Line &line : m_notes.lines())
        noted[line.key] |= line.flags;
    const QVector<JsonLinesFile::Line> &lines = m_file.lines();
    const QVector<qsizetype> pending = m_file.flaggedLines();
    for (const qsizetype i : pending) {
        const int bits = noted.value(sampleKey(lines.at(i).key, lines.at(i).stamp));
        if (bits != 0)
            m_file.clearFlags(i, bits);
    }
}

void DecisionSampleLog::updatePendingDecisionSamplesForQuotes(const QList<Quote> &quotes)
{
    syncNotedOutcomes();
    QHash<QString, Quote> bySymbol;
    for (const Quote &quote : quotes) {
        if (!quote.symbol.isEmpty())
            bySymbol.insert(quote.symbol.toLower(), quote);
    }
    // Only samples with an outcome missing can get one; they are few (about the last hour).
    const qint64 now = m_store.clock().nowMSecs();
    const QVector<JsonLinesFile::Line> &lines = m_file.lines();
    QVector<qsizetype> due;
    QVector<int> dueBits;
    for (const qsizetype i : m_file.flaggedLines()) {
        if (const int bits = dueOutcomes(lines.at(i), bySymbol, now)) {
            due.append(i);
            dueBits.append(bits);
        }
    }
    if (!due.isEmpty()) {
        // One note per sample, all in one append: a kill loses at most the pass being written,
        // which the next pass gives again.
        const QString notedAt = m_store.strategyISOStringForDate();
        // Of each sample, only what its outcome and its note read.
        const QList<QJsonObject> records =
            m_file.membersAt(due, {u"price"_s, u"intraday_features"_s, u"sample_id"_s, u"symbol"_s,
                                   u"recorded_at"_s});
        QList<QJsonObject> notes;
        QVector<qsizetype> noted;
        for (qsizetype k = 0; k < due.size(); ++k) {
            const QJsonObject &record = records.at(k);
            const JsonLinesFile::Line &line = lines.at(due.at(k));
            if (symbolOf(record) != line.key || recordedMsOf(record) != line.stamp)
                continue; // changed under us: the next pass reads the file afresh
            const Quote &quote = bySymbol[line.key];
            QJsonObject future;
            for (const Horizon &horizon : kHorizons) {
                if (dueBits.at(k) & horizon.bit)
                    future.insert(QString::fromUtf16(horizon.key),
                                  futureResultForSample(record, quote));
            }
            notes.append(QJsonObject{
                {u"sample_id"_s, record.value(u"sample_id"_s)},
                {u"symbol"_s, record.value(u"symbol"_s)},
                {u"recorded_at"_s, record.value(u"recorded_at"_s)},
                {u"noted_at"_s, notedAt},
                {u"future"_s, future},
            });
            noted.append(due.at(k));
        }
        if (!notes.isEmpty() && m_notes.append(notes)) {
            for (qsizetype k = 0, n = 0; k < due.size() && n < noted.size(); ++k) {
                if (due.at(k) == noted.at(n)) {
                    m_file.clearFlags(noted.at(n), dueBits.at(k));
                    ++n;
                }
            }
        }
        m_notesGeneration = m_notes.generation(); // a first append creates the journal
    }
    // A fold that failed (a full disk) waits a while: it reads and writes the whole tail.
    if (isFoldDue() && !foldNotedOutcomes())
        m_nextFoldMs = now + kFoldRetrySecs * 1000;
}

bool DecisionSampleLog::isFoldDue() const
{
    const QVector<JsonLinesFile::Line> &notes = m_notes.lines();
    if (notes.isEmpty() || m_file.hasUnreadOlderLines() ||
        m_store.clock().nowMSecs() < m_nextFoldMs)
        return false;
    const qint64 oldest = notes.first().stamp;
    return m_store.clock().nowMSecs() - oldest >= kFoldSecs * 1000 ||
           notes.last().offset + notes.last().length >= kFoldBytes;
}

bool DecisionSampleLog::foldNotedOutcomes()
{
    syncNotedOutcomes();
    if (m_notes.lines().isEmpty())
        return true;
    if (m_file.hasUnreadOlderLines())
        return false; // a noted sample may be among them
    const QHash<QString, QJsonObject> noted = notedFutures(m_notes);
    const QVector<JsonLinesFile::Line> &lines = m_file.lines();
    const auto changes = [&](const JsonLinesFile::Line &line) {
        return !line.record || !line.canonical || (line.flags & kFutureNotObject) ||
               (!line.key.isEmpty() && noted.contains(sampleKey(line.key, line.stamp)));
    };
    qsizetype first = m_file.firstIrregularLine();
    for (qsizetype i = 0; i < lines.size() && (first < 0 || i < first); ++i) {
        if (changes(lines.at(i))) {
            first = i;
            break;
        }
    }
    if (first >= 0) {
        std::optional<JsonLinesFile::Tail> tail = m_file.prepareTail(
            first, changes, u"future"_s, [&](JsonLinesFile::Line &line, const QJsonObject &future) {
                const QJsonObject merged = withOutcomes(
                    future, line.key.isEmpty() ? QJsonObject()
                                               : noted.value(sampleKey(line.key, line.stamp)));
                line.flags = (line.flags & kAllOutcomes) & ~outcomeBits(merged);
                return merged;
            });
        if (!tail || !m_file.replaceTail(std::move(*tail)))
            return false;
    }
    // Every note is in the log now (notes of samples no longer in it, archived or removed,
    // have nowhere to go). A kill before the journal goes only means folding it again, which
    // changes nothing.
    if (!QFile::remove(m_notes.path()) && QFileInfo::exists(m_notes.path()))
        return false;
    m_notes.load();
    syncNotedOutcomes();
    return true;
}

void DecisionSampleLog::loadPendingDecisionSamples()
{
    m_notes.load();
    m_file.load(m_store.clock().nowMSecs() - kHorizons[2].secs * 1000);
}

void DecisionSampleLog::describeRecord(const QJsonObject &record, JsonLinesFile::Line &line)
{
    const std::optional<qint64> recorded = recordedMsOf(record);
    if (symbolOf(record).isEmpty() || !recorded)
        return;
    line.key = symbolOf(record);
    line.stamp = *recorded;
    // A future that is not an object counts as empty: every outcome is missing.
    line.flags = kAllOutcomes & ~outcomeBits(futureOf(record));
    if (!record.value(u"future"_s).isObject())
        line.flags |= kFutureNotObject;
}

void DecisionSampleLog::describeNote(const QJsonObject &note, JsonLinesFile::Line &line)
{
    const std::optional<qint64> recorded = recordedMsOf(note);
    const std::optional<QDateTime> notedAt =
        StrategyStore::strategyDateFromISOString(note.value(u"noted_at"_s));
    if (symbolOf(note).isEmpty() || !recorded)
        return;
    line.key = sampleKey(symbolOf(note), *recorded);
    line.stamp = notedAt ? notedAt->toMSecsSinceEpoch() : *recorded;
    line.flags = outcomeBits(futureOf(note));
}

int DecisionSampleLog::dueOutcomes(const JsonLinesFile::Line &line,
                                   const QHash<QString, Quote> &quotesBySymbol, qint64 nowMs) const
{
    int bits = 0;
    for (const Horizon &horizon : kHorizons) {
        if ((line.flags & horizon.bit) && nowMs - line.stamp >= horizon.secs * 1000)
            bits |= horizon.bit;
    }
    // The time test first: most pending samples are not due, and it costs no lookup.
    return bits != 0 && !line.key.isEmpty() && quotesBySymbol.contains(line.key) ? bits : 0;
}
