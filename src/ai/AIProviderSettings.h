// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/AIProviderPresets.h"
#include "net/HttpClient.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

struct AppSettings;

// What the AI settings page's controls hold. A control that is not on the page is none, so
// the operations below work from a widget, from a test or from nothing at all.
struct AISettingsPageInputs
{
    std::optional<bool> enabled; // the enable checkbox
    // The selected pop-up item's preset key; an empty string is an item that carries none.
    std::optional<QString> providerKey;
    std::optional<QString> model;
    std::optional<QString> baseURL;
    std::optional<QString> apiKey;
};

// Feedback line under the page's buttons: idle (no message), testing, or a result.
struct AISettingsPageState
{
    bool validationInFlight = false;
    bool validationSucceeded = false;
    std::optional<QString> validationMessage;

    bool operator==(const AISettingsPageState &) const = default;
};

// The OpenAI-compatible service the user configured: presets, reading the settings page,
// the connection test and saving. Settings live in the shared AppSettings; saving them to
// disk is the injected function's job.
class AIProviderSettings : public QObject
{
    Q_OBJECT
public:
    // Persists the settings; false (with the failure in words) when they could not be.
    using SaveFunction = std::function<bool(QString *why)>;

    static constexpr int kDefaultValidationTimeoutMs = 15000;

    AIProviderSettings(AppSettings &settings, HttpClient &http, SaveFunction saveSettings,
                       QObject *parent = nullptr);

    void setValidationTimeoutMs(int ms) { m_validationTimeoutMs = ms; }

    static const QList<AIProviderPreset> &aiProviderPresets();
    static std::optional<AIProviderPreset> aiProviderPresetForKey(const QString &key);
    // The key to select in the pop-up and to save.
    QString normalizedAIProviderKey() const;

    // The pop-up's action: remembers the provider and fills the page's base URL and model
    // from its preset (a custom service leaves both as typed). Nothing is saved yet.
    void applyAIProviderPresetFromPopup(AISettingsPageInputs &page);
    void syncAISettingsInputsFromPanel(const AISettingsPageInputs &page);
    // "测试连接": a tiny chat request; the outcome lands in pageState().
    void validateAISettingsAction(const AISettingsPageInputs &page);
    // "保存设置": stores the page, persists, and explains what is still missing.
    void saveAISettings(const AISettingsPageInputs &page);
    // Leaving the page ends whatever feedback it showed.
    void exitAISettings();
    // What became of a settings file that could not be read, shown on the page until it is
    // left: the page is where a user misses the key.
    void showSettingsFileNotice(const QString &text);

    AISettingsPageState pageState() const { return m_page; }

    // Shared with the insight request.
    static QJsonValue parseResponseBody(const QByteArray &body);
    // The answer text, trimmed; empty when the body holds none.
    static QString aiContentFromResponseJSON(const QJsonValue &json);
    // "type：message", the message alone, or an error given as a plain string; empty when
    // the body carries no error.
    static QString aiServerErrorFromResponseJSON(const QJsonValue &json);
    // A key holding a control character (a line break or NUL pasted along with it) would
    // break the request's header, so it is refused before anything is sent.
    static bool apiKeyHasInvalidCharacters(const QString &key);
    static QString invalidAPIKeyText();
    // base URL without trailing slashes + "/chat/completions"; none when not a valid URL.
    static std::optional<QUrl> chatCompletionsURL(const QString &baseURL);
    // A POST of `body` as JSON with the bearer key.
    static HttpRequest chatRequest(const QUrl &endpoint, const QString &apiKey,
                                   const QJsonObject &body, int timeoutMs);

    static QString savedStatusText();

Q_SIGNALS:
    // The page's state changed: rebuild it when visible.
    void pageStateChanged();
    // Settings saved from the page, or not: the controller shows `statusText` on its status
    // line.
    void aiSettingsSaved(const QString &statusText);

private:
    void setPageState(bool inFlight, bool succeeded, std::optional<QString> message);
    void finishValidation(const HttpResponse &response);

    AppSettings &m_settings;
    HttpClient &m_http;
    SaveFunction m_save;
    AISettingsPageState m_page;
    int m_validationTimeoutMs = kDefaultValidationTimeoutMs;
    // Only the latest test may report: an older one's answer describes settings since changed.
    quint64 m_validationSerial = 0;
};
