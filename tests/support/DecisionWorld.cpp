// SPDX-License-Identifier: GPL-3.0-or-later
#include "DecisionWorld.h"

#include <QJsonArray>
#include <QJsonObject>

#include <type_traits>
#include <variant>

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
    using Field =
        std::variant<double *, QString *, std::optional<double> *, std::optional<QString> *,
                     std::optional<qsizetype> *, std::optional<bool> *>;
    // The terms in the order of the fields they pin.
    const QStringList keys =
        u"symbol P H L PC time avg O A r5 r10 r15 r30 r60 v5 v10 pos structure prices positions "
        u"real dipped dailyWeak dailySupportive dailyHigh dailyStale daily M B"_s.split(u' ');
    // clang-format off
    const Field fields[] = {&q.symbol, &q.price, &q.high, &q.low, &q.previousClose, &q.time,
        &in.average, &in.openChange, &in.middayChange, &in.r5, &in.r10, &in.r15, &in.r30, &in.r60,
        &in.v5, &in.v10, &in.position, &in.structure, &in.priceCount, &in.positionCount,
        &in.realSeries, &in.dippedBeforeLatest, &in.dailyWeak, &in.dailySupportive,
        &in.dailyHighExtension, &in.dailyStale, &in.dailyContext, &in.marketScore, &in.boardScore};
    // clang-format on
    static_assert(std::size(fields) == 29);
    const qsizetype index = keys.indexOf(key);
    if (index < 0)
        qFatal("unknown decision term %s", qPrintable(key));
    bool isText = false;
    std::visit(
        [&](auto *target) {
            using F = std::remove_pointer_t<decltype(target)>;
            if constexpr (std::is_same_v<F, double>) {
                *target = d;
            } else if constexpr (std::is_same_v<F, QString>) {
                *target = text;
                isText = true;
            } else if (text == u"-") {
                target->reset();
            } else {
                using T = typename F::value_type;
                if constexpr (std::is_same_v<T, bool>)
                    *target = flag;
                else if constexpr (std::is_same_v<T, QString>)
                    *target = text, isText = true;
                else
                    *target = static_cast<T>(d);
            }
        },
        fields[index]);
    if (!isNumber && !isText && !flag && text != u"false" && text != u"surge" && text != u"-")
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
