// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppHarness.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QTime>

#include <functional>

namespace TestSupport {

// Simulated time as the 12 s refresh timer sees it over days: one refresh per step, the step
// set by the first window (Shanghai time, weekdays) that holds the moment, `sparseStepSecs`
// outside every window and at weekends. Nights and weekends pass quickly while the trading
// sessions are seen at the timer's own pace (or a thinned one).
struct SoakSchedule
{
    // From `from` to `to` inclusive; a window whose `to` is earlier ends the next day.
    struct Window
    {
        QTime from;
        QTime to;
        int stepSecs = 12;
    };
    QDateTime start;
    QDateTime end;
    QList<Window> windows;
    int sparseStepSecs = 600;

    // A-share and Hong Kong sessions (auction to after the Hong Kong close, lunch breaks
    // included) and the US session in Shanghai time (summer and winter), at `stepSecs`.
    static QList<Window> allSessions(int stepSecs = 12);
    int stepAt(const QDateTime &moment) const;
};

// What one run saw; a check may stop the run early by returning a problem.
struct SoakResult
{
    int refreshes = 0;
    int days = 0;    // local dates seen
    QString problem; // empty when every refresh finished and every check passed
};

// Drives the controller of `harness` through the schedule, one refresh per step, waiting
// for each to finish (background fetches complete while the next ones run). `afterRefresh`
// is called after each refresh; `onDayChange` with the local date just left.
SoakResult runSoak(AppHarness &harness, const SoakSchedule &schedule,
                   const std::function<QString()> &afterRefresh = {},
                   const std::function<void(const QDate &)> &onDayChange = {});

// Per-symbol state of the controller within its caps for `symbols` watched symbols: nothing
// grows with the number of refreshes. Empty when sound, else what is wrong.
QString perSymbolStateProblem(KestrumApp &app, qsizetype symbols);

// Peak and current resident memory of this process in KiB (VmHWM, VmRSS); 0 when unknown.
qint64 residentPeakKiB();
qint64 residentNowKiB();

} // namespace TestSupport
