// SPDX-License-Identifier: GPL-3.0-or-later
// The decision sample log: when a sample is due, what it holds, its outcomes 15, 30 and 60
// minutes on (also for samples older than what launch reads), and where it rotates. The
// file's own crash safety is tst_configstore's.
#include "DecisionWorld.h"
#include "FileBytes.h"
#include "TestSupport.h"

#include "strategy/DecisionSampleLog.h"

#include <QJsonArray>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

QByteArray line(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

// A sample as the log writes it, reduced to what the outcome reads.
QJsonObject sample(const QString &symbol, const QString &recordedAt, double price, double position,
                   const QJsonObject &future = {})
{
    return QJsonObject{
        {u"sample_id"_s, QString(symbol + u"-"_s + QString(recordedAt).remove(u':'))},
        {u"symbol"_s, symbol},
        {u"recorded_at"_s, recordedAt},
        {u"price"_s, price},
        {u"intraday_features"_s, QJsonObject{{u"samplePosition"_s, position}}},
        {u"future"_s, future},
    };
}

// A sample of sh600000 at 10.00 recorded at this time of 28 April.
QJsonObject sampleAt(const QString &time, double position = 0)
{
    return sample(u"sh600000"_s, u"2026-04-28T"_s + time + u"+0800"_s, 10.0, position);
}

Quote quoteAt(double price, const QString &symbol = u"sh600000"_s)
{
    return makeQuote(symbol, price, 10.4, 9.8, 10.0, u"10:30:00"_s);
}

} // namespace

class TestDecisionSampleLog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void dueRules();
    void recordContents();
    void outcomeOfTheBook();
    void olderPendingSamplesAreCompletedOnceRead();
    void outcomesAreFoldedIntoTheLog();
    void failedWritesAreNotRetriedAtOnce();

private:
    QString logPath() const { return m_world->store->decisionSamplesURL(); }
    QString notesPath() const { return m_world->store->decisionOutcomesURL(); }
    void write(const QByteArray &bytes) { QVERIFY(writeBytes(logPath(), bytes)); }
    void advanceMinutes(int minutes) { m_world->clock.advanceSecs(minutes * 60); }
    QJsonObject futureOf(int index) const
    {
        return m_log->decisionSampleRecords().at(index).value(u"future"_s).toObject();
    }

    std::unique_ptr<DecisionWorld> m_world;
    std::unique_ptr<DecisionSampleLog> m_log;
};

void TestDecisionSampleLog::init()
{
    m_world = std::make_unique<DecisionWorld>();
    QVERIFY(m_world->dir.isValid());
    m_log = std::make_unique<DecisionSampleLog>(*m_world->store, m_world->intraday, *m_world->daily,
                                                *m_world->boards,
                                                m_world->snapshots->decisionSampleReader());
}

void TestDecisionSampleLog::dueRules()
{
    DecisionWorld &w = *m_world;
    DecisionSampleLog &log = *m_log;
    const Quote q = makeQuote(u"sh600519"_s, 1450, 1460, 1440, 1445, u"10:30:00"_s);
    Quote bad = q;
    bad.price = 0;
    QVERIFY(!log.shouldRecordDecisionSampleForQuote(bad));
    bad = q;
    bad.symbol.clear();
    QVERIFY(!log.shouldRecordDecisionSampleForQuote(bad));

    // After launch every symbol is due once, then every 15 minutes.
    QVERIFY(log.shouldRecordDecisionSampleForQuote(q));
    log.recordDecisionSamplesForQuotes({q, bad});
    QCOMPARE(log.decisionSampleRecords().size(), 1);
    QCOMPARE(log.decisionSampleLastLoggedAt().value(q.symbol), w.clock.now());
    w.clock.advanceSecs(899);
    log.recordDecisionSamplesForQuotes({q});
    QCOMPARE(log.decisionSampleRecords().size(), 1);
    w.clock.advanceSecs(1);
    log.recordDecisionSamplesForQuotes({q});
    QCOMPARE(log.decisionSampleRecords().size(), 2);

    // A changed status is due at the next refresh even a minute after the last sample.
    w.snapshots->captureCurrentStateSnapshotsForQuotes({q}); // 数据不足: no series yet
    w.snapshots->rollStateSnapshotsForwardForSymbols({q.symbol});
    advanceMinutes(1);
    QVERIFY(!log.shouldRecordDecisionSampleForQuote(q)); // the same statuses
    w.applySeries(q.symbol, QVector<double>(8, 1450),
                  {3000, 3060, 3120, 3180, 3240, 3300, 3360, 3420}, QVector<double>(8, 1449));
    QVERIFY(w.engine->hasDecisionDataForQuote(q));
    QVERIFY(log.shouldRecordDecisionSampleForQuote(q));

    // A previous snapshot that only lacks the keys compares as empty strings.
    w.snapshots->captureCurrentStateSnapshotsForQuotes({q});
    w.snapshots->rollStateSnapshotsForwardForSymbols({q.symbol});
    QVERIFY(!log.shouldRecordDecisionSampleForQuote(q));
}

void TestDecisionSampleLog::recordContents()
{
    DecisionWorld &w = *m_world;
    w.boards->loadBoardMap();
    w.setDailyContext(u"sh600089"_s, u"日线背景：趋势配合"_s, true, QJsonObject{{u"ma5"_s, 15.1}});
    // The realtime feed sends lower case; a hand-made upper-case quote shows what is folded.
    Quote q = makeQuote(u"SH600089"_s, 15.2, 15.4, 14.9, 15.0, u"10:30:00"_s);
    q.name = u"特变电工"_s;
    w.applySeries(u"SH600089"_s, {15.0, 15.1, 15.2, 15.1, 15.2}, {0, 1200, 2400, 3300, 3600},
                  {15.0, 15.05, 15.1, 15.1, 15.12}, {0, 10, 10, 10, 20});
    m_log->recordDecisionSamplesForQuotes({q});
    QVERIFY(m_log->decisionSampleLastLoggedAt().contains(u"SH600089"_s));

    const QList<QJsonObject> records = m_log->decisionSampleRecords();
    QCOMPARE(records.size(), 1);
    const QJsonObject r = records.first();
    QCOMPARE(r.size(), 17);
    QCOMPARE(r.value(u"sample_id"_s).toString(), u"sh600089-2026-04-28T103000+0800"_s);
    QCOMPARE(r.value(u"symbol"_s).toString(), u"sh600089"_s);
    QCOMPARE(r.value(u"daily_features"_s).toObject().value(u"ma5"_s).toDouble(), 15.1);
    QCOMPARE(r.value(u"board_tags"_s).toArray(), (QJsonArray{u"电力设备"_s, u"输变电"_s}));

    const QJsonObject features = r.value(u"intraday_features"_s).toObject();
    QCOMPARE(features.keys(), (QStringList{u"afternoonDelta"_s, u"openDelta"_s, u"samplePosition"_s,
                                           u"trend10"_s, u"trend15"_s, u"trend30"_s, u"trend5"_s,
                                           u"volumeRatio10"_s, u"volumeRatio5"_s}));
    QCOMPARE(features.value(u"samplePosition"_s).toDouble(), 3600.0);
    QCOMPARE(features.value(u"volumeRatio5"_s).toDouble(), 2.0); // 20 over 10

    // Without a series the position is the quote's time; the surge ratio is written as the
    // largest double.
    const Quote bare = makeQuote(u"sz000001"_s, 11.0, 11.1, 10.9, 11.0, u"10:00:00"_s);
    QCOMPARE(m_log->intradayFeaturePayloadForQuote(bare).value(u"samplePosition"_s).toDouble(),
             1800.0);
    w.applySeries(u"sz000001"_s, {11, 11, 11, 11}, {0, 60, 120, 900}, {11, 11, 11, 11},
                  {0, 0, 0, 50});
    QVERIFY(m_log->appendDecisionSampleRecords({m_log->decisionSampleRecordForQuote(bare)}));
    QVERIFY(readBytes(logPath()).contains("\"volumeRatio5\":1.7976931348623157e+308"));
}

// P0 10.00, now 10.20, the series since the sample between 9.90 and 10.35.
void TestDecisionSampleLog::outcomeOfTheBook()
{
    DecisionWorld &w = *m_world;
    const QString sym = u"sh600000"_s;
    write(line(sampleAt(u"10:30:00"_s, 3600)) +
          line(sample(u"sz000001"_s, u"2026-04-28T10:30:00+0800"_s, 11.0, 3600)));
    // Earlier points (before 3600) and empty prices are not looked at.
    w.applySeries(sym, {8.0, 12.0, 10.0, 9.9, 10.35, 0.0, 10.2},
                  {3000, 3540, 3600, 3900, 4200, 4300, 4500}, QVector<double>(7, 10.0));
    const Quote q = makeQuote(sym, 10.2, 10.4, 9.8, 10.0, u"10:45:00"_s);

    w.clock.advanceSecs(899);
    m_log->updatePendingDecisionSamplesForQuotes({q});
    QCOMPARE(futureOf(0), QJsonObject());
    w.clock.advanceSecs(1);
    m_log->updatePendingDecisionSamplesForQuotes({q});
    const QJsonObject future = futureOf(0);
    QCOMPARE(future.keys(), QStringList{u"after15m"_s});
    const QJsonObject outcome = future.value(u"after15m"_s).toObject();
    QCOMPARE(outcome.size(), 5);
    QCOMPARE(outcome.value(u"price"_s).toDouble(), 10.2);
    QCOMPARE(outcome.value(u"change_from_sample"_s).toDouble(), 2.0);
    QCOMPARE(outcome.value(u"max_favorable"_s).toDouble(), 3.5);
    QCOMPARE(outcome.value(u"max_adverse"_s).toDouble(), -1.0);
    QCOMPARE(outcome.value(u"resolved_at"_s).toString(), u"2026-04-28T10:45:00+0800"_s);
    // The other symbol has no quote in this pass: untouched.
    QCOMPARE(futureOf(1), QJsonObject());
    QCOMPARE(m_log->pendingDecisionSampleCount(), 2);

    // The quote alone bounds the extremes when no point lies after the sample.
    QJsonObject late = sampleAt(u"11:30:00"_s, 9000);
    const QJsonObject alone = m_log->futureResultForSample(late, q);
    QCOMPARE(alone.value(u"max_favorable"_s), alone.value(u"change_from_sample"_s));
    QCOMPARE(alone.value(u"max_adverse"_s), alone.value(u"change_from_sample"_s));
    // No usable price on either side, or one too small to divide by: an empty outcome.
    late.insert(u"price"_s, 0);
    QCOMPARE(m_log->futureResultForSample(late, q), QJsonObject());
    QCOMPARE(m_log->futureResultForSample(sampleAt(u"10:00:00"_s), quoteAt(0)), QJsonObject());
    late.insert(u"price"_s, 5e-324);
    QCOMPARE(m_log->futureResultForSample(late, q), QJsonObject());

    // Seventy minutes late, every outcome is given at once, from the same pass.
    write(line(sampleAt(u"09:20:00"_s)));
    m_log->updatePendingDecisionSamplesForQuotes({q});
    const QJsonObject all = futureOf(0);
    QCOMPARE(all.size(), 3);
    QCOMPARE(all.value(u"after15m"_s), all.value(u"after30m"_s));
    QCOMPARE(all.value(u"after30m"_s), all.value(u"after60m"_s));
    QCOMPARE(m_log->pendingDecisionSampleCount(), 0);
}

// A sample left pending overnight lies before the hour launch reads: it is completed by the
// first pass after the older lines are read. Outcomes wait in the journal until a fold, which
// cannot happen before then either; it replaces the log from the first line it changes on
// (the file stays, the lines before keep their bytes).
void TestDecisionSampleLog::olderPendingSamplesAreCompletedOnceRead()
{
    const QString sym = u"sh600000"_s;
    const QByteArray older = line(sample(sym, u"2026-04-27T09:00:00+0800"_s, 10.0, 0,
                                         {{u"after15m"_s, QJsonObject()},
                                          {u"after30m"_s, QJsonObject()},
                                          {u"after60m"_s, QJsonObject()}}));
    const QByteArray overnight = line(sample(sym, u"2026-04-27T14:55:00+0800"_s, 10.0, 0));
    const QByteArray recent = line(sampleAt(u"10:05:00"_s));
    write(older + overnight + recent);
    const quint64 inode = inodeOf(logPath());
    m_log->loadPendingDecisionSamples();
    QCOMPARE(m_log->pendingDecisionSampleCount(), 1);
    const Quote q = quoteAt(10.2);
    m_log->updatePendingDecisionSamplesForQuotes({q});
    QCOMPARE(futureOf(1), QJsonObject());
    QCOMPARE(futureOf(2).keys(), (QStringList{u"after15m"_s}));
    QVERIFY(!m_log->foldNotedOutcomes());
    while (m_log->loadOlderDecisionSamples(64)) {
    }
    QCOMPARE(m_log->pendingDecisionSampleCount(), 2);
    m_log->updatePendingDecisionSamplesForQuotes({q});
    QCOMPARE(futureOf(1).size(), 3);
    QCOMPARE(readBytes(logPath()), older + overnight + recent);
    QCOMPARE(m_log->pendingDecisionSampleCount(), 1);

    QVERIFY(m_log->foldNotedOutcomes());
    const QByteArray after = readBytes(logPath());
    QVERIFY(after.startsWith(older));
    QCOMPARE(inodeOf(logPath()), inode);
    QVERIFY(!QFileInfo::exists(notesPath()));
    QCOMPARE(futureOf(1).size(), 3);
    QCOMPARE(futureOf(2).keys(), (QStringList{u"after15m"_s}));
    // The index follows the new tail: nothing more is due a minute later.
    advanceMinutes(1);
    m_log->updatePendingDecisionSamplesForQuotes({q});
    QCOMPARE(readBytes(logPath()), after);
    QVERIFY(!QFileInfo::exists(notesPath()));
}

// Outcomes reach the log's own lines half an hour after the first waiting one was noted,
// before the log is archived, and after a relaunch that finds the journal; until then every
// reader sees them, and a second fold of the same journal (a kill before it went) changes
// nothing.
void TestDecisionSampleLog::outcomesAreFoldedIntoTheLog()
{
    write(line(sampleAt(u"10:15:00"_s)) + line(sampleAt(u"10:25:00"_s)));
    const Quote q = quoteAt(10.2);
    m_log->updatePendingDecisionSamplesForQuotes({q});
    const QByteArray noted = readBytes(notesPath());
    QCOMPARE(noted.count('\n'), 1);
    QCOMPARE(futureOf(0).keys(), QStringList{u"after15m"_s});
    QVERIFY(!readBytes(logPath()).contains("after15m"));

    // A relaunch reads the journal: nothing is given twice.
    m_log =
        std::make_unique<DecisionSampleLog>(*m_world->store, m_world->intraday, *m_world->daily,
                                            *m_world->boards, DecisionSampleLog::DecisionReader());
    m_log->loadPendingDecisionSamples();
    QCOMPARE(m_log->pendingDecisionSampleCount(), 2);
    m_log->updatePendingDecisionSamplesForQuotes({q});
    QCOMPARE(readBytes(notesPath()), noted);

    advanceMinutes(29);
    m_log->updatePendingDecisionSamplesForQuotes({q});
    QVERIFY(!readBytes(logPath()).contains("after15m"));
    advanceMinutes(1);
    m_log->updatePendingDecisionSamplesForQuotes({q});
    QVERIFY(!QFileInfo::exists(notesPath()));
    const QList<QByteArray> lines = readBytes(logPath()).split('\n');
    const QStringList twoOutcomes{u"after15m"_s, u"after30m"_s};
    for (const QByteArray &text : lines.first(2))
        QCOMPARE(QJsonDocument::fromJson(text).object().value(u"future"_s).toObject().keys(),
                 twoOutcomes);

    // The journal left by a kill after the fold: folding it again changes nothing.
    QVERIFY(writeBytes(notesPath(), noted));
    const QByteArray folded = readBytes(logPath());
    QVERIFY(m_log->foldNotedOutcomes());
    QCOMPARE(readBytes(logPath()), folded);

    // Before the log is archived, what waits is folded in.
    advanceMinutes(40);
    m_log->updatePendingDecisionSamplesForQuotes({q});
    QVERIFY(QFileInfo::exists(notesPath()));
    // The log over its size goes to today's archive, the new sample starts a new log.
    write(readBytes(logPath()) +
          line(QJsonObject{{u"padding"_s, QString(DecisionSampleLog::kRotationBytes, u'x')}}));
    m_log->recordDecisionSamplesForQuotes({quoteAt(10.3, u"sz000001"_s)});
    const QList<QByteArray> archived =
        readBytes(m_world->store->decisionSamplesArchiveURL(u"20260428"_s)).split('\n');
    QCOMPARE(QJsonDocument::fromJson(archived.at(0)).object().value(u"future"_s).toObject().size(),
             3);
    QCOMPARE(archived.size(), 4); // two samples, the padding, the final line feed
    QCOMPARE(m_log->decisionSampleRecords().size(), 1);
    QCOMPARE(readBytes(logPath()).count('\n'), 1);
}

void TestDecisionSampleLog::failedWritesAreNotRetriedAtOnce()
{
    const QByteArray existing = line(sampleAt(u"10:00:00"_s));
    write(existing);
    const Quote q = quoteAt(10.2);
    {
        // Room for a few bytes of the next line only.
        const FileSizeLimit limit(existing.size() + 10);
        m_log->recordDecisionSamplesForQuotes({q});
    }
    QCOMPARE(readBytes(logPath()), existing);
    // The failed sample still counts as logged: no retry at every refresh.
    QVERIFY(!m_log->shouldRecordDecisionSampleForQuote(q));

    // A failed outcome rewrite leaves the old file too, and is tried again later.
    advanceMinutes(15);
    {
        const FileSizeLimit limit(10);
        m_log->updatePendingDecisionSamplesForQuotes({q});
    }
    QCOMPARE(readBytes(logPath()), existing);
    m_log->updatePendingDecisionSamplesForQuotes({q});
    QCOMPARE(futureOf(0).keys(), (QStringList{u"after15m"_s, u"after30m"_s}));

    // A fold that fails is not tried at every refresh, but five minutes on.
    advanceMinutes(30);
    {
        const FileSizeLimit limit(10);
        m_log->updatePendingDecisionSamplesForQuotes({q});
    }
    advanceMinutes(1);
    m_log->updatePendingDecisionSamplesForQuotes({q});
    QCOMPARE(readBytes(logPath()), existing);
    QCOMPARE(futureOf(0).size(), 3);
    advanceMinutes(4);
    m_log->updatePendingDecisionSamplesForQuotes({q});
    QVERIFY(!QFileInfo::exists(notesPath()));
    QCOMPARE(
        QJsonDocument::fromJson(readBytes(logPath())).object().value(u"future"_s).toObject().size(),
        3);
}

QTEST_GUILESS_MAIN(TestDecisionSampleLog)
#include "tst_decisionsamplelog.moc"
