// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellHarness.h"

#include "ai/InsightService.h"
#include "app/UpdateChecker.h"
#include "config/LoginItemManager.h"
#include "decision/DecisionEngine.h"
#include "model/Formatters.h"
#include "strategy/BoardTags.h"
#include "ui/AISettingsPage.h"
#include "ui/AppStyle.h"
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
#include <QActionGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolTip>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

struct PopoverHarness : ShellHarness
{
    using ShellHarness::ShellHarness;

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
};

} // namespace

class TestPopoverPages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void breadthSegments_data();
    void breadthSegments();

    void emptyWatchlist();
    void rowsAndScroller_data();
    void rowsAndScroller();
    void rowsAndSummaryShowQuotes();
    void placeholderRow();

    void clickingARowOpensTheDetail();
    void detailFallsBackHomeWhenTheQuoteLeaves();
    void insightLoadingFreshAndError();
    void detailHintsAndInsightSettings();
    void tallerPageStaysAboveABottomPanel();

    void menuItemsAndAlertPresets();
    void moreButtonOpensTheMenu();
    void applicationStyle();
};

void TestPopoverPages::initTestCase()
{
    // The update check of the menu goes to a closed local port, never to the internet.
    qputenv("KESTRUM_UPDATE_MANIFEST_URL", "http://127.0.0.1:9/update/manifest.json");
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
    QTest::newRow("one fall among many keeps 2 pt") << 0 << 1 << 100 << 0.0 << 133.0 << 2.0;
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

// --- Home page ---------------------------------------------------------------------------

void TestPopoverPages::emptyWatchlist()
{
    PopoverHarness s(QStringList{});
    s.openHome();
    HomePage *home = s.home();
    QVERIFY(home);
    QCOMPARE(s.shell->popover().size(), QSize(380, 430));
    QCOMPARE(labelNamed(home, u"lastStatus"_s)->text(), u"未添加自选股"_s);
    QCOMPARE(labelNamed(home, u"averageChange"_s)->text(), formatPercent(0));
    QVERIFY(!home->findChild<Panel *>(u"breadthRise"_s));
    auto *empty = home->listDocument()->findChild<Panel *>(u"emptyList"_s);
    QVERIFY(empty);
    QCOMPARE(labelNamed(empty, u"emptyText"_s)->text(), u"还没有自选股，点右上角“管理”添加"_s);
    QVERIFY(s.rows().isEmpty());
}

void TestPopoverPages::rowsAndScroller_data()
{
    QTest::addColumn<QStringList>("symbols");
    QTest::addColumn<bool>("scrolls");
    QTest::newRow("5 rows") << kFiveSymbols << false;
    QTest::newRow("6 rows") << (kFiveSymbols + QStringList{u"sz300750"_s}) << true;
}

void TestPopoverPages::rowsAndScroller()
{
    QFETCH(QStringList, symbols);
    QFETCH(bool, scrolls);
    PopoverHarness s(symbols);
    s.openHome();
    HomePage *home = s.home();
    QVERIFY(home);
    QCOMPARE(home->listArea()->verticalScrollBarPolicy(),
             scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    QVERIFY(qobject_cast<OverlayScrollBar *>(home->listArea()->verticalScrollBar()));
    // The slim scroller leaves the rows their full 352 pt; the list opens at the top.
    QCOMPARE(home->listArea()->viewport()->width(), 352);
    QCOMPARE(home->listArea()->verticalScrollBar()->value(), 0);
    const QList<HoverButton *> rows = s.rows();
    QCOMPARE(rows.size(), symbols.size());
    for (int i = 0; i < rows.size(); ++i)
        QCOMPARE(rows.at(i)->identifier(), s.h.app->quotes().at(i).symbol);
}

void TestPopoverPages::rowsAndSummaryShowQuotes()
{
    PopoverHarness s;
    s.openHome();
    HomePage *home = s.home();
    const MarketStatus status = s.h.app->marketStatusInfo();
    QCOMPARE(labelNamed(home->findChild<Panel *>(u"marketStatusPill"_s), u"statusTitle"_s)->text(),
             status.title);
    QCOMPARE(home->manageButton()->text(), u"管理"_s);
    QCOMPARE(labelNamed(home, u"lastStatus"_s)->text(), s.h.app->lastStatus());

    const DecisionEngine engine = s.engine();
    for (HoverButton *row : s.rows()) {
        const Quote quote = *s.h.app->quoteForSymbol(row->identifier());
        QVERIFY(quote.price > 0);
        QCOMPARE(labelNamed(row, u"rowName"_s)->text(), quote.name);
        QCOMPARE(labelNamed(row, u"rowPrice"_s)->text(), formatPrice(quote.price));
        Label *change = labelNamed(row, u"rowChange"_s);
        QCOMPARE(change->text(), directionSymbol(quote.changePercent()) + u' ' +
                                     formatPercent(quote.changePercent()));
        QCOMPARE(hexOf(change->color()), Toolkit::accentHexForChangePercent(quote.changePercent()));

        auto *tag = row->findChild<HintIconButton *>(u"decisionTag"_s);
        const ActionStatus status = engine.decisionForQuote(quote).buyStatus();
        QCOMPARE(tag->text(), HomePage::decisionTagText(status));
        QCOMPARE(tag->hintText(), engine.homeBuyTagHintForQuote(quote));
        QCOMPARE(tag->toolTip(), u"点击查看标签解读"_s);
    }
    QCOMPARE(HomePage::decisionTagText(ActionStatus::NoChase), u"不追"_s);
    // A tag shows its hint and does not open the quote.
    auto *tag = s.rows().first()->findChild<HintIconButton *>(u"decisionTag"_s);
    QTest::mouseClick(tag, Qt::LeftButton);
    QVERIFY(s.home());
    QVERIFY(s.shell->scenarioHintPopover().isOpen());
    QCOMPARE(s.shell->scenarioHintPopover().text(), tag->hintText());
    s.shell->scenarioHintPopover().closeHint();

    // The summary counts the list.
    int up = 0, down = 0;
    for (const Quote &q : s.h.app->quotes()) {
        up += q.changePercent() > 0;
        down += q.changePercent() < 0;
    }
    auto *summary = home->findChild<Panel *>(u"summaryPanel"_s);
    QCOMPARE(labelNamed(summary, u"upCount"_s)->text(), u"涨 "_s + QString::number(up));
    QCOMPARE(labelNamed(summary, u"downCount"_s)->text(), u"跌 "_s + QString::number(down));
}

void TestPopoverPages::placeholderRow()
{
    PopoverHarness s({u"sh600519"_s, u"sz000001"_s});
    s.h.market.simulator.setUnknownSymbols({u"sz000001"_s});
    s.openHome();
    HoverButton *row = s.row(u"sz000001"_s);
    QVERIFY(row);
    QCOMPARE(labelNamed(row, u"rowName"_s)->text(), u"sz000001"_s);
    QCOMPARE(labelNamed(row, u"rowPrice"_s)->text(), u"--"_s);
    QCOMPARE(labelNamed(row, u"rowChange"_s)->text(), u"等待行情"_s);
    auto *tag = row->findChild<HintIconButton *>(u"decisionTag"_s);
    QCOMPARE(tag->text(), u"数据不足"_s);
    QCOMPARE(hexOf(tag->backgroundColor()), u"161B23"_s);
}

// --- Quote detail page -------------------------------------------------------------------

void TestPopoverPages::clickingARowOpensTheDetail()
{
    PopoverHarness s;
    s.openHome();
    const QString symbol = u"sh600036"_s;
    // The home list fetches its series after the refresh.
    QTRY_VERIFY_WITH_TIMEOUT(s.h.app->intraday().isReal(symbol), kPatienceMs);
    const int realtimeBefore = s.h.requestCount(u"realtime"_s);
    const int trendsBefore = s.h.requestCount(u"eastmoney-trends"_s);

    QTest::mouseClick(s.row(symbol), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(s.detail(), kPatienceMs);
    // The page opened at once on the held quote; its chart waits for a fresh series.
    QCOMPARE(s.detail()->symbol(), symbol);

    QTRY_VERIFY_WITH_TIMEOUT(
        s.detail() && s.detail()->chartView()->state() == IntradayChartState::Full, kPatienceMs);
    QVERIFY(s.h.requestCount(u"realtime"_s) > realtimeBefore);
    QVERIFY(s.h.requestCount(u"eastmoney-trends"_s) > trendsBefore);
    // The first full drawing animated in and paid the entrance the opening owed.
    QVERIFY(s.detail()->chartView()->hasStartedEntranceAnimation());
    QVERIFY(!s.shell->chartEntrances().isOwed(symbol));

    // The page grows with the insight.
    QuoteDetailPage *page = s.detail();
    const Quote quote = *s.h.app->quoteForSymbol(symbol);
    const int A =
        QuoteCards::aiInsightCardHeight(s.shell->quoteDetailData(quote).insight.message, 352);
    QCOMPARE(page->size(), QSize(380, A + 484));
    // They show what the decision engine and the board tags say about the quote.
    QCOMPARE(labelNamed(page->marketCard(), u"price"_s)->text(), formatPrice(quote.price));
    const QList<DecisionEngine::ScenarioMetric> metrics = s.engine().scenarioMetricsForQuote(quote);
    const QList<Label *> values = page->scenarioCard()->findChildren<Label *>(u"metricValue"_s);
    QCOMPARE(values.size(), 4);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(values.at(i)->text(), metrics.at(i).value);

    // The quote page opens in the browser, from the button or for the open detail.
    QTest::mouseClick(s.detail()->quotePageButton(), Qt::LeftButton);
    s.shell->openQuotePageFromDetail();
    const QUrl url(u"https://quote.eastmoney.com/SH600036.html"_s);
    QCOMPARE(s.opened, (QList<QUrl>{url, url}));
    QTest::mouseClick(s.detail()->backButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(s.home(), kPatienceMs);
    QCOMPARE(s.shell->detailSymbol(), QString());
}

void TestPopoverPages::detailFallsBackHomeWhenTheQuoteLeaves()
{
    PopoverHarness s;
    s.openHome();
    s.shell->openQuoteFromButton(u"hk00700"_s);
    QVERIFY(s.detail());
    s.h.setWatchlist({u"sh600519"_s, u"sz000001"_s});
    QVERIFY(s.h.refreshAndWait());
    QVERIFY(s.home());
    QCOMPARE(s.shell->detailSymbol(), QString());
    QCOMPARE(s.rows().size(), 2);
}

void TestPopoverPages::insightLoadingFreshAndError()
{
    PopoverHarness s;
    AppSettings &settings = s.h.app->settings();
    settings.aiEnabled = true;
    settings.aiAPIKey = u"sk-test"_s;
    settings.aiProvider = u"custom"_s;
    settings.aiBaseURL = s.h.market.baseUrl().toString() + u"/v1"_s;
    s.h.market.simulator.enqueueChatAnswer(
        SimChatAnswer::text(u"股价站上均价线，节奏平稳。量能温和，结构完整。模型自己的第三句。"_s));
    SimFault held; // until the card has been seen loading
    held.hold = true;
    s.h.server().setFault(MarketSimulator::chatRouteName(), held);
    s.openHome();
    const QString symbol = u"sh600519"_s;
    s.shell->openQuoteFromButton(symbol);

    // The day's first visit generates on its own once quote and series are in.
    auto subtitle = [&] {
        return s.detail() ? labelNamed(s.detail()->insightCard(), u"subtitle"_s)->text()
                          : QString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(subtitle(), u"生成中 · 盘中观察"_s, kPatienceMs);
    QCOMPARE(s.detail()->insightCard()->findChild<TextView *>(u"body"_s)->text(),
             u"正在生成观察…"_s);
    QVERIFY(
        !s.detail()->insightCard()->findChild<FlatButton *>(u"regenerateButton"_s)->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(s.h.server().heldCount(MarketSimulator::chatRouteName()), 1,
                              kPatienceMs);
    s.h.server().clearFaults();
    s.h.server().release();

    QTRY_VERIFY_WITH_TIMEOUT(subtitle().endsWith(u" 行情 · 盘中观察"_s), kPatienceMs);
    Panel *fresh = s.detail()->insightCard();
    const QString body = fresh->findChild<TextView *>(u"body"_s)->text();
    QVERIFY2(body.startsWith(u"股价站上均价线，节奏平稳。"_s), qPrintable(body));
    QVERIFY(!body.contains(u"模型自己的第三句"_s));
    FlatButton *regenerate = fresh->findChild<FlatButton *>(u"regenerateButton"_s);

    // A failed regeneration keeps the insight but says so, in the error colour.
    const int chatsBefore = s.h.requestCount(MarketSimulator::chatRouteName());
    s.h.market.simulator.enqueueChatAnswer(SimChatAnswer::error(500, u"server_error"_s, u"busy"_s));
    QTest::mouseClick(regenerate, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(subtitle(), u"生成失败 · 可重试"_s, kPatienceMs);
    QCOMPARE(s.h.requestCount(MarketSimulator::chatRouteName()), chatsBefore + 1);
    TextView *failed = s.detail()->insightCard()->findChild<TextView *>(u"body"_s);
    QVERIFY(failed->text().startsWith(u"股价站上均价线"_s));
    QCOMPARE(hexOf(failed->color()), u"FCA5A5"_s);
}

void TestPopoverPages::detailHintsAndInsightSettings()
{
    PopoverHarness s;
    s.openHome();
    s.shell->openQuoteFromButton(u"sh600519"_s);
    const QList<HintIconButton *> infos =
        s.detail()->scenarioCard()->findChildren<HintIconButton *>(u"infoButton"_s);
    QCOMPARE(infos.size(), 4); // every metric of a quote has a hint
    ScenarioHintPopover &popover = s.shell->scenarioHintPopover();
    QTest::mouseClick(infos.at(0), Qt::LeftButton);
    QVERIFY(popover.isOpen());
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

    // Without AI set up the insight card leads to the settings page.
    Panel *card = s.detail()->insightCard();
    QCOMPARE(labelNamed(card, u"subtitle"_s)->text(), u"待配置 · 盘中观察"_s);
    QCOMPARE(card->findChild<TextView *>(u"body"_s)->text(),
             u"配置 AI 后，可基于实时行情生成一句轻量观察。"_s);
    QTest::mouseClick(card->findChild<FlatButton *>(u"settingsButton"_s), Qt::LeftButton);
    QVERIFY(s.shell->configuringAI() && s.shell->popover().isPinned());
    QVERIFY(qobject_cast<AISettingsPage *>(s.content()));
}
void TestPopoverPages::tallerPageStaysAboveABottomPanel()
{
    PopoverHarness s;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    s.status->itemGeometry = QRect(screen.center().x(), screen.bottom() - 23, 24, 24);
    s.openHome();
    const int anchorTop = s.status->itemGeometry.top();
    QCOMPARE(s.shell->popover().geometry().bottom(), anchorTop - 6 - 1);
    s.shell->openAISettings(); // 488 pt instead of 430
    QCOMPARE(s.shell->popover().height(), 488);
    QCOMPARE(s.shell->popover().geometry().bottom(), anchorTop - 6 - 1);

    // Rounded chrome: the same page inside a margin for the shadow, drawn on the window's
    // rounded surface rather than its own square background.
    PopoverWindow rounded(nullptr, PopoverWindow::Chrome::Rounded);
    QWidget *page = s.shell->makeHomePage();
    rounded.setContent(page);
    QCOMPARE(rounded.panelRect().size(), page->size());
    QCOMPARE(rounded.size(), page->size() + QSize(28, 28));
    QVERIFY(!page->autoFillBackground());
    rounded.openAt(s.status->itemGeometry, QPoint());
    QCOMPARE(rounded.mapToGlobal(rounded.panelRect().bottomLeft()).y(), anchorTop - 6 - 1);
    rounded.closePopover();
}

// --- Quick-actions menu ------------------------------------------------------------------

void TestPopoverPages::menuItemsAndAlertPresets()
{
    PopoverHarness s;
    QuickActionsMenu &menu = s.shell->quickActionsMenu();
    menu.rebuild();
    QStringList items;
    for (QAction *action : menu.actions())
        items << (action->isSeparator() ? u"—"_s : action->text());
    QCOMPARE(items, (QStringList{u"打开澄川桌面"_s, u"启动时打开桌面"_s, u"桌面窗口置顶"_s,
                                 u"重置桌面布局"_s, u"—"_s, u"刷新行情"_s, u"管理自选"_s,
                                 u"自选排序"_s, u"AI 分析设置"_s, u"—"_s, u"盘中提醒"_s,
                                 u"状态栏显示"_s, u"—"_s, u"开机自启"_s, u"—"_s, u"检查更新..."_s,
                                 u"自动检查更新"_s, u"—"_s, u"退出 澄川"_s}));
    QCOMPARE(menu.actionWithText(u"开机自启"_s)->isChecked(), s.h.app->loginItem().isEnabled());
    QVERIFY(menu.actionWithText(u"自选原序"_s)->isChecked());
    // The exclusive choices (modes, orders, presets) are radio groups.
    for (const QString &choice : {u"固定第一只"_s, u"机会优先"_s, u"风险提醒"_s}) {
        const QActionGroup *group = menu.actionWithText(choice)->actionGroup();
        QVERIFY2(group && group->isExclusive() && group->actions().size() > 1, qPrintable(choice));
    }
    menu.actionWithText(u"启动时打开桌面"_s)->trigger();
    QVERIFY(s.stored().value(u"openDesktopOnLaunch"_s).toBool());

    QMenu *alerts = menu.actionWithText(u"盘中提醒"_s)->menu();
    items.clear();
    for (QAction *action : alerts->actions())
        items << (action->isSeparator() ? u"—"_s : action->text());
    QCOMPARE(items,
             (QStringList{u"关闭提醒"_s, u"风险提醒"_s, u"机会 + 风险提醒"_s, u"全部关键变化"_s,
                          u"—"_s, u"根据可跟踪、看回踩、先防守等状态变化提醒"_s}));
    QVERIFY(!alerts->actions().last()->isEnabled());
    QVERIFY(alerts->actions().at(0)->isChecked()); // "off" is the default

    alerts->actions().at(1)->trigger();
    QCOMPARE(s.settings().alertPreset, AlertPreset::Conservative);
    QCOMPARE(s.stored().value(u"alertPreset"_s).toString(), u"conservative"_s);
    menu.rebuild();
    alerts = menu.actionWithText(u"盘中提醒"_s)->menu();
    QVERIFY(alerts->actions().at(1)->isChecked());
    // Anything but a preset's word means off.
    for (const QVariant &key : {QVariant(u"standard"_s), QVariant(3), QVariant(u"loud"_s)})
        menu.setAlertPresetFromMenu(key);
    QCOMPARE(s.settings().alertPreset, AlertPreset::Off);
}

void TestPopoverPages::applicationStyle()
{
    // Tooltips, menus, the AI switch and the key field in the dark palette and its accents.
    AppStyle::apply(*qApp);
    QCOMPARE(hexOf(QToolTip::palette().color(QPalette::ToolTipBase)), u"0F1219"_s);
    QMenu menu;
    menu.addAction(u"刷新行情"_s);
    QAction *active = menu.addAction(u"管理自选"_s);
    menu.setActiveAction(active);
    menu.adjustSize();
    const QRect item = menu.actionGeometry(active);
    QCOMPARE(hexOf(menu.grab().toImage().pixelColor(item.left() + 3, item.center().y())),
             u"26324D"_s);

    // The checked switch shows a dark tick on its amber square.
    QCheckBox box;
    box.setObjectName(u"aiEnabledCheckbox"_s);
    box.setChecked(true);
    box.resize(22, 22);
    // Across its middle: amber, the dark tick, amber again.
    const QImage image = box.grab().toImage();
    QString row;
    for (int x = 0; x < image.width(); ++x) {
        const QColor pixel = image.pixelColor(x, image.height() / 2);
        row += hexOf(pixel) == u"F0B46A" ? u'a' : pixel.lightness() < 90 ? u'd' : u'.';
    }
    QVERIFY2(row.contains(QRegularExpression(u"a+[^a]*d[^a]*a"_s)), qPrintable(row));

    // A secret shows as small bullets, not the CJK font's full-width circles.
    QLineEdit key;
    key.setEchoMode(QLineEdit::Password);
    key.setText(u"sk"_s);
    QCOMPARE(key.displayText(), QString(2, QChar(AppStyle::kPasswordCharacter)));
    qApp->setStyleSheet(QString());
    qApp->setPalette(QPalette());
}

void TestPopoverPages::moreButtonOpensTheMenu()
{
    PopoverHarness s;
    s.openHome();
    // 4 pt below the button's bottom-left corner (moved left only to stay on screen); the
    // menu belongs to the popover, which stays open.
    FlatButton *more = s.home()->moreButton();
    QTest::mouseClick(more, Qt::LeftButton);
    QuickActionsMenu &menu = s.shell->quickActionsMenu();
    QTRY_VERIFY_WITH_TIMEOUT(menu.isVisible(), kPatienceMs);
    QVERIFY(s.shell->isPopoverShown());
    const QPoint corner = more->mapToGlobal(QPoint(0, more->height() + 4));
    QCOMPARE(menu.pos().y(), corner.y());
    QVERIFY(menu.pos().x() <= corner.x());
    menu.hide();
}

QTEST_MAIN(TestPopoverPages)
#include "tst_popoverpages.moc"
