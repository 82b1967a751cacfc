// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/Endpoints.h"
#include "net/HttpClient.h"
#include "net/NetworkErrorText.h"
#include "sim/SimServer.h"

#include "TestSupport.h"

#include <QTcpServer>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

class tst_HttpClient : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void outcomes_data();
    void outcomes();
    void contextGoneMeansNoCallback();
    void endpoints();

private:
    std::unique_ptr<SimServer> m_server;
    HttpResponse send(const HttpRequest &request);
};

void tst_HttpClient::init()
{
    m_server = std::make_unique<SimServer>();
    QVERIFY(m_server->start() != 0);
    m_server->addRoute(u"hello"_s, u"/hello"_s, [](const SimRequest &) {
        return SimResponse{200, "text/plain", "hello", {}};
    });
    m_server->addRoute(u"big"_s, u"/big"_s, [](const SimRequest &) {
        return SimResponse{200, "text/plain", QByteArray(300000, 'b'), {}};
    });
}

HttpResponse tst_HttpClient::send(const HttpRequest &request)
{
    HttpClient client;
    HttpResponse result;
    bool done = false;
    client.send(request, nullptr, [&](const HttpResponse &response) {
        result = response;
        done = true;
    });
    if (!waitFor([&] { return done; }))
        qWarning("request did not finish");
    return result;
}

void tst_HttpClient::outcomes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("text"); // what the interface says of it
    using O = HttpResponse::Outcome;
    const auto row = [](const char *name, const QString &path, const QString &fault, O outcome,
                        int status, const QByteArray &body, const QString &text) {
        QTest::newRow(name) << path << fault << int(outcome) << status << body << text;
    };
    row("ok", u"/hello"_s, QString(), O::Ok, 200, "hello", QString());
    row("http error keeps body", u"/hello"_s, u"status"_s, O::HttpError, 500, "hello", QString());
    row("refused", u"/hello"_s, u"refused"_s, O::TransportError, 0, {}, u"连接被拒绝"_s);
    row("reset", u"/hello"_s, u"reset"_s, O::TransportError, 0, {}, u"连接被服务器中断"_s);
    row("TLS to a plain server", u"/hello"_s, u"tls"_s, O::TransportError, 0, {},
        u"安全连接（TLS）失败"_s);
    row("slow past deadline", u"/hello"_s, u"delay"_s, O::TimedOut, 0, {}, u"请求超时"_s);
    row("larger than the cap", u"/big"_s, QString(), O::TooLarge, 200, {}, u"服务返回的数据过大"_s);
    row("endless", u"/hello"_s, u"endless"_s, O::TooLarge, 200, {}, u"服务返回的数据过大"_s);
    // Redirects are followed within the origin only; the key never goes anywhere else.
    const QString refused = u"服务要求跳转到其他网站，为安全起见已拒绝"_s;
    row("302 within the origin", u"/hello"_s, u"302 /hello"_s, O::Ok, 200, "hello", QString());
    row("307 to another host", u"/hello"_s, u"307 http://127.0.0.2:%1/hello"_s, O::RedirectRefused,
        307, {}, refused);
    row("302 to another port", u"/hello"_s, u"302 http://127.0.0.1:%2/hello"_s, O::RedirectRefused,
        302, {}, refused);
    row("307 to another scheme", u"/hello"_s, u"307 https://127.0.0.1:%1/hello"_s,
        O::RedirectRefused, 307, {}, refused);
}

void tst_HttpClient::outcomes()
{
    QFETCH(QString, path);
    QFETCH(QString, fault);
    QFETCH(int, outcome);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    // Where a redirect may lead: the same port on another loopback host, another port here.
    QTcpServer otherHost;
    QTcpServer otherPort;
    QVERIFY(otherHost.listen(QHostAddress(u"127.0.0.2"_s), m_server->port()));
    QVERIFY(otherPort.listen(QHostAddress::LocalHost));
    SimFault f;
    f.status = fault == u"status" ? 500 : fault.section(u' ', 0, 0).toInt();
    f.reset = fault == u"reset";
    // Only one outcome can happen: an answer far past a short deadline, a body past the
    // cap long before a roomy one.
    f.delayMs = fault == u"delay" ? kPatienceMs : 0;
    f.endless = fault == u"endless";
    f.redirectTo = fault.section(u' ', 1)
                       .replace(u"%1"_s, QString::number(m_server->port()))
                       .replace(u"%2"_s, QString::number(otherPort.serverPort()))
                       .toUtf8();
    f.times = f.redirectTo.isEmpty() ? -1 : 1;
    m_server->setFault(path.mid(1), f);

    HttpRequest request;
    request.url = Endpoints::join(m_server->baseUrl(), path);
    request.method = "POST";
    request.headers = {{"Authorization", "Bearer sk-secret"}};
    request.body = "{}";
    if (fault == u"refused") {
        QTcpServer probe; // closed again at once: nothing listens on its port
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        request.url.setPort(probe.serverPort());
    }
    // A server that answers the TLS greeting in plain HTTP.
    QTcpServer plain;
    if (fault == u"tls") {
        QVERIFY(plain.listen(QHostAddress::LocalHost));
        connect(&plain, &QTcpServer::newConnection, &plain, [&plain] {
            plain.nextPendingConnection()->write(
                "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello");
        });
        request.url = QUrl(u"https://127.0.0.1:"_s + QString::number(plain.serverPort()) + path);
    }
    request.timeoutMs = fault == u"delay" ? 500 : kPatienceMs;
    request.maxBodyBytes = 100000;
    const HttpResponse response = send(request);
    QCOMPARE(int(response.outcome), outcome);
    if (outcome != int(HttpResponse::Outcome::TooLarge))
        QCOMPARE(response.status, status);
    QCOMPARE(response.body, body);
    QCOMPARE(response.ok(), outcome == int(HttpResponse::Outcome::Ok));
    QCOMPARE(response.errorString.isEmpty(), response.ok());
    QTEST(NetworkErrorText::describe(response), "text");
    QVERIFY(!otherHost.hasPendingConnections() && !otherPort.hasPendingConnections());
    for (const SimRequest &sent : m_server->requests())
        QCOMPARE(sent.header("Authorization"), QByteArray("Bearer sk-secret"));
}

void tst_HttpClient::contextGoneMeansNoCallback()
{
    HttpClient client;
    auto context = std::make_unique<QObject>();
    bool called = false;
    HttpRequest request;
    request.url = Endpoints::join(m_server->baseUrl(), u"/hello"_s);
    client.send(request, context.get(), [&](const HttpResponse &) { called = true; });
    context.reset();
    QVERIFY(waitFor([&] { return client.requestsInFlight() == 0; }));
    QVERIFY(!called);
}

void tst_HttpClient::endpoints()
{
    qputenv("KESTRUM_MARKET_URL", "http://127.0.0.1:9");
    qputenv("KESTRUM_YAHOO_URL", "http://127.0.0.1:10/yahoo");
    qputenv("KESTRUM_SINA_URL", "not a url");
    const Endpoints e = Endpoints::fromEnvironment();
    qunsetenv("KESTRUM_MARKET_URL");
    qunsetenv("KESTRUM_YAHOO_URL");
    qunsetenv("KESTRUM_SINA_URL");
    QCOMPARE(e.sina, QUrl(u"http://127.0.0.1:9"_s)); // an unusable value is ignored
    QCOMPARE(e.tencent, QUrl(u"http://127.0.0.1:9"_s));
    QCOMPARE(e.yahoo, QUrl(u"http://127.0.0.1:10/yahoo"_s));
    // Joining keeps the base path and the query-like Sina path as written.
    QCOMPARE(Endpoints::join(QUrl(u"http://h:1/base/"_s), u"/rn=1&list=sh600000,hk00700"_s)
                 .toString(QUrl::FullyEncoded),
             u"http://h:1/base/rn=1&list=sh600000,hk00700"_s);
}

QTEST_GUILESS_MAIN(tst_HttpClient)
#include "tst_httpclient.moc"
