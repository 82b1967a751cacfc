// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>
#include <QVector>

class IntradayStore;
struct Quote;

// Everything an intraday chart and its hover overlay draw, prepared once per build: one
// symbol's sample arrays, its previous close, its market's trading axis and an accent. Arrays
// may differ in length; every reader bounds its index by the arrays it uses.
struct IntradayChartSeries
{
    QString symbol;
    QVector<double> prices;
    QVector<double> positions;
    QVector<double> averages;
    QVector<double> volumes;
    double previousClose = 0;
    double maxPosition = 14400;
    double midPosition = 7200;
    // A fetched minute series for today has been applied; recorded samples alone are not drawn.
    bool isReal = false;
    // The chart animates in at this build (its quote page was just opened); forQuote leaves
    // it unset, the page that owes the entrance sets it.
    bool shouldAnimate = false;
    QColor accent;

    // US sessions have no midday break.
    bool hasMiddayBreak() const;

    // The symbol's arrays and flags from the store, the quote's previous close, the market's
    // trading axis and `accentHex` (six hex digits).
    static IntradayChartSeries forQuote(const IntradayStore &store, const Quote &quote,
                                        const QString &accentHex);
};
