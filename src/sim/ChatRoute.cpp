// SPDX-License-Identifier: GPL-3.0-or-later
// An OpenAI-compatible chat-completion service: scripted answers for tests, and a short
// Chinese commentary on the prompt's stock for the demo.
#include "sim/ChatRoute.h"

#include "model/Clock.h"
#include "sim/MarketSimulator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>

#include <cmath>

using namespace Qt::StringLiterals;

SimChatAnswer SimChatAnswer::text(const QString &content)
{
    SimChatAnswer answer;
    answer.content = content;
    return answer;
}

SimChatAnswer SimChatAnswer::parts(const QStringList &parts)
{
    SimChatAnswer answer;
    answer.contentParts = parts;
    return answer;
}

SimChatAnswer SimChatAnswer::error(int status, const QString &type, const QString &message)
{
    SimChatAnswer answer;
    answer.status = status;
    answer.errorType = type;
    answer.errorMessage = message;
    return answer;
}

SimChatAnswer SimChatAnswer::plainError(int status, const QString &message)
{
    return raw(status,
               QJsonDocument(QJsonObject{{u"error"_s, message}}).toJson(QJsonDocument::Compact),
               "application/json; charset=utf-8");
}

SimChatAnswer SimChatAnswer::reasoning(const QString &thinking, const QStringList &parts)
{
    SimChatAnswer answer;
    answer.thinking = thinking;
    answer.contentParts = parts;
    return answer;
}

SimChatAnswer SimChatAnswer::raw(int status, const QByteArray &body, const QByteArray &contentType)
{
    SimChatAnswer answer;
    answer.status = status;
    answer.rawBody = body;
    answer.contentType = contentType;
    return answer;
}

SimChatAnswer SimChatAnswer::delayedBy(int ms) const
{
    SimChatAnswer answer = *this;
    answer.delayMs = ms;
    return answer;
}

namespace {

SimResponse jsonResponse(int status, const QJsonObject &object)
{
    SimResponse response;
    response.status = status;
    response.contentType = "application/json";
    response.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
    return response;
}

SimResponse errorResponse(int status, const QString &type, const QString &message,
                          const QJsonValue &code = QJsonValue::Null)
{
    QJsonObject error;
    if (!message.isEmpty())
        error.insert(u"message"_s, message);
    if (!type.isEmpty())
        error.insert(u"type"_s, type);
    error.insert(u"param"_s, QJsonValue::Null);
    error.insert(u"code"_s, code);
    return jsonResponse(status, QJsonObject{{u"error"_s, error}});
}

// The last user message of a request, or nothing.
QString lastUserContent(const QJsonArray &messages)
{
    for (qsizetype i = messages.size() - 1; i >= 0; --i) {
        const QJsonObject message = messages.at(i).toObject();
        if (message.value(u"role"_s).toString() == u"user")
            return message.value(u"content"_s).toString();
    }
    return {};
}

QString promptField(const QString &prompt, const QString &label)
{
    const QRegularExpression pattern(u"^"_s + QRegularExpression::escape(label) + u"(.*)$"_s,
                                     QRegularExpression::MultilineOption);
    return pattern.match(prompt).captured(1).trimmed();
}

// Three sentences in the voice of a cautious intraday commentator, kept to what the
// program's own analysis can back.
QString commentaryForPrompt(const QString &prompt)
{
    QString name = promptField(prompt, u"股票："_s);
    if (const qsizetype paren = name.indexOf(u'（'); paren > 0)
        name = name.left(paren);
    if (name.isEmpty())
        name = u"该股"_s;
    const QString price = promptField(prompt, u"当前价："_s);
    const QString anchor = price.isEmpty() ? u"当前价附近"_s : u"当前价 "_s + price + u" 附近"_s;
    const bool falling = promptField(prompt, u"涨跌幅："_s).startsWith(u'-');
    if (falling) {
        return name + u"盘中运行在分时均价线下方，"_s + anchor +
               u"仍处修复观察阶段。量能随回落有所收敛，日内结构偏弱但尚未加速。下一步宜观察能否重新站回均价线，若反抽缩量则继续以观察为先。"_s;
    }
    return name + u"盘中围绕分时均价线窄幅震荡，"_s + anchor +
           u"强弱暂时均衡。量能较早盘温和回落，日内结构仍以区间整理为主。下一步宜观察能否放量站稳均价线，若回落失守日内低位则以防守观察为先。"_s;
}

qint64 roughTokens(const QString &text)
{
    return static_cast<qint64>(std::ceil(static_cast<double>(text.size()) / 1.6));
}

} // namespace

SimResponse MarketSimulator::chatResponse(const SimRequest &request)
{
    ++m_chatCount;
    QJsonParseError parseError;
    const QJsonObject body = QJsonDocument::fromJson(request.body, &parseError).object();
    const QString model = body.value(u"model"_s).toString(u"gpt-4o-mini"_s);
    const QJsonArray messages = body.value(u"messages"_s).toArray();

    auto completion = [&](const QJsonValue &content) {
        const QString text = content.isString() ? content.toString() : QString();
        QString promptText;
        for (const QJsonValue &message : messages)
            promptText += message.toObject().value(u"content"_s).toString();
        const qint64 promptTokens = roughTokens(promptText);
        const qint64 completionTokens = qMax<qint64>(1, roughTokens(text));
        return jsonResponse(
            200, QJsonObject{
                     {u"id"_s, QString(u"chatcmpl-sim-"_s + QString::number(m_chatCount))},
                     {u"object"_s, u"chat.completion"_s},
                     {u"created"_s, static_cast<double>(m_clock.now().toSecsSinceEpoch())},
                     {u"model"_s, model},
                     {u"choices"_s, QJsonArray{QJsonObject{
                                        {u"index"_s, 0},
                                        {u"message"_s, QJsonObject{{u"role"_s, u"assistant"_s},
                                                                   {u"content"_s, content}}},
                                        {u"finish_reason"_s, u"stop"_s},
                                    }}},
                     {u"usage"_s,
                      QJsonObject{{u"prompt_tokens"_s, static_cast<double>(promptTokens)},
                                  {u"completion_tokens"_s, static_cast<double>(completionTokens)},
                                  {u"total_tokens"_s,
                                   static_cast<double>(promptTokens + completionTokens)}}},
                 });
    };

    if (!m_chatAnswers.isEmpty()) {
        const SimChatAnswer answer = m_chatAnswers.takeFirst();
        SimResponse response;
        if (answer.rawBody) {
            response.status = answer.status;
            response.contentType = answer.contentType;
            response.body = *answer.rawBody;
        } else if (!answer.errorType.isEmpty() || !answer.errorMessage.isEmpty()) {
            response = errorResponse(answer.status, answer.errorType, answer.errorMessage);
        } else if (!answer.contentParts.isEmpty()) {
            QJsonArray parts;
            if (!answer.thinking.isEmpty()) {
                const QJsonObject thought{{u"type"_s, u"text"_s}, {u"text"_s, answer.thinking}};
                parts.append(
                    QJsonObject{{u"type"_s, u"thinking"_s}, {u"thinking"_s, QJsonArray{thought}}});
            }
            for (const QString &part : answer.contentParts)
                parts.append(QJsonObject{{u"type"_s, u"text"_s}, {u"text"_s, part}});
            response = completion(parts);
            response.status = answer.status;
        } else {
            response = completion(answer.content.value_or(QString()));
            response.status = answer.status;
        }
        response.delayMs = answer.delayMs;
        return response;
    }

    // Unscripted: behave like the real service.
    if (request.method != "POST")
        return errorResponse(405, u"invalid_request_error"_s,
                             u"Only POST is supported on this endpoint."_s);
    const QByteArray authorization = request.header("Authorization");
    if (!authorization.startsWith("Bearer ") || authorization.mid(7).trimmed().isEmpty())
        return errorResponse(401, u"invalid_request_error"_s, u"You didn't provide an API key."_s);
    if (parseError.error != QJsonParseError::NoError)
        return errorResponse(400, u"invalid_request_error"_s,
                             u"We could not parse the JSON body of your request."_s);
    if (messages.isEmpty())
        return errorResponse(400, u"invalid_request_error"_s,
                             u"'messages' is a required property"_s);
    const QString prompt = lastUserContent(messages);
    if (prompt.contains(u"请只回复 OK"_s))
        return completion(u"OK"_s);
    return completion(commentaryForPrompt(prompt));
}

void MarketSimulator::installChatRoute()
{
    m_server.addRoute(
        chatRouteName(), [](const QString &path) { return path.endsWith(u"/chat/completions"_s); },
        [this](const SimRequest &request) { return chatResponse(request); });
}
