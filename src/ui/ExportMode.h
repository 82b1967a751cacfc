// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

struct ExportRequest;

// The two non-interactive launches that render the interface into PNG files and quit.
namespace ExportMode {

// The fixed demonstration data of 2026-04-28 15:00, on a throw-away data directory: the
// user's files are never read or written, nothing goes to the network.
int runFixtureExport(const ExportRequest &request, const QStringList &arguments);

// The live state after a few refreshes against whatever the environment points at (the
// headless demo renders the simulated market this way).
int runLiveExport(const QString &directory, int refreshes);

// Where the export writes its step log (rewritten after every step).
QString logPath();

} // namespace ExportMode
