#include "FuzzSupport.h"

#include "intraday/IntradayAnalytics.h"
#include "intraday/IntradayStore.h"
#include "intraday/TradingClock.h"
#include "model/Formatters.h"
#include "strategy/DailyCache.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

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
    analytics.intradayPercentChangeForQuote(quote, KSIntradayMidPositionForSymbol(quote.symbol));
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
    store.intradayIndexForPositionAtOrBefore(KSIntradayMidPositionForSymbol(quote.symbol),
                                             quote.symbol);
}

} // namespace

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

const QStringList &sampleSymbols()
{
    static const QStringList symbols = {u"sh600519"_s, u"bj830799"_s, u"hk00700"_s,
                                        u"gb_aapl"_s};
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
        titleForQuote(q);
        formatChange(q.change());
        formatPercent(q.changePercent());
        formatCompactNumber(q.volume);
        formatCompactNumber(q.amount);
        directionSymbol(q.change());
        KSMarketBadgeForSymbol(q.symbol);
        KSTradingPositionForIntradayTime(q.symbol, q.time);
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
    check(series.positions.size() == n && series.averages.size() == n &&
              series.volumes.size() == n,
          "a minute series has four parallel arrays", symbol);
    const double maxPosition = KSIntradayPositionMaxForSymbol(symbol);
    for (qsizetype i = 0; i < n; ++i) {
        const double price = series.prices.at(i);
        const double position = series.positions.at(i);
        const double average = series.averages.at(i);
        const double volume = series.volumes.at(i);
        check(finite(price) && price > 0, "minute prices are positive and finite",
              number(price));
        check(finite(position) && position >= 0 && position <= maxPosition,
              "minute positions lie on the trading axis", number(position));
        check(finite(average), "minute averages are finite", number(average));
        check(finite(volume) && volume >= 0, "minute volumes are finite and never negative",
              number(volume));
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
        for (const double value :
             {day.open, day.high, day.low, day.close, day.volume, day.amount})
            check(finite(value), "daily bar numbers are finite", day.date);
        check(day.close > 0 && day.high > 0 && day.low > 0,
              "daily bars have a positive close, high and low", day.date);
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
