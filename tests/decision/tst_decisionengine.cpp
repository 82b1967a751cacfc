// SPDX-License-Identifier: GPL-3.0-or-later
// The decision engine's background, predicates, statuses and hints, and the state snapshots
// across refreshes (roll and capture, risk-pressure score, continuity line). Most tables pin
// the terms a rule reads (see DecisionWorld::decide) so every bound is hit exactly; the rest
// build the series and backgrounds by hand, or replay a simulated day, and check that the
// terms come out of the stores.
#include "DecisionWorld.h"
#include "TestSupport.h"

#include "decision/DecisionEngine.h"
#include "decision/QuoteDecision.h"
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

using Predicate = bool (QuoteDecision::*)() const;

const QHash<QString, Predicate> &predicates()
{
    static const QHash<QString, Predicate> table{
        {u"data"_s, &QuoteDecision::hasDecisionData},
        {u"lock"_s, &QuoteDecision::isStrongHighLock},
        {u"breakout"_s, &QuoteDecision::hasCleanBreakout},
        {u"chase"_s, &QuoteDecision::hasChaseRisk},
        {u"opening"_s, &QuoteDecision::isOpeningProtectionWindow},
        {u"closing"_s, &QuoteDecision::isClosingProtectionWindow},
        {u"medium"_s, &QuoteDecision::hasMediumTrendSupport},
        {u"holdBack"_s, &QuoteDecision::shouldHoldBackAggressiveBuy},
        {u"severe"_s, &QuoteDecision::hasSevereRisk},
        {u"lost"_s, &QuoteDecision::hasLostAverageSupport},
        {u"confirm"_s, &QuoteDecision::hasBuyConfirmation},
        {u"healthy"_s, &QuoteDecision::hasHealthyPullback},
        {u"weak"_s, &QuoteDecision::hasWeakPullback},
        {u"falseBreak"_s, &QuoteDecision::hasRecoveredFalseBreak},
        {u"breakBelow"_s, &QuoteDecision::breakBelowAverageAlertIsActive},
    };
    return table;
}

// Near the day high (H - P = 0.12 x range exactly) but not locked.
const QString kNearHigh = u"P=10.88 H=11 L=10 PC=10.5 "_s;
// A day around an average line of 20; add the price.
const QString kAt20 = u"H=20.2 L=19.8 PC=20 avg=20 "_s;
const QString kStrength = u" r15=0.08 r10=0.02 O=0.35 r30=0.15 pos=5000"_s;
const QString kWeakPullback = u" avg=10.25 r10=-0.12 r5=-0.24 v10=1.18"_s;

// One data row (terms, expected) per change of `base`, tagged "label: change".
template<typename T>
void rows(const char *label, const QString &base, const T &expected, const QStringList &changes)
{
    for (const QString &change : changes) {
        const QString tag =
            QString::fromUtf8(label) + u": "_s + (change.isEmpty() ? u"base"_s : change);
        QTest::newRow(tag.toUtf8().constData()) << QString(base + u' ' + change) << expected;
    }
}

} // namespace

class tst_DecisionEngine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_world = std::make_unique<DecisionWorld>(); }

    void backgroundScores();
    void backgroundBias_data();
    void backgroundBias();

    void predicate_data();
    void predicate();
    void termsFromTheStores();
    void noVolumeDataAndFreshSurge();
    void falseBreakWindow();

    void verdicts_data();
    void verdicts();
    void textTables();

    void riskAndContinuity_data();
    void riskAndContinuity();
    void rollAndCapture();
    void replayedDay();

private:
    QuoteDecision decide(const QString &terms) const { return m_world->decide(terms); }

    std::unique_ptr<DecisionWorld> m_world;
};

// --- Background ---

void tst_DecisionEngine::backgroundScores()
{
    DecisionWorld &w = *m_world;
    const DecisionEngine &e = *w.engine;
    const Quote star = makeQuote(u"sh688981"_s, 10, 10, 10, 10);

    // Each board's index, symbols compared lower-cased; everything else is 沪市.
    const QList<std::array<QString, 3>> boards{
        {u"sh688981"_s, u"sh000688"_s, u"科创板"_s}, {u"SH688981"_s, u"sh000688"_s, u"科创板"_s},
        {u"sz300750"_s, u"sz399006"_s, u"创业板"_s}, {u"sz000001"_s, u"sz399001"_s, u"深市"_s},
        {u"bj430047"_s, u"bj899050"_s, u"北交所"_s}, {u"sh600000"_s, u"sh000001"_s, u"沪市"_s},
        {u"hk00700"_s, u"sh000001"_s, u"沪市"_s},    {u"gb_aapl"_s, u"sh000001"_s, u"沪市"_s}};
    for (const auto &[symbol, index, board] : boards) {
        const Quote q = makeQuote(symbol, 1, 1, 1, 1);
        QCOMPARE(DecisionEngine::boardBackgroundSymbolForQuote(q), index);
        QCOMPARE(DecisionEngine::boardBackgroundNameForQuote(q), board);
    }

    // Before the first refresh: neutral lines, the board named all the same.
    QCOMPARE(e.marketBackgroundScoreForQuote(star), 0.0);
    QCOMPARE(e.boardBackgroundScoreForQuote(star), 0.0);
    QCOMPARE(e.marketBackgroundDescriptionForQuote(star), u"指数背景：市场中性"_s);
    QCOMPARE(e.boardBackgroundDescriptionForQuote(star), u"板块背景：科创板中性"_s);

    // Only the composite: the mean is over present indices.
    w.setBackground(u"sh000001"_s, 1.2);
    QCOMPARE(e.marketBackgroundScoreForQuote(star), 1.2);
    QVERIFY(e.backgroundQuoteForSymbol(u"SH000001"_s));
    // STAR and Beijing do not count towards the market.
    w.setBackground(u"sh000688"_s, -3.0);
    w.setBackground(u"bj899050"_s, -3.0);
    w.setBackground(u"sz399001"_s, 0.6);
    w.setBackground(u"sz399006"_s, -0.3);
    QCOMPARE(e.marketBackgroundScoreForQuote(star), 0.5);
    QCOMPARE(e.boardBackgroundScoreForQuote(star), -3.0);
    QCOMPARE(e.boardBackgroundDescriptionForQuote(star), u"板块背景：科创板明显偏弱"_s);
    QCOMPARE(e.boardBackgroundScoreForQuote(makeQuote(u"sz300750"_s, 1, 1, 1, 1)), -0.3);
}

void tst_DecisionEngine::backgroundBias_data()
{
    QTest::addColumn<QString>("terms");
    QTest::addColumn<int>("bias");
    rows("weak", {}, -1,
         {u"dailyWeak=true dailySupportive=true O=2 M=2 B=2 structure=日内结构：午后转强"_s,
          u"dailySupportive=true structure=日内结构：冲高回落"_s, u"B=-0.6"_s, u"M=-0.4"_s,
          u"O=-0.6 A=0.1"_s, u"structure=日内结构：午后转弱"_s, u"O=2 M=-0.4"_s});
    rows("neutral", {}, 0,
         {u"B=-0.59"_s, u"M=-0.39"_s, u"O=-0.6 A=0.11"_s, u"O=-0.59 A=-1"_s, u"O=0.34"_s,
          u"A=0.24"_s, u"M=0.24"_s, u"B=0.34"_s, QString()});
    rows("supportive", {}, 1,
         {u"dailySupportive=true"_s, u"structure=日内结构：午后转强"_s,
          u"structure=日内结构：低位反抽"_s, u"O=0.35"_s, u"A=0.25"_s, u"M=0.25"_s, u"B=0.35"_s});
}

void tst_DecisionEngine::backgroundBias()
{
    QFETCH(QString, terms);
    QFETCH(int, bias);
    const QuoteDecision d = decide(terms);
    QCOMPARE(d.backgroundBias(), bias);
    QCOMPARE(d.hasSupportiveBackground(), bias > 0);
    QCOMPARE(d.hasWeakBackground(), bias < 0);
}

// --- Predicates ---

void tst_DecisionEngine::predicate_data()
{
    QTest::addColumn<QString>("terms");
    QTest::addColumn<bool>("expected");

    // Each predicate at its bounds, and one row per further condition it checks.
    rows("data", u"prices=4 positions=4"_s, true, {{}});
    rows("data", {}, false, {u"prices=3"_s, u"positions=3"_s, u"H=10 L=10"_s, u"avg=0"_s});

    // Strong high lock: CP >= 8.5 within max(0.05 x range, 0.02) of the high.
    const QString lock = u"P=217 H=217 L=200 PC=200"_s;
    rows("lock", {}, true, {lock, u"H=12 L=8 PC=10 P=11.8"_s, u"H=10.1 L=10 PC=9 P=10.08"_s});
    rows("lock", {}, false,
         {lock + u" P=216.98"_s, u"H=12 L=8 PC=10 P=11.79"_s, u"H=10.1 L=10 PC=9 P=10.07"_s});

    const QString bo = kNearHigh + u"avg=10.5 r5=0.18 r10=0.08 v5=1.05"_s;
    rows("breakout", bo, true, {{}, u"v5=3"_s});
    rows("breakout", bo, false,
         {u"P=10.87"_s, u"r5=0.17"_s, u"r10=0.07"_s, u"v5=1.04"_s, u"v5=3.01"_s, u"avg=10.89"_s,
          u"dailyWeak=true"_s, u"B=-0.6"_s});

    // Chase risk: a calm rise to the high (R5 0.18, R10 0.02, V5 1.0) is none.
    const QString ch = u"avg=10.5 r5=0.18 r10=0.02 v5=1 "_s;
    rows("chase", kNearHigh + ch, true,
         {u"r5=0.17"_s, u"r10=0.019"_s, u"v5=3"_s, u"v5=0.85"_s, u"M=-0.4"_s});
    rows("chase", kNearHigh + ch, false, {{}, u"v5=2.99"_s, u"v5=0.86"_s, u"P=10.87 r5=0"_s});
    rows("chase/locked or clean breakout", {}, false, {ch + u"r5=0 "_s + lock, bo});

    // Protection windows (A-share maximum 14400, Hong Kong 19800, US 23400).
    rows("opening", {}, true, {u"pos=1799"_s});
    rows("opening", {}, false, {u"pos=-1"_s, u"pos=1800"_s});
    rows("closing", {}, true,
         {u"pos=12600"_s, u"symbol=hk00700 pos=18000"_s, u"symbol=gb_aapl pos=21600"_s});
    rows("closing", {}, false,
         {u"pos=12599"_s, u"symbol=hk00700 pos=17999"_s, u"symbol=gb_aapl pos=21599"_s});

    // Medium trend support over 30 or 60 minutes; P 10.2 stands above AVG 10.
    const QString md = u"pos=5000 r30=0.15 O=-0.25 r60=-1"_s;
    const QString md60 = u"pos=3600 r30=0 O=0 r60=-0.05"_s;
    rows("medium", {}, true, {md, md + u" pos=1800"_s, md60});
    rows("medium", md, false, {u"r30=0.14"_s, u"O=-0.26"_s, u"avg=10.3"_s, u"pos=1799"_s});
    rows("medium", md60, false, {u"r60=-0.06"_s, u"pos=3599"_s});

    // Holding back an aggressive buy; supported mid-session as above.
    const QString hb = u"pos=5000 r30=0.15 r15=0.18 v5=1.44"_s;
    rows("holdBack", hb, false, {{}, u"pos=13000"_s});
    rows("holdBack", hb, true,
         {u"pos=1000"_s, u"real=false"_s, u"pos=13000 r15=0.17"_s, u"pos=13000 v5=1.45"_s});

    // Severe risk; AVG 20, P 19.97 is exactly a break below (0.0015 x 20).
    const QString sv = kAt20 + u"P=19.97 A=-0.45"_s;
    const QString fade = kAt20 + u"P=19.99 structure=日内结构：冲高回落"_s;
    rows("severe", {}, true, {sv, fade, fade + u" structure=日内结构：午后转弱"_s});
    rows("severe", {}, false,
         {sv + u" A=-0.44"_s, sv + u" P=19.98"_s, fade + u" O=0.01"_s, fade + u" P=20"_s});

    // Lost average support; AVG 16: 0.003 x 16 = 0.048; at 1.04 the 0.02 floor applies.
    const QString q16 = u"P=15.952 H=16.2 L=15.8 PC=16.1 avg=16"_s;
    const QString q104 = u"H=1.05 L=0.99 PC=1.02 avg=1.04 P="_s;
    rows("lost", q16, true,
         {{}, u"P=15.99 A=-0.45"_s, u"P=15.97 r5=-0.12 A=-0.2"_s, q104 + u"1"_s});
    rows("lost", q16, false,
         {u"P=15.953"_s, u"P=15.99 A=-0.44"_s, u"P=15.97 r5=-0.11 A=-0.2"_s,
          u"P=15.97 r5=-0.12 A=-0.19"_s, q104 + u"1.001"_s});

    const QString bc = u"r5=-0.03 v5=1.2 r15=0.08 r10=0.02 v10=1.15"_s;
    rows("confirm", bc, true, {{}, u"avg=10.2"_s, u"v5=-1 v10=-1"_s});
    rows("confirm", bc, false,
         {u"avg=10.21"_s, u"r5=-0.031"_s, u"v5=1.21"_s, u"r15=0.079"_s, u"r10=0.019"_s,
          u"v10=1.16"_s});

    // Healthy pullback: 19.87 is 0.65 % under 20. Weak: volume expands (V10 1.18 or V5 1.12).
    const QString hp = kAt20 + u"P=19.87 r10=-0.17 r5=-0.27 v5=1 v10=1.1"_s;
    rows("healthy", hp, true, {{}, u"v5=-1 v10=-1"_s});
    rows("healthy", hp, false,
         {u"P=19.86"_s, u"r10=-0.18"_s, u"r5=-0.28"_s, u"v5=1.01"_s, u"v10=1.11"_s});
    const QString wp = kAt20 + u"P=19.9 r10=-0.12 r5=-0.24 v10=1.18 v5=1"_s;
    rows("weak", wp, true, {{}, u"v10=1.17 v5=1.12"_s, u"v10=-1 v5=surge"_s});
    rows("weak", wp, false, {u"v10=1.17 v5=1.11"_s, u"r10=-0.11"_s, u"r5=-0.23"_s, u"P=20"_s});

    const QString fb = kAt20 + u"P=20 dipped=true v5=1.15 v10=1.15 r5=0.05 r10=0 r15=0"_s;
    rows("falseBreak", fb, true, {{}, u"v5=-1 v10=-1"_s});
    rows("falseBreak", fb, false,
         {u"v5=1.16"_s, u"v10=1.16"_s, u"dipped=false"_s, u"r5=0.049"_s, u"r10=-0.01"_s,
          u"r15=-0.01"_s, u"P=19.99"_s, u"B=-0.6"_s});

    // Break below the average line: AVG - P >= max(0.0015 x AVG, 0.02).
    rows("breakBelow", {}, true, {kAt20 + u"P=19.97"_s, u"P=1 avg=1.02"_s});
    rows("breakBelow", {}, false, {kAt20 + u"P=19.98"_s, u"P=1 avg=1.019"_s, u"P=0 avg=1.02"_s});
}

void tst_DecisionEngine::predicate()
{
    QFETCH(QString, terms);
    QFETCH(bool, expected);
    // The tag names the predicate before its ":" (and any "/").
    const QString tag = QString::fromUtf8(QTest::currentDataTag());
    const Predicate member = predicates().value(tag.section(u':', 0, 0).section(u'/', 0, 0));
    QVERIFY(member);
    QCOMPARE((decide(terms).*member)(), expected);
}

// The terms come from the series, the daily cache and the background when nothing pins them.
void tst_DecisionEngine::termsFromTheStores()
{
    DecisionWorld &w = *m_world;
    const DecisionEngine &e = *w.engine;
    const QString s = u"sh600000"_s;

    // Before any data: every status is 数据不足 and every status hint the confidence reason.
    const Quote empty = makeQuote(u"sh600000"_s, 0, 0, 0, 0);
    const QList<DecisionEngine::ScenarioMetric> metrics = e.scenarioMetricsForQuote(empty);
    QCOMPARE(metrics.size(), 4);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(metrics.at(i).kind, static_cast<ScenarioKind>(i));
        QCOMPARE(metrics.at(i).value, u"数据不足"_s);
        QCOMPARE(metrics.at(i).hint, u"分时、均价线或量能样本不足，先不强行下结论。"_s);
    }
    QCOMPARE(metrics.at(3).value, u"等待数据"_s);

    // A known day but no series: the reasons come out trimmed and at most three.
    const Quote known = makeQuote(u"sh600000"_s, 10.2, 10.4, 9.8, 10.0);
    const QStringList reasons = e.mainDecisionReasonsForQuote(known);
    QCOMPARE(reasons.size(), 3);
    QCOMPARE(reasons.first(), e.riskPriorityReasonForQuote(known));
    QVERIFY(e.decisionPipelineSummaryForQuote(known).endsWith(u"置信度=低。"_s));

    // No series: the position comes from the quote's time.
    Quote q = makeQuote(s, 10.2, 10.4, 9.8, 10.0, u"10:00:00"_s);
    QCOMPARE(e.latestTradingPositionForQuote(q), 1800.0);
    QVERIFY(!e.isOpeningProtectionWindowForQuote(q));
    q.time = u"09:59:59"_s;
    QVERIFY(e.isOpeningProtectionWindowForQuote(q));
    q.time = QString(); // unreadable: in neither window
    QCOMPARE(e.latestTradingPositionForQuote(q), -1.0);
    QVERIFY(!e.isOpeningProtectionWindowForQuote(q) && !e.isClosingProtectionWindowForQuote(q));

    // A morning series: A is measured from the latest sample itself, so it is 0.
    w.applySeries(s, {10.0, 10.1, 10.2, 10.1, 10.3}, {0, 600, 1200, 1800, 2400},
                  {10.0, 10.05, 10.1, 10.1, 10.15}, {0, 100, 100, 100, 100});
    q = makeQuote(s, 10.3, 10.4, 9.8, 10.0, u"10:10:00"_s);
    QuoteDecision d = e.decisionForQuote(q);
    QCOMPARE(d.latestTradingPosition(), 2400.0); // the series wins over the quote's time
    QCOMPARE(d.average(), 10.15);
    QCOMPARE(d.middayChange(), 0.0);
    QVERIFY(qAbs(d.openChange() - 3.0) < 1e-9);

    // One sample: O and A are 0, and there is no decision data.
    w.applySeries(s, {10.0}, {0}, {10.0});
    d = e.decisionForQuote(q);
    QCOMPARE(QList<double>({d.openChange(), d.middayChange()}), QList<double>({0.0, 0.0}));
    QVERIFY(!d.hasDecisionData());

    // Daily context and staleness from the cache.
    w.setDailyContext(s, u"日线背景：下跌中继风险"_s);
    d = e.decisionForQuote(q);
    QVERIFY(!d.dailyDataIsStale() && d.hasWeakDailyBackground());
    QCOMPARE(d.backgroundBias(), -1);
    w.setDailyContext(s, u"日线背景：趋势配合"_s, false);
    d = e.decisionForQuote(q);
    QVERIFY(d.dailyDataIsStale() && d.hasSupportiveDailyBackground());
    QCOMPARE(e.backgroundPriorityReasonForQuote(q),
             u"背景过滤：日内背景偏支持（指数背景：市场中性；板块背景：沪市中性）"_s);

    // Market and board from the index quotes.
    w.setBackground(u"sh000001"_s, -0.5);
    QVERIFY(e.hasWeakBackgroundForQuote(q)); // the board score -0.5 is not weak, M -0.5 is
    QCOMPARE(e.backgroundPriorityReasonForQuote(q),
             u"背景过滤：日内背景偏弱（指数背景：市场温和偏弱；板块背景：沪市温和偏弱）"_s);
}

// A series without volumes has no volume ratios (-1): calm for the calm tests, a chase at
// the high. A volume burst after silence is the fresh-surge ratio.
void tst_DecisionEngine::noVolumeDataAndFreshSurge()
{
    const DecisionEngine &e = *m_world->engine;
    const QString s = u"sh600000"_s;
    QVector<double> prices, positions, averages(21, 10.0), volumes(21, 0.0);
    for (int i = 0; i <= 20; ++i) {
        prices << 10.0 + 0.01 * i;
        positions << 5000.0 + 60 * i;
    }
    const Quote q = makeQuote(s, 10.2, 10.4, 9.8, 10.0);
    const Quote atHigh = makeQuote(s, 10.2, 10.2, 9.8, 10.0);
    m_world->applySeries(s, prices, positions, averages);
    QCOMPARE(e.decisionForQuote(q).volumeRatio(5), -1.0);
    QVERIFY(e.decisionForQuote(q).hasBuyConfirmation());
    QVERIFY(e.hasChaseRiskForQuote(atHigh) && !e.hasCleanBreakoutForQuote(atHigh));

    volumes.last() = 5000;
    m_world->applySeries(s, prices, positions, averages, volumes);
    const QuoteDecision surge = e.decisionForQuote(q);
    QCOMPARE(surge.volumeRatio(5), kSurge);
    QVERIFY(!surge.hasBuyConfirmation());
    QCOMPARE(surge.decisionConfidence(), Confidence::Low);
    QVERIFY(e.hasChaseRiskForQuote(atHigh));
}

// The dip under the line must be among the five samples before the latest, under a real
// average; everything but the dip is pinned to a passing value.
void tst_DecisionEngine::falseBreakWindow()
{
    const auto dipped = [&](const QVector<double> &prices, QVector<double> averages = {}) {
        QVector<double> positions;
        for (qsizetype i = 0; i < prices.size(); ++i)
            positions << 3000.0 + 60 * i;
        m_world->applySeries(u"sh600000"_s, prices, positions,
                             averages.isEmpty() ? QVector<double>(prices.size(), 10.0) : averages);
        return decide(u"P=10.1 H=10.2 dipped=- r5=0.1 r10=0.1 r15=0.1"_s).hasRecoveredFalseBreak();
    };
    QVERIFY(dipped({9.9, 10.1, 10.1, 10.1, 10.1, 10.1}));
    QVERIFY(!dipped({9.9, 10.1, 10.1, 10.1, 10.1, 10.1, 10.1})); // too old
    QVERIFY(!dipped({9.9, 9.9, 9.9, 9.9, 10.1}));                // too few samples
    QVERIFY(!dipped({9.9, 10.1, 10.1, 10.1, 10.1, 10.1}, {0, 10, 10, 10, 10, 10}));
    QVERIFY(!dipped({10.1, 10.1, 10.1, 10.1, 10.1, 9.9, 10.1}, QVector<double>(6, 10.0)));
}

// --- Statuses, reasons, directives and hints ---

void tst_DecisionEngine::verdicts_data()
{
    QTest::addColumn<QString>("terms");
    QTest::addColumn<QStringList>("expected"); // "field text", fields as in verdicts()
    const auto row = [](const char *name, const QString &terms, const QStringList &expected) {
        QTest::newRow(name) << terms << expected;
    };
    const QString repair = u"words 修复确认中|等确认|继续观察|执行状态：等待确认|守 10.00"_s;
    const QString pullback = u"words 回踩观察|看回踩|看承接|执行状态：先看回踩|回踩中"_s;
    const QString defend = u"|先防守|先防守|执行状态：先防守|"_s;
    const QString noData = u"分时、均价线或量能样本不足，先不强行下结论。"_s;
    const QString general =
        u"levelHint 盯位表示接下来最值得盯的价格位置，用来帮助你判断强弱是否继续延续。"_s;
    const QString atHigh = kNearHigh + kWeakPullback + u" avg=10.95 "_s;

    // Core risk state, the statuses and their order of tests.
    row("quiet", {},
        {repair, u"grade 高"_s, u"level 10.40 / 9.80"_s,
         u"summary 判定链：风险优先：未见明显失控风险；背景过滤：背景中性，仍需确认（日线背景："
         u"数据不足）；近端确认：节奏或量能仍差一步确认。当前结果：机会=等确认，防守=继续观察，"
         u"当前=等确认，置信度=高。"_s});
    row("no data", u"prices=3"_s,
        {u"words 修复确认中|数据不足|数据不足|执行状态：数据不足|数据不足"_s, u"grade 低"_s,
         u"confidence "_s + noData, u"buyHint "_s + noData, u"sellHint "_s + noData,
         u"executionHint "_s + noData,
         u"directive 下一步先等分时、均价线和量能样本更完整，再判断当前强弱。"_s});
    row("strength", kStrength,
        {u"words 转强成立|可跟踪|继续跟踪|执行状态：跟踪窗口|守 10.00"_s,
         u"directive 下一步看均价线 10.00 附近是否稳住，守住后可继续跟踪。"_s});
    row("strength held back at the open", kStrength + u" pos=1000"_s, {repair});
    row("strength on a weak daily", kStrength + u" dailyWeak=true"_s, {repair});
    row("healthy pullback", u"avg=10.23"_s,
        {pullback, u"confirmation 近端确认：回踩质量尚可，先看能否稳住再延续"_s});
    row("just below the line on more volume", u"avg=10.23 v5=1.05"_s,
        {pullback, u"confirmation 近端确认：当前仍在均价线 10.23 下方"_s});
    row("weak pullback", kWeakPullback,
        {u"words 风险抬升"_s + defend + u"回踩偏弱"_s,
         u"riskReason 风险优先：回踩偏弱，承接开始变差"_s});
    row("lost line", u"avg=10.25"_s,
        {u"words 风险抬升"_s + defend + u"失 10.25"_s,
         u"riskReason 风险优先：关键位已失守（失 10.25）"_s});
    row("severe", kAt20 + u"P=19.97 A=-0.45"_s, {u"words 结构转弱"_s + defend + u"结构转弱"_s});
    row("won-back false break", kAt20 + u"P=20 dipped=true r5=0.05"_s,
        {u"words 修复确认中|等确认|看承接|执行状态：等待确认|收回观察"_s,
         u"confirmation 近端确认：短线假跌破后已收回，可继续看均价线是否站稳"_s});
    row("chase, up on the day", kNearHigh + u"avg=10.5"_s,
        {u"words 修复确认中|不追高|防回落|执行状态：不追高|守 10.50"_s,
         u"confirmation 追价过滤：当前位置接近日高，不宜直接追"_s,
         u"directive 下一步先等回落后的确认，不把接近 11.00 的位置直接当成追价点。"_s,
         u"tag 不追：当前位置更像追价区，尤其接近日高 11.00 且确认不足时，先等回踩后的再判断。"_s});
    row("chase, down on the day", kNearHigh + u"PC=11.5 avg=10.5"_s,
        {u"words 修复确认中|不追高|继续观察|执行状态：不追高|守 10.50"_s});
    // Weak pullback words the risk "回踩偏弱", so the sell status reaches the chase test.
    row("weak pullback at the high", atHigh,
        {u"words 风险抬升|不追高|防回落|执行状态：不追高|回踩偏弱"_s});
    row("above the line, O and A negative", u"O=-0.1 A=-0.1"_s,
        {u"words 修复确认中|等确认|继续观察|执行状态：等待确认|看 9.80"_s});
    row("above the line, no day low", u"L=0 H=20 O=-0.1 A=-0.1"_s,
        {u"words 修复确认中|等确认|继续观察|执行状态：等待确认|可控"_s});

    // Background lines: each once, and the inclusive thresholds M 0.15, M -0.15 and B 1.0.
    const auto lines = [&](const char *name, const QString &score, const QString &market,
                           const QString &board) {
        row(name, u"M="_s + score + u" B="_s + score,
            {u"market 指数背景：市场"_s + market, u"board 板块背景：沪市"_s + board});
    };
    lines("background 1.0", u"1.0"_s, u"偏强"_s, u"明显偏强"_s);
    lines("background 0.2", u"0.2"_s, u"温和偏强"_s, u"温和偏强"_s);
    lines("background 0.15", u"0.15"_s, u"温和偏强"_s, u"中性"_s);
    lines("background 0.14", u"0.14"_s, u"中性"_s, u"中性"_s);
    lines("background -0.15", u"-0.15"_s, u"温和偏弱"_s, u"中性"_s);
    lines("background -0.2", u"-0.2"_s, u"温和偏弱"_s, u"温和偏弱"_s);
    lines("background -1.0", u"-1.0"_s, u"偏弱"_s, u"明显偏弱"_s);

    // Directives and reasons whose rules come before the state's own.
    row("strong high lock", u"P=217 H=217 L=200 PC=200"_s,
        {u"directive 下一步重点观察高位稳定性和回落风险，不把强势高位直接当成追价点。"_s});
    row("clean breakout", kNearHigh + u"avg=10.5 r5=0.18 r10=0.08 v5=1.05"_s,
        {u"directive 下一步看突破后的回踩是否守住 10.50，站稳后再继续跟踪。"_s});
    row("confirmed", u"r15=0.08 r10=0.02"_s,
        {u"confirmation 近端确认：均价线、节奏与量能配合基本成立"_s});
    row("daily slide", u"daily=日线背景：下跌中继风险 dailyWeak=true"_s,
        {u"background 背景过滤：日线背景：下跌中继风险，盘中修复先降级观察"_s});
    row("weak background", u"B=-0.6"_s,
        {u"background 背景过滤：日内背景偏弱（指数背景：市场中性；板块背景：沪市温和偏弱）"_s});

    // Confidence, first match wins.
    row("fresh surge", u"v5=surge dailyStale=true"_s,
        {u"grade 低"_s, u"confidence 近端量能读数过热或异常，判断自动降级。"_s});
    row("V5 6.0", u"v5=6"_s, {u"grade 低"_s});
    row("V5 5.99, stale daily", u"v5=5.99 dailyStale=true pos=100"_s, {u"grade 中"_s});
    row("opening, 4 samples", u"pos=1799 prices=4"_s, {u"grade 中"_s});
    row("11 samples", u"prices=11"_s, {u"grade 中"_s});
    row("12 samples", u"prices=12"_s, {u"grade 高"_s});

    // The buy hint of 等确认: opening window, closing window, medium support, in that order.
    row("wait, opening", u"pos=1000 real=false"_s,
        {u"buyHint 开盘前30分钟波动容易失真，即使短线转强，也先降级为等确认。"_s});
    row("wait, closing", u"pos=13000 real=false"_s,
        {u"buyHint 尾盘容易出现抢跑或回落，除非延续性很清楚，否则先等确认。"_s});
    row("wait, no medium support", u"real=false"_s,
        {u"tag 等确认：短线有修复，但30分钟结构还没配合，所以先不显示积极标签。"_s});
    row("wait, one step short", u"r30=0.15 pos=5000"_s,
        {u"buyHint 条件接近，但还差最后一步确认。继续看价格能否稳住均价线 10.00，或回踩后承接是否"
         u"成立。"_s});

    // Key levels before the data is complete.
    row("high and low without a line", u"avg=0"_s, {u"level 10.40 / 9.80"_s, general});
    row("line without high and low", u"H=0 L=0"_s,
        {u"level 均价 10.00"_s,
         u"levelHint 盯位是接下来最该关注的价格区。当前优先看均价线 10.00 能否站稳或收回。"_s});
    row("nothing yet", u"H=0 L=0 P=0 avg=0"_s, {u"level 等待数据"_s, general});
}

void tst_DecisionEngine::verdicts()
{
    QFETCH(QString, terms);
    QFETCH(QStringList, expected);
    using Text = QString (QuoteDecision::*)() const;
    static const QHash<QString, Text> texts{
        {u"confidence"_s, &QuoteDecision::decisionConfidenceReason},
        {u"riskReason"_s, &QuoteDecision::riskPriorityReason},
        {u"background"_s, &QuoteDecision::backgroundPriorityReason},
        {u"confirmation"_s, &QuoteDecision::confirmationPriorityReason},
        {u"summary"_s, &QuoteDecision::decisionPipelineSummary},
        {u"directive"_s, &QuoteDecision::nextWatchDirective},
        {u"buyHint"_s, &QuoteDecision::buyStatusHint},
        {u"sellHint"_s, &QuoteDecision::sellStatusHint},
        {u"executionHint"_s, &QuoteDecision::executionStatusHint},
        {u"level"_s, &QuoteDecision::keyLevelScenario},
        {u"levelHint"_s, &QuoteDecision::keyLevelHint},
        {u"market"_s, &QuoteDecision::marketBackgroundDescription},
        {u"board"_s, &QuoteDecision::boardBackgroundDescription},
        {u"tag"_s, &QuoteDecision::homeBuyTagHint},
    };
    const QuoteDecision d = decide(terms);
    for (const QString &item : expected) {
        const QString field = item.section(u' ', 0, 0);
        const QString text = item.section(u' ', 1);
        if (field == u"words") { // state|buy|sell|long execution|risk
            const QStringList words = text.split(u'|');
            QCOMPARE(d.coreRiskState(), words.at(0));
            QCOMPARE(d.buyDecisionStatus(), words.at(1));
            QCOMPARE(d.sellDecisionStatus(), words.at(2));
            QCOMPARE(d.executionStatus(), words.at(3));
            QCOMPARE(d.riskStatus(), words.at(4));
            continue;
        }
        if (field == u"grade") {
            QCOMPARE(toText(d.decisionConfidence()), text);
            continue;
        }
        const Text member = texts.value(field);
        QVERIFY2(member, qPrintable(field));
        QCOMPARE((d.*member)(), text);
    }
    // The short execution status and the main decision always equal the buy status, and
    // each metric shows its own hint.
    QCOMPARE(d.displayExecutionStatus(), d.buyDecisionStatus());
    QCOMPARE(d.mainDecisionState(), d.buyDecisionStatus());
    QCOMPARE(d.scenarioMetricHint(ScenarioKind::Opportunity), d.buyStatusHint());
    QCOMPARE(d.scenarioMetricHint(ScenarioKind::Defense), d.sellStatusHint());
    QCOMPARE(d.scenarioMetricHint(ScenarioKind::Current), d.executionStatusHint());
    QCOMPARE(d.scenarioMetricHint(ScenarioKind::KeyLevel), d.keyLevelHint());
}

// Each value reads back from its own text, no two share one, and a stray text reads as none.
template<typename... E>
void roundTrip()
{
    (
        [] {
            QSet<QString> texts;
            for (const E value : enumValues<E>()) {
                QCOMPARE(fromText<E>(toText(value)), std::optional<E>(value));
                texts.insert(toText(value));
            }
            QCOMPARE(texts.size(), qsizetype(enumValues<E>().size()));
            QCOMPARE(fromText<E>(u"日内结构"), std::nullopt);
        }(),
        ...);
}

void tst_DecisionEngine::textTables()
{
    roundTrip<CoreRiskState, ActionStatus, SellStatus, ExecutionPhase, RiskWord, ScenarioKind,
              Confidence, IntradayStructure, AfternoonSession, DailyContext>();
}

// --- State snapshots ---

// The risk-pressure score and the continuity line against the previous snapshot (execution
// and risk words, or none); the quiet stock is 等确认, risk 守 10.00, structure 中位震荡.
void tst_DecisionEngine::riskAndContinuity_data()
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

void tst_DecisionEngine::riskAndContinuity()
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

void tst_DecisionEngine::rollAndCapture()
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
void tst_DecisionEngine::replayedDay()
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
                positions << TradingClock::position(
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

QTEST_GUILESS_MAIN(tst_DecisionEngine)
#include "tst_decisionengine.moc"
