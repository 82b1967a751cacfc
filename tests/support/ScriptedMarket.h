// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "intraday/IntradayStore.h"

#include "AppHarness.h"

#include <QHash>
#include <QList>
#include <QPair>

namespace TestSupport {

// Realtime quotes written by the test, served in the Sina wire format (GB 18030) under
// /scripted/ on the simulator's server, so a refresh runs end to end on hand-made numbers
// while every other route (minutes, daily bars, boards) stays the simulated market's.
// A symbol without a scripted quote is answered as unknown, as the service does.
class ScriptedQuotes
{
public:
    explicit ScriptedQuotes(SimServer &server);

    static QString routeName() { return QStringLiteral("scripted-realtime"); }

    void set(const Quote &quote) { m_quotes.insert(quote.symbol, quote); }
    // The five background indices, each at `changePercent` on the day.
    void setBackground(double changePercent, const QString &date, const QString &time);

private:
    QHash<QString, Quote> m_quotes;
};

// A minute series drawn through price knots (trading position in seconds, price), one
// sample a minute from the first knot to the last, with even volume and an average line
// that follows the running mean of the prices.
struct ScriptedSeries
{
    QVector<double> prices;
    QVector<double> positions;
    QVector<double> averages;
    QVector<double> volumes;

    static ScriptedSeries through(const QList<QPair<double, double>> &knots,
                                  double volumePerMinute = 10000);
    // Three day shapes from a 10.00 open, each with its average line ending at 10.10:
    // stalled at `price` for the last twenty minutes (等确认, 守 10.10 at 10.20);
    static ScriptedSeries waiting(double end, double price = 10.20);
    // a steady climb on even volume (可跟踪, 守 10.10 at 10.20);
    static ScriptedSeries tracking(double end, double price = 10.20);
    // up to 10.20, then given back within eight minutes (先防守, 失 10.10 at 10.04).
    static ScriptedSeries defending(double end, double price = 10.04);
    // Shifts the average line so that it ends at `average`.
    ScriptedSeries &endingAverageAt(double average);
    void applyTo(IntradayStore &store, const QString &symbol, const QString &date) const;
};

// The trading position (seconds since 09:30, midday break left out) of an A-share time.
constexpr double aSharePosition(int hour, int minute)
{
    return hour < 12 ? ((hour - 9) * 60 + minute - 30) * 60.0
                     : 7200 + ((hour - 13) * 60 + minute) * 60.0;
}

// A controller whose realtime quotes come from ScriptedQuotes; everything else is the
// simulated market.
class ScriptedAppHarness : public AppHarness
{
public:
    explicit ScriptedAppHarness(const QStringList &watchSymbols,
                                const QDateTime &start = shanghaiTime(2026, 4, 28, 10, 30),
                                Notifier *notifierOverride = nullptr);

    ScriptedQuotes scripted;

    // Moves the clock to the A-share trading position on the start date, stores the series
    // as the symbol's fetched minute data and scripts a quote that agrees with its last
    // sample (price, average, cumulative volume), with the given day extremes.
    Quote stage(const QString &symbol, const QString &name, const ScriptedSeries &series,
                double previousClose, double high, double low);

private:
    QDate m_day;
};

} // namespace TestSupport
