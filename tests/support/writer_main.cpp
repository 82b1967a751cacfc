// SPDX-License-Identifier: GPL-3.0-or-later
// kestrum-test-writer <app directory> <first version>: saves the watchlist, the settings, the daily
// cache and the board map and appends (and completes) decision samples in a loop, through the same
// classes the application uses, until it is killed. tst_crashsafety kills it at random
// moments and checks what it leaves behind.
//
// Sample numbers go on from the log it finds. It reports each step on stdout as it begins and once
// it is done ("b <version>" / "v <version>" around the four files of a version, "a <seq>" / "s
// <seq>" around a batch of samples ending at that one, "p <seq>" after the outcome pass at its
// moment), so the test knows what must have survived and what may have.
#include "CrashWriterScript.h"

#include "config/ConfigStore.h"
#include "intraday/IntradayStore.h"
#include "model/Clock.h"
#include "model/Quote.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"
#include "strategy/DecisionSampleLog.h"
#include "strategy/StrategyStore.h"

#include <QElapsedTimer>
#include <QJsonDocument>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

void report(const QByteArray &line)
{
    const QByteArray bytes = line + '\n';
    // Straight to the pipe: nothing may sit in a buffer when the kill comes.
    if (::write(STDOUT_FILENO, bytes.constData(), size_t(bytes.size())) < 0)
        std::_Exit(3);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    // Never outlive the test that started it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    const QString dir = QString::fromLocal8Bit(argv[1]);

    ManualClock clock(CrashScript::momentOf(0));
    const ConfigStore config(dir, QString());
    const StrategyStore strategy(config, clock);
    DailyCache daily(strategy);
    daily.loadDailyCache();
    BoardTags boards(strategy);
    IntradayStore intraday;
    DecisionSampleLog log(strategy, intraday, daily, boards, DecisionSampleLog::DecisionReader());
    log.loadPendingDecisionSamples();

    // Versions go on from the one the test names (past every version begun so far).
    qint64 version = QByteArray(argv[2]).toLongLong() - 1;
    // The log is whole again (loading finished any interrupted tail): its last record is the
    // last sample.
    const QList<QJsonObject> records = log.decisionSampleRecords();
    qint64 seq = records.isEmpty() ? 0 : qint64(records.last().value(u"seq"_s).toDouble()) + 1;
    report("ready");

    // A batch of one to three samples (a refresh appends its due samples in one write)
    // between any two file saves, so a kill is as likely to find one as the other.
    const auto sample = [&] {
        const qint64 last = seq + seq % 3;
        QList<QJsonObject> batch;
        for (qint64 n = seq; n <= last; ++n)
            batch.append(CrashScript::sampleFor(
                n, strategy.strategyISOStringForDate(CrashScript::momentOf(n))));
        clock.setNow(CrashScript::momentOf(last));
        report("a " + QByteArray::number(last));
        if (!log.appendDecisionSampleRecords(batch))
            std::_Exit(4);
        report("s " + QByteArray::number(last));
        // The refresh's outcome pass: samples 15, 30 and 60 minutes back get their outcomes,
        // so the log's tail is replaced nearly every time.
        Quote quote;
        quote.symbol = CrashScript::kSampleSymbol;
        quote.price = 10.2;
        log.updatePendingDecisionSamplesForQuotes({quote});
        report("p " + QByteArray::number(last));
        seq = last + 1;
    };
    QElapsedTimer running;
    running.start();
    while (running.elapsed() < 20000) {
        ++version;
        report("b " + QByteArray::number(version));
        clock.setNow(CrashScript::momentOf(version));
        config.saveWatchlist(CrashScript::watchlistFor(version));
        sample();
        config.saveSettings(CrashScript::settingsFor(version));
        sample();
        clock.setNow(CrashScript::momentOf(version));
        daily.applyDailyDaysForSymbol(CrashScript::kDailySymbol, CrashScript::daysFor(version));
        sample();
        strategy.writeJSONObject(CrashScript::boardMapFor(version), strategy.boardMapURL());
        report("v " + QByteArray::number(version));
        sample();
    }
    return 0;
}
