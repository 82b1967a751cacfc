// SPDX-License-Identifier: GPL-3.0-or-later
// One simulated trading day and the next morning, refreshed once a simulated minute through
// the sessions (every 10 minutes through the lunch break, every 30 through the night):
// whatever the controller keeps per symbol stays within its caps however many refreshes pass,
// the day's series stop growing at the close and start afresh the next morning. The week at
// the timer's own 12 s, where the US series run into their 1500-point cap, with resident
// memory, is a benchmark (BM_SimulatedWeek, `make bench`).
#include "SoakRun.h"

#include <QHash>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

class tst_SoakDay : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void tradingDayStaysBounded();
};

void tst_SoakDay::tradingDayStaysBounded()
{
    const QStringList watch{u"sh600519"_s, u"sz000001"_s, u"hk00700"_s, u"gb_aapl"_s};
    AppHarness h(watch);
    h.app->loadStrategy();
    KestrumApp &app = *h.app;
    const IntradayStore &store = app.intraday();

    SoakSchedule schedule;
    schedule.start = shanghaiTime(2026, 4, 28, 8, 0);
    schedule.end = shanghaiTime(2026, 4, 29, 10, 0);
    schedule.windows = {{QTime(9, 15), QTime(11, 35), 60},
                        {QTime(11, 36), QTime(12, 54), 600},
                        {QTime(12, 55), QTime(16, 10), 60}};
    schedule.sparseStepSecs = 1800;

    QHash<QString, qsizetype> most;
    QHash<QString, qsizetype> atClose;
    bool closed = false;
    const auto check = [&]() -> QString {
        if (const QString problem = perSymbolStateProblem(app, watch.size()); !problem.isEmpty())
            return problem;
        for (const QString &symbol : store.symbols())
            most[symbol] = std::max(most.value(symbol), store.prices(symbol).size());
        if (app.quotes().size() != watch.size())
            return u"%1 quotes for %2 items"_s.arg(app.quotes().size()).arg(watch.size());
        // After the close the day's series of the domestic markets no longer change.
        const QDateTime local = h.clock().localNow();
        if (local.date() == QDate(2026, 4, 28) && local.time() >= QTime(16, 30)) {
            for (const QString &symbol : {u"sh600519"_s, u"sz000001"_s, u"hk00700"_s}) {
                if (!closed)
                    atClose[symbol] = store.prices(symbol).size();
                else if (store.prices(symbol).size() != atClose.value(symbol))
                    return symbol + u" grew after the close"_s;
            }
            closed = true;
        }
        return QString();
    };
    QList<QDate> daysLeft;
    const SoakResult result =
        runSoak(h, schedule, check, [&](const QDate &date) { daysLeft << date; });
    QVERIFY2(result.problem.isEmpty(), qPrintable(result.problem));
    QVERIFY(closed);
    QCOMPARE(daysLeft, QList<QDate>{QDate(2026, 4, 28)});
    qInfo("%d refreshes", result.refreshes);

    // A point a minute through both sessions (the fetched minute series, then the recorded
    // points continuing it).
    QVERIFY(most.value(u"sh600519"_s) >= 240);
    QVERIFY(most.value(u"hk00700"_s) >= 330);
    // The next morning started a new series for the new date.
    QCOMPARE(store.dateForSymbol(u"sh600519"_s), u"2026-04-29"_s);
    QVERIFY(store.prices(u"sh600519"_s).size() < 300);
    QVERIFY(store.positions(u"sh600519"_s).last() > 0);
}

QTEST_GUILESS_MAIN(tst_SoakDay)
#include "tst_soakday.moc"
