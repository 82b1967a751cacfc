// SPDX-License-Identifier: GPL-3.0-or-later
// The core risk state and every verdict worded from it, as values of the state types; the
// texts come from their tables only.
#include "decision/DecisionStates.h"
#include "decision/DecisionEngine.h"
#include "decision/QuoteDecision.h"
#include "intraday/IntradayAnalytics.h"
#include "model/Formatters.h"

using namespace Qt::StringLiterals;

QString tagText(ActionStatus status)
{
    return status == ActionStatus::NoChase ? u"不追"_s : toText(status);
}

QString RiskStatus::text() const
{
    return level ? toText(word) + u' ' + formatPrice(*level) : toText(word);
}

bool RiskStatus::isLoss() const
{
    return word == RiskWord::StructureWeak || word == RiskWord::WeakPullback ||
           word == RiskWord::Lost;
}

QJsonObject StateSnapshot::toJson() const
{
    return QJsonObject{
        {u"buy"_s, toText(buy)},  {u"sell"_s, toText(sell)},   {u"execution"_s, toText(execution)},
        {u"risk"_s, risk.text()}, {u"structure"_s, structure}, {u"riskPressure"_s, riskPressure},
    };
}

CoreRiskState QuoteDecision::coreRisk() const
{
    return once(m_memo.coreRisk, [this] {
        if (hasSevereRisk())
            return CoreRiskState::StructureWeak;
        if (hasWeakPullback() || hasLostAverageSupport())
            return CoreRiskState::RiskRising;
        if (hasHealthyPullback() || isBelowAverage())
            return CoreRiskState::PullbackWatch;
        if (hasBuyConfirmation() && hasSupportiveBackground() && !hasWeakDailyBackground() &&
            !shouldHoldBackAggressiveBuy())
            return CoreRiskState::Strengthened;
        return CoreRiskState::Repairing;
    });
}

ActionStatus QuoteDecision::buyStatus() const
{
    return once(m_memo.buyStatus, [this] {
        if (!hasDecisionData())
            return ActionStatus::NoData;
        if (hasChaseRisk())
            return ActionStatus::NoChase;
        return DecisionEngine::buyLabelForCoreRiskState(coreRisk());
    });
}

ActionStatus QuoteDecision::executionAction() const
{
    // The execution label table is the buy label table, so both statuses agree.
    if (!hasDecisionData())
        return ActionStatus::NoData;
    if (hasChaseRisk())
        return ActionStatus::NoChase;
    return DecisionEngine::executionLabelForCoreRiskState(coreRisk());
}

SellStatus QuoteDecision::sellStatus() const
{
    return once(m_memo.sellStatus, [this] {
        if (!hasDecisionData())
            return SellStatus::NoData;
        const CoreRiskState state = coreRisk();
        if (state == CoreRiskState::StructureWeak)
            return SellStatus::Defend;
        if (hasRecoveredFalseBreak())
            return SellStatus::WatchSupport;
        if (state == CoreRiskState::RiskRising && risk().word == RiskWord::Lost)
            return SellStatus::Defend;
        if (hasChaseRisk() && m_quote.changePercent() > 0)
            return SellStatus::GuardPullback;
        return DecisionEngine::sellLabelForCoreRiskState(state);
    });
}

ExecutionPhase QuoteDecision::executionPhase() const
{
    if (!hasDecisionData())
        return ExecutionPhase::NoData;
    if (hasChaseRisk())
        return ExecutionPhase::NoChase;
    switch (coreRisk()) {
    case CoreRiskState::StructureWeak:
    case CoreRiskState::RiskRising:
        return ExecutionPhase::Defend;
    case CoreRiskState::Strengthened:
        return ExecutionPhase::TrackingWindow;
    case CoreRiskState::PullbackWatch:
        return ExecutionPhase::WatchPullback;
    case CoreRiskState::Repairing:
        break;
    }
    return ExecutionPhase::AwaitConfirm;
}

RiskStatus QuoteDecision::risk() const
{
    return once(m_memo.risk, [this]() -> RiskStatus {
        if (!hasDecisionData())
            return {RiskWord::NoData, {}};
        const CoreRiskState state = coreRisk();
        if (state == CoreRiskState::StructureWeak)
            return {RiskWord::StructureWeak, {}};
        if (hasRecoveredFalseBreak())
            return {RiskWord::WonBack, {}};
        if (state == CoreRiskState::RiskRising)
            return hasWeakPullback() ? RiskStatus{RiskWord::WeakPullback, {}}
                                     : RiskStatus{RiskWord::Lost, average()};
        if (state == CoreRiskState::PullbackWatch || isBelowAverage())
            return {RiskWord::InPullback, {}};
        if (openChange() >= 0 || middayChange() >= 0)
            return {RiskWord::Holding, average()};
        if (m_quote.low > 0)
            return {RiskWord::Watching, m_quote.low};
        return {RiskWord::Controlled, {}};
    });
}

QString QuoteDecision::coreRiskState() const
{
    return toText(coreRisk());
}

QString QuoteDecision::buyDecisionStatus() const
{
    return toText(buyStatus());
}

QString QuoteDecision::displayExecutionStatus() const
{
    return toText(executionAction());
}

QString QuoteDecision::sellDecisionStatus() const
{
    return toText(sellStatus());
}

QString QuoteDecision::executionStatus() const
{
    return u"执行状态："_s + toText(executionPhase());
}

QString QuoteDecision::riskStatus() const
{
    return risk().text();
}

int QuoteDecision::confidenceRow() const
{
    return once(m_memo.confidenceRow, [this] {
        if (!hasDecisionData())
            return 0;
        const double v5 = volumeRatio(5);
        if (IntradayAnalytics::isUnboundedRatio(v5) || v5 >= 6.0)
            return 1;
        if (dailyDataIsStale())
            return 2;
        if (isOpeningProtectionWindow())
            return 3;
        if (isClosingProtectionWindow())
            return 4;
        if (priceCount() < 12)
            return 5;
        return 6;
    });
}

QString QuoteDecision::decisionConfidence() const
{
    switch (confidenceRow()) {
    case 0:
    case 1:
        return u"低"_s;
    case 6:
        return u"高"_s;
    default:
        return u"中"_s;
    }
}

QString QuoteDecision::decisionConfidenceReason() const
{
    switch (confidenceRow()) {
    case 0:
        return u"分时、均价线或量能样本不足，先不强行下结论。"_s;
    case 1:
        return u"近端量能读数过热或异常，判断自动降级。"_s;
    case 2:
        return u"日线背景缺失或不是今日缓存，判断按中等置信度处理。"_s;
    case 3:
        return u"开盘前30分钟波动容易失真，判断按中等置信度处理。"_s;
    case 4:
        return u"尾盘容易抢跑或回落，判断按中等置信度处理。"_s;
    case 5:
        return u"分时样本仍在积累，判断按中等置信度处理。"_s;
    default:
        return u"分时、均价线和量能样本较完整，当前判断置信度较高。"_s;
    }
}

QString QuoteDecision::riskPriorityReason() const
{
    if (hasSevereRisk())
        return u"风险优先：已触发明显风险，先防守"_s;
    if (hasRecoveredFalseBreak())
        return u"风险优先：出现假跌破后收回，风险重新回到可观察区"_s;
    if (hasWeakPullback())
        return u"风险优先：回踩偏弱，承接开始变差"_s;
    const RiskStatus status = risk();
    if (status.word == RiskWord::Lost)
        return u"风险优先：关键位已失守（"_s + status.text() + u"）"_s;
    if (status.word == RiskWord::InPullback)
        return u"风险优先：当前仍在回踩阶段，先看承接"_s;
    return u"风险优先：未见明显失控风险"_s;
}

QString QuoteDecision::backgroundPriorityReason() const
{
    const QString daily = dailyContext();
    if (daily.contains(u"下跌中继风险"))
        return u"背景过滤："_s + daily + u"，盘中修复先降级观察"_s;
    if (daily.contains(u"高位震荡"))
        return u"背景过滤："_s + daily + u"，接近日高时优先防追价"_s;
    if (hasSupportiveBackground())
        return u"背景过滤：日内背景偏支持（"_s + marketBackgroundDescription() + u"；"_s +
               boardBackgroundDescription() + u"）"_s;
    if (hasWeakBackground())
        return u"背景过滤：日内背景偏弱（"_s + marketBackgroundDescription() + u"；"_s +
               boardBackgroundDescription() + u"）"_s;
    return u"背景过滤：背景中性，仍需确认（"_s + daily + u"）"_s;
}

QString QuoteDecision::confirmationPriorityReason() const
{
    if (hasChaseRisk())
        return u"追价过滤：当前位置接近日高，不宜直接追"_s;
    if (hasBuyConfirmation())
        return u"近端确认：均价线、节奏与量能配合基本成立"_s;
    if (hasRecoveredFalseBreak())
        return u"近端确认：短线假跌破后已收回，可继续看均价线是否站稳"_s;
    if (hasHealthyPullback())
        return u"近端确认：回踩质量尚可，先看能否稳住再延续"_s;
    if (hasWeakPullback())
        return u"近端确认：回踩偏弱，先别把回落当成低吸机会"_s;
    if (isBelowAverage())
        return u"近端确认：当前仍在均价线 "_s + formatPrice(average()) + u" 下方"_s;
    return u"近端确认：节奏或量能仍差一步确认"_s;
}

QString QuoteDecision::decisionPipelineSummary() const
{
    return u"判定链："_s + riskPriorityReason() + u"；"_s + backgroundPriorityReason() + u"；"_s +
           confirmationPriorityReason() + u"。当前结果：机会="_s + buyDecisionStatus() +
           u"，防守="_s + sellDecisionStatus() + u"，当前="_s + displayExecutionStatus() +
           u"，置信度="_s + decisionConfidence() + u"。"_s;
}

QString QuoteDecision::nextWatchDirective() const
{
    if (!hasDecisionData())
        return u"下一步先等分时、均价线和量能样本更完整，再判断当前强弱。"_s;
    if (isStrongHighLock())
        return u"下一步重点观察高位稳定性和回落风险，不把强势高位直接当成追价点。"_s;
    const QString avg = formatPrice(average());
    if (hasCleanBreakout())
        return u"下一步看突破后的回踩是否守住 "_s + avg + u"，站稳后再继续跟踪。"_s;
    if (hasChaseRisk())
        return u"下一步先等回落后的确认，不把接近 "_s + formatPrice(m_quote.high) +
               u" 的位置直接当成追价点。"_s;
    switch (coreRisk()) {
    case CoreRiskState::Strengthened:
        return u"下一步看均价线 "_s + avg + u" 附近是否稳住，守住后可继续跟踪。"_s;
    case CoreRiskState::Repairing:
        return u"下一步先看能否重新带稳均价线 "_s + avg + u"，再判断是否转强。"_s;
    case CoreRiskState::PullbackWatch:
        return u"下一步先看能否收复均价线 "_s + avg + u"，收复后再看延续。"_s;
    case CoreRiskState::StructureWeak:
        return u"下一步以防守为先，重点看能否重新站回 "_s + avg + u" 上方。"_s;
    case CoreRiskState::RiskRising:
        return u"下一步先看能否重新收回 "_s + avg + u"，否则继续以防守和观察为主。"_s;
    }
    return u"下一步看 "_s + keyLevelScenario() + u"，结合机会与风险状态再判断是否继续跟踪。"_s;
}

QString QuoteDecision::mainDecisionState() const
{
    return toText(executionAction());
}

QStringList QuoteDecision::mainDecisionReasons() const
{
    QStringList reasons;
    // Candidates in order; later ones are only computed while fewer than three are taken.
    const auto take = [&reasons](const QString &candidate) {
        const QString line = candidate.trimmed();
        if (!line.isEmpty() && !reasons.contains(line))
            reasons.append(line);
        return reasons.size() < 3;
    };
    take(riskPriorityReason()) && take(backgroundPriorityReason()) &&
        take(confirmationPriorityReason()) && take(structureLine()) &&
        take(m_engine->analytics().detailedVolumePriceDescriptionForQuote(m_quote));
    return reasons;
}
