// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchApp.h"

#include "decision/DecisionEngine.h"
#include "model/DayRecord.h"
#include "model/MinuteSeries.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"

#include <QJsonObject>

#include <cmath>

using namespace Qt::StringLiterals;
using namespace TestSupport;

QStringList benchSymbols(int count)
{
    QStringList symbols;
    for (int i = 0; i < count; ++i) {
        symbols << (i % 2 ? u"sz"_s + QString::number(i).rightJustified(6, u'0')
                          : u"sh"_s + QString::number(600000 + i));
    }
    return symbols;
}

BenchApp::BenchApp(int count, int seriesPoints)
    : harness({}, shanghaiTime(2026, 4, 28, 10, 30))
    , symbols(benchSymbols(count))
{
    for (const QString &symbol : std::as_const(symbols))
        watchlist.append(
            QJsonObject{{u"symbol"_s, symbol}, {u"name"_s, QString(u"样本"_s + symbol)}});
    app().config().saveWatchlist(watchlist);
    app().loadStrategy();
    // Alerts on, so their evaluation is part of every answer step.
    app().settings().alertPreset = AlertPreset::Sensitive;

    for (int s = 0; s < count; ++s) {
        const QString &symbol = symbols.at(s);
        const double base = 8.0 + (s % 40);
        // The morning so far, a point a minute (the minute series a refresh fetches).
        MinuteSeries series;
        series.date = u"2026-04-28"_s;
        double volume = 0, amount = 0;
        for (int i = 0; i < seriesPoints; ++i) {
            const double price = base * (1 + 0.01 * std::sin(i / (7.0 + s % 5)) + 0.0002 * i);
            const double v = 20000 + (i * 37 + s * 11) % 9000;
            volume += v;
            amount += v * price;
            series.prices << price;
            series.positions << i * 60.0;
            series.averages << amount / volume;
            series.volumes << v;
        }
        app().intraday().applyIntradaySeries(symbol, series);
        QList<DayRecord> days;
        for (int d = 0; d < 60; ++d) {
            DayRecord day;
            day.date = QDate(2026, 4, 27).addDays(d - 59).toString(Qt::ISODate);
            day.close = base * (1 + 0.02 * std::sin(d / 6.0 + s));
            day.open = day.close * 0.995;
            day.high = day.close * 1.01;
            day.low = day.close * 0.985;
            day.volume = 2e6;
            day.amount = day.volume * day.close;
            days << day;
        }
        app().dailyCache().applyDailyDaysForSymbol(symbol, days);

        Quote q;
        q.symbol = symbol;
        q.name = u"样本"_s + symbol;
        q.previousClose = base;
        q.open = series.prices.first();
        q.price = series.prices.last();
        q.high = q.price * 1.005;
        q.low = q.open * 0.99;
        q.volume = volume;
        q.amount = amount;
        q.date = u"2026-04-28"_s;
        q.time = u"10:30:00"_s;
        m_last << q;
    }
    // The market background, as the refresh routes it.
    for (const QString &index : DecisionEngine::backgroundIndexSymbols()) {
        Quote q;
        q.symbol = index;
        q.name = index;
        q.previousClose = 3000;
        q.price = 3012;
        q.open = 3001;
        q.high = 3020;
        q.low = 2995;
        q.date = u"2026-04-28"_s;
        q.time = u"10:30:00"_s;
        m_last << q;
    }
}

QList<Quote> BenchApp::nextAnswer()
{
    ++m_step;
    harness.clock().advanceSecs(12);
    const QString time = harness.clock().localNow().time().toString(u"HH:mm:ss"_s);
    for (qsizetype i = 0; i < m_last.size(); ++i) {
        Quote &q = m_last[i];
        // A walk with a few states crossing their thresholds now and then.
        q.price *= 1 + 0.0015 * std::sin(m_step * 0.7 + double(i));
        q.high = std::max(q.high, q.price);
        q.low = std::min(q.low, q.price);
        q.volume += 3000 + (m_step * 13 + i) % 2000;
        q.amount += 3000 * q.price;
        q.time = time;
    }
    return m_last;
}

void BenchApp::finishNextRefresh()
{
    KestrumAppBenchAccess::finishRefresh(app(), watchlist, symbols, nextAnswer());
}
