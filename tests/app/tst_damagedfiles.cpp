// SPDX-License-Identifier: GPL-3.0-or-later
// Every file Kestrum keeps, damaged in each of the usual ways, then put through every kind
// of save the application makes: what the user wrote survives (in the file or in a copy kept
// beside it), the user is told where, and the application keeps working. Then every save
// into a directory that refuses writes: each reports it, in words, where the user acted.
#include "AppHarness.h"
#include "FileBytes.h"

#include "ai/AIProviderSettings.h"
#include "alerts/AlertCenter.h"
#include "app/WatchlistManager.h"
#include "config/LoginItemManager.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"
#include "strategy/DecisionSampleLog.h"
#include "strategy/StrategyStore.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

enum class Kind
{
    Watchlist,
    Settings,
    DailyCache,
    BoardMap,
    SampleLog,
    Catalog
};

struct KindRow
{
    const char *name;
    Kind kind;
    const char *relativePath;
    QByteArray valid; // holds 贵州茅台, which the invalid-UTF-8 damage breaks
};

const QList<KindRow> &kinds()
{
    static const QList<KindRow> rows = {
        {"watchlist", Kind::Watchlist, "watchlist.json",
         R"([
    {"symbol": "sh600519", "name": "贵州茅台"},
    {"symbol": "sz000001", "name": "平安银行"},
    {"symbol": "hk00700", "name": "腾讯控股"}
])"_ba},
        {"settings", Kind::Settings, "settings.json",
         R"({"aiAPIKey": "sk-live-0123", "aiModel": "deepseek-chat",
    "aiInsights": {"sh600519": "贵州茅台：回踩后再看"}})"_ba},
        {"daily cache", Kind::DailyCache, "strategy/daily_cache.json",
         R"({"sh600519": {"symbol": "sh600519", "name": "贵州茅台", "days": [],
    "updated_at": "2026-04-27T15:00:00+0800", "features": {"context": "日线背景：数据不足"}}})"_ba},
        {"board map", Kind::BoardMap, "strategy/board_map.json",
         R"({"sh600519": ["我的标签", "贵州茅台链"], "sz002931": ["精密传动"]})"_ba},
        {"sample log", Kind::SampleLog, "strategy/decision_samples.jsonl",
         "{\"sample_id\":\"sh600519-a\",\"symbol\":\"sh600519\",\"name\":\"贵州茅台\","
         "\"recorded_at\":\"2026-04-28T10:00:00+0800\",\"price\":1450,\"future\":{}}\n"
         "{\"sample_id\":\"sz000001-b\",\"symbol\":\"sz000001\",\"name\":\"平安银行\","
         "\"recorded_at\":\"2026-04-28T10:05:00+0800\",\"price\":11.2,\"future\":{}}\n"_ba},
        {"catalog", Kind::Catalog, "cache/market/tdx_stock_catalog.json",
         R"({"items": [{"symbol": "sh600519", "name": "贵州茅台", "industry": "白酒"}]})"_ba},
    };
    return rows;
}

// The damage table: a kind's valid bytes damaged in the row's way; none: a directory takes
// the file's place.
const char *const kDamages[] = {"empty",
                                "truncated",
                                "garbage",
                                "wrong JSON type",
                                "one syntax error",
                                "invalid UTF-8",
                                "directory in its place"};

std::optional<QByteArray> damage(int row, QByteArray v)
{
    static const char garbage[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xd8\n garbage \x01\x02";
    switch (row) {
    case 0:
        return QByteArray();
    case 1:
        return v.left(v.size() * 2 / 3);
    case 2:
        return QByteArray(garbage, sizeof(garbage) - 1);
    case 3:
        return v.startsWith('[') ? QByteArray("{\"items\": " + v + '}') : QByteArray('[' + v + ']');
    case 4:
        return v.insert(std::max(v.lastIndexOf('}'), v.lastIndexOf(']')), ',');
    case 5:
        return v.replace("贵州茅台"_ba, "\xff\xfe\xfd"_ba);
    }
    return std::nullopt;
}

QStringList copiesOf(const QString &path)
{
    const QFileInfo info(path);
    QStringList copies;
    for (const QString &name :
         info.dir().entryList({info.fileName() + u".unreadable-*"_s}, QDir::Files))
        copies << info.dir().filePath(name);
    return copies;
}

// A line the log may drop without a copy: a sample a crash cut short at the end.
bool isCutRecord(const QByteArray &line)
{
    return line.startsWith("{\"") || QByteArrayView("{\"").startsWith(line);
}

} // namespace

class tst_DamagedFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void nothingTheUserWroteIsLost_data();
    void nothingTheUserWroteIsLost();
    void everyFailedSaveIsTold_data();
    void everyFailedSaveIsTold();
    void diagnosis();
};

void tst_DamagedFiles::nothingTheUserWroteIsLost_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("relativePath");
    QTest::addColumn<QByteArray>("damaged");
    QTest::addColumn<bool>("directory");
    for (const KindRow &kind : kinds()) {
        for (int row = 0; row < int(std::size(kDamages)); ++row) {
            const std::optional<QByteArray> bytes = damage(row, kind.valid);
            QTest::addRow("%s, %s", kind.name, kDamages[row])
                << int(kind.kind) << QString::fromLatin1(kind.relativePath)
                << bytes.value_or(QByteArray()) << !bytes.has_value();
        }
    }
}

void tst_DamagedFiles::nothingTheUserWroteIsLost()
{
    QFETCH(int, kind);
    QFETCH(QString, relativePath);
    QFETCH(QByteArray, damaged);
    QFETCH(bool, directory);

    AppHarness h({u"sh600519"_s, u"sz000001"_s});
    h.quietRemoteSearch();
    KestrumApp &app = *h.app;
    const QString path = app.config().appDir() + u'/' + relativePath;
    QVERIFY(QFile::remove(path) || !QFileInfo::exists(path));
    if (directory)
        QVERIFY(writeBytes(path + u"/notes.txt"_s, "the user's own file"));
    else
        QVERIFY(writeBytes(path, damaged));

    // The launch, then every kind of save: the watchlist manager's add, move and remove,
    // settings from the menu and the AI page, the board map after new tags, the daily cache
    // fresh and stale, samples appended and then completed with their outcomes.
    QStringList told;
    app.loadSettings();
    const QString aiPageNotice = app.aiSettings().pageState().validationMessage.value_or(QString());
    app.loadStrategy();
    WatchlistManager manager(app);
    const bool watchlistGone = kind == int(Kind::Watchlist) && directory;
    if (kind == int(Kind::Watchlist)) { // shown empty, with the reason; a stale row saves nothing
        QCOMPARE(manager.fileNotice().isEmpty(), damaged.trimmed().isEmpty() && !directory);
        QVERIFY(!manager.removeWatchItem(u"sh600519"_s));
    }
    for (const QString &input : {u"600036"_s, u"300750"_s}) {
        manager.setInputText(input);
        manager.addWatchItem();
        told << manager.feedbackMessage();
    }
    if (watchlistGone) { // refused, the typed text kept for another try
        QCOMPARE(manager.feedbackMessage(), WatchlistManager::unreadableLeftAloneMessage());
        QCOMPARE(manager.inputText(), u"300750"_s);
    }
    manager.moveWatchItem(u"sz300750"_s, -1);
    manager.removeWatchItem(u"sz300750"_s);
    app.setDisplayMode(DisplayMode::Summary);
    AISettingsPageInputs inputs;
    inputs.model = u"gpt-4o"_s;
    app.aiSettings().saveAISettings(inputs);
    QSignalSpy daily(&app.dailyCache(), &DailyCache::dailyCacheChanged);
    QVERIFY(h.refreshAndWait());
    told << app.lastStatus();
    QVERIFY(watchlistGone || daily.count() > 0 || daily.wait(kPatienceMs));
    app.dailyCache().applyDailyDaysForSymbol(u"sh600036"_s, {});
    h.clock().advanceSecs(20 * 60);
    QVERIFY(h.refreshAndWait()); // the outcome pass rewrites the log
    QCOMPARE(app.quotes().isEmpty(), watchlistGone);
    QCOMPARE(app.lastStatus() == KestrumApp::unreadableWatchlistStatus(), watchlistGone);
    // A board map that cannot be read gives way to the built-in entries.
    const QJsonObject defaults = BoardTags::defaultBoardMap();
    for (auto it = defaults.begin(); it != defaults.end(); ++it)
        QVERIFY(app.boardTags().boardMap().contains(it.key()));

    const QStringList copies = copiesOf(path);
    if (directory) {
        QCOMPARE(readBytes(path + u"/notes.txt"_s), "the user's own file"_ba);
        QVERIFY(copies.isEmpty());
        return;
    }
    QByteArray kept;
    for (const QString &copy : copies) {
        kept += readBytes(copy);
        // Told once where it went: in the manager's outcome or on the status line.
        const QString name = QFileInfo(copy).fileName();
        if (kind != int(Kind::SampleLog))
            QVERIFY2(told.join(u'\n').contains(name), qPrintable(told.join(u'\n')));
        QVERIFY(!app.lastStatus().contains(name));
        if (kind == int(Kind::Settings)) { // also where the key is missed; as private
            QVERIFY(aiPageNotice.contains(name));
            QCOMPARE(QFile(copy).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                     QFileDevice::Permissions());
        }
    }
    if (kind != int(Kind::SampleLog)) {
        QVERIFY2(damaged.trimmed().isEmpty() || readBytes(path) == damaged || kept == damaged,
                 qPrintable(copies.join(u", "_s)));
        return;
    }
    // The log is rewritten with outcomes: its samples stay (by id), and every line that is
    // not a sample is in a copy, except a sample cut short at the very end.
    QStringList ids;
    for (const QJsonObject &record : app.sampleLog().decisionSampleRecords())
        ids << record.value(u"sample_id"_s).toString();
    const QList<QByteArray> lines = damaged.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        if (!record.isEmpty())
            QVERIFY2(ids.contains(record.value(u"sample_id"_s).toString()), line.constData());
        else if (!line.trimmed().isEmpty() && !(i + 1 == lines.size() && isCutRecord(line)))
            QVERIFY2(kept.contains(line) || readBytes(path).contains(line),
                     line.toHex().constData());
    }
}

void tst_DamagedFiles::everyFailedSaveIsTold_data()
{
    QTest::addColumn<QString>("save");
    QTest::addColumn<QString>("shown"); // "%1": why, in words
    const QString settings = u"设置未能保存：%1"_s;
    QTest::newRow("watchlist add") << u"add"_s << u"自选列表未能保存：%1。"_s;
    QTest::newRow("watchlist reorder") << u"move"_s << u"自选列表未能保存：%1。"_s;
    QTest::newRow("watchlist remove") << u"remove"_s << u"自选列表未能保存：%1。"_s;
    QTest::newRow("display mode") << u"display"_s << settings;
    QTest::newRow("update check") << u"updates"_s << settings;
    QTest::newRow("alert preset") << u"alerts"_s << settings;
    QTest::newRow("AI settings page") << u"ai"_s << settings;
    // The autostart directory is a file here, for root as well.
    QTest::newRow("launch at login") << u"login"_s << u"开机启动未能设置：自启动目录不可写"_s;
    QTest::newRow("daily cache") << u"refresh"_s << u"日线缓存未能保存：%1"_s;
    QTest::newRow("board map") << u"refresh"_s << u"板块映射未能保存：%1"_s;
    QTest::newRow("decision samples") << u"refresh"_s << u"决策样本记录未能保存：%1"_s;
    // Appended in place to a log that exists (read-only for the owner), nothing due in it.
    QTest::newRow("decision samples appended") << u"append"_s << u"决策样本记录未能保存：%1"_s;
}

void tst_DamagedFiles::everyFailedSaveIsTold()
{
    QFETCH(QString, save);
    QFETCH(QString, shown);
    QTemporaryDir autostart;
    const QString autostartDir = autostart.path() + u"/autostart"_s;
    QVERIFY(writeBytes(autostartDir, "not a directory"));
    AppHarness h({u"sh600519"_s, u"sz000001"_s}, shanghaiTime(2026, 4, 28, 10, 30), nullptr, {},
                 MarketModel(), [&](KestrumAppOptions &o, SimHarness &) {
                     o.autostartDirectory = autostartDir;
                     o.autostartProgram = u"/usr/bin/kestrum"_s;
                 });
    h.quietRemoteSearch();
    KestrumApp &app = *h.app;
    WatchlistManager manager(app);
    const QByteArray watchlist = readBytes(app.config().watchlistPath());
    const QString samples = app.strategy().decisionSamplesURL();
    if (save == u"append") {
        QVERIFY(writeBytes(samples, "{\"sample_id\":\"sh600519-a\",\"symbol\":\"sh600519\","
                                    "\"recorded_at\":\"2026-04-28T10:29:00+0800\","
                                    "\"price\":1450,\"future\":{}}\n"));
        QFile::setPermissions(samples, QFile::ReadOwner);
    }

    // Every save into the data directory fails: it is made read-only, or, where that does not
    // stop this process (root), every file it writes is capped below any save.
    const QStringList dirs{app.config().appDir(), app.config().strategyDir()};
    for (const QString &dir : dirs)
        QDir().mkpath(dir), QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
    const auto restore = qScopeGuard([&] {
        for (const QString &dir : dirs)
            QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    const bool readOnly = !QFile(dirs.first() + u"/probe"_s).open(QIODevice::WriteOnly);
    std::optional<FileSizeLimit> limit;
    if (!readOnly)
        limit.emplace(16);
    shown = shown.arg(toText(readOnly ? JsonFile::WriteFailure::DirectoryNotWritable
                                      : JsonFile::WriteFailure::Incomplete));
    QString told;
    if (save == u"add" || save == u"move" || save == u"remove") {
        manager.setInputText(u"600036"_s);
        if (save == u"add")
            manager.addWatchItem();
        else
            QVERIFY(save == u"move" ? !manager.moveWatchItem(u"sh600519"_s, 1)
                                    : !manager.removeWatchItem(u"sz000001"_s));
        QCOMPARE(manager.feedbackTone(), WatchFeedbackTone::Error);
        told = manager.feedbackMessage();
        QCOMPARE(app.lastStatus() + u"。"_s, told);
    } else if (save == u"ai") {
        AISettingsPageInputs inputs;
        inputs.apiKey = u"sk-test"_s;
        app.aiSettings().saveAISettings(inputs);
        told = app.aiSettings().pageState().validationMessage.value_or(QString());
        QVERIFY(!app.aiSettings().pageState().validationSucceeded);
        QCOMPARE(app.lastStatus(), told);
    } else if (save == u"login") {
        QVERIFY(!app.toggleLoginItem());
        QVERIFY(!app.loginItem().isEnabled()); // the menu shows the entry as it is
        told = app.lastStatus();
    } else if (save == u"refresh" || save == u"append") { // told once, not at every refresh
        QSignalSpy daily(&app.dailyCache(), &DailyCache::dailyCacheChanged);
        QSignalSpy tagged(&app.boardTags(), &BoardTags::boardTagsChanged);
        app.loadStrategy();
        for (int pass = 0; pass < 3; ++pass) {
            QVERIFY(h.refreshAndWait());
            QVERIFY(daily.count() > 0 || daily.wait(kPatienceMs));
            QVERIFY(tagged.count() > 0 || tagged.wait(kPatienceMs));
            if (pass < 2)
                told += app.lastStatus();
            h.clock().advanceSecs(60);
        }
        QCOMPARE(told.count(shown), 1);
        QVERIFY2(!app.lastStatus().contains(shown), qPrintable(app.lastStatus()));
        return;
    } else {
        if (save == u"display")
            app.setDisplayMode(DisplayMode::Summary);
        else if (save == u"updates")
            app.toggleAutomaticUpdateCheck();
        else
            app.alerts().setAlertPresetFromMenu(AlertPreset::Off);
        told = app.lastStatus();
    }
    QCOMPARE(told, shown);
    QCOMPARE(readBytes(app.config().watchlistPath()), watchlist); // the previous file stays
}

// What the user is told a failed write needs.
void tst_DamagedFiles::diagnosis()
{
    QTemporaryDir dir;
    const QString underFile = dir.filePath(u"file/settings.json"_s);
    QVERIFY(writeBytes(dir.filePath(u"file"_s), "x") &&
            !JsonFile::writeAtomically(underFile, "{}"));
    QCOMPARE(JsonFile::notSavedText(u"设置"_s, underFile), u"设置未能保存：数据目录不可写"_s);
    QCOMPARE(JsonFile::diagnoseFailure(dir.path()), JsonFile::WriteFailure::FolderInTheWay);
}

QTEST_MAIN(tst_DamagedFiles)
#include "tst_damagedfiles.moc"
