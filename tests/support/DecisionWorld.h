// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ConfigStore.h"
#include "decision/DecisionEngine.h"
#include "decision/StateSnapshots.h"
#include "intraday/IntradayStore.h"
#include "model/Clock.h"
#include "model/Quote.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"
#include "strategy/StrategyStore.h"

#include <QHash>
#include <QTemporaryDir>

#include <limits>
#include <memory>

namespace TestSupport {

// Everything the decision engine reads, in a temporary application directory, with a clock
// that stands still: the stores a test fills by hand and the engine over them.
class DecisionWorld
{
public:
    // 10:30 on a Tuesday in Shanghai unless told otherwise.
    explicit DecisionWorld(const QDateTime &start = QDateTime());

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

    // A fetched (real) minute series; volumes may be left empty.
    void applySeries(const QString &symbol, const QVector<double> &prices,
                     const QVector<double> &positions, const QVector<double> &averages,
                     const QVector<double> &volumes = {});
    // Gives the symbol a daily record with this context line, updated today unless told.
    void setDailyContext(const QString &symbol, const QString &context, bool today = true,
                         const QJsonObject &extraFeatures = {});
    // An index quote with the given percent change.
    void setBackground(const QString &symbol, double changePercent);

    // The decision of a quiet mid-morning stock (sh600000 at 10.20, day 9.80-10.40, previous
    // close 10.00, just above an average line of 10.00, no predicate firing) with the words
    // of `terms` changed: "name=value" separated by spaces, later words winning. Quote
    // fields: symbol, P, H, L, PC, time. Pinned terms: avg, O, A, r5, r10, r15, r30, r60, v5,
    // v10, pos, structure, prices, positions, real, dipped, dailyWeak, dailySupportive,
    // dailyHigh, dailyStale, daily (context), M, B. The value "surge" is the fresh-surge
    // ratio; "-" leaves a term to be computed from the stores.
    QuoteDecision decide(const QString &terms = QString()) const;
};

// The fresh-surge volume ratio.
inline constexpr double kSurge = std::numeric_limits<double>::max();

Quote makeQuote(const QString &symbol, double price, double high, double low, double previousClose,
                const QString &time = QString());

} // namespace TestSupport
