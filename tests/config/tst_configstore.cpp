#include "config/ConfigStore.h"
#include "config/JsonFile.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString symbolOf(const WatchItem &item)
{
    return item.value(u"symbol"_s).toString();
}

} // namespace

class tst_ConfigStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void directCandidate_data();
    void directCandidate();
    void localSearchOrdersBuckets();
    void localSearchDoesNotRepeatDirectCandidate();
    void localSearchWithoutCatalog();
    void resolveFallsBackToDirectCandidate();
    void freshDirectory();
    void ensureConfigLeavesExistingFiles();
    void watchlistMalformedReadsEmptyAndIsKept_data();
    void watchlistMalformedReadsEmptyAndIsKept();
    void watchlistKeepsUnknownKeys();
    void settingsFallbackReplacesBadFile();
    void settingsAreOwnerOnly();
    void catalogIsCopiedOnceAndNeverReplaced();
    void packagedCatalogIsUsable();
    void failedWriteKeepsPreviousFile();
    void unreadableFilesReadAsDefaults();
    void defaultDirectoryHonoursEnvironment();
};

void tst_ConfigStore::directCandidate_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("market");

    QTest::newRow("hk with suffix") << u"00700.HK"_s << u"hk00700"_s << u"HK00700"_s << u"港股"_s;
    QTest::newRow("hk prefix short") << u"hk700"_s << u"hk00700"_s << u"HK00700"_s << u"港股"_s;
    QTest::newRow("bare short digits") << u"700"_s << u"hk00700"_s << u"HK00700"_s << u"港股"_s;
    QTest::newRow("inner spaces") << u"7 0 0"_s << u"hk00700"_s << u"HK00700"_s << u"港股"_s;
    QTest::newRow("surrounding space")
        << u"  600519\n"_s << u"sh600519"_s << u"SH600519"_s << u"沪市"_s;
    QTest::newRow("shenzhen main") << u"000001"_s << u"sz000001"_s << u"SZ000001"_s << u"深市"_s;
    QTest::newRow("chinext") << u"300750"_s << u"sz300750"_s << u"SZ300750"_s << u"深市"_s;
    QTest::newRow("beijing 8") << u"830799"_s << u"bj830799"_s << u"BJ830799"_s << u"北交"_s;
    QTest::newRow("beijing 4") << u"430047"_s << u"bj430047"_s << u"BJ430047"_s << u"北交"_s;
    QTest::newRow("beijing 9") << u"920001"_s << u"bj920001"_s << u"BJ920001"_s << u"北交"_s;
    QTest::newRow("prefixed shanghai")
        << u"sh600000"_s << u"sh600000"_s << u"SH600000"_s << u"沪市"_s;
    QTest::newRow("upper-case prefixed")
        << u"SZ000001"_s << u"sz000001"_s << u"SZ000001"_s << u"深市"_s;
    QTest::newRow("hyphen is no ticker")
        << u"sz-000001"_s << u"sz000001"_s << u"SZ000001"_s << u"深市"_s;
    QTest::newRow("code inside text")
        << u"代码600036"_s << u"sh600036"_s << u"SH600036"_s << u"沪市"_s;
    QTest::newRow("us ticker") << u"aapl"_s << u"gb_aapl"_s << u"AAPL"_s << u"美股"_s;
    QTest::newRow("us ticker with dot") << u"brk.b"_s << u"gb_brk_b"_s << u"BRK_B"_s << u"美股"_s;
    QTest::newRow("us symbol keeps dot")
        << u"gb_brk.b"_s << u"gb_brk.b"_s << u"BRK.B"_s << u"美股"_s;
}

void tst_ConfigStore::directCandidate()
{
    QFETCH(QString, input);
    QFETCH(QString, symbol);
    QFETCH(QString, name);
    QFETCH(QString, market);
    const auto item = ConfigStore::directWatchCandidateForInput(input);
    QVERIFY(item);
    QCOMPARE(symbolOf(*item), symbol);
    QCOMPARE(item->value(u"name"_s).toString(), name);
    QCOMPARE(item->value(u"market"_s).toString(), market);
}

void tst_ConfigStore::localSearchOrdersBuckets()
{
    QTemporaryDir dir;
    ConfigStore store(dir.path(), QString());
    writeFile(store.catalogPath(), R"({"items": [
        {"symbol": "sz300600", "name": "瑞特股份", "industry": "电网设备"},
        "not an object",
        {"symbol": "SH600519", "name": "贵州茅台", "industry": "白酒"},
        {"symbol": "600", "name": "exact symbol"},
        {"symbol": "sh601600", "name": "中国铝业"},
        {"symbol": "sh600036", "name": "招商银行", "market": "沪A"}
    ]})");

    const QList<WatchItem> found = store.matchesForWatchInput(u" 600 "_s, 10);
    QStringList symbols;
    for (const WatchItem &item : found)
        symbols << symbolOf(item);
    // Exact symbol first, then code prefixes in catalog order, then mere containment; the
    // typed text is also a Hong Kong code, appended last because there is room.
    QCOMPARE(symbols, (QStringList{u"600"_s, u"sh600519"_s, u"sh600036"_s, u"sz300600"_s,
                                   u"sh601600"_s, u"hk00600"_s}));
    QCOMPARE(found.at(2).value(u"market"_s).toString(), u"沪A"_s); // the catalog's own market
    QCOMPARE(found.at(1).value(u"market"_s).toString(), u"沪市"_s);

    QCOMPARE(store.matchesForWatchInput(u"600"_s, 2).size(), 2);
    QVERIFY(store.matchesForWatchInput(u"600"_s, 0).isEmpty());
    QVERIFY(store.matchesForWatchInput(u"   "_s, 10).isEmpty());

    // Names are compared as typed, and an exact name beats a prefix.
    const QList<WatchItem> byName = store.matchesForWatchInput(u"招商银行"_s, 10);
    QCOMPARE(symbolOf(byName.value(0)), u"sh600036"_s);
}

void tst_ConfigStore::localSearchDoesNotRepeatDirectCandidate()
{
    QTemporaryDir dir;
    ConfigStore store(dir.path(), QString());
    writeFile(store.catalogPath(), R"({"items": [{"symbol": "sh600519", "name": "贵州茅台"}]})");
    const QList<WatchItem> found = store.matchesForWatchInput(u"600519"_s, 10);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first().value(u"name"_s).toString(), u"贵州茅台"_s);
}

void tst_ConfigStore::localSearchWithoutCatalog()
{
    QTemporaryDir dir;
    ConfigStore store(dir.path(), QString());
    QVERIFY(store.catalogItems().isEmpty());
    const QList<WatchItem> found = store.matchesForWatchInput(u"aapl"_s, 10);
    QCOMPARE(found.size(), 1);
    QCOMPARE(symbolOf(found.first()), u"gb_aapl"_s);

    writeFile(store.catalogPath(), "{\"items\": {\"symbol\": \"sh600000\"}}");
    QVERIFY(store.catalogItems().isEmpty());
    writeFile(store.catalogPath(), "[1,2");
    QVERIFY(store.catalogItems().isEmpty());
    QVERIFY(store.matchesForWatchInput(u"abcdefghij"_s, 10).isEmpty());
}

void tst_ConfigStore::resolveFallsBackToDirectCandidate()
{
    QTemporaryDir dir;
    ConfigStore store(dir.path(), QString());
    QCOMPARE(symbolOf(*store.resolveWatchInput(u"00700.hk"_s)), u"hk00700"_s);
    QVERIFY(!store.resolveWatchInput(u"abcdefghij"_s));
    QVERIFY(!store.resolveWatchInput(u"sh_abc"_s)); // no code anywhere: not a symbol
    QVERIFY(!store.resolveWatchInput(QString()));
}

void tst_ConfigStore::freshDirectory()
{
    QTemporaryDir dir;
    const QString appDir = dir.path() + u"/nested/Kestrum"_s;
    ConfigStore store(appDir, QString());
    QVERIFY(QFileInfo(appDir + u"/cache/market"_s).isDir());
    store.ensureConfig();
    QCOMPARE(JsonFile::read(store.watchlistPath())->array(), QJsonArray());
    const QJsonObject settings = JsonFile::read(store.settingsPath())->object();
    QCOMPARE(settings.keys().size(), 7);
    QCOMPARE(settings.value(u"displayMode"_s).toString(), u"rotate"_s);
    QCOMPARE(settings.value(u"alertPreset"_s).toString(), u"off"_s);
    QCOMPARE(settings.value(u"alertDirectionMask"_s).toInt(), 3);

    const QByteArray before = readFile(store.settingsPath());
    store.ensureConfig();
    QCOMPARE(readFile(store.settingsPath()), before);
}

void tst_ConfigStore::ensureConfigLeavesExistingFiles()
{
    QTemporaryDir dir;
    ConfigStore store(dir.path(), QString());
    store.ensureConfig();
    QFile::remove(store.settingsPath());
    store.ensureConfig();
    QVERIFY(!QFileInfo::exists(store.settingsPath())); // the watchlist exists: nothing to do

    const QJsonObject loaded = store.loadSettings();
    QCOMPARE(loaded.keys().size(), 14);
    QCOMPARE(loaded.value(u"aiBaseURL"_s).toString(), u"https://api.openai.com/v1"_s);
    QCOMPARE(loaded.value(u"aiModel"_s).toString(), u"gpt-4o-mini"_s);
    QCOMPARE(JsonFile::read(store.settingsPath())->object(), loaded);

    // A settings file without a watchlist: the empty watchlist appears, settings stay.
    QFile::remove(store.watchlistPath());
    writeFile(store.settingsPath(), R"({"displayMode": "summary"})");
    store.ensureConfig();
    QCOMPARE(JsonFile::read(store.watchlistPath())->array(), QJsonArray());
    QCOMPARE(store.loadSettings().value(u"displayMode"_s).toString(), u"summary"_s);
}

void tst_ConfigStore::watchlistMalformedReadsEmptyAndIsKept_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("object") << QByteArray(R"({"symbol": "sh600000"})");
    QTest::newRow("truncated") << QByteArray(R"([{"symbol": "sh6000)");
    QTest::newRow("binary") << QByteArray("\xff\xfe\x00\x01", 4);
    QTest::newRow("number") << QByteArray("42");
}

void tst_ConfigStore::watchlistMalformedReadsEmptyAndIsKept()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    ConfigStore store(dir.path(), QString());
    writeFile(store.watchlistPath(), content);
    QCOMPARE(store.loadWatchlist(), QJsonArray());
    QCOMPARE(readFile(store.watchlistPath()), content); // loading never rewrites it
}

void tst_ConfigStore::watchlistKeepsUnknownKeys()
{
    QTemporaryDir dir;
    ConfigStore store(dir.path(), QString());
    const QJsonArray items{
        QJsonObject{{u"symbol"_s, u"sh600519"_s},
                    {u"name"_s, u"贵州茅台"_s},
                    {u"market"_s, u"沪市"_s},
                    {u"note"_s, u"长期持有"_s},
                    {u"cost"_s, 1402.5}},
        QJsonObject{{u"symbol"_s, u"gb_aapl"_s}},
        u"a stray string"_s,
    };
    QVERIFY(store.saveWatchlist(items));
    QCOMPARE(store.loadWatchlist(), items);
    QVERIFY(readFile(store.watchlistPath()).contains("\n    ")); // pretty-printed
}

void tst_ConfigStore::settingsFallbackReplacesBadFile()
{
    QTemporaryDir dir;
    ConfigStore store(dir.path(), QString());
    store.ensureConfig();
    writeFile(store.settingsPath(), "[1, 2, 3]");
    const QJsonObject loaded = store.loadSettings();
    QCOMPARE(loaded.keys().size(), 14);
    QCOMPARE(JsonFile::read(store.settingsPath())->object(), loaded);
}

void tst_ConfigStore::settingsAreOwnerOnly()
{
    QTemporaryDir dir;
    ConfigStore store(dir.path(), QString());
    store.ensureConfig();
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    auto others = [&] {
        return QFile(store.settingsPath()).permissions() &
               (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther |
                QFileDevice::WriteOther);
    };
    QCOMPARE(others(), QFileDevice::Permissions());
    QFile(store.settingsPath()).setPermissions(ownerOnly | QFileDevice::ReadOther);
    QVERIFY(store.saveSettings(QJsonObject{{u"aiAPIKey"_s, u"sk-secret"_s}}));
    QCOMPARE(others(), QFileDevice::Permissions());
}

void tst_ConfigStore::catalogIsCopiedOnceAndNeverReplaced()
{
    QTemporaryDir dir;
    const QString resource = dir.path() + u"/package/tdx_stock_catalog.json"_s;
    writeFile(resource, R"({"items": [{"symbol": "sh600000", "name": "浦发银行"}]})");
    const QString appDir = dir.path() + u"/app"_s;
    {
        ConfigStore store(appDir, resource);
        QCOMPARE(store.catalogItems().size(), 1);
        writeFile(store.catalogPath(), R"({"items": []})"); // the user's own copy
    }
    writeFile(resource, R"({"items": [{"symbol": "sh600000"}, {"symbol": "sh600036"}]})");
    ConfigStore again(appDir, resource);
    QCOMPARE(again.catalogItems().size(), 0);

    ConfigStore missingResource(dir.path() + u"/other"_s, dir.path() + u"/none.json"_s);
    QVERIFY(!QFileInfo::exists(missingResource.catalogPath()));
}

void tst_ConfigStore::packagedCatalogIsUsable()
{
    QTemporaryDir dir;
    ConfigStore store(dir.path());
    const QJsonArray items = store.catalogItems();
    QVERIFY2(items.size() >= 100, "the shipped catalog should cover the well-known stocks");
    QSet<QString> seen;
    for (const QJsonValue &value : items) {
        const QJsonObject item = value.toObject();
        const QString symbol = item.value(u"symbol"_s).toString();
        QVERIFY2(!seen.contains(symbol), qPrintable(symbol));
        seen.insert(symbol);
        QVERIFY2(QRegularExpression(u"^((sh|sz|bj)\\d{6}|hk\\d{5}|gb_[a-z][a-z0-9_]*)$"_s)
                     .match(symbol)
                     .hasMatch(),
                 qPrintable(symbol));
        QVERIFY2(!item.value(u"name"_s).toString().isEmpty(), qPrintable(symbol));
        QVERIFY2(!item.value(u"industry"_s).toString().trimmed().isEmpty(), qPrintable(symbol));
    }
    QVERIFY(seen.contains(u"sh600519"_s));
    QCOMPARE(symbolOf(store.matchesForWatchInput(u"贵州茅台"_s, 1).value(0)), u"sh600519"_s);
}

void tst_ConfigStore::failedWriteKeepsPreviousFile()
{
    QTemporaryDir dir;
    ConfigStore store(dir.path(), QString());
    const QJsonArray before{QJsonObject{{u"symbol"_s, u"sh600519"_s}}};
    QVERIFY(store.saveWatchlist(before));
    QVERIFY(store.saveSettings(QJsonObject{{u"displayMode"_s, u"first"_s}}));
    const QByteArray settingsBefore = readFile(store.settingsPath());
    {
        TestSupport::FileSizeLimit limit(16);
        QVERIFY(!store.saveWatchlist(QJsonArray{QJsonObject{{u"symbol"_s, u"gb_aapl"_s}}}));
        QVERIFY(!store.saveSettings(QJsonObject{{u"displayMode"_s, u"summary"_s}}));
    }
    QCOMPARE(store.loadWatchlist(), before);
    QCOMPARE(readFile(store.settingsPath()), settingsBefore);
    // No temporary file is left behind either.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

void tst_ConfigStore::unreadableFilesReadAsDefaults()
{
    QTemporaryDir dir;
    ConfigStore store(dir.path(), QString());
    // A directory where a file should be cannot be read (even by root).
    QVERIFY(QDir().mkpath(store.watchlistPath()));
    QVERIFY(QDir().mkpath(store.catalogPath()));
    QCOMPARE(store.loadWatchlist(), QJsonArray());
    QVERIFY(store.catalogItems().isEmpty());
    QVERIFY(store.matchesForWatchInput(u"600519"_s, 10).size() == 1);
}

void tst_ConfigStore::defaultDirectoryHonoursEnvironment()
{
    QTemporaryDir dir;
    qputenv("KESTRUM_DATA_DIR", dir.path().toUtf8());
    QCOMPARE(ConfigStore::defaultAppDirectory(), dir.path());
    ConfigStore store;
    QCOMPARE(store.appDir(), QDir::cleanPath(dir.path()));
}

QTEST_GUILESS_MAIN(tst_ConfigStore)
#include "tst_configstore.moc"
