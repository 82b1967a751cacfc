// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Quote.h"
#include "strategy/DecisionSampleLog.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

class DecisionEngine;
class QuoteDecision;

// The verdicts of the last two successful refreshes per symbol, so the program can say how
// the picture moved since the previous one. Memory only; empty at every launch.
//
// Snapshot keys: "buy", "sell", "execution", "risk", "structure" (strings) and
// "riskPressure" (integer 0-11). The maps are keyed by the quote's symbol exactly as it
// comes and are never pruned.
class StateSnapshots
{
public:
    explicit StateSnapshots(const DecisionEngine &engine);

    // 4 可跟踪, 3 等确认, 2 数据不足, 1 看回踩 / 不追高, 0 先防守; 2 for anything else.
    static int continuityScoreForExecutionState(const QString &state);

    int riskPressureScoreForQuote(const Quote &quote) const;
    static int riskPressureScore(const QuoteDecision &decision);
    // Empty for a quote without a symbol.
    QJsonObject stateSnapshotForQuote(const Quote &quote) const;
    static QJsonObject stateSnapshot(const QuoteDecision &decision);

    // At the start of every successful refresh, before the new quotes are published.
    void rollStateSnapshotsForwardForSymbols(const QStringList &symbols);
    // After the intraday samples are recorded; also for one quote when its series arrives.
    void captureCurrentStateSnapshotsForQuotes(const QList<Quote> &quotes);

    QString stateContinuityDescriptionForQuote(const Quote &quote) const;
    static QString stateContinuityDescription(const QuoteDecision &decision,
                                              const QJsonObject &previous);

    const QHash<QString, QJsonObject> &currentStateSnapshots() const { return m_current; }
    const QHash<QString, QJsonObject> &previousStateSnapshots() const { return m_previous; }
    // Empty when there is none.
    QJsonObject currentStateSnapshotForSymbol(const QString &symbol) const;
    QJsonObject previousStateSnapshotForSymbol(const QString &symbol) const;

    // The decision values the sample log reads, bound to the engine and these snapshots.
    DecisionSampleLog::DecisionReader decisionSampleReader() const;

private:
    const DecisionEngine &m_engine;
    QHash<QString, QJsonObject> m_current;
    QHash<QString, QJsonObject> m_previous;
};
