#include "AppHarness.h"
#include "FakeStatusItem.h"
#include "WidgetSnapshot.h"

#include "ai/InsightService.h"
#include "app/UpdateChecker.h"
#include "config/LoginItemManager.h"
#include "decision/DecisionEngine.h"
#include "model/Formatters.h"
#include "strategy/BoardTags.h"
#include "ui/AISettingsPage.h"
#include "ui/AppShell.h"
#include "ui/FlatButton.h"
#include "ui/Frames.h"
#include "ui/HintIconButton.h"
#include "ui/HomePage.h"
#include "ui/HoverButton.h"
#include "ui/IntradayChartView.h"
#include "ui/Label.h"
#include "ui/OverlayScrollBar.h"
#include "ui/Panel.h"
#include "ui/PopoverWindow.h"
#include "ui/QuickActionsMenu.h"
#include "ui/QuoteCards.h"
#include "ui/QuoteDetailPage.h"
#include "ui/ScenarioHintPopover.h"
#include "ui/TextView.h"
#include "ui/Toolkit.h"

#include <QAbstractAnimation>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

const QStringList kFiveSymbols{u"sh600519"_s, u"sz000001"_s, u"hk00700"_s, u"gb_aapl"_s,
                               u"sh600036"_s};

QString hexOf(const QColor &color)
{
    return color.name(QColor::HexRgb).mid(1).toUpper();
}

struct ShellHarness
{
    explicit ShellHarness(const QStringList &symbols = kFiveSymbols)
        : h(symbols)
    {
        auto item = std::make_unique<FakeStatusItem>();
        status = item.get();
        shell = std::make_unique<AppShell>(*h.app, std::move(item));
        shell->setUrlOpener([this](const QUrl &url) {
            opened << url;
            return true;
        });
    }

    // Refreshes, then opens the popover on its home page.
    void openHome()
    {
        QVERIFY(h.refreshAndWait());
        status->click();
        QVERIFY(shell->isPopoverShown());
    }
    QWidget *content() const { return shell->popover().content(); }
    HomePage *home() const { return qobject_cast<HomePage *>(content()); }
    QuoteDetailPage *detail() const { return qobject_cast<QuoteDetailPage *>(content()); }
    QList<HoverButton *> rows() const
    {
        return home() ? home()->listDocument()->findChildren<HoverButton *>(u"quoteRow"_s)
                      : QList<HoverButton *>();
    }
    HoverButton *row(const QString &symbol) const
    {
        for (HoverButton *row : rows()) {
            if (row->identifier() == symbol)
                return row;
        }
        return nullptr;
    }
    DecisionEngine engine() const
    {
        return DecisionEngine(h.app->intraday(), h.app->dailyCache(), h.app->backgroundQuotes());
    }

    AppHarness h;
    FakeStatusItem *status = nullptr;
    std::unique_ptr<AppShell> shell;
    QList<QUrl> opened;
};

Label *labelNamed(const QWidget *root, const QString &name)
{
    return root ? root->findChild<Label *>(name) : nullptr;
}

QRect geometryOf(const QWidget *parent, const QRectF &frame)
{
    return KSGeometryForFrame(parent, frame);
}

} // namespace

class TestPopoverPages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void breadthSegments_data();
    void breadthSegments();
    void rowDocument_data();
    void rowDocument();
    void tagWidth_data();
    void tagWidth();
    void tagColors();

    void emptyWatchlist();
    void rowsAndScroller_data();
    void rowsAndScroller();
    void rowsShowQuotesAndDecisions();
    void placeholderRow();
    void summaryCountsTheList();
    void firstLaunchHintMovesTheSummaryDown();
    void chaseRiskRowAndItsHint();

    void clickingARowOpensTheDetail();
    void detailPageLayout();
    void detailFallsBackHomeWhenTheQuoteLeaves();
    void backAndQuotePage_data();
    void backAndQuotePage();
    void unconfiguredInsightLeadsToSettings();
    void insightLoadingFreshAndError();
    void metricHintUsesTheSharedPopover();
    void tallerPageStaysAboveABottomPanel();

    void menuItemsInOrder();
    void moreButtonOpensTheMenuBelowIt();
    void menuActions();
    void alertMenu();
    void sortModeReordersAndSaves();

private:
    void snapshot(QWidget *page, const QString &name);
    QTemporaryDir m_dir;
    QString m_snapshotDir;
};

void TestPopoverPages::initTestCase()
{
    // The update check of the menu goes to a closed local port, never to the internet.
    qputenv("KESTRUM_UPDATE_MANIFEST_URL", "http://127.0.0.1:9/update/manifest.json");
    QVERIFY(m_dir.isValid());
    m_snapshotDir = qEnvironmentVariable("KESTRUM_SNAPSHOT_DIR", m_dir.path());
    QDir().mkpath(m_snapshotDir);
}

void TestPopoverPages::snapshot(QWidget *page, const QString &name)
{
    QVERIFY(page);
    const QImage image = page->grab().toImage();
    QVERIFY(!image.isNull());
    QVERIFY(image.save(QDir(m_snapshotDir).filePath(name + u".png"_s)));
    QVERIFY2(WidgetSnapshot::distinctColors(image) > 16, qPrintable(name + u" drew nothing"_s));
}

// --- Pure home-page rules ----------------------------------------------------------------

void TestPopoverPages::breadthSegments_data()
{
    QTest::addColumn<int>("up");
    QTest::addColumn<int>("down");
    QTest::addColumn<int>("count");
    QTest::addColumn<qreal>("rise");
    QTest::addColumn<qreal>("flat");
    QTest::addColumn<qreal>("fall");
    QTest::newRow("3 rises, 1 fall, 1 flat") << 3 << 1 << 5 << 80.0 << 28.0 << 26.0;
    QTest::newRow("empty list draws no segment") << 0 << 0 << 0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("all rising") << 4 << 0 << 4 << 134.0 << 0.0 << 0.0;
    QTest::newRow("all flat") << 0 << 0 << 3 << 0.0 << 134.0 << 0.0;
    QTest::newRow("one fall among many keeps 2 pt") << 0 << 1 << 100 << 0.0 << 133.0 << 2.0;
    QTest::newRow("thin flat rest keeps 2 pt") << 66 << 33 << 100 << 88.0 << 2.0 << 44.0;
}

void TestPopoverPages::breadthSegments()
{
    QFETCH(int, up);
    QFETCH(int, down);
    QFETCH(int, count);
    QFETCH(qreal, rise);
    QFETCH(qreal, flat);
    QFETCH(qreal, fall);
    QCOMPARE(HomePage::breadthSegments(up, down, count),
             (HomePage::BreadthSegments{rise, flat, fall}));
}

void TestPopoverPages::rowDocument_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<qreal>("height");
    QTest::addColumn<bool>("scrolls");
    QTest::addColumn<qreal>("width");
    QTest::newRow("empty list counts as one row") << 0 << 274.0 << false << 352.0;
    QTest::newRow("5 rows fit") << 5 << 274.0 << false << 352.0;
    QTest::newRow("6 rows scroll") << 6 << 306.0 << true << 366.0;
    QTest::newRow("20 rows") << 20 << 1034.0 << true << 366.0;
}

void TestPopoverPages::rowDocument()
{
    QFETCH(int, rows);
    QFETCH(qreal, height);
    QFETCH(bool, scrolls);
    QFETCH(qreal, width);
    QCOMPARE(HomePage::rowDocumentHeight(rows), height);
    QCOMPARE(HomePage::listScrolls(rows), scrolls);
    QCOMPARE(HomePage::listWidth(rows), width);
}

void TestPopoverPages::tagWidth_data()
{
    QTest::addColumn<qreal>("textWidth");
    QTest::addColumn<int>("width");
    QTest::newRow("short text keeps 38") << 12.0 << 38;
    QTest::newRow("24 pt: exactly 38") << 24.9 << 38;
    QTest::newRow("between") << 30.5 << 44;
    QTest::newRow("44 pt: exactly 58") << 44.0 << 58;
    QTest::newRow("long text is capped at 58") << 80.0 << 58;
}

void TestPopoverPages::tagWidth()
{
    QFETCH(qreal, textWidth);
    QFETCH(int, width);
    QCOMPARE(HomePage::decisionTagWidthForTextWidth(textWidth), width);
}

void TestPopoverPages::tagColors()
{
    QCOMPARE(HomePage::decisionTagText(u"不追高"_s), u"不追"_s);
    QCOMPARE(HomePage::decisionTagText(u"可跟踪"_s), u"可跟踪"_s);
    QCOMPARE(HomePage::decisionTagColors(u"可跟踪"_s),
             (HomePage::TagColors{u"1A2118"_s, u"35563A"_s, u"9DE2AA"_s}));
    QCOMPARE(HomePage::decisionTagColors(u"不追高"_s),
             (HomePage::TagColors{u"211B16"_s, u"5B4530"_s, u"F1C089"_s}));
    QCOMPARE(HomePage::decisionTagColors(u"数据不足"_s),
             (HomePage::TagColors{u"161B23"_s, u"2D3B52"_s, u"AFC4E6"_s}));
    // The shortened text is not a status of its own.
    QCOMPARE(HomePage::decisionTagColors(u"不追"_s),
             (HomePage::TagColors{u"151A24"_s, u"283042"_s, u"A9B4C7"_s}));
    const int threeCharacters = HomePage::decisionTagWidth(u"可跟踪"_s);
    QVERIFY(threeCharacters >= 38 && threeCharacters <= 58);
}

// --- Home page ---------------------------------------------------------------------------

void TestPopoverPages::emptyWatchlist()
{
    ShellHarness s(QStringList{});
    s.openHome();
    HomePage *home = s.home();
    QVERIFY(home);
    QCOMPARE(home->size(), QSize(380, 430));
    QCOMPARE(s.shell->popover().size(), QSize(380, 430));
    QCOMPARE(labelNamed(home, u"lastStatus"_s)->text(), u"未添加自选股"_s);
    QCOMPARE(labelNamed(home, u"watchCount"_s)->text(), u"0"_s);
    QCOMPARE(labelNamed(home, u"upCount"_s)->text(), u"涨 0"_s);
    QCOMPARE(labelNamed(home, u"averageChange"_s)->text(), formatPercent(0));
    QCOMPARE(hexOf(labelNamed(home, u"averageChange"_s)->color()), u"F87171"_s);
    for (const QString &segment : {u"breadthRise"_s, u"breadthFlat"_s, u"breadthFall"_s})
        QVERIFY(!home->findChild<Panel *>(segment));

    QCOMPARE(home->listDocument()->size(), QSize(352, 274));
    QCOMPARE(home->listArea()->width(), 352);
    QCOMPARE(home->listArea()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    auto *empty = home->listDocument()->findChild<Panel *>(u"emptyList"_s);
    QVERIFY(empty);
    QCOMPARE(empty->geometry(), QRect(0, 0, 352, 46));
    QCOMPARE(empty->cornerRadius(), 10.0);
    Label *text = labelNamed(empty, u"emptyText"_s);
    QCOMPARE(text->text(), u"还没有自选股，点右上角“管理”添加"_s);
    QCOMPARE(hexOf(text->color()), u"A1A6B8"_s);
    QCOMPARE(text->geometry(), geometryOf(empty, QRectF(12, 19, 328, 20)));
    QVERIFY(s.rows().isEmpty());
    snapshot(home, u"home-empty"_s);
}

void TestPopoverPages::rowsAndScroller_data()
{
    QTest::addColumn<QStringList>("symbols");
    QTest::addColumn<int>("documentHeight");
    QTest::addColumn<int>("listWidth");
    QTest::addColumn<bool>("scrolls");
    QTest::newRow("5 rows") << kFiveSymbols << 274 << 352 << false;
    QTest::newRow("6 rows") << (kFiveSymbols + QStringList{u"sz300750"_s}) << 306 << 366 << true;
}

void TestPopoverPages::rowsAndScroller()
{
    QFETCH(QStringList, symbols);
    QFETCH(int, documentHeight);
    QFETCH(int, listWidth);
    QFETCH(bool, scrolls);
    ShellHarness s(symbols);
    s.openHome();
    HomePage *home = s.home();
    QVERIFY(home);
    QCOMPARE(home->listDocument()->height(), documentHeight);
    QCOMPARE(home->listArea()->geometry(), QRect(14, 430 - 14 - 274, listWidth, 274));
    QCOMPARE(home->listArea()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(home->listArea()->verticalScrollBarPolicy(),
             scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    QVERIFY(qobject_cast<OverlayScrollBar *>(home->listArea()->verticalScrollBar()));
    if (scrolls) {
        // The slim scroller leaves the rows their full 352 pt.
        QCOMPARE(home->listArea()->viewport()->width(), 352);
        QCOMPARE(home->listArea()->verticalScrollBar()->maximum(), documentHeight - 274);
    }
    QCOMPARE(home->listArea()->verticalScrollBar()->value(), 0);
    const QList<HoverButton *> rows = s.rows();
    QCOMPARE(rows.size(), symbols.size());
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(rows.at(i)->geometry(), QRect(0, 52 * i, 352, 46));
        QCOMPARE(rows.at(i)->identifier(), s.h.app->quotes().at(i).symbol);
    }
    snapshot(home, u"home-"_s + QString::number(symbols.size()) + u"-rows"_s);
}

void TestPopoverPages::rowsShowQuotesAndDecisions()
{
    ShellHarness s;
    s.openHome();
    HomePage *home = s.home();
    // Header and list header.
    const MarketStatus status = s.h.app->marketStatusInfo();
    const int w = QuoteCards::marketStatusPillWidthForTitle(status.title);
    auto *pill = home->findChild<Panel *>(u"marketStatusPill"_s);
    QCOMPARE(pill->geometry(), geometryOf(home, QRectF(336 - w, 390, w, 22)));
    QCOMPARE(labelNamed(pill, u"statusTitle"_s)->text(), status.title);
    QCOMPARE(home->moreButton()->geometry(), geometryOf(home, QRectF(344, 389, 20, 22)));
    QCOMPARE(home->manageButton()->geometry(), geometryOf(home, QRectF(308, 295, 54, 24)));
    QCOMPARE(home->manageButton()->text(), u"管理"_s);
    QCOMPARE(labelNamed(home, u"appTitle"_s)->text(), u"澄川"_s);
    QCOMPARE(labelNamed(home, u"lastStatus"_s)->text(), s.h.app->lastStatus());
    QCOMPARE(labelNamed(home, u"lastStatus"_s)->geometry(),
             geometryOf(home, QRectF(94, 299, 206, 16)));

    const DecisionEngine engine = s.engine();
    for (HoverButton *row : s.rows()) {
        const Quote quote = *s.h.app->quoteForSymbol(row->identifier());
        QVERIFY(quote.price > 0);
        QCOMPARE(row->normalBackgroundColor(), Toolkit::colorWithHex(u"101116"_s));
        QCOMPARE(row->hoverBorderColor(), Toolkit::colorWithHex(u"343A4A"_s));
        QCOMPARE(labelNamed(row, u"rowName"_s)->text(), quote.name);
        QCOMPARE(labelNamed(row, u"rowSymbol"_s)->text(), quote.symbol.toUpper());
        QCOMPARE(labelNamed(row, u"rowPrice"_s)->text(), formatPrice(quote.price));
        Label *change = labelNamed(row, u"rowChange"_s);
        QCOMPARE(change->text(), directionSymbol(quote.changePercent()) + u' ' +
                                     formatPercent(quote.changePercent()));
        QCOMPARE(hexOf(change->color()), Toolkit::accentHexForChangePercent(quote.changePercent()));
        QCOMPARE(change->geometry(), geometryOf(row, QRectF(252, 13, 86, 19)));

        auto *tag = row->findChild<HintIconButton *>(u"decisionTag"_s);
        const QString status = engine.buyDecisionStatusForQuote(quote);
        QCOMPARE(tag->text(), HomePage::decisionTagText(status));
        QCOMPARE(tag->hintText(), engine.homeBuyTagHintForQuote(quote));
        QCOMPARE(tag->toolTip(), u"点击查看标签解读"_s);
        const int t = HomePage::decisionTagWidth(tag->text());
        QCOMPARE(tag->geometry(), geometryOf(row, QRectF(88, 15, t, 16)));
        QCOMPARE(hexOf(tag->backgroundColor()), HomePage::decisionTagColors(status).background);
    }
}

void TestPopoverPages::placeholderRow()
{
    ShellHarness s({u"sh600519"_s, u"sz000001"_s});
    s.h.market.simulator.setUnknownSymbols({u"sz000001"_s});
    s.openHome();
    HoverButton *row = s.row(u"sz000001"_s);
    QVERIFY(row);
    QCOMPARE(labelNamed(row, u"rowName"_s)->text(), u"sz000001"_s);
    QCOMPARE(labelNamed(row, u"rowPrice"_s)->text(), u"--"_s);
    Label *change = labelNamed(row, u"rowChange"_s);
    QCOMPARE(change->text(), u"等待行情"_s);
    QCOMPARE(hexOf(change->color()), u"747A8E"_s);
    auto *tag = row->findChild<HintIconButton *>(u"decisionTag"_s);
    QCOMPARE(tag->text(), u"数据不足"_s);
    QCOMPARE(hexOf(tag->backgroundColor()), u"161B23"_s);
    QCOMPARE(hexOf(tag->borderColor()), u"2D3B52"_s);
    QCOMPARE(hexOf(tag->titleColor()), u"AFC4E6"_s);
    snapshot(s.home(), u"home-placeholder"_s);
}

void TestPopoverPages::summaryCountsTheList()
{
    ShellHarness s;
    s.openHome();
    int up = 0, down = 0;
    double sum = 0;
    for (const Quote &q : s.h.app->quotes()) {
        up += q.changePercent() > 0;
        down += q.changePercent() < 0;
        sum += q.changePercent();
    }
    HomePage *home = s.home();
    auto *summary = home->findChild<Panel *>(u"summaryPanel"_s);
    QCOMPARE(summary->geometry(), geometryOf(home, QRectF(14, 334, 352, 46)));
    QCOMPARE(hexOf(summary->diagonalGradient()->middle), u"11141D"_s);
    QCOMPARE(labelNamed(summary, u"watchCount"_s)->text(), u"5"_s);
    QCOMPARE(labelNamed(summary, u"upCount"_s)->text(), u"涨 "_s + QString::number(up));
    QCOMPARE(labelNamed(summary, u"downCount"_s)->text(), u"跌 "_s + QString::number(down));
    QCOMPARE(labelNamed(summary, u"averageChange"_s)->text(), formatPercent(sum / 5));
    const HomePage::BreadthSegments segments = HomePage::breadthSegments(up, down, 5);
    qreal x = 70;
    const std::pair<QString, qreal> parts[] = {{u"breadthRise"_s, segments.rise},
                                               {u"breadthFlat"_s, segments.flat},
                                               {u"breadthFall"_s, segments.fall}};
    for (const auto &[name, width] : parts) {
        auto *segment = summary->findChild<Panel *>(name);
        QCOMPARE(segment != nullptr, width > 0);
        if (!segment)
            continue;
        QCOMPARE(segment->geometry(), geometryOf(summary, QRectF(x, 14, width, 5)));
        x += width;
    }
}

void TestPopoverPages::firstLaunchHintMovesTheSummaryDown()
{
    HomePageData data;
    data.firstLaunchHintVisible = true;
    data.marketStatus.title = u"已收盘"_s;
    HomePage page(data);
    QCOMPARE(page.height(), 484);
    auto *hint = page.findChild<Panel *>(u"firstLaunchHint"_s);
    QVERIFY(hint);
    QCOMPARE(hint->geometry(), geometryOf(&page, QRectF(14, 392, 352, 42)));
    QCOMPARE(hint->backgroundColor(), [] {
        QColor c = Toolkit::colorWithHex(u"111827"_s);
        c.setAlphaF(0.86f);
        return c;
    }());
    QCOMPARE(page.findChild<Panel *>(u"summaryPanel"_s)->geometry(),
             geometryOf(&page, QRectF(14, 334, 352, 46)));
    QCOMPARE(page.listArea()->geometry(), geometryOf(&page, QRectF(14, 14, 352, 274)));
    snapshot(&page, u"home-first-launch"_s);
}

void TestPopoverPages::chaseRiskRowAndItsHint()
{
    ShellHarness s({u"sh600519"_s});
    // Near the day high, up under 8.5 %, with no volume to confirm a breakout: chase risk.
    IntradayStore store;
    store.applyIntradaySeriesForSymbol(u"sh600519"_s, u"2026-04-28"_s, {105, 106, 107, 108, 109.4},
                                       {0, 600, 1200, 1800, 2400}, {105, 105.5, 106, 106.5, 107},
                                       {0, 0, 0, 0, 0});
    Quote quote;
    quote.symbol = u"sh600519"_s;
    quote.name = u"贵州茅台"_s;
    quote.previousClose = 105;
    quote.open = 105;
    quote.high = 110;
    quote.low = 100;
    quote.price = 109.5;
    quote.date = u"2026-04-28"_s;
    quote.time = u"10:10:00"_s;
    const QHash<QString, Quote> background;
    const DecisionEngine engine(store, s.h.app->dailyCache(), background);
    QVERIFY(engine.hasChaseRiskForQuote(quote));
    const QuoteDecision decision = engine.decisionForQuote(quote);
    QCOMPARE(decision.buyDecisionStatus(), u"不追高"_s);

    HomePageData data;
    data.rows.append({quote, decision.buyDecisionStatus(), decision.homeBuyTagHint()});
    data.marketStatus = s.h.app->marketStatusInfo();
    HomePage page(data);
    QObject::connect(&page, &HomePage::hintRequested, s.shell.get(), &AppShell::showScenarioHint);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    auto *tag = page.findChild<HintIconButton *>(u"decisionTag"_s);
    QCOMPARE(tag->text(), u"不追"_s);
    QCOMPARE(tag->width(), HomePage::decisionTagWidth(u"不追"_s));
    QCOMPARE(hexOf(tag->backgroundColor()), u"211B16"_s);
    QCOMPARE(hexOf(tag->borderColor()), u"5B4530"_s);
    QCOMPARE(hexOf(tag->titleColor()), u"F1C089"_s);
    QVERIFY(tag->hintText().startsWith(u"不追："_s));
    QVERIFY(tag->hintText().contains(formatPrice(110)));

    // The tag shows its hint and does not open the quote.
    QSignalSpy opened(&page, &HomePage::quoteRequested);
    QTest::mouseClick(tag, Qt::LeftButton);
    QCOMPARE(opened.count(), 0);
    QVERIFY(s.shell->scenarioHintPopover().isOpen());
    QCOMPARE(s.shell->scenarioHintPopover().text(), tag->hintText());
    s.shell->scenarioHintPopover().closeHint();
}

// --- Quote detail page -------------------------------------------------------------------

void TestPopoverPages::clickingARowOpensTheDetail()
{
    ShellHarness s;
    s.openHome();
    const QString symbol = u"sh600036"_s;
    // The home list fetches its series after the refresh.
    QTRY_VERIFY_WITH_TIMEOUT(s.h.app->intraday().isReal(symbol), 10000);
    const int realtimeBefore = s.h.requestCount(u"realtime"_s);
    const int trendsBefore = s.h.requestCount(u"eastmoney-trends"_s);

    QTest::mouseClick(s.row(symbol), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(s.detail(), 2000);
    QCOMPARE(s.shell->detailSymbol(), symbol);
    QVERIFY(!s.shell->managingWatchlist());
    // The page opened at once on the held quote; its chart waits for a fresh series.
    QCOMPARE(s.detail()->symbol(), symbol);

    QTRY_VERIFY_WITH_TIMEOUT(
        s.detail() && s.detail()->chartView()->state() == IntradayChartState::Full, 10000);
    QVERIFY(s.h.requestCount(u"realtime"_s) > realtimeBefore);
    QVERIFY(s.h.requestCount(u"eastmoney-trends"_s) > trendsBefore);
    // The first full drawing animated in; the symbol left the pending set with it.
    QVERIFY(s.detail()->chartView()->hasStartedEntranceAnimation());
    QVERIFY(!s.h.app->intraday().pendingChartAnimationSymbols().contains(symbol));
    snapshot(s.detail(), u"detail-opened"_s);

    // A refresh redraws the page still.
    s.h.clock().advanceSecs(60);
    QVERIFY(s.h.refreshAndWait());
    QVERIFY(s.detail());
    QCOMPARE(s.detail()->chartView()->state(), IntradayChartState::Full);
    QVERIFY(!s.detail()->chartView()->hasStartedEntranceAnimation());
}

void TestPopoverPages::detailPageLayout()
{
    ShellHarness s;
    s.openHome();
    const QString symbol = u"sh600519"_s;
    s.shell->openQuoteFromButton(symbol);
    QTRY_VERIFY_WITH_TIMEOUT(
        s.detail() && s.detail()->chartView()->state() == IntradayChartState::Full, 10000);
    QuoteDetailPage *page = s.detail();
    const Quote quote = *s.h.app->quoteForSymbol(symbol);
    const QuoteDetailData data = s.shell->quoteDetailData(quote);
    const int A = QuoteCards::aiInsightCardHeight(data.insight.message, 352);
    const int H = A + 484;
    QCOMPARE(page->size(), QSize(380, H));
    QCOMPARE(page->backButton()->text(), u"‹ 返回"_s);
    QCOMPARE(page->backButton()->geometry(), geometryOf(page, QRectF(14, H - 42, 58, 24)));
    QCOMPARE(page->marketCard()->geometry(), geometryOf(page, QRectF(14, H - 302, 352, 250)));
    QCOMPARE(page->insightCard()->geometry(), geometryOf(page, QRectF(14, H - 316 - A, 352, A)));
    QCOMPARE(page->scenarioCard()->geometry(), geometryOf(page, QRectF(14, H - 412 - A, 352, 96)));
    QCOMPARE(page->quotePageButton()->geometry(), geometryOf(page, QRectF(14, 16, 352, 32)));
    QCOMPARE(page->quotePageButton()->text(), u"打开行情页"_s);
    QCOMPARE(page->quotePageButton()->identifier(), symbol);

    // The cards show what the decision engine and the board tags say about the quote.
    QCOMPARE(labelNamed(page->marketCard(), u"price"_s)->text(), formatPrice(quote.price));
    const QString boardTag = s.h.app->boardTags().boardTagDisplayForQuote(quote);
    if (boardTag != u"板块待补")
        QCOMPARE(labelNamed(page->marketCard(), u"boardTagText"_s)->text(), boardTag);
    const QList<DecisionEngine::ScenarioMetric> metrics = s.engine().scenarioMetricsForQuote(quote);
    const QList<Label *> values = page->scenarioCard()->findChildren<Label *>(u"metricValue"_s);
    QCOMPARE(values.size(), 4);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(values.at(i)->text(), metrics.at(i).value);
}

void TestPopoverPages::detailFallsBackHomeWhenTheQuoteLeaves()
{
    ShellHarness s;
    s.openHome();
    s.shell->openQuoteFromButton(u"hk00700"_s);
    QVERIFY(s.detail());
    s.h.setWatchlist({u"sh600519"_s, u"sz000001"_s});
    QVERIFY(s.h.refreshAndWait());
    QVERIFY(s.home());
    QCOMPARE(s.shell->detailSymbol(), QString());
    QCOMPARE(s.rows().size(), 2);
}

void TestPopoverPages::backAndQuotePage_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QString>("url");
    QTest::newRow("A share") << u"sh600519"_s << u"https://quote.eastmoney.com/SH600519.html"_s;
    QTest::newRow("Hong Kong") << u"hk00700"_s
                               << u"https://stock.finance.sina.com.cn/hkstock/quotes/00700.html"_s;
    QTest::newRow("US") << u"gb_aapl"_s
                        << u"https://stock.finance.sina.com.cn/usstock/quotes/AAPL.html"_s;
}

void TestPopoverPages::backAndQuotePage()
{
    QFETCH(QString, symbol);
    QFETCH(QString, url);
    ShellHarness s;
    s.openHome();
    s.shell->openQuoteFromButton(symbol);
    QVERIFY(s.detail());
    QTest::mouseClick(s.detail()->quotePageButton(), Qt::LeftButton);
    QCOMPARE(s.opened, QList<QUrl>{QUrl(url)});
    // Without a symbol the open detail's page is meant.
    s.shell->openQuotePageFromDetail();
    QCOMPARE(s.opened.size(), 2);
    QCOMPARE(s.opened.last(), QUrl(url));

    QTest::mouseClick(s.detail()->backButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(s.home(), 2000);
    QCOMPARE(s.shell->detailSymbol(), QString());
}

void TestPopoverPages::unconfiguredInsightLeadsToSettings()
{
    ShellHarness s;
    s.openHome();
    s.shell->openQuoteFromButton(u"sh600519"_s);
    Panel *card = s.detail()->insightCard();
    QCOMPARE(labelNamed(card, u"subtitle"_s)->text(), u"待配置 · 盘中观察"_s);
    QCOMPARE(card->findChild<TextView *>(u"body"_s)->text(),
             u"配置 AI 后，可基于实时行情生成一句轻量观察。"_s);
    QCOMPARE(card->height(), 106);
    QVERIFY(!card->findChild<FlatButton *>(u"regenerateButton"_s));
    QTest::mouseClick(card->findChild<FlatButton *>(u"settingsButton"_s), Qt::LeftButton);
    QVERIFY(s.shell->configuringAI());
    QVERIFY(s.shell->popover().isPinned());
    QVERIFY(qobject_cast<AISettingsPage *>(s.content()));
    QCOMPARE(s.shell->detailSymbol(), QString());
}

void TestPopoverPages::insightLoadingFreshAndError()
{
    ShellHarness s;
    AppSettings &settings = s.h.app->settings();
    settings.aiEnabled = true;
    settings.aiAPIKey = u"sk-test"_s;
    settings.aiProvider = u"custom"_s;
    settings.aiBaseURL = s.h.market.baseUrl().toString() + u"/v1"_s;
    s.h.market.simulator.enqueueChatAnswer(
        SimChatAnswer::text(u"股价站上均价线，节奏平稳。量能温和，结构完整。模型自己的第三句。"_s)
            .delayedBy(600));
    s.openHome();
    const QString symbol = u"sh600519"_s;
    s.shell->openQuoteFromButton(symbol);

    // The day's first visit generates on its own once quote and series are in.
    auto subtitle = [&] {
        return s.detail() ? labelNamed(s.detail()->insightCard(), u"subtitle"_s)->text()
                          : QString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(subtitle(), u"生成中 · 盘中观察"_s, 10000);
    Panel *loading = s.detail()->insightCard();
    QCOMPARE(loading->findChild<TextView *>(u"body"_s)->text(), u"正在生成观察…"_s);
    QVERIFY(loading->findChild<QAbstractAnimation *>(u"aiTextBreath"_s));
    QVERIFY(!loading->findChild<FlatButton *>(u"regenerateButton"_s)->isEnabled());
    snapshot(s.detail(), u"detail-ai-loading"_s);

    QTRY_VERIFY_WITH_TIMEOUT(subtitle().endsWith(u" 行情 · 盘中观察"_s), 10000);
    Panel *fresh = s.detail()->insightCard();
    const QString body = fresh->findChild<TextView *>(u"body"_s)->text();
    QVERIFY2(body.startsWith(u"股价站上均价线，节奏平稳。"_s), qPrintable(body));
    QVERIFY(!body.contains(u"模型自己的第三句"_s));
    QCOMPARE(hexOf(fresh->findChild<TextView *>(u"body"_s)->color()), u"E0C7A7"_s);
    QVERIFY(!fresh->findChild<QAbstractAnimation *>(u"aiTextBreath"_s));
    FlatButton *regenerate = fresh->findChild<FlatButton *>(u"regenerateButton"_s);
    QVERIFY(regenerate->isEnabled());
    QCOMPARE(
        fresh->height(),
        QuoteCards::aiInsightCardHeight(
            s.h.app->insights().aiDisplayMessageForQuote(*s.h.app->quoteForSymbol(symbol)), 352));
    snapshot(s.detail(), u"detail-ai-fresh"_s);

    // A failed regeneration keeps the insight but says so, in the error colour.
    const int chatsBefore = s.h.requestCount(MarketSimulator::chatRouteName());
    s.h.market.simulator.enqueueChatAnswer(SimChatAnswer::error(500, u"server_error"_s, u"busy"_s));
    QTest::mouseClick(regenerate, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(subtitle(), u"生成失败 · 可重试"_s, 10000);
    QCOMPARE(s.h.requestCount(MarketSimulator::chatRouteName()), chatsBefore + 1);
    TextView *failed = s.detail()->insightCard()->findChild<TextView *>(u"body"_s);
    QVERIFY(failed->text().startsWith(u"股价站上均价线"_s));
    QCOMPARE(hexOf(failed->color()), u"FCA5A5"_s);
    snapshot(s.detail(), u"detail-ai-error"_s);
}

void TestPopoverPages::metricHintUsesTheSharedPopover()
{
    ShellHarness s;
    s.openHome();
    s.shell->openQuoteFromButton(u"sh600519"_s);
    const QList<HintIconButton *> infos =
        s.detail()->scenarioCard()->findChildren<HintIconButton *>(u"infoButton"_s);
    QCOMPARE(infos.size(), 4); // every metric of a quote has a hint
    ScenarioHintPopover &popover = s.shell->scenarioHintPopover();
    QTest::mouseClick(infos.at(0), Qt::LeftButton);
    QVERIFY(popover.isOpen());
    QCOMPARE(popover.text(), infos.at(0)->hintText());
    QTest::mouseClick(infos.at(3), Qt::LeftButton);
    QCOMPARE(&s.shell->scenarioHintPopover(), &popover);
    QCOMPARE(popover.text(), infos.at(3)->hintText());
    // The bubble taking the focus does not close the popover under it.
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(&s.shell->popover(), &deactivate);
    QVERIFY(s.shell->isPopoverShown());
    // A rebuild takes the hint away with the page it belonged to.
    QVERIFY(s.h.refreshAndWait());
    QVERIFY(!popover.isOpen());
}

void TestPopoverPages::tallerPageStaysAboveABottomPanel()
{
    ShellHarness s;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    s.status->itemGeometry = QRect(screen.center().x(), screen.bottom() - 23, 24, 24);
    s.openHome();
    const int anchorTop = s.status->itemGeometry.top();
    QCOMPARE(s.shell->popover().geometry().bottom(), anchorTop - 6 - 1);
    s.shell->openAISettings(); // 488 pt instead of 430
    QCOMPARE(s.shell->popover().height(), 488);
    QCOMPARE(s.shell->popover().geometry().bottom(), anchorTop - 6 - 1);
}

// --- Quick-actions menu ------------------------------------------------------------------

void TestPopoverPages::menuItemsInOrder()
{
    ShellHarness s;
    QuickActionsMenu &menu = s.shell->quickActionsMenu();
    menu.rebuild();
    QStringList items;
    for (QAction *action : menu.actions())
        items << (action->isSeparator() ? u"—"_s : action->text());
    QCOMPARE(items,
             (QStringList{u"打开澄川桌面"_s, u"启动时打开桌面"_s, u"桌面窗口置顶"_s,
                          u"重置桌面布局"_s, u"—"_s, u"刷新行情"_s, u"管理自选"_s, u"自选排序"_s,
                          u"AI 分析设置"_s, u"—"_s, u"盘中提醒"_s, u"状态栏显示"_s, u"—"_s,
                          u"开机自启"_s, u"—"_s, u"检查更新..."_s, u"—"_s, u"退出 澄川"_s}));
    QVERIFY(menu.actionWithText(u"自选排序"_s)->menu());
    QVERIFY(menu.actionWithText(u"盘中提醒"_s)->menu());
    QCOMPARE(menu.actionWithText(u"开机自启"_s)->isChecked(), s.h.app->loginItem().isEnabled());
    QVERIFY(!menu.actionWithText(u"启动时打开桌面"_s)->isChecked());
    QVERIFY(menu.actionWithText(u"自选原序"_s)->isChecked());
    QVERIFY(!menu.actionWithText(u"机会优先"_s)->isChecked());
    QVERIFY(menu.actionWithText(u"轮播自选股"_s)->isChecked());
}

void TestPopoverPages::moreButtonOpensTheMenuBelowIt()
{
    ShellHarness s;
    s.openHome();
    FlatButton *more = s.home()->moreButton();
    QTest::mouseClick(more, Qt::LeftButton);
    QuickActionsMenu &menu = s.shell->quickActionsMenu();
    QTRY_VERIFY_WITH_TIMEOUT(menu.isVisible(), 2000);
    QVERIFY(s.shell->isPopoverShown()); // the menu belongs to the popover
    // 4 pt below the button's bottom-left corner (moved left only to stay on screen).
    const QPoint corner = more->mapToGlobal(QPoint(0, more->height() + 4));
    QCOMPARE(menu.pos().y(), corner.y());
    QVERIFY(menu.pos().x() <= corner.x());
    menu.hide();
    // The tray's own menu still takes the popover's place.
    s.shell->showStatusContextMenu();
    QVERIFY(!s.shell->isPopoverShown());
    menu.hide();
}

void TestPopoverPages::menuActions()
{
    ShellHarness s;
    QuickActionsMenu &menu = s.shell->quickActionsMenu();
    QSignalSpy desktop(s.shell.get(), &AppShell::showMainWindowRequested);
    QSignalSpy level(s.shell.get(), &AppShell::mainWindowLevelChanged);
    QSignalSpy reset(s.shell.get(), &AppShell::resetMainWindowLayoutRequested);

    menu.actionWithText(u"打开澄川桌面"_s)->trigger();
    QCOMPARE(desktop.count(), 1);
    menu.actionWithText(u"启动时打开桌面"_s)->trigger();
    QVERIFY(s.h.app->settings().openDesktopOnLaunch);
    QCOMPARE(s.h.app->config().loadSettings().value(u"openDesktopOnLaunch"_s).toBool(), true);
    menu.actionWithText(u"桌面窗口置顶"_s)->trigger();
    QCOMPARE(level.count(), 1);
    QCOMPARE(level.first().first().toBool(), true);
    QVERIFY(s.h.app->config().loadSettings().value(u"mainWindowAlwaysOnTop"_s).toBool());
    // The check marks follow once the menu has caught up with the saved settings.
    QTRY_VERIFY_WITH_TIMEOUT(menu.actionWithText(u"桌面窗口置顶"_s) &&
                                 menu.actionWithText(u"桌面窗口置顶"_s)->isChecked(),
                             2000);
    QVERIFY(menu.actionWithText(u"启动时打开桌面"_s)->isChecked());
    menu.actionWithText(u"重置桌面布局"_s)->trigger();
    QCOMPARE(reset.count(), 1);

    QSignalSpy refreshed(s.h.app.get(), &KestrumApp::refreshFinished);
    menu.actionWithText(u"刷新行情"_s)->trigger();
    QVERIFY(refreshed.wait(10000));

    menu.actionWithText(u"检查更新..."_s)->trigger();
    QVERIFY(s.h.app->updates().isUpdateCheckInFlight());

    // The manager opens the popover on its page when it is closed.
    menu.actionWithText(u"管理自选"_s)->trigger();
    QVERIFY(s.shell->managingWatchlist());
    QVERIFY(s.shell->isPopoverShown());
    s.shell->togglePopover();

    // From the menu, with the popover closed: the settings page opens pinned.
    QVERIFY(!s.shell->isPopoverShown());
    menu.actionWithText(u"AI 分析设置"_s)->trigger();
    QVERIFY(s.shell->isPopoverShown());
    QVERIFY(s.shell->configuringAI());
    QVERIFY(!s.shell->managingWatchlist());
    QVERIFY(s.shell->popover().isPinned());
    QVERIFY(qobject_cast<AISettingsPage *>(s.content()));
    // Opening the desktop leaves the settings page.
    menu.actionWithText(u"打开澄川桌面"_s)->trigger();
    QCOMPARE(desktop.count(), 2);
    QVERIFY(!s.shell->configuringAI());
    QVERIFY(!s.shell->popover().isPinned());
    QVERIFY(s.home());
    QTRY_VERIFY_WITH_TIMEOUT(!s.h.app->updates().isUpdateCheckInFlight(), 10000);
}

void TestPopoverPages::alertMenu()
{
    ShellHarness s;
    QuickActionsMenu &menu = s.shell->quickActionsMenu();
    QMenu *alerts = menu.actionWithText(u"盘中提醒"_s)->menu();
    QStringList items;
    for (QAction *action : alerts->actions())
        items << (action->isSeparator() ? u"—"_s : action->text());
    QCOMPARE(items,
             (QStringList{u"关闭提醒"_s, u"风险提醒"_s, u"机会 + 风险提醒"_s, u"全部关键变化"_s,
                          u"—"_s, u"根据可跟踪、看回踩、先防守等状态变化提醒"_s}));
    QVERIFY(!alerts->actions().last()->isEnabled());
    QVERIFY(alerts->actions().at(0)->isChecked()); // "off" is the default
    QCOMPARE(alerts->actions().at(2)->data().toString(), u"standard"_s);

    alerts->actions().at(1)->trigger();
    QCOMPARE(s.h.app->settings().alertPreset, u"conservative"_s);
    QCOMPARE(s.h.app->config().loadSettings().value(u"alertPreset"_s).toString(),
             u"conservative"_s);
    menu.rebuild();
    alerts = menu.actionWithText(u"盘中提醒"_s)->menu();
    QVERIFY(alerts->actions().at(1)->isChecked());
    QVERIFY(!alerts->actions().at(0)->isChecked());

    // Anything but a key string means off.
    menu.setAlertPresetFromMenu(QVariant(3));
    QCOMPARE(s.h.app->settings().alertPreset, u"off"_s);
}

void TestPopoverPages::sortModeReordersAndSaves()
{
    ShellHarness s;
    s.openHome();
    QSignalSpy changed(s.shell.get(), &AppShell::mainWatchlistSortModeChanged);
    HomePage *before = s.home();
    s.shell->quickActionsMenu().actionWithText(u"机会优先"_s)->trigger();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(s.h.app->settings().mainWatchlistSortMode, u"priority"_s);
    QCOMPARE(s.h.app->config().loadSettings().value(u"mainWatchlistSortMode"_s).toString(),
             u"priority"_s);
    QVERIFY(s.home() && s.home() != before); // rebuilt in the new order
    const DecisionEngine engine = s.engine();
    bool trackableRun = true;
    for (HoverButton *row : s.rows()) {
        const bool trackable = engine.buyDecisionStatusForQuote(
                                   *s.h.app->quoteForSymbol(row->identifier())) == u"可跟踪";
        if (!trackable)
            trackableRun = false;
        else
            QVERIFY2(trackableRun, "a trackable row after another one");
    }
    s.shell->setMainWatchlistSortModeFromMenu(u"bogus"_s);
    QCOMPARE(s.h.app->settings().mainWatchlistSortMode, u"original"_s);
}

QTEST_MAIN(TestPopoverPages)
#include "tst_popoverpages.moc"
