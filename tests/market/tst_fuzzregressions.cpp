// SPDX-License-Identifier: GPL-3.0-or-later
// Inputs the fuzz targets (fuzz/) found, or that stand for what they found, kept so the normal
// build checks them too: each parser must turn them into values that keep its promises, and
// a value no market can show reads as missing.
#include "TestSupport.h"
#include "market/Plausibility.h"

#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

enum class Parser
{
    Realtime,
    EastmoneyTrends,
    TencentMinutes,
    YahooMinutes,
    YahooDays,
    EastmoneyDays,
};

bool all(const QVector<double> &values, bool (*test)(double))
{
    return std::all_of(values.cbegin(), values.cend(), test);
}

// One Yahoo chart result around the New York open of 2026-04-28 (13:30 UTC).
QByteArray yahooChart(const QByteArray &stamps, const QByteArray &closes, const QByteArray &volumes)
{
    return R"({"chart":{"result":[{"meta":{"exchangeTimezoneName":"America/New_York"},"timestamp":)" +
           stamps + R"(,"indicators":{"quote":[{"close":)" + closes + R"(,"high":)" + closes +
           R"(,"low":)" + closes + R"(,"volume":)" + volumes + R"(}]}}],"error":null}})";
}

} // namespace

Q_DECLARE_METATYPE(Parser)

class tst_FuzzRegressions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void promisesKept_data();
    void promisesKept();
    void stampsBeyondAnyDateAreSkipped();
};

void tst_FuzzRegressions::promisesKept_data()
{
    QTest::addColumn<Parser>("parser");
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("count"); // values (quotes, minutes or bars) the answer still gives

    // A time stamp far beyond any date was cast to an integer (undefined behaviour).
    const QByteArray farStamps = yahooChart("[1e300,-1e300,1777383000]", "[10,11,12]", "[1,1,1]");
    QTest::newRow("Yahoo minutes, stamp beyond any date")
        << Parser::YahooMinutes << u"gb_aapl"_s << farStamps << 1;
    QTest::newRow("Yahoo days, stamp beyond any date")
        << Parser::YahooDays << u"gb_aapl"_s << farStamps << 3;

    // Products and sums of huge but finite wire numbers overflowed to infinity (or NaN);
    // now such numbers are refused before anything is computed from them.
    QTest::newRow("Yahoo days, close times volume")
        << Parser::YahooDays << u"gb_aapl"_s << yahooChart("[1777383000]", "[1e308]", "[10]") << 0;
    QTest::newRow("Yahoo minutes, summed value")
        << Parser::YahooMinutes << u"gb_aapl"_s
        << yahooChart("[1777383000,1777383060]", "[1e308,1e308]", "[10,1e308]") << 0;
    QTest::newRow("Eastmoney trends, volume in lots")
        << Parser::EastmoneyTrends << u"sh600519"_s
        << R"({"data":{"trends":["2026-04-28 09:31,10,10,10,10,1e307,1,10"]}})"_ba << 0;
    QTest::newRow("Tencent, cumulative volume in lots")
        << Parser::TencentMinutes << u"sh600519"_s
        << R"({"data":{"sh600519":{"data":{"date":"20260428","data":["0931 10 1e307 1","0932 10 1e307 1"]}}}})"_ba
        << 0;
    QTest::newRow("Tencent, amount over a tiny volume")
        << Parser::TencentMinutes << u"hk00700"_s
        << R"({"data":{"hk00700":{"data":{"date":"20260428","data":["0931 10 1e-300 1e15"]}}}})"_ba
        << 1;
    QTest::newRow("Sina, US volume times price")
        << Parser::Realtime << u"gb_aapl"_s
        << "var hq_str_gb_aapl=\"苹果,1e10,0.5,2026-04-28 22:00:00,0,1e10,1e10,1e10,0,0,1e300,"
           "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,1e10,0\";"_ba
        << 0;

    // Bars and minutes no market can show (a close of 1.7e308 was kept in the daily cache for
    // a whole day); one real value in each answer still reads.
    QTest::newRow("Eastmoney days beyond the bounds")
        << Parser::EastmoneyDays << u"sh600519"_s
        << R"({"data":{"klines":["2026-04-20,1.7e308,1.7e308,1.7e308,1.7e308,1,1",
              "2026-04-21,10,4.9e-324,10,10,1,1","2026-04-22,-1,10,10,10,1,1",
              "2026-04-23,10,10,10.2,10.4,1,1","2026-04-24,10,10,10,10,-1,1",
              "2026-04-25,10,10,10,10,1,2e15","2026-04-27,0,10,10,10,0,0"]}})"_ba
        << 1;
    QTest::newRow("Yahoo days beyond the bounds")
        << Parser::YahooDays << u"hk00700"_s
        << yahooChart("[1777383000,1777469400,1777555800,1777642200]",
                      "[1.7e308,4.9e-324,10000000.5,10]", "[1,1,1,1e16]")
        << 0;
    QTest::newRow("Yahoo minutes beyond the bounds")
        << Parser::YahooMinutes << u"gb_aapl"_s
        << yahooChart("[1777383000,1777383060,1777383120]", "[4.9e-324,10,10]", "[1,1e16,5]") << 1;
}

void tst_FuzzRegressions::promisesKept()
{
    QFETCH(Parser, parser);
    QFETCH(QString, symbol);
    QFETCH(QByteArray, body);
    QFETCH(int, count);

    switch (parser) {
    case Parser::Realtime: {
        const QList<Quote> quotes = sina::parseRealtime(sina::decodeRealtime(body));
        QCOMPARE(quotes.size(), count);
        for (const Quote &q : quotes) {
            QVERIFY(all({q.price, q.previousClose, q.open, q.high, q.low},
                        plausibility::isTradedPrice));
            QVERIFY(all({q.volume, q.amount}, plausibility::isQuantity));
        }
        break;
    }
    case Parser::EastmoneyTrends:
    case Parser::TencentMinutes:
    case Parser::YahooMinutes: {
        const MinuteSeries series =
            parser == Parser::EastmoneyTrends
                ? eastmoney::minuteSeriesFromTrends(body, TestSupport::sym(symbol))
            : parser == Parser::TencentMinutes
                ? tencent::minuteSeriesFromMinutes(body, TestSupport::sym(symbol))
                : yahoo::minuteSeriesFromChart(body, TestSupport::sym(symbol));
        QCOMPARE(series.prices.size(), count);
        QCOMPARE(series.positions.size(), count);
        QCOMPARE(series.averages.size(), count);
        QCOMPARE(series.volumes.size(), count);
        QVERIFY(all(series.prices, plausibility::isTradedPrice) &&
                all(series.averages, plausibility::isTradedPrice) &&
                all(series.volumes, plausibility::isQuantity) &&
                all(series.positions, [](double v) { return std::isfinite(v); }));
        break;
    }
    case Parser::YahooDays:
    case Parser::EastmoneyDays: {
        const QList<DayRecord> days =
            parser == Parser::YahooDays ? yahoo::dayRecordsFromChart(body, TestSupport::sym(symbol))
                                        : eastmoney::dayRecordsFromKlines(body);
        QCOMPARE(days.size(), count);
        for (const DayRecord &d : days)
            QVERIFY(plausibility::isDay(d) && d.high > 0 && d.low > 0);
        break;
    }
    }
}

void tst_FuzzRegressions::stampsBeyondAnyDateAreSkipped()
{
    const QByteArray body = yahooChart("[1e300,-1e300,1777383000]", "[10,11,12]", "[1,1,1]");
    const MinuteSeries series = yahoo::minuteSeriesFromChart(body, TestSupport::sym(u"gb_aapl"_s));
    QCOMPARE(series.prices, QVector<double>{12});
    QCOMPARE(series.positions, QVector<double>{0});
    QCOMPARE(series.date, u"2026-04-28"_s);
    // A bar keeps its prices without a readable date, as with a stamp that is no number.
    const QList<DayRecord> days = yahoo::dayRecordsFromChart(body, TestSupport::sym(u"gb_aapl"_s));
    QCOMPARE(days.size(), 3);
    QCOMPARE(days.at(0).date, QString());
    QCOMPARE(days.at(1).date, QString());
    QCOMPARE(days.at(2).date, u"2026-04-28"_s);
}

QTEST_GUILESS_MAIN(tst_FuzzRegressions)
#include "tst_fuzzregressions.moc"
