// SPDX-License-Identifier: GPL-3.0-or-later
// State snapshots across refreshes: the roll and the capture, the risk-pressure score and
// the continuity line, by hand and over a replayed trading day.
#include "DecisionWorld.h"
#include "TestSupport.h"

#include "decision/StateSnapshots.h"
#include "intraday/TradingClock.h"
#include "sim/MarketModel.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

Q_DECLARE_METATYPE(std::optional<StateSnapshot>)

namespace {

// A quote of the simulated market at a moment, as the realtime feed would carry it.
Quote simQuote(const MarketModel &model, const SimInstrument &instrument, const QDateTime &moment)
{
    const SimSnapshot snap = model.snapshot(instrument, moment);
    Quote q = makeQuote(instrument.symbol, snap.price, snap.high, snap.low, snap.previousClose,
                        snap.time.toString(u"HH:mm:ss"_s));
    q.name = instrument.name;
    q.open = snap.open;
    q.volume = snap.volume;
    q.amount = snap.amount;
    q.date = snap.date.toString(u"yyyy-MM-dd"_s);
    return q;
}

const QString kUnder20 = u"P=19.97 H=20.2 L=19.8 PC=20 avg=20"_s;

} // namespace

class tst_StateSnapshots : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_world = std::make_unique<DecisionWorld>(); }
    void riskAndContinuity_data();
    void riskAndContinuity();
    void rollAndCapture();
    void replayedDay();

private:
    std::unique_ptr<DecisionWorld> m_world;
};

// The risk-pressure score and the continuity line against the previous snapshot (execution
// and risk words, or none); the quiet stock is 等确认, risk 守 10.00, structure 中位震荡.
void tst_StateSnapshots::riskAndContinuity_data()
{
    QTest::addColumn<QString>("terms");
    QTest::addColumn<std::optional<StateSnapshot>>("previous");
    QTest::addColumn<int>("pressure"); // -1: not pinned by this row
    QTest::addColumn<QString>("line");
    const auto row = [](const char *name, const QString &terms, const QString &previous,
                        int pressure, const QString &line,
                        const QString &structure = u"日内结构：中位震荡"_s) {
        QTest::newRow(name) << terms
                            << (previous.isEmpty() ? std::nullopt
                                                   : std::optional(stateFromWords(
                                                         previous.section(u' ', 0, 0),
                                                         previous.section(u' ', 1), 0, structure)))
                            << pressure << (line.isEmpty() ? QString() : u"状态连续性："_s + line);
    };
    const QString steady = u"较上一轮整体变化不大，先看当前节奏是否继续延续。"_s;
    const QString weakPullback = u"avg=10.25 r10=-0.12 r5=-0.24 v10=1.18"_s;
    row("no previous", {}, {}, 0, u"首轮观察，先看当前结构是否延续。"_s);
    row("everything", kUnder20 + u" A=-0.7 r5=-0.35"_s, {}, 11, {});
    row("severe, R5 -0.34, A -0.69", kUnder20 + u" A=-0.69 r5=-0.34"_s, {}, 9, {});
    row("lost line", u"avg=10.25 v5=1.05"_s, {}, 7, {});
    row("weak pullback", u"avg=10.21 r10=-0.12 r5=-0.24 v10=1.18"_s, {}, 6, {});
    row("stronger", {}, u"先防守 守 10.00"_s, -1, u"较上一轮转强，当前由先防守转为等确认。"_s);
    row("weaker", u"avg=10.25"_s, u"可跟踪 守 10.00"_s, -1,
        u"较上一轮转弱，当前由可跟踪转为先防守。"_s);
    row("into structural weakness", kUnder20 + u" A=-0.45"_s, u"先防守 失 20.00"_s, -1,
        u"较上一轮风险抬升，当前已进入结构转弱阶段。"_s);
    row("deeper pullback", weakPullback, u"先防守 失 10.25"_s, -1,
        u"较上一轮回踩加深，承接开始走弱。"_s);
    row("won back", u"dipped=true r5=0.05"_s, u"等确认 回踩中"_s, 2,
        u"较上一轮有所收回，先看这次修复能否真正站稳。"_s);
    // 看回踩 and 不追高 share a score, so the risk decides.
    row("easing, 不追高 to 看回踩", u"avg=10.21"_s, u"不追高 回踩偏弱"_s, 4,
        u"较上一轮风险有所缓和，重新回到回踩观察阶段。"_s);
    row("risk from 可控", {}, u"等确认 可控"_s, -1, u"风险状态由可控变化到守 10.00。"_s);
    row("a moved level is a change", {}, u"等确认 守 10.01"_s, -1,
        u"风险状态由守 10.01变化到守 10.00。"_s);
    row("数据不足 again", u"prices=0"_s, u"数据不足 数据不足"_s, -1, steady);
    row("structure improved", u"structure=日内结构：午后转强"_s, u"等确认 守 10.00"_s, -1,
        u"较上一轮结构改善，修复动作开始更明确。"_s);
    row("structure worsened", u"structure=日内结构：冲高回落"_s, u"等确认 守 10.00"_s, -1,
        u"较上一轮结构转差，需留意弱势是否继续扩散。"_s);
    row("structure changed", {}, u"等确认 守 10.00"_s, -1,
        u"结构标签较上一轮有变化，先看新结构能否延续。"_s, u"日内结构：高位横盘"_s);
    row("steady pullback", u"avg=10.21"_s, u"看回踩 回踩中"_s, -1,
        u"较上一轮大体稳定，当前仍在回踩观察区。"_s);
    row("steady recovery", u"dipped=true r5=0.05"_s, u"等确认 收回观察"_s, -1,
        u"较上一轮修复延续，当前仍在收回后的确认阶段。"_s);
    row("steady", {}, u"等确认 守 10.00"_s, -1, steady);
}

void tst_StateSnapshots::riskAndContinuity()
{
    QFETCH(QString, terms);
    QFETCH(std::optional<StateSnapshot>, previous);
    QFETCH(int, pressure);
    QFETCH(QString, line);
    const QuoteDecision d = m_world->decide(terms);
    if (pressure >= 0) {
        QCOMPARE(StateSnapshots::riskPressureScore(d), pressure);
        QCOMPARE(StateSnapshots::stateSnapshot(d).riskPressure, pressure);
    }
    if (!line.isEmpty())
        QCOMPARE(StateSnapshots::stateContinuityDescription(d, previous), line);
}

void tst_StateSnapshots::rollAndCapture()
{
    StateSnapshots &s = *m_world->snapshots;
    const Quote a = makeQuote(u"sh600000"_s, 10.2, 10.4, 9.8, 10.0);
    const Quote b = makeQuote(u"sz000001"_s, 11.0, 11.2, 10.8, 11.1);
    Quote blank = a;
    blank.symbol.clear();

    // A snapshot holds the six verdicts; a quote without a symbol has none.
    const QJsonObject first = s.stateSnapshotForQuote(a);
    QCOMPARE(first.keys(), (QStringList{u"buy"_s, u"execution"_s, u"risk"_s, u"riskPressure"_s,
                                        u"sell"_s, u"structure"_s}));
    QCOMPARE(first.value(u"buy"_s).toString(), u"数据不足"_s);
    QCOMPARE(first.value(u"structure"_s).toString(), u"结构标签暂不明确"_s);
    QVERIFY(s.stateSnapshotForQuote(blank).isEmpty());

    // First refresh: the roll finds nothing; the capture fills current only.
    s.rollStateSnapshotsForwardForSymbols({a.symbol, b.symbol, QString()});
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
    QCOMPARE(s.previousStateSnapshots().size(), 1);
}

// A simulated day, refreshed every five minutes: the snapshot pair always holds this refresh
// and the one before.
void tst_StateSnapshots::replayedDay()
{
    const QDate day(2026, 4, 28);
    DecisionWorld &w = *m_world;
    StateSnapshots &s = *w.snapshots;
    const MarketModel model;
    const QStringList symbols{u"sh600519"_s, u"sz300750"_s, u"hk00700"_s, u"sh688981"_s};

    QHash<QString, QJsonObject> lastCurrent;
    QSet<QString> structures;
    for (QTime t(9, 35); t <= QTime(16, 0); t = t.addSecs(300)) {
        QList<Quote> quotes;
        for (const QString &symbol : symbols) {
            const SimInstrument &i = *model.instrument(symbol);
            const QDateTime moment(day, t, MarketModel::zoneFor(i.market));
            quotes << simQuote(model, i, moment);
            // At 10:30 the minute series arrive, as the home refresh fetches them: from then
            // on the stocks have real series (structure labels, medium trend support).
            if (t != QTime(10, 30))
                continue;
            const std::shared_ptr<const SimDay> simDay = model.day(i, day);
            QVector<double> prices, positions, averages, volumes;
            double volume = 0, amount = 0;
            for (int k = 0; k < MarketModel::minutesDoneAt(i.market, t); ++k) {
                volume += simDay->volume.at(k);
                amount += simDay->amount.at(k);
                prices << simDay->price.at(k);
                positions << KSTradingPositionForIntradayTime(
                    symbol, MarketModel::minuteEndTime(i.market, k).toString(u"HH:mm"_s));
                averages << (volume > 0 ? amount / volume : prices.last());
                volumes << simDay->volume.at(k);
            }
            w.intraday.applyIntradaySeriesForSymbol(symbol, quotes.last().date, prices, positions,
                                                    averages, volumes);
        }
        s.rollStateSnapshotsForwardForSymbols(symbols);
        w.intraday.recordIntradaySamples(quotes);
        s.captureCurrentStateSnapshotsForQuotes(quotes);

        for (const Quote &q : quotes) {
            const QuoteDecision d = w.engine->decisionForQuote(q);
            const QJsonObject current = s.currentStateSnapshotForSymbol(q.symbol);
            QCOMPARE(current, StateSnapshots::stateSnapshot(d).toJson());
            QCOMPARE(s.previousStateSnapshotForSymbol(q.symbol), lastCurrent.value(q.symbol));
            lastCurrent.insert(q.symbol, current);
            structures.insert(d.structureLine());
            QVERIFY(s.stateContinuityDescriptionForQuote(q).startsWith(u"状态连续性："_s));
            QCOMPARE(d.mainDecisionReasons().size(), 3);
        }
    }
    QVERIFY(structures.size() > 1);
}

QTEST_GUILESS_MAIN(tst_StateSnapshots)
#include "tst_statesnapshots.moc"
