// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Quote.h"
#include "presentation/Palette.h"
#include "ui/FlatButton.h"
#include "ui/Label.h"
#include "ui/Panel.h"
#include "ui/ShapeLayer.h"
#include "ui/Toolkit.h"
#include "ui/Typography.h"

#include "TestSupport.h"
#include "UiTestHelpers.h"

#include <QAbstractAnimation>
#include <QFontMetricsF>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace TestSupport;

class TestToolkit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hex_data()
    {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<int>("red");
        QTest::addColumn<int>("green");
        QTest::addColumn<int>("blue");
        QTest::newRow("lower case") << u"34d399"_s << 52 << 211 << 153;
        QTest::newRow("hash does not scan") << u"#F87171"_s << 0 << 0 << 0;
        QTest::newRow("0x prefix and leading blanks") << u"  0x00FF00"_s << 0 << 255 << 0;
        QTest::newRow("stops at first non-hex") << u"FCA5A5zz"_s << 252 << 165 << 165;
        QTest::newRow("overflow saturates") << u"FFFFFFFFFFFF"_s << 255 << 255 << 255;
    }

    void hex()
    {
        QFETCH(QString, hex);
        QFETCH(int, red);
        QFETCH(int, green);
        QFETCH(int, blue);
        const QColor color = Toolkit::hex(hex);
        QCOMPARE(color, QColor(red, green, blue));
    }

    void accentForChangePercent()
    {
        // Neutral below 0.0001 either way; from there rise red, fall green.
        QCOMPARE(Toolkit::accentHexForChangePercent(-0.00009), u"A1A6B8"_s);
        QCOMPARE(Toolkit::accentHexForChangePercent(0.0001), u"F87171"_s);
        QCOMPARE(Toolkit::accentHexForChangePercent(-0.0001), u"34D399"_s);
    }

    void fontsUsePointSizesAndChineseFallback()
    {
        const QFont font = Typography::systemFont(13, FontWeight::Semibold);
        QCOMPARE(font.pixelSize(), 13);
        QVERIFY(font.families().contains(u"Noto Sans CJK SC"_s));
        // Figures that must not jitter share one advance per digit.
        const QFontMetricsF digits(Typography::monospacedDigitFont(15, FontWeight::Semibold));
        QCOMPARE(digits.horizontalAdvance(u"1111.11"_s), digits.horizontalAdvance(u"8888.88"_s));
    }

    void labelNeverCutsSilently()
    {
        // A label or a button too narrow for its text ends it in "…" within its width.
        auto surface = makeSurface();
        const QString name = u"贵州茅台酒股份有限公司长名称测试"_s;
        Label *label = Toolkit::label(surface.get(), QRectF(16, 20, 60, 16), name, 13,
                                      FontWeight::Medium, Qt::white);
        FlatButton *button = Toolkit::textButton(surface.get(), name, QRectF(16, 40, 60, 24));
        for (const auto &[shown, font] : {std::pair{label->displayedText(), label->font()},
                                          std::pair{button->displayedText(), button->font()}}) {
            QVERIFY(shown.endsWith(u"…"_s));
            QVERIFY(Typography::textWidth(shown, font) <= 60);
        }
        label->setText(u"多行\n文本"_s);
        QCOMPARE(label->displayedText(), u"多行 文本"_s);
        // Labels never take the pointer, so rows and buttons under them stay clickable.
        QVERIFY(label->testAttribute(Qt::WA_TransparentForMouseEvents));
    }

    void priceFlash_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<bool>("flashes");
        QTest::addColumn<QColor>("stroke");
        QTest::newRow("rise") << u"sh600519"_s << true << Palette::riseLight;
        QTest::newRow("fall") << u"hk00700"_s << true << Palette::fallLight;
        QTest::newRow("no recent move") << u"gb_aapl"_s << false << QColor();
    }

    void priceFlash()
    {
        QFETCH(QString, symbol);
        QFETCH(bool, flashes);
        QFETCH(QColor, stroke);
        const QHash<QString, int> directions{{u"sh600519"_s, 1}, {u"hk00700"_s, -1}};
        Quote quote;
        quote.symbol = symbol;
        auto surface = makeSurface(380, 430);
        Panel *row = Toolkit::panelWithFrame(surface.get(), QRectF(14, 100, 352, 46), Palette::card,
                                             Palette::rowBorder, 8);
        QVERIFY(!Toolkit::addPriceFlashIfNeededForQuote(quote, directions, nullptr, QRectF()));
        ShapeLayer *flash =
            Toolkit::addPriceFlashIfNeededForQuote(quote, directions, row, QRectF(0, 0, 352, 46));
        QCOMPARE(flash != nullptr, flashes);
        if (!flash)
            return;
        QCOMPARE(flash->strokeColor(), stroke);
        // It flashes at once and fades back to its resting opacity of 0.
        QVERIFY(flash->opacity() > 0.3);
        QVERIFY(flash->findChild<QAbstractAnimation *>(u"priceGlow"_s));
        QTRY_COMPARE_WITH_TIMEOUT(flash->opacity(), 0.0, kPatienceMs);
        QTRY_VERIFY_WITH_TIMEOUT(!flash->findChild<QAbstractAnimation *>(u"priceGlow"_s),
                                 kPatienceMs);
    }

    void sameKeyReplacesRunningAnimation()
    {
        auto surface = makeSurface();
        auto *layer = new ShapeLayer(surface.get());
        Toolkit::animateLayerOpacity(layer, 0, 1, 5, 0);
        Toolkit::animateLayerOpacity(layer, 0.2, 0.6, 0.1, 0.05);
        QCOMPARE(layer->findChildren<QAbstractAnimation *>(u"chartOpacityFade"_s).size(), 1);
        QCOMPARE(layer->opacity(), 0.2); // held at the start during the delay
        QTRY_VERIFY_WITH_TIMEOUT(near(layer->opacity(), 0.6, 1e-6), kPatienceMs);
        // The replaced five-second animation does not come back.
        QTest::qWait(150);
        QVERIFY(near(layer->opacity(), 0.6, 1e-6));
    }

    void partialPathFollowsLength()
    {
        QPainterPath path;
        path.moveTo(0, 0);
        path.lineTo(100, 0);
        path.lineTo(100, 100);
        QCOMPARE(ShapeLayer::partialPath(path, 0).elementCount(), 0);
        QCOMPARE(ShapeLayer::partialPath(path, 0.75).currentPosition(), QPointF(100, 50));
        QCOMPARE(ShapeLayer::partialPath(path, 1).currentPosition(), QPointF(100, 100));
    }
};

QTEST_MAIN(TestToolkit)
#include "tst_toolkit.moc"
