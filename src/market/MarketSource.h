// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/LogOnce.h"
#include "net/Endpoints.h"
#include "net/HttpClient.h"

#include <QObject>
#include <QPointer>

#include <functional>

class Clock;

// What every market-data source shares: the injected HTTP client, endpoints and clock, the
// once-only log of its providers' failures, and delivery that respects the caller's context.
// A completion runs exactly once, later, on the main thread, unless the context object the
// caller gave (or the source itself) is gone by then; it never runs from inside the fetch.
class MarketSource : public QObject
{
    Q_OBJECT
public:
    MarketSource(HttpClient &http, const Endpoints &endpoints, const Clock &clock,
                 QObject *parent = nullptr);

    const Endpoints &endpoints() const { return m_endpoints; }

protected:
    using Handler = std::function<void(const HttpResponse &)>;
    // Sends `request`; `handler` runs only while both this source and `context` live.
    void send(const HttpRequest &request, const QObject *context, Handler handler);
    // Runs `work` after the current call has returned, only if `context` still lives.
    static void deliverLater(const QObject *context, std::function<void()> work);
    // For the log: a source's failure once (with the source that takes over, if any), and
    // its recovery once; never at every refresh.
    void noteOutcome(const QString &source, bool usable, const HttpResponse &response,
                     const QString &takesOver = QString());

    const Clock &clock() const { return m_clock; }

private:
    HttpClient &m_http;
    Endpoints m_endpoints;
    const Clock &m_clock;
    LogOnce m_failing;
};
