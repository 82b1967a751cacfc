// SPDX-License-Identifier: GPL-3.0-or-later
// Links no widgets: the presentation layer stands on the controller alone.
#include "AppHarness.h"

#include "ai/AIProviderSettings.h"
#include "ai/InsightService.h"
#include "app/WatchlistManager.h"
#include "model/EnumText.h"
#include "model/Formatters.h"
#include "model/HoldingFigures.h"
#include "model/HoldingTotals.h"
#include "model/PriceAlert.h"
#include "presentation/Presenter.h"
#include "presentation/WatchlistDisplay.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

const QStringList kThree{u"sh600519"_s, u"sz000001"_s, u"hk00700"_s};

struct Fixture
{
    explicit Fixture(const QStringList &symbols = kThree)
        : h(symbols)
        , presenter(*h.app)
    {}
    AppHarness h;
    Presenter presenter;
};

} // namespace

Q_DECLARE_METATYPE(PopoverPage)

class tst_Presenter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Each intent is "name" or "name:argument", applied in order from a fresh home page.
    void pageStates_data()
    {
        QTest::addColumn<QStringList>("intents");
        QTest::addColumn<PopoverPage>("page");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<bool>("windowLeavesManager"); // the desktop window is asked to
        const QString x = u"sz000001"_s;
        const auto row = [](const char *name, const QStringList &intents, PopoverPage page,
                            const QString &detail, bool leaves = false) {
            QTest::newRow(name) << intents << page << detail << leaves;
        };
        row("detail", {u"detail:"_s + x}, PopoverPage::Detail, x);
        row("back from detail", {u"detail:"_s + x, u"back"_s}, PopoverPage::Home, {});
        row("manager over a detail", {u"detail:"_s + x, u"manager"_s}, PopoverPage::Manager, {});
        row("back from manager", {u"manager"_s, u"back"_s}, PopoverPage::Home, {});
        row("AI settings over a detail", {u"detail:"_s + x, u"ai"_s}, PopoverPage::AISettings, {});
        row("back from AI settings", {u"ai"_s, u"back"_s}, PopoverPage::Home, {});
        row("saving leaves AI settings", {u"ai"_s, u"save"_s}, PopoverPage::Home, {});
        row("back at home stays", {u"back"_s}, PopoverPage::Home, {});
        row("opening starts at home", {u"detail:"_s + x, u"popover"_s}, PopoverPage::Home, {});
        row("opening leaves AI settings", {u"ai"_s, u"popover"_s}, PopoverPage::Home, {});
        row("desktop leaves the manager", {u"manager"_s, u"desktop"_s}, PopoverPage::Home, {});
        row("desktop leaves AI settings", {u"ai"_s, u"desktop"_s}, PopoverPage::Home, {});
        row("desktop keeps a detail", {u"detail:"_s + x, u"desktop"_s}, PopoverPage::Detail, x);
        // The window's sections keep the detail below them, as the flags they replace did.
        row("window AI section", {u"detail:"_s + x, u"section:ai"_s}, PopoverPage::AISettings, x);
        row("window back to overview", {u"detail:"_s + x, u"section:ai"_s, u"section:overview"_s},
            PopoverPage::Detail, x);
        row("window watchlist section", {u"section:ai"_s, u"section:watchlist"_s},
            PopoverPage::Manager, {});
        row("popover leaves the window's manager", {u"section:watchlist"_s, u"back"_s},
            PopoverPage::Home, {}, true);
        row("detail of a stock that left", {u"detail:"_s + x, u"drop:"_s + x}, PopoverPage::Home,
            {});
        row("detail of an unknown stock", {u"detail:sz999999"_s}, PopoverPage::Home, {});
        row("empty symbol opens nothing", {u"detail:"_s}, PopoverPage::Home, {});
    }

    void pageStates()
    {
        QFETCH(QStringList, intents);
        QFETCH(PopoverPage, page);
        QFETCH(QString, detail);
        QFETCH(bool, windowLeavesManager);
        Fixture f;
        QVERIFY(f.h.refreshAndWait());
        Presenter &p = f.presenter;
        QSignalSpy requested(&p, &Presenter::mainSectionRequested);
        for (const QString &intent : intents) {
            const QString name = intent.section(u':', 0, 0);
            const QString arg = intent.section(u':', 1);
            if (name == u"detail")
                p.openDetail(arg);
            else if (name == u"back")
                p.back();
            else if (name == u"manager")
                p.openManager();
            else if (name == u"ai")
                p.openAISettings();
            else if (name == u"save")
                p.saveAISettings({});
            else if (name == u"popover")
                p.openPopover();
            else if (name == u"desktop")
                p.desktopTakesOver();
            else if (name == u"section")
                p.setMainSection(*fromText<MainSection>(arg));
            else if (name == u"drop") {
                QStringList rest = kThree;
                rest.removeAll(arg);
                f.h.setWatchlist(rest);
                QVERIFY(f.h.refreshAndWait());
            } else
                QFAIL("unknown intent");
        }
        QCOMPARE(p.settledPage(), page);
        QCOMPARE(p.detailSymbol(), detail);
        QCOMPARE(requested.size(), windowLeavesManager ? 1 : 0);
        if (windowLeavesManager)
            QCOMPARE(requested.first().first().value<MainSection>(), MainSection::Overview);
    }

    // What the controller announces reaches the popover only when its page shows it, and the
    // desktop window (showing sz000001) only when it shows it.
    void popoverRefreshes_data()
    {
        QTest::addColumn<QString>("page");   // "home", "detail" (of sz000001), "manager", "ai",
                                             // "windowManager" (home; the window's manager)
        QTest::addColumn<QString>("signal"); // what the controller announces
        QTest::addColumn<bool>("refresh");
        QTest::addColumn<bool>("window");
        const auto row = [](const char *name, const QString &page, const QString &signal,
                            bool refresh, bool window) {
            QTest::newRow(name) << page << signal << refresh << window;
        };
        row("home series at home", u"home"_s, u"homeSeries"_s, true, false);
        row("home series on a detail", u"detail"_s, u"homeSeries"_s, false, false);
        row("window's series", u"home"_s, u"mainSeries"_s, false, true);
        row("detail of the shown stock", u"detail"_s, u"detail"_s, true, true);
        row("detail of another stock", u"detail"_s, u"otherDetail"_s, false, false);
        row("insight of the shown stock", u"detail"_s, u"insight"_s, true, true);
        row("insight of another stock", u"detail"_s, u"otherInsight"_s, false, false);
        row("settings at home", u"home"_s, u"settings"_s, true, false);
        row("settings while configuring", u"ai"_s, u"settings"_s, false, false);
        row("watchlist in the manager", u"manager"_s, u"watchlist"_s, true, false);
        row("watchlist at home", u"home"_s, u"watchlist"_s, false, false);
        row("watchlist in the window's manager", u"windowManager"_s, u"watchlist"_s, false, true);
        row("refresh anywhere", u"manager"_s, u"refresh"_s, true, true);
    }

    void popoverRefreshes()
    {
        QFETCH(QString, page);
        QFETCH(QString, signal);
        QFETCH(bool, refresh);
        QFETCH(bool, window);
        Fixture f;
        QVERIFY(f.h.refreshAndWait());
        Presenter &p = f.presenter;
        KestrumApp &app = *f.h.app;
        app.settings().mainDetailSymbol = u"sz000001"_s;
        if (page == u"detail")
            p.openDetail(u"sz000001"_s);
        else if (page == u"manager")
            p.openManager();
        else if (page == u"ai")
            p.openAISettings();
        else if (page == u"windowManager")
            app.settings().mainSection = MainSection::Watchlist;
        QSignalSpy changed(&p, &Presenter::popoverDataChanged);
        QSignalSpy windowChanged(&p, &Presenter::mainWindowDataChanged);
        if (signal == u"homeSeries")
            Q_EMIT app.homeSeriesUpdated(u"sh600519"_s);
        else if (signal == u"mainSeries")
            Q_EMIT app.mainSeriesUpdated(u"sz000001"_s);
        else if (signal.endsWith(u"etail"))
            Q_EMIT app.detailUpdated(signal == u"detail" ? u"sz000001"_s : u"hk00700"_s);
        else if (signal.endsWith(u"nsight"))
            Q_EMIT app.insights().insightChanged(signal == u"insight" ? u"sz000001"_s
                                                                      : u"hk00700"_s);
        else if (signal == u"settings")
            Q_EMIT app.settingsChanged();
        else if (signal == u"watchlist")
            Q_EMIT p.watchlistManager().watchlistChanged();
        else
            Q_EMIT app.refreshFinished();
        QCOMPARE(!changed.isEmpty(), refresh);
        QCOMPARE(!windowChanged.isEmpty(), window);
    }

    // Priority moves 可跟踪 to the front, each group in list order (the simulated market has
    // none trackable at the fixtures' moment, so the rows below cannot show it).
    void sortOrder()
    {
        QList<Quote> quotes(4);
        for (int i = 0; i < 4; ++i)
            quotes[i].symbol = QString(QChar(u'a' + i));
        const auto order = [&quotes](WatchlistSortMode mode) {
            QString symbols;
            for (const Quote &quote : WatchlistDisplay::sorted(quotes, mode, [](const Quote &q) {
                     return q.symbol == u"b" || q.symbol == u"d" ? ActionStatus::Trackable
                                                                 : ActionStatus::Defend;
                 }))
                symbols += quote.symbol;
            return symbols;
        };
        QCOMPARE(order(WatchlistSortMode::Priority), u"bdac"_s);
        QCOMPARE(order(WatchlistSortMode::Original), u"abcd"_s);
    }

    // The rows both surfaces list, built with the controller's own engine: the same
    // decisions a fresh engine on the same stores gives.
    void rowsAndCards_data()
    {
        QTest::addColumn<WatchlistSortMode>("mode");
        for (const WatchlistSortMode mode : enumValues<WatchlistSortMode>())
            QTest::newRow(qPrintable(toText(mode))) << mode;
    }

    void rowsAndCards()
    {
        QFETCH(WatchlistSortMode, mode);
        // The last symbol has no quote: a placeholder without price reads "数据不足".
        Fixture f({u"sh600519"_s, u"sz000001"_s, u"hk00700"_s, u"sz999999"_s});
        QVERIFY(f.h.refreshAndWait());
        KestrumApp &app = *f.h.app;
        app.settings().mainWatchlistSortMode = mode;
        const DecisionEngine fresh(app.intraday(), app.dailyCache(), app.backgroundQuotes());
        QList<ActionStatus> statuses;
        QStringList trackable, others;
        for (const Quote &quote : app.quotes()) {
            const ActionStatus status =
                quote.price > 0 ? fresh.decisionForQuote(quote).buyStatus() : ActionStatus::NoData;
            (mode == WatchlistSortMode::Priority && status == ActionStatus::Trackable ? trackable
                                                                                      : others)
                .append(quote.symbol);
        }
        const QStringList order = trackable + others;

        const HomePageData home = f.presenter.homePageData();
        const MainWindowData main = f.presenter.mainWindowData();
        QCOMPARE(home.rows.size(), order.size());
        QCOMPARE(main.rows.size(), order.size());
        for (int i = 0; i < order.size(); ++i) {
            const Quote &quote = home.rows.at(i).quote;
            QCOMPARE(quote.symbol, order.at(i));
            const ActionStatus expected =
                quote.price > 0 ? fresh.decisionForQuote(quote).buyStatus() : ActionStatus::NoData;
            QCOMPARE(home.rows.at(i).buyStatus, expected);
            QCOMPARE(home.rows.at(i).tagHint, fresh.decisionForQuote(quote).homeBuyTagHint());
            QCOMPARE(main.rows.at(i).quote.symbol, order.at(i));
            QCOMPARE(main.rows.at(i).buyStatus, expected);
        }
        QCOMPARE(home.rows.at(order.indexOf(u"sz999999"_s)).buyStatus, ActionStatus::NoData);
        QCOMPARE(home.lastStatus, app.lastStatus());

        const Quote shown = *app.quoteForSymbol(u"sz000001"_s);
        const QuoteDetailData detail = f.presenter.quoteDetailData(shown);
        QCOMPARE(detail.metrics.size(), fresh.scenarioMetricsForQuote(shown).size());
        for (int i = 0; i < detail.metrics.size(); ++i)
            QCOMPARE(detail.metrics.at(i).value, fresh.scenarioMetricsForQuote(shown).at(i).value);
        QCOMPARE(detail.market.accentHex, shown.changePercent() >= 0 ? u"F87171"_s : u"34D399"_s);
        QCOMPARE(detail.market.series.symbol, shown.symbol);
        QVERIFY(!detail.market.series.shouldAnimate);
        f.presenter.openDetail(shown.symbol); // an opened page owes its chart an entrance
        QVERIFY(f.presenter.quoteDetailData(shown).market.series.shouldAnimate);
        QVERIFY(!detail.insight.isConfigured);
    }

    // The window's selection: the selected stock when listed, else the first listed; none
    // for an empty list.
    // A position and an armed condition reach the rows of both lists and the holding line;
    // stocks without them show nothing new, and a quote without a price values nothing.
    void positionsAndBells()
    {
        Fixture f;
        f.h.market.simulator.setUnknownSymbols({u"hk00700"_s});
        WatchlistManager &manager = f.presenter.watchlistManager();
        QVERIFY(manager.setHolding(u"sh600519"_s, Holding{100, 1400.0}));
        QVERIFY(manager.setHolding(u"hk00700"_s, Holding{200, std::nullopt}));
        PriceAlert alert;
        alert.value = 99999;
        QVERIFY(manager.setPriceAlerts(u"sz000001"_s, {alert}));
        QVERIFY(f.h.refreshAndWait());

        const Quote moutai = *f.h.app->quoteForSymbol(u"sh600519"_s);
        const HoldingFigures figures = *HoldingFigures::forQuote(moutai, Holding{100, 1400.0});
        QStringList rows;
        for (const HomeRow &row : f.presenter.homePageData().rows)
            rows << row.quote.symbol + u' ' + row.holdingText + u' ' +
                        QString::number(row.holdingDirection) + u' ' +
                        QString::number(row.alertsArmed);
        const QString direction =
            QString::number(figures.todayProfit > 0 ? 1 : (figures.todayProfit < 0 ? -1 : 0));
        const QStringList expected{u"sh600519 "_s + figures.todayProfitText() + u' ' + direction +
                                       u" 0"_s,
                                   u"sz000001  0 1"_s, u"hk00700  0 0"_s};
        QCOMPARE(rows, expected);
        QCOMPARE(f.presenter.mainWindowData().rows.first().holdingText, figures.todayProfitText());
        // The totals: the yuan position, the Hong Kong one counted while it has no price.
        const std::optional<HoldingTotalsData> totals = f.presenter.homePageData().holdingTotals;
        QVERIFY(totals);
        QCOMPARE(totals->lines.size(), 1);
        QCOMPARE(totals->lines.first().todayProfit, formatSignedMoney(figures.todayProfit));
        QCOMPARE(totals->unpricedNote, u"1 只暂无报价"_s);
        QCOMPARE(f.presenter.mainWindowData().holdingTotals, totals);

        const std::optional<HoldingLineData> line =
            f.presenter.quoteDetailData(moutai).market.holding;
        QVERIFY(line);
        QCOMPARE((QStringList{line->shares, line->cost, line->marketValue, line->floatingPercent}),
                 (QStringList{u"100 股"_s, u"1,400.00"_s, formatMoney(figures.marketValue),
                              formatPercent(*figures.floatingProfitPercent)}));
        QVERIFY(
            !f.presenter.quoteDetailData(*f.h.app->quoteForSymbol(u"sz000001"_s)).market.holding);
        const HoldingLineData unpriced =
            *f.presenter.quoteDetailData(*f.h.app->quoteForSymbol(u"hk00700"_s)).market.holding;
        QCOMPARE((QStringList{unpriced.shares, unpriced.cost, unpriced.marketValue,
                              unpriced.todayProfit, unpriced.floatingProfit}),
                 (QStringList{u"200 股"_s, u"--"_s, u"--"_s, u"--"_s, u"--"_s}));
    }

    // Positions "currency shares cost marketValue today floating" ("-": no cost); each
    // line "title|today|direction|floating|percent|direction|note|offers rates".
    void holdingTotalsLines_data()
    {
        QTest::addColumn<QStringList>("positions");
        QTest::addColumn<int>("unpriced");
        QTest::addColumn<double>("hkd"); // 0: unknown
        QTest::addColumn<double>("usd");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("unpricedNote");
        const QString yuan = u"CNY 1000 78.5 82100 -2010 3600"_s;
        const QString hongKong = u"HKD 200 380 84400 1200 8400"_s;
        const QString yuanLine = u"人民币|-2,010.00|-1|+3,600.00|+4.59%|1||0"_s;
        const QString hongKongLine = u"港元|+1,200.00|1|+8,400.00|+11.05%|1||0"_s;
        QTest::newRow("no position: no panel")
            << QStringList() << 0 << 0.0 << 0.0 << QStringList() << QString();
        QTest::newRow("only yuan, no total needed")
            << QStringList{yuan} << 0 << 0.0 << 0.0 << QStringList{yuanLine} << QString();
        QTest::newRow("yuan and HKD without a rate")
            << QStringList{yuan, hongKong} << 0 << 0.0 << 7.1
            << QStringList{yuanLine, hongKongLine, u"折合人民币||0|||0|缺少港元汇率|1"_s}
            << QString();
        QTest::newRow("only HKD: given in yuan too")
            << QStringList{hongKong} << 0 << 0.92 << 0.0
            << QStringList{hongKongLine, u"折合人民币|+1,104.00|1|+7,728.00|+11.05%|1||0"_s}
            << QString();
        QTest::newRow("both rates: the yuan total")
            << QStringList{yuan, hongKong, u"USD 10 - 2000 -15.5 -"_s} << 0 << 0.92 << 7.1
            << QStringList{yuanLine, hongKongLine, u"美元|-15.50|-1|--||0||0"_s,
                           // 1104 - 2010 - 110.05; 7728 + 3600 on a basis of 78500 + 69920
                           u"折合人民币|-1,016.05|-1|+11,328.00|+7.63%|1||0"_s}
            << QString();
        QTest::newRow("every rate missing")
            << QStringList{yuan, hongKong, u"USD 10 - 2000 0 -"_s} << 0 << 0.0 << 0.0
            << QStringList{yuanLine, hongKongLine, u"美元|+0.00|0|--||0||0"_s,
                           u"折合人民币||0|||0|缺少港元、美元汇率|1"_s}
            << QString();
        QTest::newRow("a position without a price")
            << QStringList{yuan} << 1 << 0.0 << 0.0 << QStringList{yuanLine} << u"1 只暂无报价"_s;
        QTest::newRow("no price at all: never a zero")
            << QStringList() << 2 << 0.0 << 0.0 << QStringList{u"持仓||0|||0|等待行情|0"_s}
            << u"2 只暂无报价"_s;
    }

    void holdingTotalsLines()
    {
        QFETCH(QStringList, positions);
        QFETCH(int, unpriced);
        QFETCH(double, hkd);
        QFETCH(double, usd);
        QFETCH(QStringList, lines);
        QFETCH(QString, unpricedNote);
        HoldingTotals totals;
        for (const QString &position : positions) {
            const QStringList f = position.split(u' ');
            const auto number = [&f](int i) {
                return f.at(i) == u"-" ? std::nullopt : std::optional<double>(f.at(i).toDouble());
            };
            totals.add({{f.at(1).toDouble(), number(2)},
                        *fromText<Currency>(f.at(0)),
                        f.at(3).toDouble(),
                        f.at(4).toDouble(),
                        number(5),
                        {}});
        }
        for (int i = 0; i < unpriced; ++i)
            totals.addUnpriced();
        const auto known = [](double rate) {
            return rate > 0 ? std::optional<double>(rate) : std::nullopt;
        };
        const std::optional<HoldingTotalsData> data =
            HoldingTotalsData::from(totals, {known(hkd), known(usd)});
        QCOMPARE(data.has_value(), !lines.isEmpty());
        if (!data)
            return;
        QStringList got;
        for (const HoldingTotalsLine &l : data->lines)
            got << QStringList{l.title,
                               l.todayProfit,
                               QString::number(l.todayDirection),
                               l.floatingProfit,
                               l.floatingPercent,
                               QString::number(l.floatingDirection),
                               l.note,
                               QString::number(l.offersRates)}
                       .join(u'|');
        QCOMPARE(got, lines);
        QCOMPARE(data->unpricedNote, unpricedNote);
        // One sentence for a screen reader, every line and the note in it.
        QVERIFY(data->spoken.startsWith(u"持仓盈亏："));
        for (const HoldingTotalsLine &l : data->lines)
            QVERIFY(data->spoken.contains(
                l.title + u' ' + (l.note.isEmpty() ? u"今日 "_s + l.todayProfit : l.note)));
        QCOMPARE(data->spoken.contains(unpricedNote), true);
    }

    void mainSelection_data()
    {
        QTest::addColumn<QStringList>("watchlist");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("shown");  // the workbench's stock ("" none)
        QTest::addColumn<QString>("listed"); // after keepMainSelectionListed
        QTest::newRow("listed") << kThree << u"hk00700"_s << u"hk00700"_s << u"hk00700"_s;
        QTest::newRow("no longer listed")
            << kThree << u"sh600036"_s << u"sh600519"_s << u"sh600519"_s;
        QTest::newRow("none yet") << kThree << QString() << u"sh600519"_s << u"sh600519"_s;
        QTest::newRow("empty list") << QStringList() << u"hk00700"_s << QString() << u"hk00700"_s;
    }

    void mainSelection()
    {
        QFETCH(QStringList, watchlist);
        QFETCH(QString, selected);
        QFETCH(QString, shown);
        QFETCH(QString, listed);
        Fixture f(watchlist);
        QVERIFY(f.h.refreshAndWait());
        AppSettings &settings = f.h.app->settings();
        settings.mainDetailSymbol = selected;
        const MainWindowData data = f.presenter.mainWindowData();
        QCOMPARE(data.detail ? data.detail->cards.market.quote.symbol : QString(), shown);
        const std::optional<Quote> current = f.presenter.currentMainDetailQuote();
        QCOMPARE(current ? current->symbol : QString(), shown);
        QVERIFY(!data.holdingTotals); // no position, no totals
        const MainMenuState menu = f.presenter.menuState();
        QCOMPARE(menu.displayEntryCount, watchlist.size());
        QCOMPARE(menu.canGenerateInsight, !shown.isEmpty());

        f.presenter.keepMainSelectionListed();
        QCOMPARE(settings.mainDetailSymbol, listed);
        settings.mainDetailSymbol.clear();
        f.presenter.settleMainDetailSymbol();
        QCOMPARE(settings.mainDetailSymbol, watchlist.isEmpty() ? QString() : watchlist.first());

        // A selection moves to the overview and is kept with a new sort mode.
        f.presenter.setMainSection(MainSection::Watchlist);
        f.presenter.selectMainQuote(u"sz000001"_s);
        QCOMPARE(settings.mainSection, MainSection::Overview);
        f.presenter.setSortMode(WatchlistSortMode::Priority);
        QCOMPARE(f.h.app->config().loadSettings().value(u"mainWatchlistSortMode"_s).toString(),
                 toText(WatchlistSortMode::Priority));
        QCOMPARE(f.presenter.menuState().sortMode, WatchlistSortMode::Priority);
    }

    // The status item's title: a summary, and the same placeholder in every mode for an
    // empty list.
    void statusTitle()
    {
        Fixture f({u"sh600519"_s, u"sz000001"_s, u"sz999999"_s});
        QVERIFY(f.h.refreshAndWait());
        KestrumApp &app = *f.h.app;
        // +1 %, -2 % and a placeholder for the third, through the merge path.
        Quote up;
        up.symbol = u"sh600519"_s;
        up.previousClose = 100;
        up.price = 101;
        Quote down = up;
        down.symbol = u"sz000001"_s;
        down.price = 98;
        app.setQuotes(app.mergedQuotesForWatchItems(app.config().loadWatchlist(), {up, down}));
        QSignalSpy changed(&f.presenter, &Presenter::statusTitleChanged);
        app.setDisplayMode(DisplayMode::Summary);
        QCOMPARE(f.presenter.statusTitle().title, u"自选 ↑1 ↓1 -0.33%"_s);
        QVERIFY(!changed.isEmpty());
        app.setDisplayMode(DisplayMode::First);
        QCOMPARE(f.presenter.statusTitle().title, titleForQuote(app.quotes().first()));
        QCOMPARE(f.presenter.statusTitle().direction, 1);

        f.h.setWatchlist({});
        QVERIFY(f.h.refreshAndWait());
        for (const DisplayMode mode : enumValues<DisplayMode>()) {
            app.setDisplayMode(mode);
            QCOMPARE(f.presenter.statusTitle().title, u"股 --"_s);
        }
    }
};

QTEST_GUILESS_MAIN(tst_Presenter)
#include "tst_presenter.moc"
