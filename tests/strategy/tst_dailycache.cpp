// SPDX-License-Identifier: GPL-3.0-or-later
// Daily features and their verdict, the readers over the cache, and the once-a-day refresh
// that never loses data to a failed fetch.
#include "FileBytes.h"
#include "HeldRequests.h"

#include "config/ConfigStore.h"
#include "model/Clock.h"
#include "strategy/DailyCache.h"
#include "strategy/StrategyStore.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

using Days = QList<DayRecord>;
Q_DECLARE_METATYPE(DayRecord)

namespace {

// One bar a day; high and low `spread` either side of the close.
Days fromCloses(const QList<double> &closes, double spread = 0.5)
{
    Days days;
    for (qsizetype i = 0; i < closes.size(); ++i) {
        const double c = closes.at(i);
        days.append({QDate(2026, 3, 2).addDays(i).toString(u"yyyy-MM-dd"_s), c, c + spread,
                     c - spread, c, 1000, c * 1000});
    }
    return days;
}

QList<double> repeated(double value, int count)
{
    return QList<double>(count, value);
}

Quote quoteFor(const QString &symbol)
{
    Quote q;
    q.symbol = symbol;
    q.price = 10;
    return q;
}

using Source = HeldRequests<DailyCache::DaysCompletion>;

} // namespace

class TestDailyCache : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void features_data();
    void features();
    void readers_data();
    void readers();
    void onceADayAcrossMidnight();
    void handEditedCacheFile();

private:
    DailyCache &cacheWith(const QJsonObject &records);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ConfigStore> m_config;
    std::unique_ptr<StrategyStore> m_store;
    std::unique_ptr<DailyCache> m_cache;
    // 21:30 in Shanghai on a Tuesday evening.
    ManualClock m_clock{QDateTime(QDate(2026, 4, 28), QTime(13, 30), QTimeZone::utc()),
                        QTimeZone("Asia/Shanghai")};
};

void TestDailyCache::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_config = std::make_unique<ConfigStore>(m_dir->path(), QString());
    m_store = std::make_unique<StrategyStore>(*m_config, m_clock);
    m_clock.setNow(QDateTime(QDate(2026, 4, 28), QTime(13, 30), QTimeZone::utc()));
    m_cache.reset();
}

DailyCache &TestDailyCache::cacheWith(const QJsonObject &records)
{
    m_store->writeJSONObject(records, m_store->dailyCacheURL());
    m_cache = std::make_unique<DailyCache>(*m_store);
    m_cache->loadDailyCache();
    return *m_cache;
}

void TestDailyCache::features_data()
{
    QTest::addColumn<Days>("days");
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("numbers"); // name=value …
    QTest::addColumn<bool>("highExtension");

    QTest::newRow("no days") << Days() << u"日线背景：数据不足"_s << QString() << false;

    // Too few days for a verdict, yet every number is there and stretched.
    QList<double> nineteen = repeated(100, 15);
    nineteen << 103 << 106 << 110 << 112;
    QTest::newRow("19 days") << fromCloses(nineteen) << u"日线背景：数据不足"_s
                             << u"ma5=106.2 close=112 position20=0.961538 change3=8.737864"_s
                             << true;

    // Only the last 20 of 25 days count; the first five would drag everything.
    Days twentyFive = fromCloses(repeated(1000, 5));
    for (DayRecord &d : twentyFive) {
        d.high = 2000;
        d.low = 1;
    }
    QList<double> rising;
    for (int i = 0; i < 20; ++i)
        rising << 10 + i;
    twentyFive += fromCloses(rising);
    QTest::newRow("25 days") << twentyFive << u"日线背景：高位震荡"_s
                             << u"ma20=19.5 ma10=24.5 position20=0.975 change10=52.631579"_s
                             << true;

    // Below the 20-day average and falling over five days: a high position does not help.
    QList<double> sliding = repeated(10.044784, 20);
    sliding[14] = 9.5 / 0.98;
    sliding[19] = 9.5;
    Days slide = fromCloses(sliding);
    slide[3].low = 5;
    QTest::newRow("slide below ma20")
        << slide << u"日线背景：下跌中继风险"_s << u"ma20=10 change5=-2"_s << false;

    QList<double> jump = repeated(100, 17);
    jump << 104 << 104 << 108;
    Days stretched = fromCloses(jump, 1);
    stretched[0].low = 18;
    stretched[18].high = 118;
    QTest::newRow("change3 8 at position 0.9")
        << stretched << u"日线背景：高位震荡"_s << u"position20=0.9 change3=8 change5=8"_s << true;

    QList<double> climb;
    for (int i = 0; i < 14; ++i)
        climb << 90 + 0.4 * i;
    climb << 107.9 / 1.119 << 98 << 100 << 103 << 106 << 107.9;
    QTest::newRow("change3 7.9, change5 11.9")
        << fromCloses(climb) << u"日线背景：趋势配合"_s << u"change3=7.9 change5=11.9"_s << false;

    QTest::newRow("all equal") << fromCloses(repeated(10, 20), 0) << u"日线背景：趋势配合"_s
                               << u"ma5=10 ma20=10 position20=0.5 change5=0 volumeRatio5=1"_s
                               << false;

    QList<double> dip;
    for (int i = 0; i < 19; ++i)
        dip << 90 + i;
    dip << 106;
    QTest::newRow("neutral") << fromCloses(dip) << u"日线背景：中性"_s << u"position20=0.868421"_s
                             << false;

    // A zero close is left out of the averages.
    QList<double> closedAtZero = repeated(10, 20);
    closedAtZero.last() = 0;
    QTest::newRow("last close 0") << fromCloses(closedAtZero) << u"日线背景：数据不足"_s
                                  << u"close=0 ma5=10 change3=0"_s << false;

    Days pair = fromCloses({10, 10});
    pair[0].volume = 0;
    pair[1].volume = 500;
    QTest::newRow("volumes 0 and 500")
        << pair << u"日线背景：数据不足"_s << u"volumeRatio5=0"_s << false;
}

void TestDailyCache::features()
{
    QFETCH(Days, days);
    QFETCH(QString, context);
    QFETCH(QString, numbers);
    QFETCH(bool, highExtension);

    const QJsonObject features = DailyCache::dailyFeaturesFromDays(days);
    QCOMPARE(features.value(u"context"_s).toString(), context);
    QCOMPARE(features.size(), days.isEmpty() ? 1 : 10);
    for (const QString &pair : numbers.split(u' ', Qt::SkipEmptyParts)) {
        const QString name = pair.section(u'=', 0, 0);
        QVERIFY2(features.value(name).isDouble(), qPrintable(name));
        const double actual = features.value(name).toDouble();
        QVERIFY2(qAbs(actual - pair.section(u'=', 1).toDouble()) < 1e-4,
                 qPrintable(pair + u" is "_s + QString::number(actual)));
    }
    QCOMPARE(DailyCache::dailyFeaturesFromDays(QJsonValue(DailyCache::daysToJson(days))), features);

    DailyCache &cache = cacheWith({});
    cache.applyDailyDaysForSymbol(u"sh600519"_s, days);
    QCOMPARE(cache.hasDailyHighExtensionRiskForQuote(quoteFor(u"sh600519"_s)), highExtension);
}

void TestDailyCache::readers_data()
{
    QTest::addColumn<QJsonObject>("features"); // empty: no record at all
    QTest::addColumn<QString>("expected");     // display|badge|accent|high extension risk
    const auto f = [](const QString &context, double position = 0, double c3 = 0, double c5 = 0) {
        return QJsonObject{{u"position20"_s, position},
                           {u"change3"_s, c3},
                           {u"change5"_s, c5},
                           {u"context"_s, QString(u"日线背景："_s + context)}};
    };
    QTest::newRow("no record") << QJsonObject() << u"数据不足|数据不足|93A4BF|0"_s;
    QTest::newRow("sliding") << f(u"下跌中继风险"_s) << u"下跌中继风险|下跌中继|F0A6AA|0"_s;
    QTest::newRow("trend") << f(u"趋势配合"_s) << u"趋势配合|趋势配合|A7F3D0|0"_s;
    QTest::newRow("neutral") << f(u"中性"_s) << u"中性|中性|C8D2E5|0"_s;
    QTest::newRow("prefix twice, padded")
        << QJsonObject{{u"context"_s, u" 日线背景：日线背景：趋势配合 "_s}}
        << u"趋势配合|趋势配合|A7F3D0|0"_s;
    QTest::newRow("0.78 and change5 12") << f(u"中性"_s, 0.78, 0, 12) << u"中性|中性|C8D2E5|1"_s;
    QTest::newRow("0.78, small moves") << f(u"中性"_s, 0.78, 7.9, 11.9) << u"中性|中性|C8D2E5|0"_s;
    QTest::newRow("0.78, small moves, stretched")
        << f(u"高位震荡"_s, 0.78) << u"高位震荡|高位震荡|F1C089|1"_s;
    QTest::newRow("0.77, stretched")
        << f(u"高位震荡"_s, 0.77, 20, 20) << u"高位震荡|高位震荡|F1C089|0"_s;
}

void TestDailyCache::readers()
{
    QFETCH(QJsonObject, features);
    QFETCH(QString, expected);
    const QJsonObject record{{u"features"_s, features}};
    const DailyCache &cache =
        cacheWith(features.isEmpty() ? QJsonObject() : QJsonObject{{u"sz000001"_s, record}});
    const Quote q = quoteFor(u"SZ000001"_s); // looked up lower-cased
    QCOMPARE(
        QStringList({cache.dailyContextDisplayForQuote(q),
                     cache.dailyContextBadgeDisplayForQuote(q), cache.dailyContextAccentForQuote(q),
                     QString::number(cache.hasDailyHighExtensionRiskForQuote(q))})
            .join(u'|'),
        expected);
}

void TestDailyCache::onceADayAcrossMidnight()
{
    Source source;
    auto owner = std::make_unique<DailyCache>(*m_store, source.fetcher());
    DailyCache &cache = *owner;
    cache.loadDailyCache();
    QSignalSpy changed(&cache, &DailyCache::dailyCacheChanged);
    const QList<Quote> quotes{quoteFor(u"SH600519"_s), quoteFor(u"hk00700"_s), quoteFor(u""_s)};

    cache.refreshStrategyDailyCacheForQuotes(quotes);
    QCOMPARE(source.calls, (QHash<QString, int>{{u"sh600519"_s, 1}, {u"hk00700"_s, 1}}));
    const Days days = fromCloses(repeated(10, 25));
    QVERIFY(source.answer(u"sh600519"_s, days));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toString(), u"sh600519"_s);

    const QJsonObject record =
        readJsonObject(m_store->dailyCacheURL()).value(u"sh600519"_s).toObject();
    QCOMPARE(record.value(u"symbol"_s).toString(), u"sh600519"_s);
    QCOMPARE(record.value(u"updated_at"_s).toString(), u"2026-04-28T21:30:00+0800"_s);
    QCOMPARE(record.value(u"daily_stale"_s), QJsonValue(false));
    QCOMPARE(DailyCache::daysFromJson(record.value(u"days"_s)), days);
    QCOMPARE(record.value(u"features"_s).toObject(), DailyCache::dailyFeaturesFromDays(days));
    QVERIFY(!cache.dailyDataIsStaleForQuote(quotes.at(0)));

    // Later the same evening: the answered symbol is left alone, the unanswered one is
    // asked again.
    m_clock.setNow(QDateTime(QDate(2026, 4, 28), QTime(15, 59, 59), QTimeZone::utc()));
    cache.refreshStrategyDailyCacheForQuotes(quotes);
    QCOMPARE(source.calls.value(u"sh600519"_s), 1);
    QCOMPARE(source.calls.value(u"hk00700"_s), 2);

    // Local midnight: yesterday's record is stale and fetched again. A failed fetch keeps
    // it, marked as stale; the next answer replaces it.
    m_clock.advanceSecs(1);
    QVERIFY(cache.dailyDataIsStaleForQuote(quotes.at(0)));
    cache.refreshStrategyDailyCacheForQuotes(quotes);
    QCOMPARE(source.calls.value(u"sh600519"_s), 2);
    QVERIFY(source.answer(u"sh600519"_s, Days()));
    QJsonObject kept = record;
    kept.insert(u"daily_stale"_s, true);
    QCOMPARE(readJsonObject(m_store->dailyCacheURL()).value(u"sh600519"_s).toObject(), kept);
    cache.refreshStrategyDailyCacheForQuotes(quotes);
    QVERIFY(source.answer(u"sh600519"_s, days));
    QCOMPARE(cache.dailyCacheRecordForQuote(quotes.at(0))->value(u"updated_at"_s).toString(),
             u"2026-04-29T00:00:00+0800"_s);

    // An answer after the cache is gone changes nothing.
    const QByteArray saved = readBytes(m_store->dailyCacheURL());
    owner.reset();
    QVERIFY(source.answer(u"hk00700"_s, days));
    QCOMPARE(readBytes(m_store->dailyCacheURL()), saved);
}

void TestDailyCache::handEditedCacheFile()
{
    const QJsonObject untouched{{u"features"_s, QJsonObject{{u"context"_s, u"日线背景：中性"_s},
                                                            {u"position20"_s, u"0.9"_s},
                                                            {u"change3"_s, 9}}},
                                {u"note"_s, u"kept"_s}};
    // Bars no market can show, stored today by an older build, are fetched again.
    const auto today = [this](const Days &days) {
        return QJsonObject{{u"updated_at"_s, m_store->strategyISOStringForDate()},
                           {u"days"_s, DailyCache::daysToJson(days)}};
    };
    Days absurd = fromCloses(repeated(10, 20));
    absurd.last().close = 1.7e308;
    Source source;
    cacheWith({{u"sh600519"_s, u"oops"_s},
               {u"sz000001"_s, QJsonObject{{u"features"_s, QJsonArray{1}}, {u"updated_at"_s, 5}}},
               {u"hk00700"_s, untouched},
               {u"sz000002"_s, today(absurd)},
               {u"sz000003"_s, today(fromCloses(repeated(10, 20)))}});
    m_cache->setFetcher(source.fetcher());
    m_cache->refreshStrategyDailyCacheForQuotes({quoteFor(u"sz000002"_s), quoteFor(u"sz000003"_s)});
    QCOMPARE(source.calls, (QHash<QString, int>{{u"sz000002"_s, 1}}));

    const Quote moutai = quoteFor(u"sh600519"_s);
    QVERIFY(!m_cache->dailyCacheRecordForQuote(moutai));
    QVERIFY(m_cache->dailyDataIsStaleForQuote(quoteFor(u"sz000001"_s)));
    QVERIFY(m_cache->dailyFeaturesForQuote(quoteFor(u"sz000001"_s)).isEmpty());
    // A position stored as text reads as 0.
    QVERIFY(!m_cache->hasDailyHighExtensionRiskForQuote(quoteFor(u"hk00700"_s)));

    m_cache->refreshStrategyDailyCacheForQuotes({moutai});
    QVERIFY(source.answer(u"sh600519"_s, fromCloses(repeated(10, 20))));
    DailyCache reread(*m_store);
    reread.loadDailyCache();
    QCOMPARE(reread.dailyCache().value(u"hk00700"_s).toObject(), untouched);
    QVERIFY(reread.dailyCache().contains(u"sz000001"_s));
    QCOMPARE(reread.dailyContextForQuote(moutai), u"日线背景：趋势配合"_s);
}

QTEST_GUILESS_MAIN(TestDailyCache)
#include "tst_dailycache.moc"
