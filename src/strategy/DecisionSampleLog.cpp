#include "strategy/DecisionSampleLog.h"

#include "config/JsonFile.h"
#include "intraday/IntradayAnalytics.h"
#include "intraday/IntradayStore.h"
#include "intraday/TradingClock.h"
#include "model/Clock.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"
#include "strategy/StrategyStore.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <sys/stat.h>

#include <cmath>

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

bool isValidJsonValue(const QJsonValue &value);

bool isValidJsonArray(const QJsonArray &array)
{
    for (const QJsonValue &value : array) {
        if (!isValidJsonValue(value))
            return false;
    }
    return true;
}

bool isValidJsonValue(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Double:
        return std::isfinite(value.toDouble());
    case QJsonValue::Object:
        return DecisionSampleLog::isValidJsonObject(value.toObject());
    case QJsonValue::Array:
        return isValidJsonArray(value.toArray());
    case QJsonValue::Undefined:
        return false;
    default:
        return true;
    }
}

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
{}

bool DecisionSampleLog::isValidJsonObject(const QJsonObject &object)
{
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (!isValidJsonValue(it.value()))
            return false;
    }
    return true;
}

QString DecisionSampleLog::logPath() const
{
    return m_store.decisionSamplesURL();
}

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
    for (const Quote &quote : quotes) {
        if (!shouldRecordDecisionSampleForQuote(quote))
            continue;
        appendDecisionSampleRecord(decisionSampleRecordForQuote(quote));
        // Also after a failed append: a broken disk must not turn every refresh into a retry.
        m_lastLogged.insert(quote.symbol, m_store.clock().now());
    }
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
    return isValidJsonObject(result) ? result : QJsonObject();
}

void DecisionSampleLog::updatePendingDecisionSamplesForQuotes(const QList<Quote> &quotes)
{
    syncPendingIndex();
    QHash<QString, Quote> bySymbol;
    for (const Quote &quote : quotes) {
        if (!quote.symbol.isEmpty())
            bySymbol.insert(quote.symbol.toLower(), quote);
    }
    if (bySymbol.isEmpty() || !isAnyOutcomeDue(bySymbol))
        return;

    // Something is due: complete the file as it is now, not as it was indexed.
    const FileIdentity before = identity();
    QFile file(logPath());
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QList<QJsonObject> records = parseRecords(file.readAll());
    file.close();
    if (records.isEmpty())
        return;

    const QDateTime now = m_store.clock().now();
    QList<QJsonObject> completed;
    completed.reserve(records.size());
    bool added = false;
    for (const QJsonObject &record : records) {
        QJsonObject copy = record;
        const QJsonValue symbolValue = record.value(u"symbol"_s);
        const QString symbol =
            symbolValue.isString() ? symbolValue.toString().toLower() : QString();
        const auto quote = bySymbol.constFind(symbol);
        const std::optional<QDateTime> recorded =
            StrategyStore::strategyDateFromISOString(record.value(u"recorded_at"_s));
        if (quote != bySymbol.constEnd() && recorded) {
            const qint64 elapsedMs = recorded->msecsTo(now);
            QJsonObject future = futureOf(record);
            for (const Horizon &horizon : kHorizons) {
                const QString key = QString::fromUtf16(horizon.key);
                if (elapsedMs >= horizon.secs * 1000 && !future.contains(key)) {
                    future.insert(key, futureResultForSample(record, *quote));
                    added = true;
                }
            }
            copy.insert(u"future"_s, future);
        }
        completed.append(copy);
    }
    if (!added)
        return;
    if (!rewriteDecisionSampleRecords(completed)) {
        // The file is as it was read: keep indexing that.
        indexRecords(records);
        m_indexed = before;
    }
}

// --- The file ---

QList<QJsonObject> DecisionSampleLog::parseRecords(const QByteArray &bytes)
{
    QList<QJsonObject> records;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        const QByteArray line = bytes.sliced(start, end - start);
        start = end + 1;
        if (line.trimmed().isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error == QJsonParseError::NoError && document.isObject())
            records.append(document.object());
    }
    return records;
}

QByteArray DecisionSampleLog::serialise(const QList<QJsonObject> &records)
{
    QByteArray bytes;
    for (const QJsonObject &record : records) {
        if (!isValidJsonObject(record))
            continue;
        bytes += QJsonDocument(record).toJson(QJsonDocument::Compact);
        bytes += '\n';
    }
    return bytes;
}

QList<QJsonObject> DecisionSampleLog::decisionSampleRecords() const
{
    QFile file(logPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parseRecords(file.readAll());
}

bool DecisionSampleLog::appendDecisionSampleRecord(const QJsonObject &record)
{
    if (!isValidJsonObject(record))
        return false;
    m_store.ensureStrategyDirectory();
    syncPendingIndex();
    rotateDecisionSampleLogIfNeeded();
    QByteArray line = QJsonDocument(record).toJson(QJsonDocument::Compact);
    line += '\n';

    const QString path = logPath();
    if (!QFile::exists(path)) {
        if (!JsonFile::writeAtomically(path, line)) {
            m_indexed.reset();
            return false;
        }
        indexRecord(record);
        m_indexed = identity();
        return true;
    }

    // Unbuffered, so every write reaches the file (or fails) here and a short write is seen.
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        m_indexed.reset();
        return false;
    }
    const qint64 size = file.size();
    // A line cut short by a crash must not swallow this one.
    char last = '\n';
    if (size > 0 && (!file.seek(size - 1) || !file.getChar(&last))) {
        m_indexed.reset();
        return false;
    }
    if (last != '\n')
        line.prepend('\n');
    bool ok = file.seek(size);
    qint64 written = 0;
    while (ok && written < line.size()) {
        const qint64 n = file.write(line.constData() + written, line.size() - written);
        if (n <= 0)
            ok = false;
        else
            written += n;
    }
    if (!ok) {
        // Take back the part that did get in, so the log keeps only whole lines.
        file.resize(size);
        file.close();
        m_indexed.reset();
        return false;
    }
    file.close();
    indexRecord(record);
    m_indexed = identity();
    return true;
}

bool DecisionSampleLog::rewriteDecisionSampleRecords(const QList<QJsonObject> &records)
{
    m_store.ensureStrategyDirectory();
    if (!JsonFile::writeAtomically(logPath(), serialise(records))) {
        m_indexed.reset();
        return false;
    }
    QList<QJsonObject> written;
    for (const QJsonObject &record : records) {
        if (isValidJsonObject(record))
            written.append(record);
    }
    indexRecords(written);
    m_indexed = identity();
    return true;
}

bool DecisionSampleLog::rotateDecisionSampleLogIfNeeded()
{
    const FileIdentity current = identity();
    if (!current.exists || current.size <= kRotationBytes)
        return false;
    const QString archive =
        m_store.decisionSamplesArchiveURL(m_store.clock().localNow().toString(u"yyyyMMdd"_s));
    // QFile::rename never replaces an existing archive: the log then stays where it is.
    if (!QFile::rename(logPath(), archive))
        return false;
    m_pending.clear();
    m_indexed = identity();
    return true;
}

// --- The pending index ---

DecisionSampleLog::FileIdentity DecisionSampleLog::identity() const
{
    FileIdentity id;
    struct stat info
    {};
    if (::stat(QFile::encodeName(logPath()).constData(), &info) != 0)
        return id;
    id.exists = true;
    id.size = info.st_size;
    id.mtimeNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    id.inode = info.st_ino;
    id.device = info.st_dev;
    return id;
}

void DecisionSampleLog::loadPendingDecisionSamples()
{
    m_indexed.reset();
    syncPendingIndex();
}

void DecisionSampleLog::syncPendingIndex()
{
    const FileIdentity current = identity();
    if (m_indexed && *m_indexed == current)
        return;
    // Identity first: a change while reading shows up as a mismatch at the next sync.
    m_indexed = current;
    m_pending.clear();
    if (!current.exists)
        return;
    indexRecords(decisionSampleRecords());
}

void DecisionSampleLog::indexRecords(const QList<QJsonObject> &records)
{
    m_pending.clear();
    for (const QJsonObject &record : records)
        indexRecord(record);
}

void DecisionSampleLog::indexRecord(const QJsonObject &record)
{
    const QJsonValue symbolValue = record.value(u"symbol"_s);
    if (!symbolValue.isString())
        return;
    const QString symbol = symbolValue.toString().toLower();
    if (symbol.isEmpty())
        return;
    const std::optional<QDateTime> recorded =
        StrategyStore::strategyDateFromISOString(record.value(u"recorded_at"_s));
    if (!recorded)
        return;
    const QJsonObject future = futureOf(record);
    Pending pending{recorded->toMSecsSinceEpoch(), 0};
    for (const Horizon &horizon : kHorizons) {
        if (!future.contains(QString::fromUtf16(horizon.key)))
            pending.missing |= horizon.bit;
    }
    if (pending.missing != 0)
        m_pending[symbol].append(pending);
}

bool DecisionSampleLog::isAnyOutcomeDue(const QHash<QString, Quote> &quotesBySymbol) const
{
    const qint64 now = m_store.clock().nowMSecs();
    for (auto it = quotesBySymbol.constBegin(); it != quotesBySymbol.constEnd(); ++it) {
        const auto pending = m_pending.constFind(it.key());
        if (pending == m_pending.constEnd())
            continue;
        for (const Pending &sample : *pending) {
            const qint64 elapsed = now - sample.recordedMs;
            for (const Horizon &horizon : kHorizons) {
                if ((sample.missing & horizon.bit) && elapsed >= horizon.secs * 1000)
                    return true;
            }
        }
    }
    return false;
}

qsizetype DecisionSampleLog::pendingDecisionSampleCount() const
{
    qsizetype count = 0;
    for (const QList<Pending> &samples : m_pending)
        count += samples.size();
    return count;
}
