// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/Endpoints.h"

#include "TestSupport.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStringDecoder>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

QStringList fieldsOf(const QString &line)
{
    const qsizetype first = line.indexOf(u'"');
    const qsizetype last = line.lastIndexOf(u'"');
    return line.mid(first + 1, last - first - 1).split(u',');
}

} // namespace

class tst_MarketSimulator : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void modelDays();
    void lineFieldCounts();
    void lineTimesAcrossTheDay();
    void overHttp();
    void acceleratedClockSpec();
};

// Deterministic per seed, realistic prices and day shapes, days that chain into daily bars,
// and a limit-up day that stays sealed.
void tst_MarketSimulator::modelDays()
{
    MarketModel model, same, other(7);
    const QDate day(2026, 4, 28);
    for (const SimInstrument &i : model.instruments()) {
        const double close = model.closeOn(i, day);
        QCOMPARE(close, same.closeOn(*same.instrument(i.symbol), day));
        // A walk that never wanders off into absurd prices.
        QVERIFY2(close > i.basePrice * 0.3 && close < i.basePrice * 3, qPrintable(i.symbol));
    }
    const SimInstrument &moutai = *model.instrument(u"SH600519"_s);
    QVERIFY(other.closeOn(*other.instrument(u"sh600519"_s), day) != model.closeOn(moutai, day));
    QVERIFY(!model.instrument(u"sh999999"_s));

    for (const QString &symbol : {u"sh600519"_s, u"hk00700"_s, u"gb_aapl"_s, u"sh000001"_s}) {
        const SimInstrument &i = *model.instrument(symbol);
        const auto d = model.day(i, day);
        QCOMPARE(d->price.size(), MarketModel::sessionMinutes(i.market));
        QCOMPARE(d->volume.size(), d->price.size());
        double first = 0, middle = 0;
        for (int k = 0; k < 15; ++k) {
            first += d->volume.at(k);
            middle += d->volume.at(100 + k);
        }
        QVERIFY2(first > middle, qPrintable(symbol)); // busy open, quieter middle
        for (double p : d->price)
            QCOMPARE(p, MarketModel::roundToTick(i.market, p));
    }
    QCOMPARE(MarketModel::minuteEndTime(SimMarket::AShare, 120), QTime(13, 1));
    QCOMPARE(MarketModel::minutesDoneAt(SimMarket::AShare, QTime(12, 15)), 120);

    const SimInstrument &pingan = *model.instrument(u"sz000001"_s);
    const QDate monday(2026, 4, 27);
    QCOMPARE(model.day(pingan, monday)->previousClose, model.closeOn(pingan, QDate(2026, 4, 24)));
    QCOMPARE(model.day(pingan, monday)->price.last(), model.closeOn(pingan, monday));
    const QList<SimDailyBar> bars = model.dailyBars(pingan, monday, 120);
    QCOMPARE(bars.size(), 120);
    QCOMPARE(bars.last().date, monday);
    for (int k = 1; k < bars.size(); ++k) {
        const SimDailyBar &bar = bars.at(k);
        QVERIFY(bar.date > bars.at(k - 1).date && bar.date.dayOfWeek() <= 5);
        QCOMPARE(model.day(pingan, bar.date)->previousClose, bars.at(k - 1).close);
        QVERIFY(bar.high >= std::max(bar.open, bar.close) &&
                bar.low <= std::min(bar.open, bar.close));
    }

    const SimInstrument &limitUp = *model.instrument(u"sz002491"_s);
    QDate sealed = monday;
    while (sealed.toJulianDay() % 2 != 0 || !MarketModel::isTradingDay(sealed))
        sealed = sealed.addDays(1);
    const auto d = model.day(limitUp, sealed);
    const double limit = std::round(d->previousClose * 1.1 * 100) / 100;
    QCOMPARE(QList<double>({d->close, d->high, d->price.at(200)}), QList<double>(3, limit));
    QVERIFY(d->volume.at(230) < d->volume.at(5));
    // Between limit days the walk comes back, so prices stay near their usual level.
    QVERIFY(model.closeOn(limitUp, sealed.addDays(800)) < limitUp.basePrice * 2);
}

// Field counts during the session and after the close (Shenzhen adds an after-hours field);
// each line parses as one quote.
void tst_MarketSimulator::lineFieldCounts()
{
    const QStringList symbols{u"sh600519"_s, u"sz000001"_s, u"bj830799"_s, u"hk00700"_s,
                              u"gb_aapl"_s};
    SimHarness h(shanghaiTime(2026, 4, 28, 10, 0));
    bool parsed = true;
    const auto counts = [&] {
        QList<int> n;
        for (const QString &symbol : symbols) {
            const QString line = h.simulator.realtimeLine(*h.simulator.model().instrument(symbol));
            n << int(fieldsOf(line).size());
            parsed = parsed && sina::parseRealtime(line).size() == 1;
        }
        return n;
    };
    QCOMPARE(counts(), (QList<int>{34, 33, 39, 19, 31}));
    h.clock.setNow(shanghaiTime(2026, 4, 28, 15, 30));
    QCOMPARE(counts(), (QList<int>{34, 34, 39, 19, 31}));
    QVERIFY(parsed);
}

// The time and date fields through the auction, the break, the close and each market's zone.
void tst_MarketSimulator::lineTimesAcrossTheDay()
{
    SimHarness h(shanghaiTime(2026, 4, 28, 9, 20));
    const MarketModel &m = h.simulator.model();
    const auto fields = [&](const char *symbol) {
        return fieldsOf(h.simulator.realtimeLine(*m.instrument(QString::fromLatin1(symbol))));
    };
    // Shenzhen indices publish nothing yet; Shanghai sends an indicative price, open 0.
    QCOMPARE(fields("sz399001").at(3), u"0.000"_s);
    QStringList f = fields("sh000001");
    QVERIFY(f.at(3).toDouble() > 0);
    QCOMPARE(f.mid(30, 2) << f.at(1), (QStringList{u"2026-04-28"_s, u"09:20:00"_s, u"0.000"_s}));

    // Before 09:15 the feed still shows the last trading day; on a Sunday, Friday.
    h.clock.setNow(shanghaiTime(2026, 4, 28, 8, 0));
    QCOMPARE(fields("sh600519").at(30), u"2026-04-27"_s);
    h.clock.setNow(shanghaiTime(2026, 5, 3, 11, 0));
    QCOMPARE(fields("sh600519").at(30), u"2026-05-01"_s);

    // The midday break stands still at 11:30; the close carries the day's close.
    h.clock.setNow(shanghaiTime(2026, 4, 28, 12, 10, 31));
    f = fields("sh600519");
    QCOMPARE(f.at(31), u"11:30:00"_s);
    const double morning = f.at(8).toDouble();
    h.clock.setNow(shanghaiTime(2026, 4, 28, 12, 50));
    QCOMPARE(fields("sh600519").at(8).toDouble(), morning);
    h.clock.setNow(shanghaiTime(2026, 4, 28, 16, 0));
    f = fields("sh600519");
    QCOMPARE(f.at(3).toDouble(), m.closeOn(*m.instrument(u"sh600519"_s), QDate(2026, 4, 28)));
    QCOMPARE(f.at(31), u"15:00:00"_s);
    QVERIFY(f.at(8).toDouble() > morning);
    // A suspended stock shows its previous close and a price of 0: no quote at all.
    QCOMPARE(fields("sz000040").mid(2, 2), (QStringList{u"2.480"_s, u"0.000"_s}));
    QVERIFY(sina::parseRealtime(h.simulator.realtimeLine(*m.instrument(u"sz000040"_s))).isEmpty());

    // Hong Kong's closing auction runs past 16:00.
    h.clock.setNow(zoneTime("Asia/Hong_Kong", 2026, 4, 28, 16, 9));
    QCOMPARE(fields("hk00700").mid(17, 2), (QStringList{u"2026/04/28"_s, u"16:09"_s}));

    // US field 3 is China time; the parsed quote keeps New York's own date and time.
    h.clock.setNow(zoneTime("America/New_York", 2026, 7, 22, 11, 0));
    f = fields("gb_aapl");
    QCOMPARE(f.at(3), u"2026-07-22 23:00:00"_s);
    QVERIFY(f.at(24).endsWith(u"EDT"_s));
    const Quote q =
        sina::parseRealtime(h.simulator.realtimeLine(*m.instrument(u"gb_aapl"_s))).value(0);
    QCOMPARE(q.date + u' ' + q.time, u"2026-07-22 11:00:00"_s);
}

// The wire is GB 18030, and the control route sets and clears faults.
void tst_MarketSimulator::overHttp()
{
    SimHarness h;
    QNetworkAccessManager manager;
    QByteArray body, contentType;
    auto get = [&](const QString &target) {
        QNetworkReply *reply = manager.get(QNetworkRequest(Endpoints::join(h.baseUrl(), target)));
        waitFor([&] { return reply->isFinished(); });
        reply->deleteLater();
        body = reply->readAll();
        contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
        return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    };
    QCOMPARE(get(u"/rn=1&list=sh600519,hk00700"_s), 200);
    QVERIFY(contentType.contains("GB18030"));
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString asUtf8 = utf8.decode(body);
    Q_UNUSED(asUtf8);
    QVERIFY(utf8.hasError()); // Chinese names in GB 18030 are not valid UTF-8
    QVERIFY(sina::decodeRealtime(body).contains(u"贵州茅台"_s));

    QCOMPARE(get(u"/_sim/fault?route=realtime&status=503&times=1"_s), 200);
    QCOMPARE(h.server().fault(u"realtime"_s).status, 503);
    QCOMPARE(get(u"/rn=1&list=sh600519"_s), 503);
    QCOMPARE(get(u"/rn=1&list=sh600519"_s), 200); // only once
    QCOMPARE(get(u"/_sim/fault?route=realtime&garbage=1"_s), 200);
    QVERIFY(h.server().fault(u"realtime"_s).garbage);
    QCOMPARE(get(u"/_sim/clear"_s), 200);
    QVERIFY(!h.server().fault(u"realtime"_s).any());
    QCOMPARE(get(u"/_sim/fault"_s), 400);
}

void tst_MarketSimulator::acceleratedClockSpec()
{
    const auto clock = AcceleratedClock::fromSetting(u"1000,2026-04-28T09:25:00+08:00,60"_s);
    QVERIFY(clock);
    QCOMPARE(AcceleratedClock::fromSetting(clock->setting())->setting(), clock->setting());
    QVERIFY(!AcceleratedClock::fromSetting(u"garbage"_s));
    QVERIFY(!AcceleratedClock::fromSetting(u"1,2026-04-28T09:25:00,-1"_s));
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    AcceleratedClock fast(start, shanghaiTime(2026, 4, 28, 9, 25), 1000);
    QVERIFY(waitFor([&] { return fast.now() > shanghaiTime(2026, 4, 28, 9, 25, 30); }));
}

QTEST_GUILESS_MAIN(tst_MarketSimulator)
#include "tst_marketsimulator.moc"
