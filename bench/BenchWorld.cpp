// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchWorld.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

using namespace Qt::StringLiterals;

BenchWorld::BenchWorld()
    : clock(QDateTime(QDate(2026, 4, 28), QTime(14, 30), QTimeZone("Asia/Shanghai")),
            QTimeZone("Asia/Shanghai"))
{
    config = std::make_unique<ConfigStore>(dir.path(), QString());
    store = std::make_unique<StrategyStore>(*config, clock);
    daily = std::make_unique<DailyCache>(*store);
    boards = std::make_unique<BoardTags>(*store);
    boards->loadBoardMap();
    engine = std::make_unique<DecisionEngine>(intraday, *daily, background);
    snapshots = std::make_unique<StateSnapshots>(*engine);
    log = std::make_unique<DecisionSampleLog>(*store, intraday, *daily, *boards,
                                              snapshots->decisionSampleReader());

    const QStringList symbols{u"sh600519"_s, u"sh600089"_s, u"sz000636"_s, u"sz300750"_s,
                              u"sh688981"_s, u"sz002491"_s, u"sh601318"_s, u"sz000001"_s};
    QJsonObject cache;
    for (qsizetype s = 0; s < symbols.size(); ++s) {
        const QString &symbol = symbols.at(s);
        // A wavy day: positions every 9.6 s over the 14400-second session.
        QVector<double> prices, positions, averages, volumes;
        double amount = 0, volume = 0;
        for (int i = 0; i < kPoints; ++i) {
            const double price = 20.0 + s + std::sin(i / (40.0 + s)) * 0.4 + i * 0.0004;
            const double v = 1000 + (i % 17) * 30;
            volume += v;
            amount += v * price;
            prices << price;
            positions << i * 14400.0 / kPoints;
            averages << amount / volume;
            volumes << v;
        }
        intraday.applyIntradaySeriesForSymbol(symbol, u"2026-04-28"_s, prices, positions, averages,
                                              volumes);
        Quote q;
        q.symbol = symbol;
        q.name = symbol;
        q.price = prices.last();
        q.previousClose = 20.0 + s;
        q.open = prices.first();
        q.high = *std::max_element(prices.begin(), prices.end());
        q.low = *std::min_element(prices.begin(), prices.end());
        q.volume = volume;
        q.amount = amount;
        q.date = u"2026-04-28"_s;
        q.time = u"14:30:00"_s;
        quotes << q;
        cache.insert(symbol,
                     QJsonObject{
                         {u"symbol"_s, symbol},
                         {u"updated_at"_s, store->strategyISOStringForDate()},
                         {u"days"_s, QJsonArray()},
                         {u"features"_s, QJsonObject{{u"context"_s, u"日线背景：趋势配合"_s},
                                                     {u"ma5"_s, 20.5},
                                                     {u"position20"_s, 0.6}}},
                     });
    }
    store->writeJSONObject(cache, store->dailyCacheURL());
    daily->loadDailyCache();

    const double moves[] = {0.4, 0.6, 0.9, -0.3, 0.1};
    for (int i = 0; i < 5; ++i) {
        Quote index;
        index.symbol = DecisionEngine::backgroundIndexSymbols().at(i);
        index.previousClose = 3000;
        index.price = 3000 * (1 + moves[i] / 100);
        background.insert(index.symbol, index);
    }
}

void writeResolvedSampleLog(const StrategyStore &store, QJsonObject record, QDateTime from,
                            qint64 mib)
{
    const qint64 target = std::min(mib * 1024 * 1024, DecisionSampleLog::kRotationBytes - 65536);
    const QJsonObject outcome{{u"price"_s, 21.5},
                              {u"change_from_sample"_s, 0.42},
                              {u"max_favorable"_s, 0.9},
                              {u"max_adverse"_s, -0.3},
                              {u"resolved_at"_s, u"2026-04-27T10:15:00+0800"_s}};
    record.insert(
        u"future"_s,
        QJsonObject{{u"after15m"_s, outcome}, {u"after30m"_s, outcome}, {u"after60m"_s, outcome}});
    store.ensureStrategyDirectory();
    QFile file(store.decisionSamplesURL());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    qint64 written = 0;
    while (written < target) {
        record.insert(u"recorded_at"_s, store.strategyISOStringForDate(from));
        written += file.write(QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n');
        from = from.addSecs(60);
    }
}
