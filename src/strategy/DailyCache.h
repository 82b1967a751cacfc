// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/TrackedJsonFile.h"
#include "model/DayRecord.h"
#include "model/Quote.h"
#include "strategy/DailyContext.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class StrategyStore;

// The daily backdrop of each watched symbol: recent daily bars fetched once per local
// calendar day, reduced to ten daily features with a one-line verdict, kept in
// daily_cache.json. A failed fetch never removes data; the old record is flagged stale.
class DailyCache : public QObject
{
    Q_OBJECT
public:
    using DaysCompletion = std::function<void(const QList<DayRecord> &)>;
    // Fetches a symbol's daily bars, oldest first, and completes exactly once on the main
    // thread (an empty list on any failure). DailyBarSource::fetch fits.
    using DailyFetcher = std::function<void(const QString &symbol, DaysCompletion completion)>;

    explicit DailyCache(const StrategyStore &store, DailyFetcher fetcher = {},
                        QObject *parent = nullptr);

    void setFetcher(DailyFetcher fetcher) { m_fetcher = std::move(fetcher); }

    // --- The file ---
    // Reads daily_cache.json; anything but an object gives an empty cache (the unreadable
    // file is kept aside first, since the next save replaces it).
    void loadDailyCache();
    // A file changed on disk since and unreadable is kept aside before it is replaced.
    bool saveDailyCache();
    const QJsonObject &dailyCache() const { return m_cache; }

    // --- Daily features (pure) ---
    static double averageCloseForDays(const QList<DayRecord> &days, int count);
    static double dailyChangeForDays(const QList<DayRecord> &days, int lookback);
    static QJsonObject dailyFeaturesFromDays(const QList<DayRecord> &days);
    // Same, for day records as stored; anything but an array counts as no days.
    static QJsonObject dailyFeaturesFromDays(const QJsonValue &days);
    static QJsonObject dayRecordToJson(const DayRecord &day);
    static DayRecord dayRecordFromJson(const QJsonValue &value);
    static QJsonArray daysToJson(const QList<DayRecord> &days);
    static QList<DayRecord> daysFromJson(const QJsonValue &days);

    // --- Queries (the quote is looked up by its lower-cased symbol) ---
    std::optional<QJsonObject> dailyCacheRecordForQuote(const Quote &quote) const;
    QJsonObject dailyFeaturesForQuote(const Quote &quote) const;
    DailyContext dailyContextKindForQuote(const Quote &quote) const;
    QString dailyContextForQuote(const Quote &quote) const;
    QString dailyContextDisplayForQuote(const Quote &quote) const;
    QString dailyContextBadgeDisplayForQuote(const Quote &quote) const;
    QString dailyContextAccentForQuote(const Quote &quote) const;
    bool dailyDataIsStaleForQuote(const Quote &quote) const;
    bool hasWeakDailyBackgroundForQuote(const Quote &quote) const;
    bool hasSupportiveDailyBackgroundForQuote(const Quote &quote) const;
    bool hasDailyHighExtensionRiskForQuote(const Quote &quote) const;
    bool shouldRefreshDailyCacheForQuote(const Quote &quote) const;

    // --- The once-a-day refresh ---
    // Starts a daily fetch for every quote whose record was not updated today.
    void refreshStrategyDailyCacheForQuotes(const QList<Quote> &quotes);
    // What a fetch answer does: a non-empty answer replaces the record; an empty one marks
    // an existing record stale and keeps its bars, features and updated_at.
    void applyDailyDaysForSymbol(const QString &symbol, const QList<DayRecord> &days);

    static QString insufficientContext();

Q_SIGNALS:
    // A symbol's daily record was replaced by fresh bars: redraw what shows it.
    void dailyCacheChanged(const QString &symbol);
    // daily_cache.json could not be read; its bytes are at `copyPath` (empty: left in place).
    void unreadableFileFound(const QString &copyPath);

private:
    bool wasUpdatedToday(const QJsonObject &record) const;

    const StrategyStore &m_store;
    DailyFetcher m_fetcher;
    QJsonObject m_cache;
    TrackedJsonFile m_file;
};
