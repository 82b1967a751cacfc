// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/InsightPrompt.h"

#include "decision/DecisionEngine.h"
#include "decision/QuoteDecision.h"
#include "decision/StateSnapshots.h"
#include "intraday/IntradayAnalytics.h"
#include "model/Formatters.h"
#include "strategy/BoardTags.h"

#include <algorithm>

using namespace Qt::StringLiterals;

InsightPrompt::InsightPrompt(const DecisionEngine &engine, const StateSnapshots &snapshots,
                             const BoardTags &boardTags, const QList<Quote> &heldQuotes)
    : m_engine(engine)
    , m_snapshots(snapshots)
    , m_boardTags(boardTags)
    , m_heldQuotes(heldQuotes)
{}

const QString &InsightPrompt::systemMessage()
{
    static const QString text =
        u"你是澄川的盘中观察主持人。你会收到四个专家 Agent 的观点：结构、量价、风险、机会。"
        u"你的职责不是重复原文，而是基于它们的共识与分歧，给出简洁、专业、可执行的中文观察。"
        u"优先使用用户提供的“结构化判断”“节奏分层”“价格锚点”和多 Agent 观点，"
        u"可自然引用 1-2 个最关键价格，例如当前价、分时均价线、日内高低位；"
        u"不要把所有数字都复述成播报。不要编造盘口、资金流、主力意图或逐笔成交信息。"
        u"不要提供绝对化的买入、卖出、目标价、收益承诺或荐股结论。"
        u"你可以给出轻量操作思路，但必须使用“可跟踪”“宜观察”“若…则…”这类条件化表达。"
        u"固定输出三句话：第 1 句概括当前盘面状态，第 2 句指出最关键的结构/量价信号，"
        u"第 3 句给出下一步观察或条件化操作思路。语气冷静、克制、专业，不要使用营销话术。"_s;
    return text;
}

const QString &InsightPrompt::closingInstruction()
{
    static const QString text =
        u"请输出三句话：1. 当前盘面状态；2. 最关键的结构/量价信号；3. 下一步观察或条件化操作思路。"
        u"优先使用“结构化判断”“节奏分层”“日内背景”“日线背景”“状态连续性”“执行状态”"
        u"“判断置信度”和各 Agent 的共识，并尽量复用这套状态词："
        u"机会侧可用“可跟踪 / 等转强 / 收复均价 / 等确认 / 不追高”，"
        u"风险侧可用“守 xx / 回踩中 / 失 xx / 结构转弱 / 先防守”，"
        u"执行侧可用“跟踪窗口 / 等待确认 / 先防守 / 不追高 / 先看回踩 / 数据不足”。"
        u"当状态连续性提示较上一轮转强或转弱时，请自然体现在结论里。"
        u"第 3 句尽量直接落到“下一步锚点”，明确告诉用户下一步更该盯均价线、日高/日低还是回踩确认。"
        u"若指数背景、板块背景或日线背景偏弱，应自然体现在结论中。"
        u"自然引用 1-2 个最关键价格锚点，例如当前价、分时均价线或日内高低位；"
        u"不要把所有数字都复述成播报。"
        u"不要逐条复述 5/15/30 "
        u"分钟原始涨跌，而要翻译成偏强、转弱、修复、延续、等待确认这类交易语境。"
        u"不要泛泛说“关注承接”。"
        u"不要给绝对化买卖建议，要用“可跟踪”“宜观察”“若…则…”这类条件化表达。"_s;
    return text;
}

// --- Agent reports -----------------------------------------------------------------------

QString InsightPrompt::structureAgentReport(const QuoteDecision &d) const
{
    const IntradayAnalytics &a = m_engine.analytics();
    const Quote &q = d.quote();
    return u"判断："_s + d.structureLine() + u"。节奏："_s + a.shortRhythmDescriptionForQuote(q) +
           u"。依据："_s + a.continuationDescriptionForQuote(q) + u"，"_s +
           a.openSessionDescriptionForQuote(q) + u"，"_s +
           a.afternoonSessionDescriptionForQuote(q) + u"，"_s +
           a.averageLineDescriptionForQuote(q) + u"。"_s;
}

QString InsightPrompt::volumePriceAgentReport(const QuoteDecision &d) const
{
    const IntradayAnalytics &a = m_engine.analytics();
    const Quote &q = d.quote();
    return u"判断："_s + a.detailedVolumePriceDescriptionForQuote(q) + u"。量价配合："_s +
           a.volumePriceContextDescriptionForQuote(q) + u"。依据："_s +
           a.recentVolumeDescriptionForQuote(q, 5) + u"。"_s;
}

QString InsightPrompt::riskAgentReport(const QuoteDecision &d, const QString &breakoutContext)
{
    const double average = d.average();
    QString risk;
    if (d.hasSevereRisk())
        risk = u"风险状态：结构转弱"_s;
    else if (d.hasRecoveredFalseBreak())
        risk = u"风险状态：假跌破后收回"_s;
    else if (d.hasWeakPullback())
        risk = u"风险状态：回踩偏弱"_s;
    else if (d.hasLostAverageSupport())
        risk = u"风险状态：失 "_s + formatPrice(average);
    else if (d.hasHealthyPullback() || d.isBelowAverage())
        risk = u"风险状态：回踩中"_s;
    else
        risk = u"风险状态：可控"_s;

    const QString keyLevel =
        average > 0 ? u"关键风控位：均价线 "_s + formatPrice(average) + u"，日内背景 "_s +
                          (d.openChange() >= 0 ? u"未转弱"_s : u"偏弱"_s) + u" / "_s +
                          (d.middayChange() >= 0 ? u"午后未转差"_s : u"午后走弱"_s)
                    : u"关键风控位：等待均价线形成"_s;
    return u"判断："_s + risk + u"。"_s + keyLevel + u"。补充："_s + breakoutContext + u"。"_s;
}

QString InsightPrompt::opportunityAgentReport(const QuoteDecision &d)
{
    const QString average = formatPrice(d.average());
    QString state;
    QString reason;
    if (d.hasSevereRisk()) {
        state = u"机会状态：先防守"_s;
        reason = u"理由：当前风险优先级更高，不适合把局部修复当成机会"_s;
    } else if (d.hasBuyConfirmation() && d.hasSupportiveBackground() && !d.hasChaseRisk()) {
        state = u"机会状态：可跟踪"_s;
        reason = u"理由：价格仍在均价线 "_s + average + u" 上方，且背景与节奏配合成立"_s;
    } else if (d.hasChaseRisk()) {
        state = u"机会状态：不追高"_s;
        reason =
            u"理由：当前价已接近日高 "_s + formatPrice(d.quote().high) + u"，更适合等回踩确认"_s;
    } else if (d.hasRecoveredFalseBreak()) {
        state = u"机会状态：等确认"_s;
        reason = u"理由：虽已收回均价线，但仍需确认这次收回不是短暂反抽"_s;
    } else if (d.hasSupportiveBackground()) {
        state = u"机会状态：等确认"_s;
        reason = u"理由：背景有支持，但近端确认还没有完全收口"_s;
    } else if (d.hasWeakBackground()) {
        state = u"机会状态：等转强"_s;
        reason = u"理由：眼前修复还不够，仍需等待背景重新转强"_s;
    } else if (d.isBelowAverage()) {
        state = u"机会状态：收复均价"_s;
        reason = u"理由：尚未重新站上均价线 "_s + average;
    } else {
        state = u"机会状态：等确认"_s;
        reason = u"理由：当前还缺少更清晰的结构确认"_s;
    }
    return u"判断："_s + state + u"。"_s + reason + u"。"_s;
}

QString InsightPrompt::moderatorTask(const QuoteDecision &d) const
{
    const IntradayAnalytics &a = m_engine.analytics();
    const Quote &q = d.quote();
    const QString continuity =
        StateSnapshots::stateContinuityDescription(d, m_snapshots.previousStateForSymbol(q.symbol));
    return u"主持任务：综合四个 Agent 的共识和分歧，优先回答当前强弱、最关键的量价/结构信号、"
           u"下一步观察位。价格锚点："_s +
           a.priceAnchorDescriptionForQuote(q) + u"。主方向参考："_s +
           a.mainDirectionDescriptionForQuote(q) + u"。背景补充："_s +
           a.openSessionDescriptionForQuote(q) + u"；"_s +
           a.afternoonSessionDescriptionForQuote(q) + u"；"_s + d.marketBackgroundDescription() +
           u"；"_s + d.boardBackgroundDescription() + u"；"_s + d.dailyContext() +
           u"。状态连续性："_s + continuity + u"。执行状态："_s + d.executionStatus() +
           u"。本地观察锚点："_s + d.nextWatchDirective() + u"。规则摘要："_s +
           d.decisionPipelineSummary() + u"。"_s;
}

QString InsightPrompt::operationHint(const QuoteDecision &d) const
{
    // A defending execution status has no line of its own: the structure speaks for it.
    switch (d.executionPhase()) {
    case ExecutionPhase::TrackingWindow:
        return u"操作观察口径：当前位置更适合跟踪强弱延续，先盯均价线和回踩承接"_s;
    case ExecutionPhase::AwaitConfirm:
        return u"操作观察口径：当前更适合等确认，不把局部修复直接当成出手信号"_s;
    case ExecutionPhase::NoChase:
        return u"操作观察口径：当前位置不追高，优先等回踩确认后再判断"_s;
    default:
        break;
    }
    const QString s = d.structureLine();
    if (s.contains(u"冲高回落"))
        return u"操作观察口径：不宜追高，优先看回落后能否重新站回均价线"_s;
    if (s.contains(u"低位反抽"))
        return u"操作观察口径：可跟踪反抽能否持续放量，若反抽缩量则偏观察"_s;
    if (s.contains(u"高位横盘"))
        return u"操作观察口径：可跟踪是否放量突破日内高位，缩量横盘则等待确认"_s;
    if (s.contains(u"突破后回踩"))
        return u"操作观察口径：重点看回踩均价线附近是否稳住，若跌破则降低短线预期"_s;
    if (s.contains(u"午后转强"))
        return u"操作观察口径：可跟踪午后强势能否延续，避免在缩量冲高时追进"_s;
    if (s.contains(u"午后转弱"))
        return u"操作观察口径：宜先观察修复力度，重新站回均价线前保持谨慎"_s;
    if (!d.isAboveAverage())
        return u"操作观察口径：均价线下方优先观察修复，等重新站上后再看延续"_s;
    if (d.quote().changePercent() >= 0)
        return u"操作观察口径：偏强时关注均价线上方承接和日高突破确认"_s;
    return u"操作观察口径：震荡阶段等待放量突破或回踩确认"_s;
}

QString InsightPrompt::structureAgentReportForQuote(const Quote &quote) const
{
    return structureAgentReport(m_engine.decisionForQuote(quote));
}

QString InsightPrompt::volumePriceAgentReportForQuote(const Quote &quote) const
{
    return volumePriceAgentReport(m_engine.decisionForQuote(quote));
}

QString InsightPrompt::riskAgentReportForQuote(const Quote &quote) const
{
    return riskAgentReport(m_engine.decisionForQuote(quote),
                           m_engine.analytics().breakoutContextDescriptionForQuote(quote));
}

QString InsightPrompt::opportunityAgentReportForQuote(const Quote &quote) const
{
    return opportunityAgentReport(m_engine.decisionForQuote(quote));
}

QString InsightPrompt::moderatorTaskForQuote(const Quote &quote) const
{
    return moderatorTask(m_engine.decisionForQuote(quote));
}

QString InsightPrompt::operationHintDescriptionForQuote(const Quote &quote) const
{
    return operationHint(m_engine.decisionForQuote(quote));
}

// --- The user message --------------------------------------------------------------------

double InsightPrompt::amplitudePercentForQuote(const Quote &quote)
{
    if (quote.previousClose <= 0)
        return 0;
    return (quote.high - quote.low) / quote.previousClose * 100.0;
}

qsizetype InsightPrompt::changeRankForQuote(const Quote &quote) const
{
    QList<Quote> sorted = m_heldQuotes;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Quote &a, const Quote &b) {
        return a.changePercent() > b.changePercent();
    });
    for (qsizetype i = 0; i < sorted.size(); ++i) {
        if (sorted.at(i).symbol == quote.symbol)
            return i + 1;
    }
    return 1;
}

QString InsightPrompt::aiPromptForQuote(const Quote &quote) const
{
    // One decision object for the whole message: the series are scanned once.
    const QuoteDecision d = m_engine.decisionForQuote(quote);
    const IntradayAnalytics &a = m_engine.analytics();

    // The ten analysis lines, in the order they are computed.
    const QString sinceOpen = a.openSessionDescriptionForQuote(quote);
    const QString afternoon = a.afternoonSessionDescriptionForQuote(quote);
    const QString market = d.marketBackgroundDescription();
    const QString board = d.boardBackgroundDescription();
    const QString recentVolume = a.recentVolumeDescriptionForQuote(quote, 5);
    const QString volumeContext = a.volumePriceContextDescriptionForQuote(quote);
    const QString breakout = a.breakoutContextDescriptionForQuote(quote);
    const QString structure = d.structureLine();
    const QString detailedVolume = a.detailedVolumePriceDescriptionForQuote(quote);
    const QString hint = operationHint(d);

    const QString continuity = StateSnapshots::stateContinuityDescription(
        d, m_snapshots.previousStateForSymbol(quote.symbol));
    const QString sep = u"；"_s;

    const QStringList lines{
        u"股票："_s + quote.name + u"（"_s + quote.symbol.toUpper() + u"）"_s,
        u"当前价："_s + formatPrice(quote.price),
        u"涨跌额："_s + formatChange(quote.change()),
        u"涨跌幅："_s + formatPercent(quote.changePercent()),
        u"今开："_s + formatPrice(quote.open),
        u"昨收："_s + formatPrice(quote.previousClose),
        u"最高："_s + formatPrice(quote.high),
        u"最低："_s + formatPrice(quote.low),
        u"成交量："_s + formatCompactNumber(quote.volume),
        u"成交额："_s + formatCompactNumber(quote.amount),
        u"振幅："_s + formatFixed(amplitudePercentForQuote(quote), 2) + u"%"_s,
        u"自选池数量："_s + QString::number(m_heldQuotes.size()),
        u"涨幅排名："_s + QString::number(changeRankForQuote(quote)) + u"/"_s +
            QString::number(m_heldQuotes.size()),
        u"价格锚点："_s + a.priceAnchorDescriptionForQuote(quote),
        u"基础盘中特征："_s + a.intradayLocationDescriptionForQuote(quote) + sep +
            a.distanceToExtremesDescriptionForQuote(quote) + sep +
            a.averageLineDescriptionForQuote(quote) + sep +
            a.shortRhythmDescriptionForQuote(quote) + sep +
            a.continuationDescriptionForQuote(quote) + sep +
            a.mainDirectionDescriptionForQuote(quote),
        u"节奏分层："_s + sinceOpen + sep + afternoon + sep + recentVolume,
        u"日内背景："_s + market + sep + board + sep + volumeContext + sep + breakout,
        u"日线背景："_s + d.dailyContext() + u"；板块标签："_s +
            m_boardTags.boardTagsForQuote(quote).join(u" / "_s),
        u"状态连续性："_s + continuity,
        u"结构化判断："_s + structure + sep + detailedVolume + sep + hint,
        u"执行状态："_s + d.executionStatus(),
        u"判断置信度："_s + d.decisionConfidence() + u"（"_s + d.decisionConfidenceReason() +
            u"）"_s,
        u"下一步锚点："_s + d.nextWatchDirective(),
        u"规则摘要："_s + d.decisionPipelineSummary(),
        QString(),
        u"多Agent观点："_s,
        u"结构Agent："_s + structureAgentReport(d),
        u"量价Agent："_s + volumePriceAgentReport(d),
        u"风险Agent："_s + riskAgentReport(d, breakout),
        u"机会Agent："_s + opportunityAgentReport(d),
        moderatorTask(d),
        QString(),
        closingInstruction(),
    };
    return lines.join(u'\n');
}

InsightPromptMessages InsightPrompt::messagesForQuote(const Quote &quote) const
{
    return {systemMessage(), aiPromptForQuote(quote)};
}
