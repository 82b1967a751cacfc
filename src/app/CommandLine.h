// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for, read before any window, bus or file is touched.
struct CommandLine
{
    enum class Action
    {
        Run,         // the tray application
        Help,        // --help: usage on standard output
        Version,     // --version: version and build number
        Once,        // --once --json: one refresh printed as JSON
        ExportViews, // --export-views [DIR]: every surface as PNG from fixed data
        ExportLive,  // --export-live DIR [--refreshes N]: the live surfaces (the demo)
        Error,       // unknown option or a bad combination: usage on standard error, exit 2
    };

    Action action = Action::Run;
    QString directory; // --export-views DIR or --export-live DIR
    int refreshes = 0; // --refreshes N
    QString error;     // what was wrong, for Action::Error

    static CommandLine parse(const QStringList &arguments);
    static QString usage();
    // "kestrum 1.4.0 (build 12)"
    static QString versionText();

    static constexpr int kUsageExitCode = 2;
};
