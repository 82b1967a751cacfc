// SPDX-License-Identifier: GPL-3.0-or-later
// The key-level line and the sentence shown beside each status word of the risk panel.
#include "decision/DecisionEngine.h"
#include "decision/QuoteDecision.h"
#include "model/Formatters.h"

using namespace Qt::StringLiterals;

QString QuoteDecision::keyLevelScenario() const
{
    if (m_quote.high > 0 && m_quote.low > 0)
        return formatPrice(m_quote.high) + u" / "_s + formatPrice(m_quote.low);
    if (average() > 0)
        return u"均价 "_s + formatPrice(average());
    return u"等待数据"_s;
}

QString QuoteDecision::scenarioMetricHintForTitle(const QString &title) const
{
    if (title == u"机会")
        return buyStatusHint();
    if (title == u"防守")
        return sellStatusHint();
    if (title == u"当前")
        return executionStatusHint();
    if (title == u"盯位")
        return keyLevelHint();
    return QString();
}

QString QuoteDecision::buyStatusHint() const
{
    switch (buyStatus()) {
    case ActionStatus::NoData:
        return decisionConfidenceReason();
    case ActionStatus::Trackable:
        return u"机会观察条件较完整：当前站上均价线 "_s + formatPrice(average()) +
               u"，短线和中段节奏没有明显走坏，但仍需看回踩确认。"_s;
    case ActionStatus::AwaitConfirm:
        if (isOpeningProtectionWindow())
            return u"开盘前30分钟波动容易失真，即使短线转强，也先降级为等确认。"_s;
        if (isClosingProtectionWindow())
            return u"尾盘容易出现抢跑或回落，除非延续性很清楚，否则先等确认。"_s;
        if (!hasMediumTrendSupport())
            return u"短线有修复，但30分钟结构还没配合，所以先不显示积极标签。"_s;
        return u"条件接近，但还差最后一步确认。继续看价格能否稳住均价线 "_s +
               formatPrice(average()) + u"，或回踩后承接是否成立。"_s;
    case ActionStatus::NoChase:
        return u"当前位置更像追价区，尤其接近日高 "_s + formatPrice(m_quote.high) +
               u" 且确认不足时，先等回踩后的再判断。"_s;
    case ActionStatus::Defend:
        return u"当前重点不是寻找机会，而是先避免在结构转弱或风险抬升时继续进攻。"_s;
    case ActionStatus::WatchPullback:
        return u"当前位置更像回踩观察阶段，先看均价线 "_s + formatPrice(average()) +
               u" 一带的承接是否稳住。"_s;
    }
    return u"当前更适合继续观察，不急着把局部修复或单次波动当成确定信号。"_s;
}

QString QuoteDecision::sellStatusHint() const
{
    switch (sellStatus()) {
    case SellStatus::NoData:
        return decisionConfidenceReason();
    case SellStatus::KeepTracking:
        return u"结构还没有明显走坏，当前更适合继续观察强弱延续，而不是急着放大结论。"_s;
    case SellStatus::WatchSupport:
        return u"这更像回踩观察位，重点看均价线 "_s + formatPrice(average()) +
               u" 一带有没有承接。"_s;
    case SellStatus::GuardPullback:
        return u"位置已经偏高，适合边看延续边防回落，尤其要盯住接近 "_s +
               formatPrice(m_quote.high) + u" 附近时的量价变化。"_s;
    case SellStatus::Defend:
        return u"盘面已经进入明显偏弱或结构转坏阶段，处理重点应该切到防守。"_s;
    case SellStatus::KeepWatching:
        break;
    }
    return u"当前更适合继续看盘面变化，再决定是否需要调整持有节奏。"_s;
}

QString QuoteDecision::executionStatusHint() const
{
    switch (executionAction()) {
    case ActionStatus::Trackable:
        return u"当前更偏进攻观察区，可以继续跟踪强弱延续，但不代表无条件追价。"_s;
    case ActionStatus::AwaitConfirm:
        return u"盘面还缺一层确认，先别急着放大预期，等待更清晰的结构或回踩结果。"_s;
    case ActionStatus::WatchPullback:
        return u"当前更适合观察回踩质量和承接强弱，重点看这是正常整理，还是开始转弱。"_s;
    case ActionStatus::Defend:
        return u"当前重点已经切到防守，先避免继续进攻，再看风险是否收敛。"_s;
    case ActionStatus::NoChase:
        return u"即使方向没有坏，当前位置也不适合直接追进去，先等更舒服的位置。"_s;
    case ActionStatus::NoData:
        return decisionConfidenceReason();
    }
    return u"当前更适合继续观察，等状态进一步明朗。"_s;
}

QString QuoteDecision::keyLevelHint() const
{
    const double avg = average();
    if (avg > 0 && m_quote.high > 0 && m_quote.low > 0)
        return u"盯位是接下来最该关注的价格区。均价线 "_s + formatPrice(avg) +
               u" 更像日内强弱分界，日高/日低 "_s + formatPrice(m_quote.high) + u" / "_s +
               formatPrice(m_quote.low) + u" 则是突破与失守的参考位。"_s;
    if (avg > 0)
        return u"盯位是接下来最该关注的价格区。当前优先看均价线 "_s + formatPrice(avg) +
               u" 能否站稳或收回。"_s;
    return u"盯位表示接下来最值得盯的价格位置，用来帮助你判断强弱是否继续延续。"_s;
}

QString QuoteDecision::homeBuyTagHint() const
{
    return tagText(buyStatus()) + u"："_s + buyStatusHint();
}

int QuoteDecision::riskPressureScore() const
{
    int score = 0;
    if (hasSevereRisk())
        score = 8;
    else if (hasLostAverageSupport())
        score = 6;
    else if (hasWeakPullback())
        score = 5;
    else if (hasHealthyPullback())
        score = 3;
    else if (hasRecoveredFalseBreak())
        score = 2;
    if (isBelowAverage())
        ++score;
    if (recentChange(5) <= -0.35)
        ++score;
    if (middayChange() <= -0.7)
        ++score;
    return score;
}
