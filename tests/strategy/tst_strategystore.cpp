// SPDX-License-Identifier: GPL-3.0-or-later
// The strategy directory: timestamps, JSON files and what a launch loads and repairs; the
// daily cache (features and their verdict, the readers over the cache, the once-a-day
// refresh that never loses data to a failed fetch); and the board tags (the built-in map,
// market badges, the catalog, the external lookup and the name's keywords, in that order,
// with one lookup per symbol at a time).
#include "FileBytes.h"
#include "HeldRequests.h"

#include "config/ConfigStore.h"
#include "config/JsonFile.h"
#include "model/Clock.h"
#include "strategy/BoardTags.h"
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

QJsonObject item(const QString &symbol, const QString &name)
{
    return QJsonObject{{u"symbol"_s, symbol}, {u"name"_s, name}};
}

using DaySource = HeldRequests<DailyCache::DaysCompletion>;
using TagSource = HeldRequests<BoardTags::TagsCompletion>;

} // namespace

class tst_StrategyStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void moments();
    void jsonFiles();
    void launch();

    void dailyFeatures_data();
    void dailyFeatures();
    void dailyReaders_data();
    void dailyReaders();
    void onceADayAcrossMidnight();
    void dailyHandEditedCacheFile();

    void boardKeywordsAndCatalog();
    void boardSourcesInOrder();
    void boardHandEditsWhileRunningWin_data();
    void boardHandEditsWhileRunningWin();

private:
    QStringList unreadableCopies() const
    {
        return QDir(m_store->strategyDirectoryURL()).entryList({u"*.unreadable-*"_s}, QDir::Files);
    }
    DailyCache &cacheWith(const QJsonObject &records);
    void writeCatalog(const QJsonArray &items)
    {
        QVERIFY(JsonFile::writePretty(m_config->catalogPath(),
                                      QJsonDocument(QJsonObject{{u"items"_s, items}})));
    }
    QString mapPath() const { return m_store->boardMapURL(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ConfigStore> m_config;
    std::unique_ptr<StrategyStore> m_store;
    std::unique_ptr<DailyCache> m_cache;
    ManualClock m_clock;
};

void tst_StrategyStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_config = std::make_unique<ConfigStore>(m_dir->path() + u"/Kestrum"_s, QString());
    // 21:30 in Shanghai on a Tuesday evening.
    m_clock.setLocalZone(QTimeZone("Asia/Shanghai"));
    m_clock.setNow(QDateTime(QDate(2026, 4, 28), QTime(13, 30), QTimeZone::utc()));
    m_store = std::make_unique<StrategyStore>(*m_config, m_clock);
    m_cache.reset();
}

DailyCache &tst_StrategyStore::cacheWith(const QJsonObject &records)
{
    m_store->writeJSONObject(records, m_store->dailyCacheURL());
    m_cache = std::make_unique<DailyCache>(*m_store);
    m_cache->loadDailyCache();
    return *m_cache;
}

// Moments as written in a zone and read back; hand-edited forms read, anything else is no
// moment (the sample then has no outcome).
void tst_StrategyStore::moments()
{
    const QDateTime base(QDate(2025, 1, 10), QTime(6, 30), QTimeZone::utc());
    // text|seconds after `base`, or "x": rejected|the zone that writes the text from that moment
    for (const char16_t *row :
         {u"2025-01-10T14:30:00+0800|0|Asia/Shanghai",
          u"2025-01-09T22:30:00-0500|-10800|America/New_York",
          u"2025-01-10T12:00:00+0530|0|Asia/Kolkata", u"2025-01-10T14:30:00+08:00|0",
          u"2025-01-10T06:30:00Z|0", u"2025-01-10T01:30:00-0500|0", u"2025-02-30T14:30:00+0800|x",
          u"2025-01-10T24:00:00+0800|x", u"2025-01-10T14:30:00+1500|x",
          u"2025-01-10T14:30:00+0860|x", u"2025-01-10T14:30:00+0800 |x",
          u"2025-01-10 14:30:00+0800|x", u"2025-01-10T14:30:00|x", u"２０25-01-10T14:30:00+0800|x",
          u"|x"}) {
        const QStringList want = QString::fromUtf16(row).split(u'|');
        const std::optional<QDateTime> parsed = StrategyStore::strategyDateFromISOString(want[0]);
        QCOMPARE(want[0] + u'|' + (parsed ? QString::number(base.secsTo(*parsed)) : u"x"_s),
                 want[0] + u'|' + want[1]);
        if (want.size() < 3)
            continue;
        m_clock.setLocalZone(QTimeZone(want[2].toUtf8()));
        m_clock.setNow(*parsed);
        QCOMPARE(m_store->strategyISOStringForDate(*parsed), want[0]);
        QCOMPARE(m_store->strategyISOStringForDate(), want[0]); // now
    }
    QVERIFY(!StrategyStore::strategyDateFromISOString(QJsonValue(42)));
}

void tst_StrategyStore::jsonFiles()
{
    const QString path = m_store->strategyDirectoryURL() + u"/probe.json"_s;
    const QJsonValue fallback(u"fallback"_s);
    // A scalar writes nothing.
    QVERIFY(!m_store->writeJSONObject(QJsonValue(42), path));
    QCOMPARE(StrategyStore::jsonObjectAtURL(path, fallback), fallback);

    // Writing creates the directory and pretty-prints, one member per line.
    const QJsonObject value{{u"sh600089"_s, QJsonArray{u"电力设备"_s}}, {u"n"_s, 1.5}};
    QVERIFY(m_store->writeJSONObject(value, path));
    QVERIFY(readBytes(path).contains("\n    \"n\": 1.5"));
    QCOMPARE(StrategyStore::jsonObjectAtURL(path, fallback), QJsonValue(value));
    QVERIFY(writeBytes(path, "{\"half\": "));
    QCOMPARE(StrategyStore::jsonObjectAtURL(path, fallback), fallback);

    // A directory that cannot be made: nothing written, nothing thrown.
    ConfigStore blocked(m_dir->path() + u"/blocked"_s, QString());
    QVERIFY(writeBytes(blocked.strategyDir(), "a file where the directory belongs"));
    const StrategyStore blockedStore(blocked, m_clock);
    QVERIFY(!blockedStore.ensureStrategyDirectory());
    QVERIFY(!blockedStore.writeJSONObject(value, blockedStore.boardMapURL()));
}

// The first launch writes the default board map; a later one keeps the user's entries and
// adds the defaults they lack.
void tst_StrategyStore::launch()
{
    const QString dir = m_dir->path() + u"/Kestrum/strategy"_s;
    QCOMPARE(m_store->strategyDirectoryURL(), dir);
    QCOMPARE(m_store->decisionSamplesArchiveURL(u"20250110"_s),
             dir + u"/decision_samples.archive-20250110.jsonl"_s);
    {
        DailyCache daily(*m_store);
        BoardTags tags(*m_store);
        m_store->loadStrategyDataLayer(daily, tags);
        QCOMPARE(readJsonObject(dir + u"/board_map.json"_s), BoardTags::defaultBoardMap());
        QCOMPARE(tags.boardMap(), BoardTags::defaultBoardMap());
        QVERIFY(!QFileInfo::exists(dir + u"/daily_cache.json"_s));
        QVERIFY(daily.dailyCache().isEmpty());
    }

    const QJsonObject record{{u"symbol"_s, u"sh600519"_s},
                             {u"updated_at"_s, u"2025-01-09T20:00:00+0800"_s},
                             {u"features"_s, QJsonObject{{u"context"_s, u"日线背景：中性"_s}}}};
    const QJsonObject cached{{u"sh600519"_s, record}, {u"junk"_s, 7}};
    QVERIFY(writeBytes(m_store->dailyCacheURL(), QJsonDocument(cached).toJson()));
    const QJsonObject users{{u"sh600089"_s, QJsonArray{u"特高压"_s}},
                            {u"sz300750"_s, QJsonArray{u"电池"_s}},
                            {u"sh600000"_s, u"not an array"_s}};
    QVERIFY(writeBytes(m_store->boardMapURL(), QJsonDocument(users).toJson()));
    DailyCache daily(*m_store);
    BoardTags tags(*m_store);
    m_store->loadStrategyDataLayer(daily, tags);
    QCOMPARE(daily.dailyCache(), cached);
    // The user's three entries untouched, and the seven defaults they lacked.
    QJsonObject expected = BoardTags::defaultBoardMap();
    for (auto it = users.begin(); it != users.end(); ++it)
        expected.insert(it.key(), it.value());
    QCOMPARE(expected.size(), 10);
    QCOMPARE(readJsonObject(m_store->boardMapURL()), expected);
    QVERIFY(unreadableCopies().isEmpty());
}

// --- Daily cache ---

void tst_StrategyStore::dailyFeatures_data()
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

void tst_StrategyStore::dailyFeatures()
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

void tst_StrategyStore::dailyReaders_data()
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

void tst_StrategyStore::dailyReaders()
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

void tst_StrategyStore::onceADayAcrossMidnight()
{
    DaySource source;
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
    // it, marked as stale in one write however long the outage, and is retried at every
    // refresh; the next answer replaces it.
    m_clock.advanceSecs(1);
    QVERIFY(cache.dailyDataIsStaleForQuote(quotes.at(0)));
    quint64 marked = 0;
    for (int attempt = 2; attempt <= 4; ++attempt) {
        cache.refreshStrategyDailyCacheForQuotes(quotes);
        QCOMPARE(source.calls.value(u"sh600519"_s), attempt);
        QVERIFY(source.answer(u"sh600519"_s, Days()));
        QVERIFY(marked == 0 || inodeOf(m_store->dailyCacheURL()) == marked);
        marked = inodeOf(m_store->dailyCacheURL());
    }
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

void tst_StrategyStore::dailyHandEditedCacheFile()
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
    DaySource source;
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

// --- Board tags ---

void tst_StrategyStore::boardKeywordsAndCatalog()
{
    // The table's order, not the name's, and its last row.
    QCOMPARE(BoardTags::heuristicBoardTagsForName(u"汽车芯片"_s, u"sz000001"_s),
             (QStringList{u"半导体"_s, u"芯片"_s}));
    QCOMPARE(BoardTags::heuristicBoardTagsForName(u"节能国祯"_s, u"sz000001"_s),
             (QStringList{u"环保"_s, u"公用事业"_s}));
    QVERIFY(BoardTags::heuristicBoardTagsForName(u"平安银行"_s, u"sz000001"_s).isEmpty());

    QVERIFY(writeBytes(m_config->catalogPath(), "{\"items\": ["));
    const BoardTags boards(*m_store);
    QVERIFY(boards.catalogIndustryTagsForSymbol(u"sh600519"_s).isEmpty());
    writeCatalog({});
    QVERIFY(boards.catalogIndustryTagsForSymbol(u"sh600519"_s).isEmpty());
}

void tst_StrategyStore::boardSourcesInOrder()
{
    writeCatalog({
        QJsonObject{{u"symbol"_s, u"sz002931"_s}, {u"industry"_s, u"汽车配件"_s}},
        QJsonObject{{u"symbol"_s, u"sh600519"_s}, {u"industry"_s, u"  白酒 "_s}},
        QJsonObject{{u"symbol"_s, u"SH600036"_s}, {u"industry"_s, u"银行"_s}},
        QJsonObject{{u"symbol"_s, u"sh601318"_s}, {u"industry"_s, 3}},
        QJsonObject{{u"symbol"_s, u"sh600000"_s}, {u"industry"_s, u""_s}},
        QJsonObject{{u"symbol"_s, u"sh600000"_s}, {u"industry"_s, u"银行"_s}},
        u"not an item"_s,
    });
    // Blank tags in the map are looked up again; an entry of another kind is left as it is.
    QVERIFY(m_store->writeJSONObject(
        QJsonObject{{u"sz300750"_s, QJsonArray{u" "_s, u""_s}}, {u"sz000002"_s, u"银行"_s}},
        mapPath()));
    TagSource source;
    auto owner = std::make_unique<BoardTags>(*m_store, source.fetcher());
    BoardTags &boards = *owner;
    QVERIFY(boards.loadBoardMap()); // the defaults were missing
    QVERIFY(!boards.hasUsableBoardTagsForSymbol(u"sz000002"_s));
    QSignalSpy changed(&boards, &BoardTags::boardTagsChanged);
    const QJsonArray watchlist{
        item(u"sz002931"_s, u"锋龙股份"_s), // built-in map
        item(u"hk00700"_s, u"腾讯控股"_s),  // market badge
        item(u"sh600519"_s, u"贵州茅台"_s), // catalog industry
        item(u"sz300750"_s, u"宁德时代"_s), // Eastmoney
        item(u"sh603606"_s, u"东方电缆"_s), // nothing found, then the name's keywords
        item(u"sz000001"_s, u"平安银行"_s), // nothing at all
        QJsonObject{{u"symbol"_s, 600000}}, // not usable
        u"sh600001"_s,
    };

    boards.ensureBoardTagsForWatchItems(watchlist);
    const QJsonObject saved = readJsonObject(mapPath());
    QCOMPARE(saved.value(u"hk00700"_s).toArray(), QJsonArray{u"港股"_s});
    QCOMPARE(saved.value(u"sh600519"_s).toArray(), QJsonArray{u"白酒"_s});
    QCOMPARE(saved.value(u"sz002931"_s).toArray(), (QJsonArray{u"汽车零部件"_s, u"精密传动"_s}));
    QCOMPARE(changed.size(), 2); // the default entry was already in the map

    // Refresh cycles while the lookups run start no second lookup.
    for (int cycle = 0; cycle < 3; ++cycle)
        boards.ensureBoardTagsForWatchItems(watchlist);
    QCOMPARE(source.calls,
             (QHash<QString, int>{{u"sz300750"_s, 1}, {u"sh603606"_s, 1}, {u"sz000001"_s, 1}}));
    QCOMPARE(boards.boardLookupInFlightSymbols().size(), 3);

    QVERIFY(source.answer(u"sz300750"_s,
                          QStringList{u" 电池 "_s, u""_s, u"固态电池"_s, u"钠离子电池"_s}));
    QVERIFY(source.answer(u"sh603606"_s, QStringList()));
    QVERIFY(source.answer(u"sz000001"_s, QStringList{u"  "_s}));
    QVERIFY(boards.boardLookupInFlightSymbols().isEmpty());
    QCOMPARE(boards.boardTagDisplayForQuote(quoteFor(u"sz300750"_s)), u"电池 / 固态电池"_s);
    QCOMPARE(boards.boardTagDisplayForQuote(quoteFor(u"SH603606"_s)), u"电力设备 / 输变电"_s);
    QCOMPARE(boards.boardTagDisplayForQuote(quoteFor(u"sz000001"_s)), u"板块待补"_s);
    QCOMPARE(changed.size(), 4);
    QCOMPARE(changed.last().at(0).toString(), u"sh603606"_s);

    // Found tags are final; the symbol that found nothing is asked again.
    boards.ensureBoardTagsForWatchItems(watchlist);
    QCOMPARE(source.calls.value(u"sz300750"_s), 1);
    QCOMPARE(source.calls.value(u"sz000001"_s), 2);

    BoardTags reread(*m_store);
    reread.loadBoardMap();
    QCOMPARE(reread.boardMap(), boards.boardMap());
    QCOMPARE(reread.boardMap().value(u"sz000002"_s).toString(), u"银行"_s);

    // An answer after the tags are gone changes nothing.
    const QByteArray written = readBytes(mapPath());
    owner.reset();
    QVERIFY(source.answer(u"sz000001"_s, QStringList{u"银行"_s}));
    QCOMPARE(readBytes(mapPath()), written);
}

void tst_StrategyStore::boardHandEditsWhileRunningWin_data()
{
    QTest::addColumn<QByteArray>("edited");   // the file as the user leaves it while Kestrum runs
    QTest::addColumn<QJsonValue>("sh600519"); // that entry after the next save (undefined: gone)
    QTest::addColumn<bool>("keptAside");
    QTest::newRow("a changed entry wins")
        << R"({"sh600519": ["我的标签"], "sz002931": ["精密传动"]})"_ba
        << QJsonValue(QJsonArray{u"我的标签"_s}) << false;
    QTest::newRow("a removed entry goes")
        << R"({"sz002931": ["精密传动"]})"_ba << QJsonValue(QJsonValue::Undefined) << false;
    QTest::newRow("an unreadable edit is kept aside")
        << R"({"sh600519": ["我的标签"],})"_ba << QJsonValue(QJsonArray{u"白酒"_s}) << true;
}

void tst_StrategyStore::boardHandEditsWhileRunningWin()
{
    QFETCH(QByteArray, edited);
    QFETCH(QJsonValue, sh600519);
    QFETCH(bool, keptAside);
    QVERIFY(writeBytes(mapPath(), R"({"sh600519": ["白酒"]})"));
    TagSource source;
    BoardTags boards(*m_store, source.fetcher());
    QVERIFY(boards.loadBoardMap());
    QVERIFY(boards.saveBoardMap());
    QVERIFY(writeBytes(mapPath(), edited));
    QSignalSpy unreadable(&boards, &BoardTags::unreadableFileFound);

    // Another stock is added: its tags come in and the map is written.
    boards.ensureBoardTagsForWatchItems(QList<WatchItem>{item(u"sz300750"_s, u"宁德时代"_s)});
    QVERIFY(source.answer(u"sz300750"_s, QStringList{u"电池"_s}));
    const QJsonObject saved = readJsonObject(mapPath());
    QCOMPARE(saved, boards.boardMap());
    QCOMPARE(saved.value(u"sh600519"_s), sh600519);
    QCOMPARE(saved.value(u"sz300750"_s), QJsonValue(QJsonArray{u"电池"_s}));
    QCOMPARE(unreadable.size(), keptAside ? 1 : 0);
    if (keptAside)
        QCOMPARE(readBytes(unreadable.first().first().toString()), edited);
}

QTEST_GUILESS_MAIN(tst_StrategyStore)
#include "tst_strategystore.moc"
