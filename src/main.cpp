// SPDX-License-Identifier: GPL-3.0-or-later
// Kestrum: the tray application.
#include "app/CommandLine.h"
#include "app/ExportRequest.h"
#include "app/InstanceActivation.h"
#include "app/KestrumApp.h"
#include "app/OnceRunner.h"
#include "app/PlatformChoice.h"
#include "app/SingleInstance.h"
#include "model/Clock.h"
#include "model/Logging.h"
#include "ui/AppShell.h"
#include "ui/AppStyle.h"
#include "ui/ExportMode.h"
#include "ui/PanelStatusItem.h"
#include "ui/PopoverWindow.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QIcon>
#include <QJsonDocument>
#include <QTextStream>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// KESTRUM_CLOCK runs the clock from a given moment at a given rate (the demo shares the
// simulated market's accelerated day this way); otherwise the system clock.
std::unique_ptr<Clock> clockFromEnvironment()
{
    const QString setting = qEnvironmentVariable("KESTRUM_CLOCK");
    if (!setting.isEmpty()) {
        if (auto accelerated = AcceleratedClock::fromSetting(setting))
            return accelerated;
        QTextStream(stderr) << "kestrum: ignoring an invalid KESTRUM_CLOCK: " << setting << '\n';
    }
    return std::make_unique<SystemClock>();
}

void nameApplication()
{
    QCoreApplication::setOrganizationName(u"Orvell"_s);
    QCoreApplication::setApplicationName(u"Kestrum"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTRUM_VERSION));
}

// `kestrum --once --json`: one refresh, everything Kestrum concludes, printed as JSON.
// No tray, no window, no single-instance lock: it runs beside a running Kestrum.
int runOnce(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    nameApplication();
    const std::unique_ptr<Clock> clock = clockFromEnvironment();
    KestrumAppOptions options;
    options.clock = clock.get();
    KestrumApp controller(options);
    controller.loadSettings();
    controller.loadStrategy();
    const QJsonObject document = OnceRunner::run(controller);
    QTextStream(stdout) << QString::fromUtf8(
        QJsonDocument(document).toJson(QJsonDocument::Indented));
    return OnceRunner::exitCode(controller);
}

// Another Kestrum may run: ask it to show itself over the session bus, and keep the data
// files to one writer with the lock. Returns the exit code when this launch must end.
std::optional<int> becomeTheOneInstance(InstanceActivation &activation, SingleInstance &lock)
{
    const InstanceActivation::Outcome outcome = activation.claim();
    if (outcome == InstanceActivation::Outcome::ShownRunning)
        return 0;
    if (outcome == InstanceActivation::Outcome::RunningSilent) {
        QTextStream(stderr) << "kestrum: a running Kestrum owns "
                            << InstanceActivation::serviceName()
                            << " but did not answer: " << activation.errorString() << '\n';
        return 1;
    }
    if (lock.acquire())
        return std::nullopt;
    QTextStream err(stderr);
    err << "kestrum: Kestrum is already running";
    if (lock.holderPid() > 0)
        err << " (process " << lock.holderPid() << ')';
    if (outcome == InstanceActivation::Outcome::NoBus)
        err << "; without a D-Bus session bus it cannot be asked to show itself";
    else
        err << " outside this desktop session";
    err << " (lock " << lock.lockFilePath() << ")\n";
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    // The whole command line first: nothing below runs for a wrong one, and help and
    // version need no display, no bus and no file.
    const CommandLine line = CommandLine::parse(arguments);
    switch (line.action) {
    case CommandLine::Action::Error:
        QTextStream(stderr) << "kestrum: " << line.error << "\n\n" << CommandLine::usage();
        return CommandLine::kUsageExitCode;
    case CommandLine::Action::Help:
        QTextStream(stdout) << CommandLine::usage();
        return 0;
    case CommandLine::Action::Version:
        QTextStream(stdout) << CommandLine::versionText() << '\n';
        return 0;
    case CommandLine::Action::Once:
        return runOnce(argc, argv);
    default:
        break;
    }

    const ExportRequest exportRequest = ExportRequest::fromProcess(arguments);
    const bool liveExport = line.action == CommandLine::Action::ExportLive;
    const PlatformChoice platform = PlatformChoice::choose(DisplayEnvironment::fromProcess());
    if (exportRequest.requested || liveExport) {
        // Rendering to files needs no display: without one, draw off-screen.
        if (platform.noDisplay)
            qputenv("QT_QPA_PLATFORM", "offscreen");
    } else {
        if (platform.noDisplay) {
            QTextStream(stderr) << platform.note << '\n';
            return 1;
        }
        if (!platform.platform.isEmpty())
            qputenv("QT_QPA_PLATFORM", platform.platform.toUtf8());
        if (!platform.note.isEmpty())
            QTextStream(stderr) << platform.note << '\n';
    }

    QApplication application(argc, argv);
    nameApplication();
    QGuiApplication::setApplicationDisplayName(u"澄川"_s);
    QGuiApplication::setDesktopFileName(u"com.orvell.kestrum"_s);
    QApplication::setWindowIcon(
        QIcon::fromTheme(u"com.orvell.kestrum"_s, QIcon(u":/kestrum/com.orvell.kestrum.svg"_s)));
    // A tray application: closing its windows never ends it (AppShell decides when to).
    QApplication::setQuitOnLastWindowClosed(false);
    AppStyle::apply(application);

    // The export modes are not subject to the single-instance rule.
    if (exportRequest.requested)
        return ExportMode::runFixtureExport(exportRequest, arguments);
    if (liveExport)
        return ExportMode::runLiveExport(line.directory, line.refreshes);

    QDBusConnection bus = QDBusConnection::sessionBus();
    InstanceActivation activation(bus);
    SingleInstance instance;
    if (const std::optional<int> exitCode = becomeTheOneInstance(activation, instance))
        return *exitCode;

    const std::unique_ptr<Clock> clock = clockFromEnvironment();
    KestrumAppOptions options;
    options.clock = clock.get();
    options.urlOpener = [](const QUrl &url) {
        return QDesktopServices::openUrl(url);
    };
    KestrumApp controller(options);
    controller.removeLeftoverTemporaryFiles();
    controller.loadSettings();
    controller.loadStrategy();
    controller.refreshLoginItemIfStale();

    qCInfo(lcPanel).noquote() << "running on the" << QGuiApplication::platformName() << "platform";
    // Native Wayland places windows itself: the popover cannot sit at the icon.
    PopoverWindow::setPlacedByDesktop(
        PlatformChoice::isNativeWayland(QGuiApplication::platformName()));
    AppShell shell(controller, std::make_unique<PanelStatusItem>(bus));
    QObject::connect(&activation, &InstanceActivation::activationRequested, &shell,
                     &AppShell::showForLaunch);
    QObject::connect(&activation, &InstanceActivation::showWindowRequested, &shell,
                     &AppShell::showMainWindow);
    shell.launch();
    return application.exec();
}
