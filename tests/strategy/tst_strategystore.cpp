// SPDX-License-Identifier: GPL-3.0-or-later
// The strategy directory: timestamps, JSON files and what a launch loads and repairs.
#include "FileBytes.h"

#include "config/ConfigStore.h"
#include "model/Clock.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"
#include "strategy/StrategyStore.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

class TestStrategyStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void moments();
    void jsonFiles();
    void launch();

private:
    QStringList unreadableCopies() const
    {
        return QDir(m_store->strategyDirectoryURL()).entryList({u"*.unreadable-*"_s}, QDir::Files);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ConfigStore> m_config;
    std::unique_ptr<StrategyStore> m_store;
    ManualClock m_clock{QDateTime(QDate(2025, 1, 10), QTime(6, 30), QTimeZone::utc())};
};

void TestStrategyStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_config = std::make_unique<ConfigStore>(m_dir->path() + u"/Kestrum"_s, QString());
    m_clock.setLocalZone(QTimeZone("Asia/Shanghai"));
    m_store = std::make_unique<StrategyStore>(*m_config, m_clock);
}

// Moments as written in a zone and read back; hand-edited forms read, anything else is no
// moment (the sample then has no outcome).
void TestStrategyStore::moments()
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

void TestStrategyStore::jsonFiles()
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
void TestStrategyStore::launch()
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

QTEST_GUILESS_MAIN(TestStrategyStore)
#include "tst_strategystore.moc"
