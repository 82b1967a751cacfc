// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>

#include <optional>

class KestrumApp;

// One refresh cycle with its follow-up fetches (minute series, daily bars, board tags),
// then the snapshot document once the network has gone quiet. Nothing waits longer than
// the bound; what has not arrived by then is simply not in the document.
namespace OnceRunner {

QJsonObject run(KestrumApp &app, int boundMs = 30000);
// The process's exit status after a run: 0 when the realtime refresh succeeded, 3 when it
// failed or never finished (the document is printed either way, its lastStatus saying so).
int exitCode(const KestrumApp &app);

} // namespace OnceRunner
