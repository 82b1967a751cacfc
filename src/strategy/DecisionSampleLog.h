// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/FileIdentity.h"
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
// 15 minutes, later completed with what the price did 15, 30 and 60 minutes on.
//
// The log's lines are indexed in memory (read once, again whenever the file changes under
// us), so a refresh with nothing due costs a stat() rather than a parse of a log that may be
// 20 MiB long. When an outcome is due only the log's tail from the first line that changes is
// read and replaced: outcomes fall due for the samples of the last hour, and with samples
// taken at every change of state that happens at nearly every refresh, so replacing a log of
// many MiB each time would cost a whole-file write every 12 seconds. The new tail is written
// to a journal beside the log first, under a checksum, so a crash in the middle is finished
// at the next use instead of losing the tail. Lines before it are kept byte for byte.
class DecisionSampleLog
{
public:
    static constexpr qint64 kRotationBytes = 20971520; // 20 MiB; larger logs are archived
    static constexpr qint64 kIntervalSecs = 900;

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
    // Every line of the log that parses as a JSON object, in file order.
    QList<QJsonObject> decisionSampleRecords() const;
    // False when nothing was written (invalid record, file error, short write).
    bool appendDecisionSampleRecord(const QJsonObject &record);
    // Replaces the whole log atomically; records that cannot be written are left out.
    bool rewriteDecisionSampleRecords(const QList<QJsonObject> &records);
    // True when the log was moved to today's archive.
    bool rotateDecisionSampleLogIfNeeded();
    // Reads the pending samples from the log now rather than at the first pass.
    void loadPendingDecisionSamples();

    // Symbol (as the quote carries it) -> moment of its last recorded sample.
    const QHash<QString, QDateTime> &decisionSampleLastLoggedAt() const { return m_lastLogged; }
    // Samples still missing an outcome in the indexed log.
    qsizetype pendingDecisionSampleCount() const;

    // A record JSON can carry: every number finite, all the way down.
    static bool isValidJsonObject(const QJsonObject &object);

private:
    // One line of the log as last read or written.
    struct LineEntry
    {
        qint64 offset = 0;
        qint64 length = 0;      // without the line feed
        bool record = false;    // a JSON object: a rewrite keeps it
        bool canonical = false; // the bytes are the record's own compact form
        // Outcome bookkeeping, for records with a symbol and a readable time.
        QString symbol; // lower-cased
        qint64 recordedMs = 0;
        int missing = 0; // absent outcomes: bit 0 after15m, bit 1 after30m, bit 2 after60m
        bool futureObject = false; // "future" holds an object (a pass writes {} otherwise)
    };
    QString logPath() const;
    // Beside the log: a header line (offset, length and checksum of the new tail, or "done")
    // and the tail of the replacement in progress.
    QString tailJournalPath() const;
    FileIdentity identity() const;
    // Completes a tail replacement that a crash interrupted. False while one is pending
    // that cannot be completed (nothing may be appended then).
    bool finishInterruptedTailRewrite();
    // The log from byte `offset` on becomes `tail`: journal, then the log, then the journal
    // marked done.
    bool replaceLogTail(qint64 offset, const QByteArray &tail);
    // A last line cut short by a crash is removed; a complete one without its line feed
    // gets one. False on a file error.
    bool repairLastLine();
    // Reindexes when the file differs from the one last indexed.
    void syncPendingIndex();
    void indexBytes(const QByteArray &bytes);
    void setLines(QVector<LineEntry> lines);
    static void describeRecord(const QJsonObject &record, LineEntry &entry);
    bool isAnyOutcomeDue(const QHash<QString, Quote> &quotesBySymbol) const;
    // Whether a pass with these quotes, now, writes this line differently (or drops it).
    bool isChangedByPass(const LineEntry &entry, const QHash<QString, Quote> &quotesBySymbol,
                         qint64 nowMs) const;
    // The outcome step for one record: a copy with every outcome whose time has come.
    QJsonObject completedRecord(const QJsonObject &record,
                                const QHash<QString, Quote> &quotesBySymbol, bool *added) const;
    static QList<QJsonObject> parseRecords(const QByteArray &bytes);

    const StrategyStore &m_store;
    const IntradayStore &m_intraday;
    const DailyCache &m_dailyCache;
    const BoardTags &m_boardTags;
    DecisionReader m_reader;

    QHash<QString, QDateTime> m_lastLogged;
    QVector<LineEntry> m_lines;
    QHash<QString, QVector<qsizetype>> m_pending; // lower-cased symbol -> lines missing outcomes
    std::optional<FileIdentity> m_indexed;        // none until the first load
};
