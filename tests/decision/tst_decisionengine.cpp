// The decision engine's background, predicates, statuses and hints. Most tables pin the
// terms a rule reads (DecisionInputs) so every bound is hit exactly; the rest build the
// series and backgrounds by hand and check that the terms come out of the stores.
#include "DecisionWorld.h"

#include "decision/DecisionEngine.h"
#include "decision/QuoteDecision.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

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
const QVariantMap kNearHigh{{u"P"_s, 10.88}, {u"H"_s, 11.0}, {u"L"_s, 10.0}, {u"PC"_s, 10.5}};
// Just under an average line of 20 with the day around it.
QVariantMap around20(double price)
{
    return {{u"P"_s, price}, {u"H"_s, 20.2}, {u"L"_s, 19.8}, {u"PC"_s, 20.0}};
}

} // namespace

class TestDecisionEngine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();

    void boardBackground_data();
    void boardBackground();
    void backgroundScores();
    void backgroundLines_data();
    void backgroundLines();
    void backgroundBias_data();
    void backgroundBias();

    void predicate_data();
    void predicate();
    void termsFromTheStores();
    void withoutAverageLine();
    void noVolumeDataAndFreshSurge();
    void falseBreakWindow_data();
    void falseBreakWindow();

    void labels_data();
    void labels();
    void statuses_data();
    void statuses();
    void confidence_data();
    void confidence();
    void priorityReasons_data();
    void priorityReasons();
    void pipelineAndReasons();
    void directive_data();
    void directive();

    void keyLevels_data();
    void keyLevels();
    void statusHints_data();
    void statusHints();
    void metricsAndTags();

private:
    QuoteDecision decide(const QVariantMap &quoteFields, const QVariantMap &terms);

    std::unique_ptr<DecisionWorld> m_world;
};

void TestDecisionEngine::init()
{
    m_world = std::make_unique<DecisionWorld>();
    QVERIFY(m_world->dir.isValid());
}

QuoteDecision TestDecisionEngine::decide(const QVariantMap &quoteFields, const QVariantMap &terms)
{
    return m_world->decide(quoteFields, terms);
}

// --- Background ---

void TestDecisionEngine::boardBackground_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QString>("index");
    QTest::addColumn<QString>("board");
    QTest::newRow("STAR") << u"sh688981"_s << u"sh000688"_s << u"科创板"_s;
    QTest::newRow("STAR upper case") << u"SH688981"_s << u"sh000688"_s << u"科创板"_s;
    QTest::newRow("ChiNext") << u"sz300750"_s << u"sz399006"_s << u"创业板"_s;
    QTest::newRow("Shenzhen") << u"sz000001"_s << u"sz399001"_s << u"深市"_s;
    QTest::newRow("Beijing") << u"bj430047"_s << u"bj899050"_s << u"北交所"_s;
    QTest::newRow("Shanghai") << u"sh600000"_s << u"sh000001"_s << u"沪市"_s;
    QTest::newRow("Hong Kong") << u"hk00700"_s << u"sh000001"_s << u"沪市"_s;
    QTest::newRow("US") << u"gb_aapl"_s << u"sh000001"_s << u"沪市"_s;
    QTest::newRow("empty") << QString() << u"sh000001"_s << u"沪市"_s;
}

void TestDecisionEngine::boardBackground()
{
    QFETCH(QString, symbol);
    QFETCH(QString, index);
    QFETCH(QString, board);
    Quote q;
    q.symbol = symbol;
    QCOMPARE(DecisionEngine::boardBackgroundSymbolForQuote(q), index);
    QCOMPARE(DecisionEngine::boardBackgroundNameForQuote(q), board);
}

void TestDecisionEngine::backgroundScores()
{
    DecisionWorld &w = *m_world;
    const DecisionEngine &e = *w.engine;
    const Quote star = makeQuote(u"sh688981"_s, 10, 10, 10, 10);

    // Before the first refresh: neutral lines, the board named all the same.
    QCOMPARE(e.marketBackgroundScoreForQuote(star), 0.0);
    QCOMPARE(e.boardBackgroundScoreForQuote(star), 0.0);
    QCOMPARE(e.marketBackgroundDescriptionForQuote(star), u"指数背景：市场中性"_s);
    QCOMPARE(e.boardBackgroundDescriptionForQuote(star), u"板块背景：科创板中性"_s);
    QVERIFY(!e.backgroundQuoteForSymbol(u"sh000001"_s));

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

    QVERIFY(DecisionEngine::isBackgroundIndexSymbol(u"BJ899050"_s));
    QVERIFY(!DecisionEngine::isBackgroundIndexSymbol(u"sh600000"_s));
    QCOMPARE(DecisionEngine::backgroundIndexSymbols().size(), 5);
}

void TestDecisionEngine::backgroundLines_data()
{
    QTest::addColumn<double>("score");
    QTest::addColumn<QString>("market");
    QTest::addColumn<QString>("board");
    QTest::newRow("1.0") << 1.0 << u"指数背景：市场偏强"_s << u"板块背景：沪市明显偏强"_s;
    QTest::newRow("0.99") << 0.99 << u"指数背景：市场偏强"_s << u"板块背景：沪市温和偏强"_s;
    QTest::newRow("0.7") << 0.7 << u"指数背景：市场偏强"_s << u"板块背景：沪市温和偏强"_s;
    QTest::newRow("0.69") << 0.69 << u"指数背景：市场温和偏强"_s << u"板块背景：沪市温和偏强"_s;
    QTest::newRow("0.2") << 0.2 << u"指数背景：市场温和偏强"_s << u"板块背景：沪市温和偏强"_s;
    QTest::newRow("0.19") << 0.19 << u"指数背景：市场温和偏强"_s << u"板块背景：沪市中性"_s;
    QTest::newRow("0.15") << 0.15 << u"指数背景：市场温和偏强"_s << u"板块背景：沪市中性"_s;
    QTest::newRow("0.14") << 0.14 << u"指数背景：市场中性"_s << u"板块背景：沪市中性"_s;
    QTest::newRow("-0.14") << -0.14 << u"指数背景：市场中性"_s << u"板块背景：沪市中性"_s;
    QTest::newRow("-0.15") << -0.15 << u"指数背景：市场温和偏弱"_s << u"板块背景：沪市中性"_s;
    QTest::newRow("-0.2") << -0.2 << u"指数背景：市场温和偏弱"_s << u"板块背景：沪市温和偏弱"_s;
    QTest::newRow("-0.7") << -0.7 << u"指数背景：市场偏弱"_s << u"板块背景：沪市温和偏弱"_s;
    QTest::newRow("-1.0") << -1.0 << u"指数背景：市场偏弱"_s << u"板块背景：沪市明显偏弱"_s;
}

void TestDecisionEngine::backgroundLines()
{
    QFETCH(double, score);
    QFETCH(QString, market);
    QFETCH(QString, board);
    const QuoteDecision d = decide({}, {{u"M"_s, score}, {u"B"_s, score}});
    QCOMPARE(d.marketBackgroundDescription(), market);
    QCOMPARE(d.boardBackgroundDescription(), board);
}

void TestDecisionEngine::backgroundBias_data()
{
    QTest::addColumn<QVariantMap>("terms");
    QTest::addColumn<int>("bias");
    const QString strong = u"日内结构：午后转强"_s;
    const QString rebound = u"日内结构：低位反抽"_s;
    const QString fading = u"日内结构：冲高回落"_s;
    const QString weakening = u"日内结构：午后转弱"_s;

    QTest::newRow("nothing") << QVariantMap() << 0;
    QTest::newRow("daily weak beats every strong sign")
        << QVariantMap{{u"dailyWeak"_s, true}, {u"dailySupportive"_s, true},
                       {u"O"_s, 2.0},          {u"M"_s, 2.0},
                       {u"B"_s, 2.0},          {u"structure"_s, strong}}
        << -1;
    QTest::newRow("daily supportive") << QVariantMap{{u"dailySupportive"_s, true}} << 1;
    QTest::newRow("daily supportive, weak structure")
        << QVariantMap{{u"dailySupportive"_s, true}, {u"structure"_s, fading}} << -1;
    QTest::newRow("daily supportive, B -0.6")
        << QVariantMap{{u"dailySupportive"_s, true}, {u"B"_s, -0.6}} << -1;
    QTest::newRow("B -0.6") << QVariantMap{{u"B"_s, -0.6}} << -1;
    QTest::newRow("B -0.59") << QVariantMap{{u"B"_s, -0.59}} << 0;
    QTest::newRow("M -0.4") << QVariantMap{{u"M"_s, -0.4}} << -1;
    QTest::newRow("M -0.39") << QVariantMap{{u"M"_s, -0.39}} << 0;
    QTest::newRow("O -0.6, A 0.1") << QVariantMap{{u"O"_s, -0.6}, {u"A"_s, 0.1}} << -1;
    QTest::newRow("O -0.6, A 0.11") << QVariantMap{{u"O"_s, -0.6}, {u"A"_s, 0.11}} << 0;
    QTest::newRow("O -0.59, A -1") << QVariantMap{{u"O"_s, -0.59}, {u"A"_s, -1.0}} << 0;
    QTest::newRow("afternoon weakening") << QVariantMap{{u"structure"_s, weakening}} << -1;
    QTest::newRow("weak signal beats O 2") << QVariantMap{{u"O"_s, 2.0}, {u"M"_s, -0.4}} << -1;
    QTest::newRow("afternoon strength") << QVariantMap{{u"structure"_s, strong}} << 1;
    QTest::newRow("low rebound") << QVariantMap{{u"structure"_s, rebound}} << 1;
    QTest::newRow("O 0.35") << QVariantMap{{u"O"_s, 0.35}} << 1;
    QTest::newRow("O 0.34") << QVariantMap{{u"O"_s, 0.34}} << 0;
    QTest::newRow("A 0.25") << QVariantMap{{u"A"_s, 0.25}} << 1;
    QTest::newRow("A 0.24") << QVariantMap{{u"A"_s, 0.24}} << 0;
    QTest::newRow("M 0.25") << QVariantMap{{u"M"_s, 0.25}} << 1;
    QTest::newRow("M 0.24") << QVariantMap{{u"M"_s, 0.24}} << 0;
    QTest::newRow("B 0.35") << QVariantMap{{u"B"_s, 0.35}} << 1;
    QTest::newRow("B 0.34") << QVariantMap{{u"B"_s, 0.34}} << 0;
}

void TestDecisionEngine::backgroundBias()
{
    QFETCH(QVariantMap, terms);
    QFETCH(int, bias);
    const QuoteDecision d = decide({}, terms);
    QCOMPARE(d.backgroundBias(), bias);
    QCOMPARE(d.hasSupportiveBackground(), bias > 0);
    QCOMPARE(d.hasWeakBackground(), bias < 0);
}

// --- Predicates ---

void TestDecisionEngine::predicate_data()
{
    QTest::addColumn<QString>("predicate");
    QTest::addColumn<QVariantMap>("quote");
    QTest::addColumn<QVariantMap>("terms");
    QTest::addColumn<bool>("expected");
    using M = QVariantMap;
    const auto row = [](const char *name, const QString &p, const M &q, const M &t, bool e) {
        QTest::newRow(name) << p << q << t << e;
    };

    // 1. Decision data.
    row("data: complete", u"data"_s, {}, {}, true);
    row("data: 4 prices, 4 positions", u"data"_s, {}, {{u"prices"_s, 4}, {u"positions"_s, 4}},
        true);
    row("data: 3 prices", u"data"_s, {}, {{u"prices"_s, 3}}, false);
    row("data: 3 positions", u"data"_s, {}, {{u"positions"_s, 3}}, false);
    row("data: H = L", u"data"_s, {{u"H"_s, 10.0}, {u"L"_s, 10.0}}, {}, false);
    row("data: no previous close", u"data"_s, {{u"PC"_s, 0.0}}, {}, false);
    row("data: no average line", u"data"_s, {}, {{u"avg"_s, 0.0}}, false);
    row("data: no price", u"data"_s, {{u"P"_s, 0.0}}, {}, false);

    // 2. Strong high lock.
    const M lock{{u"P"_s, 217.0}, {u"H"_s, 217.0}, {u"L"_s, 200.0}, {u"PC"_s, 200.0}};
    row("lock: +8.5% at the high", u"lock"_s, lock, {}, true);
    row("lock: +8.49%", u"lock"_s, merged(lock, {{u"P"_s, 216.98}}), {}, false);
    row("lock: +9.9% at the high", u"lock"_s,
        {{u"P"_s, 10.99}, {u"H"_s, 10.99}, {u"L"_s, 10.5}, {u"PC"_s, 10.0}}, {}, true);
    const M wide{{u"P"_s, 11.8}, {u"H"_s, 12.0}, {u"L"_s, 8.0}, {u"PC"_s, 10.0}};
    row("lock: 0.05 x range below the high", u"lock"_s, wide, {}, true);
    row("lock: beyond 0.05 x range", u"lock"_s, merged(wide, {{u"P"_s, 11.79}}), {}, false);
    const M narrow{{u"P"_s, 10.08}, {u"H"_s, 10.1}, {u"L"_s, 10.0}, {u"PC"_s, 9.0}};
    row("lock: 0.02 floor", u"lock"_s, narrow, {}, true);
    row("lock: beyond the floor", u"lock"_s, merged(narrow, {{u"P"_s, 10.07}}), {}, false);
    row("lock: H = L", u"lock"_s, {{u"P"_s, 11.0}, {u"H"_s, 11.0}, {u"L"_s, 11.0}}, {}, false);

    // 3. Clean breakout.
    const M bo{{u"avg"_s, 10.5}, {u"r5"_s, 0.18}, {u"r10"_s, 0.08}, {u"v5"_s, 1.05}};
    row("breakout: every bound", u"breakout"_s, kNearHigh, bo, true);
    row("breakout: P = AVG", u"breakout"_s, kNearHigh, merged(bo, {{u"avg"_s, 10.88}}), true);
    row("breakout: V5 3.0", u"breakout"_s, kNearHigh, merged(bo, {{u"v5"_s, 3.0}}), true);
    row("breakout: not near the high", u"breakout"_s, merged(kNearHigh, {{u"P"_s, 10.87}}), bo,
        false);
    row("breakout: R5 0.17", u"breakout"_s, kNearHigh, merged(bo, {{u"r5"_s, 0.17}}), false);
    row("breakout: R10 0.07", u"breakout"_s, kNearHigh, merged(bo, {{u"r10"_s, 0.07}}), false);
    row("breakout: V5 1.04", u"breakout"_s, kNearHigh, merged(bo, {{u"v5"_s, 1.04}}), false);
    row("breakout: V5 3.01", u"breakout"_s, kNearHigh, merged(bo, {{u"v5"_s, 3.01}}), false);
    row("breakout: V5 no data", u"breakout"_s, kNearHigh, merged(bo, {{u"v5"_s, -1.0}}), false);
    row("breakout: V5 fresh surge", u"breakout"_s, kNearHigh, merged(bo, {{u"v5"_s, kSurge}}),
        false);
    row("breakout: below AVG", u"breakout"_s, kNearHigh, merged(bo, {{u"avg"_s, 10.89}}), false);
    row("breakout: daily weak", u"breakout"_s, kNearHigh, merged(bo, {{u"dailyWeak"_s, true}}),
        false);
    row("breakout: daily high extension", u"breakout"_s, kNearHigh,
        merged(bo, {{u"dailyHigh"_s, true}}), false);
    row("breakout: weak background", u"breakout"_s, kNearHigh, merged(bo, {{u"B"_s, -0.6}}), false);
    row("breakout: no decision data", u"breakout"_s, kNearHigh, merged(bo, {{u"prices"_s, 3}}),
        false);

    // 4. Chase risk: near the high, R5 0.18, R10 0.02, V5 1.0 is the calm case.
    const M ch{{u"avg"_s, 10.5}, {u"r5"_s, 0.18}, {u"r10"_s, 0.02}, {u"v5"_s, 1.0}};
    row("chase: calm rise to the high", u"chase"_s, kNearHigh, ch, false);
    row("chase: R5 0.17", u"chase"_s, kNearHigh, merged(ch, {{u"r5"_s, 0.17}}), true);
    row("chase: R10 0.019", u"chase"_s, kNearHigh, merged(ch, {{u"r10"_s, 0.019}}), true);
    row("chase: V5 3.0", u"chase"_s, kNearHigh, merged(ch, {{u"v5"_s, 3.0}}), true);
    row("chase: V5 2.99", u"chase"_s, kNearHigh, merged(ch, {{u"v5"_s, 2.99}}), false);
    row("chase: V5 fresh surge", u"chase"_s, kNearHigh, merged(ch, {{u"v5"_s, kSurge}}), true);
    row("chase: V5 no data", u"chase"_s, kNearHigh, merged(ch, {{u"v5"_s, -1.0}}), true);
    row("chase: V5 0.85", u"chase"_s, kNearHigh, merged(ch, {{u"v5"_s, 0.85}}), true);
    row("chase: V5 0.86", u"chase"_s, kNearHigh, merged(ch, {{u"v5"_s, 0.86}}), false);
    row("chase: weak background", u"chase"_s, kNearHigh, merged(ch, {{u"M"_s, -0.4}}), true);
    row("chase: daily high extension", u"chase"_s, kNearHigh, merged(ch, {{u"dailyHigh"_s, true}}),
        true);
    row("chase: clean breakout", u"chase"_s, kNearHigh, merged(bo, {}), false);
    row("chase: not near the high", u"chase"_s, merged(kNearHigh, {{u"P"_s, 10.87}}),
        merged(ch, {{u"r5"_s, 0.0}}), false);
    row("chase: strong high lock", u"chase"_s, lock, merged(ch, {{u"r5"_s, 0.0}}), false);
    row("chase: H = L", u"chase"_s, {{u"P"_s, 11.0}, {u"H"_s, 11.0}, {u"L"_s, 11.0}},
        merged(ch, {{u"r5"_s, 0.0}}), false);
    row("chase: needs no decision data", u"chase"_s, kNearHigh,
        merged(ch, {{u"r5"_s, 0.0}, {u"prices"_s, 0}, {u"avg"_s, 0.0}}), true);

    // 6, 7. Protection windows (A-share maximum 14400, Hong Kong 19800, US 23400).
    row("opening: -1", u"opening"_s, {}, {{u"pos"_s, -1.0}}, false);
    row("opening: 0", u"opening"_s, {}, {{u"pos"_s, 0.0}}, true);
    row("opening: 1799", u"opening"_s, {}, {{u"pos"_s, 1799.0}}, true);
    row("opening: 1800", u"opening"_s, {}, {{u"pos"_s, 1800.0}}, false);
    row("closing: -1", u"closing"_s, {}, {{u"pos"_s, -1.0}}, false);
    row("closing: 12599", u"closing"_s, {}, {{u"pos"_s, 12599.0}}, false);
    row("closing: 12600", u"closing"_s, {}, {{u"pos"_s, 12600.0}}, true);
    row("closing: 14400", u"closing"_s, {}, {{u"pos"_s, 14400.0}}, true);
    row("closing: HK 17999", u"closing"_s, {{u"symbol"_s, u"hk00700"_s}}, {{u"pos"_s, 17999.0}},
        false);
    row("closing: HK 18000", u"closing"_s, {{u"symbol"_s, u"hk00700"_s}}, {{u"pos"_s, 18000.0}},
        true);
    row("closing: US 21599", u"closing"_s, {{u"symbol"_s, u"gb_aapl"_s}}, {{u"pos"_s, 21599.0}},
        false);
    row("closing: US 21600", u"closing"_s, {{u"symbol"_s, u"gb_aapl"_s}}, {{u"pos"_s, 21600.0}},
        true);

    // 8. Medium trend support; P 10.2 stands above AVG 10.
    const M md{{u"pos"_s, 5000.0}, {u"r30"_s, 0.15}, {u"O"_s, -0.25}, {u"r60"_s, -1.0}};
    row("medium: R30 0.15, O -0.25, above AVG", u"medium"_s, {}, md, true);
    row("medium: R30 0.14", u"medium"_s, {}, merged(md, {{u"r30"_s, 0.14}}), false);
    row("medium: O -0.26", u"medium"_s, {}, merged(md, {{u"O"_s, -0.26}}), false);
    row("medium: below AVG", u"medium"_s, {}, merged(md, {{u"avg"_s, 10.3}}), false);
    row("medium: recorded series only", u"medium"_s, {}, merged(md, {{u"real"_s, false}}), false);
    row("medium: POS 1799", u"medium"_s, {}, merged(md, {{u"pos"_s, 1799.0}}), false);
    row("medium: POS 1800", u"medium"_s, {}, merged(md, {{u"pos"_s, 1800.0}}), true);
    row("medium: weak background", u"medium"_s, {}, merged(md, {{u"B"_s, -0.6}}), false);
    const M md60{{u"pos"_s, 3600.0}, {u"r30"_s, 0.0}, {u"O"_s, 0.0}, {u"r60"_s, -0.05}};
    row("medium: O 0, R60 -0.05, POS 3600", u"medium"_s, {}, md60, true);
    row("medium: R60 -0.06", u"medium"_s, {}, merged(md60, {{u"r60"_s, -0.06}}), false);
    row("medium: POS 3599", u"medium"_s, {}, merged(md60, {{u"pos"_s, 3599.0}}), false);
    row("medium: O -0.01", u"medium"_s, {}, merged(md60, {{u"O"_s, -0.01}}), false);

    // 9. Holding back an aggressive buy; support as above at O 0.
    const M hb{{u"pos"_s, 5000.0}, {u"r30"_s, 0.15}, {u"r15"_s, 0.18}, {u"v5"_s, 1.44}};
    row("holdBack: supported mid-session", u"holdBack"_s, {}, hb, false);
    row("holdBack: opening window", u"holdBack"_s, {}, merged(hb, {{u"pos"_s, 1000.0}}), true);
    row("holdBack: no medium support", u"holdBack"_s, {}, merged(hb, {{u"real"_s, false}}), true);
    const M late = merged(hb, {{u"pos"_s, 13000.0}});
    row("holdBack: closing, calm", u"holdBack"_s, {}, late, false);
    row("holdBack: closing, R15 0.17", u"holdBack"_s, {}, merged(late, {{u"r15"_s, 0.17}}), true);
    row("holdBack: closing, V5 1.45", u"holdBack"_s, {}, merged(late, {{u"v5"_s, 1.45}}), true);
    row("holdBack: closing, fresh surge", u"holdBack"_s, {}, merged(late, {{u"v5"_s, kSurge}}),
        true);
    row("holdBack: closing, chase", u"holdBack"_s, kNearHigh,
        merged(late, {{u"avg"_s, 10.5}, {u"r5"_s, 0.0}, {u"v5"_s, 1.0}}), true);

    // 10. Severe risk; AVG 20, P 19.97 is exactly a break below (0.0015 x 20).
    const M sv{{u"avg"_s, 20.0}, {u"A"_s, -0.45}};
    row("severe: A -0.45 and break below", u"severe"_s, around20(19.97), sv, true);
    row("severe: A -0.44", u"severe"_s, around20(19.97), merged(sv, {{u"A"_s, -0.44}}), false);
    row("severe: A -0.45, gap 0.02 < 0.03", u"severe"_s, around20(19.98), sv, false);
    const M fade{{u"avg"_s, 20.0}, {u"structure"_s, u"日内结构：冲高回落"_s}};
    row("severe: fading below AVG, O 0", u"severe"_s, around20(19.99), fade, true);
    row("severe: afternoon weakening below AVG", u"severe"_s, around20(19.99),
        merged(fade, {{u"structure"_s, u"日内结构：午后转弱"_s}}), true);
    row("severe: fading, O 0.01", u"severe"_s, around20(19.99), merged(fade, {{u"O"_s, 0.01}}),
        false);
    row("severe: rebound structure", u"severe"_s, around20(19.99),
        merged(fade, {{u"structure"_s, u"日内结构：低位反抽"_s}}), false);
    row("severe: fading at AVG", u"severe"_s, around20(20.0), fade, false);
    row("severe: no average line", u"severe"_s, around20(19.0),
        merged(fade, {{u"avg"_s, 0.0}, {u"A"_s, -5.0}}), false);

    // 11. Lost average support; AVG 16: 0.003 x 16 = 0.048.
    const M ls{{u"avg"_s, 16.0}};
    const M q16{{u"P"_s, 15.952}, {u"H"_s, 16.2}, {u"L"_s, 15.8}, {u"PC"_s, 16.1}};
    row("lost: gap 0.048", u"lost"_s, q16, ls, true);
    row("lost: gap 0.047", u"lost"_s, merged(q16, {{u"P"_s, 15.953}}), ls, false);
    row("lost: A -0.45", u"lost"_s, merged(q16, {{u"P"_s, 15.99}}), merged(ls, {{u"A"_s, -0.45}}),
        true);
    row("lost: A -0.44", u"lost"_s, merged(q16, {{u"P"_s, 15.99}}), merged(ls, {{u"A"_s, -0.44}}),
        false);
    const M slip = merged(ls, {{u"r5"_s, -0.12}, {u"A"_s, -0.2}});
    row("lost: slipping under a break", u"lost"_s, merged(q16, {{u"P"_s, 15.97}}), slip, true);
    row("lost: R5 -0.11", u"lost"_s, merged(q16, {{u"P"_s, 15.97}}),
        merged(slip, {{u"r5"_s, -0.11}}), false);
    row("lost: A -0.19", u"lost"_s, merged(q16, {{u"P"_s, 15.97}}), merged(slip, {{u"A"_s, -0.19}}),
        false);
    row("lost: no break (gap 0.023)", u"lost"_s, merged(q16, {{u"P"_s, 15.977}}), slip, false);
    const M q104{{u"P"_s, 1.0}, {u"H"_s, 1.05}, {u"L"_s, 0.99}, {u"PC"_s, 1.02}};
    row("lost: 0.04 floor", u"lost"_s, q104, {{u"avg"_s, 1.04}}, true);
    row("lost: under the floor", u"lost"_s, merged(q104, {{u"P"_s, 1.001}}), {{u"avg"_s, 1.04}},
        false);
    row("lost: at AVG", u"lost"_s, merged(q16, {{u"P"_s, 16.0}}), merged(ls, {{u"A"_s, -1.0}}),
        false);
    row("lost: no average line", u"lost"_s, q16, {{u"avg"_s, 0.0}, {u"A"_s, -1.0}}, false);

    // 12. Buy confirmation; P 10.2 over AVG 10.
    const M bc{
        {u"r5"_s, -0.03}, {u"v5"_s, 1.2}, {u"r15"_s, 0.08}, {u"r10"_s, 0.02}, {u"v10"_s, 1.15}};
    row("confirm: every bound", u"confirm"_s, {}, bc, true);
    row("confirm: P = AVG", u"confirm"_s, {}, merged(bc, {{u"avg"_s, 10.2}}), true);
    row("confirm: below AVG", u"confirm"_s, {}, merged(bc, {{u"avg"_s, 10.21}}), false);
    row("confirm: R5 -0.031", u"confirm"_s, {}, merged(bc, {{u"r5"_s, -0.031}}), false);
    row("confirm: V5 1.21", u"confirm"_s, {}, merged(bc, {{u"v5"_s, 1.21}}), false);
    row("confirm: V5 no data", u"confirm"_s, {}, merged(bc, {{u"v5"_s, -1.0}}), true);
    row("confirm: V5 fresh surge", u"confirm"_s, {}, merged(bc, {{u"v5"_s, kSurge}}), false);
    row("confirm: R15 0.079", u"confirm"_s, {}, merged(bc, {{u"r15"_s, 0.079}}), false);
    row("confirm: R10 0.019", u"confirm"_s, {}, merged(bc, {{u"r10"_s, 0.019}}), false);
    row("confirm: V10 1.16", u"confirm"_s, {}, merged(bc, {{u"v10"_s, 1.16}}), false);
    row("confirm: V10 no data", u"confirm"_s, {}, merged(bc, {{u"v10"_s, -1.0}}), true);
    row("confirm: no average line", u"confirm"_s, {}, merged(bc, {{u"avg"_s, 0.0}}), false);

    // 13. Healthy pullback; 19.87 is 0.65 % under 20.
    const M hp{
        {u"avg"_s, 20.0}, {u"r10"_s, -0.17}, {u"r5"_s, -0.27}, {u"v5"_s, 1.0}, {u"v10"_s, 1.1}};
    row("healthy: every bound", u"healthy"_s, around20(19.87), hp, true);
    row("healthy: 0.7 % under", u"healthy"_s, around20(19.86), hp, false);
    row("healthy: R10 -0.18", u"healthy"_s, around20(19.87), merged(hp, {{u"r10"_s, -0.18}}),
        false);
    row("healthy: R5 -0.28", u"healthy"_s, around20(19.87), merged(hp, {{u"r5"_s, -0.28}}), false);
    row("healthy: V5 1.01", u"healthy"_s, around20(19.87), merged(hp, {{u"v5"_s, 1.01}}), false);
    row("healthy: V5 no data", u"healthy"_s, around20(19.87), merged(hp, {{u"v5"_s, -1.0}}), true);
    row("healthy: V5 fresh surge", u"healthy"_s, around20(19.87), merged(hp, {{u"v5"_s, kSurge}}),
        false);
    row("healthy: V10 1.11", u"healthy"_s, around20(19.87), merged(hp, {{u"v10"_s, 1.11}}), false);
    row("healthy: V10 no data", u"healthy"_s, around20(19.87), merged(hp, {{u"v10"_s, -1.0}}),
        true);
    row("healthy: at AVG", u"healthy"_s, around20(20.0), hp, false);
    row("healthy: no average line", u"healthy"_s, around20(19.87), merged(hp, {{u"avg"_s, 0.0}}),
        false);

    // 14. Weak pullback.
    const M wp{
        {u"avg"_s, 20.0}, {u"r10"_s, -0.12}, {u"r5"_s, -0.24}, {u"v10"_s, 1.18}, {u"v5"_s, 1.0}};
    row("weak: V10 1.18", u"weak"_s, around20(19.9), wp, true);
    row("weak: V5 1.12", u"weak"_s, around20(19.9), merged(wp, {{u"v10"_s, 1.17}, {u"v5"_s, 1.12}}),
        true);
    row("weak: V10 1.17, V5 1.11", u"weak"_s, around20(19.9),
        merged(wp, {{u"v10"_s, 1.17}, {u"v5"_s, 1.11}}), false);
    row("weak: V5 fresh surge", u"weak"_s, around20(19.9),
        merged(wp, {{u"v10"_s, -1.0}, {u"v5"_s, kSurge}}), true);
    row("weak: V10 fresh surge", u"weak"_s, around20(19.9),
        merged(wp, {{u"v10"_s, kSurge}, {u"v5"_s, -1.0}}), true);
    row("weak: R10 -0.11", u"weak"_s, around20(19.9), merged(wp, {{u"r10"_s, -0.11}}), false);
    row("weak: R5 -0.23", u"weak"_s, around20(19.9), merged(wp, {{u"r5"_s, -0.23}}), false);
    row("weak: at AVG", u"weak"_s, around20(20.0), wp, false);
    row("weak: no average line", u"weak"_s, around20(19.9), merged(wp, {{u"avg"_s, 0.0}}), false);

    // 15. Won-back false break.
    const M fb{{u"avg"_s, 20.0}, {u"dipped"_s, true}, {u"v5"_s, 1.15}, {u"v10"_s, 1.15},
               {u"r5"_s, 0.05},  {u"r10"_s, 0.0},     {u"r15"_s, 0.0}};
    row("falseBreak: every bound", u"falseBreak"_s, around20(20.0), fb, true);
    row("falseBreak: V5 1.16", u"falseBreak"_s, around20(20.0), merged(fb, {{u"v5"_s, 1.16}}),
        false);
    row("falseBreak: V10 1.16", u"falseBreak"_s, around20(20.0), merged(fb, {{u"v10"_s, 1.16}}),
        false);
    row("falseBreak: no volume data", u"falseBreak"_s, around20(20.0),
        merged(fb, {{u"v5"_s, -1.0}, {u"v10"_s, -1.0}}), true);
    row("falseBreak: no dip", u"falseBreak"_s, around20(20.0), merged(fb, {{u"dipped"_s, false}}),
        false);
    row("falseBreak: R5 0.049", u"falseBreak"_s, around20(20.0), merged(fb, {{u"r5"_s, 0.049}}),
        false);
    row("falseBreak: R10 -0.01", u"falseBreak"_s, around20(20.0), merged(fb, {{u"r10"_s, -0.01}}),
        false);
    row("falseBreak: R15 -0.01", u"falseBreak"_s, around20(20.0), merged(fb, {{u"r15"_s, -0.01}}),
        false);
    row("falseBreak: below AVG", u"falseBreak"_s, around20(19.99), fb, false);
    row("falseBreak: weak background", u"falseBreak"_s, around20(20.0),
        merged(fb, {{u"B"_s, -0.6}}), false);

    // 16. Break below the average line.
    row("breakBelow: 0.0015 x AVG", u"breakBelow"_s, around20(19.97), {{u"avg"_s, 20.0}}, true);
    row("breakBelow: short of it", u"breakBelow"_s, around20(19.98), {{u"avg"_s, 20.0}}, false);
    row("breakBelow: 0.02 floor", u"breakBelow"_s, {{u"P"_s, 1.0}}, {{u"avg"_s, 1.02}}, true);
    row("breakBelow: under the floor", u"breakBelow"_s, {{u"P"_s, 1.0}}, {{u"avg"_s, 1.019}},
        false);
    row("breakBelow: no price", u"breakBelow"_s, {{u"P"_s, 0.0}}, {{u"avg"_s, 1.02}}, false);
    row("breakBelow: no average line", u"breakBelow"_s, {{u"P"_s, 1.0}}, {{u"avg"_s, 0.0}}, false);
}

void TestDecisionEngine::predicate()
{
    QFETCH(QString, predicate);
    QFETCH(QVariantMap, quote);
    QFETCH(QVariantMap, terms);
    QFETCH(bool, expected);
    const Predicate member = predicates().value(predicate);
    QVERIFY(member);
    const QuoteDecision d = decide(quote, terms);
    QCOMPARE((d.*member)(), expected);
}

// The terms come from the series, the daily cache and the background when nothing pins them.
void TestDecisionEngine::termsFromTheStores()
{
    DecisionWorld &w = *m_world;
    const DecisionEngine &e = *w.engine;
    const QString s = u"sh600000"_s;

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
    QVERIFY(d.hasDecisionData());
    QVERIFY(d.isRealSeries());
    QCOMPARE(d.positionMax(), 14400.0);

    // One sample: O and A are 0, and there is no decision data.
    w.applySeries(s, {10.0}, {0}, {10.0});
    d = e.decisionForQuote(q);
    QCOMPARE(d.openChange(), 0.0);
    QCOMPARE(d.middayChange(), 0.0);
    QVERIFY(!d.hasDecisionData());

    // Daily context and staleness from the cache.
    QVERIFY(e.decisionForQuote(q).dailyDataIsStale());
    w.setDailyContext(s, u"日线背景：下跌中继风险"_s);
    d = e.decisionForQuote(q);
    QVERIFY(!d.dailyDataIsStale());
    QVERIFY(d.hasWeakDailyBackground());
    QCOMPARE(d.backgroundBias(), -1);
    w.setDailyContext(s, u"日线背景：趋势配合"_s, false);
    d = e.decisionForQuote(q);
    QVERIFY(d.dailyDataIsStale());
    QVERIFY(d.hasSupportiveDailyBackground());
    QCOMPARE(e.backgroundBiasForQuote(q), 1);
    QCOMPARE(e.backgroundPriorityReasonForQuote(q),
             u"背景过滤：日内背景偏支持（指数背景：市场中性；板块背景：沪市中性）"_s);

    // Market and board from the index quotes.
    w.setBackground(u"sh000001"_s, -0.5);
    QVERIFY(e.hasWeakBackgroundForQuote(q)); // the board score -0.5 is not weak, M -0.5 is
    QCOMPARE(e.backgroundPriorityReasonForQuote(q),
             u"背景过滤：日内背景偏弱（指数背景：市场温和偏弱；板块背景：沪市温和偏弱）"_s);
}

// Without an average-line series every average-line predicate is false.
void TestDecisionEngine::withoutAverageLine()
{
    const DecisionEngine &e = *m_world->engine;
    const Quote q = makeQuote(u"sz000001"_s, 9.0, 10.0, 8.9, 10.0, u"14:00:00"_s);
    QVERIFY(!e.hasDecisionDataForQuote(q));
    QVERIFY(!e.hasBuyConfirmationForQuote(q));
    QVERIFY(!e.hasHealthyPullbackForQuote(q));
    QVERIFY(!e.hasWeakPullbackForQuote(q));
    QVERIFY(!e.hasLostAverageSupportForQuote(q));
    QVERIFY(!e.hasRecoveredFalseBreakForQuote(q));
    QVERIFY(!e.breakBelowAverageAlertIsActiveForQuote(q));
    QVERIFY(!e.hasSevereRiskForQuote(q));
    QCOMPARE(e.coreRiskStateForQuote(q), u"修复确认中"_s);
    QCOMPARE(m_world->snapshots->riskPressureScoreForQuote(q), 0);
}

// A series without volumes has no volume ratios (-1): calm for the calm tests, a chase at
// the high. A volume burst after silence is the fresh-surge ratio.
void TestDecisionEngine::noVolumeDataAndFreshSurge()
{
    DecisionWorld &w = *m_world;
    const DecisionEngine &e = *w.engine;
    const QString s = u"sh600000"_s;
    QVector<double> prices, positions, averages;
    for (int i = 0; i <= 20; ++i) {
        prices << 10.0 + 0.01 * i;
        positions << 5000.0 + 60 * i;
        averages << 10.0;
    }
    w.applySeries(s, prices, positions, averages);
    const Quote q = makeQuote(s, 10.2, 10.4, 9.8, 10.0);
    const QuoteDecision d = e.decisionForQuote(q);
    QCOMPARE(d.volumeRatio(5), -1.0);
    QVERIFY(d.hasBuyConfirmation());
    QVERIFY(!d.hasHealthyPullback()); // above the line

    const Quote atHigh = makeQuote(s, 10.2, 10.2, 9.8, 10.0);
    QVERIFY(e.hasChaseRiskForQuote(atHigh));
    QVERIFY(!e.hasCleanBreakoutForQuote(atHigh));

    QVector<double> volumes(prices.size(), 0.0);
    volumes.last() = 5000;
    w.applySeries(s, prices, positions, averages, volumes);
    const QuoteDecision surge = e.decisionForQuote(q);
    QCOMPARE(surge.volumeRatio(5), kSurge);
    QVERIFY(!surge.hasBuyConfirmation());
    QCOMPARE(surge.decisionConfidence(), u"低"_s);
    QCOMPARE(surge.decisionConfidenceReason(), u"近端量能读数过热或异常，判断自动降级。"_s);
    QVERIFY(e.hasChaseRiskForQuote(atHigh));
}

void TestDecisionEngine::falseBreakWindow_data()
{
    QTest::addColumn<QVector<double>>("prices");
    QTest::addColumn<QVector<double>>("averages");
    QTest::addColumn<bool>("dipped");
    // The latest sample is at the line; only the five before it count.
    QTest::newRow("6 samples, dip at 0") << QVector<double>{9.9, 10.1, 10.1, 10.1, 10.1, 10.1}
                                         << QVector<double>{10, 10, 10, 10, 10, 10} << true;
    QTest::newRow("6 samples, dip at 4") << QVector<double>{10.1, 10.1, 10.1, 10.1, 9.9, 10.1}
                                         << QVector<double>{10, 10, 10, 10, 10, 10} << true;
    QTest::newRow("7 samples, dip at 0 is too old")
        << QVector<double>{9.9, 10.1, 10.1, 10.1, 10.1, 10.1, 10.1}
        << QVector<double>{10, 10, 10, 10, 10, 10, 10} << false;
    QTest::newRow("5 samples") << QVector<double>{9.9, 9.9, 9.9, 9.9, 10.1}
                               << QVector<double>{10, 10, 10, 10, 10} << false;
    QTest::newRow("dip under a zero average") << QVector<double>{9.9, 10.1, 10.1, 10.1, 10.1, 10.1}
                                              << QVector<double>{0, 10, 10, 10, 10, 10} << false;
    QTest::newRow("short average array") << QVector<double>{10.1, 10.1, 10.1, 10.1, 10.1, 9.9, 10.1}
                                         << QVector<double>{10, 10, 10, 10, 10, 10} << false;
}

void TestDecisionEngine::falseBreakWindow()
{
    QFETCH(QVector<double>, prices);
    QFETCH(QVector<double>, averages);
    QFETCH(bool, dipped);
    DecisionWorld &w = *m_world;
    QVector<double> positions;
    for (qsizetype i = 0; i < prices.size(); ++i)
        positions << 3000.0 + 60 * i;
    w.applySeries(u"sh600000"_s, prices, positions, averages);
    // Everything but the dip is pinned to a passing value.
    QVariantMap terms = quietTerms();
    terms.remove(u"dipped"_s);
    terms.insert({{u"r5"_s, 0.1}, {u"r10"_s, 0.1}, {u"r15"_s, 0.1}});
    const QuoteDecision d = w.engine->decisionForQuote(
        makeQuote(u"sh600000"_s, 10.1, 10.2, 9.8, 10.0), inputsFrom(terms));
    QCOMPARE(d.hasRecoveredFalseBreak(), dipped);
}

// --- Core risk state, statuses, labels ---

void TestDecisionEngine::labels_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("buy");
    QTest::addColumn<QString>("sell");
    QTest::newRow("转强成立") << u"转强成立"_s << u"可跟踪"_s << u"继续跟踪"_s;
    QTest::newRow("修复确认中") << u"修复确认中"_s << u"等确认"_s << u"继续观察"_s;
    QTest::newRow("回踩观察") << u"回踩观察"_s << u"看回踩"_s << u"看承接"_s;
    QTest::newRow("风险抬升") << u"风险抬升"_s << u"先防守"_s << u"先防守"_s;
    QTest::newRow("结构转弱") << u"结构转弱"_s << u"先防守"_s << u"先防守"_s;
    QTest::newRow("other") << u"转强"_s << u"等确认"_s << u"继续观察"_s;
    QTest::newRow("empty") << QString() << u"等确认"_s << u"继续观察"_s;
}

void TestDecisionEngine::labels()
{
    QFETCH(QString, state);
    QFETCH(QString, buy);
    QFETCH(QString, sell);
    QCOMPARE(DecisionEngine::buyLabelForCoreRiskState(state), buy);
    QCOMPARE(DecisionEngine::executionLabelForCoreRiskState(state), buy);
    QCOMPARE(DecisionEngine::sellLabelForCoreRiskState(state), sell);
}

void TestDecisionEngine::statuses_data()
{
    QTest::addColumn<QVariantMap>("quote");
    QTest::addColumn<QVariantMap>("terms");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("buy");
    QTest::addColumn<QString>("sell");
    QTest::addColumn<QString>("execution");
    QTest::addColumn<QString>("risk");
    using M = QVariantMap;
    const M strength{
        {u"r15"_s, 0.08}, {u"r10"_s, 0.02}, {u"O"_s, 0.35}, {u"r30"_s, 0.15}, {u"pos"_s, 5000.0}};

    QTest::newRow("no data") << M() << M{{u"prices"_s, 3}} << u"修复确认中"_s << u"数据不足"_s
                             << u"数据不足"_s << u"执行状态：数据不足"_s << u"数据不足"_s;
    QTest::newRow("repair") << M() << M() << u"修复确认中"_s << u"等确认"_s << u"继续观察"_s
                            << u"执行状态：等待确认"_s << u"守 10.00"_s;
    QTest::newRow("strength") << M() << strength << u"转强成立"_s << u"可跟踪"_s << u"继续跟踪"_s
                              << u"执行状态：跟踪窗口"_s << u"守 10.00"_s;
    QTest::newRow("strength held back at the open")
        << M() << merged(strength, {{u"pos"_s, 1000.0}}) << u"修复确认中"_s << u"等确认"_s
        << u"继续观察"_s << u"执行状态：等待确认"_s << u"守 10.00"_s;
    QTest::newRow("strength without background")
        << M() << merged(strength, {{u"O"_s, 0.0}}) << u"修复确认中"_s << u"等确认"_s
        << u"继续观察"_s << u"执行状态：等待确认"_s << u"守 10.00"_s;
    QTest::newRow("strength on a weak daily")
        << M() << merged(strength, {{u"dailyWeak"_s, true}}) << u"修复确认中"_s << u"等确认"_s
        << u"继续观察"_s << u"执行状态：等待确认"_s << u"守 10.00"_s;
    QTest::newRow("healthy pullback") << M() << M{{u"avg"_s, 10.23}} << u"回踩观察"_s << u"看回踩"_s
                                      << u"看承接"_s << u"执行状态：先看回踩"_s << u"回踩中"_s;
    QTest::newRow("just below the line")
        << M() << M{{u"avg"_s, 10.23}, {u"v5"_s, 1.05}} << u"回踩观察"_s << u"看回踩"_s
        << u"看承接"_s << u"执行状态：先看回踩"_s << u"回踩中"_s;
    const M weak{{u"avg"_s, 10.25}, {u"r10"_s, -0.12}, {u"r5"_s, -0.24}, {u"v10"_s, 1.18}};
    QTest::newRow("weak pullback") << M() << weak << u"风险抬升"_s << u"先防守"_s << u"先防守"_s
                                   << u"执行状态：先防守"_s << u"回踩偏弱"_s;
    QTest::newRow("lost line") << M() << M{{u"avg"_s, 10.25}} << u"风险抬升"_s << u"先防守"_s
                               << u"先防守"_s << u"执行状态：先防守"_s << u"失 10.25"_s;
    QTest::newRow("severe") << around20(19.97) << M{{u"avg"_s, 20.0}, {u"A"_s, -0.45}}
                            << u"结构转弱"_s << u"先防守"_s << u"先防守"_s << u"执行状态：先防守"_s
                            << u"结构转弱"_s;
    QTest::newRow("won-back false break")
        << around20(20.0) << M{{u"avg"_s, 20.0}, {u"dipped"_s, true}, {u"r5"_s, 0.05}}
        << u"修复确认中"_s << u"等确认"_s << u"看承接"_s << u"执行状态：等待确认"_s
        << u"收回观察"_s;
    QTest::newRow("chase, up on the day")
        << kNearHigh << M{{u"avg"_s, 10.5}} << u"修复确认中"_s << u"不追高"_s << u"防回落"_s
        << u"执行状态：不追高"_s << u"守 10.50"_s;
    QTest::newRow("chase, down on the day")
        << merged(kNearHigh, {{u"PC"_s, 11.5}}) << M{{u"avg"_s, 10.5}} << u"修复确认中"_s
        << u"不追高"_s << u"继续观察"_s << u"执行状态：不追高"_s << u"守 10.50"_s;
    // Weak pullback words the risk "回踩偏弱", so the sell status reaches the chase test.
    QTest::newRow("weak pullback at the high")
        << kNearHigh << merged(weak, {{u"avg"_s, 10.95}}) << u"风险抬升"_s << u"不追高"_s
        << u"防回落"_s << u"执行状态：不追高"_s << u"回踩偏弱"_s;
    QTest::newRow("weak pullback at the high, down on the day")
        << merged(kNearHigh, {{u"PC"_s, 11.5}}) << merged(weak, {{u"avg"_s, 10.95}})
        << u"风险抬升"_s << u"不追高"_s << u"先防守"_s << u"执行状态：不追高"_s << u"回踩偏弱"_s;
    QTest::newRow("above the line, O and A negative")
        << M() << M{{u"O"_s, -0.1}, {u"A"_s, -0.1}} << u"修复确认中"_s << u"等确认"_s
        << u"继续观察"_s << u"执行状态：等待确认"_s << u"看 9.80"_s;
    QTest::newRow("above the line, A alone non-negative")
        << M() << M{{u"O"_s, -0.1}, {u"A"_s, 0.0}} << u"修复确认中"_s << u"等确认"_s
        << u"继续观察"_s << u"执行状态：等待确认"_s << u"守 10.00"_s;
    QTest::newRow("above the line, no day low")
        << M{{u"L"_s, 0.0}, {u"H"_s, 20.0}} << M{{u"O"_s, -0.1}, {u"A"_s, -0.1}} << u"修复确认中"_s
        << u"等确认"_s << u"继续观察"_s << u"执行状态：等待确认"_s << u"可控"_s;
}

void TestDecisionEngine::statuses()
{
    QFETCH(QVariantMap, quote);
    QFETCH(QVariantMap, terms);
    QFETCH(QString, state);
    QFETCH(QString, buy);
    QFETCH(QString, sell);
    QFETCH(QString, execution);
    QFETCH(QString, risk);
    const QuoteDecision d = decide(quote, terms);
    QCOMPARE(d.coreRiskState(), state);
    QCOMPARE(d.buyDecisionStatus(), buy);
    QCOMPARE(d.sellDecisionStatus(), sell);
    QCOMPARE(d.executionStatus(), execution);
    QCOMPARE(d.riskStatus(), risk);
    // The short execution status and the main decision always equal the buy status.
    QCOMPARE(d.displayExecutionStatus(), buy);
    QCOMPARE(d.mainDecisionState(), buy);
}

void TestDecisionEngine::confidence_data()
{
    QTest::addColumn<QVariantMap>("terms");
    QTest::addColumn<QString>("grade");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no data") << QVariantMap{{u"positions"_s, 3}, {u"v5"_s, kSurge}} << u"低"_s
                             << u"分时、均价线或量能样本不足，先不强行下结论。"_s;
    QTest::newRow("fresh surge") << QVariantMap{{u"v5"_s, kSurge}, {u"dailyStale"_s, true}}
                                 << u"低"_s << u"近端量能读数过热或异常，判断自动降级。"_s;
    QTest::newRow("V5 6.0") << QVariantMap{{u"v5"_s, 6.0}} << u"低"_s
                            << u"近端量能读数过热或异常，判断自动降级。"_s;
    QTest::newRow("V5 5.99, stale daily")
        << QVariantMap{{u"v5"_s, 5.99}, {u"dailyStale"_s, true}, {u"pos"_s, 100.0}} << u"中"_s
        << u"日线背景缺失或不是今日缓存，判断按中等置信度处理。"_s;
    QTest::newRow("opening") << QVariantMap{{u"pos"_s, 1799.0}, {u"prices"_s, 4}} << u"中"_s
                             << u"开盘前30分钟波动容易失真，判断按中等置信度处理。"_s;
    QTest::newRow("closing") << QVariantMap{{u"pos"_s, 12600.0}, {u"prices"_s, 4}} << u"中"_s
                             << u"尾盘容易抢跑或回落，判断按中等置信度处理。"_s;
    QTest::newRow("11 samples") << QVariantMap{{u"prices"_s, 11}} << u"中"_s
                                << u"分时样本仍在积累，判断按中等置信度处理。"_s;
    QTest::newRow("12 samples") << QVariantMap{{u"prices"_s, 12}} << u"高"_s
                                << u"分时、均价线和量能样本较完整，当前判断置信度较高。"_s;
}

void TestDecisionEngine::confidence()
{
    QFETCH(QVariantMap, terms);
    QFETCH(QString, grade);
    QFETCH(QString, reason);
    const QuoteDecision d = decide({}, terms);
    QCOMPARE(d.decisionConfidence(), grade);
    QCOMPARE(d.decisionConfidenceReason(), reason);
}

void TestDecisionEngine::priorityReasons_data()
{
    QTest::addColumn<QVariantMap>("quote");
    QTest::addColumn<QVariantMap>("terms");
    QTest::addColumn<QString>("risk");
    QTest::addColumn<QString>("background");
    QTest::addColumn<QString>("confirmation");
    using M = QVariantMap;
    const QString calmRisk = u"风险优先：未见明显失控风险"_s;
    const QString neutral = u"背景过滤：背景中性，仍需确认（日线背景：数据不足）"_s;
    const QString waiting = u"近端确认：节奏或量能仍差一步确认"_s;

    QTest::newRow("quiet") << M() << M() << calmRisk << neutral << waiting;
    QTest::newRow("severe") << around20(19.97) << M{{u"avg"_s, 20.0}, {u"A"_s, -0.45}}
                            << u"风险优先：已触发明显风险，先防守"_s << neutral
                            << u"近端确认：回踩质量尚可，先看能否稳住再延续"_s;
    QTest::newRow("false break") << around20(20.0)
                                 << M{{u"avg"_s, 20.0}, {u"dipped"_s, true}, {u"r5"_s, 0.05}}
                                 << u"风险优先：出现假跌破后收回，风险重新回到可观察区"_s << neutral
                                 << u"近端确认：短线假跌破后已收回，可继续看均价线是否站稳"_s;
    QTest::newRow("weak pullback")
        << M() << M{{u"avg"_s, 10.25}, {u"r10"_s, -0.12}, {u"r5"_s, -0.24}, {u"v10"_s, 1.18}}
        << u"风险优先：回踩偏弱，承接开始变差"_s << neutral
        << u"近端确认：回踩偏弱，先别把回落当成低吸机会"_s;
    QTest::newRow("lost line") << M() << M{{u"avg"_s, 10.25}}
                               << u"风险优先：关键位已失守（失 10.25）"_s << neutral
                               << u"近端确认：回踩质量尚可，先看能否稳住再延续"_s;
    QTest::newRow("below the line on more volume")
        << M() << M{{u"avg"_s, 10.23}, {u"v5"_s, 1.05}} << u"风险优先：当前仍在回踩阶段，先看承接"_s
        << neutral << u"近端确认：当前仍在均价线 10.23 下方"_s;
    QTest::newRow("healthy pullback")
        << M() << M{{u"avg"_s, 10.23}} << u"风险优先：当前仍在回踩阶段，先看承接"_s << neutral
        << u"近端确认：回踩质量尚可，先看能否稳住再延续"_s;
    QTest::newRow("chase") << kNearHigh << M{{u"avg"_s, 10.5}} << calmRisk << neutral
                           << u"追价过滤：当前位置接近日高，不宜直接追"_s;
    QTest::newRow("confirmed") << M() << M{{u"r15"_s, 0.08}, {u"r10"_s, 0.02}} << calmRisk
                               << neutral << u"近端确认：均价线、节奏与量能配合基本成立"_s;
    QTest::newRow("daily slide") << M()
                                 << M{{u"daily"_s, u"日线背景：下跌中继风险"_s},
                                      {u"dailyWeak"_s, true}}
                                 << calmRisk
                                 << u"背景过滤：日线背景：下跌中继风险，盘中修复先降级观察"_s
                                 << waiting;
    QTest::newRow("daily high range")
        << M() << M{{u"daily"_s, u"日线背景：高位震荡"_s}, {u"O"_s, 1.0}} << calmRisk
        << u"背景过滤：日线背景：高位震荡，接近日高时优先防追价"_s << waiting;
    QTest::newRow("supportive")
        << M() << M{{u"O"_s, 0.35}, {u"M"_s, 0.7}} << calmRisk
        << u"背景过滤：日内背景偏支持（指数背景：市场偏强；板块背景：沪市中性）"_s << waiting;
    QTest::newRow("weak")
        << M() << M{{u"B"_s, -0.6}} << calmRisk
        << u"背景过滤：日内背景偏弱（指数背景：市场中性；板块背景：沪市温和偏弱）"_s << waiting;
}

void TestDecisionEngine::priorityReasons()
{
    QFETCH(QVariantMap, quote);
    QFETCH(QVariantMap, terms);
    QFETCH(QString, risk);
    QFETCH(QString, background);
    QFETCH(QString, confirmation);
    const QuoteDecision d = decide(quote, terms);
    QCOMPARE(d.riskPriorityReason(), risk);
    QCOMPARE(d.backgroundPriorityReason(), background);
    QCOMPARE(d.confirmationPriorityReason(), confirmation);
    QCOMPARE(d.mainDecisionReasons(), (QStringList{risk, background, confirmation}));
}

void TestDecisionEngine::pipelineAndReasons()
{
    QCOMPARE(
        decide({}, {}).decisionPipelineSummary(),
        u"判定链：风险优先：未见明显失控风险；背景过滤：背景中性，仍需确认（日线背景：数据不足）；"
        u"近端确认：节奏或量能仍差一步确认。当前结果：机会=等确认，防守=继续观察，当前=等确认，"
        u"置信度=高。"_s);

    // Through the stores: the lines come out trimmed and at most three.
    DecisionWorld &w = *m_world;
    const Quote q = makeQuote(u"sh600000"_s, 10.2, 10.4, 9.8, 10.0);
    const QStringList reasons = w.engine->mainDecisionReasonsForQuote(q);
    QCOMPARE(reasons.size(), 3);
    QCOMPARE(reasons.first(), w.engine->riskPriorityReasonForQuote(q));
    QVERIFY(w.engine->decisionPipelineSummaryForQuote(q).endsWith(u"置信度=低。"_s));
}

void TestDecisionEngine::directive_data()
{
    QTest::addColumn<QVariantMap>("quote");
    QTest::addColumn<QVariantMap>("terms");
    QTest::addColumn<QString>("directive");
    using M = QVariantMap;
    QTest::newRow("no data") << M() << M{{u"avg"_s, 0.0}}
                             << u"下一步先等分时、均价线和量能样本更完整，再判断当前强弱。"_s;
    QTest::newRow("strong high lock")
        << M{{u"P"_s, 217.0}, {u"H"_s, 217.0}, {u"L"_s, 200.0}, {u"PC"_s, 200.0}} << M()
        << u"下一步重点观察高位稳定性和回落风险，不把强势高位直接当成追价点。"_s;
    QTest::newRow("clean breakout")
        << kNearHigh << M{{u"avg"_s, 10.5}, {u"r5"_s, 0.18}, {u"r10"_s, 0.08}, {u"v5"_s, 1.05}}
        << u"下一步看突破后的回踩是否守住 10.50，站稳后再继续跟踪。"_s;
    QTest::newRow("chase") << kNearHigh << M{{u"avg"_s, 10.5}}
                           << u"下一步先等回落后的确认，不把接近 11.00 的位置直接当成追价点。"_s;
    QTest::newRow("strength") << M()
                              << M{{u"r15"_s, 0.08},
                                   {u"r10"_s, 0.02},
                                   {u"O"_s, 0.35},
                                   {u"r30"_s, 0.15},
                                   {u"pos"_s, 5000.0}}
                              << u"下一步看均价线 10.00 附近是否稳住，守住后可继续跟踪。"_s;
    QTest::newRow("repair") << M() << M()
                            << u"下一步先看能否重新带稳均价线 10.00，再判断是否转强。"_s;
    QTest::newRow("pullback") << M() << M{{u"avg"_s, 10.23}}
                              << u"下一步先看能否收复均价线 10.23，收复后再看延续。"_s;
    QTest::newRow("severe") << around20(19.97) << M{{u"avg"_s, 20.0}, {u"A"_s, -0.45}}
                            << u"下一步以防守为先，重点看能否重新站回 20.00 上方。"_s;
    QTest::newRow("risk rising") << M() << M{{u"avg"_s, 10.25}}
                                 << u"下一步先看能否重新收回 10.25，否则继续以防守和观察为主。"_s;
}

void TestDecisionEngine::directive()
{
    QFETCH(QVariantMap, quote);
    QFETCH(QVariantMap, terms);
    QFETCH(QString, directive);
    QCOMPARE(decide(quote, terms).nextWatchDirective(), directive);
}

// --- Hints and scenarios ---

void TestDecisionEngine::keyLevels_data()
{
    QTest::addColumn<QVariantMap>("quote");
    QTest::addColumn<double>("average");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("hint");
    QTest::newRow("all known")
        << QVariantMap() << 10.0 << u"10.40 / 9.80"_s
        << u"盯位是接下来最该关注的价格区。均价线 10.00 更像日内强弱分界，日高/日低 10.40 / 9.80 则是突破与失守的参考位。"_s;
    QTest::newRow("high and low without a line")
        << QVariantMap() << 0.0 << u"10.40 / 9.80"_s
        << u"盯位表示接下来最值得盯的价格位置，用来帮助你判断强弱是否继续延续。"_s;
    QTest::newRow("line without high and low")
        << QVariantMap{{u"H"_s, 0.0}, {u"L"_s, 0.0}} << 10.0 << u"均价 10.00"_s
        << u"盯位是接下来最该关注的价格区。当前优先看均价线 10.00 能否站稳或收回。"_s;
    QTest::newRow("nothing yet")
        << QVariantMap{{u"H"_s, 0.0}, {u"L"_s, 0.0}, {u"P"_s, 0.0}} << 0.0 << u"等待数据"_s
        << u"盯位表示接下来最值得盯的价格位置，用来帮助你判断强弱是否继续延续。"_s;
}

void TestDecisionEngine::keyLevels()
{
    QFETCH(QVariantMap, quote);
    QFETCH(double, average);
    QFETCH(QString, line);
    QFETCH(QString, hint);
    const QuoteDecision d = decide(quote, {{u"avg"_s, average}});
    QCOMPARE(d.keyLevelScenario(), line);
    QCOMPARE(d.keyLevelHint(), hint);
    QCOMPARE(d.scenarioMetricHintForTitle(u"盯位"_s), hint);
}

void TestDecisionEngine::statusHints_data()
{
    QTest::addColumn<QVariantMap>("quote");
    QTest::addColumn<QVariantMap>("terms");
    QTest::addColumn<QString>("buyHint");
    QTest::addColumn<QString>("sellHint");
    QTest::addColumn<QString>("executionHint");
    using M = QVariantMap;
    const QString noData = u"分时、均价线或量能样本不足，先不强行下结论。"_s;
    const QString waitSell = u"当前更适合继续看盘面变化，再决定是否需要调整持有节奏。"_s;
    const QString waitExec = u"盘面还缺一层确认，先别急着放大预期，等待更清晰的结构或回踩结果。"_s;
    const QString defend = u"当前重点已经切到防守，先避免继续进攻，再看风险是否收敛。"_s;

    QTest::newRow("no data") << M() << M{{u"prices"_s, 0}} << noData << noData << noData;
    QTest::newRow("strength")
        << M()
        << M{{u"r15"_s, 0.08},
             {u"r10"_s, 0.02},
             {u"O"_s, 0.35},
             {u"r30"_s, 0.15},
             {u"pos"_s, 5000.0}}
        << u"机会观察条件较完整：当前站上均价线 10.00，短线和中段节奏没有明显走坏，但仍需看回踩确认。"_s
        << u"结构还没有明显走坏，当前更适合继续观察强弱延续，而不是急着放大结论。"_s
        << u"当前更偏进攻观察区，可以继续跟踪强弱延续，但不代表无条件追价。"_s;
    QTest::newRow("wait, opening")
        << M() << M{{u"pos"_s, 1000.0}}
        << u"开盘前30分钟波动容易失真，即使短线转强，也先降级为等确认。"_s << waitSell << waitExec;
    QTest::newRow("wait, closing")
        << M() << M{{u"pos"_s, 13000.0}}
        << u"尾盘容易出现抢跑或回落，除非延续性很清楚，否则先等确认。"_s << waitSell << waitExec;
    QTest::newRow("wait, no medium support")
        << M() << M{{u"real"_s, false}}
        << u"短线有修复，但30分钟结构还没配合，所以先不显示积极标签。"_s << waitSell << waitExec;
    QTest::newRow("wait, one step short")
        << M() << M{{u"r30"_s, 0.15}, {u"pos"_s, 5000.0}}
        << u"条件接近，但还差最后一步确认。继续看价格能否稳住均价线 10.00，或回踩后承接是否成立。"_s
        << waitSell << waitExec;
    QTest::newRow("chase")
        << kNearHigh << M{{u"avg"_s, 10.5}}
        << u"当前位置更像追价区，尤其接近日高 11.00 且确认不足时，先等回踩后的再判断。"_s
        << u"位置已经偏高，适合边看延续边防回落，尤其要盯住接近 11.00 附近时的量价变化。"_s
        << u"即使方向没有坏，当前位置也不适合直接追进去，先等更舒服的位置。"_s;
    QTest::newRow("defend") << M() << M{{u"avg"_s, 10.25}}
                            << u"当前重点不是寻找机会，而是先避免在结构转弱或风险抬升时继续进攻。"_s
                            << u"盘面已经进入明显偏弱或结构转坏阶段，处理重点应该切到防守。"_s
                            << defend;
    QTest::newRow("pullback")
        << M() << M{{u"avg"_s, 10.23}}
        << u"当前位置更像回踩观察阶段，先看均价线 10.23 一带的承接是否稳住。"_s
        << u"这更像回踩观察位，重点看均价线 10.23 一带有没有承接。"_s
        << u"当前更适合观察回踩质量和承接强弱，重点看这是正常整理，还是开始转弱。"_s;
}

void TestDecisionEngine::statusHints()
{
    QFETCH(QVariantMap, quote);
    QFETCH(QVariantMap, terms);
    QFETCH(QString, buyHint);
    QFETCH(QString, sellHint);
    QFETCH(QString, executionHint);
    const QuoteDecision d = decide(quote, terms);
    QCOMPARE(d.buyStatusHint(), buyHint);
    QCOMPARE(d.sellStatusHint(), sellHint);
    QCOMPARE(d.executionStatusHint(), executionHint);
    QCOMPARE(d.scenarioMetricHintForTitle(u"机会"_s), buyHint);
    QCOMPARE(d.scenarioMetricHintForTitle(u"防守"_s), sellHint);
    QCOMPARE(d.scenarioMetricHintForTitle(u"当前"_s), executionHint);
}

void TestDecisionEngine::metricsAndTags()
{
    const QuoteDecision chase = decide(kNearHigh, {{u"avg"_s, 10.5}});
    QCOMPARE(chase.homeBuyTagHint(),
             u"不追：当前位置更像追价区，尤其接近日高 11.00 且确认不足时，先等回踩后的再判断。"_s);
    QCOMPARE(decide({}, {{u"real"_s, false}}).homeBuyTagHint(),
             u"等确认：短线有修复，但30分钟结构还没配合，所以先不显示积极标签。"_s);
    QCOMPARE(chase.scenarioMetricHintForTitle(u"风控判断"_s), QString());

    // Before any data: every status is 数据不足 and every status hint the confidence reason.
    const DecisionEngine &e = *m_world->engine;
    const Quote empty = makeQuote(u"sh600000"_s, 0, 0, 0, 0);
    const QList<DecisionEngine::ScenarioMetric> metrics = e.scenarioMetricsForQuote(empty);
    QCOMPARE(metrics.size(), 4);
    const QString reason = u"分时、均价线或量能样本不足，先不强行下结论。"_s;
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(metrics.at(i).title, DecisionEngine::scenarioMetricTitles().at(i));
        QCOMPARE(metrics.at(i).value, u"数据不足"_s);
        QCOMPARE(metrics.at(i).hint, reason);
    }
    QCOMPARE(metrics.at(3).value, u"等待数据"_s);
    QCOMPARE(e.nextWatchDirectiveForQuote(empty),
             u"下一步先等分时、均价线和量能样本更完整，再判断当前强弱。"_s);
    QCOMPARE(e.decisionConfidenceForQuote(empty), u"低"_s);
}

QTEST_GUILESS_MAIN(TestDecisionEngine)
#include "tst_decisionengine.moc"
