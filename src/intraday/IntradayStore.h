// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/MinuteSeries.h"
#include "model/Quote.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QVector>

#include <limits>

// Each watched symbol's trading day: prices, trading positions, average prices and
// per-interval volumes, filled by every refresh and replaced by fetched minute series.
// Memory only; it starts empty at launch.
class IntradayStore
{
public:
    static constexpr int kMaxPoints = 1500;
    static constexpr qint64 kNotFound = std::numeric_limits<qint64>::max();

    // Append (or update) one point per quote.
    void recordIntradaySamples(const QList<Quote> &quotes);
    // Replace a symbol's series by a fetched one and mark it real.
    void applyIntradaySeriesForSymbol(const QString &symbol, const QString &date,
                                      const QVector<double> &prices,
                                      const QVector<double> &positions,
                                      const QVector<double> &averages,
                                      const QVector<double> &volumes);
    void applyIntradaySeries(const QString &symbol, const MinuteSeries &series)
    {
        applyIntradaySeriesForSymbol(symbol, series.date, series.prices, series.positions,
                                     series.averages, series.volumes);
    }

    // Missing symbols read as empty arrays.
    const QVector<double> &prices(const QString &symbol) const;
    const QVector<double> &positions(const QString &symbol) const;
    const QVector<double> &averages(const QString &symbol) const;
    const QVector<double> &volumes(const QString &symbol) const;
    QString dateForSymbol(const QString &symbol) const;
    double lastCumulativeVolume(const QString &symbol) const;

    bool isReal(const QString &symbol) const { return m_real.contains(symbol); }
    // Opening a quote detail fetches its series afresh.
    void forgetRealSeries(const QString &symbol) { m_real.remove(symbol); }

    double currentAverageLineValueForQuote(const Quote &quote) const;
    qint64 intradayIndexForPositionAtOrBefore(double position, const QString &symbol) const;

    QStringList symbols() const { return m_series.keys(); }

private:
    struct Series
    {
        QVector<double> prices;
        QVector<double> positions;
        QVector<double> averages;
        QVector<double> volumes;
        QString date;
        double lastCumulativeVolume = 0;
        bool hasCumulativeVolume = false;
        // The running volume-weighted average of a feed that sends no traded value (US):
        // value and volume summed since the day's start, or since a fetched series that
        // seeded them with its last average and its volume.
        double weightedValue = 0;
        double weightedVolume = 0;
        bool hasWeightedAverage = false;
        // A fetched series without volumes leaves only its last average to start from.
        double seedAverage = 0;
    };
    static double averageForQuote(Series &s, const Quote &quote, double interval);
    void resetSymbol(const QString &symbol);
    void recordOne(const Quote &quote);

    QHash<QString, Series> m_series;
    QSet<QString> m_real;
};
