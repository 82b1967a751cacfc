// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoakRun.h"

#include "ai/InsightService.h"
#include "decision/DecisionEngine.h"
#include "decision/StateSnapshots.h"
#include "strategy/BoardTags.h"
#include "strategy/DecisionSampleLog.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace TestSupport {

namespace {

bool isWeekday(const QDate &date)
{
    return date.dayOfWeek() <= 5;
}

qint64 statusKiB(const QByteArray &key)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(QByteArray(key + ':')))
            return line.mid(key.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

} // namespace

QList<SoakSchedule::Window> SoakSchedule::allSessions(int stepSecs)
{
    // 09:15 auction to after the Hong Kong close; the US session from before 21:30 (summer)
    // to after 05:00 (winter) the next morning.
    return {{QTime(9, 15), QTime(16, 10), stepSecs}, {QTime(21, 25), QTime(5, 5), stepSecs}};
}

int SoakSchedule::stepAt(const QDateTime &moment) const
{
    const QDateTime local = moment.toTimeZone(QTimeZone("Asia/Shanghai"));
    const QDate date = local.date();
    const QTime time = local.time();
    for (const Window &window : windows) {
        const bool inside = window.from <= window.to
                                ? isWeekday(date) && time >= window.from && time <= window.to
                                : (time >= window.from && isWeekday(date)) ||
                                      (time <= window.to && isWeekday(date.addDays(-1)));
        if (inside)
            return window.stepSecs;
    }
    return sparseStepSecs;
}

SoakResult runSoak(AppHarness &harness, const SoakSchedule &schedule,
                   const std::function<QString()> &afterRefresh,
                   const std::function<void(const QDate &)> &onDayChange)
{
    SoakResult result;
    KestrumApp &app = *harness.app;
    int finished = 0;
    QObject guard;
    QObject::connect(&app, &KestrumApp::refreshFinished, &guard, [&finished] { ++finished; });

    harness.clock().setNow(schedule.start);
    QDate day = harness.clock().localNow().date();
    result.days = 1;
    while (harness.clock().now() < schedule.end) {
        const int before = finished;
        app.refresh();
        if (!waitFor([&] { return finished > before; })) {
            result.problem = u"a refresh did not finish at "_s +
                             harness.clock().localNow().toString(Qt::ISODate);
            return result;
        }
        ++result.refreshes;
        // Answers to the background fetches this refresh started are taken in as they come.
        QCoreApplication::processEvents();
        if (afterRefresh) {
            const QString problem = afterRefresh();
            if (!problem.isEmpty()) {
                result.problem =
                    harness.clock().localNow().toString(Qt::ISODate) + u": "_s + problem;
                return result;
            }
        }
        harness.clock().advanceSecs(schedule.stepAt(harness.clock().now()));
        const QDate today = harness.clock().localNow().date();
        if (today != day) {
            if (onDayChange)
                onDayChange(day);
            day = today;
            ++result.days;
        }
    }
    // Let the last background fetches land.
    waitFor([&] { return app.http().requestsInFlight() == 0; });
    return result;
}

QString perSymbolStateProblem(KestrumApp &app, qsizetype symbols)
{
    const IntradayStore &store = app.intraday();
    if (store.symbols().size() > symbols)
        return u"the intraday store holds %1 symbols"_s.arg(store.symbols().size());
    for (const QString &symbol : store.symbols()) {
        for (const QVector<double> *series : {&store.prices(symbol), &store.positions(symbol),
                                              &store.averages(symbol), &store.volumes(symbol)}) {
            if (series->size() > IntradayStore::kMaxPoints)
                return symbol + u" holds %1 points"_s.arg(series->size());
        }
    }
    for (qsizetype size :
         {app.snapshots().currentStateSnapshots().size(),
          app.snapshots().previousStateSnapshots().size(), app.priceFlashDirections().size(),
          app.sampleLog().decisionSampleLastLoggedAt().size(),
          app.boardTags().boardLookupInFlightSymbols().size(),
          app.insights().aiLoadingSymbols().size(), app.insights().aiErrors().size(),
          app.backgroundQuotes().size() - DecisionEngine::backgroundIndexSymbols().size()}) {
        if (size > symbols)
            return u"a per-symbol map holds %1 entries"_s.arg(size);
    }
    return QString();
}

qint64 residentPeakKiB()
{
    return statusKiB("VmHWM");
}

qint64 residentNowKiB()
{
    return statusKiB("VmRSS");
}

} // namespace TestSupport
