// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/AIProviderSettings.h"
#include "ai/InsightService.h"
#include "config/AppSettings.h"
#include "model/Clock.h"
#include "net/HttpClient.h"
#include "sim/MarketSimulator.h"

#include "TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
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

// A chat request as "method path authorization content-type".
QString described(const SimRequest &r)
{
    return QString::fromUtf8(r.method + ' ' + r.path.toUtf8() + ' ' + r.header("Authorization") +
                             ' ' + r.header("Content-Type"));
}

// Every log line of the run, with every kestrum category on: the key must be in none.
QStringList s_logged;
QtMessageHandler s_previousHandler = nullptr;

void recordLogLine(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    s_logged << QString::fromUtf8(context.category) + u": "_s + message;
    if (s_previousHandler)
        s_previousHandler(type, context, message);
}

QString promptFor(const Quote &q)
{
    return u"股票："_s + q.name + u"（"_s + q.symbol.toUpper() + u"）\n当前价："_s +
           QString::number(q.price, 'f', 2) + u"\n涨跌幅：+1.34%"_s;
}

} // namespace

class tst_AIServices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void pageSettings();

    void onlyLatestConnectionTestReports();

    void saving_data();
    void saving();

    void readers_data();
    void readers();

    void outcomes_data();
    void outcomes();
    void cards();
    void automaticGenerationOncePerTradingDay();
    void interrupted_data();
    void interrupted();

private:
    AISettingsPageInputs page(const QString &baseURL) const;
    QList<SimRequest> chatRequests() const
    {
        return m_sim->server().requests(MarketSimulator::chatRouteName());
    }
    bool waitUntilIdle()
    {
        return QTest::qWaitFor(
            [&] {
                return m_service->aiLoadingSymbols().isEmpty() && m_http->requestsInFlight() == 0;
            },
            TestSupport::kPatienceMs);
    }

    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<MarketSimulator> m_sim;
    std::unique_ptr<HttpClient> m_http;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<AIProviderSettings> m_ai;
    std::unique_ptr<InsightService> m_service;
    QHash<QString, Quote> m_quotes;
    QString m_directive;
    int m_saves = 0;
    bool m_enabledWhenSaved = false;
};

void tst_AIServices::init()
{
    QLoggingCategory::setFilterRules(u"kestrum.*=true"_s);
    s_logged.clear();
    s_previousHandler = qInstallMessageHandler(recordLogLine);
    m_clock = std::make_unique<ManualClock>(
        QDateTime(QDate(2026, 4, 28), QTime(10, 30), QTimeZone("Asia/Shanghai")));
    m_sim = std::make_unique<MarketSimulator>(*m_clock);
    QVERIFY(m_sim->start() != 0);
    m_http = std::make_unique<HttpClient>();
    m_settings = std::make_unique<AppSettings>();
    m_settings->aiEnabled = true;
    m_settings->aiAPIKey = kKey;
    m_settings->aiModel = u"sim-chat"_s;
    m_settings->aiBaseURL = m_sim->baseUrl().toString() + u"/v1"_s;
    m_quotes = {{kSymbol, moutai()}};
    m_directive = kDirective;
    m_saves = 0;

    const auto constant = [](const QString &text) {
        return [text](const Quote &) {
            return text;
        };
    };
    InsightSources sources;
    sources.prompt = [](const Quote &q) {
        return InsightPromptMessages{u"你是盘中观察主持人。"_s, promptFor(q)};
    };
    sources.quoteForSymbol = [this](const QString &symbol) -> std::optional<Quote> {
        if (m_quotes.contains(symbol))
            return m_quotes.value(symbol);
        return std::nullopt;
    };
    sources.nextWatchDirective = [this](const Quote &) {
        return m_directive;
    };
    sources.intradayStructure = constant(kStructure);
    sources.detailedVolumePrice = constant(kVolumePrice);
    sources.priceAnchor = constant(kAnchor);
    sources.averageLine = constant(kAverage);
    m_service = std::make_unique<InsightService>(*m_settings, *m_http, *m_clock, std::move(sources),
                                                 [this] { ++m_saves; });
    m_service->setRequestTimeoutMs(TestSupport::kPatienceMs);
    m_ai = std::make_unique<AIProviderSettings>(*m_settings, *m_http, [this](QString *) {
        ++m_saves;
        m_enabledWhenSaved = m_settings->aiEnabled;
        return true;
    });
    m_ai->setValidationTimeoutMs(TestSupport::kPatienceMs);
}

void tst_AIServices::cleanup()
{
    qInstallMessageHandler(s_previousHandler);
    for (const QString &line : std::as_const(s_logged))
        QVERIFY2(!line.contains(kKey) && !line.contains(u"sk-test-123"_s), qPrintable(line));
    m_ai.reset();
    m_service.reset();
    m_http.reset();
    m_sim.reset();
}

AISettingsPageInputs tst_AIServices::page(const QString &baseURL) const
{
    AISettingsPageInputs p;
    p.enabled = true;
    p.providerKey = u"custom"_s;
    p.model = u"sim-model"_s;
    p.baseURL = baseURL;
    p.apiKey = u"sk-test-123"_s;
    return p;
}

void tst_AIServices::pageSettings()
{
    const auto keyFor = [&](const QString &provider, const QString &baseURL) {
        m_settings->aiProvider = provider;
        m_settings->aiBaseURL = baseURL;
        return m_ai->normalizedAIProviderKey();
    };
    // Each preset's own URL names it, in the pop-up's order.
    QStringList keys;
    for (const AIProviderPreset &preset : AIProviderSettings::aiProviderPresets())
        keys << keyFor(QString(), preset.baseURL);
    QCOMPARE(keys, (QStringList{u"qwen"_s, u"deepseek"_s, u"kimi"_s, u"openai"_s, u"custom"_s}));
    // An unknown stored key falls to the URL, in any case; a stored preset wins over it.
    QCOMPARE(keyFor(u"gemini"_s, u"https://API.DeepSeek.com/v1"_s), u"deepseek"_s);
    QCOMPARE(keyFor(QString(), u"http://127.0.0.1:8080/v1"_s), u"custom"_s);
    QCOMPARE(keyFor(u"kimi"_s, u"https://api.deepseek.com/v1"_s), u"kimi"_s);

    // Controls that are not there leave their settings alone; empty fields take the defaults.
    m_settings->aiEnabled = false;
    const auto read = [&] {
        return QStringList{m_settings->aiModel, m_settings->aiBaseURL, m_settings->aiAPIKey};
    };
    const QStringList before = read();
    m_ai->syncAISettingsInputsFromPanel(AISettingsPageInputs());
    QCOMPARE(read(), before);
    QVERIFY(!m_settings->aiEnabled);
    AISettingsPageInputs p = page(u"  \n"_s);
    p.apiKey = u" sk-1 \n"_s;
    p.model = QString();
    m_ai->syncAISettingsInputsFromPanel(p);
    QCOMPARE(read(), (QStringList{u"gpt-4o-mini"_s, u"https://api.openai.com/v1"_s, u"sk-1"_s}));
}

void tst_AIServices::onlyLatestConnectionTestReports()
{
    m_sim->enqueueChatAnswer(SimChatAnswer::raw(401, QByteArray()).delayedBy(300));
    m_sim->enqueueChatAnswer(SimChatAnswer::text(u"OK"_s));
    const QString base = m_sim->baseUrl().toString() + u"/v1"_s;
    m_ai->validateAISettingsAction(page(base));
    QTRY_COMPARE_WITH_TIMEOUT(m_sim->pendingChatAnswers(), 1, TestSupport::kPatienceMs);
    m_ai->validateAISettingsAction(page(base));
    QTRY_COMPARE_WITH_TIMEOUT(m_http->requestsInFlight(), 0, TestSupport::kPatienceMs);
    QVERIFY(m_ai->pageState().validationSucceeded);
    QCOMPARE(*m_ai->pageState().validationMessage, u"连接成功，当前 AI 设置可用。"_s);
}

void tst_AIServices::saving_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("baseURL");
    QTest::addColumn<QString>("message"); // the saved message and nothing to fix: success
    const QString url = u"https://api.deepseek.com/v1"_s;
    QTest::newRow("on without key")
        << true << QString() << url << u"已保存，但自动观察需要填写 API Key。"_s;
    QTest::newRow("off without key")
        << false << QString() << url << u"设置已保存；填写 API Key 后可测试连接。"_s;
    QTest::newRow("URL without scheme") << true << u"sk"_s << u"api.deepseek.com/v1"_s
                                        << u"设置已保存，但 Base URL 需要是完整网址。"_s;
    QTest::newRow("off") << false << u"sk"_s << url << u"设置已保存到本机，自动观察已关闭。"_s;
}

void tst_AIServices::saving()
{
    QFETCH(bool, enabled);
    QFETCH(QString, key);
    QFETCH(QString, baseURL);
    QFETCH(QString, message);
    AISettingsPageInputs p = page(baseURL);
    p.enabled = enabled;
    p.apiKey = key;
    QSignalSpy saved(m_ai.get(), &AIProviderSettings::aiSettingsSaved);
    m_ai->saveAISettings(p);
    QCOMPARE(m_saves, 1);
    QCOMPARE(m_enabledWhenSaved, enabled);
    QVERIFY(!m_ai->pageState().validationInFlight);
    QCOMPARE(m_ai->pageState().validationSucceeded, message.endsWith(u"自动观察已关闭。"));
    QCOMPARE(*m_ai->pageState().validationMessage, message);
    QCOMPARE(saved.size(), 1);
    QCOMPARE(saved.first().first().toString(), u"AI 设置已保存"_s);
    QCOMPARE(m_settings->toJson().value(u"aiProvider"_s).toString(), u"custom"_s);
}

// The pure readers: a service's reply ("answer|server error"), the sentences taken from an
// answer ("|"-joined), and the stored text with and without a quote.
void tst_AIServices::readers_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const QString &reader, const QString &input,
                        const QString &expected) {
        QTest::newRow(name) << reader << input << expected;
    };
    const QString r = u"reply"_s;
    row("string content", r, uR"({"choices":[{"message":{"content":"  OK\n"}}]})"_s, u"OK|"_s);
    row("content parts", r,
        uR"({"choices":[{"message":{"content":[{"type":"text","text":"O"},7,{"text":""},{"text":"K"}]}}]})"_s,
        u"OK|"_s);
    row("thinking parts skipped", r,
        uR"({"choices":[{"message":{"content":[{"type":"thinking","thinking":[{"type":"text","text":"hidden"}]},)"
        uR"({"type":"thinking","text":"hidden too"},{"type":"text","text":"O"},)"
        uR"({"type":"image_url","text":"x"},{"type":"text","text":"K"}]}}]})"_s,
        u"OK|"_s);
    row("legacy text field", r, uR"({"choices":[{"message":{"content":""},"text":"legacy"}]})"_s,
        u"legacy|"_s);
    row("output_text", r, uR"({"choices":[],"output_text":"top"})"_s, u"top|"_s);
    row("HTML", r, u"<html>oops</html>"_s, u"|"_s);
    row("error type and message", r, uR"({"error":{"type":"server_error","message":"busy"}})"_s,
        u"|server_error：busy"_s);
    row("error message only", r, uR"({"error":{"message":"busy","type":3}})"_s, u"|busy"_s);
    row("error as a plain string", r,
        uR"({"error":" model \"x\" not found, try pulling it first "})"_s,
        u"|model \"x\" not found, try pulling it first"_s);
    row("error type only", r, uR"({"error":{"type":"server_error"}})"_s, u"|"_s);

    const QString s = u"sentences"_s;
    row("labels removed", s,
        u"当前盘面状态：价格站上均价线。最关键的结构/量价信号：放量突破日内高点。下一步观察：回踩均价线是否守住。"_s,
        u"价格站上均价线|放量突破日内高点|回踩均价线是否守住"_s);
    row("longer label before shorter", s, u"下一步操作思路：等回踩确认"_s, u"等回踩确认"_s);
    row("comma at 20 of 60", s, QString(20, u'强') + u"，"_s + QString(39, u'弱'),
        QString(20, u'强'));
    row("comma too early cuts at 42", s, QString(10, u'强') + u"，"_s + QString(49, u'弱'),
        QString(10, u'强') + u"，"_s + QString(31, u'弱'));
    row("42 kept whole", s, QString(42, u'稳'), QString(42, u'稳'));
    row("43 cut", s, QString(43, u'稳'), QString(42, u'稳'));
    row("semicolons, line feeds, marks", s, u"第一句；分号\n换行。。第二句！第三句？第四句。"_s,
        u"第一句，分号换行|第二句|第三句"_s);
    row("labels only", s, u"下一步观察：。操作思路： "_s, QString());

    const QString t = u"text"_s, bare = u"text without quote"_s;
    row("two sentences get the directive", t, u"甲。乙"_s, u"甲。乙。"_s + kDirective);
    row("one sentence gets the volume-price line", t, u"甲"_s, u"甲。"_s + kVolumePrice + u"。"_s);
    row("one sentence without quote", bare, u"甲"_s, u"甲。量价细节暂不完整。"_s);
    row("nothing usable: fallback", t, u"。。"_s,
        fallbackWith(kStructure, kVolumePrice, kAnchor, kAverage));
    row("nothing usable without quote", bare, QString(),
        fallbackWith(u"日内结构暂不明确"_s, u"量价细节暂不完整"_s, u"价格锚点暂不完整"_s,
                     u"均价线关系暂不明确"_s));
}

void tst_AIServices::readers()
{
    QFETCH(QString, reader);
    QFETCH(QString, input);
    QString actual;
    if (reader == u"reply") {
        const QJsonValue json = AIProviderSettings::parseResponseBody(input.toUtf8());
        actual = AIProviderSettings::aiContentFromResponseJSON(json) + u'|' +
                 AIProviderSettings::aiServerErrorFromResponseJSON(json);
    } else if (reader == u"sentences") {
        actual = InsightService::normalizedInsightSentencesFromText(input).join(u'|');
    } else {
        const bool quoted = reader == u"text";
        actual = m_service->normalizedAIInsightText(input, quoted ? std::optional<Quote>(moutai())
                                                                  : std::nullopt);
    }
    QTEST(actual, "expected");
}

// Every outcome of a commentary request and of the connection test, which gets the first
// answer again: what is stored, what the card and the test say in Chinese (never in the
// system's own words, never with the key), and what went over the wire.
void tst_AIServices::outcomes_data()
{
    QTest::addColumn<QList<SimChatAnswer>>("answers");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("test");
    QTest::addColumn<int>("requests"); // sent for the commentary
    QTest::addColumn<QString>("how");  // a transport failure or a base URL; else answered
    QTest::addColumn<QString>("key");
    using Answers = QList<SimChatAnswer>;
    const auto row = [](const char *name, const Answers &answers, const QString &stored,
                        const QString &error, const QString &test, int requests = 1,
                        const QString &how = QString(), const QString &key = kKey) {
        QTest::newRow(name) << answers << stored << error << test << requests << how << key;
    };
    const QString clean =
        u"当前盘面状态：价格站上均价线。最关键的结构/量价信号：放量突破日内高点。下一步观察：回踩均价线是否守住。"_s;
    const QString cleanStored = u"价格站上均价线。放量突破日内高点。"_s + kDirective;
    const QString ok = u"连接成功，当前 AI 设置可用。"_s;
    row("three labelled sentences", {SimChatAnswer::text(clean)}, cleanStored, {}, ok);
    row("rewritten once",
        {SimChatAnswer::text(u"主力资金流入，价格走强。量能放大。"_s), SimChatAnswer::text(clean)},
        cleanStored, {}, ok, 2);
    row("rewrite also unsupported: fallback, no third request",
        {SimChatAnswer::text(u"主力资金流入。"_s), SimChatAnswer::text(u"跌破均价线止损。"_s),
         SimChatAnswer::text(clean)},
        u"日内结构：均价线上方震荡，量价细节：放量上攻后缩量整理。价格锚点：现价 1510.00，均价 1500.00。"_s +
            kDirective,
        {}, ok, 2);
    row("reasoning model's parts",
        {SimChatAnswer::reasoning(u"用户要三句话，先看均价线。"_s,
                                  {u"价格站上均价线。"_s, u"放量突破日内高点。"_s})},
        cleanStored, {}, ok);
    row("blank answer", {SimChatAnswer::text(u"  \n "_s)}, {},
        u"AI 服务返回为空，请换一个 Chat Completions 兼容模型。"_s,
        u"测试返回为空，请检查模型是否支持 Chat Completions。"_s);
    const QString missing = u"model \"sim-chat\" not found, try pulling it first"_s;
    row("error as a plain string, HTTP 404", {SimChatAnswer::plainError(404, missing)}, {},
        u"AI 生成失败："_s + missing,
        u"测试失败，Base URL 或模型服务路径不正确（"_s + missing + u"）。"_s);
    row("error as a plain string, HTTP 200", {SimChatAnswer::plainError(200, missing)}, {},
        u"AI 生成失败："_s + missing, u"测试失败："_s + missing);
    row("401 with error object echoing the key",
        {SimChatAnswer::error(401, u"invalid_request_error"_s,
                              u"Incorrect API key provided: "_s + kKey)},
        {}, u"AI 生成失败：invalid_request_error：Incorrect API key provided: <API Key>"_s,
        u"测试失败，API Key 无效或没有权限。"_s);
    row("403 without error", {SimChatAnswer::raw(403, "Forbidden")}, {},
        u"AI 生成失败，服务返回 HTTP 403。"_s, u"测试失败，API Key 无效或没有权限。"_s);
    row("404 without error", {SimChatAnswer::raw(404, "Not Found")}, {},
        u"AI 生成失败，服务返回 HTTP 404。"_s, u"测试失败，Base URL 或模型服务路径不正确。"_s);
    row("500 with HTML", {SimChatAnswer::raw(500, "<html>Internal Server Error</html>")}, {},
        u"AI 生成失败，服务返回 HTTP 500。"_s, u"测试失败，服务返回 HTTP 500。"_s);

    // No answer came, or nothing could be sent.
    const auto failed = [&row](const char *name, const QString &how, const QString &reason) {
        row(name, {}, {}, u"AI 请求失败："_s + reason + u"。"_s,
            u"测试失败："_s + reason + u"，请检查网络或 Base URL。"_s, how == u"refused" ? 0 : 1,
            how);
    };
    failed("refused", u"refused"_s, u"连接被拒绝"_s);
    failed("reset", u"reset"_s, u"连接被服务器中断"_s);
    failed("slower than the deadline", u"slow"_s, u"请求超时"_s);
    // Sent on to another host: the key goes nowhere else.
    failed("redirect to another host", u"redirect"_s,
           u"服务要求跳转到其他网站，为安全起见已拒绝"_s);
    // Refused before sending anything.
    row("invalid base URL", {}, {}, u"Base URL 无效。"_s, u"Base URL 无效，请检查地址。"_s, 0,
        u"http://[::1/v1"_s);
    row("no key", {}, {}, u"请先完成 AI 分析设置。"_s, u"请先填写 API Key。"_s, 0, {}, {});
    const QString invalid = u"API Key 含有无效字符（如换行），请重新粘贴。"_s;
    for (const QString &key : {u"sk-1\r\nX-Admin: 1"_s, QString(u"sk-1"_s + QChar(0) + u"2"_s)})
        QTest::addRow("key with U+%04X", key.at(4).unicode())
            << Answers() << QString() << u"AI 请求失败："_s + invalid << u"测试失败："_s + invalid
            << 0 << QString() << key;
}

void tst_AIServices::outcomes()
{
    QFETCH(QList<SimChatAnswer>, answers);
    QFETCH(QString, stored);
    QFETCH(QString, error);
    QFETCH(QString, test);
    QFETCH(int, requests);
    QFETCH(QString, how);
    QFETCH(QString, key);
    // A base URL typed with trailing slashes still reaches the right path.
    m_settings->aiBaseURL += u"//"_s;
    if (how == u"refused") {
        QTcpServer probe; // closed again at once: nothing listens on its port
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        m_settings->aiBaseURL =
            u"http://127.0.0.1:"_s + QString::number(probe.serverPort()) + u"/v1"_s;
    } else if (how.startsWith(u"http")) {
        m_settings->aiBaseURL = how;
    }
    QTcpServer elsewhere;
    QVERIFY(elsewhere.listen(QHostAddress(u"127.0.0.2"_s), m_sim->baseUrl().port()));
    SimFault fault;
    fault.reset = how == u"reset";
    if (how == u"redirect")
        fault.redirectTo = "http://127.0.0.2:" + QByteArray::number(elsewhere.serverPort()) +
                           "/v1/chat/completions";
    // The deadline passes long before the answer would come: only one outcome can happen.
    fault.delayMs = how == u"slow" ? 2 * TestSupport::kPatienceMs : 0;
    m_sim->server().setFault(MarketSimulator::chatRouteName(), fault);
    if (how == u"slow") {
        m_service->setRequestTimeoutMs(400);
        m_ai->setValidationTimeoutMs(400);
    }
    for (const SimChatAnswer &answer : answers)
        m_sim->enqueueChatAnswer(answer);
    if (!answers.isEmpty())
        m_sim->enqueueChatAnswer(answers.first());
    m_settings->aiAPIKey = key;
    QSignalSpy changed(m_service.get(), &InsightService::insightChanged);

    m_service->generateAIInsight(kSymbol);
    QVERIFY(waitUntilIdle());
    // Qt may send a request once more when the connection drops before any answer.
    const auto sentAgain = [&how](qsizetype count, int expected) {
        return count == expected || (how == u"reset" && count == expected + 1);
    };
    QList<SimRequest> sent = chatRequests();
    const qsizetype generated = sent.size();
    QVERIFY2(sentAgain(generated, requests), qPrintable(QString::number(generated)));
    const QJsonArray messages{
        QJsonObject{{u"role"_s, u"system"_s}, {u"content"_s, u"你是盘中观察主持人。"_s}},
        QJsonObject{{u"role"_s, u"user"_s}, {u"content"_s, promptFor(moutai())}}};
    if (requests > 0) {
        QCOMPARE(described(sent.first()),
                 u"POST /v1/chat/completions Bearer "_s + kKey + u" application/json"_s);
        QCOMPARE(QJsonDocument::fromJson(sent.first().body).object(),
                 (QJsonObject{{u"model"_s, u"sim-chat"_s},
                              {u"temperature"_s, 0.2},
                              {u"max_tokens"_s, 170},
                              {u"messages"_s, messages}}));
        QVERIFY(s_logged.filter(u"kestrum.ai: commentary for sh600519 from sim-chat"_s).size() >=
                1);
    }
    if (requests == 2) {
        const QJsonArray retry =
            QJsonDocument::fromJson(sent.at(1).body).object().value(u"messages"_s).toArray();
        QCOMPARE(retry.at(0), messages.at(0));
        QCOMPARE(retry.at(1).toObject().value(u"content"_s).toString(),
                 promptFor(moutai()) + u"\n\n上一版输出："_s + answers.first().content->trimmed() +
                     kRewriteNote);
    }
    QCOMPARE(m_sim->pendingChatAnswers(), answers.isEmpty() ? 0 : answers.size() + 1 - requests);

    QVERIFY(!m_service->isLoading(kSymbol));
    QCOMPARE(m_settings->aiInsights.value(kSymbol), stored);
    QCOMPARE(m_service->errorForSymbol(kSymbol).value_or(QString()), error);
    QCOMPARE(m_service->aiDisplayMessageForQuote(moutai()), stored.isEmpty() ? error : stored);
    const bool succeeded = !stored.isEmpty();
    QCOMPARE(m_settings->aiInsightDates.value(kSymbol), succeeded ? u"2026-04-28"_s : QString());
    QCOMPARE(m_settings->aiAutoGeneratedKeys.contains(u"sh600519|2026-04-28"_s), succeeded);
    QCOMPARE(m_saves, succeeded ? 1 : 0);
    QCOMPARE(m_service->hasFreshAIInsightForQuote(moutai()), succeeded);
    QVERIFY(changed.size() >= 1);
    if (!answers.isEmpty()) // a failure reaches the log (without the key: see cleanup)
        QCOMPARE(s_logged.filter(u"kestrum.ai: commentary for sh600519 failed"_s).size(),
                 succeeded ? 0 : 1);

    AISettingsPageInputs p = page(m_settings->aiBaseURL);
    p.apiKey = key;
    QSignalSpy pageChanged(m_ai.get(), &AIProviderSettings::pageStateChanged);
    m_ai->validateAISettingsAction(p);
    if (!answers.isEmpty())
        QCOMPARE(m_ai->pageState(), (AISettingsPageState{true, false, u"正在测试连接..."_s}));
    QTRY_VERIFY_WITH_TIMEOUT(!m_ai->pageState().validationInFlight, TestSupport::kPatienceMs);
    QCOMPARE(m_ai->pageState().validationSucceeded, test == u"连接成功，当前 AI 设置可用。");
    QCOMPARE(m_ai->pageState().validationMessage.value_or(QString()), test);
    QCOMPARE(m_saves, succeeded ? 1 : 0);
    sent = chatRequests();
    QVERIFY(sentAgain(sent.size() - generated, (answers.isEmpty() && requests == 0) ? 0 : 1));
    if (!answers.isEmpty()) {
        QCOMPARE(pageChanged.size(), 2);
        QCOMPARE(described(sent.last()),
                 u"POST /v1/chat/completions Bearer "_s + kKey + u" application/json"_s);
        QCOMPARE(QJsonDocument::fromJson(sent.last().body).object(),
                 (QJsonObject{
                     {u"model"_s, u"sim-model"_s},
                     {u"temperature"_s, 0},
                     {u"max_tokens"_s, 8},
                     {u"messages"_s, QJsonArray{QJsonObject{{u"role"_s, u"user"_s},
                                                            {u"content"_s, u"请只回复 OK"_s}}}}}));
    }
    QVERIFY(!elsewhere.hasPendingConnections());
}

void tst_AIServices::cards()
{
    // Yesterday's insight is stale: neither shown nor counted as fresh.
    m_settings->aiInsights.insert(kSymbol, u"昨日观察。"_s);
    m_settings->aiInsightDates.insert(kSymbol, u"2026-04-27"_s);
    QVERIFY(!m_service->hasFreshAIInsightForQuote(moutai()));
    QCOMPARE(m_service->insightCardForQuote(moutai()).subtitle, u"待生成 · 盘中观察"_s);
    QCOMPARE(m_service->insightCardForQuote(moutai()).body, u"正在等待今日首次观察。"_s);
    m_settings->aiAPIKey.clear();
    QCOMPARE(m_service->aiInsightSubtitleForQuote(moutai()), u"待配置 · 盘中观察"_s);
    QCOMPARE(m_service->aiDisplayMessageForQuote(moutai()),
             u"配置 AI 后，可基于实时行情生成一句轻量观察。"_s);

    m_settings->aiAPIKey = kKey;
    m_sim->enqueueChatAnswer(
        SimChatAnswer::text(u"价格站上均价线。量能温和。丙。"_s).delayedBy(100));
    m_service->generateAIInsight(kSymbol);
    QCOMPARE(m_service->insightCardForQuote(moutai()).subtitle, u"生成中 · 盘中观察"_s);
    QCOMPARE(m_service->insightCardForQuote(moutai()).body, u"正在生成观察…"_s);
    QVERIFY(waitUntilIdle());

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

    // A failed retry keeps showing the fresh insight.
    const QString stored = m_settings->aiInsights.value(kSymbol);
    m_sim->enqueueChatAnswer(SimChatAnswer::raw(502, "<html>Bad Gateway</html>"));
    m_service->generateAIInsight(kSymbol);
    QVERIFY(waitUntilIdle());
    QCOMPARE(m_settings->aiInsights.value(kSymbol), stored);
    QCOMPARE(m_service->aiInsightSubtitleForQuote(moutai()), u"生成失败 · 可重试"_s);
    QCOMPARE(m_service->aiDisplayMessageForQuote(moutai()),
             u"价格站上均价线。量能温和。"_s + m_directive);
    QCOMPARE(*m_service->errorForSymbol(kSymbol), u"AI 生成失败，服务返回 HTTP 502。"_s);
}

void tst_AIServices::automaticGenerationOncePerTradingDay()
{
    Quote undated = moutai();
    undated.date.clear();
    m_quotes.insert(kSymbol, undated);

    // Remembered and saved before the answer comes, so a crash or failure cannot repeat it.
    m_service->autoGenerateAIInsightIfNeededForQuote(undated);
    QVERIFY(m_service->isLoading(kSymbol));
    QVERIFY(m_settings->aiAutoGeneratedKeys.contains(u"sh600519|2026-04-28"_s));
    QCOMPARE(m_saves, 1);
    QVERIFY(waitUntilIdle());
    QCOMPARE(m_settings->aiInsightDates.value(kSymbol), u"2026-04-28"_s);
    QCOMPARE(m_saves, 2);

    // Fresh: nothing more today, even after the stored text is gone.
    m_settings->aiInsights.clear();
    m_service->autoGenerateAIInsightIfNeededForQuote(undated);
    QCOMPARE(m_http->requestsInFlight(), 0);

    // The day turns at midnight in Shanghai, not in UTC (16:30 UTC the day before): one
    // attempt, and its failure is not retried automatically.
    m_clock->setNow(QDateTime(QDate(2026, 4, 29), QTime(0, 30), QTimeZone("Asia/Shanghai")));
    QCOMPARE(m_service->aiInsightSubtitleForQuote(undated), u"待生成 · 盘中观察"_s);
    m_sim->enqueueChatAnswer(SimChatAnswer::error(500, u"server_error"_s, u"busy"_s));
    m_service->autoGenerateAIInsightIfNeededForQuote(undated);
    QVERIFY(waitUntilIdle());
    QCOMPARE(*m_service->errorForSymbol(kSymbol), u"AI 生成失败：server_error：busy"_s);
    m_service->autoGenerateAIInsightIfNeededForQuote(undated);
    QCOMPARE(m_http->requestsInFlight(), 0);
    QCOMPARE(chatRequests().size(), 2);

    // Never without the feature switched on.
    m_clock->advanceSecs(24 * 3600);
    m_settings->aiEnabled = false;
    m_service->autoGenerateAIInsightIfNeededForQuote(undated);
    QVERIFY(!m_settings->aiAutoGeneratedKeys.contains(u"sh600519|2026-04-30"_s));
    QCOMPARE(m_http->requestsInFlight(), 0);

    // The quote's own trading date wins over the calendar (Friday's quote on a later day).
    m_settings->aiEnabled = true;
    Quote friday = moutai();
    friday.date = u"2026-04-24"_s;
    m_quotes.insert(kSymbol, friday);
    m_service->autoGenerateAIInsightIfNeededForQuote(friday);
    QVERIFY(m_settings->aiAutoGeneratedKeys.contains(u"sh600519|2026-04-24"_s));
    QVERIFY(waitUntilIdle());
    QVERIFY(m_service->hasFreshAIInsightForQuote(friday));
    QVERIFY(!m_service->hasFreshAIInsightForQuote(undated));
}

// Switched off before the rewrite could be sent, or the service gone before the answer:
// the stock never stays loading and nothing is stored.
void tst_AIServices::interrupted_data()
{
    QTest::addColumn<bool>("serviceGone"); // else the feature is switched off
    QTest::newRow("switched off") << false;
    QTest::newRow("service gone") << true;
}

void tst_AIServices::interrupted()
{
    QFETCH(bool, serviceGone);
    m_sim->enqueueChatAnswer(SimChatAnswer::text(u"主力资金流入。"_s).delayedBy(150));
    m_service->generateAIInsight(kSymbol);
    if (serviceGone) {
        m_service.reset();
        QTRY_COMPARE_WITH_TIMEOUT(m_http->requestsInFlight(), 0, TestSupport::kPatienceMs);
    } else {
        m_settings->aiEnabled = false;
        QVERIFY(waitUntilIdle());
        QCOMPARE(*m_service->errorForSymbol(kSymbol), u"请先完成 AI 分析设置。"_s);
    }
    QCOMPARE(chatRequests().size(), 1);
    QVERIFY(m_settings->aiInsights.isEmpty());
    QCOMPARE(m_saves, 0);
}

QTEST_GUILESS_MAIN(tst_AIServices)
#include "tst_aiservices.moc"
