// SPDX-License-Identifier: GPL-3.0-or-later
// The day's series as refreshes record it (the open as its first point, one point per
// position, volume as the change of the cumulative figure, a new day starting afresh, the cap,
// a fetched series taking the place of what was recorded), then the intraday numbers and every
// sentence the analytics write, around their bounds: each row of sentences() is a series (or
// none) and a quote, and the fields it pins.
#include "intraday/IntradayAnalytics.h"
#include "intraday/IntradayStore.h"
#include "model/MinuteSeries.h"
#include "model/Quote.h"

#include <QTest>

using namespace Qt::StringLiterals;

using Doubles = QVector<double>;

namespace {

// One position every `step` seconds from the open.
Doubles minutes(qsizetype count, double step = 60)
{
    Doubles positions;
    for (qsizetype i = 0; i < count; ++i)
        positions.append(static_cast<double>(i) * step);
    return positions;
}

// Quiet prices on the minute with `earlier` volume five minutes ago and `recent` now.
Doubles volumesAt(double earlier, double recent)
{
    Doubles volumes(11, 0.0);
    volumes[5] = earlier;
    volumes[10] = recent;
    return volumes;
}

Doubles endingAt(double last, qsizetype count = 11)
{
    Doubles prices(count, 100.0);
    prices.last() = last;
    return prices;
}

Quote quoteAt(const QString &time, double price, double volume,
              const QString &date = u"2026-04-28"_s)
{
    Quote q;
    q.symbol = u"sh600519"_s;
    q.price = price;
    q.open = 10.0;
    q.volume = volume;
    q.amount = volume * 10.125; // an average of 10.125
    q.date = date;
    q.time = time;
    return q;
}

} // namespace

class tst_Intraday : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void recording();
    void capKeepsTheLatestPoints();
    void sentences_data();
    void sentences();
};

void tst_Intraday::sentences_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<Doubles>("quote"); // high, low, previous close, and the price when no series
    QTest::addColumn<Doubles>("prices");
    QTest::addColumn<Doubles>("positions");
    QTest::addColumn<Doubles>("averages");
    QTest::addColumn<Doubles>("volumes");
    QTest::addColumn<QStringList>("expected"); // "field text"
    const QString a = u"sh600000"_s;
    const Doubles none, flat7(7, 10.0), flat11(11, 10.0), q0{0, 0, 0};
    const QString unclear = u"trend 近5分钟方向暂不明确"_s;
    const QString noVolume = u"volume 近5分钟量能暂不明确"_s;
    const QString sideways = u"trend 近5分钟以震荡为主（+0.00%）"_s;

    // --- The last five minutes: change, volume ratio and their words ---
    QTest::newRow("single point") << a << q0 << Doubles{10} << Doubles{0} << none << Doubles{0}
                                  << QStringList{u"change 0"_s, u"ratio -1"_s, unclear, noVolume};
    QTest::newRow("zero base price")
        << a << q0 << Doubles{0, 10} << Doubles{0, 60} << none << Doubles{0, 1}
        << QStringList{u"change 0"_s, u"ratio -1"_s, unclear, noVolume};
    QTest::newRow("earlier window silent")
        << a << q0 << flat7 << minutes(7) << none << Doubles{0, 0, 0, 0, 0, 0, 50}
        << QStringList{u"ratio inf"_s, sideways, u"volume 近5分钟开始放量"_s};
    QTest::newRow("no volume at all") << a << q0 << flat7 << minutes(7) << none << Doubles(7, 0.0)
                                      << QStringList{u"ratio 0"_s, u"volume 近5分钟量能较平"_s};
    QTest::newRow("volumes missing")
        << a << q0 << flat7 << minutes(7) << none << none << QStringList{u"ratio -1"_s, noVolume};
    // The base is the last point at or before five minutes ago, found from the end.
    QTest::newRow("base found from the end")
        << a << q0 << Doubles{50, 60, 70, 80, 90, 100, 50, 50, 50, 50, 101} << minutes(11) << none
        << Doubles(11, 0.0) << QStringList{u"change 1"_s, u"trend 近5分钟明显走强（+1.00%）"_s};
    const auto band = [&](const char *name, double last, const QString &trend) {
        QTest::newRow(name) << a << q0 << Doubles{100, last} << Doubles{0, 60} << none << none
                            << QStringList{u"change "_s + QString::number(last - 100), trend};
    };
    band("rise 0.25 inclusive", 100.25, u"trend 近5分钟温和抬升（+0.25%）"_s);
    band("rise 0.24", 100.24, u"trend 近5分钟以震荡为主（+0.24%）"_s);
    band("fall 1.00 inclusive", 99, u"trend 近5分钟明显回落（-1.00%）"_s);
    band("fall 0.25 inclusive", 99.75, u"trend 近5分钟偏弱回落（-0.25%）"_s);
    const auto ratio = [&](const char *name, double recent, const QString &volume) {
        QTest::newRow(name) << a << q0 << flat11 << minutes(11) << none << volumesAt(100, recent)
                            << QStringList{u"ratio "_s + QString::number(recent / 100), volume};
    };
    ratio("ratio 1.6 inclusive", 160, u"volume 近5分钟明显放量（1.6x）"_s);
    ratio("ratio 1.15 inclusive", 115, u"volume 近5分钟温和放量（1.1x）"_s);
    ratio("ratio 0.65 inclusive", 65, u"volume 近5分钟明显缩量（0.7x）"_s);
    ratio("ratio 0.9 inclusive", 90, u"volume 近5分钟小幅缩量（0.9x）"_s);

    // --- Change since a position; series whose arrays disagree must not be read past ---
    const Doubles four{100, 102, 98, 101};
    QTest::newRow("since, between points")
        << u"sz000001"_s << q0 << four << minutes(4) << none << none
        << QStringList{u"since 90 -0.9803921568627451"_s};
    QTest::newRow("since, before the first") << u"sz000001"_s << q0 << four << minutes(4) << none
                                             << none << QStringList{u"since -5 1"_s};
    QTest::newRow("positions short")
        << u"sz000001"_s << q0 << four << minutes(3) << none << none << QStringList{u"since 0 0"_s};
    QTest::newRow("positions long") << u"sz000001"_s << q0 << Doubles{100, 101} << minutes(3)
                                    << none << none << QStringList{u"since 0 0"_s};

    // --- The quote alone: location, breakout context and distance to the extremes ---
    const auto quoteOnly = [&](const char *name, const Doubles &quote, const QString &location,
                               const QString &breakout, const QString &distance) {
        QTest::newRow(name) << a << quote << none << none << none << none
                            << QStringList{u"location "_s + location, u"breakout "_s + breakout,
                                           u"distance "_s + distance};
    };
    const QString calm = u"未到关键极值位，更适合观察方向延续性"_s;
    const QString upper = u"接近日内突破位，重点看能否继续放大优势"_s;
    quoteOnly("loc 0.82", {50, 0, 40, 41}, u"价格接近日内高位"_s, calm, {});
    quoteOnly("loc 0.18", {50, 0, 40, 9}, u"价格接近日内低位"_s, calm, {});
    quoteOnly("loc 0.5", {50, 0, 40, 25}, u"价格位于日内中位附近"_s, calm, {});
    quoteOnly("band 0.06 near high", {10.5, 10, 10.2, 10.45}, u"价格接近日内高位"_s, upper,
              u"距日高0.05，距日低0.45"_s);
    quoteOnly("band 0.06 near low", {10.5, 10, 10.2, 10.04}, u"价格接近日内低位"_s,
              u"靠近日内低位，重点看是否出现企稳承接"_s, u"距日高0.46，距日低0.04"_s);
    quoteOnly("narrow range uses 0.02", {10.05, 10, 10.2, 10.04}, u"价格处于日内偏强区"_s, upper,
              u"距日高0.01，距日低0.04"_s);
    quoteOnly("high equals low", {10, 10, 9.8, 10}, u"日内位置暂不明确"_s, {},
              u"距日高0.00，距日低0.00"_s);
    quoteOnly("no previous close", {10.5, 10, 0, 10.2}, u"日内位置暂不明确"_s, {},
              u"距日高0.30，距日低0.20"_s);

    // --- The average line ---
    const Doubles line{10.2, 10.3};
    QTest::newRow("no line yet")
        << a << Doubles{10.5, 10, 10.2, 10.45} << none << none << none << none
        << QStringList{
               u"anchor 当前价 10.45，分时均价线 暂不可用，日内高/低 10.50/10.00，昨收 10.20"_s,
               u"average 均价线暂不可用"_s, u"above false"_s};
    QTest::newRow("above the line")
        << a << Doubles{10.5, 10, 10.2} << Doubles{10.2, 10.45} << Doubles{0, 60} << line << none
        << QStringList{
               u"anchor 当前价 10.45，分时均价线 10.30，日内高/低 10.50/10.00，昨收 10.20"_s,
               u"average 当前站上均价线10.30，偏离0.15"_s};
    QTest::newRow("on the line") << a << Doubles{10.5, 10, 10.2, 10.3} << Doubles{10.2, 10.45}
                                 << Doubles{0, 60} << line << none
                                 << QStringList{u"average 当前站上均价线10.30，偏离0.00"_s,
                                                u"above true"_s};
    QTest::newRow("below the line")
        << a << Doubles{10.5, 10, 10.2, 10.1} << Doubles{10.2, 10.45} << Doubles{0, 60} << line
        << none << QStringList{u"average 当前跌破均价线10.30，偏离0.20"_s};

    // --- Short window: the last five minutes (360..600) against the five before (60..300) ---
    const auto shortWindow = [&](const char *name, double earlier, double recent, double last,
                                 double average, const QStringList &expected) {
        QTest::newRow(name) << u"sz300750"_s << Doubles{102, 98, 100} << endingAt(last)
                            << minutes(11) << Doubles(11, average) << volumesAt(earlier, recent)
                            << expected;
    };
    shortWindow("surge on volume", 0, 500, 101, 99,
                {u"rhythm 短线节奏：站上均价线后的放量转强"_s,
                 u"context 短线拉升伴随放量，走势更有延续观察价值"_s,
                 u"detail 量价细节：拉升放量，短线主动性增强"_s});
    shortWindow("drop on volume", 100, 160, 99.6, 99,
                {u"rhythm 短线节奏：放量转弱，回落压力偏大"_s,
                 u"context 回落过程中量能放大，短线抛压需要额外留意"_s,
                 u"detail 量价细节：放量回落，抛压释放较明显"_s});
    shortWindow("heavy but flat", 100, 200, 100.1, 101,
                {u"rhythm 短线节奏：波动收敛，等待下一次选择方向"_s,
                 u"context 量价配合暂未出现特别强的单边信号"_s,
                 u"detail 量价细节：放量但价格未明显推进，存在分歧"_s});

    // --- Since the open and the main direction; half an hour between points ---
    const auto session = [&](const char *name, const Doubles &prices, double average,
                             double previousClose, const QString &open, const QString &main) {
        QTest::newRow(name) << u"sh601318"_s << Doubles{260, 240, previousClose} << prices
                            << minutes(prices.size(), 1800) << Doubles(prices.size(), average)
                            << none << QStringList{u"open "_s + open, u"main "_s + main};
    };
    session("+1.2 above the line", {250, 253}, 252, 250,
            u"开盘以来：整体偏强推进，日内主动权在多方"_s,
            u"主方向：开盘以来整体偏强，日内主导权仍在多方"_s);
    session("flat above the line", {250, 250.5}, 250, 250,
            u"开盘以来：以震荡消化为主，整体方向感一般"_s,
            u"主方向：日内偏强震荡，关键看均价线支撑是否稳定"_s);
    // The last half hour recovers a morning dip: r(30) leads while c(0) stays small.
    session("half-hour recovery", {250, 246, 248}, 247, 249,
            u"开盘以来：重心下移，修复力度仍有限"_s,
            u"主方向：主方向略偏强，但不宜把短线修复当成单边趋势"_s);

    // --- The afternoon; too few points for a structure, so continuation falls back ---
    const Doubles day{105, 95, 100};
    const QString neutral = u"continuation 结构延续：中性震荡，方向确认度一般"_s;
    QTest::newRow("A-share morning")
        << u"sh600519"_s << day << Doubles(4, 100.0) << Doubles{0, 3600, 7000, 7100} << none << none
        << QStringList{u"afternoon 午后以来：午后数据仍在形成"_s, neutral};
    QTest::newRow("US before 12:45")
        << u"gb_aapl"_s << day << Doubles(4, 100.0) << Doubles{0, 9000, 11000, 11699} << none
        << none << QStringList{u"afternoon 后半段：数据仍在形成"_s, neutral};
    const Doubles afternoon{0, 7200, 8000, 8100, 8200};
    QTest::newRow("afternoon lift on volume")
        << u"sh600519"_s << day << Doubles{100, 100, 100.5, 100.6, 101} << afternoon << none
        << Doubles{0, 100, 100, 100, 300}
        << QStringList{u"afternoon 午后以来：资金承接增强，午后主导权改善"_s,
                       u"continuation 结构延续：午后修复仍在推进，先看强度能否维持"_s};
    QTest::newRow("afternoon slide")
        << u"sh600519"_s << day << Doubles{100, 100, 99.5, 99.4, 99} << afternoon << none << none
        << QStringList{u"afternoon 午后以来：午后回落占优，尾段需防进一步走弱"_s,
                       u"continuation 结构延续：午后偏弱，反抽延续性一般"_s};

    // --- Structure labels; ten minutes between points unless said otherwise ---
    const auto structure = [&](const char *name, const Doubles &prices, double step, double high,
                               double low, const QString &label) {
        QTest::newRow(name) << u"sz002594"_s << Doubles{high, low, 100} << prices
                            << minutes(prices.size(), step) << none << none
                            << QStringList{u"structure "_s + label};
    };
    structure("too short", {100, 101, 102, 103, 104, 105, 106}, 600, 110, 100,
              u"结构标签暂不明确"_s);
    structure("spike and fade", {100, 110, 108, 106, 105, 104, 103, 103}, 600, 110, 100,
              u"日内结构：冲高回落"_s);
    structure("rebound from the low", {100, 95, 96, 97, 98, 98.5, 98.8, 99.0}, 600, 100, 95,
              u"日内结构：低位反抽"_s);
    structure("flat near the high", {100, 104, 108, 109.8, 109.8, 109.8, 109.8, 109.8}, 600, 110,
              100, u"日内结构：高位横盘"_s);
    structure("pullback after a break", {103, 104, 105, 106, 106.5, 107.5, 107.3, 107.1, 106.8},
              120, 110, 90, u"日内结构：突破后回踩观察"_s);
    structure("afternoon turns up", {100, 100, 100, 100, 100, 100.2, 100.4, 100.6, 100.8}, 1800,
              102, 99, u"日内结构：午后转强"_s);
    structure("afternoon turns down", {100, 100, 100, 100, 100, 99.8, 99.6, 99.4, 99.2}, 1800, 101,
              98, u"日内结构：午后转弱"_s);
    structure("middle range", Doubles(8, 100.0), 600, 102, 98, u"日内结构：中位震荡"_s);
    structure("upper range", Doubles(8, 100.0), 600, 101, 98, u"日内结构：偏强震荡"_s);
    structure("lower range", Doubles(8, 100.0), 600, 102, 99, u"日内结构：偏弱震荡"_s);
    structure("high equals low", Doubles(8, 100.0), 600, 100, 100, u"结构标签暂不明确"_s);
}

void tst_Intraday::sentences()
{
    QFETCH(QString, symbol);
    QFETCH(Doubles, quote);
    QFETCH(Doubles, prices);
    QFETCH(Doubles, positions);
    QFETCH(Doubles, averages);
    QFETCH(Doubles, volumes);
    QFETCH(QStringList, expected);
    using Text = QString (IntradayAnalytics::*)(const Quote &) const;
    static const QHash<QString, Text> texts{
        {u"location"_s, &IntradayAnalytics::intradayLocationDescriptionForQuote},
        {u"breakout"_s, &IntradayAnalytics::breakoutContextDescriptionForQuote},
        {u"distance"_s, &IntradayAnalytics::distanceToExtremesDescriptionForQuote},
        {u"anchor"_s, &IntradayAnalytics::priceAnchorDescriptionForQuote},
        {u"average"_s, &IntradayAnalytics::averageLineDescriptionForQuote},
        {u"rhythm"_s, &IntradayAnalytics::shortRhythmDescriptionForQuote},
        {u"context"_s, &IntradayAnalytics::volumePriceContextDescriptionForQuote},
        {u"detail"_s, &IntradayAnalytics::detailedVolumePriceDescriptionForQuote},
        {u"open"_s, &IntradayAnalytics::openSessionDescriptionForQuote},
        {u"main"_s, &IntradayAnalytics::mainDirectionDescriptionForQuote},
        {u"afternoon"_s, &IntradayAnalytics::afternoonSessionDescriptionForQuote},
        {u"continuation"_s, &IntradayAnalytics::continuationDescriptionForQuote},
        {u"structure"_s, &IntradayAnalytics::intradayStructureDescriptionForQuote},
    };

    IntradayStore store;
    if (!prices.isEmpty())
        store.applyIntradaySeriesForSymbol(symbol, u"2026-04-28"_s, prices, positions, averages,
                                           volumes);
    const IntradayAnalytics analytics(store);
    Quote q;
    q.symbol = symbol;
    q.high = quote.at(0);
    q.low = quote.at(1);
    q.previousClose = quote.at(2);
    q.price = quote.size() > 3 ? quote.at(3) : prices.last();
    for (int m : {0, 1, 30}) // whatever the window, nothing is read past the series
        analytics.recentPercentChangeForQuote(q, m);

    for (const QString &item : expected) {
        const QString field = item.section(u' ', 0, 0);
        const QString text = item.section(u' ', 1);
        if (field == u"change") {
            QVERIFY(qAbs(analytics.recentPercentChangeForQuote(q, 5) - text.toDouble()) < 1e-9);
        } else if (field == u"since") {
            const double from = text.section(u' ', 0, 0).toDouble();
            const double change = text.section(u' ', 1).toDouble();
            QVERIFY(qAbs(analytics.intradayPercentChangeForQuote(q, from) - change) < 1e-9);
        } else if (field == u"ratio") {
            QCOMPARE(analytics.recentVolumeRatioForQuote(q, 5),
                     text == u"inf" ? IntradayAnalytics::kUnboundedRatio : text.toDouble());
        } else if (field == u"trend") {
            QCOMPARE(analytics.recentTrendDescriptionForQuote(q, 5), text);
        } else if (field == u"volume") {
            QCOMPARE(analytics.recentVolumeDescriptionForQuote(q, 5), text);
        } else if (field == u"above") {
            QCOMPARE(analytics.isAboveAverageLineForQuote(q), text == u"true");
        } else {
            const Text member = texts.value(field);
            QVERIFY2(member, qPrintable(field));
            QCOMPARE((analytics.*member)(q), text);
        }
    }
}

void tst_Intraday::recording()
{
    IntradayStore store;
    const QString sym = u"sh600519"_s;
    const auto series = [&] {
        return QList<QVector<double>>{store.positions(sym), store.prices(sym), store.averages(sym),
                                      store.volumes(sym)};
    };
    // The first quote of the day: the open at 09:30, then the quote at its position.
    store.recordIntradaySamples({quoteAt(u"10:00:00"_s, 10.2, 1000)});
    QCOMPARE(series(),
             (QList<QVector<double>>{{0, 1800}, {10.0, 10.2}, {10.0, 10.125}, {0, 1000}}));
    // The same position again updates that point; the volume added is the change since. An
    // unreadable time counts as the last position; a falling cumulative volume adds none.
    store.recordIntradaySamples({quoteAt(u"10:00:00"_s, 10.3, 1500)});
    QCOMPARE(store.volumes(sym), (QVector<double>{0, 1500}));
    store.recordIntradaySamples({quoteAt(u"10:0x"_s, 10.4, 1200)});
    QCOMPARE(series(),
             (QList<QVector<double>>{{0, 1800}, {10.0, 10.4}, {10.0, 10.125}, {0, 1500}}));
    // The next minute is a new point, its volume measured from 1200. No price (a suspended
    // stock, a placeholder) records nothing.
    store.recordIntradaySamples({quoteAt(u"10:01:00"_s, 10.5, 1300)});
    store.recordIntradaySamples({quoteAt(u"10:02:00"_s, 0, 1400)});
    QCOMPARE(store.positions(sym), (QVector<double>{0, 1800, 1860}));
    QCOMPARE(store.volumes(sym).last(), 100.0);
    QVERIFY(!store.isReal(sym));

    // A fetched series takes the place of what was recorded; without averages the prices
    // stand in, and the next quote adds only what traded after it.
    store.applyIntradaySeries(
        sym, MinuteSeries{{10.0, 10.1, 10.3}, {0, 60, 120}, {}, {0, 900, 1000}, u"2026-04-28"_s});
    QVERIFY(store.isReal(sym));
    QCOMPARE(series(), (QList<QVector<double>>{
                           {0, 60, 120}, {10.0, 10.1, 10.3}, {10.0, 10.1, 10.3}, {0, 900, 1000}}));
    QCOMPARE(store.lastCumulativeVolume(sym), 1900.0);
    store.recordIntradaySamples({quoteAt(u"10:06:00"_s, 10.4, 2000)});
    QCOMPARE(store.volumes(sym).last(), 100.0);
    // Nothing to apply leaves the series alone.
    store.applyIntradaySeries(sym, MinuteSeries{{}, {}, {}, {}, u"2026-04-28"_s});
    QCOMPARE(store.positions(sym).size(), 4);

    // A new day starts afresh, its volume not measured from yesterday's.
    store.recordIntradaySamples({quoteAt(u"09:31:00"_s, 10.1, 50, u"2026-04-29"_s)});
    QCOMPARE(store.dateForSymbol(sym), u"2026-04-29"_s);
    QCOMPARE(store.positions(sym), (QVector<double>{0, 60}));
    QCOMPARE(store.volumes(sym), (QVector<double>{0, 50}));
    QVERIFY(!store.isReal(sym));
}

void tst_Intraday::capKeepsTheLatestPoints()
{
    IntradayStore store;
    const QString sym = u"sh600519"_s;
    QVector<double> prices, positions;
    for (int i = 0; i < IntradayStore::kMaxPoints; ++i) {
        prices << 10 + i * 0.001;
        positions << i;
    }
    store.applyIntradaySeries(sym,
                              MinuteSeries{prices, positions, prices,
                                           QVector<double>(prices.size(), 1), u"2026-04-28"_s});
    store.recordIntradaySamples({quoteAt(u"14:59:00"_s, 12.0, 1500 + 7)});
    // The oldest point went; the arrays still line up point for point.
    for (const auto &values :
         {store.prices(sym), store.positions(sym), store.averages(sym), store.volumes(sym)})
        QCOMPARE(values.size(), IntradayStore::kMaxPoints);
    QCOMPARE(store.positions(sym).first(), 1.0);
    QCOMPARE(store.prices(sym).first(), prices.at(1));
    QCOMPARE(store.prices(sym).last(), 12.0);
    QCOMPARE(store.volumes(sym).last(), 7.0);
}

QTEST_GUILESS_MAIN(tst_Intraday)
#include "tst_intraday.moc"
