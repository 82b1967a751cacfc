// SPDX-License-Identifier: GPL-3.0-or-later
// The core risk state and every verdict worded from it. Other parts of the program compare
// these texts by equality (or by the prefix "失 "), so they must not drift.
#include "decision/DecisionEngine.h"
#include "decision/QuoteDecision.h"
#include "intraday/IntradayAnalytics.h"
#include "model/Formatters.h"

using namespace Qt::StringLiterals;

QString QuoteDecision::coreRiskState() const
{
    return once(m_memo.coreRiskState, [this]() -> QString {
        if (hasSevereRisk())
            return u"结构转弱"_s;
        if (hasWeakPullback() || hasLostAverageSupport())
            return u"风险抬升"_s;
        if (hasHealthyPullback() || isBelowAverage())
            return u"回踩观察"_s;
        if (hasBuyConfirmation() && hasSupportiveBackground() && !hasWeakDailyBackground() &&
            !shouldHoldBackAggressiveBuy())
            return u"转强成立"_s;
        return u"修复确认中"_s;
    });
}

QString QuoteDecision::buyDecisionStatus() const
{
    return once(m_memo.buyStatus, [this]() -> QString {
        if (!hasDecisionData())
            return u"数据不足"_s;
        if (hasChaseRisk())
            return u"不追高"_s;
        return DecisionEngine::buyLabelForCoreRiskState(coreRiskState());
    });
}

QString QuoteDecision::displayExecutionStatus() const
{
    // The execution label table is the buy label table, so both statuses agree.
    if (!hasDecisionData())
        return u"数据不足"_s;
    if (hasChaseRisk())
        return u"不追高"_s;
    return DecisionEngine::executionLabelForCoreRiskState(coreRiskState());
}

QString QuoteDecision::sellDecisionStatus() const
{
    return once(m_memo.sellStatus, [this]() -> QString {
        if (!hasDecisionData())
            return u"数据不足"_s;
        const QString state = coreRiskState();
        if (state == u"结构转弱")
            return u"先防守"_s;
        if (hasRecoveredFalseBreak())
            return u"看承接"_s;
        if (state == u"风险抬升" && riskStatus().startsWith(u"失 "))
            return u"先防守"_s;
        if (hasChaseRisk() && m_quote.changePercent() > 0)
            return u"防回落"_s;
        return DecisionEngine::sellLabelForCoreRiskState(state);
    });
}

QString QuoteDecision::executionStatus() const
{
    if (!hasDecisionData())
        return u"执行状态：数据不足"_s;
    if (hasChaseRisk())
        return u"执行状态：不追高"_s;
    const QString state = coreRiskState();
    if (state == u"结构转弱")
        return u"执行状态：先防守"_s;
    if (state == u"转强成立")
        return u"执行状态：跟踪窗口"_s;
    if (state == u"回踩观察")
        return u"执行状态：先看回踩"_s;
    if (state == u"风险抬升")
        return u"执行状态：先防守"_s;
    return u"执行状态：等待确认"_s;
}

QString QuoteDecision::riskStatus() const
{
    return once(m_memo.riskStatus, [this]() -> QString {
        if (!hasDecisionData())
            return u"数据不足"_s;
        const QString state = coreRiskState();
        if (state == u"结构转弱")
            return u"结构转弱"_s;
        if (hasRecoveredFalseBreak())
            return u"收回观察"_s;
        if (state == u"风险抬升")
            return hasWeakPullback() ? u"回踩偏弱"_s : QString(u"失 "_s + formatPrice(average()));
        if (state == u"回踩观察" || isBelowAverage())
            return u"回踩中"_s;
        if (openChange() >= 0 || middayChange() >= 0)
            return u"守 "_s + formatPrice(average());
        if (m_quote.low > 0)
            return u"看 "_s + formatPrice(m_quote.low);
        return u"可控"_s;
    });
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
    const QString risk = riskStatus();
    if (risk.startsWith(u"失 "))
        return u"风险优先：关键位已失守（"_s + risk + u"）"_s;
    if (risk == u"回踩中")
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
    const QString state = coreRiskState();
    if (state == u"转强成立")
        return u"下一步看均价线 "_s + avg + u" 附近是否稳住，守住后可继续跟踪。"_s;
    if (state == u"修复确认中")
        return u"下一步先看能否重新带稳均价线 "_s + avg + u"，再判断是否转强。"_s;
    if (state == u"回踩观察")
        return u"下一步先看能否收复均价线 "_s + avg + u"，收复后再看延续。"_s;
    if (state == u"结构转弱")
        return u"下一步以防守为先，重点看能否重新站回 "_s + avg + u" 上方。"_s;
    if (state == u"风险抬升")
        return u"下一步先看能否重新收回 "_s + avg + u"，否则继续以防守和观察为主。"_s;
    return u"下一步看 "_s + keyLevelScenario() + u"，结合机会与风险状态再判断是否继续跟踪。"_s;
}

QString QuoteDecision::mainDecisionState() const
{
    if (!hasDecisionData())
        return u"数据不足"_s;
    if (hasChaseRisk())
        return u"不追高"_s;
    return displayExecutionStatus();
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
