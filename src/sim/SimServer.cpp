// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimServer.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// At most this many records are kept, so a long demo does not grow without bound.
constexpr int kMaxRecordedRequests = 2000;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 302:
        return "Found";
    case 307:
        return "Temporary Redirect";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

QByteArray garbageBytes()
{
    QByteArray bytes("\x89\xfe\x00garbage<html>\xff\xd8{not json]\x01\x02", 31);
    for (int i = 0; i < 64; ++i)
        bytes.append(static_cast<char>((i * 73 + 11) & 0xff));
    return bytes;
}

} // namespace

QByteArray SimRequest::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

QString SimRequest::queryValue(const QString &key) const
{
    for (const auto &[k, v] : query) {
        if (k == key)
            return v;
    }
    return {};
}

SimServer::SimServer(QObject *parent)
    : QAbstractHttpServer(parent)
{
    addRoute(
        u"control"_s, [](const QString &path) { return path.startsWith(u"/_sim/"); },
        [this](const SimRequest &request) { return control(request); });
}

quint16 SimServer::start(quint16 port)
{
    m_port = listen(QHostAddress::LocalHost, port);
    return m_port;
}

QUrl SimServer::baseUrl() const
{
    return QUrl(u"http://127.0.0.1:"_s + QString::number(m_port));
}

void SimServer::addRoute(const QString &name, Matcher matches, Handler handler)
{
    m_routes.append({name, std::move(matches), std::move(handler)});
}

void SimServer::addRoute(const QString &name, const QString &exactPath, Handler handler)
{
    addRoute(
        name, [exactPath](const QString &path) { return path == exactPath; }, std::move(handler));
}

void SimServer::setFault(const QString &route, const SimFault &fault)
{
    m_faults.insert(route, fault);
}

void SimServer::clearFault(const QString &route)
{
    m_faults.remove(route);
}

void SimServer::clearFaults()
{
    m_faults.clear();
}

QList<SimRequest> SimServer::requests(const QString &route) const
{
    QList<SimRequest> result;
    for (const SimRequest &request : m_requests) {
        if (request.route == route)
            result.append(request);
    }
    return result;
}

QStringList SimServer::routeNames() const
{
    QStringList names;
    for (const Route &route : m_routes)
        names.append(route.name);
    return names;
}

bool SimServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    SimRequest record;
    const QUrl url = request.url();
    record.method = QVariant::fromValue(request.method()).toString().toUpper().toLatin1();
    record.path = url.path(QUrl::FullyEncoded);
    record.target = record.path;
    if (url.hasQuery())
        record.target += u'?' + url.query(QUrl::FullyEncoded);
    record.query = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
    record.headers = request.headers();
    record.body = request.body();

    const Route *route = nullptr;
    for (const Route &candidate : m_routes) {
        if (candidate.matches(record.path)) {
            route = &candidate;
            break;
        }
    }
    record.route = route ? route->name : u"missing"_s;
    if (record.route != u"control") {
        m_requests.append(record);
        if (m_requests.size() > kMaxRecordedRequests)
            m_requests.remove(0, m_requests.size() - kMaxRecordedRequests);
    }
    Q_EMIT requestReceived(record.route);

    if (!route) {
        writeResponse(socket, SimResponse{404, "text/plain", "no such route", {}});
        return true;
    }

    SimFault fault;
    if (auto it = m_faults.find(route->name); it != m_faults.end()) {
        fault = *it;
        if (it->times > 0 && --it->times == 0)
            m_faults.erase(it);
    }
    const SimResponse response = route->handler(record);
    if (fault.hold) {
        m_held.append({route->name, socket, response, fault});
        return true;
    }
    const int delayMs = qMax(fault.delayMs, response.delayMs);
    if (delayMs > 0) {
        QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(delayMs, this, [this, guard, response, fault] {
            if (guard && guard->state() == QAbstractSocket::ConnectedState)
                respond(guard, response, fault);
        });
    } else {
        respond(socket, response, fault);
    }
    return true;
}

int SimServer::release(const QString &route)
{
    int released = 0;
    for (qsizetype i = 0; i < m_held.size();) {
        if (!route.isEmpty() && m_held.at(i).route != route) {
            ++i;
            continue;
        }
        const Held held = m_held.takeAt(i);
        if (held.socket && held.socket->state() == QAbstractSocket::ConnectedState) {
            respond(held.socket, held.response, held.fault);
            ++released;
        }
    }
    return released;
}

int SimServer::heldCount(const QString &route) const
{
    return int(std::count_if(m_held.begin(), m_held.end(),
                             [&](const Held &held) { return held.route == route; }));
}

void SimServer::missingHandler(const QHttpServerRequest &, QTcpSocket *socket)
{
    writeResponse(socket, SimResponse{404, "text/plain", "no such route", {}});
}

void SimServer::respond(QTcpSocket *socket, const SimResponse &response, const SimFault &fault)
{
    if (fault.reset) {
        socket->abort();
        return;
    }
    if (fault.endless) {
        streamEndless(socket);
        return;
    }
    SimResponse out = response;
    if (!fault.redirectTo.isEmpty()) {
        out.status = fault.status / 100 == 3 ? fault.status : 307;
        out.body.clear();
        out.headers.append({"Location", fault.redirectTo});
        writeResponse(socket, out);
        return;
    }
    if (fault.garbage) {
        out.body = garbageBytes();
        out.contentType = "application/octet-stream";
    }
    if (fault.emptyBody)
        out.body.clear();
    if (fault.status)
        out.status = fault.status;
    writeResponse(socket, out);
}

void SimServer::writeResponse(QTcpSocket *socket, const SimResponse &response)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                      reasonPhrase(response.status) + "\r\n";
    head += "Content-Type: " + response.contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    for (const auto &[name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    head += "\r\n";
    socket->write(head + response.body);
}

void SimServer::streamEndless(QTcpSocket *socket)
{
    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nTransfer-Encoding: chunked\r\n"
                  "Connection: close\r\n\r\n");
    const QByteArray payload(64 * 1024, 'x');
    const QByteArray chunk = QByteArray::number(payload.size(), 16) + "\r\n" + payload + "\r\n";
    auto feed = [socket, chunk] {
        // Keep the send buffer topped up without ever growing it without bound.
        while (socket->state() == QAbstractSocket::ConnectedState &&
               socket->bytesToWrite() < 4 * chunk.size())
            socket->write(chunk);
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, feed);
    feed();
}

SimResponse SimServer::control(const SimRequest &request)
{
    const QString action = request.path.mid(6);
    if (action == u"fault") {
        const QString route = request.queryValue(u"route"_s);
        SimFault fault;
        fault.delayMs = request.queryValue(u"delay"_s).toInt();
        fault.status = request.queryValue(u"status"_s).toInt();
        fault.reset = request.queryValue(u"reset"_s) == u"1";
        fault.emptyBody = request.queryValue(u"empty"_s) == u"1";
        fault.garbage = request.queryValue(u"garbage"_s) == u"1";
        fault.endless = request.queryValue(u"endless"_s) == u"1";
        fault.redirectTo = request.queryValue(u"redirect"_s).toUtf8();
        const QString times = request.queryValue(u"times"_s);
        fault.times = times.isEmpty() ? -1 : times.toInt();
        if (route.isEmpty())
            return SimResponse{400, "text/plain", "route is required", {}};
        if (fault.any())
            setFault(route, fault);
        else
            clearFault(route);
        return SimResponse{200, "text/plain", "ok", {}};
    }
    if (action == u"clear") {
        clearFaults();
        return SimResponse{200, "text/plain", "ok", {}};
    }
    if (action == u"requests") {
        QJsonArray list;
        for (const SimRequest &r : m_requests)
            list.append(QJsonObject{{u"route"_s, r.route}, {u"target"_s, r.target}});
        return SimResponse{200, "application/json", QJsonDocument(list).toJson(), {}};
    }
    if (action == u"routes")
        return SimResponse{200, "text/plain", routeNames().join(u'\n').toUtf8(), {}};
    return SimResponse{404, "text/plain", "unknown control action", {}};
}
