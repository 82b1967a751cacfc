// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppHarness.h"

#include "app/KestrumApp.h"
#include "model/Quote.h"

#include <QJsonArray>
#include <QList>
#include <QStringList>

#include <memory>

// Reaches the controller's answer step, so a benchmark can time the work after an answer
// without a network round trip.
class KestrumAppBenchAccess
{
public:
    static void finishRefresh(KestrumApp &app, const QJsonArray &watchlist,
                              const QStringList &symbols, const QList<Quote> &fetched)
    {
        app.finishRefresh(watchlist, symbols, fetched);
    }
};

// A controller watching `count` made-up A-shares at 10:30 on a trading day, each with a real
// minute series of the morning so far, today's daily record and board tags, so a refresh's
// answer step does all its work and starts no fetch. The simulated market stays reachable.
class BenchApp
{
public:
    explicit BenchApp(int count, int seriesPoints = 60);

    TestSupport::AppHarness harness;
    KestrumApp &app() { return *harness.app; }
    QStringList symbols;
    QJsonArray watchlist;

    // The realtime answer of the next refresh, 12 s on: every price moves a little.
    QList<Quote> nextAnswer();
    // One refresh's answer step with the next answer.
    void finishNextRefresh();

private:
    QList<Quote> m_last;
    int m_step = 0;
};

// Made-up A-share symbols: sh600000, sz000001, sh600002, ...
QStringList benchSymbols(int count);
