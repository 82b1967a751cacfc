// State snapshots across refreshes: the roll and the capture, the risk-pressure score and
// the continuity line, by hand and over a replayed trading day.
#include "DecisionWorld.h"

#include "decision/StateSnapshots.h"
#include "intraday/TradingClock.h"
#include "sim/MarketModel.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

QJsonObject snapshot(const QString &execution, const QString &risk, const QString &structure)
{
    return QJsonObject{{u"buy"_s, execution},       {u"sell"_s, u"继续观察"_s},
                       {u"execution"_s, execution}, {u"risk"_s, risk},
                       {u"structure"_s, structure}, {u"riskPressure"_s, 0}};
}

const QString kRange = u"日内结构：中位震荡"_s;

} // namespace

class TestStateSnapshots : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void continuityScore_data();
    void continuityScore();
    void riskPressure_data();
    void riskPressure();
    void snapshotKeys();
    void continuity_data();
    void continuity();
    void rollAndCapture();
    void refreshSequence();
    void replayedDay();

private:
    std::unique_ptr<DecisionWorld> m_world;
};

void TestStateSnapshots::init()
{
    m_world = std::make_unique<DecisionWorld>();
}

void TestStateSnapshots::continuityScore_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("score");
    QTest::newRow("可跟踪") << u"可跟踪"_s << 4;
    QTest::newRow("等确认") << u"等确认"_s << 3;
    QTest::newRow("数据不足") << u"数据不足"_s << 2;
    QTest::newRow("看回踩") << u"看回踩"_s << 1;
    QTest::newRow("不追高") << u"不追高"_s << 1;
    QTest::newRow("先防守") << u"先防守"_s << 0;
    QTest::newRow("other") << u"防回落"_s << 2;
    QTest::newRow("empty") << QString() << 2;
}

void TestStateSnapshots::continuityScore()
{
    QFETCH(QString, state);
    QFETCH(int, score);
    QCOMPARE(StateSnapshots::continuityScoreForExecutionState(state), score);
}

void TestStateSnapshots::riskPressure_data()
{
    QTest::addColumn<QVariantMap>("quote");
    QTest::addColumn<QVariantMap>("terms");
    QTest::addColumn<int>("score");
    using M = QVariantMap;
    const M under20{{u"P"_s, 19.97}, {u"H"_s, 20.2}, {u"L"_s, 19.8}, {u"PC"_s, 20.0}};
    QTest::newRow("nothing, above the line") << M() << M() << 0;
    QTest::newRow("everything") << under20 << M{{u"avg"_s, 20.0}, {u"A"_s, -0.7}, {u"r5"_s, -0.35}}
                                << 11;
    QTest::newRow("severe, R5 -0.34, A -0.69")
        << under20 << M{{u"avg"_s, 20.0}, {u"A"_s, -0.69}, {u"r5"_s, -0.34}} << 9;
    QTest::newRow("lost line") << M() << M{{u"avg"_s, 10.25}, {u"v5"_s, 1.05}} << 7;
    QTest::newRow("weak pullback")
        << M() << M{{u"avg"_s, 10.21}, {u"r10"_s, -0.12}, {u"r5"_s, -0.24}, {u"v10"_s, 1.18}} << 6;
    QTest::newRow("healthy pullback") << M() << M{{u"avg"_s, 10.21}} << 4;
    QTest::newRow("won-back false break") << M() << M{{u"dipped"_s, true}, {u"r5"_s, 0.05}} << 2;
    QTest::newRow("R5 -0.35 above the line") << M() << M{{u"r5"_s, -0.35}} << 1;
    QTest::newRow("A -0.7 above the line") << M() << M{{u"A"_s, -0.7}} << 1;
}

void TestStateSnapshots::riskPressure()
{
    QFETCH(QVariantMap, quote);
    QFETCH(QVariantMap, terms);
    QFETCH(int, score);
    const QuoteDecision d = m_world->decide(quote, terms);
    QCOMPARE(StateSnapshots::riskPressureScore(d), score);
    QCOMPARE(StateSnapshots::stateSnapshot(d).value(u"riskPressure"_s).toInt(), score);
}

void TestStateSnapshots::snapshotKeys()
{
    const StateSnapshots &snapshots = *m_world->snapshots;
    Quote q = makeQuote(u"sh600000"_s, 10.2, 10.4, 9.8, 10.0);
    const QJsonObject s = snapshots.stateSnapshotForQuote(q);
    QCOMPARE(s.keys(), (QStringList{u"buy"_s, u"execution"_s, u"risk"_s, u"riskPressure"_s,
                                    u"sell"_s, u"structure"_s}));
    QCOMPARE(s.value(u"buy"_s).toString(), u"数据不足"_s);
    QCOMPARE(s.value(u"structure"_s).toString(), u"结构标签暂不明确"_s);
    QVERIFY(s.value(u"riskPressure"_s).isDouble());
    q.symbol.clear();
    QVERIFY(snapshots.stateSnapshotForQuote(q).isEmpty());
}

void TestStateSnapshots::continuity_data()
{
    QTest::addColumn<QVariantMap>("quote");
    QTest::addColumn<QVariantMap>("terms");
    QTest::addColumn<QJsonObject>("previous");
    QTest::addColumn<QString>("line");
    using M = QVariantMap;
    // The quiet stock: 等确认, risk 守 10.00, structure 中位震荡.
    const QString hold = u"守 10.00"_s;
    const M under20{{u"P"_s, 19.97}, {u"H"_s, 20.2}, {u"L"_s, 19.8}, {u"PC"_s, 20.0}};

    QTest::newRow("no previous") << M() << M() << QJsonObject()
                                 << u"状态连续性：首轮观察，先看当前结构是否延续。"_s;
    QTest::newRow("stronger") << M() << M() << snapshot(u"先防守"_s, hold, kRange)
                              << u"状态连续性：较上一轮转强，当前由先防守转为等确认。"_s;
    QTest::newRow("stronger from nothing") << M() << M() << QJsonObject{{u"risk"_s, hold}}
                                           << u"状态连续性：较上一轮转强，当前由观察转为等确认。"_s;
    QTest::newRow("weaker") << M() << M{{u"avg"_s, 10.25}} << snapshot(u"可跟踪"_s, hold, kRange)
                            << u"状态连续性：较上一轮转弱，当前由可跟踪转为先防守。"_s;
    QTest::newRow("into structural weakness")
        << under20 << M{{u"avg"_s, 20.0}, {u"A"_s, -0.45}}
        << snapshot(u"先防守"_s, u"失 20.00"_s, kRange)
        << u"状态连续性：较上一轮风险抬升，当前已进入结构转弱阶段。"_s;
    QTest::newRow("deeper pullback")
        << M() << M{{u"avg"_s, 10.25}, {u"r10"_s, -0.12}, {u"r5"_s, -0.24}, {u"v10"_s, 1.18}}
        << snapshot(u"先防守"_s, u"失 10.25"_s, kRange)
        << u"状态连续性：较上一轮回踩加深，承接开始走弱。"_s;
    QTest::newRow("won back") << M() << M{{u"dipped"_s, true}, {u"r5"_s, 0.05}}
                              << snapshot(u"等确认"_s, u"回踩中"_s, kRange)
                              << u"状态连续性：较上一轮有所收回，先看这次修复能否真正站稳。"_s;
    // 看回踩 and 不追高 share a score, so the risk decides.
    QTest::newRow("easing, 不追高 to 看回踩")
        << M() << M{{u"avg"_s, 10.21}} << snapshot(u"不追高"_s, u"回踩偏弱"_s, kRange)
        << u"状态连续性：较上一轮风险有所缓和，重新回到回踩观察阶段。"_s;
    QTest::newRow("risk from nothing") << M() << M() << snapshot(u"等确认"_s, QString(), kRange)
                                       << u"状态连续性：风险状态由可控变化到守 10.00。"_s;
    QTest::newRow("risk moved") << M() << M() << snapshot(u"等确认"_s, u"看 9.80"_s, kRange)
                                << u"状态连续性：风险状态由看 9.80变化到守 10.00。"_s;
    QTest::newRow("数据不足 against an unknown word")
        << M() << M{{u"prices"_s, 0}} << snapshot(u"防回落"_s, u"数据不足"_s, kRange)
        << u"状态连续性：较上一轮整体变化不大，先看当前节奏是否继续延续。"_s;
    QTest::newRow("structure improved") << M() << M{{u"structure"_s, u"日内结构：午后转强"_s}}
                                        << snapshot(u"等确认"_s, hold, kRange)
                                        << u"状态连续性：较上一轮结构改善，修复动作开始更明确。"_s;
    QTest::newRow("structure worsened")
        << M() << M{{u"structure"_s, u"日内结构：冲高回落"_s}}
        << snapshot(u"等确认"_s, hold, kRange)
        << u"状态连续性：较上一轮结构转差，需留意弱势是否继续扩散。"_s;
    QTest::newRow("one good structure for another")
        << M() << M{{u"structure"_s, u"日内结构：低位反抽"_s}}
        << snapshot(u"等确认"_s, hold, u"日内结构：午后转强"_s)
        << u"状态连续性：结构标签较上一轮有变化，先看新结构能否延续。"_s;
    QTest::newRow("structure changed")
        << M() << M() << snapshot(u"等确认"_s, hold, u"日内结构：高位横盘"_s)
        << u"状态连续性：结构标签较上一轮有变化，先看新结构能否延续。"_s;
    QTest::newRow("steady pullback")
        << M() << M{{u"avg"_s, 10.21}} << snapshot(u"看回踩"_s, u"回踩中"_s, kRange)
        << u"状态连续性：较上一轮大体稳定，当前仍在回踩观察区。"_s;
    QTest::newRow("steady recovery")
        << M() << M{{u"dipped"_s, true}, {u"r5"_s, 0.05}}
        << snapshot(u"等确认"_s, u"收回观察"_s, kRange)
        << u"状态连续性：较上一轮修复延续，当前仍在收回后的确认阶段。"_s;
    QTest::newRow("steady") << M() << M() << snapshot(u"等确认"_s, hold, kRange)
                            << u"状态连续性：较上一轮整体变化不大，先看当前节奏是否继续延续。"_s;
}

void TestStateSnapshots::continuity()
{
    QFETCH(QVariantMap, quote);
    QFETCH(QVariantMap, terms);
    QFETCH(QJsonObject, previous);
    QFETCH(QString, line);
    QCOMPARE(StateSnapshots::stateContinuityDescription(m_world->decide(quote, terms), previous),
             line);
}

void TestStateSnapshots::rollAndCapture()
{
    StateSnapshots &s = *m_world->snapshots;
    const Quote a = makeQuote(u"sh600000"_s, 10.2, 10.4, 9.8, 10.0);
    const Quote b = makeQuote(u"sz000001"_s, 11.0, 11.2, 10.8, 11.1);
    Quote blank = a;
    blank.symbol.clear();

    // First refresh: the roll finds nothing; the capture fills current only.
    s.rollStateSnapshotsForwardForSymbols({a.symbol, b.symbol, QString()});
    QVERIFY(s.previousStateSnapshots().isEmpty());
    s.captureCurrentStateSnapshotsForQuotes({a, b, blank});
    QCOMPARE(s.currentStateSnapshots().size(), 2);
    QVERIFY(s.previousStateSnapshots().isEmpty());
    QCOMPARE(s.stateContinuityDescriptionForQuote(a),
             u"状态连续性：首轮观察，先看当前结构是否延续。"_s);

    // Second refresh without b: b keeps its current entry and gets no previous one.
    s.rollStateSnapshotsForwardForSymbols({a.symbol});
    QCOMPARE(s.previousStateSnapshotForSymbol(a.symbol), s.currentStateSnapshotForSymbol(a.symbol));
    QVERIFY(s.previousStateSnapshotForSymbol(b.symbol).isEmpty());
    QVERIFY(!s.currentStateSnapshotForSymbol(b.symbol).isEmpty());

    // Symbols are keys exactly as they come.
    s.rollStateSnapshotsForwardForSymbols({u"SZ000001"_s});
    QVERIFY(s.previousStateSnapshotForSymbol(b.symbol).isEmpty());
    QVERIFY(!s.previousStateSnapshots().contains(u"SZ000001"_s));
}

// Two refreshes of one stock by hand: the second compares with the first.
void TestStateSnapshots::refreshSequence()
{
    DecisionWorld &w = *m_world;
    StateSnapshots &s = *w.snapshots;
    const QString sym = u"sh600000"_s;
    QVector<double> prices, positions, averages, volumes;
    for (int i = 0; i < 30; ++i) {
        prices << 10.0;
        positions << 3600.0 + 60 * i;
        averages << 10.0;
        volumes << 100;
    }
    w.applySeries(sym, prices, positions, averages, volumes);

    const auto refresh = [&](const Quote &q) {
        s.rollStateSnapshotsForwardForSymbols({q.symbol});
        w.intraday.recordIntradaySamples({q});
        s.captureCurrentStateSnapshotsForQuotes({q});
    };
    // Flat at the line: 等确认.
    Quote q = makeQuote(sym, 10.0, 10.1, 9.9, 10.0, u"11:00:00"_s);
    q.volume = 3000;
    q.amount = 30000;
    refresh(q);
    QCOMPARE(s.currentStateSnapshotForSymbol(sym).value(u"execution"_s).toString(), u"等确认"_s);
    QCOMPARE(s.stateContinuityDescriptionForQuote(q),
             u"状态连续性：首轮观察，先看当前结构是否延续。"_s);

    // A minute later well under the line, below the morning's high of the series: a fade
    // from the high under the line is structural weakness, and the line says it weakened.
    Quote drop = makeQuote(sym, 9.9, 10.1, 9.88, 10.0, u"11:01:00"_s);
    drop.volume = 3100;
    drop.amount = 31000;
    refresh(drop);
    const QJsonObject previous = s.previousStateSnapshotForSymbol(sym);
    const QJsonObject current = s.currentStateSnapshotForSymbol(sym);
    QCOMPARE(previous.value(u"execution"_s).toString(), u"等确认"_s);
    QCOMPARE(current.value(u"execution"_s).toString(), u"先防守"_s);
    QCOMPARE(current.value(u"risk"_s).toString(), u"结构转弱"_s);
    QCOMPARE(current.value(u"structure"_s).toString(), u"日内结构：冲高回落"_s);
    QCOMPARE(current.value(u"riskPressure"_s).toInt(), 10); // 8 + below the line + R5 -1 %
    QCOMPARE(s.stateContinuityDescriptionForQuote(drop),
             u"状态连续性：较上一轮转弱，当前由等确认转为先防守。"_s);

    // Nothing changes at the third refresh: the risk status is the same, so is the line.
    refresh(drop);
    QCOMPARE(s.previousStateSnapshotForSymbol(sym), current);
    QCOMPARE(s.stateContinuityDescriptionForQuote(drop),
             u"状态连续性：较上一轮整体变化不大，先看当前节奏是否继续延续。"_s);
}

// A simulated day, refreshed every five minutes: the snapshot pair always holds this refresh
// and the one before, and the verdicts stay inside their vocabularies.
void TestStateSnapshots::replayedDay()
{
    const QDate day(2026, 4, 28);
    DecisionWorld &w = *m_world;
    StateSnapshots &s = *w.snapshots;
    const MarketModel model;
    const QStringList symbols{u"sh600519"_s, u"sz300750"_s, u"hk00700"_s, u"sh688981"_s};
    const QSet<QString> words{u"数据不足"_s, u"不追高"_s, u"可跟踪"_s,
                              u"等确认"_s,   u"看回踩"_s, u"先防守"_s};
    const QSet<QString> sells{u"数据不足"_s, u"先防守"_s,   u"看承接"_s,
                              u"防回落"_s,   u"继续跟踪"_s, u"继续观察"_s};

    const auto quoteAt = [&](const SimInstrument &instrument, const QDateTime &moment) {
        const SimSnapshot snap = model.snapshot(instrument, moment);
        Quote q;
        q.symbol = instrument.symbol;
        q.name = instrument.name;
        q.price = snap.price;
        q.previousClose = snap.previousClose;
        q.open = snap.open;
        q.high = snap.high;
        q.low = snap.low;
        q.volume = snap.volume;
        q.amount = snap.amount;
        q.date = snap.date.toString(u"yyyy-MM-dd"_s);
        q.time = snap.time.toString(u"HH:mm:ss"_s);
        return q;
    };

    QHash<QString, QJsonObject> lastCurrent;
    QSet<QString> structures;
    int refreshes = 0;
    for (QTime t(9, 35); t <= QTime(16, 0); t = t.addSecs(300)) {
        QList<Quote> quotes;
        for (const QString &symbol : symbols) {
            const SimInstrument *instrument = model.instrument(symbol);
            QVERIFY(instrument);
            const QDateTime moment(day, t, MarketModel::zoneFor(instrument->market));
            quotes << quoteAt(*instrument, moment);
        }
        // Index quotes as the refresh routes them.
        for (const QString &index : DecisionEngine::backgroundIndexSymbols()) {
            if (const SimInstrument *instrument = model.instrument(index))
                w.background.insert(
                    index, quoteAt(*instrument, QDateTime(day, t, QTimeZone("Asia/Shanghai"))));
        }
        // At 10:30 the minute series arrive, as the home refresh fetches them: from then on
        // the stocks have real series (structure labels, medium trend support).
        if (t == QTime(10, 30)) {
            for (const Quote &q : quotes) {
                const SimInstrument *instrument = model.instrument(q.symbol);
                const std::shared_ptr<const SimDay> simDay = model.day(*instrument, day);
                const int done = MarketModel::minutesDoneAt(instrument->market, t);
                QVector<double> prices, positions, averages, volumes;
                double volume = 0, amount = 0;
                for (int i = 0; i < done; ++i) {
                    const QTime end = MarketModel::minuteEndTime(instrument->market, i);
                    volume += simDay->volume.at(i);
                    amount += simDay->amount.at(i);
                    prices << simDay->price.at(i);
                    positions << KSTradingPositionForIntradayTime(q.symbol,
                                                                  end.toString(u"HH:mm"_s));
                    averages << (volume > 0 ? amount / volume : simDay->price.at(i));
                    volumes << simDay->volume.at(i);
                }
                w.intraday.applyIntradaySeriesForSymbol(q.symbol, q.date, prices, positions,
                                                        averages, volumes);
                QVERIFY(w.intraday.isReal(q.symbol));
            }
        }
        QStringList merged;
        for (const Quote &q : quotes)
            merged << q.symbol;
        s.rollStateSnapshotsForwardForSymbols(merged);
        w.intraday.recordIntradaySamples(quotes);
        s.captureCurrentStateSnapshotsForQuotes(quotes);
        ++refreshes;

        for (const Quote &q : quotes) {
            const QuoteDecision d = w.engine->decisionForQuote(q);
            const QJsonObject current = s.currentStateSnapshotForSymbol(q.symbol);
            QCOMPARE(current, StateSnapshots::stateSnapshot(d));
            QCOMPARE(s.previousStateSnapshotForSymbol(q.symbol), lastCurrent.value(q.symbol));
            lastCurrent.insert(q.symbol, current);
            structures.insert(d.structureLine());

            QVERIFY2(words.contains(d.buyDecisionStatus()), qPrintable(d.buyDecisionStatus()));
            QVERIFY2(sells.contains(d.sellDecisionStatus()), qPrintable(d.sellDecisionStatus()));
            QCOMPARE(d.displayExecutionStatus(), d.buyDecisionStatus());
            QCOMPARE(d.mainDecisionState(), d.buyDecisionStatus());
            QVERIFY(d.executionStatus().startsWith(u"执行状态："_s));
            const int pressure = d.riskPressureScore();
            QVERIFY(pressure >= 0 && pressure <= 11);
            QVERIFY(s.stateContinuityDescriptionForQuote(q).startsWith(u"状态连续性："_s));
            QVERIFY(d.decisionPipelineSummary().startsWith(u"判定链：风险优先："_s));
            QCOMPARE(d.mainDecisionReasons().size(), 3);
        }
    }
    QVERIFY(refreshes > 60);
    QVERIFY(structures.size() > 1);
    // A full day of five-minute samples is decision data by the afternoon.
    const Quote last = quoteAt(*model.instrument(u"sh600519"_s),
                               QDateTime(day, QTime(14, 30), QTimeZone("Asia/Shanghai")));
    QVERIFY(w.engine->hasDecisionDataForQuote(last));
}

QTEST_GUILESS_MAIN(TestStateSnapshots)
#include "tst_statesnapshots.moc"
