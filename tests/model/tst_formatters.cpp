// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Formatters.h"
#include "model/Quote.h"

#include <QLocale>
#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;

class tst_Formatters : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void derivedValues();
    void numbers();
    void namesAndBadges();
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

// Signs, rounding and the 万/亿 bounds.
void tst_Formatters::numbers()
{
    QCOMPARE(formatPrice(1234.5678), u"1234.57"_s);
    QCOMPARE(formatChange(-0.0), u"+0.00"_s);
    QCOMPARE(formatChange(-1.5), u"-1.50"_s);
    QCOMPARE(formatPercent(1.234), u"+1.23%"_s);
    QCOMPARE(formatPercent(-0.004), u"-0.00%"_s);
    QCOMPARE(formatCompactNumber(9999.4), u"9999"_s);
    QCOMPARE(formatCompactNumber(10000), u"1.00万"_s);
    QCOMPARE(formatCompactNumber(99999999), u"10000.00万"_s);
    QCOMPARE(formatCompactNumber(1e8), u"1.00亿"_s);
    QCOMPARE(formatCompactNumber(-25000), u"-2.50万"_s);
    QCOMPARE(directionSymbol(0.01), u"▲"_s);
    QCOMPARE(directionSymbol(-3.0), u"▼"_s);
    QCOMPARE(directionSymbol(0.0), u"■"_s);
    QCOMPARE(directionSymbol(std::numeric_limits<double>::quiet_NaN()), u"■"_s);
    // The decimal point is a point whatever the locale.
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(formatPrice(1234.5), u"1234.50"_s);
    QCOMPARE(formatCompactNumber(56780), u"5.68万"_s);
    QLocale::setDefault(previous);
}

void tst_Formatters::namesAndBadges()
{
    QCOMPARE(shortName(u"阿里巴巴-W"_s), u"阿里巴巴"_s);
    QCOMPARE(shortName(u"平安银行"_s), u"平安银行"_s);
    Quote q;
    q.name = u"平安银行"_s;
    q.previousClose = 10.39;
    q.price = 10.52;
    QCOMPARE(titleForQuote(q), u"平安银行 10.52 +1.25%"_s);
    QCOMPARE(accessibleRowName(q, u"可跟踪"_s), u"平安银行 10.52 上涨 1.25% 可跟踪"_s);
    q.price = 10.39;
    QCOMPARE(accessibleRowName(q, u"等确认"_s), u"平安银行 10.39 平盘 0.00% 等确认"_s);
    q.price = 0; // no price yet: no made-up 0.00 and no verdict
    QCOMPARE(accessibleRowName(q, u"数据不足"_s), u"平安银行 等待行情"_s);

    const QStringList symbols{u"HK00700"_s,  u"gb_aapl"_s,  u"sz000001"_s,
                              u"bj830799"_s, u"sh600000"_s, u"600000"_s};
    QStringList badges;
    for (const QString &symbol : symbols)
        badges << KSMarketBadgeForSymbol(symbol);
    QCOMPARE(badges,
             (QStringList{u"港股"_s, u"美股"_s, u"深市"_s, u"北交"_s, u"沪市"_s, u"市场"_s}));
}

QTEST_GUILESS_MAIN(tst_Formatters)
#include "tst_formatters.moc"
