// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/Endpoints.h"
#include "net/HttpClient.h"
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
    if (!waitFor([&] { return done; }, 15000))
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
    using O = HttpResponse::Outcome;
    QTest::newRow("ok") << u"/hello"_s << QString() << int(O::Ok) << 200 << QByteArray("hello");
    QTest::newRow("http error keeps body")
        << u"/hello"_s << u"status"_s << int(O::HttpError) << 500 << QByteArray("hello");
    QTest::newRow("refused") << u"/hello"_s << u"refused"_s << int(O::TransportError) << 0
                             << QByteArray();
    QTest::newRow("reset") << u"/hello"_s << u"reset"_s << int(O::TransportError) << 0
                           << QByteArray();
    QTest::newRow("slow past deadline")
        << u"/hello"_s << u"delay"_s << int(O::TimedOut) << 0 << QByteArray();
    QTest::newRow("larger than the cap")
        << u"/big"_s << QString() << int(O::TooLarge) << 200 << QByteArray();
    QTest::newRow("endless") << u"/hello"_s << u"endless"_s << int(O::TooLarge) << 200
                             << QByteArray();
}

void tst_HttpClient::outcomes()
{
    QFETCH(QString, path);
    QFETCH(QString, fault);
    QFETCH(int, outcome);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    SimFault f;
    f.status = fault == u"status" ? 500 : 0;
    f.reset = fault == u"reset";
    f.delayMs = fault == u"delay" ? 5000 : 0;
    f.endless = fault == u"endless";
    m_server->setFault(path.mid(1), f);

    HttpRequest request;
    request.url = Endpoints::join(m_server->baseUrl(), path);
    if (fault == u"refused") {
        QTcpServer probe; // closed again at once: nothing listens on its port
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        request.url.setPort(probe.serverPort());
    }
    request.timeoutMs = 500;
    request.maxBodyBytes = 100000;
    const HttpResponse response = send(request);
    QCOMPARE(int(response.outcome), outcome);
    if (outcome != int(HttpResponse::Outcome::TooLarge))
        QCOMPARE(response.status, status);
    QCOMPARE(response.body, body);
    QCOMPARE(response.ok(), outcome == int(HttpResponse::Outcome::Ok));
    QCOMPARE(response.errorString.isEmpty(), response.ok());
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
