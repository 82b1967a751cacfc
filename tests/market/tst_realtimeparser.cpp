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

class tst_RealtimeParser : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void quotes_data();
    void quotes();
    void decoding();
};

void tst_RealtimeParser::quotes_data()
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

void tst_RealtimeParser::quotes()
{
    QFETCH(QString, text);
    QStringList quotes;
    for (const Quote &q : sina::parseRealtime(text))
        quotes << described(q);
    QTEST(quotes, "expected");
}

void tst_RealtimeParser::decoding()
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

QTEST_GUILESS_MAIN(tst_RealtimeParser)
#include "tst_realtimeparser.moc"
