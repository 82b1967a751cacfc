// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/OnceRunner.h"

#include "app/KestrumApp.h"
#include "app/SnapshotDocument.h"
#include "net/HttpClient.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace OnceRunner {

QJsonObject run(KestrumApp &app, int boundMs)
{
    QDeadlineTimer deadline(boundMs);
    QEventLoop loop;
    bool finished = false;
    const auto connection =
        QObject::connect(&app, &KestrumApp::refreshFinished, &loop, [&] { finished = true; });

    // Quiet means no request in flight at two looks 150 ms apart: a completion may start
    // the next request (a fallback source, a board lookup) only after it has run.
    int quietLooks = 0;
    QTimer poll;
    poll.setInterval(150);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (deadline.hasExpired()) {
            loop.quit();
            return;
        }
        if (!finished)
            return;
        quietLooks = app.http().requestsInFlight() == 0 ? quietLooks + 1 : 0;
        if (quietLooks >= 2)
            loop.quit();
    });
    poll.start();
    app.refresh();
    loop.exec();
    QObject::disconnect(connection);
    return SnapshotDocument::build(app);
}

int exitCode(const KestrumApp &app)
{
    return app.lastRefreshSucceeded() ? 0 : 3;
}

} // namespace OnceRunner
