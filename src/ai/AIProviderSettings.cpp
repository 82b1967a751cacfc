// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/AIProviderSettings.h"

#include "config/AppSettings.h"
#include "model/Logging.h"
#include "net/NetworkErrorText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>

using namespace Qt::StringLiterals;

AIProviderSettings::AIProviderSettings(AppSettings &settings, HttpClient &http,
                                       SaveFunction saveSettings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_http(http)
    , m_save(std::move(saveSettings))
{}

const QList<AIProviderPreset> &AIProviderSettings::aiProviderPresets()
{
    return AIProviderPresets::all();
}

std::optional<AIProviderPreset> AIProviderSettings::aiProviderPresetForKey(const QString &key)
{
    return AIProviderPresets::forKey(key);
}

QString AIProviderSettings::normalizedAIProviderKey() const
{
    return AIProviderPresets::normalizedKey(m_settings.aiProvider, m_settings.aiBaseURL);
}

void AIProviderSettings::applyAIProviderPresetFromPopup(AISettingsPageInputs &page)
{
    const QString key =
        page.providerKey.value_or(QString()).isEmpty() ? u"custom"_s : *page.providerKey;
    m_settings.aiProvider = key;
    const std::optional<AIProviderPreset> preset = aiProviderPresetForKey(key);
    if (!preset || key == u"custom")
        return;
    if (!preset->baseURL.isEmpty())
        page.baseURL = preset->baseURL;
    if (!preset->model.isEmpty())
        page.model = preset->model;
}

void AIProviderSettings::syncAISettingsInputsFromPanel(const AISettingsPageInputs &page)
{
    if (page.enabled)
        m_settings.aiEnabled = *page.enabled;
    if (page.providerKey)
        m_settings.aiProvider =
            page.providerKey->isEmpty() ? normalizedAIProviderKey() : *page.providerKey;
    if (page.model) {
        const QString model = page.model->trimmed();
        m_settings.aiModel =
            model.isEmpty() ? QString::fromUtf16(AIProviderPresets::kDefaultModel) : model;
    }
    if (page.baseURL) {
        const QString base = page.baseURL->trimmed();
        m_settings.aiBaseURL = base.isEmpty() ? AIProviderPresets::defaultBaseURL() : base;
    }
    if (page.apiKey)
        m_settings.aiAPIKey = page.apiKey->trimmed();
}

void AIProviderSettings::setPageState(bool inFlight, bool succeeded, std::optional<QString> message)
{
    m_page.validationInFlight = inFlight;
    m_page.validationSucceeded = succeeded;
    m_page.validationMessage = std::move(message);
    Q_EMIT pageStateChanged();
}

void AIProviderSettings::validateAISettingsAction(const AISettingsPageInputs &page)
{
    syncAISettingsInputsFromPanel(page);
    const quint64 serial = ++m_validationSerial;
    const QString key = m_settings.aiAPIKey;
    if (key.isEmpty()) {
        setPageState(false, false, u"请先填写 API Key。"_s);
        return;
    }
    if (apiKeyHasInvalidCharacters(key)) {
        setPageState(false, false, u"测试失败："_s + invalidAPIKeyText());
        return;
    }
    const std::optional<QUrl> endpoint = chatCompletionsURL(m_settings.aiBaseURL);
    if (!endpoint) {
        setPageState(false, false, u"Base URL 无效，请检查地址。"_s);
        return;
    }
    setPageState(true, false, u"正在测试连接..."_s);

    const QString model = m_settings.aiModel.isEmpty()
                              ? QString::fromUtf16(AIProviderPresets::kDefaultModel)
                              : m_settings.aiModel;
    const QJsonObject body{
        {u"model"_s, model},
        {u"temperature"_s, 0},
        {u"max_tokens"_s, 8},
        {u"messages"_s,
         QJsonArray{QJsonObject{{u"role"_s, u"user"_s}, {u"content"_s, u"请只回复 OK"_s}}}},
    };
    // The address without query or user info, the model, never the key.
    qCDebug(lcAi).noquote()
        << "connection test:" << model << "at"
        << endpoint->adjusted(QUrl::RemoveQuery | QUrl::RemoveUserInfo).toString();
    m_http.send(chatRequest(*endpoint, key, body, m_validationTimeoutMs), this,
                [this, serial](const HttpResponse &response) {
                    if (serial != m_validationSerial)
                        return;
                    finishValidation(response);
                });
}

void AIProviderSettings::finishValidation(const HttpResponse &response)
{
    qCDebug(lcAi) << "connection test answered: HTTP" << response.status << response.errorString;
    if (!response.answered()) {
        setPageState(false, false,
                     u"测试失败："_s + NetworkErrorText::describe(response) +
                         u"，请检查网络或 Base URL。"_s);
        return;
    }
    const int status = response.status;
    const QJsonValue json = parseResponseBody(response.body);
    const QString serverError = aiServerErrorFromResponseJSON(json);
    if (status >= 200 && status < 300) {
        if (!aiContentFromResponseJSON(json).isEmpty())
            setPageState(false, true, u"连接成功，当前 AI 设置可用。"_s);
        else if (!serverError.isEmpty()) // some servers answer an error with 200
            setPageState(false, false, u"测试失败："_s + serverError);
        else
            setPageState(false, false, u"测试返回为空，请检查模型是否支持 Chat Completions。"_s);
        return;
    }
    if (status == 401 || status == 403) {
        setPageState(false, false, u"测试失败，API Key 无效或没有权限。"_s);
        return;
    }
    if (status == 404) {
        // A local model server says here which model it lacks: worth more than a guess.
        setPageState(false, false,
                     serverError.isEmpty()
                         ? u"测试失败，Base URL 或模型服务路径不正确。"_s
                         : QString(u"测试失败，Base URL 或模型服务路径不正确（"_s + serverError +
                                   u"）。"_s));
        return;
    }
    if (!serverError.isEmpty())
        setPageState(false, false, u"测试失败："_s + serverError);
    else
        setPageState(false, false,
                     u"测试失败，服务返回 HTTP "_s + QString::number(status) + u"。"_s);
}

void AIProviderSettings::saveAISettings(const AISettingsPageInputs &page)
{
    syncAISettingsInputsFromPanel(page);
    if (m_save)
        m_save();

    const bool hasKey = !m_settings.aiAPIKey.isEmpty();
    const QUrl url(m_settings.aiBaseURL.trimmed(), QUrl::StrictMode);
    const bool complete = url.isValid() && !url.scheme().isEmpty() && !url.host().isEmpty();
    if (!hasKey && m_settings.aiEnabled)
        setPageState(false, false, u"已保存，但自动观察需要填写 API Key。"_s);
    else if (!hasKey)
        setPageState(false, false, u"设置已保存；填写 API Key 后可测试连接。"_s);
    else if (!complete)
        setPageState(false, false, u"设置已保存，但 Base URL 需要是完整网址。"_s);
    else
        setPageState(false, true,
                     m_settings.aiEnabled ? u"设置已保存到本机，自动观察已开启。"_s
                                          : u"设置已保存到本机，自动观察已关闭。"_s);
    Q_EMIT aiSettingsSaved(savedStatusText());
}

void AIProviderSettings::exitAISettings()
{
    setPageState(false, m_page.validationSucceeded, std::nullopt);
}

void AIProviderSettings::showSettingsFileNotice(const QString &text)
{
    setPageState(false, false, text);
}

QString AIProviderSettings::savedStatusText()
{
    return u"AI 设置已保存"_s;
}

QJsonValue AIProviderSettings::parseResponseBody(const QByteArray &body)
{
    if (body.isEmpty())
        return QJsonValue(QJsonValue::Undefined);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return QJsonValue(QJsonValue::Undefined);
    if (document.isObject())
        return document.object();
    if (document.isArray())
        return document.array();
    return QJsonValue(QJsonValue::Undefined);
}

QString AIProviderSettings::aiContentFromResponseJSON(const QJsonValue &json)
{
    if (!json.isObject())
        return {};
    const QJsonObject root = json.toObject();
    const QJsonArray choices = root.value(u"choices"_s).toArray();
    const QJsonObject choice = !choices.isEmpty() && choices.first().isObject()
                                   ? choices.first().toObject()
                                   : QJsonObject();
    const QJsonValue content = choice.value(u"message"_s).toObject().value(u"content"_s);

    QString text = content.isString() ? content.toString() : QString();
    if (text.isEmpty() && content.isArray()) {
        // The text parts in order. A reasoning model's thinking parts (and any other kind)
        // are not part of the answer and must never reach the user.
        for (const QJsonValue &part : content.toArray()) {
            const QJsonObject object = part.toObject();
            const QJsonValue type = object.value(u"type"_s);
            const QJsonValue partText = object.value(u"text"_s);
            const bool textPart = type.isUndefined() || type.toString() == u"text";
            if (part.isObject() && textPart && partText.isString())
                text += partText.toString();
        }
    }
    if (text.isEmpty() && choice.value(u"text"_s).isString())
        text = choice.value(u"text"_s).toString();
    if (text.isEmpty() && root.value(u"output_text"_s).isString())
        text = root.value(u"output_text"_s).toString();
    return text.trimmed();
}

QString AIProviderSettings::aiServerErrorFromResponseJSON(const QJsonValue &json)
{
    const QJsonValue error = json.toObject().value(u"error"_s);
    // Local model servers give the error as a plain string.
    if (error.isString())
        return error.toString().trimmed();
    if (!error.isObject())
        return {};
    const QJsonValue message = error.toObject().value(u"message"_s);
    const QJsonValue type = error.toObject().value(u"type"_s);
    const QString m = message.isString() ? message.toString() : QString();
    const QString t = type.isString() ? type.toString() : QString();
    if (!m.isEmpty() && !t.isEmpty())
        return t + u"："_s + m;
    return m;
}

bool AIProviderSettings::apiKeyHasInvalidCharacters(const QString &key)
{
    return std::any_of(key.cbegin(), key.cend(),
                       [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

QString AIProviderSettings::invalidAPIKeyText()
{
    return u"API Key 含有无效字符（如换行），请重新粘贴。"_s;
}

std::optional<QUrl> AIProviderSettings::chatCompletionsURL(const QString &baseURL)
{
    QString base = baseURL.trimmed();
    while (base.endsWith(u'/'))
        base.chop(1);
    const QUrl url(base + u"/chat/completions"_s, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

HttpRequest AIProviderSettings::chatRequest(const QUrl &endpoint, const QString &apiKey,
                                            const QJsonObject &body, int timeoutMs)
{
    HttpRequest request;
    request.url = endpoint;
    request.method = QByteArrayLiteral("POST");
    request.headers = {
        {QByteArrayLiteral("Content-Type"), QByteArrayLiteral("application/json")},
        {QByteArrayLiteral("Authorization"), QByteArrayLiteral("Bearer ") + apiKey.toUtf8()},
    };
    request.body = QJsonDocument(body).toJson(QJsonDocument::Compact);
    request.timeoutMs = timeoutMs;
    return request;
}
