// SPDX-License-Identifier: GPL-3.0-or-later
// Every form of a symbol, per market, from its stored text; text in any other form makes none.
#include "model/Symbol.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class tst_Symbol : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void forms_data();
    void forms();
};

void tst_Symbol::forms_data()
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

void tst_Symbol::forms()
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

QTEST_GUILESS_MAIN(tst_Symbol)
#include "tst_symbol.moc"
