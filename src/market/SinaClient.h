// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ConfigStore.h"
#include "market/MarketTypes.h"
#include "model/LogOnce.h"
#include "model/Quote.h"
#include "net/Endpoints.h"
#include "net/HttpClient.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimeZone>

#include <functional>
#include <optional>

class Clock;

// The market-data client: every HTTP data source behind one object. Each source lives in
// its own source file; every wire parser is a pure static function.
class SinaClient : public QObject
{
    Q_OBJECT
public:
    SinaClient(HttpClient &http, const Endpoints &endpoints, const Clock &clock,
               QObject *parent = nullptr);

    const Endpoints &endpoints() const { return m_endpoints; }

    // --- Realtime quotes (Sina) ---
    using QuotesCompletion = std::function<void(const QList<Quote> &)>;
    // Called exactly once: at once with nothing for an empty list, otherwise later on the
    // main thread with whatever the answer held (possibly nothing). Entries that are no
    // symbol are never sent.
    void fetchSymbols(const QStringList &symbols, QuotesCompletion completion);
    static QList<Quote> parseText(const QString &text);
    // UTF-8 when that decodes cleanly and looks like the feed, else GB 18030.
    static QString decodeRealtimeBody(const QByteArray &body);
    // Lower-cased, and only those that are symbols (ConfigStore::isValidSymbol).
    static QStringList requestableSymbols(const QStringList &symbols);
    static QString realtimeTarget(const QStringList &symbols, qint64 epochMSecs);

    static constexpr int kRealtimeTimeoutMs = 8000;

    // Every completion below runs exactly once, later, on the main thread (also for an
    // answer known at once), unless this client is gone by then.

    // --- Symbol search (Eastmoney suggestions) ---
    using CandidatesCompletion = std::function<void(const QList<WatchItem> &)>;
    void searchWatchCandidates(const QString &query, int limit, CandidatesCompletion completion);
    std::optional<HttpRequest> watchSearchRequest(const QString &query) const;
    static std::optional<WatchItem>
    watchCandidateFromEastmoneySuggestion(const QJsonObject &suggestion);
    // Distinct candidates of a suggestion answer, at most `limit`.
    static QList<WatchItem> watchCandidatesFromEastmoneySuggestData(const QByteArray &body,
                                                                    int limit);
    static constexpr int kSearchTimeoutMs = 6000;

    // --- Board tags (Eastmoney F10 concepts, then the quote service's fields) ---
    using BoardTagsCompletion = std::function<void(const QStringList &)>;
    void fetchBoardTagsForSymbol(const QString &symbol, BoardTagsCompletion completion);
    void fetchEastmoneyStockBoardTagsForSymbol(const QString &symbol,
                                               BoardTagsCompletion completion);
    std::optional<HttpRequest> eastmoneyF10Request(const QString &symbol) const;
    std::optional<HttpRequest> eastmoneyStockRequest(const QString &symbol) const;
    static QStringList boardTagsFromEastmoneyF10JSON(const QJsonDocument &json);
    static QStringList boardTagsFromEastmoneyStockJSON(const QJsonDocument &json);
    static QStringList compactBoardTagsFromCandidates(const QStringList &candidates);
    static bool shouldIgnoreEastmoneyBoardName(const QString &name);
    static bool isOverlyBroadEastmoneyBoardName(const QString &name);
    // Trimmed, with the classification level mark (Ⅱ, Ⅲ) some industry names carry removed.
    static QString normalizedEastmoneyBoardName(const QString &name);
    static std::optional<QString> eastmoneyF10CodeForSymbol(const QString &symbol);

    // --- Minute series (Eastmoney, Tencent, Yahoo) ---
    using MinuteCompletion = std::function<void(const MinuteSeries &)>;
    // A-shares: Eastmoney, then Tencent. Hong Kong: Tencent, then Yahoo. US: Yahoo.
    void fetchIntradayForSymbol(const QString &symbol, MinuteCompletion completion);
    void fetchTencentIntradayForSymbol(const QString &symbol, MinuteCompletion completion);
    void fetchYahooIntradayForSymbol(const QString &symbol, MinuteCompletion completion);
    std::optional<HttpRequest> eastmoneyTrendsRequest(const QString &symbol) const;
    std::optional<HttpRequest> tencentMinuteRequest(const QString &symbol) const;
    std::optional<HttpRequest> yahooChartRequestForSymbol(const QString &symbol,
                                                          const QString &range,
                                                          const QString &interval) const;
    static MinuteSeries minuteSeriesFromEastmoneyTrends(const QByteArray &body,
                                                        const QString &symbol);
    static MinuteSeries minuteSeriesFromTencentMinutes(const QByteArray &body,
                                                       const QString &symbol);
    static MinuteSeries minuteSeriesFromYahooChart(const QByteArray &body, const QString &symbol);

    static std::optional<QString> eastmoneySecIDForSymbol(const QString &symbol);
    static std::optional<QString> tencentCodeForSymbol(const QString &symbol);
    static std::optional<QString> yahooChartSymbolForSymbol(const QString &symbol);
    static QString normalizedDateFromTencentDate(const QString &date);
    // Shares per unit of the Chinese services' volumes: lots of 100 for sh/sz/bj, else 1.
    static double minuteVolumeUnitForSymbol(const QString &symbol);

    // `chart` -> `result` -> first element, when the answer has that shape.
    static std::optional<QJsonObject> yahooChartPayloadFromData(const QByteArray &body);
    // A number, or a string holding one; anything else (JSON null included) reads 0.
    static double chartDoubleFromArray(const QJsonValue &array, qsizetype index);
    // The exchange's zone by its IANA name; without a known name, the zone of the
    // symbol's exchange (hk, gb_), else the machine's own.
    static QTimeZone yahooTimeZoneForName(const QString &name, const QString &symbol = QString());

    // --- Daily bars (Eastmoney for A-shares, Yahoo for Hong Kong and US) ---
    using DailyCompletion = std::function<void(const QList<DayRecord> &)>;
    void fetchDailyKForSymbol(const QString &symbol, DailyCompletion completion);
    void fetchYahooDailyKForSymbol(const QString &symbol, DailyCompletion completion);
    std::optional<HttpRequest> eastmoneyDailyKRequest(const QString &symbol) const;
    static QList<DayRecord> dayRecordsFromEastmoneyKlines(const QByteArray &body);
    static QList<DayRecord> dayRecordsFromYahooChart(const QByteArray &body,
                                                     const QString &symbol = QString());

    static constexpr int kMarketDataTimeoutMs = 8000;
    static constexpr int kDailyBarLimit = 120;

private:
    // A GET with the market-data headers, or none when the base URL is unusable.
    static std::optional<HttpRequest> getRequest(const QUrl &base, const QString &path,
                                                 const QList<QPair<QString, QString>> &query,
                                                 const QByteArray &referer, int timeoutMs);
    // Runs `work` on the main thread after the current call has returned.
    void deliverLater(std::function<void()> work);
    void fetchEastmoneyIntraday(const QString &symbol, const HttpRequest &request,
                                MinuteCompletion completion);
    void fallBackFromTencent(const QString &symbol, MinuteCompletion completion);
    // For the log: a source's failure once (with the source that takes over, if any), and
    // its recovery once; never at every refresh.
    void noteSourceOutcome(const QString &source, bool usable, const HttpResponse &response,
                           const QString &takesOver = QString());

    HttpClient &m_http;
    Endpoints m_endpoints;
    const Clock &m_clock;
    LogOnce m_failingSources;
};
