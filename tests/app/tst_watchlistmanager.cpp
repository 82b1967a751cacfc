// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppHarness.h"
#include "FileBytes.h"

#include "app/SnapshotDocument.h"
#include "app/WatchlistManager.h"
#include "market/MarketSources.h"
#include "strategy/BoardTags.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

const QString kSuggestRoute = u"eastmoney-suggest"_s;

template<typename Items>
QStringList symbolsOf(const Items &items)
{
    QStringList symbols;
    for (const auto &item : items)
        symbols << QJsonValue(item).toObject().value(u"symbol"_s).toString();
    return symbols;
}

struct ManagerHarness
{
    explicit ManagerHarness(const QStringList &symbols = {})
        : h(symbols)
        , manager(*h.app)
    {}

    QStringList watchSymbols() const { return symbolsOf(h.app->config().loadWatchlist()); }

    AppHarness h;
    WatchlistManager manager;
};

} // namespace

class tst_WatchlistManager : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void localFirstThenRemoteMerged();
    void staleRemoteAnswerIgnored();
    void clearedOrAddedSearchIgnoresLateAnswer();
    void addOutcomes_data();
    void addOutcomes();
    void addedItemIsSavedTaggedAndReloaded();
    void moveAndRemove_data();
    void moveAndRemove();
    void keepsWhatItDoesNotKnow();
    void positionsAndConditions_data();
    void positionsAndConditions();
    void importAndExport_data();
    void importAndExport();
};

void tst_WatchlistManager::localFirstThenRemoteMerged()
{
    ManagerHarness m;
    const QList<WatchItem> local = m.h.app->config().matchesForWatchInput(u"600"_s, 10);
    QCOMPARE(local.size(), 10);

    QSignalSpy changed(&m.manager, &WatchlistManager::suggestionsChanged);
    m.manager.setInputText(u" 600 "_s);
    QCOMPARE(m.manager.remoteQuery(), u"600"_s);
    QCOMPARE(m.manager.suggestions(), local); // at once, before any answer
    QCOMPARE(m.manager.selectedSuggestionIndex(), 0);
    QVERIFY(m.manager.shouldShowSuggestions());

    // The remote answer on its own, asked for the same text.
    QList<WatchItem> remote;
    bool answered = false;
    m.h.app->market().search.search(u"600"_s, 10, m.h.app.get(),
                                    [&](const QList<WatchItem> &items) {
                                        remote = items;
                                        answered = true;
                                    });
    QTRY_VERIFY_WITH_TIMEOUT(answered, kPatienceMs);
    QVERIFY(!remote.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 2, kPatienceMs);

    // Remote first, as the service gave them, then the local ones in their order without
    // the symbols the remote answer already had (in any letter case).
    const QList<WatchItem> merged = m.manager.suggestions();
    QCOMPARE(merged.mid(0, remote.size()), remote);
    QStringList expected = symbolsOf(remote);
    for (const QString &symbol : symbolsOf(local)) {
        if (!expected.contains(symbol, Qt::CaseInsensitive))
            expected << symbol;
    }
    QCOMPARE(symbolsOf(merged), expected.mid(0, 10));
    QCOMPARE(m.manager.selectedSuggestionIndex(), 0);
}

void tst_WatchlistManager::staleRemoteAnswerIgnored()
{
    ManagerHarness m;
    SimFault held;
    held.hold = true;
    held.times = 1; // only the first search ("60") waits, until the second has answered
    m.h.server().setFault(kSuggestRoute, held);

    QSignalSpy answered(&m.manager, &WatchlistManager::remoteAnswered);
    QSignalSpy changed(&m.manager, &WatchlistManager::suggestionsChanged);
    m.manager.setInputText(u"60"_s);
    QTRY_COMPARE_WITH_TIMEOUT(m.h.server().heldCount(kSuggestRoute), 1, kPatienceMs);
    m.manager.setInputText(u"600"_s);
    QCOMPARE(changed.count(), 2);
    QVERIFY(answered.wait(kPatienceMs)); // "600" first
    QCOMPARE(answered.at(0), (QVariantList{u"600"_s, true}));
    QCOMPARE(changed.count(), 3);
    const QList<WatchItem> current = m.manager.suggestions();
    QVERIFY(current != m.h.app->config().matchesForWatchInput(u"600"_s, 10));
    m.manager.handleCommand(WatchlistManager::Command::MoveDown);

    QCOMPARE(m.h.server().release(), 1);
    QVERIFY(answered.wait(kPatienceMs));
    QCOMPARE(answered.at(1), (QVariantList{u"60"_s, false}));
    QCOMPARE(m.manager.suggestions(), current);
    QCOMPARE(m.manager.selectedSuggestionIndex(), 1);
    QCOMPARE(m.h.requestCount(kSuggestRoute), 2);
}

void tst_WatchlistManager::clearedOrAddedSearchIgnoresLateAnswer()
{
    // Enter adds the local first match while the search is still out; its late answer must
    // not refill the cleared list, or a second Enter would add a stock nobody saw.
    // Clearing the text drops the search the same way.
    ManagerHarness m;
    SimFault slow;
    slow.delayMs = 500;
    m.h.server().setFault(kSuggestRoute, slow);
    QSignalSpy answered(&m.manager, &WatchlistManager::remoteAnswered);
    m.manager.setInputText(u"600"_s);
    m.manager.setInputText(QString());
    QVERIFY(m.manager.suggestions().isEmpty());
    QCOMPARE(m.manager.selectedSuggestionIndex(), -1);
    QVERIFY(!m.manager.shouldShowSuggestions());
    m.manager.setInputText(u"600519"_s);
    m.manager.handleCommand(WatchlistManager::Command::InsertNewline);
    QCOMPARE(m.watchSymbols(), QStringList{u"sh600519"_s});
    QTRY_COMPARE_WITH_TIMEOUT(answered.count(), 2, kPatienceMs);
    for (const QList<QVariant> &answer : std::as_const(answered))
        QCOMPARE(answer.at(1).toBool(), false); // "600" and "600519": both dropped
    QVERIFY(m.manager.suggestions().isEmpty());
    QCOMPARE(m.h.requestCount(kSuggestRoute), 2); // an empty text asks nobody
    m.manager.handleCommand(WatchlistManager::Command::InsertNewline);
    QCOMPARE(m.watchSymbols(), QStringList{u"sh600519"_s});
    QCOMPARE(m.manager.feedbackTone(), WatchFeedbackTone::Error);
}

void tst_WatchlistManager::addOutcomes_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("failWrites");
    QTest::addColumn<QString>("message");
    QTest::addColumn<WatchFeedbackTone>("tone"); // Error: the text stays and a beep sounds
    QTest::addColumn<QString>("status");         // empty: the refresh took the status line over

    QTest::newRow("added by code")
        << u"600036"_s << false << u"已添加 招商银行，下一轮刷新会同步行情。"_s
        << WatchFeedbackTone::Success << QString();
    QTest::newRow("nothing matches")
        << u"不存在的股票"_s << false << WatchlistManager::notFoundMessage()
        << WatchFeedbackTone::Error << u"未找到匹配股票"_s;
    QTest::newRow("save fails") << u"600036"_s << true
                                << WatchlistManager::saveFailedMessage(
                                       JsonFile::WriteFailure::Incomplete)
                                << WatchFeedbackTone::Error << u"自选列表未能保存：写入未能完成"_s;
}

void tst_WatchlistManager::addOutcomes()
{
    QFETCH(QString, input);
    QFETCH(bool, failWrites);
    QFETCH(QString, message);
    QFETCH(WatchFeedbackTone, tone);
    QFETCH(QString, status);
    const QStringList before{u"sh600519"_s, u"sz000001"_s};
    const bool saved = tone == WatchFeedbackTone::Success;
    const bool keepsText = tone == WatchFeedbackTone::Error;

    ManagerHarness m(before);
    m.h.quietRemoteSearch();
    m.manager.setInputText(input);
    const QByteArray fileBefore = readBytes(m.h.app->config().watchlistPath());
    QSignalSpy beep(&m.manager, &WatchlistManager::beepRequested);
    QSignalSpy changed(&m.manager, &WatchlistManager::watchlistChanged);
    QSignalSpy reset(&m.manager, &WatchlistManager::inputReset);
    QSignalSpy refreshes(m.h.app.get(), &KestrumApp::refreshStarted);
    {
        std::optional<FileSizeLimit> limit;
        if (failWrites)
            limit.emplace(16);
        QVERIFY(m.manager.handleCommand(WatchlistManager::Command::InsertNewline));
    }

    QCOMPARE(m.manager.feedbackMessage(), message);
    QCOMPARE(m.manager.feedbackTone(), tone);
    QCOMPARE(m.watchSymbols(), saved ? before + QStringList{u"sh600036"_s} : before);
    QCOMPARE(beep.count(), keepsText ? 1 : 0);
    QCOMPARE(m.manager.hasSaveFailure(), failWrites);
    QCOMPARE(changed.count(), saved ? 1 : 0);
    QCOMPARE(refreshes.count(), saved ? 1 : 0); // reloadConfig after every change
    if (!saved)
        QCOMPARE(readBytes(m.h.app->config().watchlistPath()), fileBefore);
    if (!status.isEmpty())
        QCOMPARE(m.h.app->lastStatus(), status);
    QCOMPARE(m.manager.inputText(), keepsText ? input : QString());
    QCOMPARE(reset.count(), keepsText ? 0 : 1);
    if (!keepsText) {
        QVERIFY(m.manager.suggestions().isEmpty());
        QCOMPARE(m.manager.selectedSuggestionIndex(), -1);
        QVERIFY(!m.manager.hasInputChanged());
    }
    if (failWrites) {
        // Never reported as added; Enter again once the disk takes writes adds the kept text.
        QVERIFY(!m.h.app->lastStatus().contains(u"已添加"_s));
        m.manager.handleCommand(WatchlistManager::Command::InsertNewline);
        QCOMPARE(m.watchSymbols(), before + QStringList{u"sh600036"_s});
        QVERIFY(!m.manager.hasSaveFailure());
        QCOMPARE(m.manager.feedbackTone(), WatchFeedbackTone::Success);
    }
}

void tst_WatchlistManager::addedItemIsSavedTaggedAndReloaded()
{
    ManagerHarness m({u"sh600519"_s});
    m.h.quietRemoteSearch();
    // A refresh in flight keeps the outcome on the status line until it ends.
    m.h.app->refresh();
    QVERIFY(m.h.app->isRefreshing());
    m.manager.setInputText(u"招商银行"_s);
    m.manager.addWatchItem();
    QCOMPARE(m.h.app->lastStatus(), u"已添加 招商银行，下一轮刷新会同步行情。"_s);

    const QJsonArray stored = m.h.app->config().loadWatchlist();
    QCOMPARE(stored.size(), 2);
    const QJsonObject added = stored.at(1).toObject();
    QCOMPARE(added.value(u"symbol"_s).toString(), u"sh600036"_s);
    QCOMPARE(added.value(u"name"_s).toString(), u"招商银行"_s);
    QVERIFY(!added.value(u"market"_s).toString().isEmpty());
    const BoardTags &tags = m.h.app->boardTags();
    QVERIFY(tags.hasUsableBoardTagsForSymbol(u"sh600036"_s) ||
            tags.boardLookupInFlightSymbols().contains(u"sh600036"_s));

    QSignalSpy finished(m.h.app.get(), &KestrumApp::refreshFinished);
    QVERIFY(finished.wait(kPatienceMs));
    QVERIFY(m.h.refreshAndWait()); // the reloaded list is the one refreshed
    QVERIFY(m.h.app->quoteForSymbol(u"sh600036"_s).has_value());
}

void tst_WatchlistManager::moveAndRemove_data()
{
    QTest::addColumn<QString>("action"); // move or remove
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<int>("delta");
    QTest::addColumn<bool>("failWrites");
    QTest::addColumn<QStringList>("after"); // empty: unchanged, nothing saved

    QTest::newRow("down from the top") << u"move"_s << u"SH600519"_s << 1 << false
                                       << QStringList{u"sz000001"_s, u"sh600519"_s, u"hk00700"_s};
    QTest::newRow("up from the top") << u"move"_s << u"SH600519"_s << -1 << false << QStringList();
    QTest::newRow("unknown symbol") << u"move"_s << u"SH600036"_s << 1 << false << QStringList();
    QTest::newRow("remove middle")
        << u"remove"_s << u"sz000001"_s << 0 << false << QStringList{u"sh600519"_s, u"hk00700"_s};
    QTest::newRow("remove unknown symbol")
        << u"remove"_s << u"sh600036"_s << 0 << false << QStringList();
    QTest::newRow("move, save fails") << u"move"_s << u"SH600519"_s << 1 << true << QStringList();
    QTest::newRow("remove, save fails")
        << u"remove"_s << u"sz000001"_s << 0 << true << QStringList();
}

void tst_WatchlistManager::moveAndRemove()
{
    QFETCH(QString, action);
    QFETCH(QString, identifier);
    QFETCH(int, delta);
    QFETCH(bool, failWrites);
    QFETCH(QStringList, after);

    const QStringList before{u"sh600519"_s, u"sz000001"_s, u"hk00700"_s};
    ManagerHarness m(before);
    QSignalSpy changed(&m.manager, &WatchlistManager::watchlistChanged);
    QSignalSpy refreshes(m.h.app.get(), &KestrumApp::refreshStarted);
    bool done = false;
    {
        std::optional<FileSizeLimit> limit;
        if (failWrites)
            limit.emplace(16);
        done = action == u"move"_s ? m.manager.moveWatchItem(identifier, delta)
                                   : m.manager.removeWatchItem(identifier);
    }
    QCOMPARE(done, !after.isEmpty());
    QCOMPARE(m.watchSymbols(), after.isEmpty() ? before : after);
    QCOMPARE(changed.count(), done ? 1 : 0);
    QCOMPARE(refreshes.count(), done ? 1 : 0);
    // Only adding and a failed save report.
    QCOMPARE(m.manager.feedbackMessage(),
             failWrites ? WatchlistManager::saveFailedMessage(JsonFile::WriteFailure::Incomplete)
                        : QString());
    if (!failWrites)
        return;
    QCOMPARE(m.manager.feedbackTone(), WatchFeedbackTone::Error);
    // A later save that works takes the stale error away.
    QVERIFY(m.manager.moveWatchItem(u"SH600519"_s, 1));
    QVERIFY(!m.manager.hasSaveFailure());
    QVERIFY(m.manager.feedbackMessage().isEmpty());
}

namespace {

// A list as another tool or a later Kestrum may write it: keys of its own on an item, on a
// condition and beside the items, a condition kind this version does not know.
const QByteArray kForeignList = R"([
  {"symbol": "sh600519", "name": "贵州茅台", "market": "沪市", "note": "长线", "tags": ["a"]},
  "a line for people",
  {"symbol": "sz000001", "name": "平安银行", "market": "深市", "shares": 1000, "cost": 10.5,
   "priceAlerts": [{"kind": "above", "value": 12, "repeat": "daily", "by": "script"},
                   {"kind": "trailingStop", "value": 5}]},
  {"symbol": "hk00700", "name": "腾讯控股", "market": "港股"}
])";

QJsonObject storedItem(const KestrumApp &app, const QString &symbol)
{
    for (const QJsonValue &item : const_cast<KestrumApp &>(app).config().loadWatchlist()) {
        if (item.toObject().value(u"symbol"_s).toString() == symbol)
            return item.toObject();
    }
    return {};
}

} // namespace

void tst_WatchlistManager::keepsWhatItDoesNotKnow()
{
    ManagerHarness m;
    m.h.quietRemoteSearch();
    const QString path = m.h.app->config().watchlistPath();
    QVERIFY(writeBytes(path, kForeignList));
    // Every rewrite: add, move, remove, a position, the conditions as read back.
    m.manager.setInputText(u"600036"_s);
    m.manager.addWatchItem();
    QVERIFY(m.manager.moveWatchItem(u"hk00700"_s, -1));
    QVERIFY(m.manager.removeWatchItem(u"sh600036"_s));
    QVERIFY(m.manager.setHolding(u"sh600519"_s, Holding{100, std::nullopt}));
    QVERIFY(m.manager.setPriceAlerts(u"sz000001"_s, m.h.app->priceAlertsForSymbol(u"sz000001"_s)));
    const QJsonArray stored = m.h.app->config().loadWatchlist();
    QCOMPARE(stored.size(), 4);
    QCOMPARE(stored.at(1), QJsonValue(u"a line for people"_s));
    const QJsonObject moutai = storedItem(*m.h.app, u"sh600519"_s);
    QCOMPARE(moutai.value(u"note"_s).toString(), u"长线"_s);
    QCOMPARE(moutai.value(u"tags"_s).toArray(), QJsonArray{u"a"_s});
    QCOMPARE(moutai.value(u"shares"_s).toDouble(), 100.0);
    QVERIFY(!moutai.contains(u"cost"_s));
    const QJsonArray conditions =
        storedItem(*m.h.app, u"sz000001"_s).value(u"priceAlerts"_s).toArray();
    QCOMPARE(conditions.size(), 2);
    QVERIFY(conditions.contains(QJsonObject{{u"kind"_s, u"trailingStop"_s}, {u"value"_s, 5}}));
    QVERIFY(conditions.contains(QJsonObject{{u"kind"_s, u"above"_s},
                                            {u"value"_s, 12},
                                            {u"repeat"_s, u"daily"_s},
                                            {u"by"_s, u"script"_s}}));
    QVERIFY(m.h.app->hasArmedPriceAlertsForSymbol(u"sz000001"_s));
    QVERIFY(!m.h.app->hasArmedPriceAlertsForSymbol(u"hk00700"_s));

    // A list without positions or conditions keeps its shape: added items carry the three
    // keys, and refreshing (alerts on) never rewrites it.
    ManagerHarness plain;
    plain.h.quietRemoteSearch();
    plain.h.app->settings().alertPreset = AlertPreset::Sensitive;
    plain.manager.setInputText(u"600519"_s);
    plain.manager.addWatchItem();
    const QString plainPath = plain.h.app->config().watchlistPath();
    QCOMPARE(storedItem(*plain.h.app, u"sh600519"_s).keys(),
             (QStringList{u"market"_s, u"name"_s, u"symbol"_s}));
    const quint64 inode = inodeOf(plainPath);
    QVERIFY(plain.h.refreshAndWait());
    QCOMPARE(inodeOf(plainPath), inode);
}

void tst_WatchlistManager::positionsAndConditions_data()
{
    QTest::addColumn<QString>("action"); // what the form does, on the foreign list
    QTest::addColumn<bool>("done");
    QTest::addColumn<QString>("feedback");
    QTest::addColumn<QString>("stored"); // sz000001's shares|cost|conditions afterwards

    const QString before = u"1000|10.5|above 12 daily,trailingStop 5"_s;
    QTest::newRow("position set") << u"hold 200 9.8"_s << true << u"平安银行 的持仓已保存。"_s
                                  << u"200|9.8|above 12 daily,trailingStop 5"_s;
    QTest::newRow("position cleared") << u"clear"_s << true << u"平安银行 的持仓已清除。"_s
                                      << u"||above 12 daily,trailingStop 5"_s;
    QTest::newRow("negative shares refused")
        << u"hold -200 9.8"_s << false << u"持仓股数须为大于 0 的数字。"_s << before;
    QTest::newRow("infinite cost refused")
        << u"hold 200 inf"_s << false << u"成本价须为不小于 0 的数字。"_s << before;
    QTest::newRow("condition added")
        << u"add below 9.5"_s << true << u"平安银行 的价格提醒已保存。"_s
        << u"1000|10.5|trailingStop 5,above 12 daily,below 9.5 once"_s;
    QTest::newRow("condition of the wrong sign refused")
        << u"add changeBelow 3"_s << false << u"跌幅提醒须为不大于 0 的百分比，例如 -3。"_s
        << before;
    QTest::newRow("condition removed") << u"remove 0"_s << true << u"平安银行 的价格提醒已清除。"_s
                                       << u"1000|10.5|trailingStop 5"_s;
    QTest::newRow("condition gone meanwhile")
        << u"remove 1"_s << false << u"这条价格提醒已不存在。"_s << before;
    QTest::newRow("symbol not listed")
        << u"hold 200 9.8 sh600036"_s << false << u"SH600036 不在自选列表中。"_s << before;
    QTest::newRow("save fails") << u"hold 200 9.8 full"_s << false
                                << WatchlistManager::saveFailedMessage(
                                       JsonFile::WriteFailure::Incomplete)
                                << before;
}

void tst_WatchlistManager::positionsAndConditions()
{
    QFETCH(QString, action);
    QFETCH(bool, done);
    QFETCH(QString, feedback);
    QFETCH(QString, stored);

    ManagerHarness m;
    QVERIFY(writeBytes(m.h.app->config().watchlistPath(), kForeignList));
    const QStringList words = action.split(u' ');
    const QString symbol =
        words.size() > 3 && words[3].startsWith(u"sh") ? words[3] : u"sz000001"_s;
    QString error;
    bool result = false;
    {
        std::optional<FileSizeLimit> limit;
        if (words.last() == u"full"_s)
            limit.emplace(16);
        if (words[0] == u"hold")
            result = m.manager.setHolding(
                symbol,
                Holding{words[1].toDouble(), words[2] == u"inf" ? qInf() : words[2].toDouble()},
                &error);
        else if (words[0] == u"clear")
            result = m.manager.setHolding(symbol, std::nullopt, &error);
        else if (words[0] == u"add") {
            PriceAlert alert;
            alert.kind = *fromText<PriceAlert::Kind>(words[1]);
            alert.value = words[2].toDouble();
            result = m.manager.addPriceAlert(symbol, alert, &error);
        } else
            result = m.manager.removePriceAlert(symbol, words[1].toInt(), &error);
    }
    QCOMPARE(result, done);
    QCOMPARE(m.manager.feedbackMessage(), feedback);
    QCOMPARE(error, done ? QString() : feedback);
    const QJsonObject item = storedItem(*m.h.app, u"sz000001"_s);
    QStringList conditions;
    for (const QJsonValue &c : item.value(u"priceAlerts"_s).toArray())
        conditions << (c[u"kind"_s].toString() + u' ' + QString::number(c[u"value"_s].toDouble()) +
                       (c[u"repeat"_s].isString() ? u' ' + c[u"repeat"_s].toString() : QString()));
    const auto number = [&](const QString &key) {
        return item.contains(key) ? QString::number(item.value(key).toDouble()) : QString();
    };
    QCOMPARE(number(u"shares"_s) + u'|' + number(u"cost"_s) + u'|' + conditions.join(u','), stored);
    // The figures follow at once, before the next refresh.
    if (done && words[0] == u"hold")
        QCOMPARE(m.h.app->holdingForSymbol(symbol), (Holding{200, 9.8}));
}

void tst_WatchlistManager::importAndExport_data()
{
    QTest::addColumn<QString>("file"); // its name decides the format
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("outcome");   // the summary, or the refusal
    QTest::addColumn<QStringList>("after"); // symbol shares cost conditions, in list order

    const QByteArray bom = "\xEF\xBB\xBF";
    const QStringList untouched{u"sh600519 - - -"_s, u"sz000001 1000 10.5 above:12@daily"_s,
                                u"hk00700 - - -"_s};
    QTest::newRow("csv merged")
        << u"a.csv"_s
        << bom + "代码,名称,持仓,成本,突破价,跌破价,涨幅提醒,跌幅提醒\r\n"
                 "600036,招商银行,500,35.2,40,,5%,-3@daily\r\n"
                 "sz000001,,2000,,,9;9.5@daily,,\r\n"
                 "hk00700,腾讯控股,,,,,,\r\n"
                 "xyz!,坏的,,,,,,\r\n"
                 "600036,招商银行,1,1,,,,\r\n"
                 "aapl,\"Apple, Inc.\",-5,,,,,\r\n"
        << u"导入完成：新增 1 只，更新 1 只，跳过 4 只。\n"
           u"跳过 第 5 行（xyz!）：无法识别的股票代码\n"
           u"跳过 第 7 行（aapl）：持仓股数须为大于 0 的数字\n"
           u"跳过 腾讯控股：已在自选列表中，没有新的持仓或提醒\n"
           u"跳过 招商银行：文件中重复出现，只取第一次"_s
        << QStringList{u"sh600519 - - -"_s, u"sz000001 2000 10.5 below:9,below:9.5@daily"_s,
                       u"hk00700 - - -"_s,
                       u"sh600036 500 35.2 above:40,changeAbove:5,changeBelow:-3@daily"_s};
    QTest::newRow("gb18030 csv, columns in another order")
        << u"b.CSV"_s
        << QByteArray(QStringEncoder("GB18030").encode(
               u"名称,代码\n贵州茅台,sh600519\n中国平安,601318\n"_s))
        << u"导入完成：新增 1 只，更新 0 只，跳过 1 只。\n跳过 贵州茅台：已在自选列表中，没有新的持仓或提醒"_s
        << (QStringList(untouched) << u"sh601318 - - -"_s);
    QTest::newRow("json keeps its keys")
        << u"c.json"_s << QByteArray(R"([{"symbol": "00700.HK", "shares": 100, "cost": 300},
                          {"symbol": "gb_aapl", "name": "苹果", "mine": 1, "priceAlerts":
                           [{"kind": "below", "value": 150, "repeat": "once", "firedOn": "2026-04-27"}]},
                          {"symbol": "sh600519", "shares": "many"}])")
        << u"导入完成：新增 1 只，更新 1 只，跳过 1 只。\n跳过 第 3 项（sh600519）：持仓股数或成本价不是有效数字"_s
        << QStringList{u"sh600519 - - -"_s, u"sz000001 1000 10.5 above:12@daily"_s,
                       u"hk00700 100 300 -"_s, u"gb_aapl - - below:150!"_s};
    QTest::newRow("no header") << u"d.csv"_s << QByteArray("600519,茅台\n")
                               << u"未导入：CSV 文件第一行须为表头，并含有“代码”一列。"_s
                               << untouched;
    QTest::newRow("unclosed quote") << u"e.csv"_s << QByteArray("代码,名称\n600519,\"茅台\n")
                                    << u"未导入：CSV 文件中的引号没有闭合。"_s << untouched;
    QTest::newRow("json not a list")
        << u"f.json"_s << QByteArray(R"({"symbol": "sh600519"})")
        << u"未导入：JSON 文件须为自选股数组，与 watchlist.json 相同。"_s << untouched;
    QTest::newRow("broken json") << u"g.json"_s << QByteArray("[{\"symbol\": ")
                                 << u"未导入：JSON 文件须为自选股数组，与 watchlist.json 相同。"_s
                                 << untouched;
    QTest::newRow("empty") << u"h.csv"_s << bom + "代码,名称\r\n"
                           << u"未导入：文件中没有自选股。"_s << untouched;
    QTest::newRow("missing file") << u"none.csv"_s << QByteArray() << u"无法打开 none.csv。"_s
                                  << untouched;
}

void tst_WatchlistManager::importAndExport()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, outcome);
    QFETCH(QStringList, after);

    ManagerHarness m;
    const QString list = m.h.app->config().watchlistPath();
    QVERIFY(writeBytes(list, R"([{"symbol": "sh600519", "name": "贵州茅台"},
        {"symbol": "sz000001", "name": "平安银行", "shares": 1000, "cost": 10.5,
         "priceAlerts": [{"kind": "above", "value": 12, "repeat": "daily"}]},
        {"symbol": "hk00700", "name": "腾讯控股"}])"));
    const QByteArray listBefore = readBytes(list);
    const QString path = m.h.dir.filePath(file);
    if (!bytes.isEmpty())
        QVERIFY(writeBytes(path, bytes));
    QString error;
    const auto merged = m.manager.importWatchlist(path, &error);
    QCOMPARE(merged ? merged->summary() : error, outcome);
    QCOMPARE(m.manager.feedbackMessage(), outcome);
    if (!merged)
        QCOMPARE(readBytes(list), listBefore); // nothing changed, not even rewritten

    const auto describe = [](const QJsonArray &items) {
        QStringList rows;
        for (const QJsonValue &value : items) {
            const QJsonObject item = value.toObject();
            const auto holding = Holding::fromItem(item);
            QStringList conditions;
            for (const PriceAlert &a : PriceAlert::listFromItem(item))
                conditions << toText(a.kind) + u':' + QString::number(a.value) +
                                  (a.repeat == PriceAlert::Repeat::Daily ? u"@daily"_s
                                                                         : QString()) +
                                  (a.firedOn.isEmpty() ? QString() : u"!"_s);
            rows << item.value(u"symbol"_s).toString() + u' ' +
                        (holding ? QString::number(holding->shares) : u"-"_s) + u' ' +
                        (holding && holding->cost ? QString::number(*holding->cost) : u"-"_s) +
                        u' ' + (conditions.isEmpty() ? u"-"_s : conditions.join(u','));
        }
        return rows;
    };
    const QJsonArray stored = m.h.app->config().loadWatchlist();
    QCOMPARE(describe(stored), after);
    if (file == u"c.json"_s)
        QCOMPARE(storedItem(*m.h.app, u"gb_aapl"_s).value(u"mine"_s).toInt(), 1);
    if (!merged)
        return;

    // Whatever the list now is, both formats carry it to an empty list and back unchanged
    // (a fired once condition is off, so the CSV leaves it out).
    for (const QString &name : {u"out.csv"_s, u"out.json"_s}) {
        const QString out = m.h.dir.filePath(name);
        QVERIFY(m.manager.exportWatchlist(out));
        ManagerHarness other;
        QVERIFY(other.manager.importWatchlist(out));
        QStringList expected = describe(stored);
        if (name.endsWith(u".csv"_s))
            expected.replaceInStrings(u" below:150!"_s, u" -"_s);
        QCOMPARE(describe(other.h.app->config().loadWatchlist()), expected);
        if (name.endsWith(u".csv"_s))
            QVERIFY(readBytes(out).startsWith("\xEF\xBB\xBF代码,名称,持仓,成本,"));
    }
}

QTEST_GUILESS_MAIN(tst_WatchlistManager)
#include "tst_watchlistmanager.moc"
