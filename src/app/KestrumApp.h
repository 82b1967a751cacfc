// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/MarketStatus.h"
#include "app/PackageInfo.h"
#include "config/AppSettings.h"
#include "config/ConfigStore.h"
#include "intraday/IntradayStore.h"
#include "model/HoldingFigures.h"
#include "model/HoldingTotals.h"
#include "model/PriceAlert.h"
#include "model/Quote.h"
#include "net/Endpoints.h"

#include <QHash>
#include <QJsonArray>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

class AIProviderSettings;
class AlertCenter;
class BoardTags;
class Clock;
class DailyCache;
class DecisionEngine;
class DecisionSampleLog;
class StateSnapshots;
class HttpClient;
class InsightPrompt;
class InsightService;
class IntradayAnalytics;
class LoginItemManager;
class Notifier;
class PriceAlertMonitor;
class QSettings;
struct MarketSources;
class StateSnapshots;
class StrategyStore;
class UpdateChecker;

// The files of the data directory the user may be told about.
enum class StoredFile
{
    Watchlist,
    Settings,
    DailyCache,
    BoardMap
};

struct KestrumAppOptions
{
    QString appDirectory;               // empty: the default data directory
    std::optional<Endpoints> endpoints; // empty: the public services + environment
    const Clock *clock = nullptr;       // empty: the system clock
    QSettings *preferences = nullptr;   // empty: QSettings("Orvell", "Kestrum")
    QString autostartDirectory;         // empty: the XDG autostart directory
    QString autostartProgram;           // empty: the installed kestrum, if any
    std::optional<PackageInfo> package; // empty: the build's, with the environment's overrides
    // Opens a download page in the browser (the user interface supplies it).
    std::function<bool(const QUrl &)> urlOpener;
    // empty: desktop notifications on the session bus (org.freedesktop.Notifications)
    Notifier *notifier = nullptr;
};

// The application controller: owns the state of the running application, composes the
// subsystems and runs the refresh cycle. It never touches a widget; the user interface
// listens to its signals and redraws what is visible.
class KestrumApp : public QObject
{
    Q_OBJECT
public:
    using Options = KestrumAppOptions;

    explicit KestrumApp(const Options &options = {}, QObject *parent = nullptr);
    ~KestrumApp() override;

    static constexpr int kRefreshIntervalMs = 12000;
    static constexpr int kRotateIntervalMs = 5000;
    static constexpr int kPriceFlashMs = 750;
    static constexpr int kHomeSeriesCount = 8;

    // --- Collaborators ---
    const Clock &clock() const { return *m_clock; }
    ConfigStore &config() { return m_config; }
    HttpClient &http() { return *m_http; }
    MarketSources &market() { return *m_market; }
    IntradayStore &intraday() { return m_intraday; }
    const IntradayStore &intraday() const { return m_intraday; }
    AppSettings &settings() { return m_settings; }
    const AppSettings &settings() const { return m_settings; }
    QSettings &preferences() { return *m_preferences; }
    IntradayAnalytics &analytics() { return *m_analytics; }
    const IntradayAnalytics &analytics() const { return *m_analytics; }
    StrategyStore &strategy() { return *m_strategy; }
    const StrategyStore &strategy() const { return *m_strategy; }
    DailyCache &dailyCache() { return *m_daily; }
    const DailyCache &dailyCache() const { return *m_daily; }
    BoardTags &boardTags() { return *m_boardTags; }
    const BoardTags &boardTags() const { return *m_boardTags; }
    AIProviderSettings &aiSettings() { return *m_aiSettings; }
    const AIProviderSettings &aiSettings() const { return *m_aiSettings; }
    InsightService &insights() { return *m_insights; }
    const InsightService &insights() const { return *m_insights; }
    UpdateChecker &updates() { return *m_updates; }
    const DecisionEngine &engine() const { return *m_engine; }
    StateSnapshots &snapshots() { return *m_snapshots; }
    const StateSnapshots &snapshots() const { return *m_snapshots; }
    DecisionSampleLog &sampleLog() { return *m_samples; }
    LoginItemManager &loginItem() { return *m_loginItem; }
    const DecisionEngine &decision() const { return *m_engine; }
    const InsightPrompt &prompt() const { return *m_prompt; }
    Notifier &notifier() { return *m_notifier; }
    AlertCenter &alerts() { return *m_alerts; }
    const AlertCenter &alerts() const { return *m_alerts; }
    PriceAlertMonitor &priceAlerts() { return *m_priceAlerts; }

    // --- Launch and lifecycle ---
    void loadSettings();
    // False when the file could not be written: the status line then says so and why, and
    // `why` gets the same text. The settings in memory stay as the user set them.
    bool saveSettings(QString *why = nullptr);
    // The strategy data layer: daily cache, board map and the tags every watch item needs.
    void loadStrategy();
    // Temporary files a killed earlier run left beside the files it was saving. Only once
    // this process holds the single-instance lock: another writer's may be in use.
    int removeLeftoverTemporaryFiles();
    // False when the entry could not be written or removed; the status line says why.
    bool toggleLoginItem();
    // The silent update check a few seconds after launch. It runs only if the build has the
    // check and the user has not switched automatic checks off, also in the meantime.
    void scheduleAutomaticUpdateCheck();
    // What the scheduled check does when it is due; true when it asked.
    bool runAutomaticUpdateCheck();
    // "自动检查更新": switches the automatic check on or off and saves.
    void toggleAutomaticUpdateCheck();
    // At launch: an autostart entry naming a program that is gone is pointed at this one.
    void refreshLoginItemIfStale();
    void startTimers();
    // An application-modal alert holds the refresh and the title rotation still.
    void pauseTimers();
    void resumeTimers();
    void reloadConfig();
    void refreshAction() { refresh(); }
    // The launch's test notification: when KESTRUM_SEND_TEST_ALERT is "1" or the one-shot
    // preference KSSendTestAlertOnLaunch is set, clears the preference and sends the test
    // notification a second later. True when one was scheduled.
    bool sendTestAlertOnLaunchIfRequested();
    static constexpr int kTestAlertDelayMs = 1000;
    static QString sendTestAlertPreferenceKey();

    // --- Refresh cycle ---
    void refresh();
    bool isRefreshing() const { return m_refreshing; }
    const QList<Quote> &quotes() const { return m_quotes; }
    const QHash<QString, Quote> &backgroundQuotes() const { return m_backgroundQuotes; }
    QString lastStatus() const { return m_lastStatus; }
    // Whether the latest finished refresh got realtime quotes: for the watchlist, or for the
    // market indices when the watchlist is empty.
    bool lastRefreshSucceeded() const { return m_lastRefreshSucceeded; }
    // An outcome the user caused (the watchlist manager's), shown until the next refresh.
    void setLastStatus(const QString &status) { m_lastStatus = status; }
    // A file could not be read; its bytes went to `copyPath`, or it was left as it is when
    // that is empty. Told once, on the status line the next refresh leaves. True when it
    // had not been told yet.
    bool noteUnreadableFile(StoredFile file, const QString &copyPath);
    static QString unreadableFileNotice(StoredFile file, const QString &copyPath);
    static QString unreadableWatchlistStatus();
    // Puts quotes in place without a refresh: the snapshot export's fixture uses it.
    void setQuotes(const QList<Quote> &quotes)
    {
        m_quotes = quotes;
        m_rotateIndex = 0;
    }
    std::optional<Quote> quoteForSymbol(const QString &symbol) const;
    static Quote placeholderQuoteForWatchItem(const WatchItem &item);
    QList<Quote> mergedQuotesForWatchItems(const QJsonArray &items,
                                           const QList<Quote> &fetched) const;
    void updatePriceFlashStateForQuotes(const QList<Quote> &quotes);
    const QHash<QString, int> &priceFlashDirections() const { return m_priceFlash; }
    MarketStatus marketStatusInfo() const;

    // --- Holdings and price conditions ---
    // The watch items as last loaded or saved (by the refresh, the manager, a fired
    // condition): what the surfaces read positions and conditions from between refreshes.
    void noteStoredWatchlist(const QJsonArray &items);
    std::optional<WatchItem> watchItemForSymbol(const QString &symbol) const;
    std::optional<Holding> holdingForSymbol(const QString &symbol) const;
    // None for an item without a position, and for a quote without a price to value it by.
    std::optional<HoldingFigures> holdingFiguresForQuote(const Quote &quote) const;
    // Every position of the current quote list, per currency.
    HoldingTotals holdingTotals() const;
    ExchangeRates exchangeRates() const;
    // Sets (or, with none, forgets) the user's rates and saves the settings.
    bool setExchangeRates(const ExchangeRates &rates, QString *why = nullptr);
    QList<PriceAlert> priceAlertsForSymbol(const QString &symbol) const;
    // The row's bell.
    bool hasArmedPriceAlertsForSymbol(const QString &symbol) const;

    // --- Status-item title ---
    void rotateTitle();
    QString summaryTitle() const;
    QString title() const { return m_title; }
    // +1, -1 or 0: the direction of the quote the title shows (summary: the mean).
    int titleDirection() const { return m_titleDirection; }
    QString currentDisplaySymbol() const { return m_currentDisplaySymbol; }
    int rotateIndex() const { return m_rotateIndex; }
    DisplayMode displayMode() const { return m_settings.displayMode; }
    void setDisplayMode(DisplayMode mode);
    // The title holds still on its quote while the popover is open.
    void setPopoverShown(bool shown) { m_popoverShown = shown; }
    bool isPopoverShown() const { return m_popoverShown; }

    // --- Intraday series ---
    void refreshHomeIntradaySeriesForQuotes(const QList<Quote> &quotes);
    void ensureMainIntradaySeriesForSymbol(const QString &symbol);
    // Opening a quote's detail: its series is fetched afresh.
    void prepareQuoteDetailForSymbol(const QString &symbol);
    void refreshQuoteDetailNowForSymbol(const QString &symbol);

Q_SIGNALS:
    // A refresh began: the status line reads "正在加载行情...".
    void refreshStarted();
    // A refresh ended (whatever its outcome): quotes, status and title are current.
    void refreshFinished();
    void titleChanged(const QString &title);
    void priceFlashChanged();
    // A fetched minute series was applied for the home list.
    void homeSeriesUpdated(const QString &symbol);
    // A fetched minute series was applied for the desktop window's selection.
    void mainSeriesUpdated(const QString &symbol);
    // The quote detail of this symbol has a fresh quote or series.
    void detailUpdated(const QString &symbol);
    void settingsChanged();

private:
    // The benchmarks time the work after an answer on its own, without the network.
    friend class KestrumAppBenchAccess;

    // The steps every fresh quote goes through, in their order: snapshots rolled, price
    // flashes noted, the quotes published (the whole list, or each one replaced or added),
    // the status line, the intraday samples of the fetched ones, current snapshots taken.
    void applyFreshQuotes(const QList<Quote> &shown, const QList<Quote> &fetched, bool wholeList);
    void finishRefresh(const QJsonArray &watchlist, const QStringList &watchSymbols,
                       const QList<Quote> &fetched);
    void captureSnapshotIfListed(const QString &symbol);
    // The user's price conditions against the fetched quotes; a record that could not be
    // saved is told once per outage.
    void checkPriceAlerts(const QList<Quote> &fetched);
    // The decision-sample pass, outcomes first, then new samples.
    void runDecisionSamplePass(const QList<Quote> &quotes);
    // Indexes a slice of the sample log's older lines, and schedules the next one.
    void loadOlderDecisionSamples();
    void setTitle(const QString &title, int direction);
    void noteUnreadableSettings(const JsonFile::KeptAside &kept);
    // Files the refresh writes in the background: a failure is told once per outage.
    void noteBackgroundSaveFailures();
    // A fetched series replaces the recorded one and the current snapshot reads it; then
    // `updated` announces it. An empty answer changes nothing.
    void fetchSeriesForSymbol(const QString &symbol, void (KestrumApp::*updated)(const QString &));

    std::unique_ptr<Clock> m_ownedClock;
    const Clock *m_clock;
    std::unique_ptr<QSettings> m_ownedPreferences;
    QSettings *m_preferences;
    ConfigStore m_config;
    std::unique_ptr<HttpClient> m_http;
    std::unique_ptr<MarketSources> m_market;
    AppSettings m_settings;
    IntradayStore m_intraday;
    std::unique_ptr<IntradayAnalytics> m_analytics;
    std::unique_ptr<StrategyStore> m_strategy;
    std::unique_ptr<DailyCache> m_daily;
    std::unique_ptr<BoardTags> m_boardTags;
    std::unique_ptr<AIProviderSettings> m_aiSettings;
    std::unique_ptr<InsightService> m_insights;
    std::unique_ptr<UpdateChecker> m_updates;
    std::unique_ptr<DecisionEngine> m_engine;
    std::unique_ptr<StateSnapshots> m_snapshots;
    std::unique_ptr<DecisionSampleLog> m_samples;
    std::unique_ptr<LoginItemManager> m_loginItem;
    std::unique_ptr<InsightPrompt> m_prompt;
    std::unique_ptr<Notifier> m_ownedNotifier;
    Notifier *m_notifier = nullptr;
    std::unique_ptr<AlertCenter> m_alerts;
    std::unique_ptr<PriceAlertMonitor> m_priceAlerts;
    QHash<QString, WatchItem> m_watchItems;
    bool m_priceAlertSaveFailing = false;

    QList<Quote> m_quotes;
    QHash<QString, Quote> m_backgroundQuotes;
    QString m_lastStatus;
    QStringList m_pendingNotices;
    QSet<QString> m_toldNotices;
    QSet<QString> m_failingBackgroundFiles;
    bool m_lastRefreshSucceeded = false;
    QHash<QString, int> m_priceFlash;
    bool m_refreshing = false;

    QString m_title;
    int m_titleDirection = 0;
    QString m_currentDisplaySymbol;
    int m_rotateIndex = 0;
    bool m_popoverShown = false;

    QTimer m_refreshTimer;
    int m_pauseDepth = 0;
    bool m_timersWereRunning = false;
    QTimer m_rotateTimer;
};
