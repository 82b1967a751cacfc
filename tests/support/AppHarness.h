// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/KestrumApp.h"

#include "RecordingNotifier.h"
#include "TestSupport.h"

#include <QJsonArray>
#include <QSettings>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace TestSupport {

// A controller on a temporary data directory, talking to the simulated market with a
// clock the test moves. Notifications go to `notifier` (a recording double) unless the
// test hands in its own.
class AppHarness
{
public:
    // Changes the endpoints (all on the simulator by default) before the controller is made.
    using EndpointsAdjuster = std::function<void(Endpoints &, SimHarness &)>;
    // Changes any other option (the update check's package, ...) likewise.
    using OptionsAdjuster = std::function<void(KestrumAppOptions &, SimHarness &)>;

    explicit AppHarness(const QStringList &watchSymbols = {},
                        const QDateTime &start = shanghaiTime(2026, 4, 28, 10, 30),
                        Notifier *notifierOverride = nullptr,
                        const EndpointsAdjuster &adjustEndpoints = {},
                        MarketModel model = MarketModel(),
                        const OptionsAdjuster &adjustOptions = {});

    QTemporaryDir dir;
    SimHarness market;
    std::unique_ptr<QSettings> preferences;
    RecordingNotifier notifier;
    std::unique_ptr<KestrumApp> app;

    ManualClock &clock() { return market.clock; }
    SimServer &server() { return market.server(); }
    void setWatchlist(const QStringList &symbols);
    // Runs one refresh and waits until it has finished.
    bool refreshAndWait(int timeoutMs = kPatienceMs);
    int requestCount(const QString &route) const;
    // The remote symbol search answers nothing, so the local catalog alone decides.
    void quietRemoteSearch();
};

} // namespace TestSupport
