// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/AppSettings.h"
#include "config/ConfigStore.h"
#include "config/JsonFile.h"
#include "model/Symbol.h"

#include "FileBytes.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

QJsonObject parse(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
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
    void directCandidate();
    void localSearchOrdersBuckets();
    void badFilesReadAsEmpty();
    void settingsFileLifecycle();
    void catalogIsCopiedOnceAndUsable();
    void failedWriteKeepsPreviousFile();
    void enumerationsAndLegacyPresets();
    void valuesOfTheWrongKind();
};

// Typed text to a symbol, display name and market: codes found in any spelling, funds and B
// shares by their exchange's leading digits; text with no code in it makes none.
void tst_ConfigStore::directCandidate()
{
    // Typed text|symbol name market, or none.
    for (const char16_t *row :
         {u"00700.HK|hk00700 HK00700 港股", u"hk700|hk00700 HK00700 港股",
          u"  600519\n|sh600519 SH600519 沪市", u"000001|sz000001 SZ000001 深市",
          u"830799|bj830799 BJ830799 北交", u"sz-000001|sz000001 SZ000001 深市",
          u"代码600036|sh600036 SH600036 沪市", u"brk.b|gb_brk_b BRK_B 美股",
          u"gb_brk.b|gb_brk.b BRK.B 美股", u"510300|sh510300 SH510300 沪市",
          u"900901|sh900901 SH900901 沪市", u"920118|bj920118 BJ920118 北交",
          u"430047|bj430047 BJ430047 北交", u"159915|sz159915 SZ159915 深市",
          u"200002|sz200002 SZ200002 深市", u"abcdefghij|none", u"sh_abc|none", u" - |none"}) {
        const QStringList want = QString::fromUtf16(row).split(u'|');
        const auto item = ConfigStore::directWatchCandidateForInput(want.first());
        QVERIFY(!item || Symbol::isStoredForm(symbolOf(*item)));
        const QString found = item
                                  ? QStringList({symbolOf(*item), item->value(u"name"_s).toString(),
                                                 item->value(u"market"_s).toString()})
                                        .join(u' ')
                                  : u"none"_s;
        QCOMPARE(want.first() + u'|' + found, QString::fromUtf16(row));
    }
}

void tst_ConfigStore::localSearchOrdersBuckets()
{
    QTemporaryDir dir;
    ConfigStore store(dir.path(), QString());
    QVERIFY(writeBytes(store.catalogPath(), R"({"items": [
        {"symbol": "sz300600", "name": "瑞特股份", "industry": "电网设备"},
        "not an object",
        {"symbol": "SH600519", "name": "贵州茅台", "industry": "白酒"},
        {"symbol": "sz000600", "name": "600"},
        {"symbol": "sh600,hk00700", "name": "600"},
        {"symbol": "sh601600", "name": "中国铝业"},
        {"symbol": "sh600036", "name": "招商银行", "market": "沪A"}
    ]})"));

    const QList<WatchItem> found = store.matchesForWatchInput(u" 600 "_s, 10);
    QStringList symbols;
    for (const WatchItem &item : found)
        symbols << symbolOf(item);
    // Exact name first, then code prefixes in catalog order, then mere containment; the
    // typed text is also a Hong Kong code, appended last because there is room. An entry
    // that is no symbol is never offered.
    QCOMPARE(symbols, (QStringList{u"sz000600"_s, u"sh600519"_s, u"sh600036"_s, u"sz300600"_s,
                                   u"sh601600"_s, u"hk00600"_s}));
    QCOMPARE(found.at(2).value(u"market"_s).toString(), u"沪A"_s); // the catalog's own market
    QCOMPARE(found.at(1).value(u"market"_s).toString(), u"沪市"_s);

    QCOMPARE(store.matchesForWatchInput(u"600"_s, 2).size(), 2);
    QVERIFY(store.matchesForWatchInput(u"600"_s, 0).isEmpty());
    QVERIFY(store.matchesForWatchInput(u"   "_s, 10).isEmpty());

    // Names are compared as typed, and an exact name beats a prefix.
    QCOMPARE(symbolOf(store.matchesForWatchInput(u"招商银行"_s, 10).value(0)), u"sh600036"_s);
    // The catalog already holds the typed code: no second, direct candidate.
    const QList<WatchItem> moutai = store.matchesForWatchInput(u"600519"_s, 10);
    QCOMPARE(moutai.size(), 1);
    QCOMPARE(moutai.first().value(u"name"_s).toString(), u"贵州茅台"_s);
}

void tst_ConfigStore::badFilesReadAsEmpty()
{
    QTemporaryDir dir;
    ConfigStore store(dir.path(), QString());
    QVERIFY(store.catalogItems().isEmpty());
    QCOMPARE(symbolOf(store.matchesForWatchInput(u"aapl"_s, 10).value(0)), u"gb_aapl"_s);
    QCOMPARE(symbolOf(*store.resolveWatchInput(u"00700.hk"_s)), u"hk00700"_s);
    QVERIFY(!store.resolveWatchInput(u"abcdefghij"_s));

    QVERIFY(writeBytes(store.catalogPath(), "{\"items\": {\"symbol\": \"sh600000\"}}"));
    QVERIFY(store.catalogItems().isEmpty());
    QVERIFY(writeBytes(store.catalogPath(), "[1,2"));
    QVERIFY(store.catalogItems().isEmpty());

    // A directory where a file should be cannot be read (even by root).
    QFile::remove(store.catalogPath());
    QVERIFY(QDir().mkpath(store.catalogPath()));
    QVERIFY(store.catalogItems().isEmpty());
    QCOMPARE(store.matchesForWatchInput(u"600519"_s, 10).size(), 1);
}

void tst_ConfigStore::settingsFileLifecycle()
{
    QTemporaryDir dir;
    const QString appDir = dir.path() + u"/nested/Kestrum"_s;
    ConfigStore store(appDir, QString());
    QVERIFY(QFileInfo(appDir + u"/cache/market"_s).isDir());

    // First run: an empty watchlist and the seven first-run keys; a second run changes nothing.
    store.ensureConfig();
    QCOMPARE(JsonFile::read(store.watchlistPath())->array(), QJsonArray());
    const QJsonObject firstRun = JsonFile::read(store.settingsPath())->object();
    QCOMPARE(firstRun.keys().size(), 7);
    QCOMPARE(firstRun.value(u"alertPreset"_s).toString(), u"off"_s);
    QCOMPARE(firstRun.value(u"alertDirectionMask"_s).toInt(), 3);
    const QByteArray before = readBytes(store.settingsPath());
    store.ensureConfig();
    QCOMPARE(readBytes(store.settingsPath()), before);
    // Settings may hold an API key: owner-only, and loading narrows loosened permissions
    // (a run that never saves included).
    const auto others = [&](const QString &path) {
        return QFile(path).permissions() & (QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ReadOther | QFileDevice::WriteOther);
    };
    QCOMPARE(others(store.settingsPath()), QFileDevice::Permissions());
    QFile(store.settingsPath())
        .setPermissions(QFile(store.settingsPath()).permissions() | QFileDevice::ReadOther);
    store.loadSettings();
    QCOMPARE(others(store.settingsPath()), QFileDevice::Permissions());
    QCOMPARE(readBytes(store.settingsPath()), before);
    // The first save writes every key.
    QVERIFY(store.saveSettings(AppSettings::fromJson(store.loadSettings()).toJson()));
    QCOMPARE(JsonFile::read(store.settingsPath())->object().keys().size(), 22);
    QCOMPARE(others(store.settingsPath()), QFileDevice::Permissions());

    // Settings gone while the watchlist exists: not recreated until loaded, then the
    // fourteen-key fallback is written.
    QFile::remove(store.settingsPath());
    store.ensureConfig();
    QVERIFY(!QFileInfo::exists(store.settingsPath()));
    const QJsonObject loaded = store.loadSettings();
    QCOMPARE(loaded.keys().size(), 14);
    QCOMPARE(JsonFile::read(store.settingsPath())->object(), loaded);

    // An array instead of an object is replaced the same way, once kept aside, as private
    // as the file it came from.
    QVERIFY(writeBytes(store.settingsPath(), "[1, 2, 3]"));
    JsonFile::KeptAside kept;
    QCOMPARE(store.loadSettings(&kept), loaded);
    QCOMPARE(JsonFile::read(store.settingsPath())->object(), loaded);
    QCOMPARE(readBytes(kept.copyPath), "[1, 2, 3]"_ba);
    QVERIFY(kept.copyPath.startsWith(store.settingsPath() + u".unreadable-"_s));
    QCOMPARE(others(kept.copyPath), QFileDevice::Permissions());

    // Settings without a watchlist: the empty watchlist appears, the settings stay.
    QFile::remove(store.watchlistPath());
    QVERIFY(writeBytes(store.settingsPath(), R"({"displayMode": "summary"})"));
    store.ensureConfig();
    QCOMPARE(JsonFile::read(store.watchlistPath())->array(), QJsonArray());
    QCOMPARE(store.loadSettings().value(u"displayMode"_s).toString(), u"summary"_s);

    // An older file with alert knobs instead of a preset converts on the first save.
    QVERIFY(store.saveSettings(parse(R"({"alertPercent": 2.5, "alertDirectionMask": 1,
        "alertBreakoutEnabled": true})")));
    const AppSettings legacy = AppSettings::fromJson(store.loadSettings());
    QCOMPARE(legacy.alertPreset, AlertPreset::Standard);
    QCOMPARE(legacy.alertPercent, 2.5); // kept in memory until the next reload
    QCOMPARE(legacy.alertDirectionMask, 1);
    QVERIFY(store.saveSettings(legacy.toJson()));

    const QJsonObject saved = JsonFile::read(store.settingsPath())->object();
    QCOMPARE(saved.value(u"alertPreset"_s).toString(), u"standard"_s);
    QCOMPARE(saved.value(u"alertPercent"_s).toDouble(), 0.0);
    QCOMPARE(saved.value(u"alertDirectionMask"_s).toInt(), 3);
    QCOMPARE(saved.value(u"alertBreakoutEnabled"_s).toBool(), false);
}

void tst_ConfigStore::catalogIsCopiedOnceAndUsable()
{
    QTemporaryDir dir;
    const QString resource = dir.path() + u"/package/tdx_stock_catalog.json"_s;
    QVERIFY(writeBytes(resource, R"({"items": [{"symbol": "sh600000", "name": "浦发银行"}]})"));
    const QString appDir = dir.path() + u"/app"_s;
    {
        ConfigStore store(appDir, resource);
        QCOMPARE(store.catalogItems().size(), 1);
        QVERIFY(writeBytes(store.catalogPath(), R"({"items": []})")); // the user's own copy
    }
    QVERIFY(writeBytes(resource, R"({"items": [{"symbol": "sh600000"}, {"symbol": "sh600036"}]})"));
    QCOMPARE(ConfigStore(appDir, resource).catalogItems().size(), 0);

    ConfigStore missingResource(dir.path() + u"/other"_s, dir.path() + u"/none.json"_s);
    QVERIFY(!QFileInfo::exists(missingResource.catalogPath()));

    // The packaged catalog covers the well-known stocks, each well formed and once.
    ConfigStore store(dir.path() + u"/packaged"_s);
    const QJsonArray items = store.catalogItems();
    QVERIFY2(items.size() >= 100, "the shipped catalog should cover the well-known stocks");
    const QRegularExpression symbolForm(u"^((sh|sz|bj)\\d{6}|hk\\d{5}|gb_[a-z][a-z0-9_]*)$"_s);
    QSet<QString> seen;
    for (const QJsonValue &value : items) {
        const QJsonObject item = value.toObject();
        const QString symbol = item.value(u"symbol"_s).toString();
        QVERIFY2(!seen.contains(symbol) && symbolForm.match(symbol).hasMatch() &&
                     !item.value(u"name"_s).toString().isEmpty() &&
                     !item.value(u"industry"_s).toString().trimmed().isEmpty(),
                 qPrintable(symbol));
        seen.insert(symbol);
    }
    QCOMPARE(symbolOf(store.matchesForWatchInput(u"贵州茅台"_s, 1).value(0)), u"sh600519"_s);
}

void tst_ConfigStore::failedWriteKeepsPreviousFile()
{
    QTemporaryDir dir;
    ConfigStore store(dir.path(), QString());
    // Items are stored as given, unknown keys and stray values included.
    const QJsonArray before{
        QJsonObject{{u"symbol"_s, u"sh600519"_s}, {u"note"_s, u"长期持有"_s}, {u"cost"_s, 1402.5}},
        u"a stray string"_s};
    QVERIFY(store.saveWatchlist(before));
    QCOMPARE(store.loadWatchlist(), before);
    QVERIFY(readBytes(store.watchlistPath()).contains("\n    ")); // pretty-printed
    QVERIFY(store.saveSettings(QJsonObject{{u"displayMode"_s, u"first"_s}}));
    const QByteArray settingsBefore = readBytes(store.settingsPath());
    {
        TestSupport::FileSizeLimit limit(16);
        QVERIFY(!store.saveWatchlist(QJsonArray{QJsonObject{{u"symbol"_s, u"gb_aapl"_s}}}));
        QVERIFY(!store.saveSettings(QJsonObject{{u"displayMode"_s, u"summary"_s}}));
    }
    QCOMPARE(store.loadWatchlist(), before);
    QCOMPARE(readBytes(store.settingsPath()), settingsBefore);
    // No temporary file is left behind either.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

// Display mode, section, sort and alert preset as loaded and as written back. Older files'
// preset names, or any alert knob set, mean standard; a word that is no preset sends nothing,
// so it reads and is written back as off.
void tst_ConfigStore::enumerationsAndLegacyPresets()
{
    // Settings|displayMode mainSection sort preset as written back.
    for (const char *row :
         {R"({"displayMode": "summary"}|summary overview original off)",
          R"({"displayMode": "first", "mainSection": "ai"}|first ai original off)",
          R"({"displayMode": "Summary", "mainSection": ["ai"], "mainWatchlistSortMode": 1}|)"
          R"(rotate overview original off)",
          R"({"mainSection": "watchlist", "mainWatchlistSortMode": "priority"}|)"
          R"(rotate watchlist priority off)",
          R"({"mainWatchlistSortMode": "alpha"}|rotate overview original off)",
          R"({"alertPreset": "defense"}|rotate overview original conservative)",
          R"({"alertPreset": "focus"}|rotate overview original standard)",
          R"({"alertPreset": "observe"}|rotate overview original sensitive)",
          R"({"alertPreset": "conservative", "alertPercent": 3}|)"
          R"(rotate overview original conservative)",
          R"({"alertPercent": "2.5"}|rotate overview original standard)",
          R"({"alertVolumeSpikeEnabled": 1}|rotate overview original standard)",
          R"({"alertPercent": 0, "alertDirectionMask": 3, "alertBreakoutEnabled": false, )"
          R"("alertBreakBelowAverageEnabled": false, "alertVolumeSpikeEnabled": false}|)"
          R"(rotate overview original off)",
          R"({"alertPreset": 7}|rotate overview original off)",
          R"({"alertPreset": "loud", "alertPercent": 3}|rotate overview original off)"}) {
        const QStringList want = QString::fromUtf8(row).split(u'|');
        const QJsonObject saved = AppSettings::fromJson(parse(want.first().toUtf8())).toJson();
        QStringList words;
        for (const char16_t *key :
             {u"displayMode", u"mainSection", u"mainWatchlistSortMode", u"alertPreset"})
            words << saved.value(QString::fromUtf16(key)).toString();
        QCOMPARE(want.first() + u'|' + words.join(u' '), QString::fromUtf8(row));
    }
}

void tst_ConfigStore::valuesOfTheWrongKind()
{
    const QByteArray json = R"({"aiEnabled": 1, "openDesktopOnLaunch": 0,
        "mainWindowAlwaysOnTop": "true", "alertDirectionMask": "2", "aiInsights": ["a"],
        "aiInsightDates": {"sh600519": "2026-04-28", "bad": 3}, "aiProvider": 5,
        "aiBaseURL": null, "aiModel": ["x"], "aiAPIKey": 12, "mainDetailSymbol": {},
        "mainWindowFrame": 1, "alertPercent": "2.5", "autoCheckForUpdates": "false",
        "aiAutoGeneratedKeys":
        ["sh600519|2026-04-28", "sh600519|2026-04-28", 4, "gb_aapl|2026-04-27"]})"_ba;
    const AppSettings s = AppSettings::fromJson(QJsonDocument::fromJson(json).object());
    // Booleans: true and non-zero numbers only; numbers may be numeric text.
    QVERIFY(s.aiEnabled && !s.openDesktopOnLaunch && !s.mainWindowAlwaysOnTop);
    // The automatic update check is on unless switched off; older files lack the key.
    QVERIFY(s.autoCheckForUpdates && AppSettings::fromJson(parse("{}")).autoCheckForUpdates);
    QCOMPARE(AppSettings::fromJson(parse(R"({"autoCheckForUpdates": 0})"))
                 .toJson()
                 .value(u"autoCheckForUpdates"_s),
             QJsonValue(false));
    QCOMPARE(s.alertDirectionMask, 2);
    QVERIFY(s.aiInsights.isEmpty());
    QCOMPARE(s.aiInsightDates.size(), 1);
    QCOMPARE(QStringList({s.aiProvider, s.aiBaseURL, s.aiModel, s.aiAPIKey, s.mainDetailSymbol,
                          s.mainWindowFrameString}),
             (QStringList{u"openai"_s, u"https://api.openai.com/v1"_s, u"gpt-4o-mini"_s, QString(),
                          QString(), QString()}));
    const QJsonObject saved = s.toJson();
    QCOMPARE(saved.value(u"aiInsights"_s), QJsonValue(QJsonObject()));
    QCOMPARE(saved.value(u"aiAutoGeneratedKeys"_s).toArray().size(), 2); // repeats collapse

    // What the next save would replace is kept aside at load; the file keeps what reads,
    // map and list entries of text included, and reads as before.
    QTemporaryDir dir;
    ConfigStore store(dir.path(), QString());
    QVERIFY(writeBytes(store.settingsPath(), json));
    JsonFile::KeptAside kept;
    const QJsonObject loaded = store.loadSettings(&kept);
    QCOMPARE(readBytes(kept.copyPath), json);
    QCOMPARE(loaded.keys(),
             (QStringList{u"aiAutoGeneratedKeys"_s, u"aiEnabled"_s, u"aiInsightDates"_s,
                          u"alertDirectionMask"_s, u"alertPercent"_s, u"openDesktopOnLaunch"_s}));
    QCOMPARE(AppSettings::fromJson(loaded).toJson(), saved);
    QCOMPARE(JsonFile::read(store.settingsPath())->object(), loaded);
    QCOMPARE(store.loadSettings(&kept), loaded); // once
    QVERIFY(!kept.unreadable);

    QCOMPARE(AppSettings::fromJson(parse("{}")).alertDirectionMask, 3);
    QCOMPARE(AppSettings::fromJson(parse(R"({"alertDirectionMask": 0})")).alertDirectionMask, 0);
    QCOMPARE(AppSettings::fromJson(parse(R"({"alertDirectionMask": "x"})")).alertDirectionMask, 0);

    // A provider left unset is written from the base URL.
    AppSettings unset;
    unset.aiProvider.clear();
    unset.aiBaseURL = u"https://api.deepseek.com/v1"_s;
    QCOMPARE(unset.toJson().value(u"aiProvider"_s).toString(), u"deepseek"_s);
}

QTEST_GUILESS_MAIN(tst_ConfigStore)
#include "tst_configstore.moc"
