// SPDX-License-Identifier: GPL-3.0-or-later
// Yahoo's chart service: the request and the readers shared by minute and daily data.
#include "market/SinaClient.h"

#include "market/WireHelpers.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

std::optional<HttpRequest> SinaClient::yahooChartRequestForSymbol(const QString &symbol,
                                                                  const QString &range,
                                                                  const QString &interval) const
{
    const std::optional<QString> chartSymbol = yahooChartSymbolForSymbol(symbol);
    if (!chartSymbol || chartSymbol->isEmpty())
        return std::nullopt;
    const QString path =
        u"/v8/finance/chart/"_s + QString::fromLatin1(QUrl::toPercentEncoding(*chartSymbol));
    return getRequest(m_endpoints.yahoo, path, {{u"range"_s, range}, {u"interval"_s, interval}},
                      Endpoints::yahooReferer(), kMarketDataTimeoutMs);
}

std::optional<QJsonObject> SinaClient::yahooChartPayloadFromData(const QByteArray &body)
{
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (!doc.isObject())
        return std::nullopt;
    const QJsonValue result = doc.object().value(u"chart"_s).toObject().value(u"result"_s);
    if (!result.isArray())
        return std::nullopt;
    const QJsonValue first = result.toArray().first();
    if (!first.isObject())
        return std::nullopt;
    return first.toObject();
}

double SinaClient::chartDoubleFromArray(const QJsonValue &array, qsizetype index)
{
    if (!array.isArray())
        return 0;
    const QJsonArray values = array.toArray();
    if (index < 0 || index >= values.size())
        return 0;
    return marketwire::numberFromJson(values.at(index));
}

QTimeZone SinaClient::yahooTimeZoneForName(const QString &name, const QString &symbol)
{
    if (!name.isEmpty()) {
        const QTimeZone zone(name.toUtf8());
        if (zone.isValid())
            return zone;
    }
    // Exchange stamps read in the machine's zone would shift every minute off the axis.
    const QString s = symbol.toLower();
    if (s.startsWith(u"hk"))
        return QTimeZone("Asia/Hong_Kong");
    if (s.startsWith(u"gb_"))
        return QTimeZone("America/New_York");
    return QTimeZone::systemTimeZone();
}
