// The trading axis: exchange times to positions for each market, and the axis labels.
#include "intraday/TradingClock.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestTradingClock : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void position_data();
    void position();
};

void TestTradingClock::position_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QString>("time");
    QTest::addColumn<double>("expected");

    // Before and at the open every market stands at 0.
    QTest::newRow("open HH:MM") << u"sh600000"_s << u"09:30"_s << 0.0;
    QTest::newRow("before the open") << u"sh600000"_s << u"08:15:00"_s << 0.0;
    QTest::newRow("one second in") << u"sh600000"_s << u"09:30:01"_s << 1.0;
    // The midday break stands still (A-shares at 7200, Hong Kong at 9000); the US has none.
    QTest::newRow("A inside the break") << u"sz000001"_s << u"12:10"_s << 7200.0;
    QTest::newRow("A afternoon + 1 s") << u"sz000001"_s << u"13:00:01"_s << 7201.0;
    QTest::newRow("A after the close") << u"sz000001"_s << u"15:00:03"_s << 14400.0;
    QTest::newRow("HK inside the break, upper case") << u"HK00700"_s << u"12:30"_s << 9000.0;
    QTest::newRow("HK afternoon") << u"hk00700"_s << u"13:30"_s << 10800.0;
    QTest::newRow("US noon, upper case") << u"GB_AAPL"_s << u"12:00"_s << 9000.0;
    QTest::newRow("US evening") << u"gb_aapl"_s << u"20:00"_s << 23400.0;
    // Unreadable times; unknown and empty symbols use the A-share scale.
    QTest::newRow("four characters") << u"sh600000"_s << u"9:31"_s << -1.0;
    QTest::newRow("empty") << u"sh600000"_s << QString() << -1.0;
    QTest::newRow("empty symbol") << QString() << u"12:10"_s << 7200.0;
    QTest::newRow("unknown prefix") << u"xx123"_s << u"14:00"_s << 10800.0;
    QTest::newRow("lenient seconds") << u"sh600000"_s << u"10:00: 7x"_s << 1807.0;
}

void TestTradingClock::position()
{
    QFETCH(QString, symbol);
    QFETCH(QString, time);
    QFETCH(double, expected);
    QCOMPARE(KSTradingPositionForIntradayTime(symbol, time), expected);
}

QTEST_GUILESS_MAIN(TestTradingClock)
#include "tst_tradingclock.moc"
