// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// Whether this launch renders the interface from fixed data into PNG files, and where to.
// Asked in this order: KESTRUM_EXPORT_VIEWS (with KESTRUM_EXPORT_OUTPUT_DIR), the argument
// --export-views [DIR], the trigger file $XDG_CONFIG_HOME/Kestrum/export-views.
struct ExportRequest
{
    bool requested = false;
    QString outputDirectory; // empty: the caller's default
    QString environmentRequested;
    QString environmentOutput;
    QString triggerPath; // set when the trigger file requested the export

    static ExportRequest parse(const QStringList &arguments, const QString &environmentRequested,
                               const QString &environmentOutput, const QString &triggerPath);
    // From the process's own arguments, environment and trigger file.
    static ExportRequest fromProcess(const QStringList &arguments);
    static QString defaultTriggerPath();
    // Where images go when no directory is given: ./kestrum-exports under the current one.
    static QString defaultOutputDirectory();
};
