// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>
#include <QVector>

#include <memory>

// A deterministic, seeded market: every route of the simulator reads the same model, so
// realtime quotes, minute series and daily bars of one moment agree with each other.
enum class SimMarket
{
    AShare,
    Index,
    HongKong,
    US
};

struct SimInstrument
{
    enum class Behaviour
    {
        Normal,
        LimitUpDays,
        Suspended
    };

    QString symbol;      // sh600519, hk00700, gb_aapl
    QString name;        // name as the realtime feed sends it
    QString englishName; // Hong Kong field 0, search pinyin/ticker helpers
    QString pinyin;      // initials for search suggestions
    SimMarket market = SimMarket::AShare;
    double basePrice = 10;
    double dailyVolatility = 0.018; // standard deviation of a day's log return
    double dailyVolume = 1.0e7;     // typical shares traded a day
    QString industry;
    QStringList concepts;
    Behaviour behaviour = Behaviour::Normal;
};

// One trading day of one instrument, minute by minute.
struct SimDay
{
    QDate date;
    double previousClose = 0;
    double open = 0;
    double close = 0;
    double high = 0;
    double low = 0;
    double auctionVolume = 0; // traded in the opening auction
    QVector<double> price;    // end-of-minute price, one per session minute
    QVector<double> volume;   // shares traded in each minute (auction volume excluded)
    QVector<double> amount;   // value traded in each minute
    bool suspended = false;
};

// One realtime snapshot, as the feed would send it at a moment.
struct SimSnapshot
{
    enum class Phase
    {
        Closed,
        PreOpen,
        OpenAuction,
        Trading,
        Break,
        ClosingAuction,
        AfterClose
    };

    const SimInstrument *instrument = nullptr;
    Phase phase = Phase::Closed;
    QDate date; // trading date of the data (exchange's calendar)
    QTime time; // exchange time of the data
    double previousClose = 0;
    double open = 0;
    double price = 0;
    double high = 0;
    double low = 0;
    double volume = 0;   // cumulative shares
    double amount = 0;   // cumulative value
    int minutesDone = 0; // completed session minutes included in the totals
    bool suspended = false;
};

struct SimDailyBar
{
    QDate date;
    double open = 0, close = 0, high = 0, low = 0, volume = 0, amount = 0;
};

class MarketModel
{
public:
    explicit MarketModel(quint64 seed = 20260428,
                         QList<SimInstrument> instruments = defaultInstruments());

    static QList<SimInstrument> defaultInstruments();
    static QTimeZone zoneFor(SimMarket market);
    // Session minutes: A-share 240, Hong Kong 330, US 390.
    static int sessionMinutes(SimMarket market);
    // Exchange clock time at the end of session minute `index` (0 ends at 09:31).
    static QTime minuteEndTime(SimMarket market, int index);
    // Minutes of trading done at an exchange time (0 before the open, all after the close).
    static int minutesDoneAt(SimMarket market, QTime time, double *fraction = nullptr);
    static bool isTradingDay(QDate date) { return date.dayOfWeek() <= 5; }
    static QDate previousTradingDay(QDate date);
    static double tickSize(SimMarket market, double price);
    static double roundToTick(SimMarket market, double price);

    quint64 seed() const { return m_seed; }
    const QList<SimInstrument> &instruments() const { return m_instruments; }
    const SimInstrument *instrument(const QString &symbol) const;

    // The close of a trading day from the daily walk.
    double closeOn(const SimInstrument &instrument, QDate date) const;
    // Shared, so a caller's day stays valid while the cache is trimmed.
    std::shared_ptr<const SimDay> day(const SimInstrument &instrument, QDate date) const;
    SimSnapshot snapshot(const SimInstrument &instrument, const QDateTime &moment) const;
    // `count` daily bars ending with the last finished trading day before `today`.
    QList<SimDailyBar> dailyBars(const SimInstrument &instrument, QDate today, int count) const;

private:
    double dailyReturn(const SimInstrument &instrument, QDate date, double logLevel) const;

    quint64 m_seed;
    QList<SimInstrument> m_instruments;
    QHash<QString, int> m_index;
    mutable QHash<QString, std::shared_ptr<SimDay>> m_days;
    mutable QHash<QString, QHash<QDate, double>> m_closes;
};

// Small deterministic generator (splitmix64), so a seed always gives the same market.
class SimRandom
{
public:
    explicit SimRandom(quint64 seed)
        : m_state(seed)
    {}
    quint64 next();
    double uniform(); // (0, 1)
    double normal();
    static quint64 hash(const QString &text, quint64 seed);

private:
    quint64 m_state;
};
