// The intraday numbers and every sentence the analytics write, around their bounds.
#include "intraday/IntradayAnalytics.h"
#include "intraday/IntradayStore.h"

#include <QTest>

using namespace Qt::StringLiterals;

using Doubles = QVector<double>;

namespace {

// One position a minute from the open.
Doubles minutes(qsizetype count, double step = 60)
{
    Doubles positions;
    for (qsizetype i = 0; i < count; ++i)
        positions.append(static_cast<double>(i) * step);
    return positions;
}

Quote quoteOf(const QString &symbol, double price, double high = 0, double low = 0,
              double previousClose = 0)
{
    Quote q;
    q.symbol = symbol;
    q.price = price;
    q.high = high;
    q.low = low;
    q.previousClose = previousClose;
    return q;
}

} // namespace

class TestIntradayAnalytics : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void recentNumbers_data();
    void recentNumbers();
    void changeSincePosition_data();
    void changeSincePosition();
    void quoteOnlySentences_data();
    void quoteOnlySentences();
    void averageLineSentences();
    void shortWindowSentences_data();
    void shortWindowSentences();
    void openAndMainDirection_data();
    void openAndMainDirection();
    void afternoon_data();
    void afternoon();
    void structure_data();
    void structure();
    void recordedSeriesHasNoStructure();
};

void TestIntradayAnalytics::recentNumbers_data()
{
    QTest::addColumn<Doubles>("prices");
    QTest::addColumn<Doubles>("positions");
    QTest::addColumn<Doubles>("volumes");
    QTest::addColumn<double>("change");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<QString>("trend");
    QTest::addColumn<QString>("volume");

    const double inf = IntradayAnalytics::kUnboundedRatio;
    const Doubles flat7(7, 10.0);

    QTest::newRow("single point") << Doubles{10} << Doubles{0} << Doubles{0} << 0.0 << -1.0
                                  << u"近5分钟方向暂不明确"_s << u"近5分钟量能暂不明确"_s;
    QTest::newRow("zero base price")
        << Doubles{0, 10} << Doubles{0, 60} << Doubles{0, 1} << 0.0 << -1.0
        << u"近5分钟方向暂不明确"_s << u"近5分钟量能暂不明确"_s;
    QTest::newRow("eight times") << flat7 << minutes(7) << Doubles{0, 100, 100, 100, 100, 100, 400}
                                 << 0.0 << 8.0 << u"近5分钟以震荡为主（+0.00%）"_s
                                 << u"近5分钟明显放量（8.0x）"_s;
    QTest::newRow("earlier window silent")
        << flat7 << minutes(7) << Doubles{0, 0, 0, 0, 0, 0, 50} << 0.0 << inf
        << u"近5分钟以震荡为主（+0.00%）"_s << u"近5分钟开始放量"_s;
    QTest::newRow("no volume at all") << flat7 << minutes(7) << Doubles(7, 0.0) << 0.0 << 0.0
                                      << u"近5分钟以震荡为主（+0.00%）"_s << u"近5分钟量能较平"_s;
    QTest::newRow("volumes missing")
        << flat7 << minutes(7) << Doubles{} << 0.0 << -1.0 << u"近5分钟以震荡为主（+0.00%）"_s
        << u"近5分钟量能暂不明确"_s;

    // The base is the last point at or before five minutes ago, found from the end.
    Doubles scattered{50, 60, 70, 80, 90, 100, 50, 50, 50, 50, 101};
    QTest::newRow("base found from the end")
        << scattered << minutes(11) << Doubles(11, 0.0) << 1.0 << 0.0
        << u"近5分钟明显走强（+1.00%）"_s << u"近5分钟量能较平"_s;

    struct Band
    {
        const char *name;
        double last;
        const char16_t *trend;
    };
    const Band bands[] = {
        {"rise 0.25 inclusive", 100.25, u"近5分钟温和抬升（+0.25%）"},
        {"rise 0.24", 100.24, u"近5分钟以震荡为主（+0.24%）"},
        {"fall 1.00 inclusive", 99, u"近5分钟明显回落（-1.00%）"},
        {"fall 0.25 inclusive", 99.75, u"近5分钟偏弱回落（-0.25%）"},
    };
    for (const Band &band : bands) {
        QTest::newRow(band.name) << Doubles{100, band.last} << Doubles{0, 60} << Doubles{0, 0}
                                 << (band.last - 100) << -1.0 << QString::fromUtf16(band.trend)
                                 << u"近5分钟量能暂不明确"_s;
    }

    struct Ratio
    {
        const char *name;
        double recent;
        const char16_t *text;
    };
    const Ratio ratios[] = {
        {"ratio 1.6 inclusive", 160, u"近5分钟明显放量（1.6x）"},
        {"ratio 1.15 inclusive", 115, u"近5分钟温和放量（1.1x）"},
        {"ratio 1.14", 114, u"近5分钟量能基本持平（1.1x）"},
        {"ratio 0.65 inclusive", 65, u"近5分钟明显缩量（0.7x）"},
        {"ratio 0.9 inclusive", 90, u"近5分钟小幅缩量（0.9x）"},
        {"ratio 0.91", 91, u"近5分钟量能基本持平（0.9x）"},
    };
    for (const Ratio &ratio : ratios) {
        Doubles volumes(11, 0.0);
        volumes[5] = 100;
        volumes[10] = ratio.recent;
        QTest::newRow(ratio.name) << Doubles(11, 10.0) << minutes(11) << volumes << 0.0
                                  << ratio.recent / 100 << u"近5分钟以震荡为主（+0.00%）"_s
                                  << QString::fromUtf16(ratio.text);
    }
}

void TestIntradayAnalytics::recentNumbers()
{
    QFETCH(Doubles, prices);
    QFETCH(Doubles, positions);
    QFETCH(Doubles, volumes);
    QFETCH(double, change);
    QFETCH(double, ratio);
    QFETCH(QString, trend);
    QFETCH(QString, volume);

    IntradayStore store;
    store.applyIntradaySeriesForSymbol(u"sh600000"_s, u"2026-04-28"_s, prices, positions, {},
                                       volumes);
    const IntradayAnalytics analytics(store);
    const Quote q = quoteOf(u"sh600000"_s, prices.last());
    QVERIFY(qAbs(analytics.recentPercentChangeForQuote(q, 5) - change) < 1e-9);
    QCOMPARE(analytics.recentVolumeRatioForQuote(q, 5), ratio);
    QCOMPARE(analytics.recentTrendDescriptionForQuote(q, 5), trend);
    QCOMPARE(analytics.recentVolumeDescriptionForQuote(q, 5), volume);
}

void TestIntradayAnalytics::changeSincePosition_data()
{
    QTest::addColumn<Doubles>("prices");
    QTest::addColumn<Doubles>("positions");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("change");

    const Doubles prices{100, 102, 98, 101};
    QTest::newRow("between points") << prices << minutes(4) << 90.0 << (101.0 - 102) / 102 * 100;
    QTest::newRow("before the first") << prices << minutes(4) << -5.0 << 1.0;
    QTest::newRow("single point") << Doubles{100} << Doubles{0} << 0.0 << 0.0;
    QTest::newRow("positions short") << prices << minutes(3) << 0.0 << 0.0;
    // Recent change with more positions than prices must not read past the prices.
    QTest::newRow("positions long") << Doubles{100, 101} << minutes(3) << 0.0 << 0.0;
}

void TestIntradayAnalytics::changeSincePosition()
{
    QFETCH(Doubles, prices);
    QFETCH(Doubles, positions);
    QFETCH(double, from);
    QFETCH(double, change);

    IntradayStore store;
    store.applyIntradaySeriesForSymbol(u"sz000001"_s, {}, prices, positions, {}, {});
    const IntradayAnalytics analytics(store);
    const Quote q = quoteOf(u"sz000001"_s, prices.last());
    QVERIFY(qAbs(analytics.intradayPercentChangeForQuote(q, from) - change) < 1e-9);
    for (int m : {0, 1, 30})
        analytics.recentPercentChangeForQuote(q, m);
}

void TestIntradayAnalytics::quoteOnlySentences_data()
{
    QTest::addColumn<QVector<double>>("quote"); // high, low, price, previous close
    QTest::addColumn<QString>("expected");      // location|breakout|distance
    const QString calm = u"|未到关键极值位，更适合观察方向延续性|"_s;
    QTest::newRow("loc 0.82") << Doubles{50, 0, 41, 40} << u"价格接近日内高位"_s + calm;
    QTest::newRow("loc 0.18") << Doubles{50, 0, 9, 40} << u"价格接近日内低位"_s + calm;
    QTest::newRow("loc 0.5") << Doubles{50, 0, 25, 40} << u"价格位于日内中位附近"_s + calm;
    QTest::newRow("band 0.06 near high")
        << Doubles{10.5, 10, 10.45, 10.2}
        << u"价格接近日内高位|接近日内突破位，重点看能否继续放大优势|距日高0.05，距日低0.45"_s;
    QTest::newRow("band 0.06 near low")
        << Doubles{10.5, 10, 10.04, 10.2}
        << u"价格接近日内低位|靠近日内低位，重点看是否出现企稳承接|距日高0.46，距日低0.04"_s;
    QTest::newRow("narrow range uses 0.02")
        << Doubles{10.05, 10, 10.04, 10.2}
        << u"价格处于日内偏强区|接近日内突破位，重点看能否继续放大优势|距日高0.01，距日低0.04"_s;
    QTest::newRow("high equals low")
        << Doubles{10, 10, 10, 9.8} << u"日内位置暂不明确||距日高0.00，距日低0.00"_s;
    QTest::newRow("no previous close")
        << Doubles{10.5, 10, 10.2, 0} << u"日内位置暂不明确||距日高0.30，距日低0.20"_s;
}

void TestIntradayAnalytics::quoteOnlySentences()
{
    QFETCH(QVector<double>, quote);
    QFETCH(QString, expected);
    const QStringList e = expected.split(u'|');
    const IntradayStore store;
    const IntradayAnalytics analytics(store);
    const Quote q = quoteOf(u"sh600000"_s, quote[2], quote[0], quote[1], quote[3]);
    QCOMPARE(analytics.intradayLocationDescriptionForQuote(q), e.at(0));
    QCOMPARE(analytics.breakoutContextDescriptionForQuote(q), e.at(1));
    QCOMPARE(analytics.distanceToExtremesDescriptionForQuote(q), e.at(2));
}

void TestIntradayAnalytics::averageLineSentences()
{
    IntradayStore store;
    const IntradayAnalytics analytics(store);
    Quote q = quoteOf(u"sh600000"_s, 10.45, 10.5, 10.0, 10.2);
    QCOMPARE(analytics.priceAnchorDescriptionForQuote(q),
             u"当前价 10.45，分时均价线 暂不可用，日内高/低 10.50/10.00，昨收 10.20"_s);
    QCOMPARE(analytics.averageLineDescriptionForQuote(q), u"均价线暂不可用"_s);
    QVERIFY(!analytics.isAboveAverageLineForQuote(q));

    store.applyIntradaySeriesForSymbol(q.symbol, {}, {10.2, 10.45}, {0, 60}, {10.2, 10.3}, {});
    QCOMPARE(analytics.priceAnchorDescriptionForQuote(q),
             u"当前价 10.45，分时均价线 10.30，日内高/低 10.50/10.00，昨收 10.20"_s);
    QCOMPARE(analytics.averageLineDescriptionForQuote(q), u"当前站上均价线10.30，偏离0.15"_s);
    q.price = 10.3;
    QCOMPARE(analytics.averageLineDescriptionForQuote(q), u"当前站上均价线10.30，偏离0.00"_s);
    QVERIFY(analytics.isAboveAverageLineForQuote(q));
    q.price = 10.1;
    QCOMPARE(analytics.averageLineDescriptionForQuote(q), u"当前跌破均价线10.30，偏离0.20"_s);
}

void TestIntradayAnalytics::shortWindowSentences_data()
{
    QTest::addColumn<QVector<double>>("window"); // earlier and recent volume, last price, average
    QTest::addColumn<QString>("expected");       // rhythm|context|detail
    const QString plain = u"量价配合暂未出现特别强的单边信号"_s;
    const QString thin = u"量价细节：量能收敛，走势延续性需要确认"_s;
    QTest::newRow("surge on volume")
        << Doubles{0, 500, 101, 99}
        << u"短线节奏：站上均价线后的放量转强|短线拉升伴随放量，走势更有延续观察价值|"
           u"量价细节：拉升放量，短线主动性增强"_s;
    QTest::newRow("drop on volume")
        << Doubles{100, 160, 99.6, 99}
        << u"短线节奏：放量转弱，回落压力偏大|回落过程中量能放大，短线抛压需要额外留意|"
           u"量价细节：放量回落，抛压释放较明显"_s;
    QTest::newRow("heavy but flat") << Doubles{100, 200, 100.1, 101}
                                    << u"短线节奏：波动收敛，等待下一次选择方向|"_s + plain +
                                           u"|量价细节：放量但价格未明显推进，存在分歧"_s;
}

void TestIntradayAnalytics::shortWindowSentences()
{
    QFETCH(QVector<double>, window);
    QFETCH(QString, expected);
    const QStringList e = expected.split(u'|');
    // Eleven points a minute apart: the last five minutes (360..600) against the five
    // before them (60..300).
    Doubles prices(11, 100.0), volumes(11, 0.0);
    prices.last() = window[2];
    volumes[5] = window[0];
    volumes[10] = window[1];
    IntradayStore store;
    store.applyIntradaySeriesForSymbol(u"sz300750"_s, u"2026-04-28"_s, prices, minutes(11),
                                       Doubles(11, window[3]), volumes);
    const IntradayAnalytics analytics(store);
    const Quote q = quoteOf(u"sz300750"_s, window[2], 102, 98, 100);
    QCOMPARE(analytics.shortRhythmDescriptionForQuote(q), e.at(0));
    QCOMPARE(analytics.volumePriceContextDescriptionForQuote(q), e.at(1));
    QCOMPARE(analytics.detailedVolumePriceDescriptionForQuote(q), e.at(2));
}

void TestIntradayAnalytics::openAndMainDirection_data()
{
    QTest::addColumn<Doubles>("prices");
    QTest::addColumn<double>("average");
    QTest::addColumn<double>("previousClose");
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("main");

    QTest::newRow("+1.2 above the line")
        << Doubles{250, 253} << 252.0 << 250.0 << u"开盘以来：整体偏强推进，日内主动权在多方"_s
        << u"主方向：开盘以来整体偏强，日内主导权仍在多方"_s;
    QTest::newRow("flat above the line")
        << Doubles{250, 250.5} << 250.0 << 250.0 << u"开盘以来：以震荡消化为主，整体方向感一般"_s
        << u"主方向：日内偏强震荡，关键看均价线支撑是否稳定"_s;
    // The last half hour recovers a morning dip: r(30) leads while c(0) stays small.
    QTest::newRow("half-hour recovery")
        << Doubles{250, 246, 248} << 247.0 << 249.0 << u"开盘以来：重心下移，修复力度仍有限"_s
        << u"主方向：主方向略偏强，但不宜把短线修复当成单边趋势"_s;
}

void TestIntradayAnalytics::openAndMainDirection()
{
    QFETCH(Doubles, prices);
    QFETCH(double, average);
    QFETCH(double, previousClose);
    QFETCH(QString, open);
    QFETCH(QString, main);

    IntradayStore store;
    Doubles averages(prices.size(), average);
    // Half an hour between points, so r(30) looks back exactly one point.
    store.applyIntradaySeriesForSymbol(u"sh601318"_s, {}, prices, minutes(prices.size(), 1800),
                                       averages, {});
    const IntradayAnalytics analytics(store);
    const Quote q = quoteOf(u"sh601318"_s, prices.last(), 260, 240, previousClose);
    QCOMPARE(analytics.openSessionDescriptionForQuote(q), open);
    QCOMPARE(analytics.mainDirectionDescriptionForQuote(q), main);
}

void TestIntradayAnalytics::afternoon_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<Doubles>("positions");
    QTest::addColumn<Doubles>("prices");
    QTest::addColumn<Doubles>("volumes");
    QTest::addColumn<QString>("afternoon");
    QTest::addColumn<QString>("continuation");

    const QString forming = u"午后以来：午后数据仍在形成"_s;
    QTest::newRow("A-share morning")
        << u"sh600519"_s << Doubles{0, 3600, 7000, 7100} << Doubles{100, 100, 100, 100} << Doubles{}
        << forming << u"结构延续：中性震荡，方向确认度一般"_s;
    QTest::newRow("US before 12:45")
        << u"gb_aapl"_s << Doubles{0, 9000, 11000, 11699} << Doubles{100, 100, 100, 100}
        << Doubles{} << u"后半段：数据仍在形成"_s << u"结构延续：中性震荡，方向确认度一般"_s;
    QTest::newRow("afternoon lift on volume")
        << u"sh600519"_s << Doubles{0, 7200, 8000, 8100, 8200}
        << Doubles{100, 100, 100.5, 100.6, 101} << Doubles{0, 100, 100, 100, 300}
        << u"午后以来：资金承接增强，午后主导权改善"_s
        << u"结构延续：午后修复仍在推进，先看强度能否维持"_s;
    QTest::newRow("afternoon slide")
        << u"sh600519"_s << Doubles{0, 7200, 8000, 8100, 8200} << Doubles{100, 100, 99.5, 99.4, 99}
        << Doubles{} << u"午后以来：午后回落占优，尾段需防进一步走弱"_s
        << u"结构延续：午后偏弱，反抽延续性一般"_s;
}

void TestIntradayAnalytics::afternoon()
{
    QFETCH(QString, symbol);
    QFETCH(Doubles, positions);
    QFETCH(Doubles, prices);
    QFETCH(Doubles, volumes);
    QFETCH(QString, afternoon);
    QFETCH(QString, continuation);

    IntradayStore store;
    store.applyIntradaySeriesForSymbol(symbol, {}, prices, positions, {}, volumes);
    const IntradayAnalytics analytics(store);
    const Quote q = quoteOf(symbol, prices.last(), 105, 95, 100);
    QCOMPARE(analytics.afternoonSessionDescriptionForQuote(q), afternoon);
    QCOMPARE(analytics.continuationDescriptionForQuote(q), continuation);
}

void TestIntradayAnalytics::structure_data()
{
    QTest::addColumn<Doubles>("prices");
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("low");
    QTest::addColumn<QString>("structure");

    // Ten minutes between points unless said otherwise.
    QTest::newRow("too short") << Doubles{100, 101, 102, 103, 104, 105, 106} << 600.0 << 110.0
                               << 100.0 << u"结构标签暂不明确"_s;
    QTest::newRow("spike and fade") << Doubles{100, 110, 108, 106, 105, 104, 103, 103} << 600.0
                                    << 110.0 << 100.0 << u"日内结构：冲高回落"_s;
    QTest::newRow("rebound from the low") << Doubles{100, 95, 96, 97, 98, 98.5, 98.8, 99.0} << 600.0
                                          << 100.0 << 95.0 << u"日内结构：低位反抽"_s;
    QTest::newRow("flat near the high") << Doubles{100, 104, 108, 109.8, 109.8, 109.8, 109.8, 109.8}
                                        << 600.0 << 110.0 << 100.0 << u"日内结构：高位横盘"_s;
    QTest::newRow("pullback after a break")
        << Doubles{103, 104, 105, 106, 106.5, 107.5, 107.3, 107.1, 106.8} << 120.0 << 110.0 << 90.0
        << u"日内结构：突破后回踩观察"_s;
    QTest::newRow("afternoon turns up")
        << Doubles{100, 100, 100, 100, 100, 100.2, 100.4, 100.6, 100.8} << 1800.0 << 102.0 << 99.0
        << u"日内结构：午后转强"_s;
    QTest::newRow("afternoon turns down")
        << Doubles{100, 100, 100, 100, 100, 99.8, 99.6, 99.4, 99.2} << 1800.0 << 101.0 << 98.0
        << u"日内结构：午后转弱"_s;
    QTest::newRow("middle range") << Doubles(8, 100.0) << 600.0 << 102.0 << 98.0
                                  << u"日内结构：中位震荡"_s;
    QTest::newRow("upper range") << Doubles(8, 100.0) << 600.0 << 101.0 << 98.0
                                 << u"日内结构：偏强震荡"_s;
    QTest::newRow("lower range") << Doubles(8, 100.0) << 600.0 << 102.0 << 99.0
                                 << u"日内结构：偏弱震荡"_s;
    QTest::newRow("high equals low")
        << Doubles(8, 100.0) << 600.0 << 100.0 << 100.0 << u"结构标签暂不明确"_s;
}

void TestIntradayAnalytics::structure()
{
    QFETCH(Doubles, prices);
    QFETCH(double, step);
    QFETCH(double, high);
    QFETCH(double, low);
    QFETCH(QString, structure);

    IntradayStore store;
    store.applyIntradaySeriesForSymbol(u"sz002594"_s, {}, prices, minutes(prices.size(), step), {},
                                       {});
    const IntradayAnalytics analytics(store);
    const Quote q = quoteOf(u"sz002594"_s, prices.last(), high, low, 100);
    QCOMPARE(analytics.intradayStructureDescriptionForQuote(q), structure);
}

void TestIntradayAnalytics::recordedSeriesHasNoStructure()
{
    // A realtime-recorded day is never labelled, so continuation falls back on the
    // afternoon sentence and the 15-minute change.
    IntradayStore store;
    QList<Quote> quotes;
    for (int minute = 0; minute < 30; ++minute) {
        Quote q = quoteOf(u"sz002594"_s, minute < 10 ? 110 - minute : 100, 110, 99, 100);
        q.open = 100;
        q.volume = 1000.0 * (minute + 1);
        q.amount = q.volume * 104;
        q.date = u"2026-04-28"_s;
        q.time = QTime(9, 31).addSecs(60 * minute).toString(u"HH:mm:ss"_s);
        quotes.append(q);
    }
    store.recordIntradaySamples(quotes);
    const IntradayAnalytics analytics(store);
    QVERIFY(store.prices(u"sz002594"_s).size() >= 8);
    QCOMPARE(analytics.intradayStructureDescriptionForQuote(quotes.last()), u"结构标签暂不明确"_s);
    QCOMPARE(analytics.continuationDescriptionForQuote(quotes.last()),
             u"结构延续：中性震荡，方向确认度一般"_s);
}

QTEST_GUILESS_MAIN(TestIntradayAnalytics)
#include "tst_intradayanalytics.moc"
