// SPDX-License-Identifier: GPL-3.0-or-later
// The model's plain values: every form of a symbol per market (text in any other form makes
// none), the derived quote values and the formatted numbers and names.
#include "model/Formatters.h"
#include "model/Quote.h"
#include "model/Symbol.h"

#include <QLocale>
#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;

class tst_Model : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void derivedValues();
    void numbers();
    void namesAndBadges();
    void symbolForms_data();
    void symbolForms();
};

void tst_Model::derivedValues()
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
void tst_Model::numbers()
{
    QCOMPARE((QStringList{formatPrice(1234.5678), formatChange(-0.0), formatChange(-1.5),
                          formatPercent(1.234), formatPercent(-0.004), formatCompactNumber(9999.4),
                          formatCompactNumber(10000), formatCompactNumber(99999999),
                          formatCompactNumber(1e8), formatCompactNumber(-25000),
                          directionSymbol(0.01), directionSymbol(-3.0), directionSymbol(0.0),
                          directionSymbol(std::numeric_limits<double>::quiet_NaN())}),
             (QStringList{u"1234.57"_s, u"+0.00"_s, u"-1.50"_s, u"+1.23%"_s, u"-0.00%"_s, u"9999"_s,
                          u"1.00万"_s, u"10000.00万"_s, u"1.00亿"_s, u"-2.50万"_s, u"▲"_s, u"▼"_s,
                          u"■"_s, u"■"_s}));
    // The decimal point is a point whatever the locale.
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(formatPrice(1234.5), u"1234.50"_s);
    QCOMPARE(formatCompactNumber(56780), u"5.68万"_s);
    QLocale::setDefault(previous);
}

void tst_Model::namesAndBadges()
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
        badges << marketBadgeForSymbol(symbol);
    QCOMPARE(badges,
             (QStringList{u"港股"_s, u"美股"_s, u"深市"_s, u"北交"_s, u"沪市"_s, u"市场"_s}));
}

void tst_Model::symbolForms_data()
{
    // Each form joined by spaces, "-" where the market has none: badge, Eastmoney secid,
    // Eastmoney F10 code, Tencent code, Yahoo symbol, display form, volume unit.
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("forms"); // empty: no symbol
    QTest::newRow("Shanghai") << u"sh600519"_s
                              << u"沪市 1.600519 SH600519 sh600519 - SH600519 100"_s;
    QTest::newRow("Shenzhen") << u"sz000001"_s
                              << u"深市 0.000001 SZ000001 sz000001 - SZ000001 100"_s;
    QTest::newRow("Beijing") << u"bj920001"_s
                             << u"北交 0.920001 BJ920001 bj920001 - BJ920001 100"_s;
    // Yahoo keeps four digits of a Hong Kong code, and writes a class share with "-".
    QTest::newRow("Hong Kong") << u"hk00700"_s << u"港股 - - hk00700 0700.HK HK00700 1"_s;
    QTest::newRow("Hong Kong 5 digits") << u"hk09988"_s << u"港股 - - hk09988 9988.HK HK09988 1"_s;
    QTest::newRow("US") << u"gb_a"_s << u"美股 - - - A A 1"_s;
    QTest::newRow("US class share") << u"gb_brk_b"_s << u"美股 - - - BRK-B BRK_B 1"_s;
    QTest::newRow("US dotted") << u"gb_brk.b"_s << u"美股 - - - BRK.B BRK.B 1"_s;
    QTest::newRow("US longest") << u"gb_abcdefghij"_s << u"美股 - - - ABCDEFGHIJ ABCDEFGHIJ 1"_s;
    // Each of these would reach a URL or a shared request list if it made a symbol.
    for (const char *s : {"", "SH600519", "sh60051", "sh6005190", "hk0700", "hk000700", "xx600519",
                          "gb_", "gb_1a", "gb_abcdefghijk", "gb_a-b", "gb_A", "sh600519\n",
                          " sh600519", "sh600519,hk00700", "sh../../x", "sh６００５１９", "hk"})
        QTest::newRow(*s ? s : "empty") << QString::fromUtf8(s) << QString();
}

void tst_Model::symbolForms()
{
    QFETCH(QString, stored);
    QFETCH(QString, forms);
    const std::optional<Symbol> symbol = Symbol::fromStored(stored);
    QCOMPARE(symbol.has_value(), !forms.isEmpty());
    QCOMPARE(Symbol::marketOf(stored.toUpper()).has_value(),
             symbol.has_value() || stored == u"SH600519" || stored == u"gb_A");
    if (!symbol)
        return;
    const auto orDash = [](const std::optional<QString> &form) {
        return form.value_or(u"-"_s);
    };
    QCOMPARE(symbol->stored(), stored);
    QCOMPARE(symbol->sinaForm(), stored);
    QCOMPARE(QStringList({symbol->marketBadge(), orDash(symbol->eastmoneySecId()),
                          orDash(symbol->eastmoneyF10Code()), orDash(symbol->tencentCode()),
                          orDash(symbol->yahooSymbol()), symbol->displayForm(),
                          QString::number(symbol->volumeUnit())})
                 .join(u' '),
             forms);
}

QTEST_GUILESS_MAIN(tst_Model)
#include "tst_model.moc"
