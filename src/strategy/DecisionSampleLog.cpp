// SPDX-License-Identifier: GPL-3.0-or-later
#include "strategy/DecisionSampleLog.h"

#include "intraday/IntradayAnalytics.h"
#include "intraday/IntradayStore.h"
#include "intraday/TradingClock.h"
#include "model/Clock.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"
#include "strategy/StrategyStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

struct Horizon
{
    const char16_t *key;
    qint64 secs;
    int bit;
};
constexpr Horizon kHorizons[] = {
    {u"after15m", 900, 1},
    {u"after30m", 1800, 2},
    {u"after60m", 3600, 4},
};

QJsonObject futureOf(const QJsonObject &record)
{
    const QJsonValue future = record.value(u"future"_s);
    return future.isObject() ? future.toObject() : QJsonObject();
}

} // namespace

DecisionSampleLog::DecisionSampleLog(const StrategyStore &store, const IntradayStore &intraday,
                                     const DailyCache &dailyCache, const BoardTags &boardTags,
                                     DecisionReader reader)
    : m_store(store)
    , m_intraday(intraday)
    , m_dailyCache(dailyCache)
    , m_boardTags(boardTags)
    , m_reader(std::move(reader))
    , m_file(store.decisionSamplesURL(),
             {kRotationBytes,
              [&store] {
                  return store.decisionSamplesArchiveURL(
                      store.clock().localNow().toString(u"yyyyMMdd"_s));
              }},
             &DecisionSampleLog::describeRecord)
{}

// --- Recording ---

bool DecisionSampleLog::shouldRecordDecisionSampleForQuote(const Quote &quote) const
{
    if (quote.symbol.isEmpty() || !(quote.price > 0))
        return false;
    const auto last = m_lastLogged.constFind(quote.symbol);
    if (last == m_lastLogged.constEnd() ||
        last->msecsTo(m_store.clock().now()) >= kIntervalSecs * 1000)
        return true;
    const QJsonObject previous = m_reader.previousStateSnapshot
                                     ? m_reader.previousStateSnapshot(quote.symbol)
                                     : QJsonObject();
    if (previous.isEmpty())
        return false;
    const QString execution =
        m_reader.displayExecutionStatus ? m_reader.displayExecutionStatus(quote) : QString();
    const QString risk = m_reader.riskStatus ? m_reader.riskStatus(quote) : QString();
    return previous.value(u"execution"_s).toString() != execution ||
           previous.value(u"risk"_s).toString() != risk;
}

QJsonObject DecisionSampleLog::intradayFeaturePayloadForQuote(const Quote &quote) const
{
    const IntradayAnalytics analytics(m_intraday);
    double position = 0;
    if (m_reader.latestTradingPosition) {
        position = m_reader.latestTradingPosition(quote);
    } else {
        const QVector<double> &positions = m_intraday.positions(quote.symbol);
        position = positions.isEmpty() ? KSTradingPositionForIntradayTime(quote.symbol, quote.time)
                                       : positions.last();
    }
    return QJsonObject{
        {u"trend5"_s, analytics.recentPercentChangeForQuote(quote, 5)},
        {u"trend10"_s, analytics.recentPercentChangeForQuote(quote, 10)},
        {u"trend15"_s, analytics.recentPercentChangeForQuote(quote, 15)},
        {u"trend30"_s, analytics.recentPercentChangeForQuote(quote, 30)},
        {u"volumeRatio5"_s, analytics.recentVolumeRatioForQuote(quote, 5)},
        {u"volumeRatio10"_s, analytics.recentVolumeRatioForQuote(quote, 10)},
        {u"openDelta"_s, analytics.intradayPercentChangeForQuote(quote, 0)},
        {u"afternoonDelta"_s, analytics.intradayPercentChangeForQuote(
                                  quote, KSIntradayMidPositionForSymbol(quote.symbol))},
        {u"samplePosition"_s, position},
    };
}

QJsonObject DecisionSampleLog::decisionSampleRecordForQuote(const Quote &quote) const
{
    const QString symbol = quote.symbol.toLower();
    const QString recordedAt = m_store.strategyISOStringForDate();
    const auto text = [&quote](const std::function<QString(const Quote &)> &read) {
        return read ? read(quote) : QString();
    };
    const QStringList reasons =
        m_reader.mainDecisionReasons ? m_reader.mainDecisionReasons(quote) : QStringList();
    return QJsonObject{
        {u"sample_id"_s, QString(symbol + u"-"_s + QString(recordedAt).remove(u':'))},
        {u"symbol"_s, symbol},
        {u"name"_s, quote.name},
        {u"recorded_at"_s, recordedAt},
        {u"price"_s, quote.price},
        {u"change_percent"_s, quote.changePercent()},
        {u"average_line"_s, m_intraday.currentAverageLineValueForQuote(quote)},
        {u"day_high"_s, quote.high},
        {u"day_low"_s, quote.low},
        {u"state"_s, text(m_reader.mainDecisionState)},
        {u"confidence"_s, text(m_reader.decisionConfidence)},
        {u"reasons"_s, QJsonArray::fromStringList(reasons)},
        {u"next_anchor"_s, text(m_reader.nextWatchDirective)},
        {u"intraday_features"_s, intradayFeaturePayloadForQuote(quote)},
        {u"daily_features"_s, m_dailyCache.dailyFeaturesForQuote(quote)},
        {u"board_tags"_s, QJsonArray::fromStringList(m_boardTags.boardTagsForQuote(quote))},
        {u"future"_s, QJsonObject()},
    };
}

void DecisionSampleLog::recordDecisionSamplesForQuotes(const QList<Quote> &quotes)
{
    // One write for all of them: a kill during it loses at most the line being written,
    // which the next append removes.
    QList<QJsonObject> due;
    for (const Quote &quote : quotes) {
        if (!shouldRecordDecisionSampleForQuote(quote))
            continue;
        due.append(decisionSampleRecordForQuote(quote));
        // Also when the append fails: a broken disk must not turn every refresh into a retry.
        m_lastLogged.insert(quote.symbol, m_store.clock().now());
    }
    if (!due.isEmpty())
        appendDecisionSampleRecords(due);
}

// --- Outcomes ---

QJsonObject DecisionSampleLog::futureResultForSample(const QJsonObject &sample,
                                                     const Quote &quote) const
{
    const double base = sample.value(u"price"_s).toDouble();
    const double price = quote.price;
    if (!(base > 0) || !(price > 0))
        return QJsonObject();
    const double since =
        sample.value(u"intraday_features"_s).toObject().value(u"samplePosition"_s).toDouble();
    double highest = price;
    double lowest = price;
    const QVector<double> &prices = m_intraday.prices(quote.symbol);
    const QVector<double> &positions = m_intraday.positions(quote.symbol);
    const qsizetype count = std::min(prices.size(), positions.size());
    for (qsizetype i = 0; i < count; ++i) {
        const double p = prices.at(i);
        if (positions.at(i) < since || !(p > 0))
            continue;
        lowest = std::min(lowest, p);
        highest = std::max(highest, p);
    }
    const auto percent = [base](double value) {
        return (value - base) / base * 100.0;
    };
    const QJsonObject result{
        {u"price"_s, price},
        {u"change_from_sample"_s, percent(price)},
        {u"max_favorable"_s, percent(highest)},
        {u"max_adverse"_s, percent(lowest)},
        {u"resolved_at"_s, m_store.strategyISOStringForDate()},
    };
    // A sample price too small to divide by yields no usable outcome, like a missing one;
    // a non-finite number would make the whole record unwritable at the next rewrite.
    return JsonLinesFile::isValidJsonObject(result) ? result : QJsonObject();
}

QJsonObject DecisionSampleLog::completedRecord(const QJsonObject &record,
                                               const QHash<QString, Quote> &quotesBySymbol) const
{
    const QJsonValue symbolValue = record.value(u"symbol"_s);
    const QString symbol = symbolValue.isString() ? symbolValue.toString().toLower() : QString();
    const auto quote = quotesBySymbol.constFind(symbol);
    const std::optional<QDateTime> recorded =
        StrategyStore::strategyDateFromISOString(record.value(u"recorded_at"_s));
    if (quote == quotesBySymbol.constEnd() || !recorded)
        return record;
    const qint64 elapsedMs = recorded->msecsTo(m_store.clock().now());
    QJsonObject future = futureOf(record);
    for (const Horizon &horizon : kHorizons) {
        const QString key = QString::fromUtf16(horizon.key);
        if (elapsedMs >= horizon.secs * 1000 && !future.contains(key))
            future.insert(key, futureResultForSample(record, *quote));
    }
    QJsonObject copy = record;
    copy.insert(u"future"_s, future);
    return copy;
}

void DecisionSampleLog::updatePendingDecisionSamplesForQuotes(const QList<Quote> &quotes)
{
    m_file.sync();
    QHash<QString, Quote> bySymbol;
    for (const Quote &quote : quotes) {
        if (!quote.symbol.isEmpty())
            bySymbol.insert(quote.symbol.toLower(), quote);
    }
    // Only samples with an outcome missing can get one; they are few (about the last hour).
    const qint64 now = m_store.clock().nowMSecs();
    const QVector<JsonLinesFile::Line> &lines = m_file.lines();
    const QVector<qsizetype> &pending = m_file.flaggedLines();
    const auto due = std::find_if(pending.begin(), pending.end(), [&](qsizetype i) {
        return isOutcomeDue(lines.at(i), bySymbol, now);
    });
    if (due == pending.end())
        return;
    // The first line the pass changes: dropped (not a record), rewritten in compact form,
    // or given an outcome. Everything before it stays as it is on disk.
    qsizetype first = *due;
    if (m_file.firstIrregularLine() >= 0)
        first = std::min(first, m_file.firstIrregularLine());
    for (auto it = pending.begin(); it != due && *it < first; ++it) {
        if (isChangedByPass(lines.at(*it), bySymbol, now)) {
            first = *it;
            break;
        }
    }
    std::optional<JsonLinesFile::Tail> tail = m_file.prepareTail(
        first,
        [&](const JsonLinesFile::Line &line) { return isChangedByPass(line, bySymbol, now); },
        [&](const QJsonObject &record) { return completedRecord(record, bySymbol); });
    if (tail)
        m_file.replaceTail(std::move(*tail));
}

void DecisionSampleLog::loadPendingDecisionSamples()
{
    m_file.load(m_store.clock().nowMSecs() - kHorizons[2].secs * 1000);
}

void DecisionSampleLog::describeRecord(const QJsonObject &record, JsonLinesFile::Line &line)
{
    const QJsonValue symbolValue = record.value(u"symbol"_s);
    const QString symbol = symbolValue.isString() ? symbolValue.toString().toLower() : QString();
    const std::optional<QDateTime> recorded =
        StrategyStore::strategyDateFromISOString(record.value(u"recorded_at"_s));
    if (symbol.isEmpty() || !recorded)
        return;
    line.key = symbol;
    line.stamp = recorded->toMSecsSinceEpoch();
    // A future that is not an object counts as empty: every outcome is missing.
    const QJsonObject future = futureOf(record);
    for (const Horizon &horizon : kHorizons) {
        if (!future.contains(QString::fromUtf16(horizon.key)))
            line.flags |= horizon.bit;
    }
    if (!record.value(u"future"_s).isObject())
        line.flags |= kFutureNotObject;
}

bool DecisionSampleLog::isOutcomeDue(const JsonLinesFile::Line &line,
                                     const QHash<QString, Quote> &quotesBySymbol,
                                     qint64 nowMs) const
{
    if (line.key.isEmpty() || !quotesBySymbol.contains(line.key))
        return false;
    return std::any_of(std::begin(kHorizons), std::end(kHorizons), [&](const Horizon &horizon) {
        return (line.flags & horizon.bit) && nowMs - line.stamp >= horizon.secs * 1000;
    });
}

bool DecisionSampleLog::isChangedByPass(const JsonLinesFile::Line &line,
                                        const QHash<QString, Quote> &quotesBySymbol,
                                        qint64 nowMs) const
{
    if (!line.record || !line.canonical)
        return true;
    // Only a record with a quote and a readable time is completed (see completedRecord).
    if (line.key.isEmpty() || !quotesBySymbol.contains(line.key))
        return false;
    return (line.flags & kFutureNotObject) || isOutcomeDue(line, quotesBySymbol, nowMs);
}
