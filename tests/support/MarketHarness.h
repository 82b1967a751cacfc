#pragma once

#include "TestSupport.h"
#include "market/SinaClient.h"
#include "model/Clock.h"
#include "net/HttpClient.h"
#include "sim/MarketSimulator.h"

#include <QTest>

#include <optional>

// The simulated market on 127.0.0.1 with a standing clock, and a market-data client
// pointed at it.
struct MarketHarness
{
    explicit MarketHarness(const QDateTime &moment);

    ManualClock clock;
    MarketSimulator sim;
    HttpClient http;
    SinaClient client;

    const SimInstrument &instrument(const QString &symbol) const;
    // Fails one route the given way: "reset", "status", "nobody", "garbage" or "emptydata".
    void failRoute(const QString &route, const QString &how);
    // Whether a failed route was asked once. Qt may send an idempotent request once more
    // when the connection drops before any answer, so a "reset" route can see it twice.
    static bool askedOnce(int count, const QString &how)
    {
        return count == 1 || (count == 2 && how == QLatin1StringView("reset"));
    }
    int requestCount(const QString &route) { return sim.server().requests(route).size(); }
    // The realtime quote of the clock's moment, through the realtime feed.
    std::optional<Quote> quote(const QString &symbol);
};

// Starts an operation and waits (bounded) for its completion. The result is empty when the
// completion did not come; `calls` counts how often it came.
template<typename T, typename Start>
std::optional<T> awaitCompletion(Start start, int *calls = nullptr, int timeoutMs = 10000)
{
    std::optional<T> result;
    int count = 0;
    start([&result, &count](const T &value) {
        ++count;
        result = value;
    });
    // Without the fixed sleep between polls of QTest::qWaitFor: tests fetch in long loops.
    TestSupport::waitFor([&count] { return count > 0; }, timeoutMs);
    if (calls)
        *calls = count;
    return result;
}
