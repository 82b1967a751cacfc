// SPDX-License-Identifier: GPL-3.0-or-later
// The terms the decision rules read, each computed once per QuoteDecision.
#include "decision/QuoteDecision.h"

#include "decision/DecisionEngine.h"
#include "intraday/IntradayStore.h"
#include "intraday/TradingClock.h"
#include "strategy/DailyCache.h"

#include <algorithm>

QuoteDecision::QuoteDecision(const DecisionEngine &engine, const Quote &quote,
                             DecisionInputs inputs)
    : m_engine(&engine)
    , m_quote(quote)
    , m_in(std::move(inputs))
{}

double QuoteDecision::average() const
{
    return once(m_in.average, [this] {
        return m_engine->intradayStore().currentAverageLineValueForQuote(m_quote);
    });
}

double QuoteDecision::openChange() const
{
    return once(m_in.openChange,
                [this] { return m_engine->analytics().intradayPercentChangeForQuote(m_quote, 0); });
}

double QuoteDecision::middayChange() const
{
    return once(m_in.middayChange, [this] {
        return m_engine->analytics().intradayPercentChangeForQuote(
            m_quote, TradingClock::midPosition(m_quote.symbol));
    });
}

double QuoteDecision::recentChange(int minutes) const
{
    const auto compute = [this, minutes] {
        return m_engine->analytics().recentPercentChangeForQuote(m_quote, minutes);
    };
    switch (minutes) {
    case 5:
        return once(m_in.r5, compute);
    case 10:
        return once(m_in.r10, compute);
    case 15:
        return once(m_in.r15, compute);
    case 30:
        return once(m_in.r30, compute);
    case 60:
        return once(m_in.r60, compute);
    default:
        return compute();
    }
}

double QuoteDecision::volumeRatio(int minutes) const
{
    const auto compute = [this, minutes] {
        return m_engine->analytics().recentVolumeRatioForQuote(m_quote, minutes);
    };
    switch (minutes) {
    case 5:
        return once(m_in.v5, compute);
    case 10:
        return once(m_in.v10, compute);
    default:
        return compute();
    }
}

double QuoteDecision::latestTradingPosition() const
{
    return once(m_in.position, [this] {
        const QVector<double> &positions = m_engine->intradayStore().positions(m_quote.symbol);
        if (!positions.isEmpty())
            return positions.last();
        return TradingClock::position(m_quote.symbol, m_quote.time);
    });
}

double QuoteDecision::positionMax() const
{
    return TradingClock::positionMax(m_quote.symbol);
}

IntradayStructure QuoteDecision::structure() const
{
    return once(m_in.structure,
                [this] { return m_engine->analytics().intradayStructureForQuote(m_quote); });
}

qsizetype QuoteDecision::priceCount() const
{
    return once(m_in.priceCount,
                [this] { return m_engine->intradayStore().prices(m_quote.symbol).size(); });
}

qsizetype QuoteDecision::positionCount() const
{
    return once(m_in.positionCount,
                [this] { return m_engine->intradayStore().positions(m_quote.symbol).size(); });
}

bool QuoteDecision::isRealSeries() const
{
    return once(m_in.realSeries,
                [this] { return m_engine->intradayStore().isReal(m_quote.symbol); });
}

bool QuoteDecision::isBelowAverage() const
{
    return average() > 0 && m_quote.price < average();
}

bool QuoteDecision::isAboveAverage() const
{
    return average() > 0 && m_quote.price >= average();
}

bool QuoteDecision::isNearHigh(double factor) const
{
    const double range = m_quote.high - m_quote.low;
    return m_quote.high - m_quote.price <= std::max(factor * range, 0.02);
}

bool QuoteDecision::hasWeakDailyBackground() const
{
    return once(m_in.dailyWeak,
                [this] { return m_engine->dailyCache().hasWeakDailyBackgroundForQuote(m_quote); });
}

bool QuoteDecision::hasSupportiveDailyBackground() const
{
    return once(m_in.dailySupportive, [this] {
        return m_engine->dailyCache().hasSupportiveDailyBackgroundForQuote(m_quote);
    });
}

bool QuoteDecision::hasDailyHighExtensionRisk() const
{
    return once(m_in.dailyHighExtension, [this] {
        return m_engine->dailyCache().hasDailyHighExtensionRiskForQuote(m_quote);
    });
}

bool QuoteDecision::dailyDataIsStale() const
{
    return once(m_in.dailyStale,
                [this] { return m_engine->dailyCache().dailyDataIsStaleForQuote(m_quote); });
}

DailyContext QuoteDecision::dailyContext() const
{
    return once(m_in.dailyContext,
                [this] { return m_engine->dailyCache().dailyContextKindForQuote(m_quote); });
}
