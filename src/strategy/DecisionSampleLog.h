// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/JsonLinesFile.h"
#include "model/Quote.h"

#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class BoardTags;
class DailyCache;
class IntradayStore;
class StrategyStore;

// A research log of the program's own verdicts: one JSON line per sample in
// decision_samples.jsonl, appended when a stock's decision state changes and at least every
// 15 minutes, later completed with what the price did 15, 30 and 60 minutes on. The file is a
// crash-safe JSON-lines store; this class decides what to sample and when an outcome is due.
//
// Outcomes do not rewrite the log as they fall due: a pass notes them in a small journal
// beside it (decision_samples.jsonl.outcomes, one append per pass) and they are folded into
// their samples' lines every half hour, before the log is archived, and whenever the journal
// grows large. Reading the records applies the journal, so nothing given is ever missing.
//
// Only the samples of the last hour are read at launch: outcomes fall due for those. Older
// lines (samples left pending overnight, lines to tidy) are indexed afterwards, a slice at a
// time, and completed by the first pass after that.
class DecisionSampleLog
{
public:
    static constexpr qint64 kRotationBytes = 20971520; // 20 MiB; larger logs are archived
    static constexpr qint64 kIntervalSecs = 900;
    static constexpr qint64 kFoldSecs = 1800; // the journal's oldest note waits this long
    static constexpr qint64 kFoldBytes = 4 * 1024 * 1024; // or the journal this size
    static constexpr qint64 kFoldRetrySecs = 300;

    // What the log reads from the decision layer, which sits above this one.
    struct DecisionReader
    {
        std::function<QString(const Quote &)> mainDecisionState;
        std::function<QString(const Quote &)> decisionConfidence;
        std::function<QStringList(const Quote &)> mainDecisionReasons;
        std::function<QString(const Quote &)> nextWatchDirective;
        std::function<QString(const Quote &)> displayExecutionStatus;
        std::function<QString(const Quote &)> riskStatus;
        std::function<double(const Quote &)> latestTradingPosition;
        // The symbol's snapshot of the refresh before (keys "execution", "risk", ...).
        std::function<QJsonObject(const QString &symbol)> previousStateSnapshot;
    };

    DecisionSampleLog(const StrategyStore &store, const IntradayStore &intraday,
                      const DailyCache &dailyCache, const BoardTags &boardTags,
                      DecisionReader reader);

    // --- The refresh pass (outcomes first, then new samples) ---
    void updatePendingDecisionSamplesForQuotes(const QList<Quote> &quotes);
    void recordDecisionSamplesForQuotes(const QList<Quote> &quotes);

    // --- Steps ---
    bool shouldRecordDecisionSampleForQuote(const Quote &quote) const;
    QJsonObject decisionSampleRecordForQuote(const Quote &quote) const;
    QJsonObject intradayFeaturePayloadForQuote(const Quote &quote) const;
    QJsonObject futureResultForSample(const QJsonObject &sample, const Quote &quote) const;

    // --- The file ---
    // Every line of the log that parses as a JSON object, in file order, with the outcomes
    // noted since the last fold.
    QList<QJsonObject> decisionSampleRecords() const;
    // Appends in one write the records JSON can carry. False when nothing was written
    // (none could be, a file error, a short write).
    bool appendDecisionSampleRecords(const QList<QJsonObject> &records)
    {
        return m_file.append(records);
    }
    // Reads the samples whose outcomes may fall due (those of the last hour) now rather than
    // at the first pass; older lines wait for loadOlderDecisionSamples.
    void loadPendingDecisionSamples();
    // Indexes up to about `budget` bytes of the older lines; true while some remain.
    bool loadOlderDecisionSamples(qint64 budget) { return m_file.loadOlderLines(budget); }

    // Symbol (as the quote carries it) -> moment of its last recorded sample.
    const QHash<QString, QDateTime> &decisionSampleLastLoggedAt() const { return m_lastLogged; }
    // Samples still missing an outcome in the indexed log.
    qsizetype pendingDecisionSampleCount() const { return m_file.flaggedLines().size(); }
    // Writes the noted outcomes into their samples' lines now and empties the journal. False
    // when that cannot be done yet (older lines unread) or failed; the journal then stays.
    bool foldNotedOutcomes();

private:
    // A line flag besides those of the absent outcomes (1, 2, 4): a "future" that is not an
    // object (a pass writes {} in its place).
    static constexpr int kFutureNotObject = 8;
    static void describeRecord(const QJsonObject &record, JsonLinesFile::Line &line);
    static void describeNote(const QJsonObject &note, JsonLinesFile::Line &line);
    // The outcome bits a pass with these quotes, now, gives this line; 0 when none.
    int dueOutcomes(const JsonLinesFile::Line &line, const QHash<QString, Quote> &quotesBySymbol,
                    qint64 nowMs) const;
    // Brings both indices up to date and, when either was built afresh, takes the outcomes
    // the journal holds off the log's pending lines.
    void syncNotedOutcomes();
    // Sample key -> the outcomes the journal holds for it.
    static QHash<QString, QJsonObject> notedFutures(const JsonLinesFile &notes);
    bool isFoldDue() const;

    const StrategyStore &m_store;
    const IntradayStore &m_intraday;
    const DailyCache &m_dailyCache;
    const BoardTags &m_boardTags;
    DecisionReader m_reader;

    QHash<QString, QDateTime> m_lastLogged;
    JsonLinesFile m_file;
    JsonLinesFile m_notes; // the outcomes journal
    quint64 m_fileGeneration = 0;
    quint64 m_notesGeneration = 0;
    qint64 m_nextFoldMs = 0; // after a failed fold, none is tried before then
};
