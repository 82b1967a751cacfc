// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration files: watch input and the catalog, the settings file's life, and values
// of the wrong kind; the crash-safe JSON-lines store (appends torn at any byte, tail
// replacements a crash interrupted, short writes, rotation, an index read newest-first that
// ends up the same as one read whole); and the launch-at-login entry.
#include "config/AppSettings.h"
#include "config/ConfigStore.h"
#include "config/JsonFile.h"
#include "config/JsonLinesFile.h"
#include "config/LoginItemManager.h"
#include "config/WatchItemInput.h"
#include "model/Symbol.h"

#include "FileBytes.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// Records {"k": key, "t": stamp, "f": {"n": flags}}; "t" is the moment, "f" what the owner
// notes.
void describe(const QJsonObject &record, JsonLinesFile::Line &line)
{
    line.key = record.value(u"k"_s).toString();
    line.stamp = qint64(record.value(u"t"_s).toDouble());
    line.flags = record.value(u"f"_s).toObject().value(u"n"_s).toInt();
}

QJsonObject rec(qint64 stamp, int flags = 0, const QString &key = u"a"_s)
{
    return QJsonObject{
        {u"k"_s, key}, {u"t"_s, double(stamp)}, {u"f"_s, QJsonObject{{u"n"_s, flags}}}};
}

QByteArray line(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray lines(std::initializer_list<QJsonObject> records)
{
    QByteArray bytes;
    for (const QJsonObject &r : records)
        bytes += line(r);
    return bytes;
}

// Everything the index says, to compare two of them.
QStringList dump(const JsonLinesFile &file)
{
    QStringList out{u"irregular %1"_s.arg(file.firstIrregularLine())};
    for (const qsizetype i : file.flaggedLines())
        out << u"flagged %1"_s.arg(i);
    for (const JsonLinesFile::Line &l : file.lines())
        out << u"%1+%2 %3%4 %5 %6 %7"_s.arg(l.offset)
                   .arg(l.length)
                   .arg(int(l.record))
                   .arg(int(l.canonical))
                   .arg(l.key)
                   .arg(l.stamp)
                   .arg(l.flags);
    return out;
}

// The whole entry as launchers read it: one application run once at login, after the
// panel where the desktop can tell, never restarted when it quits, shown in every desktop.
// Only the Exec value varies.
QByteArray entryWithExec(const QString &exec)
{
    return (u"[Desktop Entry]\nType=Application\nVersion=1.4\nName=澄川 Kestrum\nExec="_s + exec +
            u"\nIcon=com.orvell.kestrum\nTerminal=false\nStartupNotify=false\n"
            u"X-GNOME-Autostart-enabled=true\nX-GNOME-Autostart-Delay=5\n"
            u"X-GNOME-AutoRestart=false\nX-KDE-autostart-after=panel\nX-LXQt-Need-Tray=true\n"_s)
        .toUtf8();
}

bool makeProgram(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class tst_ConfigStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();

    void directCandidate();
    void localSearchOrdersBuckets();
    void badFilesReadAsEmpty();
    void settingsFileLifecycle();
    void catalogIsCopiedOnceAndUsable();
    void failedWriteKeepsPreviousFile();
    void enumerationsAndLegacyPresets();
    void valuesOfTheWrongKind();
    void positionAndConditionInput_data();
    void positionAndConditionInput();

    void appendTornAtAnyByte();
    void rotation_data();
    void rotation();
    void replaceTailKeepsTheHead();
    void interruptedTailRewriteIsFinished_data();
    void interruptedTailRewriteIsFinished();
    void failedWritesLeaveTheFileWhole();
    void newestFirstLoad_data();
    void newestFirstLoad();

    void togglingRewritesAndRemovesOneFile();
    void entryNamesThePathExactly_data();
    void entryNamesThePathExactly();
    void installedProgramNeverABuildTree_data();
    void installedProgramNeverABuildTree();
    void staleEntryIsRewrittenAtLaunch_data();
    void staleEntryIsRewrittenAtLaunch();

private:
    // The JSON-lines store under test, in a fresh directory per test.
    QString path() const { return m_dir->path() + u"/log.jsonl"_s; }
    std::unique_ptr<JsonLinesFile> linesFile(qint64 rotation = 0)
    {
        return std::make_unique<JsonLinesFile>(path(),
                                               JsonLinesFile::Rotation{rotation,
                                                                       [this] {
                                                                           return archive();
                                                                       }},
                                               describe);
    }
    QString archive() const { return m_dir->path() + u"/log.archive.jsonl"_s; }

    std::unique_ptr<QTemporaryDir> m_dir;
    QTemporaryDir m_home;
    QString m_autostart;
    // A file system with programs: usr/bin/kestrum, opt/kestrum/kestrum, links/kestrum (to
    // the one in opt) and build/src/kestrum in a CMake build tree.
    QTemporaryDir m_root;
};

void tst_ConfigStore::initTestCase()
{
    QVERIFY(m_home.isValid());
    // Before anything asks QStandardPaths, so the user's own autostart folder is never touched.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u"config"_s)));
    m_autostart = m_home.filePath(u"config/autostart"_s);
    for (const QString &program : {u"usr/bin/kestrum"_s, u"opt/kestrum/kestrum"_s,
                                   u"build/src/kestrum"_s, u"build/CMakeCache.txt"_s})
        QVERIFY(makeProgram(m_root.filePath(program)));
    QVERIFY(QDir().mkpath(m_root.filePath(u"links"_s)));
    QVERIFY(QFile::link(m_root.filePath(u"opt/kestrum/kestrum"_s),
                        m_root.filePath(u"links/kestrum"_s)));
}

void tst_ConfigStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir(m_home.filePath(u"config"_s)).removeRecursively();
}

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

// --- The JSON-lines store ---

// A kill during a batch append leaves the batch cut at some byte: the next append keeps every
// whole line (ending one that lacks only its line feed) and removes the cut one.
void tst_ConfigStore::appendTornAtAnyByte()
{
    const QByteArray before = lines({rec(1), rec(2)});
    const QByteArray batch = lines({rec(3, 1), rec(4, 0, u"中文"_s), rec(5, 2)});
    const QJsonObject next = rec(6);
    for (qsizetype cut = 0; cut <= batch.size(); ++cut) {
        QVERIFY(writeBytes(path(), before + batch.first(cut)));
        auto file = linesFile();
        file->load();
        QVERIFY(file->append({next}));
        const QByteArray whole =
            cut == 0 ? QByteArray() : batch.first(batch.lastIndexOf('\n', cut - 1) + 1);
        QByteArray expected = before + whole;
        // A last line cut just before its line feed is whole: it stays, ended.
        if (cut > 0 && cut < batch.size() && batch.at(cut) == '\n')
            expected = before + batch.first(cut + 1);
        QCOMPARE(readBytes(path()), expected + line(next));
        // The index agrees with the file read afresh.
        const QStringList indexed = dump(*file);
        file->load();
        QCOMPARE(dump(*file), indexed);
    }
    // A last line that no append began (a hand edit) is kept aside before it goes.
    QVERIFY(writeBytes(path(), before + "hand-written note"));
    QVERIFY(linesFile()->append({next}));
    QCOMPARE(readBytes(path()), before + line(next));
    const QStringList copies = QDir(m_dir->path()).entryList({u"log.jsonl.unreadable-*"_s});
    QCOMPARE(copies.size(), 1);
    QCOMPARE(readBytes(m_dir->filePath(copies.first())), "hand-written note"_ba);
}

void tst_ConfigStore::rotation_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("archived"); // the archive is there already
    QTest::addColumn<bool>("rotated");
    QTest::newRow("exactly the limit") << qint64(100) << false << false;
    QTest::newRow("one byte more") << qint64(101) << false << true;
    QTest::newRow("blocked by an archive") << qint64(101) << true << false;
}

void tst_ConfigStore::rotation()
{
    QFETCH(qint64, size);
    QFETCH(bool, archived);
    QFETCH(bool, rotated);
    QByteArray bytes(size, 'x');
    bytes[size - 1] = '\n';
    QVERIFY(writeBytes(path(), bytes));
    if (archived)
        QVERIFY(writeBytes(archive(), "earlier\n"));
    auto file = linesFile(100);
    QVERIFY(file->append({rec(1, 1)}));
    QCOMPARE(readBytes(archive()), rotated ? bytes : archived ? "earlier\n"_ba : QByteArray());
    QCOMPARE(readBytes(path()), rotated ? line(rec(1, 1)) : bytes + line(rec(1, 1)));
    QCOMPARE(file->records().size(), 1);
    QCOMPARE(file->flaggedLines().size(), 1);
}

// Lines from the first changed one on are written again; those before keep their bytes and
// the file its inode; a line that is not a record goes, kept aside first.
void tst_ConfigStore::replaceTailKeepsTheHead()
{
    QByteArray head;
    for (int i = 0; i < 200; ++i)
        head += line(rec(i));
    // The same edit of a compact line, of one written by hand (member last), and of one where
    // the member's name also appears in strings and deeper down.
    QJsonObject decoy = rec(203, 1);
    decoy.insert(u"d"_s, QJsonArray{u"}\\\"]"_s, QJsonObject{{u"f"_s, QJsonObject{{u"n"_s, 7}}}}});
    decoy.insert(u"e"_s, u"\"f\":{\"n\":9}"_s);
    QJsonObject decoyDone = decoy;
    decoyDone.insert(u"f"_s, QJsonObject{{u"n"_s, 0}});
    const QByteArray changed =
        line(rec(200, 1)) + "{ \"t\": 202, \"k\": \"a\", \"f\": {\"n\": 1} }\n" + line(decoy);
    const QByteArray rest = "not json\n"_ba + line(rec(201));
    QVERIFY(writeBytes(path(), head + changed + rest));
    const quint64 inode = inodeOf(path());
    auto file = linesFile();
    file->load();
    QCOMPARE(file->flaggedLines(), (QVector<qsizetype>{200, 201, 202}));
    QCOMPARE(file->firstIrregularLine(), 201);
    auto tail = file->prepareTail(
        200, [](const JsonLinesFile::Line &l) { return l.flags != 0; }, u"f"_s,
        [](JsonLinesFile::Line &l, const QJsonObject &value) {
            l.flags = 0;
            return QJsonObject{{u"n"_s, value.value(u"n"_s).toInt() - 1}};
        });
    QVERIFY(tail);
    QVERIFY(file->replaceTail(std::move(*tail)));
    QCOMPARE(inodeOf(path()), inode);
    QCOMPARE(readBytes(path()),
             head + line(rec(200)) + line(rec(202)) + line(decoyDone) + line(rec(201)));
    QVERIFY(readBytes(file->journalPath()).startsWith("kestrum-done "));
    QCOMPARE(file->flaggedLines(), QVector<qsizetype>());
    QCOMPARE(file->firstIrregularLine(), -1);
    const QStringList copies = QDir(m_dir->path()).entryList({u"log.jsonl.unreadable-*"_s});
    QCOMPARE(copies.size(), 1);
    QCOMPARE(readBytes(m_dir->filePath(copies.first())), "not json\n"_ba);
    // The index follows the new tail.
    const QStringList indexed = dump(*file);
    file->load();
    QCOMPARE(dump(*file), indexed);
}

void tst_ConfigStore::interruptedTailRewriteIsFinished_data()
{
    QTest::addColumn<int>("cut");        // bytes of the new tail in the file when the crash came
    QTest::addColumn<int>("journalCut"); // bytes missing from the journal's end
    QTest::addColumn<bool>("applies");   // the journal is whole and fits the file
    QTest::newRow("before the file was touched") << -1 << 0 << true;
    QTest::newRow("file cut at the offset") << 0 << 0 << true;
    QTest::newRow("new tail half written") << 12 << 0 << true;
    QTest::newRow("journal half written") << -1 << 10 << false;
    QTest::newRow("journal of another file") << -2 << 0 << false;
}

void tst_ConfigStore::interruptedTailRewriteIsFinished()
{
    QFETCH(int, cut);
    QFETCH(int, journalCut);
    QFETCH(bool, applies);
    const QByteArray head = line(rec(1));
    const QByteArray oldTail = line(rec(2, 1));
    const QByteArray newTail = line(rec(2, 0));
    QByteArray onDisk = head + oldTail;
    if (cut == 0)
        onDisk = head;
    else if (cut > 0)
        onDisk = head + newTail.first(cut);
    QVERIFY(writeBytes(path(), onDisk));
    const qint64 offset = cut == -2 ? onDisk.size() + 100 : head.size();
    // Followed by the stale end of an earlier, longer tail, as the reused journal has it.
    const QByteArray journal =
        "kestrum-tail " + QByteArray::number(offset).rightJustified(20, '0') + ' ' +
        QByteArray::number(newTail.size()).rightJustified(20, '0') + ' ' +
        QCryptographicHash::hash(newTail, QCryptographicHash::Sha1).toHex() + '\n' + newTail;
    auto file = linesFile();
    QVERIFY(writeBytes(file->journalPath(),
                       journalCut ? journal.chopped(journalCut) : journal + line(rec(9))));

    // Readers see the finished state before anything finishes it...
    QCOMPARE(file->records().size(), applies ? 2 : QByteArray(onDisk).count('\n'));
    // ...and the next use of the file finishes it on disk (or, cut short, never started it).
    file->load();
    QVERIFY(
        readBytes(file->journalPath()).startsWith(journalCut ? "kestrum-tail " : "kestrum-done "));
    QCOMPARE(readBytes(path()), applies ? head + newTail : onDisk);
    QVERIFY(file->append({rec(3)}));
    QCOMPARE(file->records().last(), rec(3));
}

// A short write, or a record JSON cannot hold (non-finite numbers), leaves the file as it
// was; a batch or a rewrite leaves out only what cannot be written.
void tst_ConfigStore::failedWritesLeaveTheFileWhole()
{
    const double inf = std::numeric_limits<double>::infinity();
    auto file = linesFile();
    QVERIFY(!file->append({QJsonObject{{u"p"_s, std::numeric_limits<double>::quiet_NaN()}}}));
    QVERIFY(!file->append({QJsonObject{{u"n"_s, QJsonArray{QJsonObject{{u"x"_s, inf}}}}}}));
    QVERIFY(!QFile::exists(path()));
    QVERIFY(file->append({QJsonObject{{u"b"_s, inf}}, QJsonObject{{u"a"_s, 1}}}));
    QCOMPARE(readBytes(path()), "{\"a\":1}\n"_ba);
    QVERIFY(file->rewrite({rec(1, 1), QJsonObject{{u"b"_s, inf}}}));
    const QByteArray existing = line(rec(1, 1));
    QCOMPARE(readBytes(path()), existing);
    {
        // Room for a few bytes of the batch only.
        const FileSizeLimit limit(existing.size() + 10);
        QVERIFY(!file->append({rec(2), rec(3)}));
        file->sync();
        auto tail = file->prepareTail(
            0, [](const JsonLinesFile::Line &) { return true; }, u"f"_s,
            [](JsonLinesFile::Line &, const QJsonObject &) {
                return QJsonObject{{u"more"_s, QString(200, u'x')}};
            });
        QVERIFY(tail);
        QVERIFY(!file->replaceTail(std::move(*tail)));
    }
    QCOMPARE(readBytes(path()), existing);
    QVERIFY(file->append({rec(2)}));
    QCOMPARE(readBytes(path()), existing + line(rec(2)));
}

// Read back to the first record older than `since` (100), then the older lines a slice at a
// time: the same index as a whole read, also with an append in between.
void tst_ConfigStore::newestFirstLoad_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("newest"); // lines indexed before the older ones are read
    const QByteArray old = lines({rec(10, 1), rec(20), rec(30, 4)});
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("all new") << lines({rec(100, 1), rec(150), rec(200, 2)}) << 3;
    QTest::newRow("all old") << old << 0;
    QTest::newRow("old then new") << old + lines({rec(100, 1), rec(120)}) << 2;
    QTest::newRow("unstamped lines stay with the new")
        << old + "\n{\"k\":\"b\"}\n[1]\n"_ba + line(rec(120)) << 4;
    QTest::newRow("damage among the old")
        << "garbage\n\n"_ba + old + "{\"k\"\n"_ba + line(rec(130)) << 2;
    QTest::newRow("out of order") << lines({rec(120), rec(10, 1), rec(130, 2)}) << 1;
    QTest::newRow("no final line feed") << old + line(rec(110)) + "{\"t\":5}"_ba << 2;
    QTest::newRow("only an old line without its feed") << "{\"t\":5}"_ba << 1;
    QTest::newRow("long lines across slices")
        << line(QJsonObject{{u"t"_s, 1}, {u"pad"_s, QString(5000, u'x')}}) + old +
               line(QJsonObject{{u"t"_s, 101}, {u"pad"_s, QString(300000, u'y')}})
        << 1;
}

void tst_ConfigStore::newestFirstLoad()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, newest);
    if (!bytes.isEmpty())
        QVERIFY(writeBytes(path(), bytes));
    auto whole = linesFile();
    for (const bool appendBetween : {false, true}) {
        if (!bytes.isEmpty())
            QVERIFY(writeBytes(path(), bytes));
        whole->load();
        auto partial = linesFile();
        partial->load(100);
        QCOMPARE(partial->lines().size(), newest);
        if (appendBetween) {
            QVERIFY(partial->append({rec(300, 1)}));
            whole->load();
        }
        int slices = 0;
        while (partial->loadOlderLines(4096))
            QVERIFY(++slices < 1000);
        QCOMPARE(dump(*partial), dump(*whole));
        QVERIFY(!partial->loadOlderLines(4096));
    }
}

// --- Launch at login ---

void tst_ConfigStore::togglingRewritesAndRemovesOneFile()
{
    // By default: the installed program, never this one in its build tree, in
    // XDG_CONFIG_HOME; asking for the location creates the missing folders, not the entry.
    const LoginItemManager defaults;
    QVERIFY(!defaults.executablePath().contains(u'/'));
    QVERIFY(!QFileInfo::exists(m_autostart));
    QCOMPARE(defaults.launchAgentURL(), m_autostart + u"/com.orvell.kestrum.desktop"_s);
    QVERIFY(QFileInfo(m_autostart).isDir() && !defaults.isEnabled());

    // With no installed program to name, it stays off.
    QVERIFY(!LoginItemManager(m_autostart, QString()).setEnabled(true));
    const LoginItemManager first(m_autostart, u"/opt/kestrum/old/kestrum"_s);
    QVERIFY(first.setEnabled(false)); // off without a file: nothing to do
    QVERIFY(filesIn(m_autostart).isEmpty());
    QVERIFY(first.setEnabled(true));
    QVERIFY(first.setEnabled(true));
    QCOMPARE(filesIn(m_autostart), QStringList{u"com.orvell.kestrum.desktop"_s});

    // Enabling again after the program moved replaces the stale path.
    const LoginItemManager moved(m_autostart, u"/opt/kestrum/new/kestrum"_s);
    QVERIFY(moved.isEnabled());
    QVERIFY(moved.setEnabled(true));
    QCOMPARE(readBytes(moved.launchAgentURL()), entryWithExec(u"\"/opt/kestrum/new/kestrum\""_s));

    // A failed rewrite keeps the previous entry and leaves no temporary file behind.
    const LoginItemManager tooLong(m_autostart, u"/opt/"_s + QString(400, u'k') + u"/kestrum"_s);
    {
        FileSizeLimit limit(64);
        QVERIFY(!tooLong.setEnabled(true));
    }
    QVERIFY(tooLong.isEnabled());
    QCOMPARE(readBytes(moved.launchAgentURL()), entryWithExec(u"\"/opt/kestrum/new/kestrum\""_s));
    QCOMPARE(filesIn(m_autostart), QStringList{u"com.orvell.kestrum.desktop"_s});

    // Other programs' entries are left alone.
    QVERIFY(writeBytes(m_autostart + u"/org.example.other.desktop"_s, {}));
    QVERIFY(moved.setEnabled(false));
    QVERIFY(!first.isEnabled());
    QCOMPARE(filesIn(m_autostart), QStringList{u"org.example.other.desktop"_s});
}

void tst_ConfigStore::entryNamesThePathExactly_data()
{
    // The Exec value by the format's rules, innermost first: the path in double quotes with
    // '"', '`', '$' and '\' backslashed, every '%' doubled, then the string escapes of every
    // value ('\' doubled; tab, line feed and carriage return as \t \n \r).
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("exec");

    QTest::newRow("quotes") << uR"(/opt/say "hi"/li's apps/kestrum)"_s
                            << uR"("/opt/say \\"hi\\"/li's apps/kestrum")"_s;
    QTest::newRow("dollar and backtick") << uR"(/opt/$HOME/`id`/$(whoami)/kestrum)"_s
                                         << uR"("/opt/\\$HOME/\\`id\\`/\\$(whoami)/kestrum")"_s;
    QTest::newRow("percent and field-code look-alikes")
        << u"/opt/100%/%f %U %%/kestrum"_s << uR"("/opt/100%%/%%f %%U %%%%/kestrum")"_s;
    QTest::newRow("backslash before dollar and percent")
        << uR"(/opt/a\$b\%c/kestrum)"_s << uR"("/opt/a\\\\\\$b\\\\%%c/kestrum")"_s;
    QTest::newRow("tab and line breaks")
        << u"/opt/a\tb\nc\rd/kestrum"_s << uR"("/opt/a\tb\nc\rd/kestrum")"_s;
    QTest::newRow("the command on PATH") << u"kestrum"_s << u"kestrum"_s;
}

void tst_ConfigStore::entryNamesThePathExactly()
{
    QFETCH(QString, path);
    QFETCH(QString, exec);
    const LoginItemManager manager(m_autostart, path);
    QVERIFY(manager.setEnabled(true));
    QCOMPARE(readBytes(manager.launchAgentURL()), entryWithExec(exec));
    // Read back, the entry runs exactly that program; desktops accept it, without a hint.
    QCOMPARE(LoginItemManager::execProgram(exec), path);
    const ProgramRun check = runProgram(u"desktop-file-validate"_s, {manager.launchAgentURL()});
    QVERIFY2(check.exitCode == 0 && check.output.trimmed().isEmpty(), qPrintable(check.output));
}

void tst_ConfigStore::installedProgramNeverABuildTree_data()
{
    QTest::addColumn<QString>("executable"); // under the fake root
    QTest::addColumn<QString>("path");       // PATH, directories under the fake root
    QTest::addColumn<QString>("named");      // "%self": the executable's absolute path

    QTest::newRow("the command on PATH") << u"usr/bin/kestrum"_s << u"usr/bin"_s << u"kestrum"_s;
    QTest::newRow("a link on PATH to it") << u"opt/kestrum/kestrum"_s << u"links"_s << u"kestrum"_s;
    QTest::newRow("installed off PATH") << u"opt/kestrum/kestrum"_s << u"nowhere"_s << u"%self"_s;
    QTest::newRow("another kestrum on PATH")
        << u"opt/kestrum/kestrum"_s << u"usr/bin"_s << u"%self"_s;
    QTest::newRow("a build, an installed one on PATH")
        << u"build/src/kestrum"_s << u"nowhere:usr/bin"_s << u"kestrum"_s;
    QTest::newRow("a build only") << u"build/src/kestrum"_s << QString() << QString();
}

void tst_ConfigStore::installedProgramNeverABuildTree()
{
    QFETCH(QString, executable);
    QFETCH(QString, path);
    QFETCH(QString, named);
    QStringList directories;
    for (const QString &dir : path.split(u':', Qt::SkipEmptyParts))
        directories << m_root.filePath(dir);
    const QString self = m_root.filePath(executable);
    QCOMPARE(LoginItemManager::installedProgram(self, directories.join(u':')),
             named == u"%self" ? self : named);
}

void tst_ConfigStore::staleEntryIsRewrittenAtLaunch_data()
{
    QTest::addColumn<QString>("exec"); // the entry's Exec; "%root" the fake root; empty: off
    QTest::addColumn<bool>("rewritten");

    QTest::newRow("its program is gone") << u"\"/gone/kestrum\" --flag"_s << true;
    QTest::newRow("its command is gone") << u"kestrum-gone"_s << true;
    QTest::newRow("it names a build tree") << u"%root/build/src/kestrum"_s << true;
    QTest::newRow("it names another installed program") << u"%root/usr/bin/kestrum"_s << false;
    QTest::newRow("it names this program") << u"\"%root/opt/kestrum/kestrum\""_s << false;
    QTest::newRow("off") << QString() << false;
}

void tst_ConfigStore::staleEntryIsRewrittenAtLaunch()
{
    QFETCH(QString, exec);
    QFETCH(bool, rewritten);
    const LoginItemManager manager(m_autostart, m_root.filePath(u"opt/kestrum/kestrum"_s));
    const QString entry = manager.launchAgentURL();
    const QByteArray before = QString(u"[Desktop Entry]\nExec="_s + exec + u'\n')
                                  .replace(u"%root"_s, m_root.path())
                                  .toUtf8();
    if (!exec.isEmpty())
        QVERIFY(writeBytes(entry, before));
    QCOMPARE(manager.refreshIfStale(), rewritten);
    if (exec.isEmpty())
        QVERIFY(!manager.isEnabled());
    else
        QCOMPARE(readBytes(entry), rewritten ? manager.desktopEntry() : before);
}

// What the form may store: the message for anything refused, and nothing stored then.
void tst_ConfigStore::positionAndConditionInput_data()
{
    QTest::addColumn<QString>("field"); // holding "shares|cost", a condition kind, or "rate"
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stored"); // what is stored, or the message
    const QString badShares = u"持仓股数须为大于 0 的数字。"_s;
    const QString badCost = u"成本价须为不小于 0 的数字。"_s;
    QTest::newRow("shares and cost") << u"holding"_s << u" 1,200 | 10.5 "_s << u"1200 10.5"_s;
    QTest::newRow("shares alone") << u"holding"_s << u"+300|"_s << u"300 none"_s;
    QTest::newRow("both empty clears") << u"holding"_s << u" | "_s << u"cleared"_s;
    QTest::newRow("cost without shares")
        << u"holding"_s << u"|10"_s << u"填写成本价时请同时填写持仓股数。"_s;
    QTest::newRow("negative shares") << u"holding"_s << u"-100|10"_s << badShares;
    QTest::newRow("zero shares") << u"holding"_s << u"0|10"_s << badShares;
    QTest::newRow("shares not a number") << u"holding"_s << u"一百|10"_s << badShares;
    QTest::newRow("comma not a group") << u"holding"_s << u"1,5|10"_s << badShares;
    QTest::newRow("infinite shares") << u"holding"_s << u"inf|10"_s << badShares;
    QTest::newRow("huge shares") << u"holding"_s << u"2000000000000|10"_s << u"持仓股数过大。"_s;
    QTest::newRow("negative cost") << u"holding"_s << u"100|-1"_s << badCost;
    QTest::newRow("level") << u"above"_s << u"1,500.5"_s << u"1500.5"_s;
    QTest::newRow("level zero") << u"below"_s << u"0"_s << u"提醒价位须为大于 0 的数字。"_s;
    QTest::newRow("level nan") << u"above"_s << u"nan"_s << u"提醒价位须为大于 0 的数字。"_s;
    QTest::newRow("rise with percent sign") << u"changeAbove"_s << u"5%"_s << u"5"_s;
    QTest::newRow("rise negative")
        << u"changeAbove"_s << u"-5"_s << u"涨幅提醒须为不小于 0 的百分比，例如 5。"_s;
    QTest::newRow("fall") << u"changeBelow"_s << u"-3 %"_s << u"-3"_s;
    QTest::newRow("fall positive")
        << u"changeBelow"_s << u"3"_s << u"跌幅提醒须为不大于 0 的百分比，例如 -3。"_s;
    QTest::newRow("rate") << u"rate"_s << u"0.92"_s << u"0.92"_s;
    QTest::newRow("rate empty is unknown") << u"rate"_s << u""_s << u"none"_s;
    const QString badRate = u"汇率须为 0.001 到 1000 之间的数字。"_s;
    QTest::newRow("rate at the top") << u"rate"_s << u"1,000"_s << u"1000"_s;
    QTest::newRow("rate negative") << u"rate"_s << u"-7"_s << badRate;
    QTest::newRow("rate zero") << u"rate"_s << u"0"_s << badRate;
    QTest::newRow("rate too small") << u"rate"_s << u"0.0009"_s << badRate;
    QTest::newRow("rate absurd") << u"rate"_s << u"1000.5"_s << badRate;
    QTest::newRow("rate not a number") << u"rate"_s << u"七"_s << badRate;
}

void tst_ConfigStore::positionAndConditionInput()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, stored);
    QString message;
    QString got;
    if (field == u"holding"_s) {
        std::optional<Holding> holding = Holding{1, 1.0}; // must be replaced or left alone
        message = WatchItemInput::holdingFromText(text.section(u'|', 0, 0),
                                                  text.section(u'|', 1, 1), &holding);
        got = !holding ? u"cleared"_s
                       : QString::number(holding->shares) + u' ' +
                             (holding->cost ? QString::number(*holding->cost) : u"none"_s);
        // What a file says is read by the same rules: a refused position reads as none.
        QCOMPARE(Holding::fromItem(Holding::withHolding({}, holding)).has_value(),
                 holding.has_value());
    } else if (field == u"rate"_s) {
        std::optional<double> rate = 1.0;
        message = WatchItemInput::exchangeRateFromText(text, &rate);
        got = rate ? QString::number(*rate) : u"none"_s;
    } else {
        PriceAlert alert;
        alert.value = -99;
        message = WatchItemInput::priceAlertFromText(*fromText<PriceAlert::Kind>(field), text,
                                                     PriceAlert::Repeat::Once, &alert);
        got = QString::number(alert.value);
    }
    QCOMPARE(message.isEmpty() ? got : message, stored);
    if (!message.isEmpty()) // nothing refused reaches the value
        QVERIFY(got == u"1 1"_s || got == u"1"_s || got == u"-99"_s);
}

QTEST_GUILESS_MAIN(tst_ConfigStore)
#include "tst_configstore.moc"
