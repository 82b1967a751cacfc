// SPDX-License-Identifier: GPL-3.0-or-later
#include "market/SinaClient.h"

#include "model/Logging.h"

#include "market/WireHelpers.h"

SinaClient::SinaClient(HttpClient &http, const Endpoints &endpoints, const Clock &clock,
                       QObject *parent)
    : QObject(parent)
    , m_http(http)
    , m_endpoints(endpoints)
    , m_clock(clock)
{}

std::optional<HttpRequest> SinaClient::getRequest(const QUrl &base, const QString &path,
                                                  const QList<QPair<QString, QString>> &query,
                                                  const QByteArray &referer, int timeoutMs)
{
    if (!base.isValid() || base.scheme().isEmpty() || base.host().isEmpty())
        return std::nullopt;
    QUrl url = Endpoints::join(base, path);
    if (!query.isEmpty())
        url.setQuery(marketwire::encodedQuery(query));
    if (!url.isValid())
        return std::nullopt;
    HttpRequest request;
    request.url = url;
    request.timeoutMs = timeoutMs;
    request.headers = {{"Referer", referer}, {"User-Agent", Endpoints::userAgent()}};
    return request;
}

void SinaClient::deliverLater(std::function<void()> work)
{
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void SinaClient::noteSourceOutcome(const QString &source, bool usable, const HttpResponse &response,
                                   const QString &takesOver)
{
    if (usable) {
        if (m_failingSources.recovered(source))
            qCInfo(lcRefresh).noquote() << source << "answers again";
        return;
    }
    if (!m_failingSources.failed(source))
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
