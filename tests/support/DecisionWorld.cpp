#include "DecisionWorld.h"

#include <QJsonArray>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace TestSupport {

DecisionWorld::DecisionWorld(const QDateTime &start)
    : clock(start.isValid()
                ? start
                : QDateTime(QDate(2026, 4, 28), QTime(10, 30), QTimeZone("Asia/Shanghai")),
            QTimeZone("Asia/Shanghai"))
{
    config = std::make_unique<ConfigStore>(dir.path(), QString());
    store = std::make_unique<StrategyStore>(*config, clock);
    daily = std::make_unique<DailyCache>(*store);
    boards = std::make_unique<BoardTags>(*store);
    engine = std::make_unique<DecisionEngine>(intraday, *daily, background);
    snapshots = std::make_unique<StateSnapshots>(*engine);
}

void DecisionWorld::applySeries(const QString &symbol, const QVector<double> &prices,
                                const QVector<double> &positions, const QVector<double> &averages,
                                const QVector<double> &volumes)
{
    intraday.applyIntradaySeriesForSymbol(symbol, clock.localNow().toString(u"yyyy-MM-dd"_s),
                                          prices, positions, averages, volumes);
}

void DecisionWorld::setDailyContext(const QString &symbol, const QString &context, bool today,
                                    const QJsonObject &extraFeatures)
{
    QJsonObject cache = daily->dailyCache();
    QJsonObject features = extraFeatures;
    features.insert(u"context"_s, context);
    const QDateTime when = today ? clock.now() : clock.now().addDays(-1);
    cache.insert(symbol.toLower(), QJsonObject{
                                       {u"symbol"_s, symbol.toLower()},
                                       {u"updated_at"_s, store->strategyISOStringForDate(when)},
                                       {u"days"_s, QJsonArray()},
                                       {u"features"_s, features},
                                   });
    store->writeJSONObject(cache, store->dailyCacheURL());
    daily->loadDailyCache();
}

void DecisionWorld::setBackground(const QString &symbol, double changePercent)
{
    Quote q;
    q.symbol = symbol;
    q.previousClose = 1000;
    q.price = 1000 + changePercent * 10;
    background.insert(symbol, q);
}

QuoteDecision DecisionWorld::decide(const QVariantMap &quoteFields, const QVariantMap &terms) const
{
    return engine->decisionForQuote(quoteFrom(quietQuote(), quoteFields),
                                    inputsFrom(merged(quietTerms(), terms)));
}

const Quote &quietQuote()
{
    static const Quote quote = makeQuote(u"sh600000"_s, 10.2, 10.4, 9.8, 10.0);
    return quote;
}

const QVariantMap &quietTerms()
{
    static const QVariantMap terms{
        {u"avg"_s, 10.0},
        {u"O"_s, 0.0},
        {u"A"_s, 0.0},
        {u"r5"_s, 0.0},
        {u"r10"_s, 0.0},
        {u"r15"_s, 0.0},
        {u"r30"_s, 0.0},
        {u"r60"_s, 0.0},
        {u"v5"_s, 1.0},
        {u"v10"_s, 1.0},
        {u"pos"_s, 7000.0},
        {u"structure"_s, u"日内结构：中位震荡"_s},
        {u"prices"_s, 20},
        {u"positions"_s, 20},
        {u"real"_s, true},
        {u"dipped"_s, false},
        {u"dailyWeak"_s, false},
        {u"dailySupportive"_s, false},
        {u"dailyHigh"_s, false},
        {u"dailyStale"_s, false},
        {u"daily"_s, u"日线背景：数据不足"_s},
        {u"M"_s, 0.0},
        {u"B"_s, 0.0},
    };
    return terms;
}

Quote makeQuote(const QString &symbol, double price, double high, double low, double previousClose,
                const QString &time)
{
    Quote q;
    q.symbol = symbol;
    q.name = symbol;
    q.price = price;
    q.high = high;
    q.low = low;
    q.previousClose = previousClose;
    q.open = previousClose;
    q.date = u"2026-04-28"_s;
    q.time = time;
    return q;
}

DecisionInputs inputsFrom(const QVariantMap &terms)
{
    DecisionInputs in;
    for (auto it = terms.constBegin(); it != terms.constEnd(); ++it) {
        const QString &k = it.key();
        const QVariant &v = it.value();
        const double d = v.toDouble();
        if (k == u"avg")
            in.average = d;
        else if (k == u"O")
            in.openChange = d;
        else if (k == u"A")
            in.middayChange = d;
        else if (k == u"r5")
            in.r5 = d;
        else if (k == u"r10")
            in.r10 = d;
        else if (k == u"r15")
            in.r15 = d;
        else if (k == u"r30")
            in.r30 = d;
        else if (k == u"r60")
            in.r60 = d;
        else if (k == u"v5")
            in.v5 = d;
        else if (k == u"v10")
            in.v10 = d;
        else if (k == u"pos")
            in.position = d;
        else if (k == u"structure")
            in.structure = v.toString();
        else if (k == u"prices")
            in.priceCount = v.toLongLong();
        else if (k == u"positions")
            in.positionCount = v.toLongLong();
        else if (k == u"real")
            in.realSeries = v.toBool();
        else if (k == u"dipped")
            in.dippedBeforeLatest = v.toBool();
        else if (k == u"dailyWeak")
            in.dailyWeak = v.toBool();
        else if (k == u"dailySupportive")
            in.dailySupportive = v.toBool();
        else if (k == u"dailyHigh")
            in.dailyHighExtension = v.toBool();
        else if (k == u"dailyStale")
            in.dailyStale = v.toBool();
        else if (k == u"daily")
            in.dailyContext = v.toString();
        else if (k == u"M")
            in.marketScore = d;
        else if (k == u"B")
            in.boardScore = d;
        else
            qFatal("unknown decision term %s", qPrintable(k));
    }
    return in;
}

Quote quoteFrom(const Quote &base, const QVariantMap &fields)
{
    Quote q = base;
    for (auto it = fields.constBegin(); it != fields.constEnd(); ++it) {
        const QString &k = it.key();
        if (k == u"symbol")
            q.symbol = it.value().toString();
        else if (k == u"P")
            q.price = it.value().toDouble();
        else if (k == u"H")
            q.high = it.value().toDouble();
        else if (k == u"L")
            q.low = it.value().toDouble();
        else if (k == u"PC")
            q.previousClose = it.value().toDouble();
        else if (k == u"time")
            q.time = it.value().toString();
        else
            qFatal("unknown quote field %s", qPrintable(k));
    }
    return q;
}

QVariantMap merged(QVariantMap base, const QVariantMap &overrides)
{
    for (auto it = overrides.constBegin(); it != overrides.constEnd(); ++it)
        base.insert(it.key(), it.value());
    return base;
}

} // namespace TestSupport
