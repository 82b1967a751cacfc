// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ExportMode.h"

#include "app/ExportRequest.h"
#include "app/KestrumApp.h"
#include "app/OnceRunner.h"
#include "config/JsonFile.h"
#include "model/Clock.h"
#include "net/Endpoints.h"
#include "ui/AppShell.h"
#include "ui/DetachedStatusItem.h"
#include "ui/FixtureSession.h"
#include "ui/ViewExporter.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTextStream>
#include <QTimer>
#include <QUuid>

#include <memory>

using namespace Qt::StringLiterals;

namespace ExportMode {

namespace {

// The log is rewritten whole after each step, so it always shows how far the export came.
class StepLog
{
public:
    void add(const QString &line)
    {
        m_text += line + u'\n';
        JsonFile::writeAtomically(logPath(), m_text.toUtf8());
    }

private:
    QString m_text;
};

void report(const ViewExporter::Result &result, const QString &directory)
{
    QTextStream out(stdout);
    out << "kestrum: " << result.written.size() << " images in " << directory << '\n';
    for (const QString &path : result.written)
        out << "  " << QFileInfo(path).fileName() << '\n';
    for (const QString &path : result.failed)
        QTextStream(stderr) << "kestrum: could not render " << QFileInfo(path).fileName() << '\n';
}

} // namespace

QString logPath()
{
    return QDir::temp().filePath(u"kestrum-export.log"_s);
}

int runFixtureExport(const ExportRequest &request, const QStringList &arguments)
{
    StepLog log;
    log.add(u"launch "_s + QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    log.add(u"args="_s + arguments.join(u' '));
    log.add(u"env_requested="_s + request.environmentRequested);
    log.add(u"env_output="_s + request.environmentOutput);
    if (!request.triggerPath.isEmpty())
        log.add(u"trigger_path="_s + request.triggerPath);
    const QString directory = request.outputDirectory.isEmpty()
                                  ? ExportRequest::defaultOutputDirectory()
                                  : QDir(request.outputDirectory).absolutePath();
    log.add(u"parsed_requested=true"_s);
    log.add(u"parsed_output="_s + directory);

    // Everything happens in a throw-away directory, at a fixed moment, with no network.
    const QString configDir = QDir::temp().filePath(
        u"kestrum-export-config-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces));
    QDir().mkpath(configDir);
    ViewExporter::Result result;
    {
        log.add(u"preparing fixtures"_s);
        FixtureSession session(configDir);
        log.add(u"exporting views"_s);
        result = ViewExporter::exportViewsToDirectory(session.shell(), directory);
        // The store lived in the throw-away directory: there is nothing to put back.
        log.add(u"restoring fixture state"_s);
    }
    QDir(configDir).removeRecursively();
    if (!request.triggerPath.isEmpty())
        QFile::remove(request.triggerPath);
    log.add(u"terminating"_s);
    report(result, directory);
    return result.failed.isEmpty() ? 0 : 1;
}

int runLiveExport(const QString &directory, int refreshes)
{
    const QString target =
        QDir(directory.isEmpty() ? ExportRequest::defaultOutputDirectory() : directory)
            .absolutePath();
    std::unique_ptr<Clock> clock;
    if (auto accelerated = AcceleratedClock::fromSetting(qEnvironmentVariable("KESTRUM_CLOCK")))
        clock = std::move(accelerated);
    else
        clock = std::make_unique<SystemClock>();
    KestrumAppOptions options;
    options.clock = clock.get();
    KestrumApp app(options);
    app.loadSettings();
    app.loadStrategy();
    AppShell shell(app, std::make_unique<DetachedStatusItem>());
    for (int i = 0; i < std::max(1, refreshes); ++i) {
        if (i > 0) {
            QEventLoop pause;
            QTimer::singleShot(1000, &pause, &QEventLoop::quit);
            pause.exec();
        }
        OnceRunner::run(app, 20000);
    }
    app.rotateTitle();
    const ViewExporter::Result result = ViewExporter::exportViewsToDirectory(shell, target);
    report(result, target);
    return result.failed.isEmpty() ? 0 : 1;
}

} // namespace ExportMode
