// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decision/DecisionStates.h"
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

// How long a test waits for what must come: far beyond what any machine needs, so it is
// reached only when something is broken and no verdict depends on speed or load.
constexpr int kPatienceMs = 30000;

// A state snapshot from the words as shown ("等确认", "失 10.10"); buy follows execution,
// sell is 继续观察.
StateSnapshot stateFromWords(const QString &execution, const QString &risk, int pressure = 0,
                             const QString &structure = QString());

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

// A program of the build machine run to its end in the C.UTF-8 locale, output and errors
// merged. The bound is generous: a busy machine slows a run, never fails it. The exit code
// is -1 when the program could not start (the output says so), crashed or overran.
struct ProgramRun
{
    int exitCode = -1;
    QString output;
};
ProgramRun runProgram(const QString &program, const QStringList &arguments,
                      int timeoutMs = 20 * 60 * 1000);
// A value of this build's CMake cache (Kestrum_SOURCE_DIR, CMAKE_BUILD_TYPE, ...).
QString cacheValue(const QString &key);

// Runs the event loop until `done` is true or the time is up; returns done().
bool waitFor(const std::function<bool()> &done, int timeoutMs = kPatienceMs);

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
std::optional<T> awaitCompletion(Start start, int *calls = nullptr, int timeoutMs = kPatienceMs)
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
