// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "UiTestHelpers.h"

#include "intraday/IntradayStore.h"
#include "model/Quote.h"
#include "presentation/ChartEntrances.h"
#include "presentation/IntradayChartSeries.h"
#include "ui/IntradayChartLayout.h"
#include "ui/IntradayChartView.h"
#include "ui/IntradayHoverOverlayView.h"
#include "ui/Label.h"
#include "ui/Panel.h"
#include "ui/ShapeLayer.h"
#include "ui/Toolkit.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

constexpr qint64 kNotFound = IntradayChartLayout::kNotFound;
// The chart inside the popover's market card.
const QSizeF kChartSize(316, 80);

// A real A-share morning and early afternoon: 10.00 at the open, 10.50 at 14:00.
IntradayChartSeries sampleSeries(const QString &symbol = u"sh600519"_s)
{
    IntradayChartSeries series;
    series.symbol = symbol;
    series.prices = {10.0, 10.2, 9.9, 10.5};
    series.positions = {0, 3600, 7200, 10800};
    series.averages = {10.0, 10.1, 10.05, 10.2};
    series.volumes = {0, 12345, 0, 250000000};
    series.previousClose = 10.0;
    series.maxPosition = symbol.startsWith(u"gb_"_s) ? 23400 : 14400;
    series.midPosition = symbol.startsWith(u"gb_"_s) ? 11700 : 7200;
    series.isReal = true;
    series.accent = Toolkit::hex(u"F87171"_s);
    return series;
}

} // namespace

class TestIntradayChart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void seriesFromStoreAndQuote()
    {
        IntradayStore store;
        const IntradayChartSeries sample = sampleSeries();
        store.applyIntradaySeriesForSymbol(u"hk00700"_s, u"2024-05-06"_s, sample.prices,
                                           sample.positions, sample.averages, sample.volumes);
        Quote quote;
        quote.symbol = u"hk00700"_s;
        quote.previousClose = 9.8;

        const IntradayChartSeries series = IntradayChartSeries::forQuote(store, quote, u"34D399"_s);
        QCOMPARE(series.prices, sample.prices);
        QCOMPARE(series.maxPosition, 19800.0);
        QVERIFY(series.isReal && !series.shouldAnimate && series.hasMiddayBreak());

        // A symbol the store has never seen: nothing to draw yet, on its market's clock.
        quote.symbol = u"gb_brk_b"_s;
        const IntradayChartSeries empty = IntradayChartSeries::forQuote(store, quote, u"A1A6B8"_s);
        QVERIFY(empty.prices.isEmpty() && !empty.isReal && !empty.hasMiddayBreak());
        QCOMPARE(empty.maxPosition, 23400.0);
        QCOMPARE(IntradayChartLayout::stateForSeries(empty), IntradayChartState::Loading);
    }

    void scaleIgnoresWhatCannotBeDrawn()
    {
        // Beyond the session, or unreadable, a position sits on the plot's edge; a price beyond
        // the range, on the range's edge.
        const auto scale = IntradayChartLayout::scaleForSeries(sampleSeries(), kChartSize);
        QVERIFY(scale);
        QCOMPARE(scale->x(20000), scale->x(14400));
        QCOMPARE(scale->x(std::numeric_limits<double>::quiet_NaN()), scale->x(0));
        QCOMPARE(scale->y(50), scale->y(scale->hi));
        QCOMPARE(scale->y(0), scale->y(scale->lo));

        // Without a previous close the prices alone make the range; unreadable ones take no part.
        IntradayChartSeries series = sampleSeries();
        series.previousClose = 0;
        series.prices = {std::numeric_limits<double>::quiet_NaN(), 10.0, 10.5,
                         std::numeric_limits<double>::infinity()};
        const auto own = IntradayChartLayout::scaleForSeries(series, kChartSize);
        QVERIFY(own);
        QVERIFY(near(own->lo, 10.0 - 0.06));
        QVERIFY(near(own->hi, 10.5 + 0.06));
    }

    void states_data()
    {
        QTest::addColumn<bool>("real");
        QTest::addColumn<QVector<double>>("prices");
        QTest::addColumn<double>("previousClose");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("placeholder");
        QTest::newRow("recorded samples only")
            << false << QVector<double>{10, 10.2, 10.4} << 10.0 << int(IntradayChartState::Loading)
            << u"加载分时..."_s;
        QTest::newRow("one price") << true << QVector<double>{10.2} << 10.0
                                   << int(IntradayChartState::Collecting) << u"采集中"_s;
        QTest::newRow("unreadable prices") << true << QVector<double>{std::nan(""), std::nan("")}
                                           << 0.0 << int(IntradayChartState::Flat) << u"波动不足"_s;
        QTest::newRow("flat day away from the previous close")
            << true << QVector<double>{10, 10} << 9.5 << int(IntradayChartState::Full) << QString();
    }

    void states()
    {
        QFETCH(bool, real);
        QFETCH(QVector<double>, prices);
        QFETCH(double, previousClose);
        QFETCH(int, state);
        QFETCH(QString, placeholder);
        IntradayChartSeries series = sampleSeries();
        series.isReal = real;
        series.prices = prices;
        series.previousClose = previousClose;
        QCOMPARE(int(IntradayChartLayout::stateForSeries(series)), state);

        auto well = makeSurface(316, 80);
        IntradayChartView chart(well.get(), QRectF(QPointF(0, 0), kChartSize), series);
        QCOMPARE(int(chart.state()), state);
        QCOMPARE(chart.findChild<ShapeLayer *>(u"priceLine"_s) != nullptr, placeholder.isEmpty());
        if (placeholder.isEmpty())
            return;
        // Only the centred note, nothing drawn and nothing animated.
        const auto labels = chart.findChildren<Label *>();
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.first()->text(), placeholder);
        QVERIFY(chart.findChildren<ShapeLayer *>().isEmpty());
        QVERIFY(!chart.hasStartedEntranceAnimation());
    }

    void fullChartElements()
    {
        // (A chart at rest, its divider and axis texts, are the golden images'.) No layer takes
        // the pointer from the crosshair above; a US day has no midday break to divide.
        auto well = makeSurface(316, 80);
        IntradayChartView chart(well.get(), QRectF(QPointF(0, 0), kChartSize), sampleSeries());
        QVERIFY(!chart.hasStartedEntranceAnimation());
        for (ShapeLayer *layer : chart.findChildren<ShapeLayer *>())
            QVERIFY(layer->testAttribute(Qt::WA_TransparentForMouseEvents));
        IntradayChartView us(well.get(), QRectF(QPointF(0, 0), kChartSize),
                             sampleSeries(u"gb_aapl"_s));
        QVERIFY(!us.findChild<ShapeLayer *>(u"middayDivider"_s));

        // Without a previous close there is no baseline and no made-up 0.00 or percentage.
        IntradayChartSeries series = sampleSeries();
        series.previousClose = 0;
        IntradayChartView noClose(well.get(), QRectF(QPointF(0, 0), kChartSize), series);
        QStringList texts;
        for (const char *name : {"axisPriceHigh", "axisPriceBase", "axisPercentHigh",
                                 "axisPercentBase", "axisPercentLow"})
            texts << noClose.findChild<Label *>(QString::fromLatin1(name))->text();
        QCOMPARE(texts, (QStringList{u"10.57"_s, u"--"_s, u"--"_s, u"--"_s, u"--"_s}));
        QVERIFY(!noClose.findChild<ShapeLayer *>(u"baseline"_s));

        // An index's six-digit prices are set smaller to fit their column, not cut.
        for (double &price : series.prices)
            price *= 12000;
        series.previousClose = 120000;
        IntradayChartView index(well.get(), QRectF(QPointF(0, 0), kChartSize), series);
        const Label *high = index.findChild<Label *>(u"axisPriceHigh"_s);
        QCOMPARE(high->displayedText(), u"126864.00"_s);
        QVERIFY(Typography::textWidth(high->displayedText(), high->font()) <= high->width());
    }

    void averageLineNeedsOneAveragePerPrice()
    {
        IntradayChartSeries series = sampleSeries();
        series.averages.removeLast();
        auto well = makeSurface(316, 80);
        IntradayChartView shorter(well.get(), QRectF(QPointF(0, 0), kChartSize), series);
        QVERIFY(!shorter.findChild<ShapeLayer *>(u"averageLine"_s));
        QVERIFY(shorter.findChild<ShapeLayer *>(u"priceLine"_s));

        // A price without a position sits at the open; a missing price is left out.
        series = sampleSeries();
        series.positions = {0, 3600};
        series.prices[1] = std::nan("");
        IntradayChartView ragged(well.get(), QRectF(QPointF(0, 0), kChartSize), series);
        const QPainterPath line = ragged.findChild<ShapeLayer *>(u"priceLine"_s)->path();
        QCOMPARE(line.elementCount(), 3);
        QCOMPARE(line.elementAt(2).x, 42.0);
    }

    void entranceAnimationRunsOncePerOpenedPage()
    {
        IntradayStore store;
        const IntradayChartSeries sample = sampleSeries();
        Quote quote;
        quote.symbol = sample.symbol;
        quote.previousClose = 10.0;
        auto well = makeSurface(316, 80);
        ChartEntrances entrances;
        const auto build = [&] {
            IntradayChartSeries series = IntradayChartSeries::forQuote(store, quote, u"F87171"_s);
            series.shouldAnimate = entrances.isOwed(quote.symbol);
            auto *chart =
                new IntradayChartView(well.get(), QRectF(QPointF(0, 0), kChartSize), series);
            entrances.settle(chart);
            return chart;
        };
        // Opened before the series came in: nothing drawn, the animation is still owed.
        entrances.owe(sample.symbol);
        QCOMPARE(build()->state(), IntradayChartState::Loading);
        QVERIFY(entrances.isOwed(sample.symbol));

        store.applyIntradaySeriesForSymbol(sample.symbol, u"2024-05-06"_s, sample.prices,
                                           sample.positions, sample.averages, sample.volumes);
        IntradayChartView *chart = build();
        QVERIFY(chart->hasStartedEntranceAnimation());
        QVERIFY(!entrances.isOwed(sample.symbol));
        auto *area = chart->findChild<ShapeLayer *>(u"areaFill"_s);
        auto *line = chart->findChild<ShapeLayer *>(u"priceLine"_s);
        auto *dot = chart->findChild<ShapeLayer *>(u"dot"_s);
        // Everything waits at its starting value; the lines draw before the marker appears.
        QCOMPARE(area->opacity(), 0.0);
        QCOMPARE(line->strokeEnd(), 0.0);
        QCOMPARE(dot->opacity(), 0.0);
        QTRY_COMPARE_WITH_TIMEOUT(line->strokeEnd(), 1.0, kPatienceMs);
        QVERIFY(dot->opacity() < 1.0);
        QTRY_COMPARE_WITH_TIMEOUT(dot->opacity(), 1.0, kPatienceMs);
        QVERIFY(near(area->opacity(), 0.88, 1e-6));

        // The next rebuild of the same page is still.
        IntradayChartView *again = build();
        QVERIFY(!again->hasStartedEntranceAnimation());
        QCOMPARE(again->findChild<ShapeLayer *>(u"priceLine"_s)->strokeEnd(), 1.0);
        QCOMPARE(again->findChild<ShapeLayer *>(u"dot"_s)->opacity(), 1.0);
    }

    void hoverIndex()
    {
        const auto index = [](const QVector<double> &prices, double x, double width = 316) {
            IntradayChartSeries series = sampleSeries();
            series.prices = prices;
            return IntradayChartLayout::nearestIndexForPoint(series, x, width);
        };
        const QVector<double> all = sampleSeries().prices;
        QCOMPARE(index(all, 400), qint64(3)); // right of the plot: the one nearest the end
        // 1800 s is as far from 0 as from 3600: the earlier sample wins.
        QCOMPARE(index(all, 42 + 226.0 / 8), qint64(0));
        QCOMPARE(index({10, 10.2}, 400), qint64(1)); // fewer prices than positions
        QCOMPARE(index({}, 98), kNotFound);          // no samples
        QCOMPARE(index(all, 98, 90), kNotFound);     // no room to plot
    }

    void timeText()
    {
        const auto text = [](const QString &symbol, double position) {
            IntradayChartSeries series = sampleSeries(symbol);
            if (symbol.startsWith(u"hk"_s)) {
                series.maxPosition = 19800;
                series.midPosition = 9000;
            }
            return IntradayChartLayout::timeTextForPosition(series, position);
        };
        QCOMPARE(text(u"sh600519"_s, 59.6), u"09:31"_s); // rounded to the second
        QCOMPARE(text(u"sh600519"_s, 7200), u"11:30"_s);
        QCOMPARE(text(u"sh600519"_s, 7260), u"13:01"_s); // a minute after the break
        QCOMPARE(text(u"sh600519"_s, 99999), u"15:00"_s);
        QCOMPARE(text(u"hk00700"_s, 9060), u"13:01"_s);
        QCOMPARE(text(u"gb_aapl"_s, 7260), u"11:31"_s); // no break
    }

    void readout_data()
    {
        QTest::addColumn<qint64>("index");
        QTest::addColumn<double>("previousClose");
        QTest::addColumn<QString>("text");
        QTest::newRow("rise with volume")
            << qint64(1) << 10.0 << u"10:30  价 10.20  +2.00%\n均价 10.10  量 1.23万"_s;
        QTest::newRow("fall without volume")
            << qint64(2) << 10.0 << u"11:30  价 9.90  -1.00%\n均价 10.05  量 --"_s;
        QTest::newRow("no previous close, hundreds of millions")
            << qint64(3) << 0.0 << u"14:00  价 10.50  --\n均价 10.20  量 2.50亿"_s;
        QTest::newRow("out of range") << qint64(4) << 10.0 << QString();
    }

    void readout()
    {
        QFETCH(qint64, index);
        QFETCH(double, previousClose);
        QFETCH(QString, text);
        IntradayChartSeries series = sampleSeries();
        series.previousClose = previousClose;
        QCOMPARE(IntradayChartLayout::hoverReadoutText(series, index), text);
    }

    void overlayFollowsPointer()
    {
        auto well = makeSurface(600, 240);
        IntradayChartSeries series = sampleSeries();
        series.accent = QColor();
        auto *overlay = new IntradayHoverOverlayView(well.get(), QRectF(0, 0, 600, 240), series);
        QCOMPARE(overlay->accentColor(), QColor::fromRgbF(0.22f, 0.83f, 0.66f));
        QVERIFY(!overlay->isHovering());
        QCOMPARE(overlay->hoverIndex(), kNotFound);

        overlay->updateHoverForPoint(QPointF(42 + 510.0 * 0.5, 100));
        QCOMPARE(overlay->hoverIndex(), qint64(2));
        well->show();
        QVERIFY(QTest::qWaitForWindowExposed(well.get()));
        overlay->endHover();
        QVERIFY(!overlay->isHovering());
        QCOMPARE(overlay->hoverIndex(), kNotFound);
        // Transparent until hovered: the well's own fill alone.
        const QImage empty = well->grab().toImage();
        QImage plain(empty.size(), empty.format());
        plain.fill(empty.pixel(0, 0));
        QCOMPARE(empty, plain);

        QTest::mouseMove(overlay, QPoint(0, 100));
        QTRY_VERIFY_WITH_TIMEOUT(overlay->isHovering(), kPatienceMs);
        QCOMPARE(overlay->hoverIndex(), qint64(0));
        QTest::mouseMove(overlay, QPoint(599, 100));
        QTRY_COMPARE_WITH_TIMEOUT(overlay->hoverIndex(), qint64(3), kPatienceMs);
        QVERIFY(well->grab().toImage() != empty);
        // A refresh's new series keeps the crosshair on the pointer.
        series.symbol = u"sh600519"_s;
        overlay->setSeries(series, QRectF(0, 0, 600, 240));
        QVERIFY(overlay->isHovering());
        QCOMPARE(overlay->hoverIndex(), qint64(3));
        QCOMPARE(overlay->symbol(), u"sh600519"_s);
    }
};

QTEST_MAIN(TestIntradayChart)
#include "tst_intradaychart.moc"
