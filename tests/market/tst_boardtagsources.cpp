// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include <QTest>

#include <QJsonArray>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

const QDateTime kMoment =
    QDateTime(QDate(2026, 4, 28), QTime(10, 15, 37), QTimeZone("Asia/Shanghai"));

QByteArray f10With(const QStringList &names)
{
    QJsonArray boards;
    for (const QString &name : names)
        boards.append(QJsonObject{{u"BOARD_NAME"_s, name}, {u"BOARD_RANK"_s, boards.size() + 1}});
    return QJsonDocument(QJsonObject{{u"ssbk"_s, boards}}).toJson();
}

} // namespace

class TestBoardTagSources : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void boardNameLists_data();
    void boardNameLists();
    void f10Answer_data();
    void f10Answer();
    void stockAnswer_data();
    void stockAnswer();
    void requests();
    void fromSimulator_data();
    void fromSimulator();
    void f10FailureFallsBack_data();
    void f10FailureFallsBack();
};

void TestBoardTagSources::boardNameLists_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("ignored");
    QTest::addColumn<bool>("broad");

    QTest::newRow("empty") << QString() << true << false;
    QTest::newRow("programme") << u"融资融券"_s << true << false;
    QTest::newRow("connect, by substring") << u"深股通"_s << true << false;
    QTest::newRow("region board") << u"贵州板块"_s << true << false;
    QTest::newRow("CSI 300 member stays") << u"沪深300成分"_s << false << false;
    QTest::newRow("index membership code") << u"HS300_"_s << true << false;
    QTest::newRow("placeholder dash") << u"-"_s << true << false;
    QTest::newRow("dash inside a name") << u"阿里-W概念"_s << false << false;
    QTest::newRow("industry") << u"电网设备"_s << false << false;
    QTest::newRow("broad industry") << u"电子"_s << false << true;
    QTest::newRow("broad by whole name only") << u"消费电子"_s << false << false;
}

void TestBoardTagSources::boardNameLists()
{
    QFETCH(QString, name);
    QFETCH(bool, ignored);
    QFETCH(bool, broad);
    QCOMPARE(eastmoney::shouldIgnoreBoardName(name), ignored);
    QCOMPARE(eastmoney::isOverlyBroadBoardName(name), broad);
}

void TestBoardTagSources::f10Answer_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("tags");

    QTest::newRow("ignored, broad first, then two")
        << f10With({u"融资融券"_s, u"电子"_s, u"消费电子"_s, u"苹果概念"_s})
        << QStringList{u"消费电子"_s, u"苹果概念"_s};
    QTest::newRow("broad accepted second")
        << f10With({u"半导体"_s, u"电子"_s}) << QStringList{u"半导体"_s, u"电子"_s};
    QTest::newRow("broad never revisited")
        << f10With({u"电子"_s, u"芯片概念"_s}) << QStringList{u"芯片概念"_s};
    QTest::newRow("only broad") << f10With({u"电子"_s, u"汽车"_s}) << QStringList();
    QTest::newRow("level marks and repeats")
        << f10With({u" 白酒Ⅱ "_s, u"白酒"_s, u"白酒Ⅲ"_s, u"白酒概念"_s})
        << QStringList{u"白酒"_s, u"白酒概念"_s};
    QTest::newRow("trimmed, three offered")
        << f10With({u"\n电网设备 "_s, u"特高压"_s, u"智能电网"_s})
        << QStringList{u"电网设备"_s, u"特高压"_s};
    QTest::newRow("odd elements")
        << R"({"ssbk":[{"BOARD_NAME":""},{"BOARD_NAME":null},"AH股",{"NAME":"x"},{"BOARD_NAME":"证金持股"}]})"_ba
        << QStringList{u"证金持股"_s};
    QTest::newRow("ssbk not an array") << R"({"ssbk":{"BOARD_NAME":"银行"}})"_ba << QStringList();
    QTest::newRow("not JSON") << "<html>"_ba << QStringList();
}

void TestBoardTagSources::f10Answer()
{
    QFETCH(QByteArray, json);
    QFETCH(QStringList, tags);
    QCOMPARE(eastmoney::boardTagsFromF10(QJsonDocument::fromJson(json)), tags);
}

void TestBoardTagSources::stockAnswer_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("tags");

    QTest::newRow("industry, ignored, concept")
        << R"({"data":{"f127":"电网设备","f129":"融资融券,特高压,智能电网"}})"_ba
        << QStringList{u"电网设备"_s, u"特高压"_s};
    QTest::newRow("dash industry is none")
        << R"({"data":{"f127":"-","f129":"北证50_,数字货币,金融科技"}})"_ba
        << QStringList{u"数字货币"_s, u"金融科技"_s};
    QTest::newRow("nothing at all")
        << R"({"data":{"f127":"","f128":"-","f129":"-"}})"_ba << QStringList();
    QTest::newRow("broad list not applied") << R"({"data":{"f127":"电子","f129":"消费电子"}})"_ba
                                            << QStringList{u"电子"_s, u"消费电子"_s};
    QTest::newRow("industry not a string")
        << R"({"data":{"f127":5,"f129":" 光通信 , ,CPO概念"}})"_ba
        << QStringList{u"光通信"_s, u"CPO概念"_s};
    QTest::newRow("concept repeats industry")
        << R"({"data":{"f127":"白酒Ⅱ","f129":"白酒,白酒概念"}})"_ba
        << QStringList{u"白酒"_s, u"白酒概念"_s};
    QTest::newRow("not JSON") << "garbage"_ba << QStringList();
}

void TestBoardTagSources::stockAnswer()
{
    QFETCH(QByteArray, json);
    QFETCH(QStringList, tags);
    QCOMPARE(eastmoney::boardTagsFromStock(QJsonDocument::fromJson(json)), tags);
}

void TestBoardTagSources::requests()
{
    SimHarness h(kMoment);
    h.failRoute(u"eastmoney-f10"_s, u"status"_s);
    const auto tags = awaitCompletion<QStringList>(
        [&](auto done) { h.market->boardTags.fetch(u"SZ000636"_s, &h.receiver, done); });
    QVERIFY(tags);

    const QList<SimRequest> f10 = h.simulator.server().requests(u"eastmoney-f10"_s);
    QCOMPARE(f10.size(), 1);
    QCOMPARE(sent(f10.first()), u"/PC_HSF10/CoreConception/PageAjax?code=SZ000636"_s);
    QCOMPARE(f10.first().header("Referer"),
             h.simulator.baseUrl().toEncoded() +
                 "/PC_HSF10/CoreConception/Index?type=web&code=SZ000636");

    const QList<SimRequest> stock = h.simulator.server().requests(u"eastmoney-stock"_s);
    QCOMPARE(stock.size(), 1);
    QCOMPARE(sent(stock.first()),
             u"/api/qt/stock/get?secid=0.000636&fields=f57,f58,f127,f128,f129"_s);
    QCOMPARE(stock.first().header("Referer"), Endpoints::eastmoneyReferer());
    for (const SimRequest &r : {f10.first(), stock.first()})
        QCOMPARE(r.header("User-Agent"), Endpoints::userAgent());
    QCOMPARE(eastmoney::f10Request(h.endpoints, sym(u"sz000636"_s))->timeoutMs, 8000);
    QCOMPARE(eastmoney::stockRequest(h.endpoints, sym(u"sz000636"_s))->timeoutMs, 8000);
}

void TestBoardTagSources::fromSimulator_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QStringList>("tags");
    QTest::addColumn<int>("stockRequests"); // -1: other markets ask nothing at all

    QTest::newRow("broad industry passed over")
        << u"sz000636"_s << QStringList{u"消费电子"_s, u"苹果概念"_s} << 0;
    QTest::newRow("index: nothing anywhere") << u"sh000001"_s << QStringList() << 1;
    QTest::newRow("Hong Kong") << u"hk00700"_s << QStringList{u"港股"_s} << -1;
    QTest::newRow("US") << u"gb_aapl"_s << QStringList{u"美股"_s} << -1;
    QTest::newRow("unknown market") << u"xx1"_s << QStringList{u"市场"_s} << -1;
}

void TestBoardTagSources::fromSimulator()
{
    QFETCH(QString, symbol);
    QFETCH(QStringList, tags);
    QFETCH(int, stockRequests);
    SimHarness h(kMoment);
    int calls = 0;
    const auto result = awaitCompletion<QStringList>(
        [&](auto done) { h.market->boardTags.fetch(symbol, &h.receiver, done); }, &calls);
    QVERIFY(result);
    QCOMPARE(calls, 1);
    QCOMPARE(*result, tags);
    QCOMPARE(h.requestCount(u"eastmoney-f10"_s), stockRequests < 0 ? 0 : 1);
    QCOMPARE(h.requestCount(u"eastmoney-stock"_s), std::max(stockRequests, 0));
    QCOMPARE(h.simulator.server().requests().size(), stockRequests < 0 ? 0 : 1 + stockRequests);
}

void TestBoardTagSources::f10FailureFallsBack_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("stockFails");
    for (const char *how : {"reset", "status", "nobody", "garbage", "emptydata"}) {
        QTest::addRow("F10 %s", how) << QString::fromLatin1(how) << false;
        QTest::addRow("both %s", how) << QString::fromLatin1(how) << true;
    }
}

void TestBoardTagSources::f10FailureFallsBack()
{
    QFETCH(QString, how);
    QFETCH(bool, stockFails);
    SimHarness h(kMoment);
    h.failRoute(u"eastmoney-f10"_s, how);
    if (stockFails)
        h.failRoute(u"eastmoney-stock"_s, how);
    int calls = 0;
    const auto result = awaitCompletion<QStringList>(
        [&](auto done) { h.market->boardTags.fetch(u"sz000636"_s, &h.receiver, done); }, &calls);
    QVERIFY(result);
    QCOMPARE(calls, 1);
    // The quote service keeps the broad industry the F10 source would pass over.
    const QStringList expected = stockFails ? QStringList() : QStringList{u"电子"_s, u"消费电子"_s};
    QCOMPARE(*result, expected);
    QVERIFY(SimHarness::askedOnce(h.requestCount(u"eastmoney-f10"_s), how));
    QVERIFY(SimHarness::askedOnce(h.requestCount(u"eastmoney-stock"_s), how));
}

QTEST_GUILESS_MAIN(TestBoardTagSources)
#include "tst_boardtagsources.moc"
