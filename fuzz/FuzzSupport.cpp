// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzSupport.h"

#include "model/Symbol.h"

#include "config/ConfigStore.h"
#include "intraday/IntradayAnalytics.h"
#include "intraday/IntradayStore.h"
#include "intraday/TradingClock.h"
#include "market/Plausibility.h"
#include "model/Formatters.h"
#include "strategy/DailyCache.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <random>

extern "C" size_t LLVMFuzzerMutate(uint8_t *data, size_t size, size_t maxSize);

using namespace Qt::StringLiterals;

namespace fuzz {

namespace {

void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "qFatal: %s\n", qPrintable(message));
        std::abort();
    }
}

bool finite(double value)
{
    return std::isfinite(value);
}

QString number(double value)
{
    return QString::number(value, 'g', 17);
}

// Reads every sentence and number the analytics offer for a quote.
void analyse(const IntradayStore &store, const Quote &quote)
{
    const IntradayAnalytics analytics(store);
    for (const int minutes : {1, 5, 10, 15, 30, 60}) {
        analytics.recentPercentChangeForQuote(quote, minutes);
        analytics.recentVolumeRatioForQuote(quote, minutes);
        analytics.recentTrendDescriptionForQuote(quote, minutes);
        analytics.recentVolumeDescriptionForQuote(quote, minutes);
    }
    analytics.intradayPercentChangeForQuote(quote, 0);
    analytics.intradayPercentChangeForQuote(quote, TradingClock::midPosition(quote.symbol));
    analytics.isAboveAverageLineForQuote(quote);
    analytics.intradayLocationDescriptionForQuote(quote);
    analytics.distanceToExtremesDescriptionForQuote(quote);
    analytics.breakoutContextDescriptionForQuote(quote);
    analytics.priceAnchorDescriptionForQuote(quote);
    analytics.averageLineDescriptionForQuote(quote);
    analytics.openSessionDescriptionForQuote(quote);
    analytics.afternoonSessionDescriptionForQuote(quote);
    analytics.shortRhythmDescriptionForQuote(quote);
    analytics.intradayStructureDescriptionForQuote(quote);
    analytics.continuationDescriptionForQuote(quote);
    analytics.mainDirectionDescriptionForQuote(quote);
    analytics.volumePriceContextDescriptionForQuote(quote);
    analytics.detailedVolumePriceDescriptionForQuote(quote);
    store.currentAverageLineValueForQuote(quote);
    store.intradayIndexForPositionAtOrBefore(TradingClock::midPosition(quote.symbol), quote.symbol);
}

// --- JSON mutation ---

using Random = std::minstd_rand;

quint32 below(Random &random, quint32 bound)
{
    return bound == 0 ? 0 : static_cast<quint32>(random() % bound);
}

// The bytes changed by libFuzzer's own mutations (its dictionary included).
QByteArray mutatedBytes(QByteArray bytes)
{
    const qsizetype used = bytes.size();
    bytes.resize(used + 64);
    const size_t size =
        LLVMFuzzerMutate(reinterpret_cast<uint8_t *>(bytes.data()), static_cast<size_t>(used),
                         static_cast<size_t>(bytes.size()));
    bytes.resize(static_cast<qsizetype>(size));
    return bytes;
}

QString mutatedText(const QString &text)
{
    return QString::fromUtf8(mutatedBytes(text.toUtf8()));
}

QJsonValue edgeValue(Random &random)
{
    static const double numbers[] = {
        0,    -1,   1,      0.5,     100,   1e308,      -1e308,       5e-324,
        1e15, 4e13, 9.3e18, -9.3e18, 1e300, 1777383000, 253402300800, 9007199254740993.0};
    const double number = numbers[below(random, std::size(numbers))];
    switch (below(random, 7)) {
    case 0:
        return QJsonValue::Null;
    case 1:
        return below(random, 2) == 0;
    case 2:
        return QString();
    case 3:
        return QString::number(number, 'g', 17);
    case 4:
        return QJsonArray();
    case 5:
        return QJsonObject();
    default:
        return number;
    }
}

QJsonValue changedValue(const QJsonValue &value, Random &random)
{
    if (value.isString() && below(random, 3) != 0)
        return mutatedText(value.toString());
    if (value.isDouble() && below(random, 2) == 0) {
        const double v = value.toDouble();
        switch (below(random, 4)) {
        case 0:
            return -v;
        case 1:
            return v * 1000;
        case 2:
            return QString::number(v, 'g', 17); // a number sent as text
        default:
            return v + 1;
        }
    }
    if (value.isArray() && !value.toArray().isEmpty() && below(random, 3) != 0) {
        QJsonArray array = value.toArray();
        const qsizetype i = below(random, static_cast<quint32>(array.size()));
        switch (below(random, 4)) {
        case 0:
            array.removeAt(i);
            break;
        case 1:
            array.insert(i, array.at(i));
            break;
        case 2:
            while (array.size() > i + 1)
                array.removeLast();
            break;
        default:
            array.append(array.at(i));
            break;
        }
        return array;
    }
    if (value.isObject() && !value.toObject().isEmpty() && below(random, 3) != 0) {
        QJsonObject object = value.toObject();
        const QString key = object.keys().at(below(random, static_cast<quint32>(object.size())));
        const QJsonValue inner = object.take(key);
        if (below(random, 2) == 0)
            object.insert(mutatedText(key), inner);
        return object;
    }
    return edgeValue(random);
}

qsizetype countValues(const QJsonValue &value)
{
    qsizetype count = 1;
    if (value.isArray()) {
        for (const QJsonValue &inner : value.toArray())
            count += countValues(inner);
    } else if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            count += countValues(it.value());
    }
    return count;
}

// The `target`-th value in document order changed; `target` counts down as values pass.
QJsonValue mutatedValue(const QJsonValue &value, qsizetype &target, Random &random)
{
    if (target-- == 0)
        return changedValue(value, random);
    if (value.isArray()) {
        QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size() && target >= 0; ++i)
            array.replace(i, mutatedValue(array.at(i), target, random));
        return array;
    }
    if (value.isObject()) {
        QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end() && target >= 0; ++it)
            it.value() = mutatedValue(it.value(), target, random);
        return object;
    }
    return value;
}

// The whole text mutated as a JSON tree, or none when it is no JSON document.
std::optional<QByteArray> mutatedDocument(const QByteArray &text, Random &random)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || document.isNull())
        return std::nullopt;
    QJsonValue root =
        document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
    for (quint32 round = 0, rounds = 1 + below(random, 3); round < rounds; ++round) {
        qsizetype target = below(random, static_cast<quint32>(countValues(root)));
        root = mutatedValue(root, target, random);
    }
    const QJsonDocument::JsonFormat format =
        below(random, 2) == 0 ? QJsonDocument::Compact : QJsonDocument::Indented;
    if (root.isObject())
        return QJsonDocument(root.toObject()).toJson(format);
    if (root.isArray())
        return QJsonDocument(root.toArray()).toJson(format);
    // A scalar at the top: written as the element of a one-element array, brackets removed.
    const QByteArray wrapped = QJsonDocument(QJsonArray{root}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

size_t store(const QByteArray &bytes, uint8_t *data, size_t size, size_t maxSize)
{
    if (static_cast<size_t>(bytes.size()) > maxSize)
        return LLVMFuzzerMutate(data, size, maxSize);
    std::memcpy(data, bytes.constData(), static_cast<size_t>(bytes.size()));
    return static_cast<size_t>(bytes.size());
}

} // namespace

size_t mutateJson(uint8_t *data, size_t size, size_t maxSize, unsigned seed)
{
    Random random(seed);
    if (below(random, 3) != 0) {
        const QByteArray text(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
        if (const std::optional<QByteArray> mutated = mutatedDocument(text, random))
            return store(*mutated, data, size, maxSize);
    }
    return LLVMFuzzerMutate(data, size, maxSize);
}

size_t mutateJsonLines(uint8_t *data, size_t size, size_t maxSize, unsigned seed)
{
    Random random(seed);
    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QList<QByteArray> lines = text.split('\n');
    if (below(random, 4) == 0 || lines.isEmpty())
        return LLVMFuzzerMutate(data, size, maxSize);
    const qsizetype i = below(random, static_cast<quint32>(lines.size()));
    switch (below(random, 6)) {
    case 0:
        lines.removeAt(i);
        break;
    case 1:
        lines.insert(i, lines.at(i));
        break;
    case 2:
        lines[i].truncate(below(random, static_cast<quint32>(lines.at(i).size() + 1)));
        break;
    default:
        if (const std::optional<QByteArray> mutated = mutatedDocument(lines.at(i), random)) {
            QByteArray line = *mutated;
            line.replace('\n', ' '); // an indented document still fills one line
            lines[i] = line;
        } else {
            lines[i] = mutatedBytes(lines.at(i));
        }
        break;
    }
    return store(lines.join('\n'), data, size, maxSize);
}

void initialize()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    qInstallMessageHandler(quietMessages);
    static int argc = 1;
    static char name[] = "kestrum-fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    Sandbox::instance();
}

QByteArray bytesOf(const uint8_t *data, size_t size)
{
    // A deep copy: QByteArray::fromRawData would let the parsers see the input without
    // the terminating zero QByteArray otherwise guarantees.
    return QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

void fail(const char *what, const QString &detail)
{
    std::fprintf(stderr, "\n*** broken promise: %s%s%s\n", what, detail.isEmpty() ? "" : ": ",
                 qPrintable(detail));
    std::abort();
}

const QList<Symbol> &sampleSymbols()
{
    static const QList<Symbol> symbols = [] {
        QList<Symbol> list;
        for (const QString &text : {u"sh600519"_s, u"bj830799"_s, u"hk00700"_s, u"gb_aapl"_s})
            list.append(*Symbol::fromStored(text));
        return list;
    }();
    return symbols;
}

void exerciseQuotes(const QList<Quote> &quotes)
{
    IntradayStore store;
    for (const Quote &q : quotes) {
        for (const double value :
             {q.price, q.previousClose, q.open, q.high, q.low, q.volume, q.amount})
            check(finite(value), "quote numbers are finite", q.symbol);
        check(q.price > 0, "a quote has a positive price", q.symbol);
        check(Symbol::isStoredForm(q.symbol), "a quote is filed under a symbol", q.symbol);
        check(plausibility::isQuote(q) && q.previousClose > 0 && q.open > 0 && q.high > 0 &&
                  q.low > 0,
              "quote prices are traded prices, volume and amount within bounds", q.symbol);
        titleForQuote(q);
        formatChange(q.change());
        formatPercent(q.changePercent());
        formatCompactNumber(q.volume);
        formatCompactNumber(q.amount);
        directionSymbol(q.change());
        marketBadgeForSymbol(q.symbol);
        TradingClock::position(q.symbol, q.time);
    }
    // Twice, as two refreshes would: the second updates or extends each series.
    store.recordIntradaySamples(quotes);
    store.recordIntradaySamples(quotes);
    for (const Quote &q : quotes)
        analyse(store, q);
}

void exerciseSeries(const QString &symbol, const MinuteSeries &series)
{
    const qsizetype n = series.prices.size();
    check(series.positions.size() == n && series.averages.size() == n && series.volumes.size() == n,
          "a minute series has four parallel arrays", symbol);
    const double maxPosition = TradingClock::positionMax(symbol);
    for (qsizetype i = 0; i < n; ++i) {
        const double price = series.prices.at(i);
        const double position = series.positions.at(i);
        const double average = series.averages.at(i);
        const double volume = series.volumes.at(i);
        check(plausibility::isTradedPrice(price), "minute prices are traded prices", number(price));
        check(finite(position) && position >= 0 && position <= maxPosition,
              "minute positions lie on the trading axis", number(position));
        check(plausibility::isTradedPrice(average), "minute averages are traded prices",
              number(average));
        check(plausibility::isQuantity(volume), "minute volumes are within bounds", number(volume));
    }
    if (series.isEmpty())
        return;

    IntradayStore store;
    store.applyIntradaySeries(symbol, series);
    Quote quote;
    quote.symbol = symbol;
    quote.price = series.prices.last();
    quote.previousClose = series.prices.first();
    quote.open = series.prices.first();
    quote.high = *std::max_element(series.prices.cbegin(), series.prices.cend());
    quote.low = *std::min_element(series.prices.cbegin(), series.prices.cend());
    quote.volume = store.lastCumulativeVolume(symbol);
    quote.time = u"14:59:00"_s;
    analyse(store, quote);
    // A realtime quote after the fetched series, as the next refresh records it.
    quote.price *= 1.01;
    quote.volume += 1000;
    store.recordIntradaySamples({quote});
    analyse(store, quote);
}

void exerciseDays(const QList<DayRecord> &days)
{
    for (const DayRecord &day : days) {
        for (const double value : {day.open, day.high, day.low, day.close, day.volume, day.amount})
            check(finite(value), "daily bar numbers are finite", day.date);
        check(day.close > 0 && day.high > 0 && day.low > 0,
              "daily bars have a positive close, high and low", day.date);
        check(plausibility::isDay(day), "daily bars hold only values a market can show", day.date);
    }
    const QJsonObject features = DailyCache::dailyFeaturesFromDays(days);
    for (auto it = features.begin(); it != features.end(); ++it) {
        if (it.value().isDouble())
            check(finite(it.value().toDouble()), "daily features are finite", it.key());
    }
    // What the cache stores must read back as the same bars.
    check(DailyCache::daysFromJson(DailyCache::daysToJson(days)) == days,
          "daily bars survive the cache's JSON form");
}

Sandbox &Sandbox::instance()
{
    static Sandbox sandbox;
    return sandbox;
}

Sandbox::Sandbox()
{
    // In memory when the system offers it: every save syncs its file to disk.
    const QString base = QFileInfo(u"/dev/shm"_s).isWritable() ? u"/dev/shm"_s : QDir::tempPath();
    static QTemporaryDir dir(base + u"/kestrum-fuzz-XXXXXX"_s);
    if (!dir.isValid())
        fail("no temporary directory");
    m_path = dir.path() + u"/app"_s;
}

void Sandbox::reset() const
{
    QDir(m_path).removeRecursively();
    QDir().mkpath(m_path);
}

void Sandbox::write(const QString &relative, const QByteArray &bytes) const
{
    const QString file = m_path + u'/' + relative;
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
        fail("cannot write the input file", file);
}

QByteArray Sandbox::read(const QString &relative) const
{
    QFile in(m_path + u'/' + relative);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

bool Sandbox::exists(const QString &relative) const
{
    return QFileInfo::exists(m_path + u'/' + relative);
}

QStringList Sandbox::entries(const QString &relativeDir) const
{
    return QDir(m_path + u'/' + relativeDir).entryList(QDir::Files | QDir::NoDotAndDotDot);
}

} // namespace fuzz
