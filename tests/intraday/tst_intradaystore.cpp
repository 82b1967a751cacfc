// SPDX-License-Identifier: GPL-3.0-or-later
// The day's series as refreshes record it: the open as its first point, one point per
// position, volume as the change of the cumulative figure, a new day starting afresh, the
// cap, and a fetched series taking the place of what was recorded.
#include "intraday/IntradayStore.h"
#include "model/MinuteSeries.h"
#include "model/Quote.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

Quote quoteAt(const QString &time, double price, double volume,
              const QString &date = u"2026-04-28"_s)
{
    Quote q;
    q.symbol = u"sh600519"_s;
    q.price = price;
    q.open = 10.0;
    q.volume = volume;
    q.amount = volume * 10.125; // an average of 10.125
    q.date = date;
    q.time = time;
    return q;
}

} // namespace

class tst_IntradayStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void recording();
    void capKeepsTheLatestPoints();
};

void tst_IntradayStore::recording()
{
    IntradayStore store;
    const QString sym = u"sh600519"_s;
    const auto series = [&] {
        return QList<QVector<double>>{store.positions(sym), store.prices(sym), store.averages(sym),
                                      store.volumes(sym)};
    };
    // The first quote of the day: the open at 09:30, then the quote at its position.
    store.recordIntradaySamples({quoteAt(u"10:00:00"_s, 10.2, 1000)});
    QCOMPARE(series(),
             (QList<QVector<double>>{{0, 1800}, {10.0, 10.2}, {10.0, 10.125}, {0, 1000}}));
    // The same position again updates that point; the volume added is the change since. An
    // unreadable time counts as the last position; a falling cumulative volume adds none.
    store.recordIntradaySamples({quoteAt(u"10:00:00"_s, 10.3, 1500)});
    QCOMPARE(store.volumes(sym), (QVector<double>{0, 1500}));
    store.recordIntradaySamples({quoteAt(u"10:0x"_s, 10.4, 1200)});
    QCOMPARE(series(),
             (QList<QVector<double>>{{0, 1800}, {10.0, 10.4}, {10.0, 10.125}, {0, 1500}}));
    // The next minute is a new point, its volume measured from 1200. No price (a suspended
    // stock, a placeholder) records nothing.
    store.recordIntradaySamples({quoteAt(u"10:01:00"_s, 10.5, 1300)});
    store.recordIntradaySamples({quoteAt(u"10:02:00"_s, 0, 1400)});
    QCOMPARE(store.positions(sym), (QVector<double>{0, 1800, 1860}));
    QCOMPARE(store.volumes(sym).last(), 100.0);
    QVERIFY(!store.isReal(sym));

    // A fetched series takes the place of what was recorded; without averages the prices
    // stand in, and the next quote adds only what traded after it.
    store.applyIntradaySeries(
        sym, MinuteSeries{{10.0, 10.1, 10.3}, {0, 60, 120}, {}, {0, 900, 1000}, u"2026-04-28"_s});
    QVERIFY(store.isReal(sym));
    QCOMPARE(series(), (QList<QVector<double>>{
                           {0, 60, 120}, {10.0, 10.1, 10.3}, {10.0, 10.1, 10.3}, {0, 900, 1000}}));
    QCOMPARE(store.lastCumulativeVolume(sym), 1900.0);
    store.recordIntradaySamples({quoteAt(u"10:06:00"_s, 10.4, 2000)});
    QCOMPARE(store.volumes(sym).last(), 100.0);
    // Nothing to apply leaves the series alone.
    store.applyIntradaySeries(sym, MinuteSeries{{}, {}, {}, {}, u"2026-04-28"_s});
    QCOMPARE(store.positions(sym).size(), 4);

    // A new day starts afresh, its volume not measured from yesterday's.
    store.recordIntradaySamples({quoteAt(u"09:31:00"_s, 10.1, 50, u"2026-04-29"_s)});
    QCOMPARE(store.dateForSymbol(sym), u"2026-04-29"_s);
    QCOMPARE(store.positions(sym), (QVector<double>{0, 60}));
    QCOMPARE(store.volumes(sym), (QVector<double>{0, 50}));
    QVERIFY(!store.isReal(sym));
}

void tst_IntradayStore::capKeepsTheLatestPoints()
{
    IntradayStore store;
    const QString sym = u"sh600519"_s;
    QVector<double> prices, positions;
    for (int i = 0; i < IntradayStore::kMaxPoints; ++i) {
        prices << 10 + i * 0.001;
        positions << i;
    }
    store.applyIntradaySeries(sym,
                              MinuteSeries{prices, positions, prices,
                                           QVector<double>(prices.size(), 1), u"2026-04-28"_s});
    store.recordIntradaySamples({quoteAt(u"14:59:00"_s, 12.0, 1500 + 7)});
    // The oldest point went; the arrays still line up point for point.
    for (const auto &values :
         {store.prices(sym), store.positions(sym), store.averages(sym), store.volumes(sym)})
        QCOMPARE(values.size(), IntradayStore::kMaxPoints);
    QCOMPARE(store.positions(sym).first(), 1.0);
    QCOMPARE(store.prices(sym).first(), prices.at(1));
    QCOMPARE(store.prices(sym).last(), 12.0);
    QCOMPARE(store.volumes(sym).last(), 7.0);
}

QTEST_GUILESS_MAIN(tst_IntradayStore)
#include "tst_intradaystore.moc"
