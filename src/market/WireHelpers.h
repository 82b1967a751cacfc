// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small readers shared by the market-data sources' parsers. Internal to src/market.

#include "net/Endpoints.h"
#include "net/HttpClient.h"

#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringView>
#include <QUrl>

#include <cmath>
#include <optional>

namespace marketwire {

// The whole text as a finite double; anything else reads 0.
inline double numberFromText(QStringView text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

// A product or sum of wire numbers that overflowed reads 0, as an unreadable number does.
inline double finiteOrZero(double value)
{
    return std::isfinite(value) ? value : 0;
}

// A JSON number, or a string holding one; anything else reads 0.
inline double numberFromJson(const QJsonValue &value)
{
    if (value.isDouble()) {
        const double v = value.toDouble();
        return std::isfinite(v) ? v : 0;
    }
    if (value.isString())
        return numberFromText(value.toString());
    return 0;
}

// A chart time stamp (seconds since the epoch) as whole seconds; none when it is not a number
// or lies beyond any calendar date (about a million years out), where a cast to an integer
// would be undefined.
inline std::optional<qint64> epochSecondsFromJson(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double seconds = value.toDouble();
    if (!(std::fabs(seconds) < 4e13))
        return std::nullopt;
    return static_cast<qint64>(seconds);
}

inline QString stringFromJson(const QJsonValue &value)
{
    return value.isString() ? value.toString() : QString();
}

// Only a complete 2xx answer with something in it is worth parsing; an error status,
// a cut connection, a timeout or an empty body all send the caller to its fallback.
inline bool isUsableAnswer(const HttpResponse &response)
{
    return response.ok() && !response.body.isEmpty();
}

// Every query value is percent-encoded in full (commas kept, as the services list fields
// with them), so text such as "A&B" or "1+1" cannot break the query apart.
inline QString encodedQuery(const QList<QPair<QString, QString>> &items)
{
    QString query;
    for (const auto &[key, value] : items) {
        if (!query.isEmpty())
            query += u'&';
        query += QString::fromLatin1(QUrl::toPercentEncoding(key)) + u'=' +
                 QString::fromLatin1(QUrl::toPercentEncoding(value, ","));
    }
    return query;
}

// A GET with the market-data headers, or none when the base URL is unusable.
inline std::optional<HttpRequest> getRequest(const QUrl &base, const QString &path,
                                             const QList<QPair<QString, QString>> &query,
                                             const QByteArray &referer, int timeoutMs)
{
    if (!base.isValid() || base.scheme().isEmpty() || base.host().isEmpty())
        return std::nullopt;
    QUrl url = Endpoints::join(base, path);
    if (!query.isEmpty())
        url.setQuery(encodedQuery(query));
    if (!url.isValid())
        return std::nullopt;
    HttpRequest request;
    request.url = url;
    request.timeoutMs = timeoutMs;
    request.headers = {{"Referer", referer}, {"User-Agent", Endpoints::userAgent()}};
    return request;
}

inline constexpr int kMarketDataTimeoutMs = 8000;

} // namespace marketwire
