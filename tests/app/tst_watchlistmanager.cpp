// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppHarness.h"
#include "FileBytes.h"

#include "app/WatchlistManager.h"
#include "market/MarketSources.h"
#include "strategy/BoardTags.h"

#include <QJsonArray>
#include <QSignalSpy>
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

QTEST_GUILESS_MAIN(tst_WatchlistManager)
#include "tst_watchlistmanager.moc"
