#pragma once

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
// The samples still waiting for an outcome are indexed in memory (loaded once, reloaded
// when the file changes under us), so a refresh with nothing due costs a stat() rather than
// a parse of a log that may be 20 MiB long. Whenever an outcome is due the whole file is
// read, completed and atomically replaced.
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
    struct Pending
    {
        qint64 recordedMs = 0;
        // Outcomes still absent: bit 0 after15m, bit 1 after30m, bit 2 after60m.
        int missing = 0;
    };
    // Enough to tell that the file is no longer the one that was indexed.
    struct FileIdentity
    {
        bool exists = false;
        qint64 size = 0;
        qint64 mtimeNs = 0;
        quint64 inode = 0;
        quint64 device = 0;
        bool operator==(const FileIdentity &) const = default;
    };

    QString logPath() const;
    FileIdentity identity() const;
    // Reindexes when the file differs from the one last indexed.
    void syncPendingIndex();
    void indexRecords(const QList<QJsonObject> &records);
    void indexRecord(const QJsonObject &record);
    bool isAnyOutcomeDue(const QHash<QString, Quote> &quotesBySymbol) const;
    static QList<QJsonObject> parseRecords(const QByteArray &bytes);
    static QByteArray serialise(const QList<QJsonObject> &records);

    const StrategyStore &m_store;
    const IntradayStore &m_intraday;
    const DailyCache &m_dailyCache;
    const BoardTags &m_boardTags;
    DecisionReader m_reader;

    QHash<QString, QDateTime> m_lastLogged;
    QHash<QString, QList<Pending>> m_pending; // by lower-cased symbol
    std::optional<FileIdentity> m_indexed;    // none until the first load
};
