#include "model/Formatters.h"
#include "model/Quote.h"

#include <QLocale>
#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

class tst_Formatters : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void derivedValues();
    void numbers_data();
    void numbers();
    void decimalPointIgnoresLocale();
    void shortNameAndTitle();
    void marketBadge_data();
    void marketBadge();
};

void tst_Formatters::derivedValues()
{
    Quote q;
    q.price = 12.3;
    QCOMPARE(q.change(), 12.3); // no previous close: the change is the price itself
    QCOMPARE(q.changePercent(), 0.0);
    q.previousClose = 10;
    q.price = 10.5;
    QCOMPARE(q.changePercent(), 5.0);
}

void tst_Formatters::numbers_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("price two decimals") << u"price"_s << 10.0 << u"10.00"_s;
    QTest::newRow("price rounds") << u"price"_s << 1234.5678 << u"1234.57"_s;
    QTest::newRow("change positive") << u"change"_s << 2.0 << u"+2.00"_s;
    QTest::newRow("change zero") << u"change"_s << 0.0 << u"+0.00"_s;
    QTest::newRow("change negative zero") << u"change"_s << -0.0 << u"+0.00"_s;
    QTest::newRow("change negative") << u"change"_s << -1.5 << u"-1.50"_s;
    QTest::newRow("percent zero") << u"percent"_s << 0.0 << u"+0.00%"_s;
    QTest::newRow("percent tiny negative") << u"percent"_s << -0.004 << u"-0.00%"_s;
    QTest::newRow("percent") << u"percent"_s << 1.234 << u"+1.23%"_s;
    QTest::newRow("percent negative") << u"percent"_s << -0.45 << u"-0.45%"_s;
    QTest::newRow("compact below 10k") << u"compact"_s << 9999.0 << u"9999"_s;
    QTest::newRow("compact no decimals") << u"compact"_s << 9999.4 << u"9999"_s;
    QTest::newRow("compact exactly 10k") << u"compact"_s << 10000.0 << u"1.00万"_s;
    QTest::newRow("compact wan") << u"compact"_s << 56780.0 << u"5.68万"_s;
    QTest::newRow("compact just below yi") << u"compact"_s << 99999999.0 << u"10000.00万"_s;
    QTest::newRow("compact exactly yi") << u"compact"_s << 1e8 << u"1.00亿"_s;
    QTest::newRow("compact yi") << u"compact"_s << 123456789.0 << u"1.23亿"_s;
    QTest::newRow("compact keeps sign") << u"compact"_s << -25000.0 << u"-2.50万"_s;
    QTest::newRow("direction up") << u"direction"_s << 0.01 << u"▲"_s;
    QTest::newRow("direction down") << u"direction"_s << -3.0 << u"▼"_s;
    QTest::newRow("direction zero") << u"direction"_s << 0.0 << u"■"_s;
    QTest::newRow("direction nan")
        << u"direction"_s << std::numeric_limits<double>::quiet_NaN() << u"■"_s;
}

void tst_Formatters::numbers()
{
    QFETCH(QString, kind);
    QFETCH(double, value);
    QFETCH(QString, expected);
    QString actual;
    if (kind == u"price")
        actual = formatPrice(value);
    else if (kind == u"change")
        actual = formatChange(value);
    else if (kind == u"percent")
        actual = formatPercent(value);
    else if (kind == u"compact")
        actual = formatCompactNumber(value);
    else
        actual = directionSymbol(value);
    QCOMPARE(actual, expected);
}

void tst_Formatters::decimalPointIgnoresLocale()
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(formatPrice(1234.5), u"1234.50"_s);
    QCOMPARE(formatCompactNumber(56780), u"5.68万"_s);
    QLocale::setDefault(previous);
}

void tst_Formatters::shortNameAndTitle()
{
    QCOMPARE(shortName(u"阿里巴巴-W"_s), u"阿里巴巴"_s);
    QCOMPARE(shortName(u"平安银行"_s), u"平安银行"_s);
    QCOMPARE(shortName(QString()), QString());

    Quote q;
    q.name = u"平安银行"_s;
    q.previousClose = 10.39;
    q.price = 10.52;
    QCOMPARE(titleForQuote(q), u"平安银行 10.52 +1.25%"_s);
}

void tst_Formatters::marketBadge_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QString>("badge");
    QTest::newRow("hk upper case") << u"HK00700"_s << u"港股"_s;
    QTest::newRow("us") << u"gb_aapl"_s << u"美股"_s;
    QTest::newRow("shenzhen") << u"sz000001"_s << u"深市"_s;
    QTest::newRow("beijing") << u"bj830799"_s << u"北交"_s;
    QTest::newRow("shanghai") << u"sh600000"_s << u"沪市"_s;
    QTest::newRow("no prefix") << u"600000"_s << u"市场"_s;
    QTest::newRow("empty") << QString() << u"市场"_s;
}

void tst_Formatters::marketBadge()
{
    QFETCH(QString, symbol);
    QFETCH(QString, badge);
    QCOMPARE(KSMarketBadgeForSymbol(symbol), badge);
}

QTEST_GUILESS_MAIN(tst_Formatters)
#include "tst_formatters.moc"
