// SPDX-License-Identifier: GPL-3.0-or-later
// Kestrum: the tray application.
#include "app/ExportRequest.h"
#include "app/KestrumApp.h"
#include "app/OnceRunner.h"
#include "app/SingleInstance.h"
#include "model/Clock.h"
#include "ui/AppShell.h"
#include "ui/ExportMode.h"
#include "ui/StatusItem.h"
#include "ui/StatusItemFactory.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QIcon>
#include <QJsonDocument>
#include <QSystemTrayIcon>
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

bool hasArgument(int argc, char **argv, const char *wanted)
{
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], wanted) == 0)
            return true;
    }
    return false;
}

// `kestrum --once --json`: one refresh, everything Kestrum concludes, printed as JSON.
// No tray, no window, no single-instance lock: it runs beside a running Kestrum.
int runOnce(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(u"Orvell"_s);
    QCoreApplication::setApplicationName(u"Kestrum"_s);
    if (!hasArgument(argc, argv, "--json")) {
        QTextStream(stderr) << "kestrum: --once needs an output format: --once --json\n";
        return 2;
    }
    const std::unique_ptr<Clock> clock = clockFromEnvironment();
    KestrumAppOptions options;
    options.clock = clock.get();
    KestrumApp controller(options);
    controller.loadSettings();
    controller.loadStrategy();
    const QJsonObject document = OnceRunner::run(controller);
    QTextStream(stdout) << QString::fromUtf8(
        QJsonDocument(document).toJson(QJsonDocument::Indented));
    return 0;
}

QString argumentAfter(const QStringList &arguments, const QString &option)
{
    const qsizetype at = arguments.indexOf(option);
    if (at < 0 || at + 1 >= arguments.size() || arguments.at(at + 1).startsWith(u"--"))
        return QString();
    return arguments.at(at + 1);
}

} // namespace

int main(int argc, char **argv)
{
    if (hasArgument(argc, argv, "--once"))
        return runOnce(argc, argv);

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const ExportRequest exportRequest = ExportRequest::fromProcess(arguments);
    const bool liveExport = arguments.contains(u"--export-live"_s);
    // Rendering to files needs no display: without one, draw off-screen.
    if ((exportRequest.requested || liveExport) && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(u"Orvell"_s);
    QCoreApplication::setApplicationName(u"Kestrum"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTRUM_VERSION));
    QGuiApplication::setApplicationDisplayName(u"澄川"_s);
    QGuiApplication::setDesktopFileName(u"com.orvell.kestrum"_s);
    QApplication::setWindowIcon(
        QIcon::fromTheme(u"com.orvell.kestrum"_s, QIcon(u":/kestrum/com.orvell.kestrum.svg"_s)));
    // A tray application: closing its windows never ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    // The export modes are not subject to the single-instance rule.
    if (exportRequest.requested)
        return ExportMode::runFixtureExport(exportRequest, arguments);
    if (liveExport)
        return ExportMode::runLiveExport(argumentAfter(arguments, u"--export-live"_s),
                                         argumentAfter(arguments, u"--refreshes"_s).toInt());

    // One Kestrum per user; a second start leaves the first untouched and says nothing.
    SingleInstance instance;
    if (!instance.acquire())
        return 0;

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

    QDBusConnection bus = QDBusConnection::sessionBus();
    const StatusItemChoice choice = chooseStatusItem(bus);
    QTextStream(stderr) << "kestrum: " << choice.reason << '\n';
    AppShell shell(controller, createStatusItem(choice, bus));
    shell.launch();
    // With no panel to sit in at all, the desktop window is the way in.
    if (choice.kind == StatusItemChoice::Kind::TrayIcon &&
        !QSystemTrayIcon::isSystemTrayAvailable()) {
        QTextStream(stderr) << "kestrum: no system tray here; opening the desktop window\n";
        shell.showMainWindow();
    }
    return application.exec();
}
