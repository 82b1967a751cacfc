// SPDX-License-Identifier: GPL-3.0-or-later
// What the program holds in memory: 100 watched stocks with full 1500-point series, and a
// simulated trading week at the timer's own pace (resident memory day by day).
#include "BenchApp.h"
#include "SoakRun.h"

#include "alerts/AlertCenter.h"
#include "decision/StateSnapshots.h"
#include "strategy/DecisionSampleLog.h"
#include "strategy/StrategyStore.h"

#include <QFileInfo>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// Resident memory added by 100 stocks with 1500-point series, their snapshots, daily records
// and samples, measured around building them and running refreshes over them.
void BM_ResidentMemory100x1500(benchmark::State &state)
{
    for (auto _ : state) {
        const qint64 before = residentNowKiB();
        auto bench = std::make_unique<BenchApp>(100, 1500);
        waitFor([&] { return bench->app().http().requestsInFlight() == 0; }, 15000);
        for (int i = 0; i < 20; ++i)
            bench->finishNextRefresh();
        const qint64 after = residentNowKiB();
        qsizetype points = 0;
        for (const QString &symbol : bench->symbols)
            points += bench->app().intraday().prices(symbol).size();
        state.counters["rss_added_kib"] = double(after - before);
        state.counters["kib_per_stock"] = double(after - before) / 100;
        state.counters["points"] = double(points);
        bench.reset();
        state.counters["rss_after_release_kib"] = double(residentNowKiB() - before);
    }
}
BENCHMARK(BM_ResidentMemory100x1500)->Iterations(1)->Unit(benchmark::kMillisecond);

// Monday 00:00 to Saturday 06:00, a refresh every 12 s through the A-share/Hong Kong and the
// US sessions and every 10 minutes otherwise, ten stocks of three markets. KESTRUM_WEEK_DAYS
// shortens it. Resident memory is read at the end of each day; it must not climb from day to
// day once the first day has filled every per-stock structure to its cap.
void BM_SimulatedWeek(benchmark::State &state)
{
    const int days = qEnvironmentVariableIsSet("KESTRUM_WEEK_DAYS")
                         ? qEnvironmentVariableIntValue("KESTRUM_WEEK_DAYS")
                         : 5;
    for (auto _ : state) {
        const QStringList watch{u"sh600519"_s, u"sz000001"_s, u"sh600036"_s, u"sz300750"_s,
                                u"sh688981"_s, u"hk00700"_s,  u"hk09988"_s,  u"gb_aapl"_s,
                                u"gb_nvda"_s,  u"gb_tsla"_s};
        AppHarness h(watch, shanghaiTime(2026, 4, 20, 0, 0));
        h.app->loadStrategy();
        h.app->settings().alertPreset = AlertPreset::Sensitive;
        SoakSchedule schedule;
        schedule.start = shanghaiTime(2026, 4, 20, 0, 0);
        schedule.end = schedule.start.addDays(days).addSecs(6 * 3600);
        schedule.windows = SoakSchedule::allSessions(12);
        schedule.sparseStepSecs = 600;

        QList<qint64> rss;
        qsizetype maxPoints = 0;
        const SoakResult result = runSoak(
            h, schedule,
            [&]() -> QString {
                for (const QString &symbol : watch)
                    maxPoints = std::max(maxPoints, h.app->intraday().prices(symbol).size());
                h.notifier.posts.clear(); // the test double's record, not the program's
                h.server().clearRequests();
                return QString();
            },
            [&](const QDate &) { rss << residentNowKiB(); });
        if (!result.problem.isEmpty()) {
            state.SkipWithError(qPrintable(result.problem));
            break;
        }
        state.counters["refreshes"] = result.refreshes;
        state.counters["max_points"] = double(maxPoints);
        state.counters["rss_peak_kib"] = double(residentPeakKiB());
        for (qsizetype d = 0; d < rss.size(); ++d)
            state.counters["rss_day" + std::to_string(d + 1) + "_kib"] = double(rss.at(d));
        if (rss.size() >= 3)
            state.counters["rss_growth_day2_on_kib"] = double(rss.last() - rss.at(1));
        state.counters["sample_log_kib"] =
            double(QFileInfo(h.app->strategy().decisionSamplesURL()).size()) / 1024;
        state.counters["alert_cooldowns"] = double(h.app->alerts().alertCooldowns().size());
        state.counters["pending_samples"] = double(h.app->sampleLog().pendingDecisionSampleCount());
    }
}
BENCHMARK(BM_SimulatedWeek)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
