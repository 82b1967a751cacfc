// SPDX-License-Identifier: GPL-3.0-or-later
#include "intraday/IntradayStore.h"

#include "intraday/TradingClock.h"
#include "model/Symbol.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
const QVector<double> kEmpty;
}

void IntradayStore::resetSymbol(const QString &symbol)
{
    m_series.remove(symbol);
    m_real.remove(symbol);
}

void IntradayStore::recordIntradaySamples(const QList<Quote> &quotes)
{
    for (const Quote &quote : quotes)
        recordOne(quote);
}

void IntradayStore::recordOne(const Quote &quote)
{
    if (quote.symbol.isEmpty() || !(quote.price > 0))
        return;
    const QString &symbol = quote.symbol;
    const QString dateKey = quote.date.isEmpty() ? u"unknown"_s : quote.date;
    if (auto it = m_series.constFind(symbol); it != m_series.cend() && it->date != dateKey)
        resetSymbol(symbol);

    const bool fresh = !m_series.contains(symbol);
    Series &s = m_series[symbol];
    s.date = dateKey;
    if (fresh && quote.open > 0) {
        // The day starts at the open, so the chart has its first point at 09:30.
        s.prices.append(quote.open);
        s.positions.append(0);
        s.averages.append(quote.open);
        s.volumes.append(0);
    }

    double position = TradingClock::position(symbol, quote.time);
    if (position < 0)
        position = s.positions.isEmpty() ? 0 : s.positions.last();
    double interval = s.hasCumulativeVolume ? quote.volume - s.lastCumulativeVolume : quote.volume;
    if (!(interval > 0))
        interval = 0;
    const double average = averageForQuote(s, quote, interval);

    if (!s.positions.isEmpty() && std::fabs(s.positions.last() - position) < 0.5 &&
        !s.prices.isEmpty()) {
        s.prices.last() = quote.price;
        if (!s.averages.isEmpty())
            s.averages.last() = average;
        if (!s.volumes.isEmpty())
            s.volumes.last() += interval;
    } else {
        s.prices.append(quote.price);
        s.positions.append(position);
        s.averages.append(average);
        s.volumes.append(interval);
    }
    s.lastCumulativeVolume = std::max(quote.volume, 0.0);
    s.hasCumulativeVolume = true;

    if (s.prices.size() > kMaxPoints) {
        const qsizetype drop = s.prices.size() - kMaxPoints;
        for (QVector<double> *array : {&s.prices, &s.positions, &s.averages, &s.volumes}) {
            if (array->size() >= drop)
                array->remove(0, drop);
        }
    }
}

double IntradayStore::averageForQuote(Series &s, const Quote &quote, double interval)
{
    if (Symbol::marketOf(quote.symbol) != Market::US) {
        const double average = quote.volume > 0 ? quote.amount / quote.volume : quote.price;
        return average > 0 ? average : quote.price;
    }
    // The US feed's amount is its volume times the price, so amount / volume would put the
    // average line on the price. The volume since the last point traded at about this price.
    if (!s.hasWeightedAverage) {
        // The day so far counts at the fetched average, or at this price without one.
        s.weightedVolume = std::max(quote.volume, 0.0);
        s.weightedValue = s.weightedVolume * (s.seedAverage > 0 ? s.seedAverage : quote.price);
        s.hasWeightedAverage = true;
    } else {
        s.weightedVolume += interval;
        s.weightedValue += interval * quote.price;
    }
    const double average = s.weightedVolume > 0 ? s.weightedValue / s.weightedVolume : 0;
    if (average > 0 && std::isfinite(average))
        return average;
    return s.averages.isEmpty() ? quote.price : s.averages.last();
}

void IntradayStore::applyIntradaySeriesForSymbol(const QString &symbol, const QString &date,
                                                 const QVector<double> &prices,
                                                 const QVector<double> &positions,
                                                 const QVector<double> &averages,
                                                 const QVector<double> &volumes)
{
    if (symbol.isEmpty() || prices.isEmpty() || positions.isEmpty())
        return;
    Series s;
    s.prices = prices;
    s.positions = positions;
    s.averages = averages.isEmpty() ? prices : averages;
    s.volumes = volumes;
    for (double v : volumes)
        s.lastCumulativeVolume += v > 0 ? v : 0;
    s.hasCumulativeVolume = true;
    // Later recorded points continue the fetched average from its volume.
    const double lastAverage = s.averages.last();
    if (lastAverage > 0 && std::isfinite(lastAverage)) {
        s.seedAverage = lastAverage;
        s.weightedVolume = s.lastCumulativeVolume;
        s.weightedValue = lastAverage * s.lastCumulativeVolume;
        s.hasWeightedAverage = s.lastCumulativeVolume > 0;
    }
    s.date = date.isEmpty() ? u"unknown"_s : date;
    m_series.insert(symbol, std::move(s));
    m_real.insert(symbol);
}

const QVector<double> &IntradayStore::prices(const QString &symbol) const
{
    const auto it = m_series.constFind(symbol);
    return it == m_series.cend() ? kEmpty : it->prices;
}

const QVector<double> &IntradayStore::positions(const QString &symbol) const
{
    const auto it = m_series.constFind(symbol);
    return it == m_series.cend() ? kEmpty : it->positions;
}

const QVector<double> &IntradayStore::averages(const QString &symbol) const
{
    const auto it = m_series.constFind(symbol);
    return it == m_series.cend() ? kEmpty : it->averages;
}

const QVector<double> &IntradayStore::volumes(const QString &symbol) const
{
    const auto it = m_series.constFind(symbol);
    return it == m_series.cend() ? kEmpty : it->volumes;
}

QString IntradayStore::dateForSymbol(const QString &symbol) const
{
    const auto it = m_series.constFind(symbol);
    return it == m_series.cend() ? QString() : it->date;
}

double IntradayStore::lastCumulativeVolume(const QString &symbol) const
{
    const auto it = m_series.constFind(symbol);
    return it == m_series.cend() ? 0 : it->lastCumulativeVolume;
}

double IntradayStore::currentAverageLineValueForQuote(const Quote &quote) const
{
    const QVector<double> &a = averages(quote.symbol);
    return a.isEmpty() ? 0 : a.last();
}

qint64 IntradayStore::intradayIndexForPositionAtOrBefore(double position,
                                                         const QString &symbol) const
{
    const QVector<double> &p = positions(symbol);
    if (p.isEmpty())
        return kNotFound;
    qint64 index = 0;
    for (qsizetype i = 0; i < p.size(); ++i) {
        if (p.at(i) > position)
            break;
        index = i;
    }
    return index;
}
