// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decision/DecisionStates.h"
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
// The maps are keyed by the quote's symbol exactly as it comes and are never pruned; the
// JSON form (StateSnapshot::toJson) is what the sample log and the document read.
class StateSnapshots
{
public:
    explicit StateSnapshots(const DecisionEngine &engine);

    // 4 可跟踪, 3 等确认, 2 数据不足, 1 看回踩 / 不追高, 0 先防守.
    static int continuityScoreForExecutionState(ActionStatus state);

    int riskPressureScoreForQuote(const Quote &quote) const;
    static int riskPressureScore(const QuoteDecision &decision);
    // Empty for a quote without a symbol.
    QJsonObject stateSnapshotForQuote(const Quote &quote) const;
    static StateSnapshot stateSnapshot(const QuoteDecision &decision);

    // At the start of every successful refresh, before the new quotes are published.
    void rollStateSnapshotsForwardForSymbols(const QStringList &symbols);
    // After the intraday samples are recorded; also for one quote when its series arrives.
    void captureCurrentStateSnapshotsForQuotes(const QList<Quote> &quotes);

    QString stateContinuityDescriptionForQuote(const Quote &quote) const;
    static QString stateContinuityDescription(const QuoteDecision &decision,
                                              const std::optional<StateSnapshot> &previous);

    const QHash<QString, StateSnapshot> &currentStateSnapshots() const { return m_current; }
    const QHash<QString, StateSnapshot> &previousStateSnapshots() const { return m_previous; }
    std::optional<StateSnapshot> currentStateForSymbol(const QString &symbol) const;
    std::optional<StateSnapshot> previousStateForSymbol(const QString &symbol) const;
    // The same as JSON; empty when there is none.
    QJsonObject currentStateSnapshotForSymbol(const QString &symbol) const;
    QJsonObject previousStateSnapshotForSymbol(const QString &symbol) const;

    // The decision values the sample log reads, bound to the engine and these snapshots.
    DecisionSampleLog::DecisionReader decisionSampleReader() const;

private:
    const DecisionEngine &m_engine;
    QHash<QString, StateSnapshot> m_current;
    QHash<QString, StateSnapshot> m_previous;
};
