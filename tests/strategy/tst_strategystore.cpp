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
    void timestamps_data();
    void timestamps();
    void readsMoments_data();
    void readsMoments();
    void jsonFiles();
    void firstLaunch();
    void launchKeepsTheUsersEntries();

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

void TestStrategyStore::timestamps_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QString>("text");
    const QDateTime moment(QDate(2025, 1, 10), QTime(6, 30), QTimeZone::utc());
    QTest::newRow("UTC+8") << "Asia/Shanghai"_ba << moment << u"2025-01-10T14:30:00+0800"_s;
    QTest::newRow("behind UTC, day before")
        << "America/New_York"_ba << moment.addSecs(-3 * 3600) << u"2025-01-09T22:30:00-0500"_s;
    QTest::newRow("half-hour zone") << "Asia/Kolkata"_ba << moment << u"2025-01-10T12:00:00+0530"_s;
}

void TestStrategyStore::timestamps()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDateTime, moment);
    QFETCH(QString, text);
    m_clock.setLocalZone(QTimeZone(zone));
    m_clock.setNow(moment);
    QCOMPARE(m_store->strategyISOStringForDate(moment), text);
    QCOMPARE(m_store->strategyISOStringForDate(), text); // now
    const std::optional<QDateTime> parsed = StrategyStore::strategyDateFromISOString(text);
    QVERIFY(parsed);
    QCOMPARE(parsed->toMSecsSinceEpoch(), moment.toMSecsSinceEpoch());
}

// Hand-edited forms read; anything else is no moment (the sample then has no outcome).
void TestStrategyStore::readsMoments_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("utcSecs"); // -1: rejected
    const qint64 base =
        QDateTime(QDate(2025, 1, 10), QTime(6, 30), QTimeZone::utc()).toSecsSinceEpoch();
    const std::pair<const char16_t *, qint64> rows[] = {
        {u"2025-01-10T14:30:00+08:00", base}, {u"2025-01-10T06:30:00Z", base},
        {u"2025-01-10T01:30:00-0500", base},  {u"2025-02-30T14:30:00+0800", -1},
        {u"2025-01-10T24:00:00+0800", -1},    {u"2025-01-10T14:30:00+1500", -1},
        {u"2025-01-10T14:30:00+0860", -1},    {u"2025-01-10T14:30:00+0800 ", -1},
        {u"2025-01-10 14:30:00+0800", -1},    {u"2025-01-10T14:30:00", -1},
        {u"２０25-01-10T14:30:00+0800", -1},  {u"", -1},
    };
    for (const auto &[text, secs] : rows)
        QTest::newRow(QString::fromUtf16(text).toUtf8()) << QString::fromUtf16(text) << secs;
}

void TestStrategyStore::readsMoments()
{
    QFETCH(QString, text);
    QFETCH(qint64, utcSecs);
    const std::optional<QDateTime> parsed = StrategyStore::strategyDateFromISOString(text);
    QCOMPARE(parsed ? parsed->toSecsSinceEpoch() : -1, utcSecs);
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

void TestStrategyStore::firstLaunch()
{
    const QString dir = m_dir->path() + u"/Kestrum/strategy"_s;
    QCOMPARE(m_store->strategyDirectoryURL(), dir);
    QCOMPARE(m_store->decisionSamplesArchiveURL(u"20250110"_s),
             dir + u"/decision_samples.archive-20250110.jsonl"_s);
    DailyCache daily(*m_store);
    BoardTags tags(*m_store);
    m_store->loadStrategyDataLayer(daily, tags);

    QVERIFY(QFileInfo(dir).isDir());
    QCOMPARE(readJsonObject(dir + u"/board_map.json"_s), BoardTags::defaultBoardMap());
    QCOMPARE(tags.boardMap(), BoardTags::defaultBoardMap());
    QVERIFY(!QFileInfo::exists(dir + u"/daily_cache.json"_s));
    QVERIFY(daily.dailyCache().isEmpty());
}

void TestStrategyStore::launchKeepsTheUsersEntries()
{
    const QJsonObject record{{u"symbol"_s, u"sh600519"_s},
                             {u"updated_at"_s, u"2025-01-09T20:00:00+0800"_s},
                             {u"features"_s, QJsonObject{{u"context"_s, u"日线背景：中性"_s}}}};
    QVERIFY(
        writeBytes(m_store->dailyCacheURL(),
                   QJsonDocument(QJsonObject{{u"sh600519"_s, record}, {u"junk"_s, 7}}).toJson()));
    const QJsonObject users{{u"sh600089"_s, QJsonArray{u"特高压"_s}},
                            {u"sz300750"_s, QJsonArray{u"电池"_s}},
                            {u"sh600000"_s, u"not an array"_s}};
    QVERIFY(writeBytes(m_store->boardMapURL(), QJsonDocument(users).toJson()));
    DailyCache daily(*m_store);
    BoardTags tags(*m_store);
    m_store->loadStrategyDataLayer(daily, tags);

    QCOMPARE(daily.dailyCache(), (QJsonObject{{u"sh600519"_s, record}, {u"junk"_s, 7}}));
    // The user's three entries untouched, and the seven defaults they lacked.
    const QJsonObject saved = readJsonObject(m_store->boardMapURL());
    QCOMPARE(saved.size(), 10);
    for (auto it = users.begin(); it != users.end(); ++it)
        QCOMPARE(saved.value(it.key()), it.value());
    QCOMPARE(saved.value(u"sz002931"_s), BoardTags::defaultBoardMap().value(u"sz002931"_s));
    QVERIFY(unreadableCopies().isEmpty());
}

QTEST_GUILESS_MAIN(TestStrategyStore)
#include "tst_strategystore.moc"
