// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/HttpClient.h"

#include "model/Logging.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

HttpClient::HttpClient(QObject *parent)
    : HttpClient(new QNetworkAccessManager, parent)
{
    m_manager->setParent(this);
}

HttpClient::HttpClient(QNetworkAccessManager *manager, QObject *parent)
    : QObject(parent)
    , m_manager(manager)
{}

HttpClient::~HttpClient() = default;

namespace {

// What the network layer may hold of a body beyond what we have read: it stops reading
// from the socket once this much waits, so an endless body costs no more than the cap.
constexpr qint64 kReadBufferBytes = 64 * 1024;

struct Exchange
{
    HttpResponse::Outcome abortReason = HttpResponse::Outcome::TransportError;
    bool aborted = false;
    QByteArray body;
};

} // namespace

void HttpClient::send(const HttpRequest &request, const QObject *context, Callback callback)
{
    QNetworkRequest networkRequest(request.url);
    for (const auto &[name, value] : request.headers)
        networkRequest.setRawHeader(name, value);
    // Our own deadline covers the whole exchange, so a slow trickle cannot hang on.
    networkRequest.setTransferTimeout(0);
    // Headers such as an API key must never follow a redirect to another scheme, host or
    // port (Qt's default follows any redirect that is no less secure).
    networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                QNetworkRequest::SameOriginRedirectPolicy);

    // Without a body there is nothing to upload, and the request starts here and now.
    QNetworkReply *reply =
        request.body.isEmpty()
            ? m_manager->sendCustomRequest(networkRequest, request.method)
            : m_manager->sendCustomRequest(networkRequest, request.method, request.body);
    // The limit reaches the network thread as a message that counts only once the request has
    // started there (Qt 6.4): a request with a body starts at the next turn of the event loop,
    // and one that follows another on a kept-alive connection may start reading first. So it
    // is set now, again once started, and again when the headers are in.
    const auto limitReadBuffer = [reply] {
        reply->setReadBufferSize(kReadBufferBytes);
    };
    limitReadBuffer();
    QMetaObject::invokeMethod(reply, limitReadBuffer, Qt::QueuedConnection);
    connect(reply, &QNetworkReply::metaDataChanged, reply, limitReadBuffer);
    ++m_inFlight;

    auto exchange = std::make_shared<Exchange>();
    const qint64 cap = request.maxBodyBytes;
    auto abortWith = [reply, exchange](HttpResponse::Outcome reason) {
        if (exchange->aborted)
            return;
        exchange->aborted = true;
        exchange->abortReason = reason;
        reply->abort();
    };

    auto *timer = new QTimer(reply);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer); // a coarse timer may fire up to 5% early
    connect(timer, &QTimer::timeout, reply,
            [abortWith] { abortWith(HttpResponse::Outcome::TimedOut); });
    timer->start(qMax(1, request.timeoutMs));

    connect(reply, &QNetworkReply::readyRead, reply, [reply, exchange, cap, abortWith] {
        if (exchange->aborted)
            return;
        const qint64 available = reply->bytesAvailable();
        if (exchange->body.size() + available > cap) {
            abortWith(HttpResponse::Outcome::TooLarge);
            return;
        }
        exchange->body += reply->read(available);
    });
    connect(reply, &QNetworkReply::downloadProgress, reply, [cap, abortWith](qint64, qint64 total) {
        if (total > cap)
            abortWith(HttpResponse::Outcome::TooLarge);
    });

    QPointer<const QObject> guard(context);
    const bool guarded = context != nullptr;
    // Never the query or user info: a service's address may carry a key there.
    const QString what = QString::fromLatin1(request.method) + u' ' +
                         request.url.adjusted(QUrl::RemoveQuery | QUrl::RemoveUserInfo).toString();
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, exchange, guard, guarded, cap, what, callback = std::move(callback)] {
                --m_inFlight;
                reply->deleteLater();
                HttpResponse response;
                response.status =
                    reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                if (exchange->aborted) {
                    response.outcome = exchange->abortReason;
                    response.errorString = exchange->abortReason == HttpResponse::Outcome::TimedOut
                                               ? u"timed out"_s
                                               : u"response too large"_s;
                } else if (reply->error() == QNetworkReply::InsecureRedirectError) {
                    response.outcome = HttpResponse::Outcome::RedirectRefused;
                    response.errorString = reply->errorString();
                } else {
                    exchange->body += reply->readAll();
                    if (exchange->body.size() > cap) {
                        response.outcome = HttpResponse::Outcome::TooLarge;
                        response.errorString = u"response too large"_s;
                    } else if (response.status == 0 && reply->error() != QNetworkReply::NoError) {
                        response.outcome = HttpResponse::Outcome::TransportError;
                        response.errorString = reply->errorString();
                        response.networkError = reply->error();
                    } else if (response.status >= 200 && response.status < 300) {
                        response.outcome = HttpResponse::Outcome::Ok;
                        response.body = std::move(exchange->body);
                    } else if (response.status != 0) {
                        response.outcome = HttpResponse::Outcome::HttpError;
                        response.body = std::move(exchange->body);
                        response.errorString = reply->errorString();
                    } else {
                        response.outcome = HttpResponse::Outcome::TransportError;
                        response.errorString = reply->errorString();
                        response.networkError = reply->error();
                    }
                    // A connection cut mid-body is a failure even though a status came.
                    if (response.answered() && reply->error() != QNetworkReply::NoError &&
                        reply->error() < QNetworkReply::ContentAccessDenied) {
                        response.outcome = HttpResponse::Outcome::TransportError;
                        response.errorString = reply->errorString();
                        response.networkError = reply->error();
                        response.body.clear();
                    }
                }
                qCDebug(lcNet).noquote() << what << "->" << response.status << response.body.size()
                                         << "bytes" << response.errorString;
                if (guarded && !guard)
                    return;
                if (callback)
                    callback(response);
            });
}
