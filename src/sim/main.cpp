// SPDX-License-Identifier: GPL-3.0-or-later
// kestrum-sim: the simulated market on its own, for the demo and for trying faults by hand.
#include "model/Clock.h"
#include "sim/MarketSimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <memory>

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"kestrum-sim"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Simulated market for Kestrum: every provider route on 127.0.0.1."_s);
    parser.addHelpOption();
    const QCommandLineOption portOption(u"port"_s, u"Port to listen on (0 picks one)."_s, u"N"_s,
                                        u"0"_s);
    const QCommandLineOption clockOption(
        u"clock"_s,
        u"Accelerated clock: <anchor epoch ms>,<anchor ISO time>,<rate> (as KESTRUM_CLOCK)."_s,
        u"SETTING"_s);
    const QCommandLineOption seedOption(u"seed"_s, u"Seed of the market model."_s, u"N"_s,
                                        u"20260428"_s);
    parser.addOptions({portOption, clockOption, seedOption});
    parser.process(app);

    std::unique_ptr<Clock> clock;
    const QString setting = parser.isSet(clockOption) ? parser.value(clockOption)
                                                      : qEnvironmentVariable("KESTRUM_CLOCK");
    if (!setting.isEmpty()) {
        clock = AcceleratedClock::fromSetting(setting);
        if (!clock) {
            QTextStream(stderr) << "kestrum-sim: invalid clock setting: " << setting << '\n';
            return 2;
        }
    } else {
        clock = std::make_unique<SystemClock>();
    }

    MarketSimulator simulator(*clock, nullptr, MarketModel(parser.value(seedOption).toULongLong()));
    const quint16 port = simulator.start(static_cast<quint16>(parser.value(portOption).toUInt()));
    if (port == 0) {
        QTextStream(stderr) << "kestrum-sim: cannot listen on 127.0.0.1:"
                            << parser.value(portOption) << '\n';
        return 1;
    }
    QTextStream out(stdout);
    out << "kestrum-sim listening on " << simulator.baseUrl().toString() << Qt::endl;
    return app.exec();
}
