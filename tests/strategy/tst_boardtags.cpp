// SPDX-License-Identifier: GPL-3.0-or-later
// Board tags: the built-in map, market badges, the catalog, the external lookup and the
// name's keywords, in that order, with one lookup per symbol at a time.
#include "FileBytes.h"
#include "HeldRequests.h"

#include "config/ConfigStore.h"
#include "config/JsonFile.h"
#include "model/Clock.h"
#include "strategy/BoardTags.h"
#include "strategy/StrategyStore.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

using Source = HeldRequests<BoardTags::TagsCompletion>;

QJsonObject item(const QString &symbol, const QString &name)
{
    return QJsonObject{{u"symbol"_s, symbol}, {u"name"_s, name}};
}

Quote quoteFor(const QString &symbol)
{
    Quote q;
    q.symbol = symbol;
    return q;
}

} // namespace

class TestBoardTags : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void keywordsAndCatalog();
    void sourcesInOrder();
    void handEditsWhileRunningWin_data();
    void handEditsWhileRunningWin();

private:
    void writeCatalog(const QJsonArray &items)
    {
        QVERIFY(JsonFile::writePretty(m_config->catalogPath(),
                                      QJsonDocument(QJsonObject{{u"items"_s, items}})));
    }
    QString mapPath() const { return m_store->boardMapURL(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ConfigStore> m_config;
    std::unique_ptr<StrategyStore> m_store;
    ManualClock m_clock;
};

void TestBoardTags::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_config = std::make_unique<ConfigStore>(m_dir->path(), QString());
    m_store = std::make_unique<StrategyStore>(*m_config, m_clock);
    writeCatalog({
        QJsonObject{{u"symbol"_s, u"sz002931"_s}, {u"industry"_s, u"汽车配件"_s}},
        QJsonObject{{u"symbol"_s, u"sh600519"_s}, {u"industry"_s, u"  白酒 "_s}},
        QJsonObject{{u"symbol"_s, u"SH600036"_s}, {u"industry"_s, u"银行"_s}},
        QJsonObject{{u"symbol"_s, u"sh601318"_s}, {u"industry"_s, 3}},
        QJsonObject{{u"symbol"_s, u"sh600000"_s}, {u"industry"_s, u""_s}},
        QJsonObject{{u"symbol"_s, u"sh600000"_s}, {u"industry"_s, u"银行"_s}},
        u"not an item"_s,
    });
}

void TestBoardTags::keywordsAndCatalog()
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

void TestBoardTags::sourcesInOrder()
{
    // Blank tags in the map are looked up again; an entry of another kind is left as it is.
    QVERIFY(m_store->writeJSONObject(
        QJsonObject{{u"sz300750"_s, QJsonArray{u" "_s, u""_s}}, {u"sz000002"_s, u"银行"_s}},
        mapPath()));
    Source source;
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

void TestBoardTags::handEditsWhileRunningWin_data()
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

void TestBoardTags::handEditsWhileRunningWin()
{
    QFETCH(QByteArray, edited);
    QFETCH(QJsonValue, sh600519);
    QFETCH(bool, keptAside);
    QVERIFY(writeBytes(mapPath(), R"({"sh600519": ["白酒"]})"));
    Source source;
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

QTEST_GUILESS_MAIN(TestBoardTags)
#include "tst_boardtags.moc"
