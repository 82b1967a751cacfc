#include "DecisionWorld.h"

#include <QJsonArray>
#include <QJsonObject>

#include <type_traits>

using namespace Qt::StringLiterals;

namespace TestSupport {

namespace {

const char *const kQuiet = "symbol=sh600000 P=10.2 H=10.4 L=9.8 PC=10 avg=10 O=0 A=0 r5=0 r10=0 "
                           "r15=0 r30=0 r60=0 v5=1 v10=1 pos=7000 structure=日内结构：中位震荡 "
                           "prices=20 positions=20 real=true dipped=false dailyWeak=false "
                           "dailySupportive=false dailyHigh=false dailyStale=false "
                           "daily=日线背景：数据不足 M=0 B=0";

void pin(Quote &q, DecisionInputs &in, const QString &key, const QString &text)
{
    bool isNumber = false;
    const double d = text == u"surge" ? kSurge : text.toDouble(&isNumber);
    const bool flag = text == u"true";
    const auto set = [&](auto &field) {
        using T = typename std::remove_reference_t<decltype(field)>::value_type;
        if (text == u"-")
            field.reset();
        else if constexpr (std::is_same_v<T, bool>)
            field = flag;
        else if constexpr (std::is_same_v<T, QString>)
            field = text;
        else
            field = static_cast<T>(d);
    };
    if (key == u"symbol")
        q.symbol = text;
    else if (key == u"P")
        q.price = d;
    else if (key == u"H")
        q.high = d;
    else if (key == u"L")
        q.low = d;
    else if (key == u"PC")
        q.previousClose = d;
    else if (key == u"time")
        q.time = text;
    else if (key == u"avg")
        set(in.average);
    else if (key == u"O")
        set(in.openChange);
    else if (key == u"A")
        set(in.middayChange);
    else if (key == u"r5")
        set(in.r5);
    else if (key == u"r10")
        set(in.r10);
    else if (key == u"r15")
        set(in.r15);
    else if (key == u"r30")
        set(in.r30);
    else if (key == u"r60")
        set(in.r60);
    else if (key == u"v5")
        set(in.v5);
    else if (key == u"v10")
        set(in.v10);
    else if (key == u"pos")
        set(in.position);
    else if (key == u"structure")
        set(in.structure);
    else if (key == u"prices")
        set(in.priceCount);
    else if (key == u"positions")
        set(in.positionCount);
    else if (key == u"real")
        set(in.realSeries);
    else if (key == u"dipped")
        set(in.dippedBeforeLatest);
    else if (key == u"dailyWeak")
        set(in.dailyWeak);
    else if (key == u"dailySupportive")
        set(in.dailySupportive);
    else if (key == u"dailyHigh")
        set(in.dailyHighExtension);
    else if (key == u"dailyStale")
        set(in.dailyStale);
    else if (key == u"daily")
        set(in.dailyContext);
    else if (key == u"M")
        set(in.marketScore);
    else if (key == u"B")
        set(in.boardScore);
    else
        qFatal("unknown decision term %s", qPrintable(key));
    if (!isNumber && !flag && text != u"false" && text != u"surge" && text != u"-" &&
        key != u"symbol" && key != u"time" && key != u"structure" && key != u"daily")
        qFatal("unreadable value %s=%s", qPrintable(key), qPrintable(text));
}

} // namespace

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

QuoteDecision DecisionWorld::decide(const QString &terms) const
{
    Quote q = makeQuote(QString(), 0, 0, 0, 10.0); // opened at 10.00 whatever PC says
    DecisionInputs in;
    const QString all = QString::fromUtf8(kQuiet) + u' ' + terms;
    for (const QString &word : all.split(u' ', Qt::SkipEmptyParts)) {
        const qsizetype eq = word.indexOf(u'=');
        if (eq <= 0)
            qFatal("unreadable decision word %s", qPrintable(word));
        pin(q, in, word.left(eq), word.mid(eq + 1));
    }
    q.name = q.symbol;
    return engine->decisionForQuote(q, in);
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

} // namespace TestSupport
