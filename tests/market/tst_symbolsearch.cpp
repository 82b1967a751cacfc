// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include <QTest>

#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

const QDateTime kMoment =
    QDateTime(QDate(2026, 4, 28), QTime(10, 15, 37), QTimeZone("Asia/Shanghai"));

QStringList symbolsOf(const QList<WatchItem> &items)
{
    QStringList symbols;
    for (const WatchItem &item : items)
        symbols << item.value(u"symbol"_s).toString();
    return symbols;
}

QByteArray answerWith(const QJsonArray &data)
{
    return QJsonDocument(QJsonObject{{u"QuotationCodeTable"_s, QJsonObject{{u"Data"_s, data}}}})
        .toJson();
}

} // namespace

class TestSymbolSearch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void candidate_data();
    void candidate();
    void candidatesFromAnswer();
    void unusableAnswers_data();
    void unusableAnswers();
    void request();
    void search_data();
    void search();
    void nothingToAsk_data();
    void nothingToAsk();
    void placeholderTokenIsRefused();
};

void TestSymbolSearch::candidate_data()
{
    QTest::addColumn<QByteArray>("suggestion");
    QTest::addColumn<QString>("symbol"); // empty: no candidate
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("market");

    QTest::newRow("HK code padded")
        << R"({"Code":"700","Name":"腾讯控股","Classify":"HK","SecurityTypeName":"港股"})"_ba
        << u"hk00700"_s << u"腾讯控股"_s << u"港股"_s;
    QTest::newRow("HK by type name") << R"({"Code":"5","SecurityTypeName":"港股"})"_ba
                                     << u"hk00005"_s << u"HK00005"_s << u"港股"_s;
    QTest::newRow("US class share")
        << R"({"Code":"BRK.B","JYS":"NYSE","Name":"伯克希尔哈撒韦B"})"_ba << u"gb_brk_b"_s
        << u"伯克希尔哈撒韦B"_s << u"美股"_s;
    QTest::newRow("Beijing, no exchange, no name")
        << R"({"Code":"920001","JYS":""})"_ba << u"bj920001"_s << u"BJ920001"_s << u"北交"_s;
    QTest::newRow("ChiNext, numeric JYS")
        << R"({"Code":"300750","JYS":"80","Name":"宁德时代","SecurityTypeName":"创业板"})"_ba
        << u"sz300750"_s << u"宁德时代"_s << u"创业板"_s;
    QTest::newRow("STAR, numeric JYS") << R"({"Code":"688981","JYS":"1","Name":"中芯国际"})"_ba
                                       << u"sh688981"_s << u"中芯国际"_s << u"沪市"_s;
    QTest::newRow("US dashed class share")
        << R"({"Code":"BRK-B","JYS":"NYSE"})"_ba << u"gb_brk_b"_s << u"GB_BRK_B"_s << u"美股"_s;
    QTest::newRow("Shanghai index by market number")
        << R"({"Code":"000001","JYS":"2","MktNum":"1","Name":"上证指数","SecurityTypeName":"指数"})"_ba
        << u"sh000001"_s << u"上证指数"_s << u"指数"_s;
    QTest::newRow("Shanghai index by quote id")
        << R"({"Code":"000688","JYS":"2","QuoteID":"1.000688","Name":"科创50"})"_ba << u"sh000688"_s
        << u"科创50"_s << u"沪市"_s;
    QTest::newRow("Shenzhen stock, market 0")
        << R"({"Code":"000001","JYS":"6","MktNum":"0","Name":"平安银行"})"_ba << u"sz000001"_s
        << u"平安银行"_s << u"深市"_s;
    QTest::newRow("five characters, unknown exchange")
        << R"({"Code":"12345","JYS":"XX","Name":"某基金"})"_ba << QString() << QString()
        << QString();
    QTest::newRow("code not a string")
        << R"({"Code":700,"Classify":"HK"})"_ba << QString() << QString() << QString();
    // A code that does not fit its market's form is never offered: once stored it would go
    // into every realtime request.
    const auto refused = [](const char *name, const QString &code, const QString &exchange) {
        const QJsonObject o{{u"Code"_s, code}, {u"JYS"_s, exchange}};
        QTest::newRow(name) << QJsonDocument(o).toJson() << QString() << QString() << QString();
    };
    refused("named exchange, not six digits", u"AB1"_s, u"SZ"_s);
    refused("path", u"../../x"_s, u"SH"_s);
    refused("two symbols", u"600519,hk00700"_s, u"SH"_s);
    refused("3000 digits", QString(3000, u'7'), u"HK"_s);
    refused("line break", u"600519\r\nsz000001"_s, u"SH"_s);
    refused("six-digit Hong Kong code", u"123456"_s, u"HK"_s);
    refused("US ticker too long", u"ABCDEFGHIJK"_s, u"NASDAQ"_s);
}

void TestSymbolSearch::candidate()
{
    QFETCH(QByteArray, suggestion);
    QFETCH(QString, symbol);
    QFETCH(QString, name);
    QFETCH(QString, market);
    const QJsonObject object = QJsonDocument::fromJson(suggestion).object();
    QVERIFY(!object.isEmpty());
    const std::optional<WatchItem> item = eastmoney::candidateFromSuggestion(object);
    if (symbol.isEmpty()) {
        QVERIFY(!item);
        return;
    }
    QVERIFY(item);
    QCOMPARE(item->value(u"symbol"_s).toString(), symbol);
    QCOMPARE(item->value(u"name"_s).toString(), name);
    QCOMPARE(item->value(u"market"_s).toString(), market);
}

void TestSymbolSearch::candidatesFromAnswer()
{
    const QJsonArray data{
        QJsonObject{{u"Code"_s, u"../x"_s}, {u"JYS"_s, u"SH"_s}}, // takes no place
        QJsonObject{{u"Code"_s, u"700"_s}, {u"Classify"_s, u"HK"_s}},
        QJsonObject{{u"Code"_s, u"00700"_s}, {u"JYS"_s, u"HK"_s}}, // the same symbol again
        u"not a suggestion"_s,
        QJsonObject{{u"Code"_s, u"12345"_s}},
        QJsonObject{{u"Code"_s, u"600519"_s}},
        QJsonObject{{u"Code"_s, u"AAPL"_s}, {u"JYS"_s, u"NASDAQ"_s}},
        QJsonObject{{u"Code"_s, u"300750"_s}},
    };
    QCOMPARE(symbolsOf(eastmoney::candidatesFromSuggestData(answerWith(data), 10)),
             (QStringList{u"hk00700"_s, u"sh600519"_s, u"gb_aapl"_s, u"sz300750"_s}));
    QCOMPARE(symbolsOf(eastmoney::candidatesFromSuggestData(answerWith(data), 3)),
             (QStringList{u"hk00700"_s, u"sh600519"_s, u"gb_aapl"_s}));
    QVERIFY(eastmoney::candidatesFromSuggestData(answerWith(data), 0).isEmpty());
}

void TestSymbolSearch::unusableAnswers_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("no hits")
        << R"({"QuotationCodeTable":{"Data":null,"Status":0,"TotalCount":0}})"_ba;
    QTest::newRow("no table") << R"({"Data":[{"Code":"600519"}]})"_ba;
    QTest::newRow("root array") << R"([{"Code":"600519"}])"_ba;
    QTest::newRow("not JSON") << "<html>busy</html>"_ba;
    QTest::newRow("empty") << QByteArray();
}

void TestSymbolSearch::unusableAnswers()
{
    QFETCH(QByteArray, body);
    QVERIFY(eastmoney::candidatesFromSuggestData(body, 10).isEmpty());
}

void TestSymbolSearch::request()
{
    SimHarness h(kMoment);
    const auto result = awaitCompletion<QList<WatchItem>>(
        [&](auto done) { h.market->search.search(u"  茅台 &=+#\n"_s, 10, &h.receiver, done); });
    QVERIFY(result);
    const QList<SimRequest> sent = h.simulator.server().requests(u"eastmoney-suggest"_s);
    QCOMPARE(sent.size(), 1);
    const SimRequest &r = sent.first();
    QCOMPARE(r.method, "GET"_ba);
    // Trimmed, and every delimiter encoded so the service sees the text as typed.
    QCOMPARE(r.path, u"/api/suggest/get"_s);
    QCOMPARE(r.query,
             (QList<QPair<QString, QString>>{{u"input"_s, u"茅台 &=+#"_s},
                                             {u"type"_s, u"14"_s},
                                             {u"token"_s, u"D43BF722C8E33BDC906FB84D85E326E8"_s}}));
    QCOMPARE(r.header("Referer"), Endpoints::eastmoneyReferer());
    QCOMPARE(r.header("User-Agent"), "Mozilla/5.0 Kestrum by Orvell"_ba);

    const std::optional<HttpRequest> built = eastmoney::searchRequest(h.endpoints, u"茅台"_s);
    QVERIFY(built);
    QCOMPARE(built->timeoutMs, 6000);
}

void TestSymbolSearch::search_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QStringList>("symbols");

    QTest::newRow("index and stock share a code")
        << u"000001"_s << 10 << QStringList{u"sh000001"_s, u"sz000001"_s};
    QTest::newRow("two banks") << u"银行"_s << 10 << QStringList{u"sh600036"_s, u"sz000001"_s};
    QTest::newRow("limit") << u"银行"_s << 1 << QStringList{u"sh600036"_s};
    QTest::newRow("no hits") << u"不存在的股票"_s << 10 << QStringList();
}

void TestSymbolSearch::search()
{
    QFETCH(QString, query);
    QFETCH(int, limit);
    QFETCH(QStringList, symbols);
    SimHarness h(kMoment);
    int calls = 0;
    const auto result = awaitCompletion<QList<WatchItem>>(
        [&](auto done) { h.market->search.search(query, limit, &h.receiver, done); }, &calls);
    QVERIFY(result);
    QCOMPARE(calls, 1);
    QCOMPARE(symbolsOf(*result), symbols);
    for (const WatchItem &item : *result) {
        const SimInstrument &i = h.instrument(item.value(u"symbol"_s).toString());
        QCOMPARE(item.value(u"name"_s).toString(), i.name);
        QVERIFY(!item.value(u"market"_s).toString().isEmpty());
    }
}

void TestSymbolSearch::nothingToAsk_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("limit");
    QTest::newRow("only spaces") << u"   \n\t"_s << 10;
    QTest::newRow("limit zero") << u"茅台"_s << 0;
}

void TestSymbolSearch::nothingToAsk()
{
    QFETCH(QString, query);
    QFETCH(int, limit);
    SimHarness h(kMoment);
    bool returned = false;
    int calls = 0;
    const auto result = awaitCompletion<QList<WatchItem>>(
        [&](auto done) {
            h.market->search.search(query, limit, &h.receiver,
                                    [&, done](const QList<WatchItem> &items) {
                                        // The answer comes later, never inside the call itself.
                                        QVERIFY(returned);
                                        done(items);
                                    });
            returned = true;
        },
        &calls);
    QVERIFY(result);
    QCOMPARE(calls, 1);
    QVERIFY(result->isEmpty());
    QCOMPARE(h.requestCount(u"eastmoney-suggest"_s), 0);
}

void TestSymbolSearch::placeholderTokenIsRefused()
{
    // The fixed value some documentation prints is not one the service knows. (Every other
    // failure of the search route is driven by the fault-injection test.)
    SimHarness h(kMoment);
    Endpoints endpoints = Endpoints::allAt(h.simulator.baseUrl());
    endpoints.eastmoneySuggestToken = u"5A1C0E9B7F3D2468ACE13579BDF02468"_s;
    SymbolSearchSource source(h.http, endpoints, h.clock);
    int calls = 0;
    const auto result = awaitCompletion<QList<WatchItem>>(
        [&](auto done) { source.search(u"茅台"_s, 10, &h.receiver, done); }, &calls);
    QVERIFY(result);
    QCOMPARE(calls, 1);
    QVERIFY(result->isEmpty());
    QCOMPARE(h.requestCount(u"eastmoney-suggest"_s), 1);
}

QTEST_GUILESS_MAIN(TestSymbolSearch)
#include "tst_symbolsearch.moc"
