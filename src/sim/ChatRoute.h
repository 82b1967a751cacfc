// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// One scripted answer of the simulated chat-completion service. The route serves the
// queued answers in order, then falls back to its own plausible commentary.
struct SimChatAnswer
{
    int status = 200;
    // choices[0].message.content as a string.
    std::optional<QString> content;
    // choices[0].message.content as an array of text parts instead.
    QStringList contentParts;
    // A reasoning model's thinking, sent as a "thinking" part before the text parts.
    QString thinking;
    // An error object {message, type} is sent when either is set.
    QString errorType;
    QString errorMessage;
    // Sent as it is instead of any JSON (an HTML error page, an empty body).
    std::optional<QByteArray> rawBody;
    QByteArray contentType = QByteArrayLiteral("application/json");
    // Held back this long before it is written.
    int delayMs = 0;

    static SimChatAnswer text(const QString &content);
    static SimChatAnswer parts(const QStringList &parts);
    static SimChatAnswer error(int status, const QString &type, const QString &message);
    // {"error": "<message>"}, as local model servers answer.
    static SimChatAnswer plainError(int status, const QString &message);
    static SimChatAnswer reasoning(const QString &thinking, const QStringList &parts);
    static SimChatAnswer raw(int status, const QByteArray &body,
                             const QByteArray &contentType = "text/html; charset=utf-8");
    SimChatAnswer delayedBy(int ms) const;
};
