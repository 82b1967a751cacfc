#include "WidgetSnapshot.h"

#include "model/Quote.h"
#include "ui/FlatButton.h"
#include "ui/FlippedView.h"
#include "ui/Frames.h"
#include "ui/GridBackgroundView.h"
#include "ui/HintIconButton.h"
#include "ui/HoverButton.h"
#include "ui/HoverPanel.h"
#include "ui/HoverStyle.h"
#include "ui/Label.h"
#include "ui/LinearGridView.h"
#include "ui/Panel.h"
#include "ui/ShapeLayer.h"
#include "ui/SparkleIconView.h"
#include "ui/TextView.h"
#include "ui/Toolkit.h"
#include "ui/Typography.h"

#include <QAbstractAnimation>
#include <QFontMetricsF>
#include <QGraphicsDropShadowEffect>
#include <QGraphicsOpacityEffect>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

bool near(qreal a, qreal b, qreal tolerance = 0.002)
{
    return std::abs(a - b) <= tolerance;
}

// A dark surface of a fixed size, the way every page starts.
std::unique_ptr<Panel> makeSurface(int width = 380, int height = 240)
{
    auto surface = std::make_unique<Panel>();
    surface->resize(width, height);
    surface->setBackgroundColor(Toolkit::colorWithHex(u"090A0F"_s));
    surface->setBorderWidth(0);
    return surface;
}

QRgb rgbOf(const QString &hex)
{
    return Toolkit::colorWithHex(hex).rgb();
}

} // namespace

class TestToolkit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void colorWithHex_data();
    void colorWithHex();
    void accentForChangePercent_data();
    void accentForChangePercent();

    void framesFlipOnceFromBottomLeft();
    void framesInFlippedParentsStayAsGiven();

    void fontsUsePointSizesAndChineseFallback();
    void monospacedDigitsShareOneAdvance();

    void label();
    void labelTruncatesAtEndOnlyWhenAsked();
    void textViewSpacing();

    void panelRaisedThreshold_data();
    void panelRaisedThreshold();

    void buttonFactories_data();
    void buttonFactories();
    void moreButtonDots();

    void gridBaseOpacity_data();
    void gridBaseOpacity();
    void gridHoverOpacity_data();
    void gridHoverOpacity();
    void gridBackgroundFillsAndFollowsItsTarget();
    void gridBackgroundFollowsPointerOverChildren();
    void linearGridLines();

    void priceFlash_data();
    void priceFlash();

    void strokeAnimationHoldsThenDraws();
    void sameKeyReplacesRunningAnimation();
    void layerOpacityAnimation();
    void viewOpacityOnPlainWidgetUsesTemporaryEffect();
    void viewOpacityLeavesShadowedWidgetAlone();

    void hoverTransitions_data();
    void hoverTransitions();

    void sparkleGlyphExtents();
    void partialPathFollowsLength();

    void renders_data();
    void renders();

private:
    QTemporaryDir m_dir;
};

void TestToolkit::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Keep the pictures for a look by eye when asked.
    if (qEnvironmentVariableIsSet("KESTRUM_KEEP_SNAPSHOTS")) {
        m_dir.setAutoRemove(false);
        qInfo("snapshots in %s", qPrintable(m_dir.path()));
    }
}

void TestToolkit::colorWithHex_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("green");
    QTest::addColumn<int>("blue");
    QTest::newRow("rise") << u"F87171"_s << 248 << 113 << 113;
    QTest::newRow("lower case") << u"34d399"_s << 52 << 211 << 153;
    QTest::newRow("empty is black") << QString() << 0 << 0 << 0;
    QTest::newRow("not hex is black") << u"zz1234"_s << 0 << 0 << 0;
    QTest::newRow("hash does not scan") << u"#F87171"_s << 0 << 0 << 0;
    QTest::newRow("0x prefix") << u"0x00FF00"_s << 0 << 255 << 0;
    QTest::newRow("leading blanks") << u"  0B0D12"_s << 11 << 13 << 18;
    QTest::newRow("stops at first non-hex") << u"FCA5A5zz"_s << 252 << 165 << 165;
    QTest::newRow("short string is a small number") << u"1A2"_s << 0 << 1 << 162;
    QTest::newRow("overflow saturates") << u"FFFFFFFFFFFF"_s << 255 << 255 << 255;
}

void TestToolkit::colorWithHex()
{
    QFETCH(QString, hex);
    QFETCH(int, red);
    QFETCH(int, green);
    QFETCH(int, blue);
    const QColor color = Toolkit::colorWithHex(hex);
    QVERIFY(color.isValid());
    QCOMPARE(color.red(), red);
    QCOMPARE(color.green(), green);
    QCOMPARE(color.blue(), blue);
    QCOMPARE(color.alpha(), 255);
}

void TestToolkit::accentForChangePercent_data()
{
    QTest::addColumn<double>("percent");
    QTest::addColumn<QString>("hex");
    QTest::newRow("unchanged") << 0.0 << u"A1A6B8"_s;
    QTest::newRow("tiny rise is neutral") << 0.00009 << u"A1A6B8"_s;
    QTest::newRow("tiny fall is neutral") << -0.00009 << u"A1A6B8"_s;
    QTest::newRow("rise at the bound") << 0.0001 << u"F87171"_s;
    QTest::newRow("fall at the bound") << -0.0001 << u"34D399"_s;
    QTest::newRow("fall") << -2.5 << u"34D399"_s;
}

void TestToolkit::accentForChangePercent()
{
    QFETCH(double, percent);
    QFETCH(QString, hex);
    QCOMPARE(Toolkit::accentHexForChangePercent(percent), hex);
}

void TestToolkit::framesFlipOnceFromBottomLeft()
{
    // The popover's title sits at (18, H - 39, 44, 20) in a page 430 high.
    QCOMPARE(KSFlipFrame(QRectF(18, 391, 44, 20), 430), QRectF(18, 19, 44, 20));
    QCOMPARE(KSFlipPoint(QPointF(5, 0), 100), QPointF(5, 100));

    auto surface = makeSurface(380, 430);
    Label *label = Toolkit::labelWithFrame(surface.get(), QRectF(18, 391, 44, 20), u"澄川"_s, 14,
                                           FontWeight::Semibold, Qt::white);
    QCOMPARE(label->geometry(), QRect(18, 19, 44, 20));
    // Half points round to whole pixels at both edges.
    Panel *panel =
        Toolkit::panelWithFrame(surface.get(), QRectF(10.5, 40.5, 20, 13), Qt::red, Qt::red, 0);
    QCOMPARE(panel->geometry(), QRect(11, 377, 20, 13));
    QCOMPARE(KSGeometryForFrame(nullptr, QRectF(3, 4, 5, 6)), QRect(3, 4, 5, 6));
}

void TestToolkit::framesInFlippedParentsStayAsGiven()
{
    FlippedView document;
    document.resize(352, 306);
    QVERIFY(KSIsFlipped(&document));
    Panel *row =
        Toolkit::panelWithFrame(&document, QRectF(0, 52, 352, 46), Qt::black, Qt::black, 8);
    QCOMPARE(row->geometry(), QRect(0, 52, 352, 46));
    GridBackgroundView grid;
    SparkleIconView sparkle;
    QVERIFY(KSIsFlipped(&grid));
    QVERIFY(KSIsFlipped(&sparkle));
    QVERIFY(!KSIsFlipped(row));
}

void TestToolkit::fontsUsePointSizesAndChineseFallback()
{
    const QFont font = KSSystemFont(13, FontWeight::Medium);
    QCOMPARE(font.pixelSize(), 13);
    QCOMPARE(font.weight(), QFont::Medium);
    QVERIFY(font.families().contains(u"Noto Sans CJK SC"_s));
    QCOMPARE(KSSystemFont(9).weight(), QFont::Normal);
    QCOMPARE(KSSystemFont(34, FontWeight::Semibold).weight(), QFont::DemiBold);
    // Chinese text gets real glyphs of a sensible width, not boxes of zero advance.
    const qreal han = KSTextWidth(u"自选列表"_s, KSSystemFont(11));
    QVERIFY2(han > 4 * 8 && han < 4 * 14, qPrintable(QString::number(han)));
}

void TestToolkit::monospacedDigitsShareOneAdvance()
{
    const QFont font = KSMonospacedDigitFont(15, FontWeight::Semibold);
    QCOMPARE(font.pixelSize(), 15);
    QVERIFY(font.families().contains(u"Noto Sans CJK SC"_s));
    const QFontMetricsF metrics(font);
    QCOMPARE(metrics.horizontalAdvance(u"1111.11"_s), metrics.horizontalAdvance(u"8888.88"_s));
}

void TestToolkit::label()
{
    auto surface = makeSurface();
    Label *label = Toolkit::labelWithFrame(surface.get(), QRectF(94, 200, 206, 16), QString(), 10,
                                           FontWeight::Regular, Toolkit::colorWithHex(u"596174"_s),
                                           Qt::AlignRight);
    QCOMPARE(label->parentWidget(), surface.get());
    QVERIFY(label->isVisibleTo(surface.get()));
    QCOMPARE(label->text(), QString());
    QCOMPARE(label->color().rgb(), rgbOf(u"596174"_s));
    QCOMPARE(label->font().pixelSize(), 10);
    QCOMPARE(label->alignment(), Qt::AlignRight);
    QCOMPARE(label->geometry(), QRect(94, 24, 206, 16));
    // Labels never take the pointer, so rows and buttons under them stay clickable.
    QVERIFY(label->testAttribute(Qt::WA_TransparentForMouseEvents));
}

void TestToolkit::labelTruncatesAtEndOnlyWhenAsked()
{
    auto surface = makeSurface();
    const QString name = u"贵州茅台酒股份有限公司长名称测试"_s;
    Label *label = Toolkit::labelWithFrame(surface.get(), QRectF(16, 20, 60, 16), name, 13,
                                           FontWeight::Medium, Qt::white);
    QCOMPARE(label->displayedText(), name);
    label->setTruncatesAtEnd(true);
    const QString shown = label->displayedText();
    QVERIFY(shown.endsWith(u"…"_s));
    QVERIFY(KSTextWidth(shown, label->font()) <= 60);
    label->setText(u"多行\n文本"_s);
    label->setTruncatesAtEnd(false);
    QCOMPARE(label->displayedText(), u"多行 文本"_s);
}

void TestToolkit::textViewSpacing()
{
    auto surface = makeSurface();
    TextView *view = Toolkit::textViewWithFrame(surface.get(), QRectF(36, 126, 300, 42),
                                                u"添加后，桌面端会直接进入单票沉浸查看。"_s, 12,
                                                Toolkit::colorWithHex(u"AAB1C3"_s));
    QCOMPARE(view->lineSpacing(), 4.0);
    QCOMPARE(view->paragraphSpacing(), 5.0);
    QCOMPARE(view->font().pixelSize(), 12);
    QCOMPARE(view->font().weight(), QFont::Normal);

    const QFont font = KSSystemFont(12);
    const qreal one = TextView::layoutSize(u"甲"_s, font, 300, 4, 5).height();
    QVERIFY(one > 0);
    // Spacing sits between lines and between paragraphs, never after the last line.
    const qreal twoParagraphs = TextView::layoutSize(u"甲\n乙"_s, font, 300, 4, 5).height();
    QVERIFY2(near(twoParagraphs, 2 * one + 4 + 5, 1.01),
             qPrintable(u"%1 vs %2"_s.arg(twoParagraphs).arg(one)));
    const QString longLine(40, QChar(0x7532));
    const QSizeF wrapped = TextView::layoutSize(longLine, font, 12 * 30, 4, 5);
    QVERIFY2(near(wrapped.height(), 2 * one + 4, 1.01),
             qPrintable(QString::number(wrapped.height())));
    QVERIFY(wrapped.width() <= 12 * 30);
    QCOMPARE(TextView::layoutSize(QString(), font, 300, 4, 5), QSizeF());
}

void TestToolkit::panelRaisedThreshold_data()
{
    QTest::addColumn<double>("height");
    QTest::addColumn<double>("radius");
    QTest::addColumn<bool>("raised");
    QTest::newRow("28 high, radius 7") << 28.0 << 7.0 << true;
    QTest::newRow("27 high") << 27.0 << 7.0 << false;
    QTest::newRow("radius 6.5") << 28.0 << 6.5 << false;
    QTest::newRow("card") << 250.0 << 9.0 << true;
    QTest::newRow("pill") << 20.0 << 10.0 << false;
}

void TestToolkit::panelRaisedThreshold()
{
    QFETCH(double, height);
    QFETCH(double, radius);
    QFETCH(bool, raised);
    auto surface = makeSurface(380, 400);
    Panel *panel = Toolkit::panelWithFrame(surface.get(), QRectF(14, 10, 352, height),
                                           Toolkit::colorWithHex(u"101116"_s),
                                           Toolkit::colorWithHex(u"202431"_s), radius);
    QCOMPARE(Toolkit::isRaisedPanel(height, radius), raised);
    QCOMPARE(panel->cornerRadius(), radius);
    QCOMPARE(panel->borderWidth(), 1.0);
    QCOMPARE(panel->backgroundColor().rgb(), rgbOf(u"101116"_s));
    QCOMPARE(panel->borderColor().rgb(), rgbOf(u"202431"_s));
    QCOMPARE(panel->hasShadow(), raised);
    auto *shadow = qobject_cast<QGraphicsDropShadowEffect *>(panel->graphicsEffect());
    QCOMPARE(shadow != nullptr, raised);
    if (raised) {
        QVERIFY(near(panel->backgroundColor().alphaF(), 0.94));
        QVERIFY(near(panel->borderColor().alphaF(), 0.78));
        QVERIFY(near(panel->shadowOpacity(), 0.04));
        QCOMPARE(panel->shadowRadius(), 8.0);
        QCOMPARE(shadow->color().rgb(), rgbOf(u"05070B"_s));
        // Three points up in the frame's terms is three pixels up on screen.
        QCOMPARE(shadow->offset(), QPointF(0, -3));
    } else {
        QCOMPARE(panel->backgroundColor().alpha(), 255);
        QCOMPARE(panel->borderColor().alpha(), 255);
    }
}

void TestToolkit::buttonFactories_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("fontSize");
    QTest::addColumn<int>("weight");
    QTest::addColumn<QString>("background");
    QTest::addColumn<QString>("border");
    QTest::newRow("footer") << 0 << 13 << int(QFont::Medium) << u"151823"_s << u"2A2F40"_s;
    QTest::newRow("text") << 1 << 12 << int(QFont::Medium) << u"10121A"_s << u"242837"_s;
    QTest::newRow("icon") << 2 << 18 << int(QFont::DemiBold) << u"151823"_s << u"2A2F40"_s;
}

void TestToolkit::buttonFactories()
{
    QFETCH(int, kind);
    QFETCH(int, fontSize);
    QFETCH(int, weight);
    QFETCH(QString, background);
    QFETCH(QString, border);
    auto surface = makeSurface(380, 484);
    const QRectF frame(14, 16, 352, 32);
    FlatButton *button = kind == 0 ? Toolkit::footerButton(surface.get(), u"打开行情页"_s, frame)
                         : kind == 1 ? Toolkit::textButton(surface.get(), u"管理"_s, frame)
                                     : Toolkit::iconButton(surface.get(), u"+"_s, frame);
    QCOMPARE(button->geometry(), QRect(14, 436, 352, 32));
    QCOMPARE(button->font().pixelSize(), fontSize);
    QCOMPARE(int(button->font().weight()), weight);
    QCOMPARE(button->titleColor().rgb(), rgbOf(u"D7DAE5"_s));
    QCOMPARE(button->backgroundColor().rgb(), rgbOf(background));
    QCOMPARE(button->borderColor().rgb(), rgbOf(border));
    QCOMPARE(button->cornerRadius(), 7.0);
    QCOMPARE(button->borderWidth(), 1.0);

    button->setIdentifier(u"sh600519"_s);
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    surface->show();
    QVERIFY(QTest::qWaitForWindowExposed(surface.get()));
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(button->identifier(), u"sh600519"_s);
}

void TestToolkit::moreButtonDots()
{
    auto surface = makeSurface(380, 430);
    FlatButton *button = Toolkit::moreButtonWithFrame(surface.get(), QRectF(344, 389, 20, 22));
    QVERIFY(button->text().isEmpty());
    QCOMPARE(button->cornerRadius(), 6.0);
    auto *dots = button->findChild<ShapeLayer *>(u"moreDots"_s);
    QVERIFY(dots);
    QCOMPARE(dots->fillBrush().color().rgb(), rgbOf(u"A6ABBA"_s));
    // x = floor((20 - 14.6) / 2) + 6i = 2, 8, 14; y = floor((22 - 2.6) / 2) = 9 from the bottom.
    const QRectF bounds = dots->path().boundingRect();
    QVERIFY(near(bounds.left(), 2) && near(bounds.right(), 16.6));
    QVERIFY(near(bounds.bottom(), 22 - 9) && near(bounds.height(), 2.6));
    QVERIFY(dots->testAttribute(Qt::WA_TransparentForMouseEvents));
}

void TestToolkit::gridBaseOpacity_data()
{
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("height");
    QTest::addColumn<double>("opacity");
    QTest::newRow("top") << 0.0 << 400.0 << 0.2;
    QTest::newRow("middle") << 200.0 << 400.0 << 0.25;
    QTest::newRow("bottom") << 400.0 << 400.0 << 0.3;
    QTest::newRow("below the view") << 900.0 << 400.0 << 0.3;
    QTest::newRow("above the view") << -10.0 << 400.0 << 0.2;
    QTest::newRow("no height") << 10.0 << 0.0 << 0.2;
}

void TestToolkit::gridBaseOpacity()
{
    QFETCH(double, y);
    QFETCH(double, height);
    QFETCH(double, opacity);
    QVERIFY(near(GridBackgroundView::baseOpacityAtY(y, height), opacity, 1e-9));
}

void TestToolkit::gridHoverOpacity_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<bool>("hovering");
    QTest::addColumn<double>("opacity");
    QTest::newRow("not hovering") << 0.0 << false << 0.0;
    QTest::newRow("under the pointer") << 0.0 << true << 0.8;
    QTest::newRow("halfway") << 100.0 << true << 0.2;
    QTest::newRow("199 pt away") << 199.0 << true << 0.8 * (1.0 / 200) * (1.0 / 200);
    QTest::newRow("200 pt away") << 200.0 << true << 0.0;
    QTest::newRow("far away") << 1000.0 << true << 0.0;
}

void TestToolkit::gridHoverOpacity()
{
    QFETCH(double, distance);
    QFETCH(bool, hovering);
    QFETCH(double, opacity);
    // Along a diagonal, so both axes count.
    const QPointF pointer(300, 200);
    const QPointF line(pointer.x() + distance * 0.6, pointer.y() + distance * 0.8);
    QVERIFY(
        near(GridBackgroundView::hoverOpacityForLinePoint(line, hovering, pointer), opacity, 1e-9));
}

void TestToolkit::gridBackgroundFillsAndFollowsItsTarget()
{
    auto surface = makeSurface(380, 430);
    Panel *first =
        Toolkit::panelWithFrame(surface.get(), QRectF(14, 10, 100, 40), Qt::black, Qt::black, 8);
    GridBackgroundView *grid = Toolkit::addSubtleGridBackgroundToView(surface.get());
    QVERIFY(grid);
    QCOMPARE(grid->geometry(), surface->rect());
    // Below every other child, whenever it was added.
    QCOMPARE(surface->children().indexOf(grid) < surface->children().indexOf(first), true);
    QVERIFY(grid->testAttribute(Qt::WA_TransparentForMouseEvents));
    surface->show();
    QVERIFY(QTest::qWaitForWindowExposed(surface.get()));
    surface->resize(500, 600);
    QTRY_COMPARE_WITH_TIMEOUT(grid->geometry(), QRect(0, 0, 500, 600), 2000);
    QVERIFY(!Toolkit::addSubtleGridBackgroundToView(nullptr));
}

void TestToolkit::gridBackgroundFollowsPointerOverChildren()
{
    auto surface = makeSurface(380, 430);
    GridBackgroundView *grid = Toolkit::addSubtleGridBackgroundToView(surface.get());
    Panel *card =
        Toolkit::panelWithFrame(surface.get(), QRectF(14, 100, 352, 250), Qt::black, Qt::black, 9);
    surface->show();
    QVERIFY(QTest::qWaitForWindowExposed(surface.get()));

    // The pointer over a child still lights the grid underneath.
    QTest::mouseMove(card, QPoint(40, 30));
    QTRY_VERIFY_WITH_TIMEOUT(grid->isHovering(), 2000);
    QCOMPARE(grid->hoverPoint(), QPointF(card->mapTo(surface.get(), QPoint(40, 30))));

    grid->clearHover();
    QVERIFY(!grid->isHovering());
    grid->setHoverPoint(QPointF(5, 6));
    QVERIFY(grid->isHovering());
    QCOMPARE(grid->hoverPoint(), QPointF(5, 6));
}

void TestToolkit::linearGridLines()
{
    const QVector<LinearGridView::Line> lines = LinearGridView::linesForSize(QSizeF(332, 86));
    QCOMPARE(lines.size(), 16);
    for (int i = 1; i <= 11; ++i) {
        const LinearGridView::Line &line = lines.at(i - 1);
        QCOMPARE(line.frame, QRectF(std::floor(332.0 * i / 12), 0, 1, 86));
        const bool strong = i % 3 == 0;
        QCOMPARE(line.color.rgb(), rgbOf(strong ? u"212A3B"_s : u"171E2B"_s));
        QCOMPARE(line.opacity, strong ? 0.28 : 0.12);
    }
    for (int j = 1; j <= 5; ++j) {
        const LinearGridView::Line &line = lines.at(10 + j);
        QCOMPARE(line.frame, QRectF(0, std::floor(86.0 * j / 6), 332, 1));
        QCOMPARE(line.color.rgb(), rgbOf(j == 3 ? u"232D40"_s : u"171E2B"_s));
        QCOMPARE(line.opacity, j == 3 ? 0.28 : 0.12);
    }
}

void TestToolkit::priceFlash_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<bool>("flashes");
    QTest::addColumn<QString>("stroke");
    QTest::newRow("rise") << u"sh600519"_s << true << u"FCA5A5"_s;
    QTest::newRow("fall") << u"hk00700"_s << true << u"6EE7B7"_s;
    QTest::newRow("no recent move") << u"gb_aapl"_s << false << QString();
}

void TestToolkit::priceFlash()
{
    QFETCH(QString, symbol);
    QFETCH(bool, flashes);
    QFETCH(QString, stroke);
    const QHash<QString, int> directions{{u"sh600519"_s, 1}, {u"hk00700"_s, -1}};
    Quote quote;
    quote.symbol = symbol;
    auto surface = makeSurface(380, 430);
    Panel *row = Toolkit::panelWithFrame(surface.get(), QRectF(14, 100, 352, 46),
                                         Toolkit::colorWithHex(u"101116"_s),
                                         Toolkit::colorWithHex(u"202431"_s), 8);
    QVERIFY(!Toolkit::addPriceFlashIfNeededForQuote(quote, directions, nullptr, QRectF()));
    ShapeLayer *flash =
        Toolkit::addPriceFlashIfNeededForQuote(quote, directions, row, QRectF(0, 0, 352, 46));
    QCOMPARE(flash != nullptr, flashes);
    if (!flash)
        return;
    QCOMPARE(flash->parentWidget(), row);
    QCOMPARE(flash->geometry(), QRect(0, 0, 352, 46));
    QCOMPARE(flash->strokeColor().rgb(), rgbOf(stroke));
    QCOMPARE(flash->lineWidth(), 1.2);
    QCOMPARE(flash->fillBrush().style(), Qt::NoBrush);
    QCOMPARE(flash->path().boundingRect(), QRectF(1, 1, 350, 44));
    QCOMPARE(flash->glowColor().rgb(), rgbOf(stroke));
    QVERIFY(near(flash->glowOpacity(), 0.28));
    QCOMPARE(flash->glowRadius(), 8.0);
    // It flashes at once and fades back to its resting opacity of 0.
    QVERIFY(flash->opacity() > 0.3);
    QVERIFY(flash->findChild<QAbstractAnimation *>(u"priceGlow"_s));
    QTRY_COMPARE_WITH_TIMEOUT(flash->opacity(), 0.0, 3000);
    QTRY_VERIFY_WITH_TIMEOUT(!flash->findChild<QAbstractAnimation *>(u"priceGlow"_s), 3000);
}

void TestToolkit::strokeAnimationHoldsThenDraws()
{
    auto surface = makeSurface();
    auto *layer = new ShapeLayer(surface.get());
    layer->setStrokeEnd(0.4);
    QAbstractAnimation *animation = Toolkit::animateStrokeLayer(layer, 0.2, 0.3);
    QVERIFY(animation);
    QCOMPARE(animation->objectName(), u"chartStrokeDraw"_s);
    // Until the delay has passed the line stays undrawn.
    QCOMPARE(layer->strokeEnd(), 0.0);
    QTest::qWait(100);
    QCOMPARE(layer->strokeEnd(), 0.0);
    QTRY_COMPARE_WITH_TIMEOUT(layer->strokeEnd(), 1.0, 3000);
    QVERIFY(!Toolkit::animateStrokeLayer(nullptr, 1, 0));
}

void TestToolkit::sameKeyReplacesRunningAnimation()
{
    auto surface = makeSurface();
    auto *layer = new ShapeLayer(surface.get());
    Toolkit::animateLayerOpacity(layer, 0, 1, 5, 0);
    Toolkit::animateLayerOpacity(layer, 0.2, 0.6, 0.1, 0);
    QCOMPARE(layer->findChildren<QAbstractAnimation *>(u"chartOpacityFade"_s).size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(layer->opacity(), 0.6, 3000);
    // The replaced five-second animation does not come back.
    QTest::qWait(150);
    QCOMPARE(layer->opacity(), 0.6);
}

void TestToolkit::layerOpacityAnimation()
{
    auto surface = makeSurface();
    auto *layer = new ShapeLayer(surface.get());
    QAbstractAnimation *animation = Toolkit::animateLayerOpacity(layer, 0, 0.88, 0.15, 0.05);
    QCOMPARE(animation->objectName(), u"chartOpacityFade"_s);
    QCOMPARE(layer->opacity(), 0.0);
    QTRY_VERIFY_WITH_TIMEOUT(near(layer->opacity(), 0.88, 1e-6), 3000);
}

void TestToolkit::viewOpacityOnPlainWidgetUsesTemporaryEffect()
{
    auto surface = makeSurface();
    auto *plain = new QWidget(surface.get());
    QAbstractAnimation *animation = Toolkit::animateViewOpacity(plain, 0, 1, 0.1, 0);
    QCOMPARE(animation->objectName(), u"viewOpacityFade"_s);
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(plain->graphicsEffect());
    QVERIFY(effect);
    QVERIFY(effect->opacity() < 0.5);
    // Fully shown again, the view paints directly.
    QTRY_VERIFY_WITH_TIMEOUT(!plain->graphicsEffect(), 3000);

    Label *label = Toolkit::labelWithFrame(surface.get(), QRectF(0, 0, 50, 14), u"x"_s, 10,
                                           FontWeight::Regular, Qt::white);
    Toolkit::animateViewOpacity(label, 1, 0.35, 0.1, 0);
    QVERIFY(!label->graphicsEffect());
    QTRY_VERIFY_WITH_TIMEOUT(near(label->opacity(), 0.35, 1e-6), 3000);
}

void TestToolkit::viewOpacityLeavesShadowedWidgetAlone()
{
    auto surface = makeSurface();
    Panel *panel =
        Toolkit::panelWithFrame(surface.get(), QRectF(10, 10, 100, 40), Qt::black, Qt::black, 8);
    QGraphicsEffect *shadow = panel->graphicsEffect();
    QVERIFY(shadow);
    QVERIFY(!Toolkit::animateViewOpacity(panel, 0, 1, 0.1, 0));
    QCOMPARE(panel->graphicsEffect(), shadow);
}

void TestToolkit::hoverTransitions_data()
{
    QTest::addColumn<bool>("button");
    QTest::addColumn<double>("shadowOpacity");
    QTest::addColumn<double>("shadowRadius");
    QTest::newRow("hover button") << true << 0.12 << 12.0;
    QTest::newRow("hover panel") << false << 0.10 << 10.0;
}

void TestToolkit::hoverTransitions()
{
    QFETCH(bool, button);
    QFETCH(double, shadowOpacity);
    QFETCH(double, shadowRadius);
    auto surface = makeSurface(380, 430);
    const QColor normalBackground = Toolkit::colorWithHex(u"101116"_s);
    const QColor normalBorder = Toolkit::colorWithHex(u"202431"_s);
    const QColor hoverBackground = Toolkit::colorWithHex(u"141722"_s);
    const QColor hoverBorder = Toolkit::colorWithHex(u"343A4A"_s);

    QWidget *element = nullptr;
    HoverStyle *style = nullptr;
    std::function<QColor()> background;
    std::function<QColor()> border;
    if (button) {
        auto *row = new HoverButton(surface.get());
        row->setNormalColors(normalBackground, normalBorder);
        row->setHoverColors(hoverBackground, hoverBorder);
        element = row;
        style = row->hoverStyle();
        background = [row] {
            return row->backgroundColor();
        };
        border = [row] {
            return row->borderColor();
        };
        QCOMPARE(row->hoverBackgroundColor(), hoverBackground);
        QCOMPARE(row->normalBorderColor(), normalBorder);
    } else {
        auto *cell = new HoverPanel(surface.get());
        cell->setNormalColors(Qt::transparent, Qt::transparent);
        cell->setNormalColors(normalBackground, normalBorder);
        cell->setHoverColors(hoverBackground, hoverBorder);
        element = cell;
        style = cell->hoverStyle();
        background = [cell] {
            return cell->backgroundColor();
        };
        border = [cell] {
            return cell->borderColor();
        };
    }
    KSPlace(element, QRectF(14, 100, 352, 46));
    QCOMPARE(background(), normalBackground);
    QVERIFY(!element->graphicsEffect());

    style->applyHoverState(true);
    QTRY_COMPARE_WITH_TIMEOUT(background(), hoverBackground, 2000);
    QCOMPARE(border(), hoverBorder);
    QVERIFY(near(style->shadowOpacity(), shadowOpacity, 1e-6));
    QCOMPARE(style->shadowRadius(), shadowRadius);
    auto *shadow = qobject_cast<QGraphicsDropShadowEffect *>(element->graphicsEffect());
    QVERIFY(shadow);
    QCOMPARE(shadow->offset(), QPointF(0, 2));

    style->applyHoverState(false);
    QTRY_COMPARE_WITH_TIMEOUT(background(), normalBackground, 2000);
    QCOMPARE(border(), normalBorder);
    QCOMPARE(style->shadowOpacity(), 0.0);
    QVERIFY(!element->graphicsEffect());

    // Real pointer entry and exit drive the same transitions.
    surface->show();
    QVERIFY(QTest::qWaitForWindowExposed(surface.get()));
    QTest::mouseMove(element, QPoint(20, 20));
    QTRY_VERIFY_WITH_TIMEOUT(style->isHovered(), 2000);
    QTest::mouseMove(surface.get(), QPoint(2, 2));
    QTRY_VERIFY_WITH_TIMEOUT(!style->isHovered(), 2000);
}

void TestToolkit::sparkleGlyphExtents()
{
    const QPainterPath glyph = SparkleIconView::glyphPath();
    const QRectF bounds = glyph.boundingRect();
    QVERIFY(near(bounds.left(), 0.9, 0.01) && near(bounds.top(), 0.9, 0.01));
    QVERIFY(near(bounds.right(), 23.1, 0.01) && near(bounds.bottom(), 23.1, 0.01));
    // The large star fills the top-left, the small one the bottom-right, and they are apart
    // in the middle of the diagonal's far end.
    QVERIFY(glyph.contains(QPointF(9.75, 9.75)));
    QVERIFY(glyph.contains(QPointF(18.95, 18.95)));
    QVERIFY(!glyph.contains(QPointF(3, 21)));
    QVERIFY(!glyph.contains(QPointF(21, 3)));

    SparkleIconView icon;
    QCOMPARE(icon.iconColor().isValid(), false);
    icon.setIconColor(Toolkit::colorWithHex(u"F0B46A"_s));
    icon.resize(16, 16);
    const QImage image = icon.grab().toImage();
    // The large star's centre is drawn in the icon colour.
    const qreal s = 16.0 / 28;
    const QPoint centre(qRound((16 - 24 * s) / 2 + 9.75 * s), qRound((16 - 24 * s) / 2 + 9.75 * s));
    QCOMPARE(QColor(image.pixel(centre)).rgb(), rgbOf(u"F0B46A"_s));
}

void TestToolkit::partialPathFollowsLength()
{
    QPainterPath path;
    path.moveTo(0, 0);
    path.lineTo(100, 0);
    path.lineTo(100, 100);
    QCOMPARE(ShapeLayer::partialPath(path, 0).elementCount(), 0);
    QCOMPARE(ShapeLayer::partialPath(path, 0.25).currentPosition(), QPointF(50, 0));
    QCOMPARE(ShapeLayer::partialPath(path, 0.75).currentPosition(), QPointF(100, 50));
    QCOMPARE(ShapeLayer::partialPath(path, 1).currentPosition(), QPointF(100, 100));
    QCOMPARE(ShapeLayer::partialPath(QPainterPath(), 0.5).elementCount(), 0);
}

void TestToolkit::renders_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind : {"label", "textView", "panel", "gradientPanel", "footerButton",
                             "textButton", "moreButton", "hoverButton", "hoverPanel", "hintButton",
                             "gridBackground", "linearGrid", "sparkle", "priceFlash"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

void TestToolkit::renders()
{
    QFETCH(QString, kind);
    auto surface = makeSurface(380, 240);
    QWidget *host = surface.get();
    const QColor text = Toolkit::colorWithHex(u"DDE1EA"_s);
    if (kind == u"label") {
        Toolkit::labelWithFrame(host, QRectF(14, 100, 352, 20), u"贵州茅台 1688.00 +1.25%"_s, 15,
                                FontWeight::Semibold, text);
    } else if (kind == u"textView") {
        Toolkit::textViewWithFrame(
            host, QRectF(14, 60, 300, 120),
            u"添加后，桌面端会直接进入单票沉浸查看，展示分时走势、主判断、关键价位和澄川观察。\n第二段。"_s,
            12, Toolkit::colorWithHex(u"AAB1C3"_s));
    } else if (kind == u"panel") {
        Toolkit::panelWithFrame(host, QRectF(14, 60, 352, 96), Toolkit::colorWithHex(u"101116"_s),
                                Toolkit::colorWithHex(u"263044"_s), 8);
    } else if (kind == u"gradientPanel") {
        Panel *card = Toolkit::panelWithFrame(host, QRectF(14, 20, 352, 200),
                                              Toolkit::colorWithHex(u"101116"_s),
                                              Toolkit::colorWithHex(u"263044"_s), 9);
        card->setDiagonalGradient({Toolkit::colorWithHex(u"121A2C"_s),
                                   Toolkit::colorWithHex(u"0F1422"_s),
                                   Toolkit::colorWithHex(u"101116"_s)});
    } else if (kind == u"footerButton") {
        Toolkit::footerButton(host, u"打开行情页"_s, QRectF(14, 16, 352, 32));
    } else if (kind == u"textButton") {
        Toolkit::textButton(host, u"‹ 返回"_s, QRectF(14, 198, 58, 24));
    } else if (kind == u"moreButton") {
        Toolkit::moreButtonWithFrame(host, QRectF(344, 197, 20, 22));
    } else if (kind == u"hoverButton") {
        auto *row = new HoverButton(host);
        KSPlace(row, QRectF(14, 100, 352, 46));
        row->setNormalColors(Toolkit::colorWithHex(u"101116"_s),
                             Toolkit::colorWithHex(u"202431"_s));
        row->setHoverColors(Toolkit::colorWithHex(u"141722"_s), Toolkit::colorWithHex(u"343A4A"_s));
        row->setCornerRadius(8);
        Toolkit::labelWithFrame(row, QRectF(14, 24, 128, 16), u"贵州茅台"_s, 13, FontWeight::Medium,
                                text);
        row->applyHoverState(true);
        QTRY_COMPARE_WITH_TIMEOUT(row->backgroundColor(), Toolkit::colorWithHex(u"141722"_s), 2000);
    } else if (kind == u"hoverPanel") {
        auto *cell = new HoverPanel(host);
        KSPlace(cell, QRectF(14, 100, 160, 36));
        cell->setCornerRadius(8);
        QColor hover = Toolkit::colorWithHex(u"121826"_s);
        hover.setAlphaF(0.65f);
        cell->setNormalColors(Qt::transparent, Qt::transparent);
        cell->setHoverColors(hover, Toolkit::colorWithHex(u"2A3448"_s));
        cell->applyHoverState(true);
        QTRY_VERIFY_WITH_TIMEOUT(cell->borderColor() == Toolkit::colorWithHex(u"2A3448"_s), 2000);
    } else if (kind == u"hintButton") {
        auto *hint = new HintIconButton(host);
        KSPlace(hint, QRectF(88, 100, 38, 16));
        hint->setText(u"可跟踪"_s);
        hint->setFont(KSSystemFont(9, FontWeight::Medium));
        hint->setBackgroundColor(Toolkit::colorWithHex(u"1A2118"_s));
        hint->setBorderColor(Toolkit::colorWithHex(u"35563A"_s));
        hint->setTitleColor(Toolkit::colorWithHex(u"9DE2AA"_s));
        hint->setCornerRadius(8);
        hint->setHintText(u"点击查看标签解读"_s);
        QCOMPARE(hint->hintText(), u"点击查看标签解读"_s);
    } else if (kind == u"gridBackground") {
        Toolkit::addSubtleGridBackgroundToView(host);
    } else if (kind == u"linearGrid") {
        Toolkit::linearGridViewWithFrame(host, QRectF(10, 30, 360, 120));
    } else if (kind == u"sparkle") {
        auto *icon = new SparkleIconView(host);
        KSPlace(icon, QRectF(14, 100, 48, 48));
        icon->setIconColor(Toolkit::colorWithHex(u"F0B46A"_s));
    } else if (kind == u"priceFlash") {
        Panel *row = Toolkit::panelWithFrame(host, QRectF(14, 100, 352, 46),
                                             Toolkit::colorWithHex(u"101116"_s),
                                             Toolkit::colorWithHex(u"202431"_s), 8);
        Quote quote;
        quote.symbol = u"sh600519"_s;
        ShapeLayer *flash = Toolkit::addPriceFlashIfNeededForQuote(quote, {{quote.symbol, 1}}, row,
                                                                   QRectF(0, 0, 352, 46));
        // Caught at full strength rather than mid-fade.
        flash->findChild<QAbstractAnimation *>(u"priceGlow"_s)->stop();
        flash->setOpacity(0.55);
    }
    surface->show();
    QVERIFY(QTest::qWaitForWindowExposed(surface.get()));
    // The spot of light where the pointer would be.
    if (auto *grid = host->findChild<GridBackgroundView *>())
        grid->setHoverPoint(QPointF(190, 120));
    const QImage image = WidgetSnapshot::save(surface.get(), m_dir.path(), kind);
    QVERIFY2(!image.isNull(), "could not write the snapshot");
    QVERIFY2(!WidgetSnapshot::isUniform(image), qPrintable(kind + u" drew nothing"_s));
}

QTEST_MAIN(TestToolkit)
#include "tst_toolkit.moc"
