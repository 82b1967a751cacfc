// SPDX-License-Identifier: GPL-3.0-or-later
#include "decision/StateSnapshots.h"

#include "decision/DecisionEngine.h"
#include "decision/QuoteDecision.h"

using namespace Qt::StringLiterals;

StateSnapshots::StateSnapshots(const DecisionEngine &engine)
    : m_engine(engine)
{}

int StateSnapshots::continuityScoreForExecutionState(ActionStatus state)
{
    switch (state) {
    case ActionStatus::Trackable:
        return 4;
    case ActionStatus::AwaitConfirm:
        return 3;
    case ActionStatus::WatchPullback:
    case ActionStatus::NoChase:
        return 1;
    case ActionStatus::Defend:
        return 0;
    case ActionStatus::NoData:
        break;
    }
    return 2;
}

int StateSnapshots::riskPressureScore(const QuoteDecision &decision)
{
    return decision.riskPressureScore();
}

int StateSnapshots::riskPressureScoreForQuote(const Quote &quote) const
{
    return riskPressureScore(m_engine.decisionForQuote(quote));
}

StateSnapshot StateSnapshots::stateSnapshot(const QuoteDecision &decision)
{
    return {decision.buyStatus(), decision.sellStatus(),    decision.executionAction(),
            decision.risk(),      decision.structureLine(), decision.riskPressureScore()};
}

QJsonObject StateSnapshots::stateSnapshotForQuote(const Quote &quote) const
{
    if (quote.symbol.isEmpty())
        return QJsonObject();
    return stateSnapshot(m_engine.decisionForQuote(quote)).toJson();
}

void StateSnapshots::rollStateSnapshotsForwardForSymbols(const QStringList &symbols)
{
    for (const QString &symbol : symbols) {
        if (symbol.isEmpty())
            continue;
        const auto current = m_current.constFind(symbol);
        if (current != m_current.constEnd())
            m_previous.insert(symbol, *current);
    }
}

void StateSnapshots::captureCurrentStateSnapshotsForQuotes(const QList<Quote> &quotes)
{
    for (const Quote &quote : quotes) {
        if (!quote.symbol.isEmpty())
            m_current.insert(quote.symbol, stateSnapshot(m_engine.decisionForQuote(quote)));
    }
}

namespace {

std::optional<StateSnapshot> find(const QHash<QString, StateSnapshot> &map, const QString &key)
{
    const auto it = map.constFind(key);
    return it == map.constEnd() ? std::nullopt : std::optional<StateSnapshot>(*it);
}

} // namespace

std::optional<StateSnapshot> StateSnapshots::currentStateForSymbol(const QString &symbol) const
{
    return find(m_current, symbol);
}

std::optional<StateSnapshot> StateSnapshots::previousStateForSymbol(const QString &symbol) const
{
    return find(m_previous, symbol);
}

QJsonObject StateSnapshots::currentStateSnapshotForSymbol(const QString &symbol) const
{
    const auto state = currentStateForSymbol(symbol);
    return state ? state->toJson() : QJsonObject();
}

QJsonObject StateSnapshots::previousStateSnapshotForSymbol(const QString &symbol) const
{
    const auto state = previousStateForSymbol(symbol);
    return state ? state->toJson() : QJsonObject();
}

QString StateSnapshots::stateContinuityDescriptionForQuote(const Quote &quote) const
{
    return stateContinuityDescription(m_engine.decisionForQuote(quote),
                                      previousStateForSymbol(quote.symbol));
}

QString StateSnapshots::stateContinuityDescription(const QuoteDecision &decision,
                                                   const std::optional<StateSnapshot> &previous)
{
    if (!previous)
        return u"状态连续性：首轮观察，先看当前结构是否延续。"_s;

    const ActionStatus execution = decision.executionAction();
    const int score = continuityScoreForExecutionState(execution);
    const int previousScore = continuityScoreForExecutionState(previous->execution);
    if (score != previousScore) {
        return (score > previousScore ? u"状态连续性：较上一轮转强，当前由"_s
                                      : u"状态连续性：较上一轮转弱，当前由"_s) +
               toText(previous->execution) + u"转为"_s + toText(execution) + u"。"_s;
    }

    // Compared as shown: a level that moved is a change of the risk status here.
    const RiskStatus risk = decision.risk();
    const QString riskText = risk.text();
    const QString previousRisk = previous->risk.text();
    if (riskText != previousRisk) {
        switch (risk.word) {
        case RiskWord::StructureWeak:
            return u"状态连续性：较上一轮风险抬升，当前已进入结构转弱阶段。"_s;
        case RiskWord::WeakPullback:
            return u"状态连续性：较上一轮回踩加深，承接开始走弱。"_s;
        case RiskWord::WonBack:
            return u"状态连续性：较上一轮有所收回，先看这次修复能否真正站稳。"_s;
        case RiskWord::InPullback:
            return u"状态连续性：较上一轮风险有所缓和，重新回到回踩观察阶段。"_s;
        default:
            break;
        }
        return u"状态连续性：风险状态由"_s + previousRisk + u"变化到"_s + riskText + u"。"_s;
    }

    const QString structure = decision.structureLine();
    const QString &previousStructure = previous->structure;
    if (structure != previousStructure) {
        const auto improving = [](const QString &line) {
            return line.contains(u"低位反抽") || line.contains(u"午后转强");
        };
        const auto weakening = [](const QString &line) {
            return line.contains(u"冲高回落") || line.contains(u"午后转弱");
        };
        if (improving(structure) && !improving(previousStructure))
            return u"状态连续性：较上一轮结构改善，修复动作开始更明确。"_s;
        if (weakening(structure) && !weakening(previousStructure))
            return u"状态连续性：较上一轮结构转差，需留意弱势是否继续扩散。"_s;
        return u"状态连续性：结构标签较上一轮有变化，先看新结构能否延续。"_s;
    }

    if (decision.hasHealthyPullback())
        return u"状态连续性：较上一轮大体稳定，当前仍在回踩观察区。"_s;
    if (decision.hasRecoveredFalseBreak())
        return u"状态连续性：较上一轮修复延续，当前仍在收回后的确认阶段。"_s;
    return u"状态连续性：较上一轮整体变化不大，先看当前节奏是否继续延续。"_s;
}

DecisionSampleLog::DecisionReader StateSnapshots::decisionSampleReader() const
{
    const DecisionEngine *engine = &m_engine;
    DecisionSampleLog::DecisionReader reader;
    reader.mainDecisionState = [engine](const Quote &q) {
        return engine->mainDecisionStateForQuote(q);
    };
    reader.decisionConfidence = [engine](const Quote &q) {
        return engine->decisionConfidenceForQuote(q);
    };
    reader.mainDecisionReasons = [engine](const Quote &q) {
        return engine->mainDecisionReasonsForQuote(q);
    };
    reader.nextWatchDirective = [engine](const Quote &q) {
        return engine->nextWatchDirectiveForQuote(q);
    };
    reader.displayExecutionStatus = [engine](const Quote &q) {
        return engine->displayExecutionStatusForQuote(q);
    };
    reader.riskStatus = [engine](const Quote &q) {
        return engine->riskStatusForQuote(q);
    };
    reader.latestTradingPosition = [engine](const Quote &q) {
        return engine->latestTradingPositionForQuote(q);
    };
    reader.previousStateSnapshot = [this](const QString &symbol) {
        return previousStateSnapshotForSymbol(symbol);
    };
    return reader;
}
