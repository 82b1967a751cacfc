// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/InsightPrompt.h"

#include "ai/InsightService.h"
#include "app/KestrumApp.h"
#include "decision/DecisionEngine.h"
#include "model/Formatters.h"
#include "sim/MarketSimulator.h"
#include "strategy/BoardTags.h"

#include "AppHarness.h"
#include "DecisionWorld.h"
#include "ScriptedMarket.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// The prompt over stores the test fills by hand: no network, no controller.
struct PromptFixture : DecisionWorld
{
    PromptFixture()
        : DecisionWorld(shanghaiTime(2026, 4, 28, 13, 40))
        , prompt(*engine, *snapshots, *boards, held)
    {
        boards->loadBoardMap();
    }

    static Quote quote(const QString &symbol, double price, double previousClose, double high,
                       double low)
    {
        Quote q = makeQuote(symbol, price, high, low, previousClose, u"13:40:00"_s);
        q.name = u"测试股份"_s;
        q.volume = 1.2e6;
        q.amount = 1.2e6 * price;
        return q;
    }

    QStringList lines(const Quote &q) const { return prompt.aiPromptForQuote(q).split(u'\n'); }

    QList<Quote> held;
    InsightPrompt prompt;
};

} // namespace

class tst_InsightPrompt : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void simulatedQuoteLineByLineAndSent();
    void changeRankAndMissingData();
    void keyLevelLine_data();
    void keyLevelLine();
    void agentsAndHint_data();
    void agentsAndHint();
};

void tst_InsightPrompt::simulatedQuoteLineByLineAndSent()
{
    AppHarness h({u"sh600519"_s, u"sz002491"_s, u"sz300750"_s}, shanghaiTime(2026, 4, 28, 13, 45));
    h.app->loadStrategy();
    QVERIFY(h.refreshAndWait());
    QTRY_VERIFY_WITH_TIMEOUT(h.app->intraday().isReal(u"sz002491"_s), kPatienceMs);
    h.clock().advanceSecs(180);
    QVERIFY(h.refreshAndWait());
    // Let the refresh's background fetches land, so the directive holds still.
    QTRY_VERIFY_WITH_TIMEOUT(
        h.app->boardTags().boardLookupInFlightSymbols().isEmpty() &&
            h.app->dailyCache()
                .dailyCacheRecordForQuote(*h.app->quoteForSymbol(u"sz002491"_s))
                .has_value(),
        kPatienceMs);

    const Quote q = *h.app->quoteForSymbol(u"sz002491"_s);
    const QStringList lines = h.app->prompt().aiPromptForQuote(q).split(u'\n');
    QCOMPARE(lines.size(), 33);

    const DecisionEngine &d = h.app->decision();
    QList<Quote> sorted = h.app->quotes();
    std::stable_sort(sorted.begin(), sorted.end(), [](const Quote &x, const Quote &y) {
        return x.changePercent() > y.changePercent();
    });
    qsizetype rank = 0;
    while (sorted.at(rank).symbol != q.symbol)
        ++rank;

    QCOMPARE(lines[0], u"股票：通鼎互联（SZ002491）"_s);
    QCOMPARE(lines[1], u"当前价："_s + formatPrice(q.price));
    QCOMPARE(lines[8], u"成交量："_s + formatCompactNumber(q.volume));
    QCOMPARE(lines[11], u"自选池数量：3"_s);
    QCOMPARE(lines[12], u"涨幅排名："_s + QString::number(rank + 1) + u"/3"_s);
    // The analysis lines, each under its label, joined from the readers that own their parts
    // (tested where they live); spot checks where the joining itself could go wrong.
    const QStringList labels{u"价格锚点"_s,    u"基础盘中特征"_s, u"节奏分层"_s,   u"日内背景"_s,
                             u"日线背景"_s,    u"状态连续性"_s,   u"结构化判断"_s, u"执行状态"_s,
                             u"判断置信度"_s,  u"下一步锚点"_s,   u"规则摘要"_s,   QString(),
                             u"多Agent观点"_s, u"结构Agent"_s,    u"量价Agent"_s,  u"风险Agent"_s,
                             u"机会Agent"_s,   u"主持任务"_s};
    for (qsizetype i = 0; i < labels.size(); ++i) {
        const QString &line = lines.at(13 + i);
        QVERIFY2(labels[i].isEmpty() ? line.isEmpty() : line.startsWith(labels[i] + u"："_s),
                 qPrintable(line));
    }
    QCOMPARE(lines[17], u"日线背景："_s + h.app->dailyCache().dailyContextForQuote(q) +
                            u"；板块标签：通信 / 光通信"_s);
    QVERIFY(!lines[18].contains(u"首轮观察")); // two refreshes: there is a previous snapshot
    QVERIFY(lines[19].endsWith(u"；"_s + h.app->prompt().operationHintDescriptionForQuote(q)));
    QCOMPARE(lines[22], u"下一步锚点："_s + d.nextWatchDirectiveForQuote(q));
    QVERIFY(lines[30].contains(u"。本地观察锚点："_s + d.nextWatchDirectiveForQuote(q)));
    QCOMPARE(lines[31], QString());
    QCOMPARE(lines[32], InsightPrompt::closingInstruction());

    // Exactly this prompt goes out, after the system message, and the program's own
    // directive closes the stored insight.
    AppSettings &settings = h.app->settings();
    settings.aiEnabled = true;
    settings.aiAPIKey = u"sk-test"_s;
    settings.aiBaseURL = h.market.baseUrl().toString() + u"/v1"_s;
    h.market.simulator.enqueueChatAnswer(
        SimChatAnswer::text(u"盘面偏强震荡。均价线上方承接稳定。继续观察。"_s));
    h.app->insights().generateAIInsight(q.symbol);
    QTRY_VERIFY_WITH_TIMEOUT(!h.app->insights().isLoading(q.symbol), kPatienceMs);
    const QList<SimRequest> sent = h.server().requests(MarketSimulator::chatRouteName());
    QCOMPARE(sent.size(), 1);
    const QJsonArray messages =
        QJsonDocument::fromJson(sent.first().body).object().value(u"messages"_s).toArray();
    QCOMPARE(messages,
             (QJsonArray{QJsonObject{{u"role"_s, u"system"_s},
                                     {u"content"_s, InsightPrompt::systemMessage()}},
                         QJsonObject{{u"role"_s, u"user"_s}, {u"content"_s, lines.join(u'\n')}}}));
    QVERIFY2(settings.aiInsights.value(q.symbol).endsWith(d.nextWatchDirectiveForQuote(q)),
             qPrintable(settings.aiInsights.value(q.symbol)));
}

void tst_InsightPrompt::changeRankAndMissingData()
{
    PromptFixture f;
    for (const double change : {3.0, 1.0, -2.0}) {
        const double price = 10 * (1 + change / 100);
        f.held.append(
            f.quote(u"sh60000"_s + QString::number(f.held.size()), price, 10, price + 0.1, 9.8));
    }
    QCOMPARE(f.lines(f.held.at(2))[12], u"涨幅排名：3/3"_s);
    f.held[0].price = f.held.at(1).price; // a tie keeps list order
    QCOMPARE(f.lines(f.held.at(1))[12], u"涨幅排名：2/3"_s);

    // Not held, no previous close, no board tags.
    const Quote q = f.quote(u"sh601888"_s, 6.5, 0, 6.8, 6.2);
    const QStringList lines = f.lines(q);
    QCOMPARE(lines.size(), 33);
    QCOMPARE(lines.mid(10, 3),
             (QStringList{u"振幅：0.00%"_s, u"自选池数量：3"_s, u"涨幅排名：1/3"_s}));
    QVERIFY2(lines[16].endsWith(u"；"), qPrintable(lines[16])); // no breakout context
    QVERIFY(f.prompt.riskAgentReportForQuote(q).endsWith(u"。补充：。"_s));
    QVERIFY2(lines[17].startsWith(u"日线背景：") && lines[17].endsWith(u"；板块标签："),
             qPrintable(lines[17]));
}

void tst_InsightPrompt::keyLevelLine_data()
{
    QTest::addColumn<QList<double>>("prices"); // at the open, at midday, now (13:40)
    QTest::addColumn<double>("average");
    QTest::addColumn<QString>("keyLevel");

    QTest::newRow("above the average, down since the open and since midday")
        << QList<double>{10.40, 10.35, 10.20} << 10.10
        << u"关键风控位：均价线 10.10，日内背景 偏弱 / 午后走弱"_s;
    QTest::newRow("up since the open and since midday")
        << QList<double>{10.00, 10.10, 10.20} << 10.10
        << u"关键风控位：均价线 10.10，日内背景 未转弱 / 午后未转差"_s;
    QTest::newRow("no average line") << QList<double>{} << 0.0 << u"关键风控位：等待均价线形成"_s;
}

void tst_InsightPrompt::keyLevelLine()
{
    QFETCH(QList<double>, prices);
    QFETCH(double, average);
    QFETCH(QString, keyLevel);

    PromptFixture f;
    const QString symbol = u"sh601888"_s;
    if (!prices.isEmpty()) {
        ScriptedSeries::through({{0, prices[0]}, {7200, prices[1]}, {9600, prices[2]}})
            .endingAverageAt(average)
            .applyTo(f.intraday, symbol, u"2026-04-28"_s);
    }
    const Quote q = f.quote(symbol, prices.isEmpty() ? 10.2 : prices.last(), 10.0, 10.5, 9.9);
    const QString report = f.prompt.riskAgentReportForQuote(q);
    QVERIFY2(report.contains(u"。"_s + keyLevel + u"。补充："_s), qPrintable(report));
}

void tst_InsightPrompt::agentsAndHint_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<double>("price");
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("indexChange"); // every background index, percent
    QTest::addColumn<QString>("risk");
    QTest::addColumn<QString>("opportunity");
    QTest::addColumn<QString>("hint");

    QTest::newRow("steady climb")
        << u"tracking"_s << 10.20 << 10.60 << 0.3 << u"风险状态：可控"_s
        << u"判断：机会状态：可跟踪。理由：价格仍在均价线 10.10 上方，且背景与节奏配合成立。"_s
        << u"操作观察口径：当前位置更适合跟踪强弱延续，先盯均价线和回踩承接"_s;
    QTest::newRow("climb right under the day high")
        << u"tracking"_s << 10.20 << 10.22 << 0.3 << u"风险状态：可控"_s
        << u"判断：机会状态：不追高。理由：当前价已接近日高 10.22，更适合等回踩确认。"_s
        << u"操作观察口径：当前位置不追高，优先等回踩确认后再判断"_s;
    QTest::newRow("stalled above the average line")
        << u"waiting"_s << 10.20 << 10.60 << 0.3 << u"风险状态：可控"_s
        << u"判断：机会状态：等确认。理由：背景有支持，但近端确认还没有完全收口。"_s
        << u"操作观察口径：当前更适合等确认，不把局部修复直接当成出手信号"_s;
    QTest::newRow("gave the climb back in a quiet market")
        << u"defending"_s << 10.03 << 10.60 << 0.0 << u"风险状态：失 10.10"_s
        << u"判断：机会状态：收复均价。理由：尚未重新站上均价线 10.10。"_s
        << u"操作观察口径：均价线下方优先观察修复，等重新站上后再看延续"_s;
}

void tst_InsightPrompt::agentsAndHint()
{
    QFETCH(QString, shape);
    QFETCH(double, price);
    QFETCH(double, high);
    QFETCH(double, indexChange);
    QFETCH(QString, risk);
    QFETCH(QString, opportunity);
    QFETCH(QString, hint);

    PromptFixture f;
    const QString symbol = u"sh601888"_s;
    const double end = 4320; // 10:42
    for (const QString &index : DecisionEngine::backgroundIndexSymbols()) {
        const double level = 1000 * (1 + indexChange / 100);
        f.background.insert(index, f.quote(index, level, 1000, level + 1, 999));
    }
    const ScriptedSeries series = shape == u"tracking"  ? ScriptedSeries::tracking(end, price)
                                  : shape == u"waiting" ? ScriptedSeries::waiting(end, price)
                                                        : ScriptedSeries::defending(end, price);
    series.applyTo(f.intraday, symbol, u"2026-04-28"_s);
    Quote q = f.quote(symbol, price, 10.00, high, 9.95);
    q.time = u"10:42:00"_s;

    const QString riskReport = f.prompt.riskAgentReportForQuote(q);
    QVERIFY2(riskReport.startsWith(u"判断："_s + risk + u"。"_s), qPrintable(riskReport));
    QCOMPARE(f.prompt.operationHintDescriptionForQuote(q), hint);
    QCOMPARE(f.lines(q)[29], u"机会Agent："_s + opportunity);
}

QTEST_GUILESS_MAIN(tst_InsightPrompt)
#include "tst_insightprompt.moc"
