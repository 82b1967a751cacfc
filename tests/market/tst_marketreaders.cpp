// SPDX-License-Identifier: GPL-3.0-or-later
// The pure readers of each provider's answers: realtime quotes, minute series, daily bars,
// board tags and search candidates, each from compact wire samples.
#include "TestSupport.h"

#include <QStringEncoder>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

QByteArray quoted(const QStringList &lines)
{
    return '"' + lines.join(u"\",\""_s).toUtf8() + '"';
}

QByteArray trendsBody(const QStringList &lines)
{
    return R"({"rc":0,"data":{"trends":[)" + quoted(lines) + "]}}";
}

// Tencent's minute block for `code`, dated 2025-03-07.
QByteArray tencentBody(const QString &code, const QStringList &lines)
{
    return R"({"code":0,"data":{")" + code.toUtf8() + R"(":{"data":{"date":"20250307","data":[)" +
           quoted(lines) + "]}}}}";
}

// A Yahoo chart result, highs and lows at the closes; `zone` is the meta's whole zone entry.
QByteArray yahooChart(const QByteArray &stamps, const QByteArray &closes, const QByteArray &volumes,
                      const QByteArray &zone = R"("exchangeTimezoneName":"America/New_York")")
{
    return R"({"chart":{"result":[{"meta":{)" + zone + "}" +
           (stamps.isEmpty() ? QByteArray() : ",\"timestamp\":" + stamps) +
           R"(,"indicators":{"quote":[{"close":)" + closes + R"(,"high":)" + closes + R"(,"low":)" +
           closes + R"(,"volume":)" + volumes + "}]}}]}}";
}

QString joined(const QVector<double> &values)
{
    QStringList out;
    for (double v : values)
        out << QString::number(v, 'g', 12);
    return out.join(u' ');
}

// A Shenzhen line as the feed sends it: 33 fields, date and time at 30 and 31.
QString aShareLine(const QString &symbol, const QString &open, const QString &previous,
                   const QString &price, const QString &tail = u"00"_s)
{
    QStringList f{u"平安银行"_s, open,       previous,   price,          u"10.60"_s,
                  u"10.30"_s,    u"10.51"_s, u"10.52"_s, u"123456700"_s, u"1298765432.100"_s};
    for (int i = 0; i < 20; ++i)
        f << (i % 2 ? u"10.50"_s : u"1000"_s);
    f << u"2025-03-07"_s << u"11:29:57"_s << tail;
    return u"var hq_str_"_s + symbol + u"=\""_s + f.join(u',') + u"\";"_s;
}

QString hkLine(const QString &name0, const QString &name1, const QString &time)
{
    return u"var hq_str_hk00700=\""_s + name0 + u',' + name1 +
           u",480.000,478.200,485.000,476.600,483.400,5.200,1.087,483.400,483.600,"
           "8901234567,18456789,0.000,0.000,662.000,360.000,2025/03/07,"_s +
           time + u"\";"_s;
}

QString usLine(const QString &price, const QString &percent, const QString &dateTime,
               const QString &previousClose = u"0"_s, const QString &name = u"苹果"_s)
{
    QStringList f{name,          price,         percent,    dateTime,   u"1.1500"_s,  u"101.5000"_s,
                  u"103.0000"_s, u"100.9000"_s, u"260.1"_s, u"169.2"_s, u"46989301"_s};
    while (f.size() < 26)
        f << u"0.00"_s;
    f << previousClose << u"0"_s;
    return u"var hq_str_gb_aapl=\""_s + f.join(u',') + u"\";"_s;
}

// "symbol name price previous open high low volume amount date time"
QString described(const Quote &q)
{
    QStringList out{q.symbol, q.name};
    for (double v : {q.price, q.previousClose, q.open, q.high, q.low, q.volume, q.amount})
        out << QString::number(v, 'g', 12);
    return (out << q.date << q.time).join(u' ');
}

} // namespace

class tst_MarketReaders : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void realtime_data();
    void realtime();
    void realtimeDecoding();
    void minuteSeries_data();
    void minuteSeries();
    void dailyBars_data();
    void dailyBars();
    void boardNameLists_data();
    void boardNameLists();
    void boardTags_data();
    void boardTags();
    void candidate_data();
    void candidate();
    void candidates_data();
    void candidates();
};

void tst_MarketReaders::minuteSeries_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected"); // "prices|positions|averages|volumes|date"
    const auto row = [](const char *name, const QString &symbol, const QByteArray &body,
                        const QString &expected) {
        QTest::newRow(name) << symbol << body << expected;
    };
    // Eastmoney's trend lines.
    row("close 0 takes the open; both 0 dropped, still dates", u"sz000001"_s,
        trendsBody(
            {u"2024-05-09 09:31,0,0,0,0,5,0,0"_s, u"2024-05-10 09:32,10.50,0,10.5,10.5,-3,0,0"_s}),
        u"10.5|120|10.5|0|2024-05-09"_s);
    row("short and foreign lines skipped", u"bj830799"_s,
        trendsBody({u"2024-05-10 09:31,1,2,3,4,5,6"_s, u"x"_s,
                    u"2024-05-10 09:33,58.0,58.2,58.3,58.0,7,40740,58.1"_s}),
        u"58.2|180|58.1|700|2024-05-10"_s);
    row("minutes no market can show", u"sz000001"_s,
        trendsBody({u"2024-05-10 09:31,1e300,1e300,1,1,5,0,0"_s,
                    u"2024-05-10 09:32,10.5,10.5,10.5,10.5,1e14,0,10.5"_s,
                    u"2024-05-10 09:33,10.5,10.6,10.6,10.5,7,0,1e300"_s}),
        u"10.6|180|10.6|700|2024-05-10"_s);
    // Tencent. Hong Kong counts shares: amount / volume is the price, not a hundredth of it.
    const QString hkAverage = QString::number(167797970.0 / 380150, 'g', 12);
    row("Tencent Hong Kong shares", u"hk00700"_s,
        tencentBody(u"hk00700"_s, {u"0930 441.400 380150 167797970.000"_s,
                                   u"1608 442.000 380150 167797970.000"_s}),
        u"441.4 442|0 19800|"_s + hkAverage + u' ' + hkAverage + u"|380150 0|2025-03-07"_s);
    row("Tencent falling cumulative volume and odd lines", u"sh600519"_s,
        tencentBody(u"sh600519"_s,
                    {u"0931  1450.00\t20 2900000.00"_s, u"930 1 1 1"_s, u"0932 0 30 0"_s,
                     u"0933 1451.00 15 0"_s, u"0934 1452.00 40"_s, u"0935 1452.00 30 4356000"_s}),
        u"1450 1451 1452|60 180 300|1450 1451 1452|2000 0 1000|2025-03-07"_s);
    // A minute no market can show is left out and leaves the running total alone.
    row("Tencent minutes no market can show", u"sh600519"_s,
        tencentBody(u"sh600519"_s,
                    {u"0931 10 20 20000"_s, u"0932 1e300 30 1"_s, u"0933 10 1e14 1"_s,
                     u"0934 10 25 2e15"_s, u"0935 10 40 40000"_s}),
        u"10 10|60 300|10 10|2000 2000|2025-03-07"_s);
    row("Tencent, another code's block", u"sh600519"_s,
        tencentBody(u"sh000001"_s, {u"0931 10 20 20000"_s}), u"||||"_s);
    row("Tencent, block no dictionary", u"sz000001"_s, R"({"data":{"sz000001":[]}})", u"||||"_s);
    // Yahoo: a null close drops its minute; a null volume counts 0 and leaves the sums
    // alone; the newest bar carries the current time, seconds and all.
    row("Yahoo", u"gb_brk_b"_s,
        yahooChart("[1777383000,1777383060,1777383120,1777383180,1777383267]",
                   R"([100.0,null,102.0,"103.5",104.0])", "[1000,500,null,1000]"),
        u"100 102 103.5 104|0 120 180 267|100 100 101.75 101.75|1000 0 1000 0|2026-04-28"_s);
    row("Yahoo without stamps", u"hk00700"_s, yahooChart({}, "[441.4]", "[10]"), u"||||"_s);
    // 09:30 in New York (standard time) is 22:30 in Shanghai: read in the wrong zone it
    // would sit after the close.
    const QByteArray january = "[1768487400]";
    row("Yahoo zone by name", u"gb_aapl"_s, yahooChart(january, "[50]", "[10]"),
        u"50|0|50|10|2026-01-15"_s);
    row("Yahoo zone from the market", u"gb_aapl"_s, yahooChart(january, "[50]", "[10]", {}),
        u"50|0|50|10|2026-01-15"_s);
    row("Yahoo zone unknown", u"gb_aapl"_s,
        yahooChart(january, "[50]", "[10]", R"("exchangeTimezoneName":"Nowhere/Invented")"),
        u"50|0|50|10|2026-01-15"_s);

    // Inputs the fuzz targets found. Huge but finite wire numbers overflowed products and
    // sums to infinity; a stamp far beyond any date was cast to an integer. Such values read
    // as missing, and one real value in an answer still reads.
    row("Yahoo, summed value", u"gb_aapl"_s,
        yahooChart("[1777383000,1777383060]", "[1e308,1e308]", "[10,1e308]"), u"||||"_s);
    row("Yahoo, beyond the bounds", u"gb_aapl"_s,
        yahooChart("[1777383000,1777383060,1777383120]", "[4.9e-324,10,10]", "[1,1e16,5]"),
        u"10|120|10|5|2026-04-28"_s);
    row("Yahoo, stamps beyond any date", u"gb_aapl"_s,
        yahooChart("[1e300,-1e300,1777383000]", "[10,11,12]", "[1,1,1]"),
        u"12|0|12|1|2026-04-28"_s);
    row("volume in lots beyond the bounds", u"sh600519"_s,
        trendsBody({u"2026-04-28 09:31,10,10,10,10,1e307,1,10"_s}), u"||||2026-04-28"_s);
    row("Tencent, cumulative volume in lots", u"sh600519"_s,
        tencentBody(u"sh600519"_s, {u"0931 10 1e307 1"_s, u"0932 10 1e307 1"_s}),
        u"||||2025-03-07"_s);
    row("Tencent, amount over a tiny volume", u"hk00700"_s,
        tencentBody(u"hk00700"_s, {u"0931 10 1e-300 1e15"_s}), u"10|60|10|1e-300|2025-03-07"_s);
}

void tst_MarketReaders::minuteSeries()
{
    QFETCH(QString, symbol);
    QFETCH(QByteArray, body);
    const QString tag = QString::fromLatin1(QTest::currentDataTag());
    const MinuteSeries s =
        tag.startsWith(u"Yahoo")     ? yahoo::minuteSeriesFromChart(body, sym(symbol))
        : tag.startsWith(u"Tencent") ? tencent::minuteSeriesFromMinutes(body, sym(symbol))
                                     : eastmoney::minuteSeriesFromTrends(body, sym(symbol));
    QTEST(QStringList({joined(s.prices), joined(s.positions), joined(s.averages), joined(s.volumes),
                       s.date})
              .join(u'|'),
          "expected");
    QCOMPARE(yahoo::timeZoneForName(QString(), sym(u"hk00700"_s)).id(), "Asia/Hong_Kong"_ba);
}

void tst_MarketReaders::dailyBars_data()
{
    QTest::addColumn<QString>("symbol"); // a Yahoo chart when given, else Eastmoney's klines
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("expected"); // "date open high low close volume amount"
    const auto row = [](const char *name, const QString &symbol, const QByteArray &body,
                        const QStringList &expected) {
        QTest::newRow(name) << symbol << body << expected;
    };
    const auto klines = [](const QStringList &lines) -> QByteArray {
        return R"({"data":{"klines":[)" + quoted(lines) + "]}}";
    };
    // Six fields, no close, no open (0) with an extra field.
    row("Eastmoney", {},
        klines({u"2026-04-24,10.00,10.20,10.30,9.90,12345,12500000.00"_s,
                u"2026-04-25,10.20,10.40,10.50,10.10,2000"_s,
                u"2026-04-26,10.40,0,10.50,10.10,2000,20000"_s,
                u"2026-04-27,0,10.50,10.60,10.30,n/a,31000.5,1.2"_s}),
        {u"2026-04-24 10 10.3 9.9 10.2 12345 12500000"_s,
         u"2026-04-27 0 10.6 10.3 10.5 0 31000.5"_s});
    row("Eastmoney, data null", {}, R"({"rc":0,"data":null})", {});
    row("Eastmoney, klines no array", {}, R"({"data":{"klines":"2026-04-24,1,1,1,1,1,1"}})", {});
    row("Eastmoney, lines no strings", {}, R"({"data":{"klines":[[1,2,3,4,5,6,7]]}})", {});
    row("Eastmoney, not JSON", {}, "\x89garbage", {});
    // Hong Kong bars are stamped at 09:30 in Hong Kong, 01:30 UTC: the exchange's zone keeps
    // them on their own day wherever the machine stands. A null open takes the close; a
    // null close drops the bar; a null volume is 0 and so is its amount; a stamp that is no
    // number leaves the date empty.
    row("Yahoo", u"hk00700"_s,
        R"({"chart":{"result":[{"meta":{"exchangeTimezoneName":"Asia/Hong_Kong"},)"
        R"("timestamp":[1776907800,1776994200,1777253400,"x"],"indicators":{"quote":[{)"
        R"("open":[null,101,102,103],"high":[102,103,104,105],"low":[99,100,101,102],)"
        R"("close":[101,null,103,"104"],"volume":[1000,2000,null]}]}}]}})",
        {u"2026-04-23 101 102 99 101 1000 101000"_s, u"2026-04-27 102 104 101 103 0 0"_s,
         u" 103 105 102 104 0 0"_s});
    row("Yahoo, result null", u"hk00700"_s, R"({"chart":{"result":null}})", {});
    // Bars no market can show (a close of 1.7e308 was kept in the daily cache for a day).
    row("Eastmoney beyond the bounds", {},
        klines({u"2026-04-20,1.7e308,1.7e308,1.7e308,1.7e308,1,1"_s,
                u"2026-04-21,10,4.9e-324,10,10,1,1"_s, u"2026-04-22,-1,10,10,10,1,1"_s,
                u"2026-04-23,10,10,10.2,10.4,1,1"_s, u"2026-04-24,10,10,10,10,-1,1"_s,
                u"2026-04-25,10,10,10,10,1,2e15"_s, u"2026-04-27,0,10,10,10,0,0"_s}),
        {u"2026-04-27 0 10 10 10 0 0"_s});
    row("Yahoo beyond the bounds", u"hk00700"_s,
        yahooChart("[1777383000,1777469400,1777555800,1777642200]",
                   "[1.7e308,4.9e-324,10000000.5,10]", "[1,1,1,1e16]"),
        {});
    row("Yahoo, close times volume", u"gb_aapl"_s, yahooChart("[1777383000]", "[1e308]", "[10]"),
        {});
    // A bar keeps its prices without a readable date, as with a stamp that is no number.
    row("Yahoo, stamps beyond any date", u"gb_aapl"_s,
        yahooChart("[1e300,-1e300,1777383000]", "[10,11,12]", "[1,1,1]"),
        {u" 10 10 10 10 1 10"_s, u" 11 11 11 11 1 11"_s, u"2026-04-28 12 12 12 12 1 12"_s});
}

void tst_MarketReaders::dailyBars()
{
    QFETCH(QString, symbol);
    QFETCH(QByteArray, body);
    QStringList records;
    for (const DayRecord &d : symbol.isEmpty() ? eastmoney::dayRecordsFromKlines(body)
                                               : yahoo::dayRecordsFromChart(body, sym(symbol)))
        records << d.date + u' ' + joined({d.open, d.high, d.low, d.close, d.volume, d.amount});
    QTEST(records, "expected");
}

void tst_MarketReaders::boardNameLists_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("ignored");
    QTest::addColumn<bool>("broad");
    const auto row = [](const char *tag, const QString &name, bool ignored, bool broad) {
        QTest::newRow(tag) << name << ignored << broad;
    };
    row("empty", QString(), true, false);
    row("programme", u"融资融券"_s, true, false);
    row("connect, by substring", u"深股通"_s, true, false);
    row("region board", u"贵州板块"_s, true, false);
    row("CSI 300 member stays", u"沪深300成分"_s, false, false);
    row("index membership code", u"HS300_"_s, true, false);
    row("placeholder dash", u"-"_s, true, false);
    row("dash inside a name", u"阿里-W概念"_s, false, false);
    row("industry", u"电网设备"_s, false, false);
    row("broad industry", u"电子"_s, false, true);
    row("broad by whole name only", u"消费电子"_s, false, false);
}

void tst_MarketReaders::boardNameLists()
{
    QFETCH(QString, name);
    QTEST(eastmoney::shouldIgnoreBoardName(name), "ignored");
    QTEST(eastmoney::isOverlyBroadBoardName(name), "broad");
}

void tst_MarketReaders::boardTags_data()
{
    QTest::addColumn<bool>("f10"); // else the quote service's answer
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("tags");
    const auto f10 = [](const char *name, const QStringList &names, const QStringList &tags) {
        QByteArray boards;
        for (const QString &n : names)
            boards += (boards.isEmpty() ? "" : ",") + R"({"BOARD_NAME":")"_ba + n.toUtf8() + "\"}";
        QTest::newRow(name) << true << R"({"ssbk":[)" + boards + "]}" << tags;
    };
    const auto row = [](const char *name, bool fromF10, const QByteArray &json,
                        const QStringList &tags) {
        QTest::newRow(name) << fromF10 << json << tags;
    };
    f10("F10: ignored, broad first, then two",
        {u"融资融券"_s, u"电子"_s, u"消费电子"_s, u"苹果概念"_s}, {u"消费电子"_s, u"苹果概念"_s});
    f10("F10: broad accepted second", {u"半导体"_s, u"电子"_s}, {u"半导体"_s, u"电子"_s});
    f10("F10: broad never revisited", {u"电子"_s, u"芯片概念"_s}, {u"芯片概念"_s});
    f10("F10: only broad", {u"电子"_s, u"汽车"_s}, {});
    f10("F10: level marks and repeats", {u" 白酒Ⅱ "_s, u"白酒"_s, u"白酒Ⅲ"_s, u"白酒概念"_s},
        {u"白酒"_s, u"白酒概念"_s});
    f10("F10: trimmed, three offered", {u"\\n电网设备 "_s, u"特高压"_s, u"智能电网"_s},
        {u"电网设备"_s, u"特高压"_s});
    row("F10: odd elements", true,
        R"({"ssbk":[{"BOARD_NAME":""},{"BOARD_NAME":null},"AH股",{"NAME":"x"},{"BOARD_NAME":"证金持股"}]})",
        {u"证金持股"_s});
    row("F10: ssbk no array", true, R"({"ssbk":{"BOARD_NAME":"银行"}})", {});
    row("F10: not JSON", true, "<html>", {});
    row("stock: industry, ignored, concept", false,
        R"({"data":{"f127":"电网设备","f129":"融资融券,特高压,智能电网"}})",
        {u"电网设备"_s, u"特高压"_s});
    row("stock: dash industry is none", false,
        R"({"data":{"f127":"-","f129":"北证50_,数字货币,金融科技"}})",
        {u"数字货币"_s, u"金融科技"_s});
    row("stock: nothing at all", false, R"({"data":{"f127":"","f128":"-","f129":"-"}})", {});
    row("stock: broad list not applied", false, R"({"data":{"f127":"电子","f129":"消费电子"}})",
        {u"电子"_s, u"消费电子"_s});
    row("stock: industry no string", false, R"({"data":{"f127":5,"f129":" 光通信 , ,CPO概念"}})",
        {u"光通信"_s, u"CPO概念"_s});
    row("stock: concept repeats industry", false,
        R"({"data":{"f127":"白酒Ⅱ","f129":"白酒,白酒概念"}})", {u"白酒"_s, u"白酒概念"_s});
    row("stock: not JSON", false, "garbage", {});
}

void tst_MarketReaders::boardTags()
{
    QFETCH(bool, f10);
    QFETCH(QByteArray, json);
    const QJsonDocument document = QJsonDocument::fromJson(json);
    QTEST(f10 ? eastmoney::boardTagsFromF10(document) : eastmoney::boardTagsFromStock(document),
          "tags");
}

void tst_MarketReaders::candidate_data()
{
    QTest::addColumn<QByteArray>("suggestion");
    QTest::addColumn<QString>("expected"); // "symbol|name|market", empty: no candidate
    const auto row = [](const char *name, const QByteArray &suggestion, const QString &expected) {
        QTest::newRow(name) << suggestion << expected;
    };
    row("HK code padded",
        R"({"Code":"700","Name":"腾讯控股","Classify":"HK","SecurityTypeName":"港股"})",
        u"hk00700|腾讯控股|港股"_s);
    row("HK by type name", R"({"Code":"5","SecurityTypeName":"港股"})", u"hk00005|HK00005|港股"_s);
    row("US class share", R"({"Code":"BRK.B","JYS":"NYSE","Name":"伯克希尔哈撒韦B"})",
        u"gb_brk_b|伯克希尔哈撒韦B|美股"_s);
    row("US dashed class share", R"({"Code":"BRK-B","JYS":"NYSE"})", u"gb_brk_b|GB_BRK_B|美股"_s);
    row("Beijing, no exchange, no name", R"({"Code":"920001","JYS":""})",
        u"bj920001|BJ920001|北交"_s);
    row("ChiNext, numeric JYS",
        R"({"Code":"300750","JYS":"80","Name":"宁德时代","SecurityTypeName":"创业板"})",
        u"sz300750|宁德时代|创业板"_s);
    row("STAR, numeric JYS", R"({"Code":"688981","JYS":"1","Name":"中芯国际"})",
        u"sh688981|中芯国际|沪市"_s);
    row("Shanghai index by market number",
        R"({"Code":"000001","JYS":"2","MktNum":"1","Name":"上证指数","SecurityTypeName":"指数"})",
        u"sh000001|上证指数|指数"_s);
    row("Shanghai index by quote id",
        R"({"Code":"000688","JYS":"2","QuoteID":"1.000688","Name":"科创50"})",
        u"sh000688|科创50|沪市"_s);
    row("Shenzhen stock, market 0", R"({"Code":"000001","JYS":"6","MktNum":"0","Name":"平安银行"})",
        u"sz000001|平安银行|深市"_s);
    row("five characters, unknown exchange", R"({"Code":"12345","JYS":"XX","Name":"某基金"})", {});
    row("code no string", R"({"Code":700,"Classify":"HK"})", {});
    // A code that does not fit its market's form is never offered: once stored it would go
    // into every realtime request.
    row("named exchange, not six digits", R"({"Code":"AB1","JYS":"SZ"})", {});
    row("path", R"({"Code":"../../x","JYS":"SH"})", {});
    row("two symbols", R"({"Code":"600519,hk00700","JYS":"SH"})", {});
    row("3000 digits", R"({"Code":")" + QByteArray(3000, '7') + R"(","JYS":"HK"})", {});
    row("line break", R"({"Code":"600519\r\nsz000001","JYS":"SH"})", {});
    row("six-digit Hong Kong code", R"({"Code":"123456","JYS":"HK"})", {});
    row("US ticker too long", R"({"Code":"ABCDEFGHIJK","JYS":"NASDAQ"})", {});
}

void tst_MarketReaders::candidate()
{
    QFETCH(QByteArray, suggestion);
    const QJsonObject object = QJsonDocument::fromJson(suggestion).object();
    QVERIFY(!object.isEmpty());
    const std::optional<WatchItem> item = eastmoney::candidateFromSuggestion(object);
    QTEST(item
              ? QStringList({item->value(u"symbol"_s).toString(), item->value(u"name"_s).toString(),
                             item->value(u"market"_s).toString()})
                    .join(u'|')
              : QString(),
          "expected");
}

void tst_MarketReaders::candidates_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QStringList>("symbols");
    // Refused codes and repeats take no place.
    const QByteArray hits =
        R"({"QuotationCodeTable":{"Data":[{"Code":"../x","JYS":"SH"},{"Code":"700","Classify":"HK"},)"
        R"({"Code":"00700","JYS":"HK"},"not a suggestion",{"Code":"12345"},{"Code":"600519"},)"
        R"({"Code":"AAPL","JYS":"NASDAQ"},{"Code":"300750"}]}})";
    const QStringList all{u"hk00700"_s, u"sh600519"_s, u"gb_aapl"_s, u"sz300750"_s};
    QTest::newRow("all") << hits << 10 << all;
    QTest::newRow("limit 3") << hits << 3 << all.mid(0, 3);
    QTest::newRow("limit 0") << hits << 0 << QStringList();
    for (const char *body :
         {R"({"QuotationCodeTable":{"Data":null,"Status":0,"TotalCount":0}})",
          R"({"Data":[{"Code":"600519"}]})", R"([{"Code":"600519"}])", "<html>busy</html>", ""})
        QTest::newRow(*body ? body : "empty") << QByteArray(body) << 10 << QStringList();
}

void tst_MarketReaders::candidates()
{
    QFETCH(QByteArray, body);
    QFETCH(int, limit);
    QStringList symbols;
    for (const WatchItem &item : eastmoney::candidatesFromSuggestData(body, limit))
        symbols << item.value(u"symbol"_s).toString();
    QTEST(symbols, "symbols");
}

void tst_MarketReaders::realtime_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");
    const auto row = [](const char *name, const QString &text, const QStringList &expected) {
        QTest::newRow(name) << text << expected;
    };
    const auto line = [](const QString &open, const QString &previous, const QString &price) {
        return aShareLine(u"sz000001"_s, open, previous, price);
    };
    // The A-share line's quote: the day's figures after the given ones.
    const auto aShare = [](const QString &symbolPriceAndMore) -> QString {
        const QString rest = u" 123456700 1298765432.1 2025-03-07 11:29:57"_s;
        return symbolPriceAndMore.section(u' ', 0, 0) + u" 平安银行 "_s +
               symbolPriceAndMore.section(u' ', 1) + rest;
    };
    const QString plain = aShare(u"sh600000 10.52 10.39 10.4 10.6 10.3"_s);
    for (const char *tail : {"00", "00,", "00,D|402000|6596820.00", "00,,,,,,"})
        QTest::addRow("fields up to %s", tail) << aShareLine(u"sh600000"_s, u"10.40"_s, u"10.39"_s,
                                                             u"10.52"_s, QString::fromLatin1(tail))
                                               << QStringList{plain};
    // Open 0 before the first trade: the open becomes the previous close. The Shanghai index
    // sends an indicative price before the open with open, previous close, high and low 0.
    row("open 0", aShareLine(u"sh600000"_s, u"0.00"_s, u"10.00"_s, u"10.10"_s),
        {aShare(u"sh600000 10.1 10 10 10.6 10.3"_s)});
    row("indicative index price",
        aShareLine(u"sh000001"_s, u"0.000"_s, u"0.000"_s, u"3301.5"_s)
            .replace(u"10.60,10.30"_s, u"0.000,0.000"_s),
        {aShare(u"sh000001 3301.5 3301.5 3301.5 3301.5 3301.5"_s)});
    row("lenient numbers", line(u" 10.40abc"_s, u"+10.39"_s, u"1.052e1"_s),
        {aShare(u"sz000001 10.52 10.39 10.4 10.6 10.3"_s)});
    // "=" removed and lower-cased; the same symbol twice gives both, in line order.
    row("line separators and duplicates",
        aShareLine(u"SH600000="_s, u"10.40"_s, u"10.39"_s, u"10.52"_s) + u"\r\n\n"_s +
            aShareLine(u"sh600000"_s, u"10.40"_s, u"10.39"_s, u"10.53"_s) + u"\u2028"_s +
            hkLine(u"T"_s, u"腾讯"_s, u"10:00"_s),
        {plain, aShare(u"sh600000 10.53 10.39 10.4 10.6 10.3"_s),
         u"hk00700 腾讯 483.4 478.2 480 485 476.6 18456789 8901234567 2025-03-07 10:00:00"_s});
    row("Hong Kong", hkLine(u"TENCENT"_s, QString(), u"16:08"_s),
        {u"hk00700 TENCENT 483.4 478.2 480 485 476.6 18456789 8901234567 2025-03-07 16:08:00"_s});

    // US: the previous close from the change, else the open when the change is too small to
    // divide by, else the field sent; China time converted to New York's.
    const auto us = [](const QString &previous, const QString &dateTime,
                       const QString &name) -> QString {
        return u"gb_aapl "_s + name + u" 102 "_s + previous +
               u" 101.5 103 100.9 46989301 4792908702 "_s + dateTime;
    };
    row("US", usLine(u"102.00"_s, u"2.00"_s, u"2025-07-23 05:38:21"_s),
        {us(u"100"_s, u"2025-07-22 17:38:21"_s, u"苹果"_s)});
    row("US tiny change", usLine(u"102.00"_s, u"0.00005"_s, u"2025-07-23 05:38:21"_s),
        {us(u"101.5"_s, u"2025-07-22 17:38:21"_s, u"苹果"_s)});
    row("US without time or name", usLine(u"102.00"_s, u"2.00"_s, u"2025-07-23"_s, u"99.5"_s, {}),
        {us(u"99.5"_s, u"2025-07-23 "_s, u"AAPL"_s)});
    for (const auto &[china, newYork] :
         {std::pair{u"2025-12-03 22:30:00"_s, u"2025-12-03 09:30:00"_s},
          {u"2025-12-04 05:00:00"_s, u"2025-12-03 16:00:00"_s},
          {u"2025-13-40 99:00:00"_s, u"2025-13-40 99:00:00"_s}}) // unreadable: as sent
        QTest::addRow("US at %s", qPrintable(china))
            << usLine(u"102.00"_s, u"2.00"_s, china, u"100"_s)
            << QStringList{us(u"100"_s, newYork, u"苹果"_s)};
    // A -100% change cannot give a previous close: the open stands in.
    row("US change -100%", usLine(u"1.00"_s, u"-100"_s, u"2025-07-23 05:38:21"_s),
        {u"gb_aapl 苹果 1 101.5 101.5 103 100.9 46989301 46989301 2025-07-22 17:38:21"_s});

    // Lines that read as no quote.
    const QString line0 = line(u"10.40"_s, u"10.39"_s, u"10.52"_s);
    row("unknown symbol", u"var hq_str_sz000000=\"\";"_s, {});
    row("suspended", aShareLine(u"sz000040"_s, u"0.000"_s, u"2.48"_s, u"0.000"_s), {});
    row("too few fields", u"var hq_str_sh600000=\"浦发银行,1,2,3\";"_s, {});
    row("no marker", u"var x=\"a,b\";"_s, {});
    row("hk too few", u"var hq_str_hk00700=\"A,B,1,2,3\";"_s, {});
    row("us zero price", usLine(u"0.00"_s, u"0.00"_s, u"2025-07-23 05:38:21"_s, u"100"_s), {});
    row("garbage", u"\u0000\uFFFD<html>not the feed</html>"_s, {});
    row("no symbol", aShareLine(u"../../x"_s, u"1"_s, u"1"_s, u"1"_s), {});
    row("price inf", line(u"1"_s, u"1"_s, u"inf"_s), {});
    row("price 1e999", line(u"1"_s, u"1"_s, u"1e999"_s), {});
    // Values no market can show: the line reads as missing.
    row("price above 1e7", line(u"10"_s, u"10"_s, u"10000000.01"_s), {});
    row("price below 1e-4",
        line(u"0"_s, u"0"_s, u"0.00009"_s) + u'\n' + line(u"0"_s, u"0"_s, u"4.9e-324"_s), {});
    row("price at the bounds",
        line(u"0"_s, u"0"_s, u"0.0001"_s) + u'\n' + line(u"0"_s, u"0"_s, u"10000000"_s),
        {aShare(u"sz000001 0.0001 0.0001 0.0001 10.6 10.3"_s),
         aShare(u"sz000001 10000000 10000000 10000000 10.6 10.3"_s)});
    row("negative open", line(u"-1"_s, u"10"_s, u"10.5"_s), {});
    row("previous close 1.7e308", line(u"10"_s, u"1.7e308"_s, u"10.5"_s), {});
    row("high below low", QString(line0).replace(u"10.60,10.30"_s, u"10.30,10.60"_s), {});
    row("low above the filled-in high", QString(line0).replace(u"10.60,10.30"_s, u"0,10.55"_s), {});
    row("negative volume", QString(line0).replace(u"123456700"_s, u"-5"_s), {});
    row("amount above 1e15", QString(line0).replace(u"1298765432.100"_s, u"1.1e15"_s), {});
    row("US volume times price beyond the bounds",
        u"var hq_str_gb_aapl=\"苹果,1e10,0.5,2026-04-28 22:00:00,0,1e10,1e10,1e10,0,0,1e300,"
        "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,1e10,0\";"_s,
        {});
    row("us change implying an impossible close",
        usLine(u"102.00"_s, u"-99.99999999"_s, u"2025-07-23 05:38:21"_s), {});
}

void tst_MarketReaders::realtime()
{
    QFETCH(QString, text);
    QStringList quotes;
    for (const Quote &q : sina::parseRealtime(text))
        quotes << described(q);
    QTEST(quotes, "expected");
}

void tst_MarketReaders::realtimeDecoding()
{
    const QString text = aShareLine(u"sz000001"_s, u"10.40"_s, u"10.39"_s, u"10.52"_s);
    const QByteArray gbBytes = QStringEncoder("GB18030").encode(text);
    QVERIFY(gbBytes != text.toUtf8());
    QCOMPARE(sina::decodeRealtime(gbBytes), text);
    QCOMPARE(sina::decodeRealtime(text.toUtf8()), text);
    // Valid UTF-8 that is not the feed is decoded again as GB 18030.
    QCOMPARE(sina::decodeRealtime("no quotes here"), u"no quotes here"_s);
    QVERIFY(sina::parseRealtime(sina::decodeRealtime(QByteArray("\xff\xff\x81", 3))).isEmpty());
}

QTEST_GUILESS_MAIN(tst_MarketReaders)
#include "tst_marketreaders.moc"
