// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>

#include <QTcpSocket>

// What the simulator saw of one request, kept so tests can check what was really sent.
struct SimRequest
{
    QString route;
    QByteArray method;
    QString target; // path and query exactly as they came on the request line
    QString path;
    QList<QPair<QString, QString>> query; // in the order sent
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray header(const QByteArray &name) const;
    QString queryValue(const QString &key) const;
};

struct SimResponse
{
    int status = 200;
    QByteArray contentType = QByteArrayLiteral("text/plain; charset=utf-8");
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    // Held back this long before it is written (a slow service), on top of any fault delay.
    int delayMs = 0;
};

// Faults a route can be told to show. Several may be set at once; `times` limits how many
// requests see them (-1: until cleared).
struct SimFault
{
    int delayMs = 0;
    int status = 0;         // answer with this status instead (body kept)
    bool reset = false;     // drop the connection without answering
    bool emptyBody = false; // 200 with nothing in it
    bool garbage = false;   // 200 with bytes that are no format at all
    bool endless = false;   // a body that never ends
    // Sends the client to this address instead (307, or `status` when that is a 3xx).
    QByteArray redirectTo;
    // The answer waits until release(): a slow service whose pace the test sets.
    bool hold = false;
    int times = -1;

    bool any() const
    {
        return delayMs > 0 || status || reset || emptyBody || garbage || endless ||
               !redirectTo.isEmpty() || hold;
    }
};

// A small HTTP server on 127.0.0.1 built on Qt's HTTP server module: named routes, fault
// knobs per route, and a record of every request.
class SimServer : public QAbstractHttpServer
{
    Q_OBJECT
public:
    using Handler = std::function<SimResponse(const SimRequest &)>;
    using Matcher = std::function<bool(const QString &path)>;

    explicit SimServer(QObject *parent = nullptr);

    // Listens on 127.0.0.1; 0 picks a free port. Returns the port, 0 on failure.
    quint16 start(quint16 port = 0);
    quint16 port() const { return m_port; }
    QUrl baseUrl() const;

    void addRoute(const QString &name, Matcher matches, Handler handler);
    void addRoute(const QString &name, const QString &exactPath, Handler handler);

    void setFault(const QString &route, const SimFault &fault);
    void clearFault(const QString &route);
    void clearFaults();
    SimFault fault(const QString &route) const { return m_faults.value(route); }
    // Sends the answers held for the route (every route when empty); returns how many.
    int release(const QString &route = QString());
    int heldCount(const QString &route) const;

    QList<SimRequest> requests() const { return m_requests; }
    QList<SimRequest> requests(const QString &route) const;
    void clearRequests() { m_requests.clear(); }
    QStringList routeNames() const;

Q_SIGNALS:
    void requestReceived(const QString &route);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    struct Route
    {
        QString name;
        Matcher matches;
        Handler handler;
    };
    SimResponse control(const SimRequest &request);
    void respond(QTcpSocket *socket, const SimResponse &response, const SimFault &fault);
    static void writeResponse(QTcpSocket *socket, const SimResponse &response);
    static void streamEndless(QTcpSocket *socket);

    struct Held
    {
        QString route;
        QPointer<QTcpSocket> socket;
        SimResponse response;
        SimFault fault;
    };

    QList<Route> m_routes;
    QHash<QString, SimFault> m_faults;
    QList<Held> m_held;
    QList<SimRequest> m_requests;
    quint16 m_port = 0;
};
