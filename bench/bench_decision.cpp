// SPDX-License-Identifier: GPL-3.0-or-later
// Every decision value of one quote over a 1500-point series: what a card, a snapshot and a
// sample record of one stock cost together.
#include "BenchWorld.h"

#include "decision/QuoteDecision.h"

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

// Everything the surfaces, the snapshots, the alerts and the prompt read of one quote.
void everyValue(const QuoteDecision &d, const StateSnapshots &snapshots)
{
    benchmark::DoNotOptimize(d.marketBackgroundDescription());
    benchmark::DoNotOptimize(d.boardBackgroundDescription());
    benchmark::DoNotOptimize(d.backgroundBias());
    benchmark::DoNotOptimize(d.hasDecisionData());
    benchmark::DoNotOptimize(d.isStrongHighLock());
    benchmark::DoNotOptimize(d.hasCleanBreakout());
    benchmark::DoNotOptimize(d.hasChaseRisk());
    benchmark::DoNotOptimize(d.latestTradingPosition());
    benchmark::DoNotOptimize(d.isOpeningProtectionWindow());
    benchmark::DoNotOptimize(d.isClosingProtectionWindow());
    benchmark::DoNotOptimize(d.hasMediumTrendSupport());
    benchmark::DoNotOptimize(d.shouldHoldBackAggressiveBuy());
    benchmark::DoNotOptimize(d.hasSevereRisk());
    benchmark::DoNotOptimize(d.hasLostAverageSupport());
    benchmark::DoNotOptimize(d.hasBuyConfirmation());
    benchmark::DoNotOptimize(d.hasHealthyPullback());
    benchmark::DoNotOptimize(d.hasWeakPullback());
    benchmark::DoNotOptimize(d.hasRecoveredFalseBreak());
    benchmark::DoNotOptimize(d.breakBelowAverageAlertIsActive());
    benchmark::DoNotOptimize(d.coreRiskState());
    benchmark::DoNotOptimize(d.buyDecisionStatus());
    benchmark::DoNotOptimize(d.sellDecisionStatus());
    benchmark::DoNotOptimize(d.displayExecutionStatus());
    benchmark::DoNotOptimize(d.executionStatus());
    benchmark::DoNotOptimize(d.riskStatus());
    benchmark::DoNotOptimize(d.decisionConfidence());
    benchmark::DoNotOptimize(d.decisionConfidenceReason());
    benchmark::DoNotOptimize(d.decisionPipelineSummary());
    benchmark::DoNotOptimize(d.nextWatchDirective());
    benchmark::DoNotOptimize(d.mainDecisionState());
    benchmark::DoNotOptimize(d.mainDecisionReasons());
    benchmark::DoNotOptimize(d.keyLevelScenario());
    benchmark::DoNotOptimize(d.buyStatusHint());
    benchmark::DoNotOptimize(d.sellStatusHint());
    benchmark::DoNotOptimize(d.executionStatusHint());
    benchmark::DoNotOptimize(d.keyLevelHint());
    benchmark::DoNotOptimize(d.homeBuyTagHint());
    benchmark::DoNotOptimize(d.riskPressureScore());
    benchmark::DoNotOptimize(StateSnapshots::stateSnapshot(d));
    benchmark::DoNotOptimize(StateSnapshots::stateContinuityDescription(
        d, snapshots.previousStateForSymbol(d.quote().symbol)));
}

void BM_AllDecisionValuesOneQuote(benchmark::State &state)
{
    BenchWorld world;
    const Quote quote = world.quotes.first();
    world.snapshots->captureCurrentStateSnapshotsForQuotes({quote});
    world.snapshots->rollStateSnapshotsForwardForSymbols({quote.symbol});
    for (auto _ : state)
        everyValue(world.engine->decisionForQuote(quote), *world.snapshots);
}
BENCHMARK(BM_AllDecisionValuesOneQuote)->Unit(benchmark::kMicrosecond);

// The same values asked one member at a time of the engine: each call starts afresh, as a
// caller that does not keep a QuoteDecision would.
void BM_AllDecisionValuesOneQuoteEngineMembers(benchmark::State &state)
{
    BenchWorld world;
    const Quote q = world.quotes.first();
    const DecisionEngine &e = *world.engine;
    for (auto _ : state) {
        benchmark::DoNotOptimize(e.marketBackgroundDescriptionForQuote(q));
        benchmark::DoNotOptimize(e.boardBackgroundDescriptionForQuote(q));
        benchmark::DoNotOptimize(e.hasChaseRiskForQuote(q));
        benchmark::DoNotOptimize(e.hasSevereRiskForQuote(q));
        benchmark::DoNotOptimize(e.coreRiskStateForQuote(q));
        benchmark::DoNotOptimize(e.buyDecisionStatusForQuote(q));
        benchmark::DoNotOptimize(e.sellDecisionStatusForQuote(q));
        benchmark::DoNotOptimize(e.displayExecutionStatusForQuote(q));
        benchmark::DoNotOptimize(e.executionStatusForQuote(q));
        benchmark::DoNotOptimize(e.riskStatusForQuote(q));
        benchmark::DoNotOptimize(e.decisionConfidenceForQuote(q));
        benchmark::DoNotOptimize(e.decisionPipelineSummaryForQuote(q));
        benchmark::DoNotOptimize(e.nextWatchDirectiveForQuote(q));
        benchmark::DoNotOptimize(e.mainDecisionReasonsForQuote(q));
        benchmark::DoNotOptimize(e.scenarioMetricsForQuote(q));
        benchmark::DoNotOptimize(e.homeBuyTagHintForQuote(q));
        benchmark::DoNotOptimize(world.snapshots->stateSnapshotForQuote(q));
        benchmark::DoNotOptimize(world.snapshots->stateContinuityDescriptionForQuote(q));
    }
}
BENCHMARK(BM_AllDecisionValuesOneQuoteEngineMembers)->Unit(benchmark::kMicrosecond);

// The snapshot step of one refresh for eight watched stocks.
void BM_CaptureSnapshotsEightQuotes(benchmark::State &state)
{
    BenchWorld world;
    QStringList symbols;
    for (const Quote &q : world.quotes)
        symbols << q.symbol;
    for (auto _ : state) {
        world.snapshots->rollStateSnapshotsForwardForSymbols(symbols);
        world.snapshots->captureCurrentStateSnapshotsForQuotes(world.quotes);
    }
}
BENCHMARK(BM_CaptureSnapshotsEightQuotes)->Unit(benchmark::kMicrosecond);

} // namespace
