// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MainWindowFrame.h"
#include "ui/MainWindowLayout.h"
#include "ui/Typography.h"

#include <QtTest>

using namespace Qt::StringLiterals;

using Detail = MainWindowLayout::DetailLayout;
using Header = MainWindowLayout::HeroHeaderLayout;
using Tag = MainWindowLayout::TagColors;

Q_DECLARE_METATYPE(Header)
Q_DECLARE_METATYPE(Tag)

class TestMainWindowLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void detailLayout_data();
    void detailLayout();
    void heroHeader_data();
    void heroHeader();
    void contextBadgeWidth();
    void heroFacts();
    void rowColumnsAndTags_data();
    void rowColumnsAndTags();
    void rowPriceShrinksToFit();
    void listDocument();
    void frameString();
    void frameVisibility_data();
    void frameVisibility();
};

void TestMainWindowLayout::detailLayout_data()
{
    QTest::addColumn<QSizeF>("size");
    QTest::addColumn<qreal>("cardHeight");
    QTest::addColumn<bool>("compact");
    QTest::addColumn<qreal>("insight");
    QTest::addColumn<qreal>("hero");
    QTest::addColumn<qreal>("stripY");
    QTest::addColumn<qreal>("stripHeight");
    QTest::addColumn<qreal>("footerY");

    // The threshold: 539 packs tighter (below), 540 does not.
    QTest::newRow("540") << QSizeF(584, 540) << 100.0 << false << 118.0 << 276.0 << 56.0 << 66.0
                         << 10.0;
    QTest::newRow("539 tall card")
        << QSizeF(584, 539) << 400.0 << true << 148.0 << 267.0 << 44.0 << 60.0 << 0.0;
    // The smallest window: the hero keeps 220 and the footer rests on the bottom edge.
    QTest::newRow("466") << QSizeF(584, 466) << 200.0 << true << 148.0 << 220.0 << 18.0 << 60.0
                         << 0.0;
    // A tall window: the hero stops at 326.
    QTest::newRow("900") << QSizeF(800, 900) << 130.0 << false << 130.0 << 326.0 << 354.0 << 66.0
                         << 308.0;
}

void TestMainWindowLayout::detailLayout()
{
    QFETCH(QSizeF, size);
    QFETCH(qreal, cardHeight);
    const Detail layout = MainWindowLayout::detailLayout(size.width(), size.height(), cardHeight);
    QTEST(layout.compact, "compact");
    QTEST(layout.insightHeight, "insight");
    QTEST(layout.heroHeight, "hero");
    QTEST(layout.strip.y(), "stripY");
    QTEST(layout.strip.height(), "stripHeight");
    QTEST(layout.footer.y(), "footerY");
    // Stacked from the top: hero, gap, insight, gap, strip.
    QCOMPARE(layout.hero.top() + layout.hero.height(), size.height());
    QCOMPARE(layout.insight.y() + layout.insight.height() + layout.gap, layout.hero.y());
    QCOMPARE(layout.strip.y() + layout.strip.height() + layout.gap, layout.insight.y());
    QCOMPARE(layout.footer.height(), 34.0);
    QCOMPARE(layout.hero.width(), size.width());
}

void TestMainWindowLayout::heroHeader_data()
{
    QTest::addColumn<qreal>("width");
    QTest::addColumn<qreal>("symbolWidth");
    QTest::addColumn<qreal>("boardWidth");
    QTest::addColumn<qreal>("dailyWidth");
    QTest::addColumn<Header>("expected");

    // showsBoard, showsDaily, symbolX, boardX, boardWidth, dailyX, dailyWidth, nameWidth
    QTest::newRow("both fit") << 584.0 << 60.0 << 100.0 << 90.0
                              << Header{true, true, 246, 312, 100, 416, 90, 210};
    // Room 166: the excess 126 comes off the board badge down to 70, the rest (28) off the
    // daily badge.
    QTest::newRow("both squeezed")
        << 400.0 << 60.0 << 168.0 << 120.0 << Header{true, true, 90, 156, 70, 230, 92, 54};
    // Room 62 shows the daily badge only, cut to the room; 61 shows neither.
    QTest::newRow("room 62 daily only")
        << 296.0 << 60.0 << 120.0 << 90.0 << Header{false, true, 90, 0, 0, 156, 62, 54};
    QTest::newRow("room 61 none") << 295.0 << 60.0 << 120.0 << 90.0
                                  << Header{false, false, 151, 0, 0, 0, 0, 115};
}

void TestMainWindowLayout::heroHeader()
{
    QFETCH(qreal, width);
    QFETCH(qreal, symbolWidth);
    QFETCH(qreal, boardWidth);
    QFETCH(qreal, dailyWidth);
    QTEST(MainWindowLayout::heroHeaderLayout(width, symbolWidth, boardWidth, dailyWidth),
          "expected");
}

void TestMainWindowLayout::contextBadgeWidth()
{
    // Rounded up, between 52 and 168; the title column between 24 and 38.
    QCOMPARE(MainWindowLayout::contextBadgeWidthForTextWidths(10.2, 30.4), 69);
    QCOMPARE(MainWindowLayout::contextBadgeWidthForTextWidths(40, 200), 168);
    QCOMPARE(MainWindowLayout::contextBadgeTitleWidthForTextWidth(3), 24.0);
    QCOMPARE(MainWindowLayout::contextBadgeTitleWidthForTextWidth(40), 38.0);
    // Measured: a missing value is measured as the "--" it shows.
    QCOMPARE(MainWindowLayout::strategyContextBadgeWidth(u"日线"_s, QString()),
             MainWindowLayout::strategyContextBadgeWidth(u"日线"_s, u"--"_s));
}

void TestMainWindowLayout::heroFacts()
{
    // Six columns share W - 48 until that reaches 560, then hold at 93.333...
    QCOMPARE(MainWindowLayout::heroFactColumnWidth(607), 559.0 / 6);
    QCOMPARE(MainWindowLayout::heroFactColumnWidth(1200), 560.0 / 6);
    // The chart well keeps 86 in a short card.
    QCOMPARE(MainWindowLayout::heroChartWellHeight(220), 86.0);
    // Strip metrics: four columns of floor((W - 64) / 4) 12 apart.
    QCOMPARE(MainWindowLayout::stripMetricFrame(3, 584, 66), QRectF(440, 10, 130, 46));
}

void TestMainWindowLayout::rowColumnsAndTags_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Tag>("colors");
    const Tag red{u"211617"_s, u"5B3135"_s, u"F0A6AA"_s};
    const Tag amber{u"211B16"_s, u"5B4530"_s, u"F1C089"_s};
    const Tag slate{u"181B23"_s, u"334055"_s, u"B8C7E3"_s};
    const Tag green{u"1A2118"_s, u"35563A"_s, u"9DE2AA"_s};
    const Tag other{u"151A24"_s, u"283042"_s, u"A9B4C7"_s};
    QTest::newRow("不追高 amber and short") << u"不追高"_s << u"不追"_s << amber;
    QTest::newRow("risk before confirm") << u"风险待确认"_s << u"风险待确认"_s << red;
    QTest::newRow("转弱 before 观望") << u"转弱观望"_s << u"转弱观望"_s << red;
    QTest::newRow("等确认") << u"等确认"_s << u"等确认"_s << slate;
    QTest::newRow("可跟踪") << u"可跟踪"_s << u"可跟踪"_s << green;
    QTest::newRow("anything else") << u"持有"_s << u"持有"_s << other;
}

void TestMainWindowLayout::rowColumnsAndTags()
{
    QFETCH(QString, status);
    QTEST(MainWindowLayout::rowTagText(status), "text");
    QTEST(MainWindowLayout::rowTagColors(status), "colors");
}

void TestMainWindowLayout::rowPriceShrinksToFit()
{
    // A price 4.8 pt wide per point of size: 72 at 15 is too wide, 60 at 12.5 fits.
    QCOMPARE(MainWindowLayout::rowPriceFontSizeForWidth([](qreal size) { return size * 4.8; }),
             12.5);
    // Never below 11, however long.
    QCOMPARE(MainWindowLayout::rowPriceFontSizeForWidth([](qreal) { return 500.0; }), 11.0);
    // Measured: a five-digit price fits its column at the size chosen for it.
    const QString price = u"12345.67"_s;
    const qreal size = MainWindowLayout::rowPriceFontSize(price);
    QVERIFY(size < 15);
    QVERIFY(KSTextWidth(price, KSMonospacedDigitFont(size, FontWeight::Semibold)) <= 62);
    QCOMPARE(MainWindowLayout::rowPriceFontSize(u"--"_s), 15.0);

    // The empty workbench's introduction keeps clear of the steps panel at W - 236.
    QCOMPARE(MainWindowLayout::emptyWorkbenchTextWidth(800), 420.0);
    QVERIFY(36 + MainWindowLayout::emptyWorkbenchTextWidth(584) < 584 - 236);
}

void TestMainWindowLayout::listDocument()
{
    // The 330-pt row: change 228, price 154, the tag held at 94, text 78.
    QCOMPARE(MainWindowLayout::rowColumns(330), (MainWindowLayout::RowColumns{228, 154, 94, 78}));
    QCOMPARE(MainWindowLayout::rowColumns(400), (MainWindowLayout::RowColumns{298, 224, 158, 132}));
    // 528 high list (window 720): eight rows fill 520, nine scroll.
    QCOMPARE(MainWindowLayout::listHeight(720), 528.0);
    QCOMPARE(MainWindowLayout::listDocumentHeight(8, 528), 528.0);
    QVERIFY(!MainWindowLayout::listScrolls(8, 528));
    QCOMPARE(MainWindowLayout::listDocumentHeight(9, 528), 586.0);
    QVERIFY(MainWindowLayout::listScrolls(9, 528));
    QCOMPARE(MainWindowLayout::workbenchFrame(QSizeF(980, 720)), QRectF(372, 24, 584, 626));
    QCOMPARE(MainWindowLayout::viewSize(QSizeF(900, 400)), QSizeF(980, 560));
}

void TestMainWindowLayout::frameString()
{
    QCOMPARE(KSRectFromFrameString(u"{{-50.5, 12}, {1024, 768.25}}"_s),
             QRectF(-50.5, 12, 1024, 768.25));
    for (const QString &bad : {QString(), u"frame"_s, u"{{1, 2}, {0, 4}}"_s,
                               u"{{1, 2}, {3, nan}}"_s, u"{{1, 2}, {3, 4}} x"_s})
        QVERIFY2(!KSRectFromFrameString(bad), qPrintable(bad));
    const QRectF rect(120, 64, 980, 748);
    QCOMPARE(KSFrameStringForRect(rect), u"{{120, 64}, {980, 748}}"_s);
    QCOMPARE(KSRectFromFrameString(KSFrameStringForRect(rect)), rect);

    // A frame right of the one screen shows once a second screen stands there.
    const QRectF right = *KSRectFromFrameString(u"{{1000, 0}, {980, 720}}"_s);
    const QList<QRect> one{QRect(0, 0, 800, 600)};
    QVERIFY(!KSMainWindowFrameIsVisible(right, one, 600));
    QVERIFY(KSMainWindowFrameIsVisible(right, one + QList<QRect>{QRect(800, 0, 1024, 768)}, 600));
}

void TestMainWindowLayout::frameVisibility_data()
{
    QTest::addColumn<QString>("frame");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QRect>("onScreen");
    // One 800 x 600 screen: a stored y of 0 means the window's bottom edge sits on the
    // screen's bottom edge.
    QTest::newRow("980 x 560 is enough")
        << u"{{10, 20}, {980, 560}}"_s << true << QRect(10, 20, 980, 560);
    QTest::newRow("too narrow") << u"{{0, 0}, {979, 720}}"_s << false << QRect(0, -120, 979, 720);
    QTest::newRow("too low") << u"{{0, 0}, {980, 559}}"_s << false << QRect(0, 41, 980, 559);
    QTest::newRow("touching the left edge only")
        << u"{{-980, 0}, {980, 720}}"_s << false << QRect(-980, -120, 980, 720);
}

void TestMainWindowLayout::frameVisibility()
{
    QFETCH(QString, frame);
    const QRectF stored = *KSRectFromFrameString(frame);
    const QList<QRect> screens{QRect(0, 0, 800, 600)};
    QTEST(KSMainWindowFrameIsVisible(stored, screens, 600), "visible");
    QTEST(KSScreenRectForStoredFrame(stored, 600), "onScreen");
    QCOMPARE(KSStoredFrameForScreenRect(KSScreenRectForStoredFrame(stored, 600), 600), stored);
}

QTEST_MAIN(TestMainWindowLayout)
#include "tst_mainwindowlayout.moc"
