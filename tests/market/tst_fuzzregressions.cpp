// SPDX-License-Identifier: GPL-3.0-or-later
// Inputs the fuzz targets (fuzz/) found, or that stand for what they found, kept so the normal
// build checks them too: each parser must turn them into values that keep its promises.
#include "market/SinaClient.h"

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
};

bool finite(const QVector<double> &values)
{
    return std::all_of(values.cbegin(), values.cend(), [](double v) { return std::isfinite(v); });
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
    void overflowedSumsFallBack();
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

    // Products and sums of huge but finite wire numbers overflowed to infinity (or NaN).
    QTest::newRow("Yahoo days, close times volume")
        << Parser::YahooDays << u"gb_aapl"_s << yahooChart("[1777383000]", "[1e308]", "[10]") << 1;
    QTest::newRow("Yahoo minutes, summed value")
        << Parser::YahooMinutes << u"gb_aapl"_s
        << yahooChart("[1777383000,1777383060]", "[1e308,1e308]", "[10,1e308]") << 2;
    QTest::newRow("Eastmoney trends, volume in lots")
        << Parser::EastmoneyTrends << u"sh600519"_s
        << R"({"data":{"trends":["2026-04-28 09:31,10,10,10,10,1e307,1,10"]}})"_ba << 1;
    QTest::newRow("Tencent, cumulative volume in lots")
        << Parser::TencentMinutes << u"sh600519"_s
        << R"({"data":{"sh600519":{"data":{"date":"20260428","data":["0931 10 1e307 1","0932 10 1e307 1"]}}}})"_ba
        << 2;
    QTest::newRow("Tencent, amount over a tiny volume")
        << Parser::TencentMinutes << u"hk00700"_s
        << R"({"data":{"hk00700":{"data":{"date":"20260428","data":["0931 10 1e-300 1e300"]}}}})"_ba
        << 1;
    QTest::newRow("Sina, US volume times price")
        << Parser::Realtime << u"gb_aapl"_s
        << "var hq_str_gb_aapl=\"苹果,1e10,0.5,2026-04-28 22:00:00,0,1e10,1e10,1e10,0,0,1e300,"
           "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,1e10,0\";"_ba
        << 1;
}

void tst_FuzzRegressions::promisesKept()
{
    QFETCH(Parser, parser);
    QFETCH(QString, symbol);
    QFETCH(QByteArray, body);
    QFETCH(int, count);

    switch (parser) {
    case Parser::Realtime: {
        const QList<Quote> quotes = SinaClient::parseText(SinaClient::decodeRealtimeBody(body));
        QCOMPARE(quotes.size(), count);
        for (const Quote &q : quotes) {
            QVERIFY(q.price > 0);
            QVERIFY(finite({q.price, q.previousClose, q.open, q.high, q.low, q.volume, q.amount}));
        }
        break;
    }
    case Parser::EastmoneyTrends:
    case Parser::TencentMinutes:
    case Parser::YahooMinutes: {
        const MinuteSeries series = parser == Parser::EastmoneyTrends
                                        ? SinaClient::minuteSeriesFromEastmoneyTrends(body, symbol)
                                    : parser == Parser::TencentMinutes
                                        ? SinaClient::minuteSeriesFromTencentMinutes(body, symbol)
                                        : SinaClient::minuteSeriesFromYahooChart(body, symbol);
        QCOMPARE(series.prices.size(), count);
        QCOMPARE(series.positions.size(), count);
        QCOMPARE(series.averages.size(), count);
        QCOMPARE(series.volumes.size(), count);
        QVERIFY(finite(series.prices) && finite(series.positions) && finite(series.averages) &&
                finite(series.volumes));
        for (qsizetype i = 0; i < count; ++i) {
            QVERIFY(series.averages.at(i) > 0);
            QVERIFY(series.volumes.at(i) >= 0);
        }
        break;
    }
    case Parser::YahooDays: {
        const QList<DayRecord> days = SinaClient::dayRecordsFromYahooChart(body, symbol);
        QCOMPARE(days.size(), count);
        for (const DayRecord &d : days)
            QVERIFY(finite({d.open, d.high, d.low, d.close, d.volume, d.amount}));
        break;
    }
    }
}

void tst_FuzzRegressions::stampsBeyondAnyDateAreSkipped()
{
    const QByteArray body = yahooChart("[1e300,-1e300,1777383000]", "[10,11,12]", "[1,1,1]");
    const MinuteSeries series = SinaClient::minuteSeriesFromYahooChart(body, u"gb_aapl"_s);
    QCOMPARE(series.prices, QVector<double>{12});
    QCOMPARE(series.positions, QVector<double>{0});
    QCOMPARE(series.date, u"2026-04-28"_s);
    // A bar keeps its prices without a readable date, as with a stamp that is no number.
    const QList<DayRecord> days = SinaClient::dayRecordsFromYahooChart(body, u"gb_aapl"_s);
    QCOMPARE(days.size(), 3);
    QCOMPARE(days.at(0).date, QString());
    QCOMPARE(days.at(1).date, QString());
    QCOMPARE(days.at(2).date, u"2026-04-28"_s);
}

void tst_FuzzRegressions::overflowedSumsFallBack()
{
    // What cannot be computed reads as an unreadable number does: 0, or the price itself
    // for an average.
    QCOMPARE(SinaClient::dayRecordsFromYahooChart(yahooChart("[1777383000]", "[1e308]", "[10]"))
                 .first()
                 .amount,
             0.0);
    const MinuteSeries yahoo = SinaClient::minuteSeriesFromYahooChart(
        yahooChart("[1777383000,1777383060]", "[1e308,1e308]", "[10,1e308]"), u"gb_aapl"_s);
    QCOMPARE(yahoo.averages, (QVector<double>{1e308, 1e308}));
    const MinuteSeries tencent = SinaClient::minuteSeriesFromTencentMinutes(
        R"({"data":{"hk00700":{"data":{"date":"20260428","data":["0931 10 1e-300 1e300"]}}}})"_ba,
        u"hk00700"_s);
    QCOMPARE(tencent.averages, QVector<double>{10});
    const MinuteSeries lots = SinaClient::minuteSeriesFromEastmoneyTrends(
        R"({"data":{"trends":["2026-04-28 09:31,10,10,10,10,1e307,1,10"]}})"_ba, u"sh600519"_s);
    QCOMPARE(lots.volumes, QVector<double>{0});
}

QTEST_GUILESS_MAIN(tst_FuzzRegressions)
#include "tst_fuzzregressions.moc"
