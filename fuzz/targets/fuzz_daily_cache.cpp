// SPDX-License-Identifier: GPL-3.0-or-later
// strategy/daily_cache.json as found on disk: loaded, every record read by each query the
// decision layer asks, a failed refresh marking records stale, and saved and loaded again.
// An unreadable file is kept aside before anything replaces it.
#include "FuzzSupport.h"

#include "config/ConfigStore.h"
#include "model/Clock.h"
#include "strategy/DailyCache.h"
#include "strategy/StrategyStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {

void readEverything(const DailyCache &cache, const Quote &quote)
{
    cache.dailyCacheRecordForQuote(quote);
    cache.dailyFeaturesForQuote(quote);
    cache.dailyContextForQuote(quote);
    cache.dailyContextDisplayForQuote(quote);
    cache.dailyContextBadgeDisplayForQuote(quote);
    cache.dailyContextAccentForQuote(quote);
    cache.dailyDataIsStaleForQuote(quote);
    cache.hasWeakDailyBackgroundForQuote(quote);
    cache.hasSupportiveDailyBackgroundForQuote(quote);
    cache.hasDailyHighExtensionRiskForQuote(quote);
    cache.shouldRefreshDailyCacheForQuote(quote);
}

} // namespace

KESTRUM_FUZZ_INITIALIZE()

KESTRUM_FUZZ_MUTATOR(fuzz::mutateJson)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const fuzz::Sandbox &sandbox = fuzz::Sandbox::instance();
    sandbox.reset();
    const QByteArray input = fuzz::bytesOf(data, size);
    const QString file = u"strategy/daily_cache.json"_s;
    sandbox.write(file, input);

    const ConfigStore config(sandbox.path(), QString());
    const ManualClock clock(
        QDateTime(QDate(2026, 4, 28), QTime(10, 30), QTimeZone("Asia/Shanghai")));
    const StrategyStore store(config, clock);
    DailyCache cache(store);
    cache.loadDailyCache();

    const bool isObject = QJsonDocument::fromJson(input).isObject();
    if (!isObject && !input.trimmed().isEmpty()) {
        const QStringList kept = sandbox.entries(u"strategy"_s).filter(u".unreadable-"_s);
        fuzz::check(kept.size() == 1 && sandbox.read(u"strategy/"_s + kept.first()) == input,
                    "an unreadable daily cache is kept aside whole");
    }

    const QJsonObject loaded = cache.dailyCache();
    QStringList symbols = loaded.keys().mid(0, 8);
    symbols << u"sh600519"_s << QString();
    for (const QString &symbol : std::as_const(symbols)) {
        Quote quote;
        quote.symbol = symbol;
        readEverything(cache, quote);
        quote.symbol = symbol.toUpper();
        readEverything(cache, quote);
        const QJsonValue record = loaded.value(symbol);
        DailyCache::dailyFeaturesFromDays(record.toObject().value(u"days"_s));
    }

    // A refresh that fetched nothing marks records stale and keeps what they held.
    for (const QString &symbol : std::as_const(symbols)) {
        const QJsonValue before = cache.dailyCache().value(symbol.toLower());
        cache.applyDailyDaysForSymbol(symbol, {});
        const QJsonValue after = cache.dailyCache().value(symbol.toLower());
        if (!before.isObject() || before.toObject().isEmpty()) {
            fuzz::check(after == before, "a missing record stays missing", symbol);
            continue;
        }
        QJsonObject expected = before.toObject();
        expected.insert(u"daily_stale"_s, true);
        fuzz::check(after == expected, "a stale record keeps its bars and features", symbol);
    }

    // The next launch reads what this one saved.
    cache.saveDailyCache();
    DailyCache reloaded(store);
    reloaded.loadDailyCache();
    if (QJsonDocument(cache.dailyCache()).toJson() == QJsonDocument(reloaded.dailyCache()).toJson())
        return 0;
    fuzz::fail("the daily cache survives a save and a load");
}
