// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVector>

// A whole trading day of one symbol as a minute-data source delivers it: four parallel
// arrays and the trading date. A failed source delivers four empty arrays and no date.
struct MinuteSeries
{
    QVector<double> prices;
    QVector<double> positions; // trading positions, seconds since the open
    QVector<double> averages;
    QVector<double> volumes; // traded in each minute, never negative
    QString date;            // YYYY-MM-DD, empty when absent

    bool isEmpty() const { return prices.isEmpty() || positions.isEmpty(); }
    void append(double price, double position, double average, double volume)
    {
        prices.append(price);
        positions.append(position);
        averages.append(average);
        volumes.append(volume);
    }
};
