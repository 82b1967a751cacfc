// SPDX-License-Identifier: GPL-3.0-or-later
// The decision-sample step of a refresh (outcomes, then new samples) for eight watched
// stocks when nothing is due, over logs of 1, 5 and 20 MiB: it must not grow with the log.
#include "BenchWorld.h"

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

// A log of `mib` MiB of resolved samples, the newest ones hours old.
void writeResolvedLog(BenchWorld &world, qint64 mib)
{
    writeResolvedSampleLog(*world.store,
                           world.log->decisionSampleRecordForQuote(world.quotes.first()),
                           world.clock.now().addDays(-30), mib);
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

// What launch costs before the first refresh: the log read back to the last hour's samples.
void BM_SampleLogLoad(benchmark::State &state)
{
    BenchWorld world;
    writeResolvedLog(world, state.range(0));
    for (auto _ : state)
        world.log->loadPendingDecisionSamples();
}
BENCHMARK(BM_SampleLogLoad)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);

// Indexing the older lines after it, all slices (a file changed under the log is read whole
// at about the same cost).
void BM_SampleLogLoadOlder(benchmark::State &state)
{
    BenchWorld world;
    writeResolvedLog(world, state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        world.log->loadPendingDecisionSamples();
        state.ResumeTiming();
        while (world.log->loadOlderDecisionSamples(256 * 1024)) {
        }
    }
}
BENCHMARK(BM_SampleLogLoadOlder)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);

// A pass that resolves one outcome: it is noted in the outcomes' journal, the log is not
// touched.
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
        world.log->appendDecisionSampleRecords({pending});
        state.ResumeTiming();
        world.log->updatePendingDecisionSamplesForQuotes({quote});
    }
}
BENCHMARK(BM_SampleLogPassOneOutcomeDue)
    ->Arg(1)
    ->Arg(20)
    ->Iterations(10) // each adds a line: stay clear of the rotation size
    ->Unit(benchmark::kMillisecond);

// Folding half an hour of noted outcomes into the log, as happens every half hour: thirty
// samples per refresh over the last 90 minutes (the answer-step benchmark's rate at 50
// stocks), the outcomes of the refreshes of the last half hour written into their lines.
void BM_SampleLogFold(benchmark::State &state)
{
    BenchWorld world;
    const QJsonObject sample = world.log->decisionSampleRecordForQuote(world.quotes.first());
    QList<Quote> quotes;
    for (int k = 0; k < 30; ++k) {
        Quote quote = world.quotes.at(k % world.quotes.size());
        quote.symbol = u"sz3%1"_s.arg(k, 5, 10, QChar(u'0'));
        quotes.append(quote);
    }
    world.store->ensureStrategyDirectory();
    QByteArray log;
    for (QDateTime at = world.clock.now().addSecs(-90 * 60); at < world.clock.now();
         at = at.addSecs(12)) {
        for (const Quote &quote : std::as_const(quotes)) {
            QJsonObject record = sample;
            record.insert(u"symbol"_s, quote.symbol);
            record.insert(u"recorded_at"_s, world.store->strategyISOStringForDate(at));
            log += QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n';
        }
    }
    const auto restore = [&](const QString &path, const QByteArray &bytes) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
    };
    restore(world.store->decisionSamplesURL(), log);
    world.log->loadPendingDecisionSamples();
    while (world.log->loadOlderDecisionSamples(1 << 20)) {
    }
    // The half hour of refreshes since the last fold, each noting what fell due.
    const QDateTime now = world.clock.now();
    for (QDateTime at = now.addSecs(-30 * 60 + 12); at < now; at = at.addSecs(12)) {
        world.clock.setNow(at);
        world.log->updatePendingDecisionSamplesForQuotes(quotes);
    }
    world.clock.setNow(now);
    QFile notesFile(world.store->decisionOutcomesURL());
    const QByteArray notes =
        notesFile.open(QIODevice::ReadOnly) ? notesFile.readAll() : QByteArray();
    if (notes.isEmpty())
        state.SkipWithError("no outcome was noted");
    for (auto _ : state) {
        state.PauseTiming();
        restore(world.store->decisionSamplesURL(), log);
        restore(world.store->decisionOutcomesURL(), notes);
        world.log->loadPendingDecisionSamples();
        while (world.log->loadOlderDecisionSamples(1 << 20)) {
        }
        state.ResumeTiming();
        if (!world.log->foldNotedOutcomes())
            state.SkipWithError("the fold failed");
    }
    state.counters["log_bytes"] = double(log.size());
    state.counters["outcome_bytes"] = double(notes.size());
}
BENCHMARK(BM_SampleLogFold)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace
