// SPDX-License-Identifier: GPL-3.0-or-later
#include "DecisionWorld.h"
#include "UiTestHelpers.h"

#include "intraday/IntradayStore.h"
#include "model/Formatters.h"
#include "ui/IntradayChartView.h"
#include "ui/Label.h"
#include "ui/MainWindowView.h"
#include "ui/MarketOverviewCard.h"
#include "ui/Panel.h"
#include "ui/QuoteCards.h"
#include "ui/QuotePageLinks.h"
#include "ui/ScenarioHintPopover.h"
#include "ui/ShapeLayer.h"
#include "ui/Toolkit.h"

#include <QAbstractAnimation>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

QString repeated(const char16_t *unit, int count)
{
    return QString::fromUtf16(unit).repeated(count);
}

Quote sampleQuote(double price = 1468.2, double previousClose = 1450)
{
    Quote q = makeQuote(u"sh600519"_s, price, 1472.5, 1446.3, previousClose, u"10:30:00"_s);
    q.name = u"贵州茅台"_s;
    return q;
}

// A fetched series climbing through the morning.
IntradayChartSeries sampleSeries(const Quote &quote, bool animate = false)
{
    IntradayStore store;
    QVector<double> prices, positions, averages, volumes;
    for (int i = 0; i < 60; ++i) {
        prices << quote.previousClose + i * 0.3 + (i % 7) * 0.4;
        positions << i * 60.0;
        averages << quote.previousClose + i * 0.2;
        volumes << 1000 + i * 10;
    }
    store.applyIntradaySeriesForSymbol(quote.symbol, quote.date, prices, positions, averages,
                                       volumes);
    IntradayChartSeries series = IntradayChartSeries::forQuote(store, quote, u"F87171"_s);
    series.shouldAnimate = animate;
    return series;
}

} // namespace

class TestQuoteCards : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lineBreaking_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<qreal>("width");
        QTest::addColumn<QStringList>("lines");

        // Every character measures 10 pt, so a line fits floor(limit / 10) characters.
        const QString first = repeated(u"甲", 10) + u"。"_s;
        const QString a = repeated(u"乙", 12) + u"，"_s;
        const QString b = repeated(u"丙", 12) + u"，"_s;
        const QString c = repeated(u"丁", 5) + u"。"_s;
        const QString message = first + a + b + c; // 43 characters

        QTest::newRow("width 320: limit 262.4, two clauses share a line")
            << message << 320.0 << QStringList{first, a + b, c};
        QTest::newRow("width 180: limit 180, not 147.6")
            << message << 180.0 << QStringList{first, a, b, c};

        const QString thirtyThree = first + repeated(u"乙", 21) + u"。"_s;
        QTest::newRow("33 characters stay one line whatever the punctuation")
            << thirtyThree << 180.0 << QStringList{thirtyThree};
        const QString thirtyFour = first + repeated(u"乙", 22) + u"。"_s;
        QTest::newRow("34 characters break at the sentence end")
            << thirtyFour << 320.0 << QStringList{first, repeated(u"乙", 22) + u"。"_s};

        QTest::newRow("line breaks and runs of blanks fold to single spaces")
            << u"  ab\r\ncd  \n\n ef  gh "_s << 320.0 << QStringList{u"ab cd ef gh"_s};

        const QString lonely = repeated(u"戊", 30) + u"，"_s + repeated(u"己", 4) + u"。"_s;
        QTest::newRow("a clause wider than the limit still starts its own line")
            << lonely << 180.0
            << QStringList{repeated(u"戊", 30) + u"，"_s, repeated(u"己", 4) + u"。"_s};
    }

    void lineBreaking()
    {
        QFETCH(QString, message);
        QFETCH(qreal, width);
        QFETCH(QStringList, lines);
        const auto measure = [](const QString &text) {
            return 10.0 * text.size();
        };
        QCOMPARE(QuoteCards::desktopAIInsightTextForMessage(message, width, measure),
                 lines.join(u'\n'));
    }

    void hintBubbleStaysOnScreen()
    {
        // Below its button, centred; above it near the bottom; kept on screen at the sides.
        const QRect screen(0, 0, 1000, 800);
        const QSize size(268, 60);
        QCOMPARE(ScenarioHintPopover::placement(size, QRect(400, 100, 14, 14), screen),
                 QPoint(272, 118));
        QCOMPARE(ScenarioHintPopover::placement(size, QRect(400, 760, 14, 14), screen),
                 QPoint(272, 696));
        QCOMPARE(ScenarioHintPopover::placement(size, QRect(990, 100, 8, 14), screen).x(), 726);
    }

    void quotePageURLs()
    {
        const auto url = [](const QString &symbol) {
            const QUrl page = QuotePageLinks::urlForSymbol(symbol);
            return page.query().isEmpty() ? page.toString(QUrl::FullyEncoded) : u"query!"_s;
        };
        QCOMPARE(url(u"gb_brk_b"_s),
                 u"https://stock.finance.sina.com.cn/usstock/quotes/BRK.B.html"_s);
        QCOMPARE(url(u"sh600000"_s), u"https://quote.eastmoney.com/SH600000.html"_s);
        // A hand-edited entry that is no symbol has no page.
        QCOMPARE(url(u"sh600000?x=1"_s), QString());
        QCOMPARE(url(QString()), QString());
    }

    void marketCard()
    {
        auto surface = makeSurface(380, 270);
        MarketCardData data;
        data.quote = sampleQuote();
        data.accentHex = u"F87171"_s;
        data.boardTag = u"白酒Ⅱ"_s;
        data.series = sampleSeries(data.quote, true);
        data.priceFlashDirections.insert(u"sh600519"_s, -1);
        const QRectF frame(14, 10, 352, 250);
        auto *card = new MarketOverviewCard(surface.get(), frame, data);
        // (Its texts and chart at rest are the golden images'.) The owed entrance plays; a
        // fall flashes green.
        auto *pill = card->findChild<Panel *>(u"boardTag"_s);
        QVERIFY(pill);
        auto *chart = card->findChild<IntradayChartView *>();
        QVERIFY(chart->hasStartedEntranceAnimation());
        QCOMPARE(hexOf(card->findChild<ShapeLayer *>(u"priceFlash"_s)->strokeColor()), u"6EE7B7"_s);

        // Updated in place: "板块待补" hides the tag; no name shows "--"; the same chart waits
        // for its series. A card built without a flash direction has no flash layer.
        data.quote = sampleQuote(1450, 1450);
        data.quote.name.clear();
        data.boardTag = u"板块待补"_s;
        data.series = IntradayChartSeries::forQuote(IntradayStore(), data.quote, data.accentHex);
        data.priceFlashDirections.clear();
        card->setData(data);
        QVERIFY(pill->isHidden());
        QCOMPARE(labelNamed(card, u"name"_s)->text(), u"--"_s);
        QCOMPARE(card->findChild<IntradayChartView *>(), chart);
        QCOMPARE(chart->state(), IntradayChartState::Loading);
        QVERIFY(!(new MarketOverviewCard(surface.get(), frame, data))
                     ->findChild<ShapeLayer *>(u"priceFlash"_s));
    }

    void marketBadgeShowsOnce_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("boardTag");
        QTest::addColumn<bool>("boardShown");
        // The board tag of Hong Kong and US stocks is their market badge: one pill says it.
        QTest::newRow("港股 tag") << u"hk00700"_s << u"港股"_s << false;
        QTest::newRow("美股 tag") << u"gb_aapl"_s << u"美股"_s << false;
        QTest::newRow("Hong Kong industry") << u"hk00700"_s << u"互联网服务"_s << true;
        QTest::newRow("A-share industry") << u"sh600519"_s << u"白酒Ⅱ"_s << true;
    }

    void marketBadgeShowsOnce()
    {
        QFETCH(QString, symbol);
        QFETCH(QString, boardTag);
        QFETCH(bool, boardShown);
        auto surface = makeSurface(620, 340);
        MainDetailData detail;
        detail.cards.market.quote = sampleQuote();
        detail.cards.market.quote.symbol = symbol;
        detail.cards.market.boardTag = boardTag;
        detail.dailyBadge = u"趋势偏强"_s;
        const QString badge = marketBadgeForSymbol(symbol);
        const QList<Panel *> cards{
            new MarketOverviewCard(surface.get(), QRectF(0, 0, 352, 250), detail.cards.market),
            MainWindowView::mainHeroCardForQuote(surface.get(), QRectF(0, 0, 584, 313), detail)};
        for (const Panel *card : cards) {
            int badges = 0;
            for (const Label *label : card->findChildren<Label *>())
                badges += label->text() == badge;
            QCOMPARE(badges, 1);
            const auto *tag = card->findChild<Panel *>(u"boardTag"_s);
            const bool board =
                (tag && !tag->isHidden()) || card->findChild<Panel *>(u"boardBadge"_s);
            QCOMPARE(board, boardShown);
        }
    }

    void statusPill()
    {
        for (const bool live : {true, false}) {
            MarketStatus status;
            status.title = live ? u"交易中"_s : u"已收盘"_s;
            status.live = live;
            auto surface = makeSurface(120, 40);
            Panel *pill =
                QuoteCards::marketStatusPillWithFrame(surface.get(), QRectF(10, 9, 70, 22), status);
            auto *dot = pill->findChild<ShapeLayer *>(u"statusDot"_s);
            // Only a live market's dot pulses, for as long as the pill exists.
            auto *pulse = dot->findChild<QAbstractAnimation *>(u"marketPulse"_s);
            QCOMPARE(pulse != nullptr, live);
            if (pulse)
                QCOMPARE(pulse->loopCount(), -1);
            QCOMPARE(labelNamed(pill, u"statusTitle"_s)->text(), status.title);
        }
    }
};

QTEST_MAIN(TestQuoteCards)
#include "tst_quotecards.moc"
