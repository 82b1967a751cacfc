// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/KestrumApp.h"

#include "ai/AIProviderSettings.h"
#include "ai/InsightPrompt.h"
#include "ai/InsightService.h"
#include "alerts/AlertCenter.h"
#include "alerts/FreedesktopNotifier.h"
#include "alerts/PriceAlertMonitor.h"
#include "app/PackageInfo.h"
#include "app/UpdateChecker.h"
#include "config/JsonFile.h"
#include "config/LoginItemManager.h"
#include "decision/DecisionEngine.h"
#include "decision/StateSnapshots.h"
#include "intraday/IntradayAnalytics.h"
#include "intraday/TradingClock.h"
#include "market/MarketSources.h"
#include "model/Clock.h"
#include "model/Formatters.h"
#include "model/MinuteSeries.h"
#include "model/Symbol.h"
#include "net/HttpClient.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"
#include "strategy/DecisionSampleLog.h"
#include "strategy/StrategyStore.h"

#include <QDBusConnection>
#include <QFileInfo>
#include <QJsonObject>
#include <QPointer>
#include <QSettings>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QString itemSymbol(const QJsonValue &item)
{
    return item.toObject().value(u"symbol"_s).toString();
}

int directionOf(double changePercent)
{
    return changePercent > 0 ? 1 : changePercent < 0 ? -1 : 0;
}

} // namespace

KestrumApp::KestrumApp(const Options &options, QObject *parent)
    : QObject(parent)
    , m_config(options.appDirectory.isEmpty() ? ConfigStore::defaultAppDirectory()
                                              : options.appDirectory)
    , m_lastStatus(u"启动中"_s)
    , m_title(u"股 --"_s)
{
    if (options.clock) {
        m_clock = options.clock;
    } else {
        m_ownedClock = std::make_unique<SystemClock>();
        m_clock = m_ownedClock.get();
    }
    if (options.preferences) {
        m_preferences = options.preferences;
    } else {
        m_ownedPreferences = std::make_unique<QSettings>(u"Orvell"_s, u"Kestrum"_s);
        m_preferences = m_ownedPreferences.get();
    }
    m_http = std::make_unique<HttpClient>(this);
    m_market = std::make_unique<MarketSources>(
        *m_http, options.endpoints.value_or(Endpoints::fromEnvironment()), *m_clock);

    m_analytics = std::make_unique<IntradayAnalytics>(m_intraday);
    m_strategy = std::make_unique<StrategyStore>(m_config, *m_clock);
    m_daily = std::make_unique<DailyCache>(
        *m_strategy, [this](const QString &symbol, DailyCache::DaysCompletion done) {
            m_market->dailyBars.fetch(symbol, this, std::move(done));
        });
    m_boardTags = std::make_unique<BoardTags>(
        *m_strategy, [this](const QString &symbol, BoardTags::TagsCompletion done) {
            m_market->boardTags.fetch(symbol, this, std::move(done));
        });
    m_engine = std::make_unique<DecisionEngine>(m_intraday, *m_daily, m_backgroundQuotes);
    m_snapshots = std::make_unique<StateSnapshots>(*m_engine);
    m_samples = std::make_unique<DecisionSampleLog>(*m_strategy, m_intraday, *m_daily, *m_boardTags,
                                                    m_snapshots->decisionSampleReader());
    auto save = [this] {
        saveSettings();
    };
    auto saveTelling = [this](QString *why) {
        return saveSettings(why);
    };
    m_prompt = std::make_unique<InsightPrompt>(*m_engine, *m_snapshots, *m_boardTags, m_quotes);

    if (options.notifier) {
        m_notifier = options.notifier;
    } else {
        m_ownedNotifier = std::make_unique<FreedesktopNotifier>(QDBusConnection::sessionBus());
        m_notifier = m_ownedNotifier.get();
    }
    AlertSources alertSources;
    alertSources.currentSnapshot = [this](const QString &symbol) {
        return m_snapshots->currentStateForSymbol(symbol);
    };
    alertSources.previousSnapshot = [this](const QString &symbol) {
        return m_snapshots->previousStateForSymbol(symbol);
    };
    alertSources.shouldHoldBackAggressiveBuy = [this](const Quote &q) {
        return m_engine->shouldHoldBackAggressiveBuyForQuote(q);
    };
    m_alerts = std::make_unique<AlertCenter>(m_settings, *m_notifier, *m_clock, m_quotes,
                                             alertSources, save);
    m_priceAlerts =
        std::make_unique<PriceAlertMonitor>(m_config, m_settings, *m_notifier, *m_clock);

    connect(m_daily.get(), &DailyCache::unreadableFileFound, this,
            [this](const QString &copy) { noteUnreadableFile(StoredFile::DailyCache, copy); });
    connect(m_boardTags.get(), &BoardTags::unreadableFileFound, this,
            [this](const QString &copy) { noteUnreadableFile(StoredFile::BoardMap, copy); });

    m_aiSettings = std::make_unique<AIProviderSettings>(m_settings, *m_http, saveTelling);
    // Saving the AI settings reports on the status line until the next refresh.
    connect(m_aiSettings.get(), &AIProviderSettings::aiSettingsSaved, this,
            [this](const QString &text) { m_lastStatus = text; });
    InsightSources sources;
    sources.prompt = [this](const Quote &q) {
        return m_prompt->messagesForQuote(q);
    };
    sources.nextWatchDirective = [this](const Quote &q) {
        return m_engine->nextWatchDirectiveForQuote(q);
    };
    sources.quoteForSymbol = [this](const QString &symbol) {
        return quoteForSymbol(symbol);
    };
    sources.intradayStructure = [this](const Quote &q) {
        return m_analytics->intradayStructureDescriptionForQuote(q);
    };
    sources.detailedVolumePrice = [this](const Quote &q) {
        return m_analytics->detailedVolumePriceDescriptionForQuote(q);
    };
    sources.priceAnchor = [this](const Quote &q) {
        return m_analytics->priceAnchorDescriptionForQuote(q);
    };
    sources.averageLine = [this](const Quote &q) {
        return m_analytics->averageLineDescriptionForQuote(q);
    };
    m_insights = std::make_unique<InsightService>(m_settings, *m_http, *m_clock, sources, save);
    m_updates = std::make_unique<UpdateChecker>(
        *m_http, options.package.value_or(PackageInfo::fromEnvironment()), options.urlOpener);
    m_loginItem =
        options.autostartDirectory.isEmpty()
            ? std::make_unique<LoginItemManager>()
            : std::make_unique<LoginItemManager>(options.autostartDirectory,
                                                 options.autostartProgram.isEmpty()
                                                     ? LoginItemManager::defaultExecutablePath()
                                                     : options.autostartProgram);

    m_refreshTimer.setInterval(kRefreshIntervalMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &KestrumApp::refresh);
    m_rotateTimer.setInterval(kRotateIntervalMs);
    connect(&m_rotateTimer, &QTimer::timeout, this, &KestrumApp::rotateTitle);
}

KestrumApp::~KestrumApp()
{
    // Outcomes still in the journal go into the log itself, for whoever reads it next.
    if (m_samples)
        m_samples->foldNotedOutcomes();
}

// --- Launch and lifecycle ---------------------------------------------------------------

void KestrumApp::loadSettings()
{
    JsonFile::KeptAside kept;
    m_settings = AppSettings::fromJson(m_config.loadSettings(&kept));
    noteUnreadableSettings(kept);
    Q_EMIT settingsChanged();
}

bool KestrumApp::saveSettings(QString *why)
{
    JsonFile::KeptAside kept;
    const bool saved = m_config.saveSettings(m_settings.toJson(), &kept);
    noteUnreadableSettings(kept);
    if (!saved) {
        m_lastStatus = JsonFile::notSavedText(u"设置"_s, m_config.settingsPath());
        if (why)
            *why = m_lastStatus;
    }
    Q_EMIT settingsChanged();
    return saved;
}

void KestrumApp::noteBackgroundSaveFailures()
{
    const std::pair<const char16_t *, QString> files[] = {
        {u"日线缓存", m_strategy->dailyCacheURL()},
        {u"板块映射", m_strategy->boardMapURL()},
        {u"决策样本记录", m_strategy->decisionSamplesURL()},
    };
    for (const auto &[what, path] : files) {
        if (!JsonFile::lastFailure(path)) {
            m_failingBackgroundFiles.remove(path);
        } else if (!m_failingBackgroundFiles.contains(path)) {
            m_failingBackgroundFiles.insert(path);
            m_pendingNotices.append(JsonFile::notSavedText(QString::fromUtf16(what), path));
        }
    }
}

void KestrumApp::noteUnreadableSettings(const JsonFile::KeptAside &kept)
{
    // Also where the settings are shown: the AI page is where a missing key is noticed.
    if (kept.unreadable && noteUnreadableFile(StoredFile::Settings, kept.copyPath))
        m_aiSettings->showSettingsFileNotice(
            unreadableFileNotice(StoredFile::Settings, kept.copyPath));
}

QString KestrumApp::unreadableFileNotice(StoredFile file, const QString &copyPath)
{
    // In the order of StoredFile.
    static const char16_t *const names[] = {u"自选列表文件", u"设置文件", u"日线缓存文件",
                                            u"板块映射文件"};
    const QString what = QString::fromUtf16(names[int(file)]);
    if (copyPath.isEmpty())
        return what + u"无法读取，已保持原样"_s;
    return what + u"无法读取，原文件已另存为 "_s + QFileInfo(copyPath).fileName();
}

QString KestrumApp::unreadableWatchlistStatus()
{
    return u"自选列表文件无法读取，请检查 watchlist.json"_s;
}

bool KestrumApp::noteUnreadableFile(StoredFile file, const QString &copyPath)
{
    const QString notice = unreadableFileNotice(file, copyPath);
    if (m_toldNotices.contains(notice))
        return false;
    m_toldNotices.insert(notice);
    m_pendingNotices.append(notice);
    return true;
}

void KestrumApp::loadStrategy()
{
    m_strategy->loadStrategyDataLayer(*m_daily, *m_boardTags);
    // Only the samples whose outcomes can fall due are read before the first refresh; the
    // log's older lines (up to 20 MiB) are indexed after it, between events.
    m_samples->loadPendingDecisionSamples();
    connect(
        this, &KestrumApp::refreshFinished, this, &KestrumApp::loadOlderDecisionSamples,
        Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection | Qt::UniqueConnection));
    m_boardTags->ensureBoardTagsForWatchItems(m_config.loadWatchlist());
}

void KestrumApp::loadOlderDecisionSamples()
{
    // A few milliseconds of reading at a time, so the interface stays responsive.
    constexpr qint64 kSliceBytes = 256 * 1024;
    if (m_samples->loadOlderDecisionSamples(kSliceBytes))
        QTimer::singleShot(0, this, &KestrumApp::loadOlderDecisionSamples);
}

int KestrumApp::removeLeftoverTemporaryFiles()
{
    return JsonFile::removeLeftoverTemporaryFiles(m_config.appDir(),
                                                  {QFileInfo(m_config.watchlistPath()).fileName(),
                                                   QFileInfo(m_config.settingsPath()).fileName()}) +
           JsonFile::removeLeftoverTemporaryFiles(
               m_strategy->strategyDirectoryURL(),
               {QFileInfo(m_strategy->dailyCacheURL()).fileName(),
                QFileInfo(m_strategy->boardMapURL()).fileName(),
                QFileInfo(m_strategy->decisionSamplesURL()).fileName(),
                QFileInfo(m_strategy->decisionOutcomesURL()).fileName()});
}

bool KestrumApp::toggleLoginItem()
{
    // The menu shows isEnabled(), the entry as it is on disk, whatever became of this.
    const bool done = m_loginItem->setEnabled(!m_loginItem->isEnabled());
    if (!done)
        m_lastStatus = m_loginItem->failureText();
    Q_EMIT settingsChanged();
    return done;
}

void KestrumApp::scheduleAutomaticUpdateCheck()
{
    QTimer::singleShot(UpdateChecker::kAutomaticCheckDelayMs, this,
                       [this] { runAutomaticUpdateCheck(); });
}

bool KestrumApp::runAutomaticUpdateCheck()
{
    if (!m_updates->isAvailable() || !m_settings.autoCheckForUpdates)
        return false;
    m_updates->checkForUpdatesUserInitiated(false);
    return true;
}

void KestrumApp::toggleAutomaticUpdateCheck()
{
    m_settings.autoCheckForUpdates = !m_settings.autoCheckForUpdates;
    saveSettings();
}

void KestrumApp::refreshLoginItemIfStale()
{
    m_loginItem->refreshIfStale();
}

void KestrumApp::startTimers()
{
    // Neither interval depends on market hours: the cycle itself copes with a closed market.
    m_refreshTimer.start();
    m_rotateTimer.start();
}

void KestrumApp::pauseTimers()
{
    if (m_pauseDepth++ > 0)
        return;
    m_timersWereRunning = m_refreshTimer.isActive();
    m_refreshTimer.stop();
    m_rotateTimer.stop();
}

void KestrumApp::resumeTimers()
{
    if (m_pauseDepth == 0 || --m_pauseDepth > 0)
        return;
    if (m_timersWereRunning)
        startTimers();
}

void KestrumApp::reloadConfig()
{
    m_rotateIndex = 0;
    loadSettings();
    refresh();
}

QString KestrumApp::sendTestAlertPreferenceKey()
{
    return u"KSSendTestAlertOnLaunch"_s;
}

bool KestrumApp::sendTestAlertOnLaunchIfRequested()
{
    const bool fromEnvironment = qEnvironmentVariable("KESTRUM_SEND_TEST_ALERT") == u"1";
    const bool fromPreference = m_preferences->value(sendTestAlertPreferenceKey(), false).toBool();
    if (!fromEnvironment && !fromPreference)
        return false;
    // One-shot: cleared as soon as it is honoured, before anything can go wrong.
    m_preferences->setValue(sendTestAlertPreferenceKey(), false);
    m_preferences->sync();
    QTimer::singleShot(kTestAlertDelayMs, this, [this] { m_alerts->sendTestAlertNotification(); });
    return true;
}

// --- Refresh cycle ----------------------------------------------------------------------

void KestrumApp::refresh()
{
    if (m_refreshing)
        return; // a tick during a request is dropped, not queued
    m_refreshing = true;
    m_lastStatus = u"正在加载行情..."_s;
    Q_EMIT refreshStarted();

    const QJsonArray watchlist = m_config.loadWatchlist();
    noteStoredWatchlist(watchlist);
    m_boardTags->ensureBoardTagsForWatchItems(watchlist); // in the background
    QStringList watchSymbols;
    for (const QJsonValue &item : watchlist) {
        if (!item.isObject())
            continue;
        // An entry that is no symbol stays a placeholder and is never sent: in the shared
        // request it would break every other symbol's quote.
        const QString symbol = itemSymbol(item);
        if (Symbol::isStoredForm(symbol))
            watchSymbols.append(symbol);
    }
    QStringList request;
    for (const QString &symbol : watchSymbols + DecisionEngine::backgroundIndexSymbols()) {
        if (!request.contains(symbol))
            request.append(symbol);
    }

    m_market->quotes.fetch(request, this, [this, watchlist, watchSymbols](const QList<Quote> &q) {
        finishRefresh(watchlist, watchSymbols, q);
    });
}

void KestrumApp::finishRefresh(const QJsonArray &watchlist, const QStringList &watchSymbols,
                               const QList<Quote> &fetched)
{
    m_refreshing = false;

    const QStringList &indices = DecisionEngine::backgroundIndexSymbols();
    QList<Quote> fetchedWatch;
    for (const Quote &quote : fetched) {
        const QString lower = quote.symbol.toLower();
        if (indices.contains(lower)) {
            m_backgroundQuotes.insert(lower, quote);
            // A watched index gets its quote too, or it would never update.
            if (watchSymbols.contains(quote.symbol))
                fetchedWatch.append(quote);
        } else {
            fetchedWatch.append(quote);
        }
    }

    m_lastRefreshSucceeded =
        !fetchedWatch.isEmpty() || (watchSymbols.isEmpty() && !fetched.isEmpty());
    if (!fetchedWatch.isEmpty()) {
        // The learning steps, in their order: each reads what the one before left.
        const QList<Quote> merged = mergedQuotesForWatchItems(watchlist, fetchedWatch);
        applyFreshQuotes(merged, fetchedWatch, true);
        refreshHomeIntradaySeriesForQuotes(merged);
        m_daily->refreshStrategyDailyCacheForQuotes(merged);
        runDecisionSamplePass(merged);
        // Last: alerts compare the snapshots just rolled and captured.
        m_alerts->checkAlerts(fetchedWatch);
        checkPriceAlerts(fetchedWatch);
    } else if (!watchSymbols.isEmpty()) {
        m_quotes = mergedQuotesForWatchItems(watchlist, {});
        m_lastStatus = u"网络异常，显示上次行情"_s;
    } else {
        m_quotes.clear();
        m_lastStatus =
            m_config.isWatchlistUnreadable() ? unreadableWatchlistStatus() : u"未添加自选股"_s;
    }
    noteBackgroundSaveFailures();
    if (!m_pendingNotices.isEmpty()) {
        m_lastStatus = m_pendingNotices.join(u"；"_s);
        m_pendingNotices.clear();
    }

    if (m_rotateIndex < 0 || m_rotateIndex >= m_quotes.size())
        m_rotateIndex = 0;
    rotateTitle();
    Q_EMIT refreshFinished();
}

void KestrumApp::applyFreshQuotes(const QList<Quote> &shown, const QList<Quote> &fetched,
                                  bool wholeList)
{
    QStringList symbols;
    for (const Quote &quote : shown)
        symbols.append(quote.symbol);
    // Before the new quotes are published, so "previous" means the refresh before.
    m_snapshots->rollStateSnapshotsForwardForSymbols(symbols);
    updatePriceFlashStateForQuotes(shown);
    if (wholeList) {
        m_quotes = shown;
    } else {
        for (const Quote &quote : shown) {
            bool replaced = false;
            for (Quote &existing : m_quotes) {
                if (existing.symbol == quote.symbol) {
                    existing = quote;
                    replaced = true;
                }
            }
            if (!replaced)
                m_quotes.append(quote);
        }
    }
    m_lastStatus = shown.isEmpty() ? QString() : shown.first().date + u' ' + shown.first().time;
    m_intraday.recordIntradaySamples(fetched);
    // After the samples: the current snapshots read the series they extend.
    m_snapshots->captureCurrentStateSnapshotsForQuotes(shown);
}

void KestrumApp::checkPriceAlerts(const QList<Quote> &fetched)
{
    // The monitor reads the list file again; most lists hold no condition that can fire, and
    // the items noted at this refresh's start (and at every save since) say so.
    if (std::none_of(m_watchItems.cbegin(), m_watchItems.cend(),
                     [](const WatchItem &item) { return hasArmedPriceAlerts(item); }))
        return;
    const PriceAlertMonitor::Outcome outcome = m_priceAlerts->checkPriceAlerts(fetched);
    if (!outcome.marked)
        return;
    noteStoredWatchlist(m_config.loadWatchlist());
    // Told once per outage: the conditions stay quiet for this run all the same.
    if (outcome.saveFailed && !m_priceAlertSaveFailing)
        m_pendingNotices.append(JsonFile::notSavedText(u"自选列表"_s, m_config.watchlistPath()));
    m_priceAlertSaveFailing = outcome.saveFailed;
}

std::optional<Quote> KestrumApp::quoteForSymbol(const QString &symbol) const
{
    for (const Quote &quote : m_quotes) {
        if (quote.symbol == symbol)
            return quote;
    }
    return std::nullopt;
}

Quote KestrumApp::placeholderQuoteForWatchItem(const WatchItem &item)
{
    Quote q;
    q.symbol = item.value(u"symbol"_s).toString();
    const QString name = item.value(u"name"_s).toString();
    q.name = name.isEmpty() ? q.symbol : name;
    q.date = u"--"_s;
    q.time = u"--"_s;
    return q;
}

QList<Quote> KestrumApp::mergedQuotesForWatchItems(const QJsonArray &items,
                                                   const QList<Quote> &fetched) const
{
    QHash<QString, Quote> bySymbol;
    for (const Quote &quote : fetched) {
        if (!quote.symbol.isEmpty())
            bySymbol.insert(quote.symbol, quote);
    }
    QList<Quote> merged;
    for (const QJsonValue &value : items) {
        if (!value.isObject())
            continue;
        const WatchItem item = value.toObject();
        const QString symbol = item.value(u"symbol"_s).toString();
        if (symbol.isEmpty())
            continue;
        Quote quote;
        if (const auto it = bySymbol.constFind(symbol); it != bySymbol.cend())
            quote = *it;
        else if (const auto previous = quoteForSymbol(symbol))
            quote = *previous;
        else
            quote = placeholderQuoteForWatchItem(item);
        if (quote.name.isEmpty()) {
            const QString name = item.value(u"name"_s).toString();
            quote.name = name.isEmpty() ? symbol : name;
        }
        merged.append(quote);
    }
    return merged;
}

void KestrumApp::updatePriceFlashStateForQuotes(const QList<Quote> &quotes)
{
    QStringList moved;
    for (const Quote &quote : quotes) {
        const auto previous = quoteForSymbol(quote.symbol);
        if (!previous || !(previous->price > 0) || !(quote.price > 0))
            continue;
        if (std::fabs(quote.price - previous->price) < 0.001)
            continue;
        m_priceFlash.insert(quote.symbol, quote.price > previous->price ? 1 : -1);
        moved.append(quote.symbol);
    }
    if (moved.isEmpty())
        return;
    Q_EMIT priceFlashChanged();
    QTimer::singleShot(kPriceFlashMs, this, [this, moved] {
        for (const QString &symbol : moved)
            m_priceFlash.remove(symbol);
        Q_EMIT priceFlashChanged();
    });
}

MarketStatus KestrumApp::marketStatusInfo() const
{
    return MarketStatus::at(m_clock->now());
}

// --- Holdings and price conditions ----------------------------------------------------

void KestrumApp::noteStoredWatchlist(const QJsonArray &items)
{
    m_watchItems.clear();
    for (const QJsonValue &value : items) {
        const WatchItem item = value.toObject();
        const QString symbol = item.value(u"symbol"_s).toString();
        if (!symbol.isEmpty() && !m_watchItems.contains(symbol))
            m_watchItems.insert(symbol, item);
    }
}

std::optional<WatchItem> KestrumApp::watchItemForSymbol(const QString &symbol) const
{
    const auto it = m_watchItems.constFind(symbol);
    return it == m_watchItems.cend() ? std::nullopt : std::optional<WatchItem>(*it);
}

std::optional<Holding> KestrumApp::holdingForSymbol(const QString &symbol) const
{
    const std::optional<WatchItem> item = watchItemForSymbol(symbol);
    return item ? Holding::fromItem(*item) : std::nullopt;
}

std::optional<HoldingFigures> KestrumApp::holdingFiguresForQuote(const Quote &quote) const
{
    const std::optional<Holding> holding = holdingForSymbol(quote.symbol);
    return holding ? HoldingFigures::forQuote(quote, *holding) : std::nullopt;
}

HoldingTotals KestrumApp::holdingTotals() const
{
    HoldingTotals totals;
    for (const Quote &quote : m_quotes) {
        const std::optional<Holding> holding = holdingForSymbol(quote.symbol);
        if (!holding)
            continue;
        if (const auto figures = HoldingFigures::forQuote(quote, *holding))
            totals.add(*figures);
        else
            totals.addUnpriced();
    }
    return totals;
}

ExchangeRates KestrumApp::exchangeRates() const
{
    const auto known = [](double rate) {
        return rate > 0 ? std::optional<double>(rate) : std::nullopt;
    };
    return {known(m_settings.exchangeRateHKD), known(m_settings.exchangeRateUSD)};
}

bool KestrumApp::setExchangeRates(const ExchangeRates &rates, QString *why)
{
    m_settings.exchangeRateHKD = rates.hkd.value_or(0);
    m_settings.exchangeRateUSD = rates.usd.value_or(0);
    return saveSettings(why);
}

QList<PriceAlert> KestrumApp::priceAlertsForSymbol(const QString &symbol) const
{
    const std::optional<WatchItem> item = watchItemForSymbol(symbol);
    return item ? PriceAlert::listFromItem(*item) : QList<PriceAlert>();
}

bool KestrumApp::hasArmedPriceAlertsForSymbol(const QString &symbol) const
{
    const std::optional<WatchItem> item = watchItemForSymbol(symbol);
    return item && hasArmedPriceAlerts(*item);
}

// --- Status-item title ------------------------------------------------------------------

void KestrumApp::setTitle(const QString &title, int direction)
{
    m_titleDirection = direction;
    m_title = title;
    Q_EMIT titleChanged(title);
}

QString KestrumApp::summaryTitle() const
{
    qint64 up = 0, down = 0;
    double sum = 0;
    for (const Quote &quote : m_quotes) {
        const double percent = quote.changePercent();
        up += percent > 0;
        down += percent < 0;
        sum += percent;
    }
    const double mean = m_quotes.isEmpty() ? 0 : sum / m_quotes.size();
    return u"自选 ↑"_s + QString::number(up) + u" ↓"_s + QString::number(down) + u' ' +
           formatPercent(mean);
}

void KestrumApp::rotateTitle()
{
    if (m_quotes.isEmpty()) {
        m_currentDisplaySymbol.clear();
        setTitle(u"股 --"_s, 0);
        return;
    }
    if (m_settings.displayMode == DisplayMode::Summary) {
        m_currentDisplaySymbol.clear();
        double sum = 0;
        for (const Quote &quote : m_quotes)
            sum += quote.changePercent();
        setTitle(summaryTitle(), directionOf(sum));
        return;
    }
    if (m_settings.displayMode == DisplayMode::First) {
        const Quote &q = m_quotes.first();
        m_currentDisplaySymbol = q.symbol;
        setTitle(titleForQuote(q), directionOf(q.changePercent()));
        return;
    }
    if (m_popoverShown && !m_currentDisplaySymbol.isEmpty()) {
        if (const auto held = quoteForSymbol(m_currentDisplaySymbol)) {
            setTitle(titleForQuote(*held), directionOf(held->changePercent()));
            return;
        }
    }
    const int index = m_rotateIndex >= 0 && m_rotateIndex < m_quotes.size() ? m_rotateIndex : 0;
    const Quote &q = m_quotes.at(index);
    m_rotateIndex = (index + 1) % m_quotes.size();
    m_currentDisplaySymbol = q.symbol;
    setTitle(titleForQuote(q), directionOf(q.changePercent()));
}

void KestrumApp::setDisplayMode(DisplayMode mode)
{
    m_settings.displayMode = mode;
    m_rotateIndex = 0;
    saveSettings();
    rotateTitle();
}

// --- Intraday series --------------------------------------------------------------------

void KestrumApp::fetchSeriesForSymbol(const QString &symbol,
                                      void (KestrumApp::*updated)(const QString &))
{
    m_market->minutes.fetch(symbol, this, [this, symbol, updated](const MinuteSeries &series) {
        if (series.isEmpty())
            return; // asked again at the next refresh or selection
        m_intraday.applyIntradaySeries(symbol, series);
        captureSnapshotIfListed(symbol);
        Q_EMIT(this->*updated)(symbol);
    });
}

void KestrumApp::captureSnapshotIfListed(const QString &symbol)
{
    if (const auto quote = quoteForSymbol(symbol))
        m_snapshots->captureCurrentStateSnapshotsForQuotes({*quote});
}

void KestrumApp::runDecisionSamplePass(const QList<Quote> &quotes)
{
    m_samples->updatePendingDecisionSamplesForQuotes(quotes);
    m_samples->recordDecisionSamplesForQuotes(quotes);
}

void KestrumApp::refreshHomeIntradaySeriesForQuotes(const QList<Quote> &quotes)
{
    const qsizetype count = std::min<qsizetype>(quotes.size(), kHomeSeriesCount);
    for (qsizetype i = 0; i < count; ++i) {
        const QString symbol = quotes.at(i).symbol;
        if (symbol.isEmpty() || m_intraday.isReal(symbol))
            continue;
        fetchSeriesForSymbol(symbol, &KestrumApp::homeSeriesUpdated);
    }
}

void KestrumApp::ensureMainIntradaySeriesForSymbol(const QString &symbol)
{
    if (symbol.isEmpty() || m_intraday.isReal(symbol))
        return;
    fetchSeriesForSymbol(symbol, &KestrumApp::mainSeriesUpdated);
}

void KestrumApp::prepareQuoteDetailForSymbol(const QString &symbol)
{
    if (symbol.isEmpty())
        return;
    m_intraday.forgetRealSeries(symbol);
}

void KestrumApp::refreshQuoteDetailNowForSymbol(const QString &symbol)
{
    if (symbol.isEmpty())
        return;
    // Quote and series are fetched at once; the strategy steps run when both have answered.
    struct Join
    {
        bool quoteDone = false;
        bool seriesDone = false;
        std::optional<Quote> latest;
    };
    auto join = std::make_shared<Join>();
    QPointer<KestrumApp> self(this);
    auto finishIfBoth = [self, join, symbol] {
        if (!self || !join->quoteDone || !join->seriesDone)
            return;
        const std::optional<Quote> quote =
            join->latest ? join->latest : self->quoteForSymbol(symbol);
        if (quote) {
            self->m_daily->refreshStrategyDailyCacheForQuotes({*quote});
            self->runDecisionSamplePass({*quote});
        }
        self->m_insights->autoGenerateAIInsightIfNeededForQuote(quote);
    };

    m_market->quotes.fetch({symbol}, this, [self, join, finishIfBoth](const QList<Quote> &fetched) {
        if (!self)
            return;
        if (!fetched.isEmpty() && !fetched.first().symbol.isEmpty()) {
            const Quote quote = fetched.first();
            join->latest = quote;
            self->applyFreshQuotes({quote}, {quote}, false);
            Q_EMIT self->detailUpdated(quote.symbol);
            self->rotateTitle();
        }
        join->quoteDone = true;
        finishIfBoth();
    });
    m_market->minutes.fetch(symbol, this,
                            [self, join, symbol, finishIfBoth](const MinuteSeries &series) {
                                if (!self)
                                    return;
                                if (!series.isEmpty())
                                    self->m_intraday.applyIntradaySeries(symbol, series);
                                self->captureSnapshotIfListed(symbol);
                                Q_EMIT self->detailUpdated(symbol);
                                join->seriesDone = true;
                                finishIfBoth();
                            });
}
