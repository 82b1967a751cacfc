// Kestrum: the tray application.
#include "app/KestrumApp.h"
#include "app/SingleInstance.h"
#include "model/Clock.h"
#include "ui/AppShell.h"
#include "ui/StatusItem.h"
#include "ui/StatusItemFactory.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QTextStream>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// KESTRUM_CLOCK runs the clock from a given moment at a given rate (the demo shares the
// simulated market's accelerated day this way); otherwise the system clock.
std::unique_ptr<Clock> clockFromEnvironment()
{
    const QString spec = qEnvironmentVariable("KESTRUM_CLOCK");
    if (!spec.isEmpty()) {
        if (auto accelerated = AcceleratedClock::fromSpec(spec))
            return accelerated;
        QTextStream(stderr) << "kestrum: ignoring an invalid KESTRUM_CLOCK: " << spec << '\n';
    }
    return std::make_unique<SystemClock>();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(u"Orvell"_s);
    QCoreApplication::setApplicationName(u"Kestrum"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTRUM_VERSION));
    QGuiApplication::setApplicationDisplayName(u"澄川"_s);
    QGuiApplication::setDesktopFileName(u"com.orvell.kestrum"_s);
    // A tray application: closing its windows never ends it.
    QApplication::setQuitOnLastWindowClosed(false);

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
    controller.loadSettings();
    controller.loadStrategy();

    QDBusConnection bus = QDBusConnection::sessionBus();
    const StatusItemChoice choice = chooseStatusItem(bus);
    QTextStream(stderr) << "kestrum: " << choice.reason << '\n';
    AppShell shell(controller, createStatusItem(choice, bus));
    shell.launch();
    return application.exec();
}
