// SPDX-License-Identifier: GPL-3.0-or-later
// The model's plain values: every form of a symbol per market (text in any other form makes
// none), the derived quote values and the formatted numbers and names.
#include "model/Formatters.h"
#include "model/HoldingTotals.h"
#include "model/PriceAlert.h"
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
    void holdingFigures_data();
    void holdingFigures();
    void holdingTotals();
    void priceConditions_data();
    void priceConditions();
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

namespace {

Quote quoteAt(const QString &symbol, double price, double previousClose)
{
    Quote q;
    q.symbol = symbol;
    q.price = price;
    q.previousClose = previousClose;
    return q;
}

} // namespace

// A position's worth at one quote, in the market's currency, rounded to cents.
void tst_Model::holdingFigures_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<double>("price");
    QTest::addColumn<double>("previousClose");
    QTest::addColumn<double>("shares");
    QTest::addColumn<double>("cost"); // < 0: none given
    // currency, market value, today, floating, floating % (or "none" for no figures)
    QTest::addColumn<QString>("figures");

    QTest::newRow("A-share, grouped thousands")
        << u"sh600519"_s << 1502.21 << 1531.9 << 300.0 << 1400.0
        << u"CNY 450,663.00 -8,907.00 +30,663.00 +7.30%"_s;
    QTest::newRow("Hong Kong in HKD") << u"hk00700"_s << 612.0 << 600.0 << 200.0 << 650.0
                                      << u"HKD 122,400.00 +2,400.00 -7,600.00 -5.85%"_s;
    QTest::newRow("US in USD, fractional shares")
        << u"gb_aapl"_s << 190.5 << 191.0 << 2.5 << -1.0 << u"USD 476.25 -1.25 none none"_s;
    QTest::newRow("half a cent rounds away from zero")
        << u"sz000001"_s << 10.01 << 10.0 << 100.5 << 10.0 << u"CNY 1,006.01 +1.01 +1.01 +0.10%"_s;
    QTest::newRow("cost zero: profit, no percent")
        << u"sz000001"_s << 10.0 << 10.0 << 100.0 << 0.0 << u"CNY 1,000.00 +0.00 +1,000.00 none"_s;
    QTest::newRow("placeholder") << u"sh600519"_s << 0.0 << 0.0 << 100.0 << 10.0 << u"none"_s;
    QTest::newRow("no previous close")
        << u"sh600519"_s << 10.0 << 0.0 << 100.0 << 10.0 << u"none"_s;
    QTest::newRow("not a symbol") << u"600519"_s << 10.0 << 10.0 << 100.0 << 10.0 << u"none"_s;
}

void tst_Model::holdingFigures()
{
    QFETCH(QString, symbol);
    QFETCH(double, price);
    QFETCH(double, previousClose);
    QFETCH(double, shares);
    QFETCH(double, cost);
    QFETCH(QString, figures);
    Holding holding{shares, cost < 0 ? std::nullopt : std::optional<double>(cost)};
    const auto f = HoldingFigures::forQuote(quoteAt(symbol, price, previousClose), holding);
    const auto text = [](const std::optional<double> &v, bool percent) {
        return !v ? u"none"_s : percent ? formatPercent(*v) : formatSignedMoney(*v);
    };
    QCOMPARE(f ? toText(f->currency) + u' ' + formatMoney(f->marketValue) + u' ' +
                     formatSignedMoney(f->todayProfit) + u' ' + text(f->floatingProfit, false) +
                     u' ' + text(f->floatingProfitPercent, true)
               : u"none"_s,
             figures);
    if (f)
        QCOMPARE(f->todayProfitText(), u"今日 "_s + formatSignedMoney(f->todayProfit));
}

// Sums per currency; yuan only with every needed rate; the JSON's null for unknowns.
void tst_Model::holdingTotals()
{
    QCOMPARE(formatMoney(-1234567.891), u"-1,234,567.89"_s);
    QCOMPARE(formatMoney(999.99), u"999.99"_s);
    QCOMPARE(formatMoney(1000), u"1,000.00"_s);
    QCOMPARE(formatSignedMoney(0), u"+0.00"_s);
    HoldingTotals totals;
    QVERIFY(totals.isEmpty());
    QVERIFY(!totals.inCny({1.0, 1.0}));
    totals.add(*HoldingFigures::forQuote(quoteAt(u"sh600519"_s, 11, 10), {100, 9.0}));
    totals.add(*HoldingFigures::forQuote(quoteAt(u"sz000001"_s, 9, 10), {100, std::nullopt}));
    totals.add(*HoldingFigures::forQuote(quoteAt(u"hk00700"_s, 100, 90), {10, 110.0}));
    totals.addUnpriced();
    const HoldingTotals::Sum cny = totals.byCurrency().value(Currency::CNY);
    QCOMPARE(cny.positions, 2);
    QCOMPARE(cny.marketValue, 2000.0);
    QCOMPARE(cny.todayProfit, 0.0);
    QCOMPARE(cny.floatingProfit, 200.0); // only the one with a cost
    QCOMPARE(cny.floatingProfitPercent(), std::optional<double>(22.22));
    QVERIFY(!totals.inCny({std::nullopt, 7.2}));        // HKD held, its rate unknown
    const auto all = totals.inCny({0.9, std::nullopt}); // no USD held: not needed
    QVERIFY(all);
    QCOMPARE(all->marketValue, 2900.0);
    QCOMPARE(all->todayProfit, 90.0);
    QCOMPARE(all->floatingProfit, 110.0);
    QCOMPARE(all->floatingProfitPercent(), std::optional<double>(5.82)); // 110 / (900 + 990)
    const QJsonObject json = totals.toJson({std::nullopt, 7.2});
    QVERIFY(json.value(u"totalCNY"_s).isNull());
    QVERIFY(json.value(u"exchangeRates"_s).toObject().value(u"HKD"_s).isNull());
    QCOMPARE(json.value(u"unpricedPositions"_s).toInt(), 1);
    QCOMPARE(json.value(u"byCurrency"_s).toObject().keys(), (QStringList{u"CNY"_s, u"HKD"_s}));
}

// Levels are met exactly at the level and beyond it, never by a quote without a price.
void tst_Model::priceConditions_data()
{
    QTest::addColumn<QString>("condition"); // kind value
    QTest::addColumn<double>("price");
    QTest::addColumn<double>("previousClose");
    QTest::addColumn<bool>("met");

    QTest::newRow("above, exactly at") << u"above 1500"_s << 1500.0 << 1490.0 << true;
    QTest::newRow("above, a tick short") << u"above 1500"_s << 1499.99 << 1490.0 << false;
    QTest::newRow("above, gapped through") << u"above 1500"_s << 1560.0 << 1490.0 << true;
    QTest::newRow("below, exactly at") << u"below 10.1"_s << 10.1 << 10.5 << true;
    QTest::newRow("below, placeholder") << u"below 10.1"_s << 0.0 << 0.0 << false;
    QTest::newRow("change up, at +5.00% after rounding")
        << u"changeAbove 5"_s << 10.5 << 10.0 << true;
    QTest::newRow("change up, +4.99%") << u"changeAbove 5"_s << 10.499 << 10.0 << false;
    QTest::newRow("change down, at -3%") << u"changeBelow -3"_s << 9.7 << 10.0 << true;
    QTest::newRow("change down, a rise") << u"changeBelow -3"_s << 10.3 << 10.0 << false;
}

void tst_Model::priceConditions()
{
    QFETCH(QString, condition);
    QFETCH(double, price);
    QFETCH(double, previousClose);
    QFETCH(bool, met);
    const auto alert =
        PriceAlert::fromJson({{u"kind"_s, condition.section(u' ', 0, 0)},
                              {u"value"_s, condition.section(u' ', 1, 1).toDouble()}});
    QVERIFY(alert);
    QCOMPARE(alert->isMetBy(quoteAt(u"sh600519"_s, price, previousClose)), met);
    // Wrong signs and non-numbers are no condition at all.
    QVERIFY(!PriceAlert::fromJson({{u"kind"_s, u"changeBelow"_s}, {u"value"_s, 3}}));
    QVERIFY(!PriceAlert::fromJson({{u"kind"_s, u"above"_s}, {u"value"_s, u"1500"_s}}));
}

QTEST_GUILESS_MAIN(tst_Model)
#include "tst_model.moc"
