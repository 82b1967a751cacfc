// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include "FileBytes.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>
#include <sys/resource.h>

namespace TestSupport {

StateSnapshot stateFromWords(const QString &execution, const QString &risk, int pressure,
                             const QString &structure)
{
    StateSnapshot s;
    s.buy = s.execution = fromText<ActionStatus>(execution).value();
    s.sell = SellStatus::KeepWatching;
    s.risk.word = fromText<RiskWord>(risk.section(u' ', 0, 0)).value();
    if (risk.contains(u' '))
        s.risk.level = risk.section(u' ', 1).toDouble();
    s.riskPressure = pressure;
    s.structure = fromText<IntradayStructure>(structure).value_or(IntradayStructure::Unclear);
    return s;
}

QDateTime zoneTime(const char *zone, int year, int month, int day, int hour, int minute, int second)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone(zone));
}

QDateTime shanghaiTime(int year, int month, int day, int hour, int minute, int second)
{
    return zoneTime("Asia/Shanghai", year, month, day, hour, minute, second);
}

QString buildPath(const QString &relative)
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../") +
                           relative);
}

ProgramRun runProgram(const QString &program, const QStringList &arguments, int timeoutMs)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    ProgramRun result;
    if (!process.waitForStarted()) {
        result.output = program + QStringLiteral(" could not start: is it installed (make deps)?");
        return result;
    }
    if (!process.waitForFinished(timeoutMs))
        process.kill();
    process.waitForFinished();
    result.output = QString::fromUtf8(process.readAll());
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    return result;
}

QString cacheValue(const QString &key)
{
    const QString cache = QString::fromUtf8(readBytes(buildPath(QStringLiteral("CMakeCache.txt"))));
    return QRegularExpression(u'^' + key + QStringLiteral(":[A-Z]+=(.*)$"),
                              QRegularExpression::MultilineOption)
        .match(cache)
        .captured(1);
}

SimHarness::SimHarness(const QDateTime &start, MarketModel model)
    : clock(start)
    , simulator(clock, nullptr, std::move(model))
{
    simulator.start();
    endpoints = Endpoints::allAt(simulator.baseUrl());
    market = std::make_unique<MarketSources>(http, endpoints, clock);
}

Symbol sym(const QString &stored)
{
    const std::optional<Symbol> symbol = Symbol::fromStored(stored);
    Q_ASSERT(symbol);
    return symbol.value_or(*Symbol::fromStored(QStringLiteral("sh000001")));
}

const SimInstrument &SimHarness::instrument(const QString &symbol) const
{
    const SimInstrument *i = simulator.model().instrument(symbol);
    Q_ASSERT(i);
    return *i;
}

void SimHarness::failRoute(const QString &route, const QString &how)
{
    if (how == u"emptydata") {
        QSet<QString> routes{route};
        for (const QString &name : server().routeNames())
            if (simulator.isEmptyDataRoute(name))
                routes.insert(name);
        simulator.setEmptyDataRoutes(routes);
        return;
    }
    SimFault fault;
    fault.reset = how == u"reset";
    fault.status = how == u"status" ? 500 : 0;
    fault.emptyBody = how == u"nobody";
    fault.garbage = how == u"garbage";
    server().setFault(route, fault);
}

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_previousSoft = static_cast<qint64>(limit.rlim_cur);
    m_previousHard = static_cast<qint64>(limit.rlim_max);
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit limit{};
    limit.rlim_cur = static_cast<rlim_t>(m_previousSoft);
    limit.rlim_max = static_cast<rlim_t>(m_previousHard);
    setrlimit(RLIMIT_FSIZE, &limit);
}

} // namespace TestSupport
