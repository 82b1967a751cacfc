// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ExportRequest.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

ExportRequest ExportRequest::parse(const QStringList &arguments,
                                   const QString &environmentRequested,
                                   const QString &environmentOutput, const QString &triggerPath)
{
    ExportRequest request;
    request.environmentRequested = environmentRequested;
    request.environmentOutput = environmentOutput;
    if (!environmentRequested.isEmpty() && environmentRequested != u"0") {
        request.requested = true;
        request.outputDirectory = environmentOutput;
        return request;
    }
    const qsizetype at = arguments.indexOf(u"--export-views"_s);
    if (at >= 0) {
        request.requested = true;
        // The next argument is the directory unless it is another option.
        if (at + 1 < arguments.size() && !arguments.at(at + 1).startsWith(u"--"))
            request.outputDirectory = arguments.at(at + 1);
        return request;
    }
    if (!triggerPath.isEmpty() && QFile::exists(triggerPath)) {
        QFile trigger(triggerPath);
        request.requested = true;
        request.triggerPath = triggerPath;
        if (trigger.open(QIODevice::ReadOnly))
            request.outputDirectory = QString::fromUtf8(trigger.read(4096)).trimmed();
    }
    return request;
}

ExportRequest ExportRequest::fromProcess(const QStringList &arguments)
{
    return parse(arguments, qEnvironmentVariable("KESTRUM_EXPORT_VIEWS"),
                 qEnvironmentVariable("KESTRUM_EXPORT_OUTPUT_DIR"), defaultTriggerPath());
}

QString ExportRequest::defaultTriggerPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           u"/Kestrum/export-views"_s;
}

QString ExportRequest::defaultOutputDirectory()
{
    return QDir::current().absoluteFilePath(u"kestrum-exports"_s);
}
