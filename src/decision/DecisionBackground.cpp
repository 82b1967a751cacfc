// SPDX-License-Identifier: GPL-3.0-or-later
// Market and board background: the two index scores, their lines and the combined bias.
#include "decision/DecisionEngine.h"
#include "decision/QuoteDecision.h"

using namespace Qt::StringLiterals;

double QuoteDecision::marketBackgroundScore() const
{
    return once(m_in.marketScore,
                [this] { return m_engine->marketBackgroundScoreForQuote(m_quote); });
}

double QuoteDecision::boardBackgroundScore() const
{
    return once(m_in.boardScore,
                [this] { return m_engine->boardBackgroundScoreForQuote(m_quote); });
}

QString QuoteDecision::marketBackgroundDescription() const
{
    const double score = marketBackgroundScore();
    if (score >= 0.7)
        return u"指数背景：市场偏强"_s;
    if (score >= 0.15)
        return u"指数背景：市场温和偏强"_s;
    if (score <= -0.7)
        return u"指数背景：市场偏弱"_s;
    if (score <= -0.15)
        return u"指数背景：市场温和偏弱"_s;
    return u"指数背景：市场中性"_s;
}

QString QuoteDecision::boardBackgroundDescription() const
{
    const double score = boardBackgroundScore();
    const QString board = DecisionEngine::boardBackgroundNameForQuote(m_quote);
    if (score >= 1.0)
        return u"板块背景："_s + board + u"明显偏强"_s;
    if (score >= 0.2)
        return u"板块背景："_s + board + u"温和偏强"_s;
    if (score <= -1.0)
        return u"板块背景："_s + board + u"明显偏弱"_s;
    if (score <= -0.2)
        return u"板块背景："_s + board + u"温和偏弱"_s;
    return u"板块背景："_s + board + u"中性"_s;
}

int QuoteDecision::backgroundBias() const
{
    return once(m_memo.bias, [this] {
        // A weak daily backdrop outranks every intraday sign.
        if (hasWeakDailyBackground())
            return -1;
        const double o = openChange();
        const double a = middayChange();
        const double m = marketBackgroundScore();
        const double b = boardBackgroundScore();
        const QString structure = structureLine();
        const bool strongStructure =
            structure.contains(u"午后转强") || structure.contains(u"低位反抽");
        const bool weakStructure =
            structure.contains(u"午后转弱") || structure.contains(u"冲高回落");
        const bool weakSignal = b <= -0.6 || m <= -0.4 || (o <= -0.6 && a <= 0.1);
        if (hasSupportiveDailyBackground() && !weakStructure && !weakSignal)
            return 1;
        if (weakStructure || weakSignal)
            return -1;
        if (strongStructure || o >= 0.35 || a >= 0.25 || m >= 0.25 || b >= 0.35)
            return 1;
        return 0;
    });
}

bool QuoteDecision::hasSupportiveBackground() const
{
    return backgroundBias() > 0;
}

bool QuoteDecision::hasWeakBackground() const
{
    return backgroundBias() < 0;
}
