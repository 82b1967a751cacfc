// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include <QStringEncoder>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

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

QString hkLine(const QString &name0, const QString &name1, const QString &date, const QString &time)
{
    return u"var hq_str_hk00700=\""_s + name0 + u',' + name1 +
           u",480.000,478.200,485.000,476.600,483.400,5.200,1.087,483.400,483.600,"
           "8901234567,18456789,0.000,0.000,662.000,360.000,"_s +
           date + u',' + time + u"\";"_s;
}

QString usLine(const QString &price, const QString &percent, const QString &dateTime,
               const QString &previousClose, const QString &name = u"苹果"_s)
{
    QStringList f{name,          price,         percent,    dateTime,   u"1.1500"_s,  u"101.5000"_s,
                  u"103.0000"_s, u"100.9000"_s, u"260.1"_s, u"169.2"_s, u"46989301"_s};
    while (f.size() < 26)
        f << u"0.00"_s;
    f << previousClose << u"0"_s;
    return u"var hq_str_gb_aapl=\""_s + f.join(u',') + u"\";"_s;
}

} // namespace

class tst_RealtimeParser : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aShareLayoutsByFieldCount_data();
    void aShareLayoutsByFieldCount();
    void skippedLines_data();
    void skippedLines();
    void fillIns();
    void hongKong();
    void unitedStates();
    void usTimesAreConvertedToNewYork_data();
    void usTimesAreConvertedToNewYork();
    void lenientNumbers();
    void lineSeparatorsAndDuplicates();
    void decoding();
};

void tst_RealtimeParser::aShareLayoutsByFieldCount_data()
{
    QTest::addColumn<QString>("tail");
    QTest::newRow("shenzhen 33") << u"00"_s;
    QTest::newRow("shanghai 34") << u"00,"_s;
    QTest::newRow("after-hours field") << u"00,D|402000|6596820.00"_s;
    QTest::newRow("beijing 39") << u"00,,,,,,"_s;
}

void tst_RealtimeParser::aShareLayoutsByFieldCount()
{
    QFETCH(QString, tail);
    const QList<Quote> quotes =
        sina::parseRealtime(::aShareLine(u"sh600000"_s, u"10.40"_s, u"10.39"_s, u"10.52"_s, tail));
    QCOMPARE(quotes, (QList<Quote>{{u"sh600000"_s, u"平安银行"_s, 10.52, 10.39, 10.40, 10.60, 10.30,
                                    123456700, 1298765432.1, u"2025-03-07"_s, u"11:29:57"_s}}));
}

void tst_RealtimeParser::skippedLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count"); // quotes still read
    const auto line = [](const QString &open, const QString &previous, const QString &price) {
        return ::aShareLine(u"sz000001"_s, open, previous, price);
    };
    const QString line0 = line(u"10.40"_s, u"10.39"_s, u"10.52"_s);
    QTest::newRow("unknown symbol") << u"var hq_str_sz000000=\"\";"_s << 0;
    QTest::newRow("suspended") << ::aShareLine(u"sz000040"_s, u"0.000"_s, u"2.48"_s, u"0.000"_s)
                               << 0;
    QTest::newRow("too few fields") << u"var hq_str_sh600000=\"浦发银行,1,2,3\";"_s << 0;
    QTest::newRow("no marker") << u"var x=\"a,b\";"_s << 0;
    QTest::newRow("hk too few") << u"var hq_str_hk00700=\"A,B,1,2,3\";"_s << 0;
    QTest::newRow("us zero price")
        << usLine(u"0.00"_s, u"0.00"_s, u"2025-07-23 05:38:21"_s, u"100"_s) << 0;
    QTest::newRow("garbage") << u"\u0000\uFFFD<html>not the feed</html>"_s << 0;
    QTest::newRow("no symbol") << ::aShareLine(u"../../x"_s, u"1"_s, u"1"_s, u"1"_s) << 0;
    // Values no market can show: the line reads as missing.
    QTest::newRow("price above 1e7") << line(u"10"_s, u"10"_s, u"10000000.01"_s) << 0;
    QTest::newRow("price below 1e-4")
        << line(u"0"_s, u"0"_s, u"0.00009"_s) + u'\n' + line(u"0"_s, u"0"_s, u"4.9e-324"_s) << 0;
    QTest::newRow("price at the bounds")
        << line(u"0"_s, u"0"_s, u"0.0001"_s) + u'\n' + line(u"0"_s, u"0"_s, u"10000000"_s) << 2;
    QTest::newRow("negative open") << line(u"-1"_s, u"10"_s, u"10.5"_s) << 0;
    QTest::newRow("previous close 1.7e308") << line(u"10"_s, u"1.7e308"_s, u"10.5"_s) << 0;
    QTest::newRow("high below low")
        << QString(line0).replace(u"10.60,10.30"_s, u"10.30,10.60"_s) << 0;
    QTest::newRow("low above the filled-in high")
        << QString(line0).replace(u"10.60,10.30"_s, u"0,10.55"_s) << 0;
    QTest::newRow("negative volume") << QString(line0).replace(u"123456700"_s, u"-5"_s) << 0;
    QTest::newRow("amount above 1e15")
        << QString(line0).replace(u"1298765432.100"_s, u"1.1e15"_s) << 0;
    QTest::newRow("us change implying an impossible close")
        << usLine(u"102.00"_s, u"-99.99999999"_s, u"2025-07-23 05:38:21"_s, u"0"_s) << 0;
}

void tst_RealtimeParser::skippedLines()
{
    QFETCH(QString, text);
    QFETCH(int, count);
    QCOMPARE(sina::parseRealtime(text).size(), count);
}

void tst_RealtimeParser::fillIns()
{
    // Open 0 before the first trade: the open becomes the previous close.
    Quote q = sina::parseRealtime(::aShareLine(u"sh600000"_s, u"0.00"_s, u"10.00"_s, u"10.10"_s))
                  .value(0);
    QCOMPARE(q.open, 10.00);
    QCOMPARE(q.previousClose, 10.00);
    QCOMPARE(q.high, 10.60);

    // The Shanghai index sends an indicative price before the open with open 0.
    QString line = ::aShareLine(u"sh000001"_s, u"0.000"_s, u"0.000"_s, u"3301.5"_s);
    line.replace(u"10.60,10.30"_s, u"0.000,0.000"_s);
    q = sina::parseRealtime(line).value(0);
    QCOMPARE(q.previousClose, 3301.5);
    QCOMPARE(q.open, 3301.5);
    QCOMPARE(q.high, 3301.5);
    QCOMPARE(q.low, 3301.5);
    QCOMPARE(q.changePercent(), 0.0);
}

void tst_RealtimeParser::hongKong()
{
    Quote q =
        sina::parseRealtime(hkLine(u"TENCENT"_s, QString(), u"2025/03/07"_s, u"16:08"_s)).value(0);
    QCOMPARE(q, (Quote{u"hk00700"_s, u"TENCENT"_s, 483.4, 478.2, 480.0, 485.0, 476.6, 18456789,
                       8901234567, u"2025-03-07"_s, u"16:08:00"_s}));

    q = sina::parseRealtime(hkLine(u"TENCENT"_s, u"腾讯控股"_s, u"2025/03/07"_s, u"10:15:30"_s))
            .value(0);
    QCOMPARE(q.name, u"腾讯控股"_s);
    QCOMPARE(q.time, u"10:15:30"_s);
}

void tst_RealtimeParser::unitedStates()
{
    Quote q = sina::parseRealtime(usLine(u"102.00"_s, u"2.00"_s, u"2025-07-23 05:38:21"_s, u"0"_s))
                  .value(0);
    QCOMPARE(q.symbol, u"gb_aapl"_s);
    QCOMPARE(q.previousClose, 100.0);
    QCOMPARE(q.open, 101.5);
    QCOMPARE(q.volume, 46989301.0);
    QCOMPARE(q.amount, 46989301.0 * 102.0);

    // A change too small to divide by falls back to the open.
    q = sina::parseRealtime(usLine(u"102.00"_s, u"0.00005"_s, u"2025-07-23 05:38:21"_s, u"0"_s))
            .value(0);
    QCOMPARE(q.previousClose, 101.5);

    q = sina::parseRealtime(usLine(u"102.00"_s, u"2.00"_s, u"2025-07-23"_s, u"99.5"_s, QString()))
            .value(0);
    QCOMPARE(q.name, u"AAPL"_s);
    QCOMPARE(q.previousClose, 99.5);
    QCOMPARE(q.date, u"2025-07-23"_s);
    QCOMPARE(q.time, QString());

    // A -100% change cannot give a previous close: the quote still parses sanely.
    q = sina::parseRealtime(usLine(u"1.00"_s, u"-100"_s, u"2025-07-23 05:38:21"_s, u"0"_s))
            .value(0);
    QVERIFY(qIsFinite(q.previousClose));
    QVERIFY(q.previousClose > 0);
}

void tst_RealtimeParser::usTimesAreConvertedToNewYork_data()
{
    QTest::addColumn<QString>("chinaTime");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::newRow("summer after the close")
        << u"2025-07-23 05:38:21"_s << u"2025-07-22"_s << u"17:38:21"_s;
    QTest::newRow("winter open") << u"2025-12-03 22:30:00"_s << u"2025-12-03"_s << u"09:30:00"_s;
    QTest::newRow("winter close") << u"2025-12-04 05:00:00"_s << u"2025-12-03"_s << u"16:00:00"_s;
    QTest::newRow("unreadable stays as sent")
        << u"2025-13-40 99:00:00"_s << u"2025-13-40"_s << u"99:00:00"_s;
}

void tst_RealtimeParser::usTimesAreConvertedToNewYork()
{
    QFETCH(QString, chinaTime);
    QFETCH(QString, date);
    QFETCH(QString, time);
    const Quote q =
        sina::parseRealtime(usLine(u"102.00"_s, u"2.00"_s, chinaTime, u"100"_s)).value(0);
    QCOMPARE(q.date, date);
    QCOMPARE(q.time, time);
}

void tst_RealtimeParser::lenientNumbers()
{
    Quote q =
        sina::parseRealtime(::aShareLine(u"sz000001"_s, u" 10.40abc"_s, u"+10.39"_s, u"1.052e1"_s))
            .value(0);
    QCOMPARE(q.open, 10.40);
    QCOMPARE(q.previousClose, 10.39);
    QCOMPARE(q.price, 10.52);
    // Values that are no number, or no finite one, read as 0.
    QVERIFY(sina::parseRealtime(::aShareLine(u"sz000001"_s, u"1"_s, u"1"_s, u"inf"_s)).isEmpty());
    QVERIFY(sina::parseRealtime(::aShareLine(u"sz000001"_s, u"1"_s, u"1"_s, u"1e999"_s)).isEmpty());
}

void tst_RealtimeParser::lineSeparatorsAndDuplicates()
{
    const QString a = ::aShareLine(u"SH600000="_s, u"10.40"_s, u"10.39"_s, u"10.52"_s);
    const QString b = ::aShareLine(u"sh600000"_s, u"10.40"_s, u"10.39"_s, u"10.53"_s);
    const QString text =
        a + u"\r\n\n"_s + b + u"\u2028"_s + hkLine(u"T"_s, u"腾讯"_s, u"2025/03/07"_s, u"10:00"_s);
    const QList<Quote> quotes = sina::parseRealtime(text);
    QCOMPARE(quotes.size(), 3);
    QCOMPARE(quotes.at(0).symbol, u"sh600000"_s); // "=" removed, lower-cased
    QCOMPARE(quotes.at(0).price, 10.52);
    QCOMPARE(quotes.at(1).price, 10.53); // same symbol twice: both, in line order
    QCOMPARE(quotes.at(2).symbol, u"hk00700"_s);
}

void tst_RealtimeParser::decoding()
{
    const QString text = ::aShareLine(u"sz000001"_s, u"10.40"_s, u"10.39"_s, u"10.52"_s);
    QStringEncoder gb("GB18030");
    const QByteArray gbBytes = gb.encode(text);
    QVERIFY(gbBytes != text.toUtf8());
    QCOMPARE(sina::decodeRealtime(gbBytes), text);
    QCOMPARE(sina::decodeRealtime(text.toUtf8()), text);
    // Valid UTF-8 that is not the feed is decoded again as GB 18030.
    const QByteArray plain("no quotes here");
    QCOMPARE(sina::decodeRealtime(plain), u"no quotes here"_s);
    QVERIFY(sina::parseRealtime(sina::decodeRealtime(QByteArray("\xff\xff\x81", 3))).isEmpty());
}

QTEST_GUILESS_MAIN(tst_RealtimeParser)
#include "tst_realtimeparser.moc"
