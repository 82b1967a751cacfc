#pragma once

#include "market/SinaClient.h"
#include "model/Clock.h"
#include "net/HttpClient.h"
#include "sim/MarketSimulator.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTimeZone>

#include <memory>

namespace TestSupport {

QDateTime shanghaiTime(int year, int month, int day, int hour, int minute, int second = 0);
QDateTime zoneTime(const char *zone, int year, int month, int day, int hour, int minute,
                   int second = 0);

// The simulated market on 127.0.0.1 with a clock that stands still until moved, and a
// market-data client pointed at it.
class SimHarness
{
public:
    // `model`: the market to serve (a copy shares what the original has computed already).
    explicit SimHarness(const QDateTime &start = shanghaiTime(2026, 4, 28, 10, 30),
                        MarketModel model = MarketModel());

    ManualClock clock;
    MarketSimulator simulator;
    HttpClient http;
    std::unique_ptr<SinaClient> client;

    SimServer &server() { return simulator.server(); }
    QUrl baseUrl() const { return simulator.baseUrl(); }
};

// Runs the event loop until `done` is true or the time is up; returns done().
bool waitFor(const std::function<bool()> &done, int timeoutMs = 10000);

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
