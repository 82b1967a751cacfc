// SPDX-License-Identifier: GPL-3.0-or-later
// One refresh, from the realtime answer on: decoding and parsing the feed, then the answer
// step (merge, intraday record, snapshots, daily-cache check, sample-log pass, alerts, title)
// for watchlists of 10, 50 and 200 stocks, and a cold start up to the first refresh's end.
#include "BenchApp.h"
#include "BenchWorld.h"

#include "market/Sina.h"
#include "sim/MarketSimulator.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QStringEncoder>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// The feed's answer for `count` stocks as the simulator writes it, GB 18030-encoded: its
// trading A-shares' lines (a suspended stock's line carries no price), renamed to as many distinct
// symbols as asked for.
QByteArray realtimeBody(int count)
{
    ManualClock clock(shanghaiTime(2026, 4, 28, 10, 30));
    MarketSimulator simulator(clock);
    QStringList lines;
    for (const SimInstrument &i : simulator.model().instruments()) {
        const bool trading = i.behaviour != SimInstrument::Behaviour::Suspended;
        if ((i.symbol.startsWith(u"sh6") || i.symbol.startsWith(u"sz0")) && !i.name.isEmpty() &&
            trading)
            lines << simulator.realtimeLine(i);
    }
    const QStringList symbols = benchSymbols(count);
    QString text;
    for (int k = 0; k < count; ++k) {
        QString line = lines.at(k % lines.size());
        const qsizetype at = line.indexOf(u'=');
        line.replace(0, at, u"var hq_str_"_s + symbols.at(k));
        text += line + u'\n';
    }
    QStringEncoder gb("GB18030");
    return gb.encode(text);
}

void BM_RealtimeDecodeAndParse(benchmark::State &state)
{
    const QByteArray body = realtimeBody(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(sina::parseRealtime(sina::decodeRealtime(body)));
    if (sina::parseRealtime(sina::decodeRealtime(body)).size() != state.range(0))
        state.SkipWithError("not every line parsed");
    state.counters["body_bytes"] = double(body.size());
}
BENCHMARK(BM_RealtimeDecodeAndParse)->Arg(500)->Unit(benchmark::kMicrosecond);

void BM_RealtimeParseDecoded(benchmark::State &state)
{
    const QString text = sina::decodeRealtime(realtimeBody(int(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(sina::parseRealtime(text));
}
BENCHMARK(BM_RealtimeParseDecoded)->Arg(500)->Unit(benchmark::kMicrosecond);

void BM_RealtimeDecodeOnly(benchmark::State &state)
{
    const QByteArray body = realtimeBody(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(sina::decodeRealtime(body));
}
BENCHMARK(BM_RealtimeDecodeOnly)->Arg(500)->Unit(benchmark::kMicrosecond);

// The answer step at a refresh's pace: each iteration is the next refresh, 12 s later.
void BM_RefreshAnswerStep(benchmark::State &state)
{
    BenchApp bench(int(state.range(0)));
    waitFor([&] { return bench.app().http().requestsInFlight() == 0; }, 15000);
    // A first answer, so snapshots and samples are in place as in a running program.
    bench.finishNextRefresh();
    for (auto _ : state)
        bench.finishNextRefresh();
    if (bench.app().quotes().size() != state.range(0))
        state.SkipWithError("quotes lost");
    state.counters["in_flight"] = bench.app().http().requestsInFlight();
    // How much the hour's samples and their outcomes weigh, for reading the figure.
    state.counters["log_bytes"] =
        double(QFileInfo(bench.app().strategy().decisionSamplesURL()).size());
    state.counters["outcome_bytes"] =
        double(QFileInfo(bench.app().strategy().decisionOutcomesURL()).size());
}
// 300 refreshes: an hour of the session, so the series grow as they do in a morning.
BENCHMARK(BM_RefreshAnswerStep)
    ->Arg(10)
    ->Arg(50)
    ->Arg(200)
    ->Iterations(300)
    ->Unit(benchmark::kMicrosecond);

// From nothing to the end of the first refresh: the controller built on a data directory
// that holds a watchlist of ten stocks, a day's strategy files and a sample log of 0 or 20 MiB
// (resolved samples of the weeks before), settings and strategy layer loaded, one refresh
// against the simulated market.
void BM_StartupToFirstRefresh(benchmark::State &state)
{
    const QStringList watch{u"sh600519"_s, u"sz000001"_s, u"sh600036"_s, u"sz300750"_s,
                            u"sh601318"_s, u"sz002594"_s, u"sh688981"_s, u"sh600900"_s,
                            u"hk00700"_s,  u"gb_aapl"_s};
    // A first run leaves the files a running installation has.
    AppHarness prepared(watch);
    prepared.app->loadStrategy();
    prepared.refreshAndWait();
    waitFor([&] { return prepared.app->http().requestsInFlight() == 0; }, 15000);
    if (state.range(0) > 0)
        writeResolvedSampleLog(
            prepared.app->strategy(),
            prepared.app->sampleLog().decisionSampleRecordForQuote(prepared.app->quotes().first()),
            prepared.market.clock.now().addDays(-30), state.range(0));
    prepared.app.reset();

    KestrumApp::Options options;
    options.appDirectory = prepared.dir.path() + u"/data"_s;
    options.endpoints = Endpoints::allAt(prepared.market.baseUrl());
    options.clock = &prepared.market.clock;
    options.preferences = prepared.preferences.get();
    options.notifier = &prepared.notifier;
    for (auto _ : state) {
        auto app = std::make_unique<KestrumApp>(options);
        app->loadSettings();
        app->loadStrategy();
        QSignalSpy finished(app.get(), &KestrumApp::refreshFinished);
        app->refresh();
        if (!finished.wait(10000)) {
            state.SkipWithError("the first refresh did not finish");
            break;
        }
        state.PauseTiming();
        waitFor([&] { return app->http().requestsInFlight() == 0; }, 15000);
        app.reset();
        prepared.market.clock.advanceSecs(12);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupToFirstRefresh)->Arg(0)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
