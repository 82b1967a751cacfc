// SPDX-License-Identifier: GPL-3.0-or-later
#include "decision/StateSnapshots.h"

#include "decision/DecisionEngine.h"
#include "decision/QuoteDecision.h"

using namespace Qt::StringLiterals;

StateSnapshots::StateSnapshots(const DecisionEngine &engine)
    : m_engine(engine)
{}

int StateSnapshots::continuityScoreForExecutionState(const QString &state)
{
    if (state == u"可跟踪")
        return 4;
    if (state == u"等确认")
        return 3;
    if (state == u"看回踩" || state == u"不追高")
        return 1;
    if (state == u"先防守")
        return 0;
    return 2; // "数据不足" and anything unknown, the empty string included
}

int StateSnapshots::riskPressureScore(const QuoteDecision &decision)
{
    return decision.riskPressureScore();
}

int StateSnapshots::riskPressureScoreForQuote(const Quote &quote) const
{
    return riskPressureScore(m_engine.decisionForQuote(quote));
}

QJsonObject StateSnapshots::stateSnapshot(const QuoteDecision &decision)
{
    if (decision.quote().symbol.isEmpty())
        return QJsonObject();
    return QJsonObject{
        {u"buy"_s, decision.buyDecisionStatus()},
        {u"sell"_s, decision.sellDecisionStatus()},
        {u"execution"_s, decision.displayExecutionStatus()},
        {u"risk"_s, decision.riskStatus()},
        {u"structure"_s, decision.structureLine()},
        {u"riskPressure"_s, decision.riskPressureScore()},
    };
}

QJsonObject StateSnapshots::stateSnapshotForQuote(const Quote &quote) const
{
    if (quote.symbol.isEmpty())
        return QJsonObject();
    return stateSnapshot(m_engine.decisionForQuote(quote));
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
            m_current.insert(quote.symbol, stateSnapshotForQuote(quote));
    }
}

QJsonObject StateSnapshots::currentStateSnapshotForSymbol(const QString &symbol) const
{
    return m_current.value(symbol);
}

QJsonObject StateSnapshots::previousStateSnapshotForSymbol(const QString &symbol) const
{
    return m_previous.value(symbol);
}

QString StateSnapshots::stateContinuityDescriptionForQuote(const Quote &quote) const
{
    return stateContinuityDescription(m_engine.decisionForQuote(quote),
                                      m_previous.value(quote.symbol));
}

QString StateSnapshots::stateContinuityDescription(const QuoteDecision &decision,
                                                   const QJsonObject &previous)
{
    if (previous.isEmpty())
        return u"状态连续性：首轮观察，先看当前结构是否延续。"_s;

    const QString execution = decision.displayExecutionStatus();
    const QString previousExecution = previous.value(u"execution"_s).toString();
    const int score = continuityScoreForExecutionState(execution);
    const int previousScore = continuityScoreForExecutionState(previousExecution);
    if (score != previousScore) {
        const QString from = previousExecution.isEmpty() ? u"观察"_s : previousExecution;
        return (score > previousScore ? u"状态连续性：较上一轮转强，当前由"_s
                                      : u"状态连续性：较上一轮转弱，当前由"_s) +
               from + u"转为"_s + execution + u"。"_s;
    }

    const QString risk = decision.riskStatus();
    const QString previousRisk = previous.value(u"risk"_s).toString();
    if (risk != previousRisk) {
        if (risk == u"结构转弱")
            return u"状态连续性：较上一轮风险抬升，当前已进入结构转弱阶段。"_s;
        if (risk == u"回踩偏弱")
            return u"状态连续性：较上一轮回踩加深，承接开始走弱。"_s;
        if (risk == u"收回观察")
            return u"状态连续性：较上一轮有所收回，先看这次修复能否真正站稳。"_s;
        if (risk == u"回踩中")
            return u"状态连续性：较上一轮风险有所缓和，重新回到回踩观察阶段。"_s;
        const QString from = previousRisk.isEmpty() ? u"可控"_s : previousRisk;
        return u"状态连续性：风险状态由"_s + from + u"变化到"_s + risk + u"。"_s;
    }

    const QString structure = decision.structureLine();
    const QString previousStructure = previous.value(u"structure"_s).toString();
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
