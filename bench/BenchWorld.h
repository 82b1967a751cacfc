// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ConfigStore.h"
#include "decision/DecisionEngine.h"
#include "decision/StateSnapshots.h"
#include "intraday/IntradayStore.h"
#include "model/Clock.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"
#include "strategy/DecisionSampleLog.h"
#include "strategy/StrategyStore.h"

#include <QHash>
#include <QTemporaryDir>

#include <memory>

// A watched market at 14:30 on a Tuesday: eight A-shares with full 1500-point real series,
// daily records, board tags and the five index quotes, in a temporary directory.
class BenchWorld
{
public:
    BenchWorld();

    static constexpr int kPoints = 1500;

    QTemporaryDir dir;
    ManualClock clock;
    std::unique_ptr<ConfigStore> config;
    std::unique_ptr<StrategyStore> store;
    IntradayStore intraday;
    std::unique_ptr<DailyCache> daily;
    std::unique_ptr<BoardTags> boards;
    QHash<QString, Quote> background;
    std::unique_ptr<DecisionEngine> engine;
    std::unique_ptr<StateSnapshots> snapshots;
    std::unique_ptr<DecisionSampleLog> log;
    QList<Quote> quotes;
};

// A sample log of `mib` MiB of `record` with all its outcomes given (realistic lines of about
// 2 KB), recorded every minute from `from` on; written directly, as a long-running
// installation would have it.
void writeResolvedSampleLog(const StrategyStore &store, QJsonObject record, QDateTime from,
                            qint64 mib);
