// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Label.h"
#include "ui/MainWindowFrame.h"
#include "ui/MainWindowLayout.h"
#include "ui/MainWindowView.h"
#include "ui/Typography.h"

#include <QtTest>

#include <memory>

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
    void heroPartsNeverOverlap_data();
    void heroPartsNeverOverlap();
    void rowColumnsAndTags_data();
    void rowColumnsAndTags();
    void rowPriceShrinksToFit();
    void listDocument();
    void frameString();
    void frameVisibility_data();
    void frameVisibility();
    void frameClamping_data();
    void frameClamping();
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

void TestMainWindowLayout::heroPartsNeverOverlap_data()
{
    QTest::addColumn<QString>("commentary");
    QTest::newRow("short commentary") << u"分时全天运行在均价线下方。"_s;
    QTest::newRow("long commentary")
        << u"分时全天运行在均价线下方，反弹到均价线附近即回落，结构偏弱。下跌时量能略有放大，"
           "反弹缩量，承接不足。下一步以防守为先，重点看能否重新站回 82.87 上方，"
           "站不回就继续减仓观望，等待新的企稳信号出现后再考虑。"_s;
}

void TestMainWindowLayout::heroPartsNeverOverlap()
{
    // At every window height from the minimum to 720 the price row, the date line, the six
    // facts and the chart well each keep their own room; a short card drops the date line,
    // then the facts, rather than drawing the well over them.
    QFETCH(QString, commentary);
    MainDetailData detail;
    Quote &quote = detail.cards.market.quote;
    quote.symbol = u"sz002460"_s;
    quote.name = u"赣锋锂业"_s;
    quote.price = 82.1;
    quote.previousClose = 84.11;
    quote.open = 83.24;
    quote.date = u"2026-04-28"_s;
    quote.time = u"15:00:00"_s;
    detail.cards.market.accentHex = u"34D399"_s;
    detail.cards.market.boardTag = u"能源金属"_s;
    detail.cards.insight.message = commentary;
    QWidget surface;
    for (int height = MainWindowLayout::kMinimumHeight; height <= 720; ++height) {
        const QSizeF size = MainWindowLayout::viewSize(QSizeF(980, height));
        surface.setFixedSize(size.toSize());
        const std::unique_ptr<QWidget> workbench(MainWindowView::mainDetailViewForQuote(
            &surface, MainWindowLayout::workbenchFrame(size), detail, {}, {}));
        const QWidget *hero = workbench->findChild<QWidget *>(u"heroCard"_s);
        QList<std::pair<QString, QRect>> parts;
        for (const QString &name :
             {u"heroPrice"_s, u"heroStamp"_s, u"factTitle"_s, u"factValue"_s}) {
            for (const Label *label : hero->findChildren<Label *>(name))
                parts.append({name, label->geometry()});
        }
        parts.append({u"well"_s, hero->findChild<QWidget *>(u"heroChartWell"_s)->geometry()});
        for (qsizetype i = 0; i < parts.size(); ++i) {
            for (qsizetype j = i + 1; j < parts.size(); ++j)
                QVERIFY2(!parts[i].second.intersects(parts[j].second),
                         qPrintable(u"%1 pt: %2 over %3"_s.arg(height).arg(parts[i].first,
                                                                           parts[j].first)));
        }
        if (height == 720) // the full card: the date line and all six facts
            QCOMPARE(parts.size(), 1 + 1 + 12 + 1);
    }
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
    // Every buy status once.
    QTest::newRow("不追高 amber and short") << u"不追高"_s << u"不追"_s << amber;
    QTest::newRow("看回踩") << u"看回踩"_s << u"看回踩"_s << amber;
    QTest::newRow("先防守") << u"先防守"_s << u"先防守"_s << red;
    QTest::newRow("等确认") << u"等确认"_s << u"等确认"_s << slate;
    QTest::newRow("数据不足") << u"数据不足"_s << u"数据不足"_s << slate;
    QTest::newRow("可跟踪") << u"可跟踪"_s << u"可跟踪"_s << green;
}

void TestMainWindowLayout::rowColumnsAndTags()
{
    QFETCH(QString, status);
    const ActionStatus value = fromText<ActionStatus>(status).value();
    QTEST(MainWindowLayout::rowTagText(value), "text");
    QTEST(MainWindowLayout::rowTagColors(value), "colors");
}

void TestMainWindowLayout::rowPriceShrinksToFit()
{
    // A price 4.8 pt wide per point of size: 72 at 15 is too wide, 60 at 12.5 fits.
    QCOMPARE(KSFittingFontSize(15, 11, 62, [](qreal size) { return size * 4.8; }), 12.5);
    // Never below 11, however long.
    QCOMPARE(KSFittingFontSize(15, 11, 62, [](qreal) { return 500.0; }), 11.0);
    // Measured: every price the markets produce, up to an index's six digits, ends at the
    // column's right edge and keeps 6 pt to the tag on its left.
    const MainWindowLayout::RowColumns columns = MainWindowLayout::rowColumns(330);
    const qreal room = MainWindowLayout::rowPriceRoom(columns);
    QCOMPARE(columns.priceX + 62 - room, columns.tagX + 58 + MainWindowLayout::kPriceTagGap);
    for (const QString &price :
         {u"9.99"_s, u"82.10"_s, u"1468.20"_s, u"12345.67"_s, u"123456.78"_s}) {
        const qreal size = KSFigureFontSize(price, 15, room);
        QVERIFY2(KSTextWidth(price, KSMonospacedDigitFont(size, FontWeight::Semibold)) <= room,
                 qPrintable(price));
    }
    QCOMPARE(KSFigureFontSize(u"82.10"_s, 15, room), 15.0);

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

void TestMainWindowLayout::frameClamping_data()
{
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QRect>("expected");
    const QRect full(0, 0, 1920, 1080);
    // Saved at 1x, restored at 2x on a screen half as big: the title comes back on screen
    // and the window covers the screen it is wider than.
    QTest::newRow("title above the screen")
        << QRect(100, -224, 980, 600) << QList<QRect>{QRect(0, 0, 960, 540)}
        << QRect(0, 30, 980, 585);
    QTest::newRow("on screen already")
        << QRect(100, 100, 980, 720) << QList<QRect>{full} << QRect(100, 100, 980, 720);
    QTest::newRow("past the second screen's edge")
        << QRect(2900, 400, 980, 700) << QList<QRect>{full, QRect(1920, 0, 1280, 1024)}
        << QRect(2220, 324, 980, 700);
    QTest::newRow("larger than the screen shrinks")
        << QRect(-50, 10, 2400, 1400) << QList<QRect>{full} << QRect(0, 30, 1920, 1050);
}

void TestMainWindowLayout::frameClamping()
{
    QFETCH(QRect, geometry);
    QFETCH(QList<QRect>, screens);
    QTEST(KSClampedWindowGeometry(geometry, QMargins(0, 30, 0, 0), QSize(980, 585), screens),
          "expected");
}

QTEST_MAIN(TestMainWindowLayout)
#include "tst_mainwindowlayout.moc"
