// SPDX-License-Identifier: GPL-3.0-or-later
#include "presentation/Presenter.h"

#include "ai/AIProviderSettings.h"
#include "ai/InsightService.h"
#include "alerts/AlertCenter.h"
#include "app/KestrumApp.h"
#include "app/UpdateChecker.h"
#include "app/WatchlistManager.h"
#include "decision/DecisionEngine.h"
#include "model/Formatters.h"
#include "model/HoldingFigures.h"
#include "presentation/HexColor.h"
#include "presentation/WatchlistDisplay.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"

using namespace Qt::StringLiterals;

Presenter::Presenter(KestrumApp &app, QObject *parent)
    : QObject(parent)
    , m_app(app)
    , m_watchlistManager(std::make_unique<WatchlistManager>(app))
{
    connect(m_watchlistManager.get(), &WatchlistManager::watchlistChanged, this, [this] {
        if (m_page == PopoverPage::Manager)
            Q_EMIT popoverDataChanged();
        if (m_app.settings().mainSection == MainSection::Watchlist)
            Q_EMIT mainWindowDataChanged();
    });
    connect(&m_app, &KestrumApp::titleChanged, this, &Presenter::statusTitleChanged);
    for (auto refresh : {&KestrumApp::refreshStarted, &KestrumApp::refreshFinished}) {
        connect(&m_app, refresh, this, &Presenter::popoverDataChanged);
        connect(&m_app, refresh, this, &Presenter::mainWindowDataChanged);
    }
    // A save from a menu reports on the status line; the settings page shows its own.
    connect(&m_app, &KestrumApp::settingsChanged, this, [this] {
        if (m_page != PopoverPage::AISettings)
            Q_EMIT popoverDataChanged();
        Q_EMIT settingsChanged();
    });
    connect(&m_app, &KestrumApp::homeSeriesUpdated, this, [this](const QString &symbol) {
        if (m_page == PopoverPage::Home)
            Q_EMIT popoverDataChanged();
        refreshMainIfShown(symbol);
    });
    connect(&m_app, &KestrumApp::mainSeriesUpdated, this, &Presenter::refreshMainIfShown);
    for (auto shown : {&Presenter::refreshDetailIfShown, &Presenter::refreshMainIfShown}) {
        connect(&m_app, &KestrumApp::detailUpdated, this, shown);
        connect(&m_app.insights(), &InsightService::insightChanged, this, shown);
        connect(&m_app.boardTags(), &BoardTags::boardTagsChanged, this, shown);
    }
    connect(&m_app.alerts(), &AlertCenter::alertPresetChanged, this,
            &Presenter::popoverDataChanged);
    connect(&m_app.updates(), &UpdateChecker::statusLineRequested, this,
            [this](const QString &text) {
                m_app.setLastStatus(text);
                Q_EMIT popoverDataChanged();
            });
}

Presenter::~Presenter() = default;

void Presenter::refreshDetailIfShown(const QString &symbol)
{
    if (symbol == m_detailSymbol)
        Q_EMIT popoverDataChanged();
}

void Presenter::refreshMainIfShown(const QString &symbol)
{
    const std::optional<Quote> shown = currentMainDetailQuote();
    if (shown && shown->symbol == symbol)
        Q_EMIT mainWindowDataChanged();
}

// --- The popover's page ------------------------------------------------------------------

void Presenter::setPage(PopoverPage page)
{
    if (page == PopoverPage::Home)
        m_detailSymbol.clear();
    if (m_page == page)
        return;
    m_page = page;
    Q_EMIT pageChanged();
}

void Presenter::leaveToBase()
{
    setPage(m_detailSymbol.isEmpty() ? PopoverPage::Home : PopoverPage::Detail);
}

PopoverPage Presenter::settledPage()
{
    if (m_page == PopoverPage::Detail && !m_app.quoteForSymbol(m_detailSymbol))
        setPage(PopoverPage::Home);
    return m_page;
}

void Presenter::openPopover()
{
    setPage(PopoverPage::Home);
}

void Presenter::openDetail(const QString &symbol)
{
    if (symbol.isEmpty())
        return;
    m_detailSymbol = symbol;
    m_app.prepareQuoteDetailForSymbol(symbol);
    m_chartEntrances.owe(symbol);
    // Shown even when the page already was a detail: the stock is another one.
    m_page = PopoverPage::Detail;
    Q_EMIT pageChanged();
    m_app.refreshQuoteDetailNowForSymbol(symbol);
}

void Presenter::back()
{
    switch (m_page) {
    case PopoverPage::Home:
        return;
    case PopoverPage::Detail:
        setPage(PopoverPage::Home);
        return;
    case PopoverPage::AISettings:
        m_app.aiSettings().exitAISettings();
        break;
    case PopoverPage::Manager:
        break;
    }
    const bool leftManager = m_page == PopoverPage::Manager;
    leaveToBase();
    if (leftManager && m_app.settings().mainSection == MainSection::Watchlist)
        Q_EMIT mainSectionRequested(MainSection::Overview);
}

void Presenter::openManager()
{
    m_detailSymbol.clear();
    setPage(PopoverPage::Manager);
}

void Presenter::openAISettings()
{
    m_detailSymbol.clear();
    setPage(PopoverPage::AISettings);
}

void Presenter::saveAISettings(const AISettingsPageInputs &inputs)
{
    m_app.aiSettings().saveAISettings(inputs);
    // Saving leaves the page; the status line says it was saved.
    if (m_page == PopoverPage::AISettings)
        leaveToBase();
}

void Presenter::desktopTakesOver()
{
    if (m_page == PopoverPage::Manager || m_page == PopoverPage::AISettings)
        leaveToBase();
}

// --- The desktop window's section and selection ------------------------------------------

void Presenter::setMainSection(MainSection section)
{
    AppSettings &settings = m_app.settings();
    const bool entering =
        section == MainSection::Watchlist && settings.mainSection != MainSection::Watchlist;
    settings.mainSection = section;
    if (entering)
        m_watchlistManager->enterDesktopSection();
    if (section == MainSection::Ai)
        setPage(PopoverPage::AISettings);
    else if (section == MainSection::Watchlist)
        setPage(PopoverPage::Manager);
    else
        desktopTakesOver();
}

void Presenter::selectMainQuote(const QString &symbol)
{
    AppSettings &settings = m_app.settings();
    settings.mainSection = MainSection::Overview;
    settings.mainDetailSymbol = symbol;
    m_app.ensureMainIntradaySeriesForSymbol(symbol);
}

void Presenter::settleMainDetailSymbol()
{
    AppSettings &settings = m_app.settings();
    if (!settings.mainDetailSymbol.isEmpty())
        return;
    const QList<Quote> display = mainDisplayQuotes();
    settings.mainDetailSymbol = display.isEmpty() ? QString() : display.first().symbol;
}

void Presenter::keepMainSelectionListed()
{
    const QList<Quote> display = mainDisplayQuotes();
    if (display.isEmpty())
        return;
    AppSettings &settings = m_app.settings();
    for (const Quote &quote : display) {
        if (quote.symbol == settings.mainDetailSymbol)
            return;
    }
    settings.mainDetailSymbol = display.first().symbol;
}

void Presenter::setSortMode(WatchlistSortMode mode)
{
    m_app.settings().mainWatchlistSortMode = mode;
    // The selection stays on a listed stock; both surfaces redraw on the saved settings.
    keepMainSelectionListed();
    m_app.saveSettings();
}

void Presenter::generateInsight(const QString &symbol)
{
    m_app.insights().generateAIInsight(symbol.isEmpty() ? m_detailSymbol : symbol);
}

// --- What the surfaces draw --------------------------------------------------------------

namespace {

// A quote without price reads "数据不足" whatever its decision says.
ActionStatus shownBuyStatus(const Quote &quote, const QuoteDecision &decision)
{
    const bool valid = quote.price > 0 && quote.previousClose > 0;
    return valid ? decision.buyStatus() : ActionStatus::NoData;
}

} // namespace

QList<Quote> Presenter::mainDisplayQuotes() const
{
    const DecisionEngine &engine = m_app.engine();
    return WatchlistDisplay::sorted(
        m_app.quotes(), m_app.settings().mainWatchlistSortMode,
        [&engine](const Quote &quote) { return engine.decisionForQuote(quote).buyStatus(); });
}

namespace {

int directionOf(double value)
{
    return value > 0 ? 1 : (value < 0 ? -1 : 0);
}

// The position's marks on a list row: today's P&L and the bell.
template<typename Row>
Row withMarks(const KestrumApp &app, Row row)
{
    if (const std::optional<HoldingFigures> figures = app.holdingFiguresForQuote(row.quote)) {
        row.holdingText = figures->todayProfitText();
        row.holdingDirection = directionOf(figures->todayProfit);
    }
    row.alertsArmed = app.hasArmedPriceAlertsForSymbol(row.quote.symbol);
    return row;
}

// "1,000 股"; a fractional holding keeps its cents.
QString sharesText(double shares)
{
    QString text = formatMoney(shares);
    if (text.endsWith(u".00"))
        text.chop(3);
    return text + u" 股"_s;
}

} // namespace

std::optional<HoldingLineData> Presenter::holdingLine(const Quote &quote) const
{
    const std::optional<Holding> holding = m_app.holdingForSymbol(quote.symbol);
    if (!holding)
        return std::nullopt;
    const QString none = u"--"_s;
    HoldingLineData line;
    line.shares = sharesText(holding->shares);
    line.cost = holding->cost ? formatMoney(*holding->cost) : none;
    line.marketValue = none;
    line.todayProfit = none;
    line.floatingProfit = none;
    // A quote without a price values nothing: dashes, never a made-up zero.
    if (const std::optional<HoldingFigures> figures = m_app.holdingFiguresForQuote(quote)) {
        line.marketValue = formatMoney(figures->marketValue);
        line.todayProfit = formatSignedMoney(figures->todayProfit);
        line.todayDirection = directionOf(figures->todayProfit);
        if (figures->floatingProfit) {
            line.floatingProfit = formatSignedMoney(*figures->floatingProfit);
            line.floatingDirection = directionOf(*figures->floatingProfit);
        }
        if (figures->floatingProfitPercent)
            line.floatingPercent = formatPercent(*figures->floatingProfitPercent);
    }
    return line;
}

HomePageData Presenter::homePageData() const
{
    const DecisionEngine &engine = m_app.engine();
    HomePageData data;
    for (const Quote &quote : mainDisplayQuotes()) {
        const QuoteDecision decision = engine.decisionForQuote(quote);
        data.rows.append(withMarks(
            m_app, HomeRow{quote, shownBuyStatus(quote, decision), decision.homeBuyTagHint()}));
    }
    data.marketStatus = m_app.marketStatusInfo();
    data.lastStatus = m_app.lastStatus();
    data.priceFlashDirections = m_app.priceFlashDirections();
    data.holdingTotals = HoldingTotalsData::from(m_app.holdingTotals(), m_app.exchangeRates());
    return data;
}

std::optional<Quote> Presenter::currentMainDetailQuote() const
{
    if (const std::optional<Quote> selected =
            m_app.quoteForSymbol(m_app.settings().mainDetailSymbol))
        return selected;
    const QList<Quote> display = mainDisplayQuotes();
    if (!display.isEmpty())
        return display.first();
    if (!m_app.quotes().isEmpty())
        return m_app.quotes().first();
    return std::nullopt;
}

MainWindowData Presenter::mainWindowData() const
{
    const DecisionEngine &engine = m_app.engine();
    const AppSettings &settings = m_app.settings();
    MainWindowData data;
    data.section = settings.mainSection;
    data.detailSymbol = settings.mainDetailSymbol;
    data.quotes = m_app.quotes();
    const QList<Quote> display = mainDisplayQuotes();
    std::optional<Quote> detail;
    for (const Quote &quote : display) {
        data.rows.append(withMarks(
            m_app, MainQuoteRowData{quote, shownBuyStatus(quote, engine.decisionForQuote(quote))}));
        if (!detail && quote.symbol == settings.mainDetailSymbol)
            detail = quote;
    }
    if (!detail && !display.isEmpty())
        detail = display.first();
    data.marketStatus = m_app.marketStatusInfo();
    data.lastStatus = m_app.lastStatus();
    data.priceFlashDirections = m_app.priceFlashDirections();
    data.holdingTotals = HoldingTotalsData::from(m_app.holdingTotals(), m_app.exchangeRates());
    if (detail) {
        MainDetailData main;
        main.cards = quoteDetailData(*detail);
        main.dailyBadge = m_app.dailyCache().dailyContextBadgeDisplayForQuote(*detail);
        main.dailyAccentHex = m_app.dailyCache().dailyContextAccentForQuote(*detail);
        main.lastStatus = data.lastStatus;
        data.detail = main;
    }
    return data;
}

QuoteDetailData Presenter::quoteDetailData(const Quote &quote) const
{
    QuoteDetailData data;
    const QString accent = HexColor::accentForChangePercent(quote.changePercent());
    data.market.quote = quote;
    data.market.accentHex = accent;
    data.market.boardTag = m_app.boardTags().boardTagDisplayForQuote(quote);
    data.market.series = IntradayChartSeries::forQuote(m_app.intraday(), quote, accent);
    data.market.series.shouldAnimate = m_chartEntrances.isOwed(quote.symbol);
    data.market.priceFlashDirections = m_app.priceFlashDirections();
    data.market.holding = holdingLine(quote);

    const InsightService &insights = m_app.insights();
    const InsightCardText text = insights.insightCardForQuote(quote);
    data.insight.symbol = quote.symbol;
    data.insight.subtitle = text.subtitle;
    data.insight.message = text.body;
    data.insight.hasError = insights.errorForSymbol(quote.symbol).has_value();
    data.insight.isLoading = insights.isLoading(quote.symbol);
    data.insight.isConfigured = m_app.settings().aiEnabled && !m_app.settings().aiAPIKey.isEmpty();

    data.metrics = m_app.engine().scenarioMetricsForQuote(quote);
    return data;
}

MainMenuState Presenter::menuState() const
{
    MainMenuState state;
    const AppSettings &settings = m_app.settings();
    // The display order only reorders the quotes, so their number is the entries' number.
    state.displayEntryCount = static_cast<int>(m_app.quotes().size());
    const std::optional<Quote> current = currentMainDetailQuote();
    state.canGenerateInsight =
        current && !current->symbol.isEmpty() && !m_app.insights().isLoading(current->symbol);
    state.sortMode = settings.mainWatchlistSortMode;
    state.openDesktopOnLaunch = settings.openDesktopOnLaunch;
    state.alwaysOnTop = settings.mainWindowAlwaysOnTop;
    state.updateCheckInFlight = m_app.updates().isUpdateCheckInFlight();
    state.updateCheckAvailable = m_app.updates().isAvailable();
    state.automaticUpdateCheck = settings.autoCheckForUpdates;
    state.alertPreset = m_app.alerts().alertPreset();
    state.displayMode = m_app.displayMode();
    return state;
}

StatusTitle Presenter::statusTitle() const
{
    return {m_app.title(), m_app.titleDirection()};
}
