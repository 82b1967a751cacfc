#include "ai/InsightService.h"
#include "config/AppSettings.h"
#include "model/Clock.h"
#include "net/HttpClient.h"
#include "sim/MarketSimulator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(SimChatAnswer)

namespace {

const QString kSymbol = u"sh600519"_s;
const QString kKey = u"sk-secret-xyz"_s;
const QString kDirective = u"下一步看均价线 1500.00 附近是否稳住，守住后可继续跟踪。"_s;
const QString kNoDataDirective = u"下一步先等分时、均价线和量能样本更完整，再判断当前强弱。"_s;
const QString kStructure = u"日内结构：均价线上方震荡"_s;
const QString kVolumePrice = u"量价细节：放量上攻后缩量整理"_s;
const QString kAnchor = u"价格锚点：现价 1510.00，均价 1500.00"_s;
const QString kAverage = u"均价线关系：站上均价线"_s;

const QString kRewriteNote =
    u"\n上一版使用了澄川未接入的数据口径，请只基于分时价格、均价线、成交量变化和日内结构重写。不要出现盘口、资金流、主力、逐笔、大单、吸筹、出货、买入、卖出、目标价等表达。"_s;

QString fallbackWith(const QString &structure, const QString &volumePrice, const QString &anchor,
                     const QString &average)
{
    return structure + u"，"_s + volumePrice + u"。"_s + anchor +
           u"，当前观察仅基于分时价格、均价线与成交量变化，暂不输出盘口、资金流或主力相关判断。下一步可结合"_s +
           average + u"，观察价格能否延续当前日内结构。"_s;
}

Quote moutai()
{
    Quote q;
    q.symbol = kSymbol;
    q.name = u"贵州茅台"_s;
    q.price = 1510;
    q.previousClose = 1490;
    q.open = 1495;
    q.high = 1518;
    q.low = 1492;
    q.date = u"2026-04-28"_s;
    q.time = u"10:31:05"_s;
    return q;
}

QString promptFor(const Quote &q)
{
    return u"股票："_s + q.name + u"（"_s + q.symbol.toUpper() + u"）\n当前价："_s +
           QString::number(q.price, 'f', 2) + u"\n涨跌幅：+1.34%"_s;
}

} // namespace

class tst_InsightService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void sentences_data();
    void sentences();
    void normalizedText_data();
    void normalizedText();
    void unsupportedData_data();
    void unsupportedData();

    void generation_data();
    void generation();
    void defaultSimulatedCommentaryIsKept();
    void cardWhileLoadingAndAfter();
    void cardWithoutFreshInsight_data();
    void cardWithoutFreshInsight();
    void failureKeepsFreshInsight();
    void refusedBeforeSending_data();
    void refusedBeforeSending();
    void transportFailure();
    void rewriteAfterAIWasSwitchedOff();
    void automaticGenerationOncePerTradingDay();
    void automaticGenerationUsesQuoteDate();
    void replyAfterServiceIsGoneIsHarmless();

private:
    std::unique_ptr<InsightService> makeService();
    void configure(const QString &baseURL);
    QList<SimRequest> chatRequests() const
    {
        return m_sim->server().requests(MarketSimulator::chatRouteName());
    }
    bool waitUntilIdle(InsightService &service);

    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<MarketSimulator> m_sim;
    std::unique_ptr<HttpClient> m_http;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<InsightService> m_service;
    QHash<QString, Quote> m_quotes;
    QString m_directive;
    int m_saves = 0;
};

void tst_InsightService::init()
{
    m_clock = std::make_unique<ManualClock>(
        QDateTime(QDate(2026, 4, 28), QTime(10, 30), QTimeZone("Asia/Shanghai")));
    m_sim = std::make_unique<MarketSimulator>(*m_clock);
    QVERIFY(m_sim->start() != 0);
    m_http = std::make_unique<HttpClient>();
    m_settings = std::make_unique<AppSettings>();
    m_quotes = {{kSymbol, moutai()}};
    m_directive = kDirective;
    m_saves = 0;
    configure(m_sim->baseUrl().toString() + u"/v1"_s);
    m_service = makeService();
}

void tst_InsightService::cleanup()
{
    m_service.reset();
    m_http.reset();
    m_sim.reset();
}

void tst_InsightService::configure(const QString &baseURL)
{
    m_settings->aiEnabled = true;
    m_settings->aiAPIKey = kKey;
    m_settings->aiModel = u"sim-chat"_s;
    m_settings->aiBaseURL = baseURL;
}

std::unique_ptr<InsightService> tst_InsightService::makeService()
{
    InsightSources sources;
    sources.prompt = [](const Quote &q) {
        return InsightPromptMessages{u"你是盘中观察主持人。"_s, promptFor(q)};
    };
    sources.quoteForSymbol = [this](const QString &symbol) -> std::optional<Quote> {
        if (m_quotes.contains(symbol))
            return m_quotes.value(symbol);
        return std::nullopt;
    };
    sources.nextWatchDirective = [this](const Quote &q) {
        return q.symbol.isEmpty() ? kNoDataDirective : m_directive;
    };
    sources.intradayStructure = [](const Quote &) {
        return kStructure;
    };
    sources.detailedVolumePrice = [](const Quote &) {
        return kVolumePrice;
    };
    sources.priceAnchor = [](const Quote &) {
        return kAnchor;
    };
    sources.averageLine = [](const Quote &) {
        return kAverage;
    };
    auto service = std::make_unique<InsightService>(*m_settings, *m_http, *m_clock,
                                                    std::move(sources), [this] { ++m_saves; });
    service->setRequestTimeoutMs(400);
    return service;
}

bool tst_InsightService::waitUntilIdle(InsightService &service)
{
    return QTest::qWaitFor(
        [&] { return service.aiLoadingSymbols().isEmpty() && m_http->requestsInFlight() == 0; },
        5000);
}

void tst_InsightService::sentences_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("labels removed")
        << u"当前盘面状态：价格站上均价线。最关键的结构/量价信号：放量突破日内高点。下一步观察：回踩均价线是否守住。"_s
        << QStringList{u"价格站上均价线"_s, u"放量突破日内高点"_s, u"回踩均价线是否守住"_s};
    QTest::newRow("longer label before shorter")
        << u"下一步操作思路：等回踩确认"_s << QStringList{u"等回踩确认"_s};
    QTest::newRow("comma at 20 of 60") << QString(QString(20, u'强') + u"，"_s + QString(39, u'弱'))
                                       << QStringList{QString(20, u'强')};
    QTest::newRow("comma too early cuts at 42")
        << QString(QString(10, u'强') + u"，"_s + QString(49, u'弱'))
        << QStringList{QString(QString(10, u'强') + u"，"_s + QString(31, u'弱'))};
    QTest::newRow("42 kept whole") << QString(42, u'稳') << QStringList{QString(42, u'稳')};
    QTest::newRow("43 cut") << QString(43, u'稳') << QStringList{QString(42, u'稳')};
    QTest::newRow("semicolons, line feeds, marks")
        << u"第一句；分号\n换行。第二句！第三句？第四句。"_s
        << QStringList{u"第一句，分号换行"_s, u"第二句"_s, u"第三句"_s};
    QTest::newRow("doubled full stops") << u" 甲。。乙。"_s << QStringList{u"甲"_s, u"乙"_s};
    QTest::newRow("labels only") << u"下一步观察：。操作思路： "_s << QStringList();
    QTest::newRow("white space") << u" \n \t"_s << QStringList();
}

void tst_InsightService::sentences()
{
    QFETCH(QString, text);
    QTEST(InsightService::normalizedInsightSentencesFromText(text), "expected");
}

void tst_InsightService::normalizedText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("withQuote");
    QTest::addColumn<QString>("expected");

    const QString labelled =
        u"当前盘面状态：价格站上均价线。最关键的结构/量价信号：放量突破日内高点。下一步观察：回踩均价线是否守住。"_s;
    QTest::newRow("three sentences: third is the directive")
        << labelled << true << u"价格站上均价线。放量突破日内高点。"_s + kDirective;
    QTest::newRow("two sentences get the directive")
        << u"甲。乙"_s << true << u"甲。乙。"_s + kDirective;
    QTest::newRow("one sentence gets the volume-price line")
        << u"甲"_s << true << u"甲。"_s + kVolumePrice + u"。"_s;
    QTest::newRow("one sentence without quote") << u"甲"_s << false << u"甲。量价细节暂不完整。"_s;
    QTest::newRow("three sentences without quote")
        << u"甲。乙。丙。"_s << false << u"甲。乙。"_s + kNoDataDirective;
    QTest::newRow("nothing usable: fallback")
        << u"。。"_s << true << fallbackWith(kStructure, kVolumePrice, kAnchor, kAverage);
    QTest::newRow("nothing usable without quote")
        << QString() << false
        << fallbackWith(u"日内结构暂不明确"_s, u"量价细节暂不完整"_s, u"价格锚点暂不完整"_s,
                        u"均价线关系暂不明确"_s);
}

void tst_InsightService::normalizedText()
{
    QFETCH(QString, text);
    QFETCH(bool, withQuote);
    const std::optional<Quote> quote = withQuote ? std::optional<Quote>(moutai()) : std::nullopt;
    QTEST(m_service->normalizedAIInsightText(text, quote), "expected");
}

void tst_InsightService::unsupportedData_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");
    QTest::newRow("main force") << u"主力资金介入明显"_s << true;
    QTest::newRow("stop loss") << u"跌破均价线可考虑止损"_s << true;
    QTest::newRow("order book") << u"盘口挂单偏多"_s << true;
    QTest::newRow("plain structure") << u"价格站上均价线，量能温和放大"_s << false;
    QTest::newRow("empty") << QString() << false;
}

void tst_InsightService::unsupportedData()
{
    QFETCH(QString, text);
    QTEST(InsightService::aiInsightUsesUnsupportedDataLanguage(text), "expected");
    QCOMPARE(InsightService::unsupportedDataWords().size(), 31);
}

void tst_InsightService::generation_data()
{
    QTest::addColumn<QList<SimChatAnswer>>("answers");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("error");

    const QString clean =
        u"当前盘面状态：价格站上均价线。最关键的结构/量价信号：放量突破日内高点。下一步观察：回踩均价线是否守住。"_s;
    const QString cleanStored = u"价格站上均价线。放量突破日内高点。"_s + kDirective;
    const QString fallback = InsightService::normalizedInsightSentencesFromText(
                                 fallbackWith(kStructure, kVolumePrice, kAnchor, kAverage))
                                 .mid(0, 2)
                                 .join(u"。"_s) +
                             u"。"_s + kDirective;

    QTest::newRow("three sentences")
        << QList<SimChatAnswer>{SimChatAnswer::text(clean)} << 1 << cleanStored << QString();
    QTest::newRow("content in parts")
        << QList<SimChatAnswer>{SimChatAnswer::parts({u"价格站上均价线。"_s, u"量能温和。"_s})} << 1
        << u"价格站上均价线。量能温和。"_s + kDirective << QString();
    QTest::newRow("rewritten once")
        << QList<SimChatAnswer>{SimChatAnswer::text(u"主力资金流入，价格走强。量能放大。"_s),
                                SimChatAnswer::text(clean)}
        << 2 << cleanStored << QString();
    QTest::newRow("rewrite also unsupported: fallback")
        << QList<SimChatAnswer>{SimChatAnswer::text(u"主力资金流入。"_s),
                                SimChatAnswer::text(u"跌破均价线止损。"_s),
                                SimChatAnswer::text(clean)}
        << 2 << fallback << QString();
    QTest::newRow("blank answer") << QList<SimChatAnswer>{SimChatAnswer::text(u"  \n "_s)} << 1
                                  << QString()
                                  << u"AI 服务返回为空，请换一个 Chat Completions 兼容模型。"_s;
    QTest::newRow("200 with garbage")
        << QList<SimChatAnswer>{SimChatAnswer::raw(200, "{not json", "application/json")} << 1
        << QString() << u"AI 服务返回为空，请换一个 Chat Completions 兼容模型。"_s;
    QTest::newRow("401 with error object")
        << QList<SimChatAnswer>{SimChatAnswer::error(401, u"invalid_request_error"_s,
                                                     u"Incorrect API key provided."_s)}
        << 1 << QString() << u"AI 生成失败：invalid_request_error：Incorrect API key provided."_s;
    QTest::newRow("403 without error object")
        << QList<SimChatAnswer>{SimChatAnswer::raw(403, "Forbidden", "text/plain")} << 1
        << QString() << u"AI 生成失败，服务返回 HTTP 403。"_s;
    QTest::newRow("404 with message")
        << QList<SimChatAnswer>{SimChatAnswer::error(404, QString(), u"model not found"_s)} << 1
        << QString() << u"AI 生成失败：model not found"_s;
    QTest::newRow("500 with HTML")
        << QList<SimChatAnswer>{SimChatAnswer::raw(500, "<html>Internal Server Error</html>")} << 1
        << QString() << u"AI 生成失败，服务返回 HTTP 500。"_s;
    QTest::newRow("slower than the deadline")
        << QList<SimChatAnswer>{SimChatAnswer::text(clean).delayedBy(1500)} << 1 << QString()
        << u"AI 请求失败：请求超时。"_s;
}

void tst_InsightService::generation()
{
    QFETCH(QList<SimChatAnswer>, answers);
    QFETCH(int, requests);
    QFETCH(QString, stored);
    QFETCH(QString, error);
    for (const SimChatAnswer &answer : answers)
        m_sim->enqueueChatAnswer(answer);
    // A base URL typed with trailing slashes still reaches the right path.
    m_settings->aiBaseURL += u"//"_s;
    QSignalSpy changed(m_service.get(), &InsightService::insightChanged);

    m_service->generateAIInsight(kSymbol);
    QVERIFY(m_service->isLoading(kSymbol));
    QVERIFY(waitUntilIdle(*m_service));

    const QList<SimRequest> sent = chatRequests();
    QCOMPARE(sent.size(), requests);
    const QJsonObject body = QJsonDocument::fromJson(sent.first().body).object();
    QCOMPARE(sent.first().path, u"/v1/chat/completions"_s);
    QCOMPARE(sent.first().header("Authorization"), QByteArray("Bearer ") + kKey.toUtf8());
    QCOMPARE(sent.first().header("Content-Type"), QByteArray("application/json"));
    QCOMPARE(body.value(u"model"_s).toString(), u"sim-chat"_s);
    QCOMPARE(body.value(u"temperature"_s).toDouble(), 0.2);
    QCOMPARE(body.value(u"max_tokens"_s).toInt(), 170);
    const QJsonArray messages = body.value(u"messages"_s).toArray();
    QCOMPARE(messages.size(), 2);
    QCOMPARE(messages.at(0).toObject(),
             (QJsonObject{{u"role"_s, u"system"_s}, {u"content"_s, u"你是盘中观察主持人。"_s}}));
    QCOMPARE(messages.at(1).toObject(),
             (QJsonObject{{u"role"_s, u"user"_s}, {u"content"_s, promptFor(moutai())}}));
    if (requests == 2) {
        const QString previous = answers.first().content->trimmed();
        const QJsonArray retry =
            QJsonDocument::fromJson(sent.at(1).body).object().value(u"messages"_s).toArray();
        QCOMPARE(retry.at(0), messages.at(0));
        QCOMPARE(retry.at(1).toObject().value(u"content"_s).toString(),
                 promptFor(moutai()) + u"\n\n上一版输出："_s + previous + kRewriteNote);
        QCOMPARE(m_sim->pendingChatAnswers(), answers.size() - 2);
    }

    QVERIFY(!m_service->isLoading(kSymbol));
    QCOMPARE(m_settings->aiInsights.value(kSymbol), stored);
    QCOMPARE(m_service->errorForSymbol(kSymbol).value_or(QString()), error);
    const bool succeeded = !stored.isEmpty();
    QCOMPARE(m_settings->aiInsightDates.value(kSymbol), succeeded ? u"2026-04-28"_s : QString());
    QCOMPARE(m_settings->aiAutoGeneratedKeys.contains(u"sh600519|2026-04-28"_s), succeeded);
    QCOMPARE(m_saves, succeeded ? 1 : 0);
    QCOMPARE(m_service->hasFreshAIInsightForQuote(moutai()), succeeded);
    QVERIFY(changed.size() >= 2);
    QVERIFY(!m_service->aiDisplayMessageForQuote(moutai()).contains(kKey));
}

void tst_InsightService::defaultSimulatedCommentaryIsKept()
{
    m_service->generateAIInsight(kSymbol);
    QVERIFY(waitUntilIdle(*m_service));
    const QString text = m_settings->aiInsights.value(kSymbol);
    QVERIFY2(text.startsWith(u"贵州茅台"_s), qPrintable(text));
    QVERIFY(text.contains(u"1510.00"_s));
    QVERIFY(text.endsWith(kDirective));
    QCOMPARE(text.count(u'。'), 3);
    QCOMPARE(chatRequests().size(), 1); // the demo answer never needs a rewrite
}

void tst_InsightService::cardWhileLoadingAndAfter()
{
    m_sim->enqueueChatAnswer(
        SimChatAnswer::text(u"价格站上均价线。量能温和。丙。"_s).delayedBy(100));
    m_service->generateAIInsight(kSymbol);
    QCOMPARE(m_service->insightCardForQuote(moutai()).subtitle, u"生成中 · 盘中观察"_s);
    QCOMPARE(m_service->insightCardForQuote(moutai()).body, u"正在生成观察…"_s);
    QVERIFY(waitUntilIdle(*m_service));

    QCOMPARE(m_service->aiInsightSubtitleForQuote(moutai()), u"10:31 行情 · 盘中观察"_s);
    QCOMPARE(m_service->aiDisplayMessageForQuote(moutai()),
             u"价格站上均价线。量能温和。"_s + kDirective);
    // The shown third sentence follows the program's current directive.
    m_directive = u"下一步以防守为先，重点看能否重新站回 1500.00 上方。"_s;
    QCOMPARE(m_service->aiDisplayMessageForQuote(moutai()),
             u"价格站上均价线。量能温和。"_s + m_directive);
    Quote noTime = moutai();
    noTime.time = u"9:3"_s;
    QCOMPARE(m_service->aiInsightSubtitleForQuote(noTime), u"今日 行情 · 盘中观察"_s);
}

void tst_InsightService::cardWithoutFreshInsight_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("subtitle");
    QTest::addColumn<QString>("body");
    QTest::newRow("configured") << true << kKey << u"待生成 · 盘中观察"_s
                                << u"正在等待今日首次观察。"_s;
    QTest::newRow("switched off") << false << kKey << u"待配置 · 盘中观察"_s
                                  << u"配置 AI 后，可基于实时行情生成一句轻量观察。"_s;
    QTest::newRow("no key") << true << QString() << u"待配置 · 盘中观察"_s
                            << u"配置 AI 后，可基于实时行情生成一句轻量观察。"_s;
}

void tst_InsightService::cardWithoutFreshInsight()
{
    QFETCH(bool, enabled);
    QFETCH(QString, key);
    m_settings->aiEnabled = enabled;
    m_settings->aiAPIKey = key;
    // Yesterday's insight is stale: neither shown nor counted as fresh.
    m_settings->aiInsights.insert(kSymbol, u"昨日观察。"_s);
    m_settings->aiInsightDates.insert(kSymbol, u"2026-04-27"_s);
    QVERIFY(!m_service->hasFreshAIInsightForQuote(moutai()));
    QTEST(m_service->aiInsightSubtitleForQuote(moutai()), "subtitle");
    QTEST(m_service->aiDisplayMessageForQuote(moutai()), "body");
}

void tst_InsightService::failureKeepsFreshInsight()
{
    m_service->finishAIInsightForSymbol(kSymbol, u"早盘观察。量能温和。"_s, QString());
    const QString stored = m_settings->aiInsights.value(kSymbol);
    m_sim->enqueueChatAnswer(SimChatAnswer::raw(502, "<html>Bad Gateway</html>"));
    m_service->generateAIInsight(kSymbol);
    QVERIFY(waitUntilIdle(*m_service));
    QCOMPARE(m_settings->aiInsights.value(kSymbol), stored);
    QCOMPARE(m_service->aiInsightSubtitleForQuote(moutai()), u"生成失败 · 可重试"_s);
    QCOMPARE(m_service->aiDisplayMessageForQuote(moutai()), stored);
    QCOMPARE(*m_service->errorForSymbol(kSymbol), u"AI 生成失败，服务返回 HTTP 502。"_s);
}

void tst_InsightService::refusedBeforeSending_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("baseURL");
    QTest::addColumn<QString>("error");
    QTest::newRow("switched off") << false << kKey << QString() << u"请先完成 AI 分析设置。"_s;
    QTest::newRow("no key") << true << QString() << QString() << u"请先完成 AI 分析设置。"_s;
    QTest::newRow("malformed base URL")
        << true << kKey << u"http://[::1/v1"_s << u"Base URL 无效。"_s;
}

void tst_InsightService::refusedBeforeSending()
{
    QFETCH(bool, enabled);
    QFETCH(QString, key);
    QFETCH(QString, baseURL);
    m_settings->aiEnabled = enabled;
    m_settings->aiAPIKey = key;
    if (!baseURL.isEmpty())
        m_settings->aiBaseURL = baseURL;
    QSignalSpy changed(m_service.get(), &InsightService::insightChanged);
    m_service->generateAIInsight(kSymbol);
    QVERIFY(!m_service->isLoading(kSymbol));
    QTEST(m_service->errorForSymbol(kSymbol).value_or(QString()), "error");
    QCOMPARE(m_http->requestsInFlight(), 0);
    QVERIFY(!changed.isEmpty());
    QCOMPARE(m_saves, 0);
}

void tst_InsightService::transportFailure()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    configure(u"http://127.0.0.1:"_s + QString::number(closed.serverPort()) + u"/v1"_s);
    closed.close();
    m_service->generateAIInsight(kSymbol);
    QVERIFY(waitUntilIdle(*m_service));
    const QString error = m_service->errorForSymbol(kSymbol).value_or(QString());
    QVERIFY2(error.startsWith(u"AI 请求失败："_s) && error.size() > 8, qPrintable(error));
    QVERIFY(!error.contains(kKey));
}

void tst_InsightService::rewriteAfterAIWasSwitchedOff()
{
    m_sim->enqueueChatAnswer(SimChatAnswer::text(u"主力资金流入。"_s).delayedBy(150));
    m_service->generateAIInsight(kSymbol);
    m_settings->aiEnabled = false;
    // The rewrite cannot be sent, and the stock must not stay loading for ever.
    QVERIFY(waitUntilIdle(*m_service));
    QCOMPARE(*m_service->errorForSymbol(kSymbol), u"请先完成 AI 分析设置。"_s);
    QCOMPARE(chatRequests().size(), 1);
}

void tst_InsightService::automaticGenerationOncePerTradingDay()
{
    Quote undated = moutai();
    undated.date.clear();
    m_quotes.insert(kSymbol, undated);
    const QString day1Key = u"sh600519|2026-04-28"_s;

    // Remembered and saved before the answer comes, so a crash or failure cannot repeat it.
    m_service->autoGenerateAIInsightIfNeededForQuote(undated);
    QVERIFY(m_service->isLoading(kSymbol));
    QVERIFY(m_settings->aiAutoGeneratedKeys.contains(day1Key));
    QCOMPARE(m_saves, 1);
    QVERIFY(waitUntilIdle(*m_service));
    QCOMPARE(m_settings->aiInsightDates.value(kSymbol), u"2026-04-28"_s);
    QCOMPARE(m_saves, 2);
    QCOMPARE(chatRequests().size(), 1);

    // Fresh: nothing more today, even after the stored text is gone.
    m_service->autoGenerateAIInsightIfNeededForQuote(undated);
    m_settings->aiInsights.clear();
    m_service->autoGenerateAIInsightIfNeededForQuote(undated);
    QCOMPARE(m_http->requestsInFlight(), 0);
    QCOMPARE(chatRequests().size(), 1);

    // Next day: one attempt; its failure is not retried automatically.
    m_clock->advanceSecs(24 * 3600);
    QCOMPARE(m_service->aiInsightSubtitleForQuote(undated), u"待生成 · 盘中观察"_s);
    m_sim->enqueueChatAnswer(SimChatAnswer::error(500, u"server_error"_s, u"busy"_s));
    m_service->autoGenerateAIInsightIfNeededForQuote(undated);
    QVERIFY(waitUntilIdle(*m_service));
    QCOMPARE(*m_service->errorForSymbol(kSymbol), u"AI 生成失败：server_error：busy"_s);
    m_service->autoGenerateAIInsightIfNeededForQuote(undated);
    QCOMPARE(m_http->requestsInFlight(), 0);
    QCOMPARE(chatRequests().size(), 2);
    QVERIFY(m_settings->aiAutoGeneratedKeys.contains(u"sh600519|2026-04-29"_s));

    // The user can still ask by hand.
    m_service->generateAIInsight(kSymbol);
    QVERIFY(waitUntilIdle(*m_service));
    QCOMPARE(m_settings->aiInsightDates.value(kSymbol), u"2026-04-29"_s);
    QVERIFY(!m_service->errorForSymbol(kSymbol));

    // The day turns at midnight in Shanghai, not in UTC (16:30 UTC the day before).
    m_clock->setNow(QDateTime(QDate(2026, 4, 30), QTime(0, 30), QTimeZone("Asia/Shanghai")));
    QCOMPARE(m_clock->now().toUTC().date(), QDate(2026, 4, 29));
    m_service->autoGenerateAIInsightIfNeededForQuote(undated);
    QVERIFY(m_service->isLoading(kSymbol));
    QVERIFY(waitUntilIdle(*m_service));
    QCOMPARE(m_settings->aiInsightDates.value(kSymbol), u"2026-04-30"_s);
    QCOMPARE(chatRequests().size(), 4);

    // Never without the feature switched on and a key.
    m_clock->advanceSecs(24 * 3600);
    m_settings->aiEnabled = false;
    m_service->autoGenerateAIInsightIfNeededForQuote(undated);
    QVERIFY(!m_settings->aiAutoGeneratedKeys.contains(u"sh600519|2026-05-01"_s));
    m_service->autoGenerateAIInsightIfNeededForQuote(std::nullopt);
    QCOMPARE(chatRequests().size(), 4);
}

void tst_InsightService::automaticGenerationUsesQuoteDate()
{
    // The quote's own trading date wins over the calendar (a Monday morning with Friday's quote).
    Quote friday = moutai();
    friday.date = u"2026-04-24"_s;
    m_quotes.insert(kSymbol, friday);
    m_service->autoGenerateAIInsightIfNeededForQuote(friday);
    QVERIFY(m_settings->aiAutoGeneratedKeys.contains(u"sh600519|2026-04-24"_s));
    QVERIFY(waitUntilIdle(*m_service));
    QCOMPARE(m_settings->aiInsightDates.value(kSymbol), u"2026-04-24"_s);
    QVERIFY(m_service->hasFreshAIInsightForQuote(friday));
    QVERIFY(!m_service->hasFreshAIInsightForQuote(moutai()));
}

void tst_InsightService::replyAfterServiceIsGoneIsHarmless()
{
    m_sim->enqueueChatAnswer(SimChatAnswer::text(u"甲。乙。"_s).delayedBy(100));
    m_service->generateAIInsight(kSymbol);
    m_service.reset();
    QTRY_COMPARE_WITH_TIMEOUT(m_http->requestsInFlight(), 0, 5000);
    QVERIFY(m_settings->aiInsights.isEmpty());
    QCOMPARE(m_saves, 0);
}

QTEST_GUILESS_MAIN(tst_InsightService)
#include "tst_insightservice.moc"
