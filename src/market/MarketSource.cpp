// SPDX-License-Identifier: GPL-3.0-or-later
#include "market/MarketSource.h"

#include "model/Logging.h"

MarketSource::MarketSource(HttpClient &http, const Endpoints &endpoints, const Clock &clock,
                           QObject *parent)
    : QObject(parent)
    , m_http(http)
    , m_endpoints(endpoints)
    , m_clock(clock)
{}

void MarketSource::send(const HttpRequest &request, const QObject *context, Handler handler)
{
    m_http.send(request, this,
                [context = QPointer<const QObject>(context),
                 handler = std::move(handler)](const HttpResponse &response) {
                    if (context)
                        handler(response);
                });
}

void MarketSource::deliverLater(const QObject *context, std::function<void()> work)
{
    if (context)
        QMetaObject::invokeMethod(const_cast<QObject *>(context), std::move(work),
                                  Qt::QueuedConnection);
}

void MarketSource::noteOutcome(const QString &source, bool usable, const HttpResponse &response,
                               const QString &takesOver)
{
    if (usable) {
        if (m_failing.recovered(source))
            qCInfo(lcRefresh).noquote() << source << "answers again";
        return;
    }
    if (!m_failing.failed(source))
        return;
    const QString why = !response.errorString.isEmpty() ? response.errorString
                        : response.answered()
                            ? QStringLiteral("an unusable answer (HTTP %1)").arg(response.status)
                            : QStringLiteral("no answer");
    qCWarning(lcRefresh).noquote()
        << source << "failed:" << why << ";"
        << (takesOver.isEmpty() ? QStringLiteral("nothing takes over")
                                : takesOver + QStringLiteral(" takes over"));
}
