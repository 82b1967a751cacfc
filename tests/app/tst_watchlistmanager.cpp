#include "AppHarness.h"

#include "app/WatchlistManager.h"
#include "strategy/BoardTags.h"

#include <QFile>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

const QString kSuggestRoute = u"eastmoney-suggest"_s;

QStringList symbolsOf(const QList<WatchItem> &items)
{
    QStringList symbols;
    for (const WatchItem &item : items)
        symbols << item.value(u"symbol"_s).toString();
    return symbols;
}

QStringList symbolsOf(const QJsonArray &items)
{
    QStringList symbols;
    for (const QJsonValue &item : items)
        symbols << item.toObject().value(u"symbol"_s).toString();
    return symbols;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct ManagerHarness
{
    explicit ManagerHarness(const QStringList &symbols = {})
        : h(symbols)
        , manager(*h.app)
    {}

    // Answers of the remote search never arrive with anything in them.
    void silenceRemoteSearch()
    {
        SimFault fault;
        fault.emptyBody = true;
        h.server().setFault(kSuggestRoute, fault);
    }
    QStringList watchSymbols() const { return symbolsOf(h.app->config().loadWatchlist()); }

    AppHarness h;
    WatchlistManager manager;
};

} // namespace

class TestWatchlistManager : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void localFirstThenRemoteMerged();
    void staleRemoteAnswerIgnored();
    void unusableRemoteAnswerKeepsLocal();
    void clearingTheInputDropsTheSearch();
    void lateAnswerAfterAddSelectsNothing();
    void keyboard_data();
    void keyboard();
    void otherCommandsAreLeftToTheField();
    void addOutcomes_data();
    void addOutcomes();
    void addedItemIsSavedTaggedAndReloaded();
    void chosenSuggestionIsAdded();
    void failedSaveIsNeverReportedAsAdded();
    void moveAndRemove_data();
    void moveAndRemove();
    void failedMoveKeepsOrderAndReports();
    void rebuildKeepsTypedTextAndRecomputes();
    void desktopEntryShowsHintOnlyWithoutMessage();
};

void TestWatchlistManager::localFirstThenRemoteMerged()
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
    m.h.app->client().searchWatchCandidates(u"600"_s, 10, [&](const QList<WatchItem> &items) {
        remote = items;
        answered = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(answered, 10000);
    QVERIFY(!remote.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 2, 10000);

    const QList<WatchItem> merged = m.manager.suggestions();
    QCOMPARE(merged.size(), 10);
    QCOMPARE(merged.mid(0, remote.size()), remote); // remote first, as the service gave them
    QStringList lowered;
    for (const QString &symbol : symbolsOf(merged))
        lowered << symbol.toLower();
    lowered.removeDuplicates();
    QCOMPARE(lowered.size(), merged.size());
    // Then the local ones in their order, without the symbols the remote answer already had.
    QStringList expectedLocal;
    for (const QString &symbol : symbolsOf(local)) {
        if (!symbolsOf(remote).contains(symbol))
            expectedLocal << symbol;
    }
    QCOMPARE(symbolsOf(merged).mid(remote.size()),
             expectedLocal.mid(0, merged.size() - remote.size()));
    QCOMPARE(m.manager.selectedSuggestionIndex(), 0);
}

void TestWatchlistManager::staleRemoteAnswerIgnored()
{
    ManagerHarness m;
    SimFault slow;
    slow.delayMs = 1500;
    slow.times = 1; // only the first search ("60") is slow
    m.h.server().setFault(kSuggestRoute, slow);

    QSignalSpy answered(&m.manager, &WatchlistManager::remoteAnswered);
    QSignalSpy changed(&m.manager, &WatchlistManager::suggestionsChanged);
    m.manager.setInputText(u"60"_s);
    m.manager.setInputText(u"600"_s);
    QCOMPARE(changed.count(), 2);
    QVERIFY(answered.wait(10000)); // "600" first
    QCOMPARE(answered.at(0), (QVariantList{u"600"_s, true}));
    QCOMPARE(changed.count(), 3);
    const QList<WatchItem> current = m.manager.suggestions();
    QVERIFY(current != m.h.app->config().matchesForWatchInput(u"600"_s, 10));
    m.manager.handleCommand(WatchlistManager::Command::MoveDown);

    QVERIFY(answered.wait(10000));
    QCOMPARE(answered.at(1), (QVariantList{u"60"_s, false}));
    QCOMPARE(m.manager.suggestions(), current);
    QCOMPARE(m.manager.selectedSuggestionIndex(), 1);
    QCOMPARE(m.h.requestCount(kSuggestRoute), 2);
}

void TestWatchlistManager::unusableRemoteAnswerKeepsLocal()
{
    ManagerHarness m;
    SimFault garbage;
    garbage.garbage = true;
    m.h.server().setFault(kSuggestRoute, garbage);
    QSignalSpy changed(&m.manager, &WatchlistManager::suggestionsChanged);
    QSignalSpy answered(&m.manager, &WatchlistManager::remoteAnswered);
    m.manager.setInputText(u"招商"_s);
    const QList<WatchItem> local = m.manager.suggestions();
    QVERIFY(!local.isEmpty());
    QVERIFY(answered.wait(10000));
    QCOMPARE(answered.first(), (QVariantList{u"招商"_s, false}));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(m.manager.suggestions(), local);
}

void TestWatchlistManager::clearingTheInputDropsTheSearch()
{
    ManagerHarness m;
    SimFault slow;
    slow.delayMs = 400;
    m.h.server().setFault(kSuggestRoute, slow);
    QSignalSpy answered(&m.manager, &WatchlistManager::remoteAnswered);
    m.manager.setInputText(u"600"_s);
    m.manager.setInputText(QString());
    QVERIFY(m.manager.suggestions().isEmpty());
    QCOMPARE(m.manager.selectedSuggestionIndex(), -1);
    QVERIFY(!m.manager.shouldShowSuggestions());
    QVERIFY(answered.wait(10000));
    QCOMPARE(answered.first(), (QVariantList{u"600"_s, false}));
    QVERIFY(m.manager.suggestions().isEmpty());
    QCOMPARE(m.h.requestCount(kSuggestRoute), 1); // an empty text asks nobody
}

void TestWatchlistManager::lateAnswerAfterAddSelectsNothing()
{
    // Enter adds the local first match while the search is still out; its late answer must
    // not refill the cleared list, or a second Enter would add a stock nobody saw.
    ManagerHarness m;
    SimFault slow;
    slow.delayMs = 500;
    m.h.server().setFault(kSuggestRoute, slow);
    QSignalSpy answered(&m.manager, &WatchlistManager::remoteAnswered);
    m.manager.setInputText(u"600519"_s);
    m.manager.handleCommand(WatchlistManager::Command::InsertNewline);
    QCOMPARE(m.watchSymbols(), QStringList{u"sh600519"_s});
    QVERIFY(answered.wait(10000));
    QCOMPARE(answered.first(), (QVariantList{u"600519"_s, false}));
    QVERIFY(m.manager.suggestions().isEmpty());
    m.manager.handleCommand(WatchlistManager::Command::InsertNewline);
    QCOMPARE(m.watchSymbols(), QStringList{u"sh600519"_s});
    QCOMPARE(m.manager.feedbackTone(), WatchFeedbackTone::Error);
}

void TestWatchlistManager::keyboard_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("keys"); // U up, D down
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("index");

    QTest::newRow("down moves") << u"招商"_s << u"DD"_s << 7 << 2;
    QTest::newRow("down on the last stays") << u"招商"_s << u"DDDDDDDDDD"_s << 7 << 6;
    QTest::newRow("up on the first stays") << u"招商"_s << u"UUU"_s << 7 << 0;
    QTest::newRow("down then up") << u"招商"_s << u"DDDU"_s << 7 << 2;
    QTest::newRow("one suggestion") << u"600519"_s << u"DUD"_s << 1 << 0;
    QTest::newRow("no suggestions") << u"不存在的股票"_s << u"DUUD"_s << 0 << -1;
}

void TestWatchlistManager::keyboard()
{
    QFETCH(QString, text);
    QFETCH(QString, keys);
    QFETCH(int, count);
    QFETCH(int, index);

    ManagerHarness m;
    m.silenceRemoteSearch();
    m.manager.setInputText(text);
    QCOMPARE(m.manager.suggestions().size(), count);
    QSignalSpy changed(&m.manager, &WatchlistManager::suggestionsChanged);
    for (const QChar key : keys) {
        const auto command =
            key == u'U' ? WatchlistManager::Command::MoveUp : WatchlistManager::Command::MoveDown;
        QVERIFY(m.manager.handleCommand(command)); // consumed even with nothing to select
    }
    QCOMPARE(m.manager.selectedSuggestionIndex(), index);
    QCOMPARE(changed.count(), count > 0 ? keys.size() : 0);
    QCOMPARE(m.manager.inputText(), text);
}

void TestWatchlistManager::otherCommandsAreLeftToTheField()
{
    ManagerHarness m;
    m.silenceRemoteSearch();
    m.manager.setInputText(u"招商"_s);
    m.manager.handleCommand(WatchlistManager::Command::MoveDown);
    QVERIFY(!m.manager.handleCommand(WatchlistManager::Command::Other));
    QCOMPARE(m.manager.selectedSuggestionIndex(), 1);
    QCOMPARE(m.manager.inputText(), u"招商"_s);
    QVERIFY(m.watchSymbols().isEmpty());
}

void TestWatchlistManager::addOutcomes_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("failWrites");
    QTest::addColumn<QString>("message");
    QTest::addColumn<WatchFeedbackTone>("tone");
    QTest::addColumn<QString>("status"); // empty: the refresh took the status line over
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<bool>("keepsText");
    QTest::addColumn<bool>("beeps");

    const QStringList two{u"sh600519"_s, u"sz000001"_s};
    QTest::newRow("added by code")
        << two << u"600036"_s << false << u"已添加 招商银行，下一轮刷新会同步行情。"_s
        << WatchFeedbackTone::Success << QString()
        << QStringList{u"sh600519"_s, u"sz000001"_s, u"sh600036"_s} << false << false;
    QTest::newRow("added without a catalog name")
        << QStringList() << u"sh688999"_s << false << u"已添加 SH688999，下一轮刷新会同步行情。"_s
        << WatchFeedbackTone::Success << QString() << QStringList{u"sh688999"_s} << false << false;
    QTest::newRow("already listed")
        << two << u"贵州茅台"_s << false << u"贵州茅台 已在自选列表中。"_s
        << WatchFeedbackTone::Warning << u"贵州茅台 已在自选列表中。"_s << two << false << false;
    QTest::newRow("nothing matches")
        << two << u"不存在的股票"_s << false << WatchlistManager::notFoundMessage()
        << WatchFeedbackTone::Error << u"未找到匹配股票"_s << two << true << true;
    QTest::newRow("save fails") << two << u"600036"_s << true
                                << WatchlistManager::saveFailedMessage() << WatchFeedbackTone::Error
                                << u"自选列表保存失败"_s << two << true << true;
}

void TestWatchlistManager::addOutcomes()
{
    QFETCH(QStringList, before);
    QFETCH(QString, input);
    QFETCH(bool, failWrites);
    QFETCH(QString, message);
    QFETCH(WatchFeedbackTone, tone);
    QFETCH(QString, status);
    QFETCH(QStringList, after);
    QFETCH(bool, keepsText);
    QFETCH(bool, beeps);

    ManagerHarness m(before);
    m.silenceRemoteSearch();
    m.manager.setInputText(input);
    const QByteArray fileBefore = fileBytes(m.h.app->config().watchlistPath());
    QSignalSpy beep(&m.manager, &WatchlistManager::beepRequested);
    QSignalSpy changed(&m.manager, &WatchlistManager::watchlistChanged);
    QSignalSpy reset(&m.manager, &WatchlistManager::inputReset);
    QSignalSpy refreshes(m.h.app.get(), &KestrumApp::refreshStarted);
    {
        std::unique_ptr<FileSizeLimit> limit;
        if (failWrites)
            limit = std::make_unique<FileSizeLimit>(16);
        QVERIFY(m.manager.handleCommand(WatchlistManager::Command::InsertNewline));
    }

    QCOMPARE(m.manager.feedbackMessage(), message);
    QCOMPARE(m.manager.feedbackTone(), tone);
    QCOMPARE(m.watchSymbols(), after);
    QCOMPARE(beep.count(), beeps ? 1 : 0);
    QCOMPARE(m.manager.hasSaveFailure(), failWrites);
    const bool saved = after != before;
    QCOMPARE(changed.count(), saved ? 1 : 0);
    QCOMPARE(refreshes.count(), saved ? 1 : 0); // reloadConfig after every change
    if (!saved)
        QCOMPARE(fileBytes(m.h.app->config().watchlistPath()), fileBefore);
    if (!status.isEmpty())
        QCOMPARE(m.h.app->lastStatus(), status);
    QCOMPARE(m.manager.inputText(), keepsText ? input : QString());
    QCOMPARE(reset.count(), keepsText ? 0 : 1);
    if (!keepsText) {
        QVERIFY(m.manager.suggestions().isEmpty());
        QCOMPARE(m.manager.selectedSuggestionIndex(), -1);
        QVERIFY(!m.manager.hasInputChanged());
    }
}

void TestWatchlistManager::addedItemIsSavedTaggedAndReloaded()
{
    ManagerHarness m({u"sh600519"_s});
    m.silenceRemoteSearch();
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
    QVERIFY(finished.wait(10000));
    QVERIFY(m.h.refreshAndWait()); // the reloaded list is the one refreshed
    QVERIFY(m.h.app->quoteForSymbol(u"sh600036"_s).has_value());
}

void TestWatchlistManager::chosenSuggestionIsAdded()
{
    ManagerHarness m;
    m.silenceRemoteSearch();
    m.manager.setInputText(u"招商"_s);
    const WatchItem third = m.manager.suggestions().at(2);
    m.manager.selectSuggestion(2);
    QCOMPARE(m.watchSymbols(), QStringList{third.value(u"symbol"_s).toString()});
    QCOMPARE(m.h.app->config().loadWatchlist().at(0).toObject(), third);
    QCOMPARE(m.manager.feedbackTone(), WatchFeedbackTone::Success);
}

void TestWatchlistManager::failedSaveIsNeverReportedAsAdded()
{
    ManagerHarness m({u"sh600519"_s});
    m.silenceRemoteSearch();
    m.manager.setInputText(u"600036"_s);
    {
        FileSizeLimit limit(16);
        m.manager.addWatchItem();
    }
    QVERIFY(!m.manager.feedbackMessage().contains(u"已添加"_s));
    QVERIFY(!m.h.app->lastStatus().contains(u"已添加"_s));
    QVERIFY(m.manager.hasSaveFailure());
    QCOMPARE(m.watchSymbols(), QStringList{u"sh600519"_s});

    // Enter again once the disk takes writes: the kept text is added after all.
    m.manager.handleCommand(WatchlistManager::Command::InsertNewline);
    QCOMPARE(m.watchSymbols(), (QStringList{u"sh600519"_s, u"sh600036"_s}));
    QVERIFY(!m.manager.hasSaveFailure());
    QCOMPARE(m.manager.feedbackTone(), WatchFeedbackTone::Success);
}

void TestWatchlistManager::moveAndRemove_data()
{
    QTest::addColumn<QString>("action"); // move or remove
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<int>("delta");
    QTest::addColumn<QStringList>("after"); // empty: unchanged, nothing saved

    QTest::newRow("down from the top") << u"move"_s << u"SH600519"_s << 1
                                       << QStringList{u"sz000001"_s, u"sh600519"_s, u"hk00700"_s};
    QTest::newRow("up from the bottom") << u"move"_s << u"HK00700"_s << -1
                                        << QStringList{u"sh600519"_s, u"hk00700"_s, u"sz000001"_s};
    QTest::newRow("lower-case identifier")
        << u"move"_s << u"sz000001"_s << -1
        << QStringList{u"sz000001"_s, u"sh600519"_s, u"hk00700"_s};
    QTest::newRow("up from the top") << u"move"_s << u"SH600519"_s << -1 << QStringList();
    QTest::newRow("down from the bottom") << u"move"_s << u"HK00700"_s << 1 << QStringList();
    QTest::newRow("no step") << u"move"_s << u"SZ000001"_s << 0 << QStringList();
    QTest::newRow("no identifier") << u"move"_s << QString() << 1 << QStringList();
    QTest::newRow("unknown symbol") << u"move"_s << u"SH600036"_s << 1 << QStringList();
    QTest::newRow("remove middle")
        << u"remove"_s << u"sz000001"_s << 0 << QStringList{u"sh600519"_s, u"hk00700"_s};
    QTest::newRow("remove last") << u"remove"_s << u"hk00700"_s << 0
                                 << QStringList{u"sh600519"_s, u"sz000001"_s};
}

void TestWatchlistManager::moveAndRemove()
{
    QFETCH(QString, action);
    QFETCH(QString, identifier);
    QFETCH(int, delta);
    QFETCH(QStringList, after);

    const QStringList before{u"sh600519"_s, u"sz000001"_s, u"hk00700"_s};
    ManagerHarness m(before);
    QSignalSpy changed(&m.manager, &WatchlistManager::watchlistChanged);
    QSignalSpy refreshes(m.h.app.get(), &KestrumApp::refreshStarted);
    const bool done = action == u"move"_s ? m.manager.moveWatchItem(identifier, delta)
                                          : m.manager.removeWatchItem(identifier);
    QCOMPARE(done, !after.isEmpty());
    QCOMPARE(m.watchSymbols(), after.isEmpty() ? before : after);
    QCOMPARE(changed.count(), done ? 1 : 0);
    QCOMPARE(refreshes.count(), done ? 1 : 0);
    QVERIFY(m.manager.feedbackMessage().isEmpty()); // only adding reports
}

void TestWatchlistManager::failedMoveKeepsOrderAndReports()
{
    const QStringList before{u"sh600519"_s, u"sz000001"_s};
    ManagerHarness m(before);
    QSignalSpy changed(&m.manager, &WatchlistManager::watchlistChanged);
    {
        FileSizeLimit limit(16);
        QVERIFY(!m.manager.moveWatchItem(u"SH600519"_s, 1));
        QVERIFY(!m.manager.removeWatchItem(u"sz000001"_s));
    }
    QCOMPARE(m.watchSymbols(), before);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(m.manager.feedbackMessage(), WatchlistManager::saveFailedMessage());
    QCOMPARE(m.manager.feedbackTone(), WatchFeedbackTone::Error);

    // A later save that works takes the stale error away.
    QVERIFY(m.manager.moveWatchItem(u"SH600519"_s, 1));
    QVERIFY(!m.manager.hasSaveFailure());
    QVERIFY(m.manager.feedbackMessage().isEmpty());
}

void TestWatchlistManager::rebuildKeepsTypedTextAndRecomputes()
{
    ManagerHarness m;
    m.silenceRemoteSearch();
    m.manager.setInputText(u"招商"_s);
    m.manager.handleCommand(WatchlistManager::Command::MoveDown);
    m.manager.restoreSuggestionsAfterRebuild();
    QCOMPARE(m.manager.inputText(), u"招商"_s);
    QCOMPARE(m.manager.suggestions().size(), 7);
    QCOMPARE(m.manager.selectedSuggestionIndex(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(m.h.requestCount(kSuggestRoute), 2, 10000);

    // Text the manager itself set (none) is not searched again.
    m.manager.resetInput();
    m.manager.restoreSuggestionsAfterRebuild();
    QVERIFY(m.manager.suggestions().isEmpty());
    QCOMPARE(m.manager.remoteQuery(), QString());
}

void TestWatchlistManager::desktopEntryShowsHintOnlyWithoutMessage()
{
    ManagerHarness m({u"sh600519"_s});
    m.silenceRemoteSearch();
    m.manager.setInputText(u"招商"_s);
    m.manager.enterDesktopSection();
    QCOMPARE(m.manager.inputText(), QString());
    QVERIFY(m.manager.suggestions().isEmpty());
    QCOMPARE(m.manager.feedbackMessage(), WatchlistManager::defaultHint());
    QCOMPARE(m.manager.feedbackTone(), WatchFeedbackTone::Muted);

    m.manager.setInputText(u"600519"_s);
    m.manager.addWatchItem();
    m.manager.enterDesktopSection();
    QCOMPARE(m.manager.feedbackMessage(), u"贵州茅台 已在自选列表中。"_s);
    QCOMPARE(m.manager.feedbackTone(), WatchFeedbackTone::Warning);
}

QTEST_GUILESS_MAIN(TestWatchlistManager)
#include "tst_watchlistmanager.moc"
