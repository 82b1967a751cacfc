#pragma once

#include "market/Eastmoney.h"
#include "market/MarketSources.h"
#include "market/Sina.h"
#include "market/Tencent.h"
#include "market/Yahoo.h"
#include "model/Clock.h"
#include "model/Symbol.h"
#include "net/HttpClient.h"
#include "sim/MarketSimulator.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTimeZone>

#include <memory>
#include <optional>

namespace TestSupport {

// The symbol of a stored text the test knows to be one.
Symbol sym(const QString &stored);

QDateTime shanghaiTime(int year, int month, int day, int hour, int minute, int second = 0);

// A file of the build tree, found from the test's own place in it (tests live in
// <build>/tests), so no build path is compiled into a test.
QString buildPath(const QString &relative);
QDateTime zoneTime(const char *zone, int year, int month, int day, int hour, int minute,
                   int second = 0);

// The simulated market on 127.0.0.1 with a clock that stands still until moved, and a
// the market-data sources pointed at it.
class SimHarness
{
public:
    // `model`: the market to serve (a copy shares what the original has computed already).
    explicit SimHarness(const QDateTime &start = shanghaiTime(2026, 4, 28, 10, 30),
                        MarketModel model = MarketModel());

    ManualClock clock;
    MarketSimulator simulator;
    HttpClient http;
    Endpoints endpoints;
    std::unique_ptr<MarketSources> market;
    QObject receiver; // the context of the harness's fetches

    SimServer &server() { return simulator.server(); }
    QUrl baseUrl() const { return simulator.baseUrl(); }
    const SimInstrument &instrument(const QString &symbol) const;
    int requestCount(const QString &route) { return int(server().requests(route).size()); }
    // Fails one route the given way: "reset", "status", "nobody", "garbage" or "emptydata".
    void failRoute(const QString &route, const QString &how);
    // Whether a failed route was asked once. Qt may send an idempotent request once more
    // when the connection drops before any answer, so a "reset" route can see it twice.
    static bool askedOnce(int count, const QString &how)
    {
        return count == 1 || (count == 2 && how == QLatin1StringView("reset"));
    }
};

// Runs the event loop until `done` is true or the time is up; returns done().
bool waitFor(const std::function<bool()> &done, int timeoutMs = 10000);

// A request as "path?key=value&…", query in the order sent.
inline QString sent(const SimRequest &r)
{
    QStringList pairs;
    for (const auto &[key, value] : r.query)
        pairs << key + u'=' + value;
    return r.path + u'?' + pairs.join(u'&');
}

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
    waitFor([&count] { return count > 0; }, timeoutMs);
    if (calls)
        *calls = count;
    return result;
}

} // namespace TestSupport

namespace TestSupport {

// While alive, every file this process writes is capped at `bytes`: writes beyond fail
// (EFBIG) even for root, which is how tests make a save fail.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    qint64 m_previousSoft = -1;
    qint64 m_previousHard = -1;
};

} // namespace TestSupport
