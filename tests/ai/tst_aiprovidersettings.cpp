#include "ai/AIProviderSettings.h"
#include "config/AppSettings.h"
#include "model/Clock.h"
#include "net/HttpClient.h"
#include "sim/MarketSimulator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(SimChatAnswer)

class tst_AIProviderSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void presetsAreRecognisedByTheirOwnURL();
    void normalizedKey_data();
    void normalizedKey();
    void choosingProviderFillsOnlyPresetFields();
    void readingThePage();

    void connectionTest_data();
    void connectionTest();
    void connectionTestRefusedWithoutRequest();
    void onlyLatestConnectionTestReports();

    void saving_data();
    void saving();

    void responseReaders_data();
    void responseReaders();

private:
    AISettingsPageInputs page(const QString &baseURL) const;

    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<MarketSimulator> m_sim;
    std::unique_ptr<HttpClient> m_http;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<AIProviderSettings> m_ai;
    int m_saves = 0;
    bool m_enabledWhenSaved = false;
};

void tst_AIProviderSettings::init()
{
    m_clock = std::make_unique<ManualClock>(
        QDateTime(QDate(2026, 4, 28), QTime(10, 30), QTimeZone("Asia/Shanghai")));
    m_sim = std::make_unique<MarketSimulator>(*m_clock);
    QVERIFY(m_sim->start() != 0);
    m_http = std::make_unique<HttpClient>();
    m_settings = std::make_unique<AppSettings>();
    m_saves = 0;
    m_ai = std::make_unique<AIProviderSettings>(*m_settings, *m_http, [this] {
        ++m_saves;
        m_enabledWhenSaved = m_settings->aiEnabled;
    });
}

void tst_AIProviderSettings::cleanup()
{
    m_ai.reset();
    m_http.reset();
    m_sim.reset();
}

AISettingsPageInputs tst_AIProviderSettings::page(const QString &baseURL) const
{
    AISettingsPageInputs p;
    p.enabled = true;
    p.providerKey = u"custom"_s;
    p.model = u"sim-model"_s;
    p.baseURL = baseURL;
    p.apiKey = u"sk-test-123"_s;
    return p;
}

void tst_AIProviderSettings::presetsAreRecognisedByTheirOwnURL()
{
    QStringList keys;
    for (const AIProviderPreset &preset : AIProviderSettings::aiProviderPresets()) {
        keys << preset.key;
        m_settings->aiProvider.clear();
        m_settings->aiBaseURL = preset.baseURL;
        QCOMPARE(m_ai->normalizedAIProviderKey(), preset.key);
        // Every real preset is an https root ending in its API version.
        QVERIFY(
            preset.key == u"custom" ||
            QRegularExpression(u"^https://[^/]+(/.*)?/v\\d+$"_s).match(preset.baseURL).hasMatch());
    }
    QCOMPARE(keys, (QStringList{u"qwen"_s, u"deepseek"_s, u"kimi"_s, u"openai"_s, u"custom"_s}));
}

void tst_AIProviderSettings::normalizedKey_data()
{
    QTest::addColumn<QString>("provider");
    QTest::addColumn<QString>("baseURL");
    QTest::addColumn<QString>("expected");

    QTest::newRow("unknown stored key, DeepSeek URL")
        << u"gemini"_s << u"https://api.deepseek.com/v1"_s << u"deepseek"_s;
    QTest::newRow("Qwen URL in mixed case")
        << QString() << u"https://DashScope.aliyuncs.com/compatible-mode/v1"_s << u"qwen"_s;
    QTest::newRow("Kimi URL") << QString() << u"https://api.moonshot.cn/v1"_s << u"kimi"_s;
    QTest::newRow("own server") << QString() << u"http://127.0.0.1:8080/v1"_s << u"custom"_s;
    QTest::newRow("stored preset wins over URL")
        << u"kimi"_s << u"https://api.deepseek.com/v1"_s << u"kimi"_s;
}

void tst_AIProviderSettings::normalizedKey()
{
    QFETCH(QString, provider);
    QFETCH(QString, baseURL);
    m_settings->aiProvider = provider;
    m_settings->aiBaseURL = baseURL;
    QTEST(m_ai->normalizedAIProviderKey(), "expected");
}

void tst_AIProviderSettings::choosingProviderFillsOnlyPresetFields()
{
    AISettingsPageInputs p = page(u"http://old/v1"_s);
    p.providerKey = u"deepseek"_s;
    m_ai->applyAIProviderPresetFromPopup(p);
    QCOMPARE(*p.baseURL + u' ' + *p.model, u"https://api.deepseek.com/v1 deepseek-chat"_s);
    QCOMPARE(m_saves, 0);
    // A custom service keeps the fields; the saved provider is custom.
    p.providerKey = u"custom"_s;
    m_ai->applyAIProviderPresetFromPopup(p);
    m_ai->saveAISettings(p);
    QCOMPARE(m_settings->aiProvider + u' ' + m_settings->aiBaseURL + u' ' + m_settings->aiModel,
             u"custom https://api.deepseek.com/v1 deepseek-chat"_s);
    // An item without a key counts as a custom service.
    p.providerKey = QString();
    m_ai->applyAIProviderPresetFromPopup(p);
    QCOMPARE(m_settings->aiProvider, u"custom"_s);
}

void tst_AIProviderSettings::readingThePage()
{
    AISettingsPageInputs p = page(u"\thttps://x.example/v1 "_s);
    p.model = u" qwen-max\n"_s;
    p.apiKey = u" sk-1 \n"_s;
    m_ai->syncAISettingsInputsFromPanel(p);
    const auto read = [&] {
        return QStringList{m_settings->aiModel, m_settings->aiBaseURL, m_settings->aiAPIKey};
    };
    QCOMPARE(read(), (QStringList{u"qwen-max"_s, u"https://x.example/v1"_s, u"sk-1"_s}));
    // Controls that are not there leave their settings alone.
    m_ai->syncAISettingsInputsFromPanel(AISettingsPageInputs());
    QCOMPARE(read(), (QStringList{u"qwen-max"_s, u"https://x.example/v1"_s, u"sk-1"_s}));
    QVERIFY(m_settings->aiEnabled);
    // Empty fields take the defaults.
    p.model = QString();
    p.baseURL = u"  \n"_s;
    m_ai->syncAISettingsInputsFromPanel(p);
    QCOMPARE(read(), (QStringList{u"gpt-4o-mini"_s, u"https://api.openai.com/v1"_s, u"sk-1"_s}));
}

void tst_AIProviderSettings::connectionTest_data()
{
    QTest::addColumn<SimChatAnswer>("answer");
    QTest::addColumn<bool>("succeeded");
    QTest::addColumn<QString>("message");

    QTest::newRow("answer") << SimChatAnswer::text(u"OK"_s) << true
                            << u"连接成功，当前 AI 设置可用。"_s;
    QTest::newRow("blank answer") << SimChatAnswer::text(u" \n "_s) << false
                                  << u"测试返回为空，请检查模型是否支持 Chat Completions。"_s;
    QTest::newRow("403 without error")
        << SimChatAnswer::raw(403, "Forbidden") << false << u"测试失败，API Key 无效或没有权限。"_s;
    QTest::newRow("404") << SimChatAnswer::error(404, QString(), u"model not found"_s) << false
                         << u"测试失败，Base URL 或模型服务路径不正确。"_s;
    QTest::newRow("500 with type and message")
        << SimChatAnswer::error(500, u"server_error"_s, u"busy"_s) << false
        << u"测试失败：server_error：busy"_s;
    QTest::newRow("500 with HTML")
        << SimChatAnswer::raw(500, "<html><body>Internal Server Error</body></html>") << false
        << u"测试失败，服务返回 HTTP 500。"_s;
    QTest::newRow("slower than the deadline") << SimChatAnswer::text(u"OK"_s).delayedBy(1500)
                                              << false << u"测试失败，请检查网络或 Base URL。"_s;
}

void tst_AIProviderSettings::connectionTest()
{
    QFETCH(SimChatAnswer, answer);
    m_sim->enqueueChatAnswer(answer);
    m_ai->setValidationTimeoutMs(400);
    QSignalSpy changed(m_ai.get(), &AIProviderSettings::pageStateChanged);

    // Trailing slashes after the version segment are dropped.
    m_ai->validateAISettingsAction(page(m_sim->baseUrl().toString() + u"/v1///"_s));
    QCOMPARE(m_ai->pageState(), (AISettingsPageState{true, false, u"正在测试连接..."_s}));
    QCOMPARE(changed.size(), 1);

    QTRY_VERIFY_WITH_TIMEOUT(!m_ai->pageState().validationInFlight, 5000);
    QTEST(m_ai->pageState().validationSucceeded, "succeeded");
    QTEST(*m_ai->pageState().validationMessage, "message");
    QCOMPARE(changed.size(), 2);
    QCOMPARE(m_saves, 0);

    const QList<SimRequest> requests = m_sim->server().requests(MarketSimulator::chatRouteName());
    QCOMPARE(requests.size(), 1);
    const SimRequest &sent = requests.first();
    QCOMPARE(sent.method, QByteArray("POST"));
    QCOMPARE(sent.path, u"/v1/chat/completions"_s);
    QCOMPARE(sent.header("Authorization"), QByteArray("Bearer sk-test-123"));
    QCOMPARE(sent.header("Content-Type"), QByteArray("application/json"));
    const QJsonObject body = QJsonDocument::fromJson(sent.body).object();
    QCOMPARE(body.value(u"model"_s).toString(), u"sim-model"_s);
    QCOMPARE(body.value(u"temperature"_s).toDouble(), 0.0);
    QCOMPARE(body.value(u"max_tokens"_s).toInt(), 8);
    QCOMPARE(body.value(u"messages"_s).toArray(),
             (QJsonArray{QJsonObject{{u"role"_s, u"user"_s}, {u"content"_s, u"请只回复 OK"_s}}}));
}

void tst_AIProviderSettings::connectionTestRefusedWithoutRequest()
{
    AISettingsPageInputs p = page(u"http://[::1/v1"_s);
    m_ai->validateAISettingsAction(p);
    QCOMPARE(m_ai->pageState(),
             (AISettingsPageState{false, false, u"Base URL 无效，请检查地址。"_s}));
    p.apiKey = u"  "_s;
    m_ai->validateAISettingsAction(p);
    QCOMPARE(m_ai->pageState(), (AISettingsPageState{false, false, u"请先填写 API Key。"_s}));
    QCOMPARE(m_http->requestsInFlight(), 0);

    // Leaving the page clears the feedback.
    m_ai->exitAISettings();
    QCOMPARE(m_ai->pageState(), (AISettingsPageState{false, false, std::nullopt}));
}

void tst_AIProviderSettings::onlyLatestConnectionTestReports()
{
    m_sim->enqueueChatAnswer(SimChatAnswer::raw(401, QByteArray()).delayedBy(300));
    m_sim->enqueueChatAnswer(SimChatAnswer::text(u"OK"_s));
    const QString base = m_sim->baseUrl().toString() + u"/v1"_s;
    m_ai->validateAISettingsAction(page(base));
    QTRY_COMPARE_WITH_TIMEOUT(m_sim->pendingChatAnswers(), 1, 5000);
    m_ai->validateAISettingsAction(page(base));
    QTRY_COMPARE_WITH_TIMEOUT(m_http->requestsInFlight(), 0, 5000);
    QVERIFY(m_ai->pageState().validationSucceeded);
    QCOMPARE(*m_ai->pageState().validationMessage, u"连接成功，当前 AI 设置可用。"_s);
}

void tst_AIProviderSettings::saving_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("baseURL");
    QTest::addColumn<bool>("succeeded");
    QTest::addColumn<QString>("message");

    const QString url = u"https://api.deepseek.com/v1"_s;
    QTest::newRow("on without key")
        << true << QString() << url << false << u"已保存，但自动观察需要填写 API Key。"_s;
    QTest::newRow("off without key")
        << false << QString() << url << false << u"设置已保存；填写 API Key 后可测试连接。"_s;
    QTest::newRow("URL without scheme") << true << u"sk"_s << u"api.deepseek.com/v1"_s << false
                                        << u"设置已保存，但 Base URL 需要是完整网址。"_s;
    QTest::newRow("on") << true << u"sk"_s << url << true
                        << u"设置已保存到本机，自动观察已开启。"_s;
    QTest::newRow("off") << false << u"sk"_s << url << true
                         << u"设置已保存到本机，自动观察已关闭。"_s;
}

void tst_AIProviderSettings::saving()
{
    QFETCH(bool, enabled);
    QFETCH(QString, key);
    QFETCH(QString, baseURL);
    AISettingsPageInputs p = page(baseURL);
    p.enabled = enabled;
    p.apiKey = key;
    QSignalSpy saved(m_ai.get(), &AIProviderSettings::aiSettingsSaved);
    m_ai->saveAISettings(p);
    QCOMPARE(m_saves, 1);
    QCOMPARE(m_enabledWhenSaved, enabled);
    QVERIFY(!m_ai->pageState().validationInFlight);
    QTEST(m_ai->pageState().validationSucceeded, "succeeded");
    QTEST(*m_ai->pageState().validationMessage, "message");
    QCOMPARE(saved.size(), 1);
    QCOMPARE(saved.first().first().toString(), u"AI 设置已保存"_s);
    QCOMPARE(m_settings->toJson().value(u"aiProvider"_s).toString(), u"custom"_s);
}

void tst_AIProviderSettings::responseReaders_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("serverError");

    QTest::newRow("string content")
        << QByteArray(R"({"choices":[{"message":{"content":"  OK\n"}}]})") << u"OK"_s << QString();
    QTest::newRow("content parts")
        << QByteArray(
               R"({"choices":[{"message":{"content":[{"type":"text","text":"O"},7,{"text":""},{"text":"K"}]}}]})")
        << u"OK"_s << QString();
    QTest::newRow("legacy text field")
        << QByteArray(R"({"choices":[{"message":{"content":""},"text":"legacy"}]})") << u"legacy"_s
        << QString();
    QTest::newRow("output_text") << QByteArray(R"({"choices":[],"output_text":"top"})") << u"top"_s
                                 << QString();
    QTest::newRow("choice not an object")
        << QByteArray(R"({"choices":["x"]})") << QString() << QString();
    QTest::newRow("array body") << QByteArray(R"([{"choices":[]}])") << QString() << QString();
    QTest::newRow("HTML") << QByteArray("<html>oops</html>") << QString() << QString();
    QTest::newRow("error type and message")
        << QByteArray(R"({"error":{"type":"server_error","message":"busy"}})") << QString()
        << u"server_error：busy"_s;
    QTest::newRow("error message only")
        << QByteArray(R"({"error":{"message":"busy","type":3}})") << QString() << u"busy"_s;
    QTest::newRow("error type only")
        << QByteArray(R"({"error":{"type":"server_error"}})") << QString() << QString();
    QTest::newRow("error as string") << QByteArray(R"({"error":"busy"})") << QString() << QString();
}

void tst_AIProviderSettings::responseReaders()
{
    QFETCH(QByteArray, body);
    const QJsonValue json = AIProviderSettings::parseResponseBody(body);
    QTEST(AIProviderSettings::aiContentFromResponseJSON(json), "answer");
    QTEST(AIProviderSettings::aiServerErrorFromResponseJSON(json), "serverError");
}

QTEST_GUILESS_MAIN(tst_AIProviderSettings)
#include "tst_aiprovidersettings.moc"
