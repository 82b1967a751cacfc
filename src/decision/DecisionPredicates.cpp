// SPDX-License-Identifier: GPL-3.0-or-later
// The yes/no situations every verdict is built from. Bounds are inclusive where the rule
// says "at least"/"at most"; the order of the tests is the order of the rules, since each
// early answer decides the predicate.
#include "decision/DecisionEngine.h"
#include "decision/QuoteDecision.h"
#include "intraday/IntradayAnalytics.h"
#include "intraday/IntradayStore.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

bool isSurge(double ratio)
{
    return IntradayAnalytics::isUnboundedRatio(ratio);
}

// The no-data ratio (-1) counts as calm; the fresh-surge ratio never does.
bool isCalm(double ratio, double ceiling)
{
    return ratio < 0 || ratio <= ceiling;
}

} // namespace

bool QuoteDecision::hasDecisionData() const
{
    return once(m_memo.decisionData, [this] {
        return m_quote.price > 0 && m_quote.previousClose > 0 && m_quote.high > m_quote.low &&
               average() > 0 && priceCount() >= 4 && positionCount() >= 4;
    });
}

bool QuoteDecision::isStrongHighLock() const
{
    return once(m_memo.strongHighLock, [this] {
        return m_quote.high > m_quote.low && m_quote.price > 0 && isNearHigh(0.05) &&
               m_quote.changePercent() >= 8.5;
    });
}

bool QuoteDecision::hasCleanBreakout() const
{
    return once(m_memo.cleanBreakout, [this] {
        if (!(m_quote.high > m_quote.low) || !hasDecisionData())
            return false;
        if (hasWeakDailyBackground() || hasDailyHighExtensionRisk())
            return false;
        if (!isNearHigh(0.12))
            return false;
        const double v5 = volumeRatio(5);
        if (!(average() > 0) || m_quote.price < average() || recentChange(5) < 0.18 ||
            recentChange(10) < 0.08 || v5 < 1.05 || v5 > 3.0)
            return false;
        if (hasWeakBackground())
            return false;
        return !hasSevereRisk();
    });
}

bool QuoteDecision::hasChaseRisk() const
{
    return once(m_memo.chaseRisk, [this] {
        if (m_quote.high <= m_quote.low || !isNearHigh(0.12))
            return false;
        if (isStrongHighLock())
            return false;
        if (hasDailyHighExtensionRisk())
            return true;
        if (hasCleanBreakout())
            return false;
        const double v5 = volumeRatio(5);
        if (recentChange(5) < 0.18 || recentChange(10) < 0.02 || v5 >= 3.0 || v5 < 0 || v5 <= 0.85)
            return true;
        return hasWeakBackground();
    });
}

bool QuoteDecision::isOpeningProtectionWindow() const
{
    return once(m_memo.opening, [this] {
        const double position = latestTradingPosition();
        return position >= 0 && position < 1800;
    });
}

bool QuoteDecision::isClosingProtectionWindow() const
{
    return once(m_memo.closing, [this] {
        const double position = latestTradingPosition();
        return position >= 0 && position >= positionMax() - 1800;
    });
}

bool QuoteDecision::hasMediumTrendSupport() const
{
    return once(m_memo.mediumSupport, [this] {
        if (!isRealSeries())
            return false;
        const double position = latestTradingPosition();
        if (position < 1800)
            return false;
        const double r30 = recentChange(30);
        const double r60 = position >= 3600 ? recentChange(60) : 0.0;
        const double o = openChange();
        const bool support = (r30 >= 0.15 && o >= -0.25 && isAboveAverage()) ||
                             (o >= 0 && r60 >= -0.05 && position >= 3600);
        if (!support)
            return false;
        return !hasWeakBackground();
    });
}

bool QuoteDecision::shouldHoldBackAggressiveBuy() const
{
    return once(m_memo.holdBack, [this] {
        if (isOpeningProtectionWindow() || !hasMediumTrendSupport())
            return true;
        if (isClosingProtectionWindow()) {
            const double v5 = volumeRatio(5);
            if (recentChange(15) < 0.18 || isSurge(v5) || v5 >= 1.45)
                return true;
            return hasChaseRisk();
        }
        return false;
    });
}

bool QuoteDecision::hasSevereRisk() const
{
    return once(m_memo.severeRisk, [this] {
        if (middayChange() <= -0.45 && breakBelowAverageAlertIsActive())
            return true;
        if (average() <= 0 || m_quote.price >= average())
            return false;
        const QString structure = structureLine();
        const bool weakStructure =
            structure.contains(u"冲高回落") || structure.contains(u"午后转弱");
        return openChange() <= 0 && weakStructure;
    });
}

bool QuoteDecision::hasLostAverageSupport() const
{
    return once(m_memo.lostSupport, [this] {
        const double avg = average();
        if (avg <= 0 || m_quote.price >= avg)
            return false;
        if (avg - m_quote.price >= std::max(0.003 * avg, 0.04))
            return true;
        if (middayChange() <= -0.45)
            return true;
        return recentChange(5) <= -0.12 && middayChange() <= -0.2 &&
               breakBelowAverageAlertIsActive();
    });
}

bool QuoteDecision::hasBuyConfirmation() const
{
    return once(m_memo.buyConfirmation, [this] {
        return average() > 0 && m_quote.price >= average() && recentChange(5) >= -0.03 &&
               isCalm(volumeRatio(5), 1.2) && recentChange(15) >= 0.08 &&
               recentChange(10) >= 0.02 && isCalm(volumeRatio(10), 1.15);
    });
}

bool QuoteDecision::hasHealthyPullback() const
{
    return once(m_memo.healthyPullback, [this] {
        const double avg = average();
        if (!(avg > 0))
            return false;
        const double distance = std::fabs(m_quote.price - avg) / std::max(avg, 0.01) * 100.0;
        return recentChange(10) > -0.18 && recentChange(5) > -0.28 && distance <= 0.65 &&
               m_quote.price < avg && isCalm(volumeRatio(5), 1.0) && isCalm(volumeRatio(10), 1.1);
    });
}

bool QuoteDecision::hasWeakPullback() const
{
    return once(m_memo.weakPullback, [this] {
        // The fresh-surge ratio is the largest double, so it passes both expansion tests.
        return average() > 0 && recentChange(10) <= -0.12 && recentChange(5) <= -0.24 &&
               m_quote.price < average() && (volumeRatio(10) >= 1.18 || volumeRatio(5) >= 1.12);
    });
}

bool QuoteDecision::hasRecoveredFalseBreak() const
{
    return once(m_memo.recoveredFalseBreak, [this] {
        if (average() <= 0 || m_quote.price < average())
            return false;
        const bool dipped = once(m_in.dippedBeforeLatest, [this] {
            const QVector<double> &prices = m_engine->intradayStore().prices(m_quote.symbol);
            const QVector<double> &averages = m_engine->intradayStore().averages(m_quote.symbol);
            const qsizetype n = std::min(prices.size(), averages.size());
            if (n < 6)
                return false;
            // The five samples before the latest one, never the latest itself.
            for (qsizetype i = n - 6; i <= n - 2; ++i) {
                if (averages.at(i) > 0 && prices.at(i) < averages.at(i))
                    return true;
            }
            return false;
        });
        if (volumeRatio(5) > 1.15 || volumeRatio(10) > 1.15)
            return false;
        if (!dipped || recentChange(5) < 0.05 || recentChange(10) < 0 || recentChange(15) < 0)
            return false;
        return !hasWeakBackground();
    });
}

bool QuoteDecision::breakBelowAverageAlertIsActive() const
{
    return once(m_memo.breakBelow, [this] {
        // AVG is 0 for an empty series, so the empty case fails the first test.
        const double avg = average();
        return avg > 0 && m_quote.price > 0 && avg - m_quote.price >= std::max(0.0015 * avg, 0.02);
    });
}
