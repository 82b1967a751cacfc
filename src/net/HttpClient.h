// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QPair>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;

struct HttpRequest
{
    QUrl url;
    QByteArray method = QByteArrayLiteral("GET");
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // Deadline for the whole exchange, from sending to the last byte.
    int timeoutMs = 8000;
    // Answers larger than this are cut off and count as failed, never buffered whole.
    qint64 maxBodyBytes = 4 * 1024 * 1024;
};

struct HttpResponse
{
    // What went wrong is kept apart even where a caller treats every failure alike.
    enum class Outcome
    {
        Ok,             // 2xx with its body
        HttpError,      // the server answered with another status; body kept
        TransportError, // no answer: refused, reset, DNS, TLS ...
        TimedOut,       // the deadline passed
        TooLarge,       // the body grew past the cap
        // A redirect led to another origin (scheme, host or port): not followed, so nothing
        // the request carries (an API key) reaches a host it was not meant for.
        RedirectRefused,
    };

    Outcome outcome = Outcome::TransportError;
    int status = 0;
    QByteArray body;
    QString errorString;
    // Qt's kind of a transport failure (refused, host not found, TLS, proxy ...), so the
    // interface can say in Chinese what went wrong; NoError for the other outcomes.
    QNetworkReply::NetworkError networkError = QNetworkReply::NoError;

    bool ok() const { return outcome == Outcome::Ok; }
    // The server answered in full (whatever its status), so a body may be read.
    bool answered() const { return outcome == Outcome::Ok || outcome == Outcome::HttpError; }
};

// The one place that sends HTTP: every request gets its deadline, headers, size cap and
// redirect policy (same origin only) here. Replies are delivered on the main thread; a
// callback whose context object is gone never runs.
class HttpClient : public QObject
{
    Q_OBJECT
public:
    explicit HttpClient(QObject *parent = nullptr);
    HttpClient(QNetworkAccessManager *manager, QObject *parent = nullptr);
    ~HttpClient() override;

    using Callback = std::function<void(const HttpResponse &)>;
    void send(const HttpRequest &request, const QObject *context, Callback callback);

    int requestsInFlight() const { return m_inFlight; }

private:
    QNetworkAccessManager *m_manager;
    int m_inFlight = 0;
};
