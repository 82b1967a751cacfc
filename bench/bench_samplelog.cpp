// SPDX-License-Identifier: GPL-3.0-or-later
// The decision-sample step of a refresh (outcomes, then new samples) for eight watched
// stocks when nothing is due, over logs of 1, 5 and 20 MiB: it must not grow with the log.
#include "BenchWorld.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

// A log of `mib` MiB of resolved samples (realistic lines of about 2 KB), the newest ones
// hours old; written directly, as a long-running installation would have it.
void writeResolvedLog(BenchWorld &world, qint64 mib)
{
    const qint64 target = std::min(mib * 1024 * 1024, DecisionSampleLog::kRotationBytes - 65536);
    QJsonObject record = world.log->decisionSampleRecordForQuote(world.quotes.first());
    const QJsonObject outcome{{u"price"_s, 21.5},
                              {u"change_from_sample"_s, 0.42},
                              {u"max_favorable"_s, 0.9},
                              {u"max_adverse"_s, -0.3},
                              {u"resolved_at"_s, u"2026-04-27T10:15:00+0800"_s}};
    record.insert(
        u"future"_s,
        QJsonObject{{u"after15m"_s, outcome}, {u"after30m"_s, outcome}, {u"after60m"_s, outcome}});
    world.store->ensureStrategyDirectory();
    QFile file(world.store->decisionSamplesURL());
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QDateTime when = world.clock.now().addDays(-30);
    qint64 written = 0;
    while (written < target) {
        record.insert(u"recorded_at"_s, world.store->strategyISOStringForDate(when));
        const QByteArray line = QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n';
        written += file.write(line);
        when = when.addSecs(300);
    }
}

void BM_SampleLogPassNothingDue(benchmark::State &state)
{
    BenchWorld world;
    writeResolvedLog(world, state.range(0));
    // One refresh as the cycle runs it, so every stock has a sample a minute old and a
    // previous snapshot equal to its live state.
    QStringList symbols;
    for (const Quote &q : world.quotes)
        symbols << q.symbol;
    world.snapshots->captureCurrentStateSnapshotsForQuotes(world.quotes);
    world.snapshots->rollStateSnapshotsForwardForSymbols(symbols);
    world.log->updatePendingDecisionSamplesForQuotes(world.quotes);
    world.log->recordDecisionSamplesForQuotes(world.quotes);
    world.clock.advanceSecs(60);
    const qint64 size = QFile(world.store->decisionSamplesURL()).size();

    for (auto _ : state) {
        world.log->updatePendingDecisionSamplesForQuotes(world.quotes);
        world.log->recordDecisionSamplesForQuotes(world.quotes);
    }
    if (QFile(world.store->decisionSamplesURL()).size() != size)
        state.SkipWithError("the pass wrote to the log");
    state.counters["log_bytes"] = double(size);
}
BENCHMARK(BM_SampleLogPassNothingDue)->Arg(1)->Arg(5)->Arg(20)->Unit(benchmark::kMicrosecond);

// The outcome step alone, same logs: a stat() and a few hash lookups.
void BM_SampleLogOutcomeCheckNothingDue(benchmark::State &state)
{
    BenchWorld world;
    writeResolvedLog(world, state.range(0));
    world.log->loadPendingDecisionSamples();
    for (auto _ : state)
        world.log->updatePendingDecisionSamplesForQuotes(world.quotes);
}
BENCHMARK(BM_SampleLogOutcomeCheckNothingDue)
    ->Arg(1)
    ->Arg(5)
    ->Arg(20)
    ->Unit(benchmark::kMicrosecond);

// What launch (or a file changed under the log) costs once: reading and indexing the log.
void BM_SampleLogLoad(benchmark::State &state)
{
    BenchWorld world;
    writeResolvedLog(world, state.range(0));
    for (auto _ : state)
        world.log->loadPendingDecisionSamples();
}
BENCHMARK(BM_SampleLogLoad)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);

// A pass that resolves one outcome rewrites the whole log.
void BM_SampleLogPassOneOutcomeDue(benchmark::State &state)
{
    BenchWorld world;
    writeResolvedLog(world, state.range(0));
    const Quote quote = world.quotes.first();
    for (auto _ : state) {
        state.PauseTiming();
        QJsonObject pending = world.log->decisionSampleRecordForQuote(quote);
        pending.insert(u"recorded_at"_s,
                       world.store->strategyISOStringForDate(world.clock.now().addSecs(-900)));
        world.log->appendDecisionSampleRecord(pending);
        state.ResumeTiming();
        world.log->updatePendingDecisionSamplesForQuotes({quote});
    }
}
BENCHMARK(BM_SampleLogPassOneOutcomeDue)
    ->Arg(1)
    ->Arg(20)
    ->Iterations(10) // each adds a line: stay clear of the rotation size
    ->Unit(benchmark::kMillisecond);

} // namespace
