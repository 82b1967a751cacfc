// SPDX-License-Identifier: GPL-3.0-or-later
#include "strategy/DailyCache.h"

#include "market/Plausibility.h"
#include "model/PaletteHex.h"
#include "strategy/StrategyStore.h"

#include <QPointer>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QString kContextPrefix = u"日线背景："_s;

// A stored number must stay a number: JSON has no infinity.
double finiteOrZero(double value)
{
    return std::isfinite(value) ? value : 0.0;
}

} // namespace

DailyCache::DailyCache(const StrategyStore &store, DailyFetcher fetcher, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_fetcher(std::move(fetcher))
    , m_file(store.dailyCacheURL(),
             [](const QJsonDocument &document) { return document.isObject(); })
{}

QString DailyCache::insufficientContext()
{
    return toText(DailyContext::Insufficient);
}

// --- The file ---

void DailyCache::loadDailyCache()
{
    JsonFile::KeptAside kept;
    const std::optional<QJsonDocument> loaded = m_file.load(&kept);
    m_cache = loaded ? loaded->object() : QJsonObject();
    if (kept.unreadable)
        Q_EMIT unreadableFileFound(kept.copyPath);
    // Bars no market can show (an older build stored them) are kept only until the next
    // refresh fetches the symbol again, not for the rest of the day.
    for (auto it = m_cache.begin(); it != m_cache.end(); ++it) {
        QJsonObject record = it.value().toObject();
        const QList<DayRecord> days = daysFromJson(record.value(u"days"_s));
        if (!std::all_of(days.cbegin(), days.cend(), plausibility::isDay)) {
            record.remove(u"updated_at"_s);
            it.value() = record;
        }
    }
}

bool DailyCache::saveDailyCache()
{
    m_store.ensureStrategyDirectory();
    JsonFile::KeptAside kept;
    const bool written = m_file.write(QJsonDocument(m_cache), &kept);
    if (kept.unreadable)
        Q_EMIT unreadableFileFound(kept.copyPath);
    return written;
}

// --- Daily features ---

double DailyCache::averageCloseForDays(const QList<DayRecord> &days, int count)
{
    if (count < 1 || days.isEmpty())
        return 0;
    const qsizetype start = std::max<qsizetype>(days.size() - count, 0);
    double sum = 0;
    int taken = 0;
    for (qsizetype i = start; i < days.size(); ++i) {
        if (days.at(i).close > 0) {
            sum += days.at(i).close;
            ++taken;
        }
    }
    return taken > 0 ? sum / taken : 0.0;
}

double DailyCache::dailyChangeForDays(const QList<DayRecord> &days, int lookback)
{
    if (lookback < 0 || days.size() <= lookback)
        return 0;
    const double last = days.last().close;
    const double earlier = days.at(days.size() - 1 - lookback).close;
    if (!(last > 0 && earlier > 0))
        return 0;
    return (last - earlier) / earlier * 100.0;
}

QJsonObject DailyCache::dailyFeaturesFromDays(const QList<DayRecord> &days)
{
    if (days.isEmpty())
        return QJsonObject{{u"context"_s, insufficientContext()}};

    const qsizetype n = days.size();
    const double close = days.last().close;
    const double ma5 = averageCloseForDays(days, 5);
    const double ma10 = averageCloseForDays(days, 10);
    const double ma20 = averageCloseForDays(days, 20);
    const double change3 = dailyChangeForDays(days, 3);
    const double change5 = dailyChangeForDays(days, 5);
    const double change10 = dailyChangeForDays(days, 10);

    double high20 = days.at(std::max<qsizetype>(n - 20, 0)).high;
    double low20 = days.at(std::max<qsizetype>(n - 20, 0)).low;
    for (qsizetype i = std::max<qsizetype>(n - 20, 0); i < n; ++i) {
        high20 = std::max(high20, days.at(i).high);
        low20 = std::min(low20, days.at(i).low);
    }
    const double position20 =
        low20 < high20 && close > 0 ? (close - low20) / (high20 - low20) : 0.5;

    // At most the five sessions before the last one.
    double volumeSum = 0;
    int volumeCount = 0;
    for (qsizetype i = std::max<qsizetype>(n, 6) - 6; i < n - 1; ++i) {
        if (days.at(i).volume > 0) {
            volumeSum += days.at(i).volume;
            ++volumeCount;
        }
    }
    const double volumeAverage = volumeCount > 0 ? volumeSum / volumeCount : 0.0;
    const double volumeRatio5 = volumeAverage > 0 ? days.last().volume / volumeAverage : 0.0;

    DailyContext context = DailyContext::Neutral;
    if (n < 20 || close <= 0 || ma20 <= 0)
        context = DailyContext::Insufficient;
    else if (close < ma20 && change5 < 0)
        context = DailyContext::DeclineRelay;
    else if (position20 >= 0.78 && (change3 >= 8 || change5 >= 12))
        context = DailyContext::HighRange;
    else if (close >= ma5 && ma5 >= ma10 && ma10 >= ma20 && change5 >= 0)
        context = DailyContext::TrendAligned;

    return QJsonObject{
        {u"context"_s, toText(context)},         {u"close"_s, finiteOrZero(close)},
        {u"ma5"_s, finiteOrZero(ma5)},           {u"ma10"_s, finiteOrZero(ma10)},
        {u"ma20"_s, finiteOrZero(ma20)},         {u"position20"_s, finiteOrZero(position20)},
        {u"change3"_s, finiteOrZero(change3)},   {u"change5"_s, finiteOrZero(change5)},
        {u"change10"_s, finiteOrZero(change10)}, {u"volumeRatio5"_s, finiteOrZero(volumeRatio5)},
    };
}

QJsonObject DailyCache::dailyFeaturesFromDays(const QJsonValue &days)
{
    return dailyFeaturesFromDays(daysFromJson(days));
}

QJsonObject DailyCache::dayRecordToJson(const DayRecord &day)
{
    return QJsonObject{
        {u"date"_s, day.date},
        {u"open"_s, finiteOrZero(day.open)},
        {u"high"_s, finiteOrZero(day.high)},
        {u"low"_s, finiteOrZero(day.low)},
        {u"close"_s, finiteOrZero(day.close)},
        {u"volume"_s, finiteOrZero(day.volume)},
        {u"amount"_s, finiteOrZero(day.amount)},
    };
}

DayRecord DailyCache::dayRecordFromJson(const QJsonValue &value)
{
    const QJsonObject o = value.toObject();
    DayRecord day;
    day.date = o.value(u"date"_s).toString();
    day.open = o.value(u"open"_s).toDouble();
    day.high = o.value(u"high"_s).toDouble();
    day.low = o.value(u"low"_s).toDouble();
    day.close = o.value(u"close"_s).toDouble();
    day.volume = o.value(u"volume"_s).toDouble();
    day.amount = o.value(u"amount"_s).toDouble();
    return day;
}

QJsonArray DailyCache::daysToJson(const QList<DayRecord> &days)
{
    QJsonArray array;
    for (const DayRecord &day : days)
        array.append(dayRecordToJson(day));
    return array;
}

QList<DayRecord> DailyCache::daysFromJson(const QJsonValue &days)
{
    QList<DayRecord> list;
    if (!days.isArray())
        return list;
    const QJsonArray array = days.toArray();
    list.reserve(array.size());
    for (const QJsonValue &value : array)
        list.append(dayRecordFromJson(value));
    return list;
}

// --- Queries ---

std::optional<QJsonObject> DailyCache::dailyCacheRecordForQuote(const Quote &quote) const
{
    const QJsonValue value = m_cache.value(quote.symbol.toLower());
    if (!value.isObject())
        return std::nullopt;
    return value.toObject();
}

QJsonObject DailyCache::dailyFeaturesForQuote(const Quote &quote) const
{
    const std::optional<QJsonObject> record = dailyCacheRecordForQuote(quote);
    if (!record)
        return QJsonObject();
    const QJsonValue features = record->value(u"features"_s);
    return features.isObject() ? features.toObject() : QJsonObject();
}

DailyContext DailyCache::dailyContextKindForQuote(const Quote &quote) const
{
    // Read at the file's edge, forgiving a hand edit's spaces and repeated prefix; a missing
    // or foreign text counts as too little data.
    const QString words = dailyFeaturesForQuote(quote)
                              .value(u"context"_s)
                              .toString()
                              .remove(kContextPrefix)
                              .trimmed();
    return fromText<DailyContext>(QString(kContextPrefix + words))
        .value_or(DailyContext::Insufficient);
}

QString DailyCache::dailyContextForQuote(const Quote &quote) const
{
    return toText(dailyContextKindForQuote(quote));
}

QString DailyCache::dailyContextDisplayForQuote(const Quote &quote) const
{
    return dailyContextForQuote(quote).remove(kContextPrefix);
}

QString DailyCache::dailyContextBadgeDisplayForQuote(const Quote &quote) const
{
    if (dailyContextKindForQuote(quote) == DailyContext::DeclineRelay)
        return u"下跌中继"_s; // the badge has room for four characters
    return dailyContextDisplayForQuote(quote);
}

QString DailyCache::dailyContextAccentForQuote(const Quote &quote) const
{
    switch (dailyContextKindForQuote(quote)) {
    case DailyContext::TrendAligned:
        return Palette::Hex::dailyTrendAligned;
    case DailyContext::HighRange:
        return Palette::Hex::dailyHighRange;
    case DailyContext::DeclineRelay:
        return Palette::Hex::dailyDeclineRelay;
    case DailyContext::Insufficient:
        return Palette::Hex::dailyInsufficient;
    case DailyContext::Neutral:
        break;
    }
    return Palette::Hex::dailyNeutral;
}

bool DailyCache::wasUpdatedToday(const QJsonObject &record) const
{
    const QString updated = record.value(u"updated_at"_s).toString();
    return updated.startsWith(m_store.strategyTodayString());
}

bool DailyCache::dailyDataIsStaleForQuote(const Quote &quote) const
{
    const std::optional<QJsonObject> record = dailyCacheRecordForQuote(quote);
    return !record || !wasUpdatedToday(*record);
}

bool DailyCache::hasWeakDailyBackgroundForQuote(const Quote &quote) const
{
    return dailyContextKindForQuote(quote) == DailyContext::DeclineRelay;
}

bool DailyCache::hasSupportiveDailyBackgroundForQuote(const Quote &quote) const
{
    return dailyContextKindForQuote(quote) == DailyContext::TrendAligned;
}

bool DailyCache::hasDailyHighExtensionRiskForQuote(const Quote &quote) const
{
    const QJsonObject features = dailyFeaturesForQuote(quote);
    if (features.isEmpty())
        return false;
    if (features.value(u"position20"_s).toDouble() < 0.78)
        return false;
    if (features.value(u"change3"_s).toDouble() >= 8 ||
        features.value(u"change5"_s).toDouble() >= 12)
        return true;
    return dailyContextKindForQuote(quote) == DailyContext::HighRange;
}

bool DailyCache::shouldRefreshDailyCacheForQuote(const Quote &quote) const
{
    if (quote.symbol.isEmpty())
        return false;
    const std::optional<QJsonObject> record = dailyCacheRecordForQuote(quote);
    return !record || !wasUpdatedToday(*record);
}

// --- The once-a-day refresh ---

void DailyCache::refreshStrategyDailyCacheForQuotes(const QList<Quote> &quotes)
{
    for (const Quote &quote : quotes) {
        if (!shouldRefreshDailyCacheForQuote(quote))
            continue;
        const QString symbol = quote.symbol.toLower();
        if (!m_fetcher) {
            applyDailyDaysForSymbol(symbol, {});
            continue;
        }
        QPointer<DailyCache> self(this);
        m_fetcher(symbol, [self, symbol](const QList<DayRecord> &days) {
            if (self)
                self->applyDailyDaysForSymbol(symbol, days);
        });
    }
}

void DailyCache::applyDailyDaysForSymbol(const QString &symbol, const QList<DayRecord> &days)
{
    const QString key = symbol.toLower();
    if (key.isEmpty())
        return;
    if (days.isEmpty()) {
        const QJsonValue existing = m_cache.value(key);
        if (!existing.isObject() || existing.toObject().isEmpty())
            return;
        QJsonObject stale = existing.toObject();
        // A failing service is asked again at every refresh; once the record says so, the
        // file needs no rewrite per attempt for the length of the outage.
        if (stale.value(u"daily_stale"_s) == QJsonValue(true))
            return;
        stale.insert(u"daily_stale"_s, true);
        m_cache.insert(key, stale);
        saveDailyCache();
        return;
    }
    m_cache.insert(key, QJsonObject{
                            {u"symbol"_s, key},
                            {u"updated_at"_s, m_store.strategyISOStringForDate()},
                            {u"days"_s, daysToJson(days)},
                            {u"features"_s, dailyFeaturesFromDays(days)},
                            {u"daily_stale"_s, false},
                        });
    saveDailyCache();
    Q_EMIT dailyCacheChanged(key);
}
