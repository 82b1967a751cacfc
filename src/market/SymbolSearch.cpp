// SPDX-License-Identifier: GPL-3.0-or-later
// Remote symbol search: Eastmoney's suggestion service, mapped to watch candidates.
#include "market/SinaClient.h"

#include "market/WireHelpers.h"
#include "model/Formatters.h"

#include <QJsonArray>
#include <QSet>

using namespace Qt::StringLiterals;
using marketwire::stringFromJson;

namespace {

// The market number Eastmoney files a security under (QuoteID "1.000001", MktNum "1").
QString eastmoneyMarketNumber(const QJsonObject &suggestion)
{
    const QString market = stringFromJson(suggestion.value(u"MktNum"_s)).trimmed();
    if (!market.isEmpty())
        return market;
    const QString quoteId = stringFromJson(suggestion.value(u"QuoteID"_s));
    const qsizetype dot = quoteId.indexOf(u'.');
    return dot > 0 ? quoteId.left(dot).trimmed() : QString();
}

} // namespace

std::optional<WatchItem>
SinaClient::watchCandidateFromEastmoneySuggestion(const QJsonObject &suggestion)
{
    const QString code = stringFromJson(suggestion.value(u"Code"_s));
    if (code.isEmpty())
        return std::nullopt;
    const QString name = stringFromJson(suggestion.value(u"Name"_s));
    const QString exchange = stringFromJson(suggestion.value(u"JYS"_s)).toLower();
    const QString classify = stringFromJson(suggestion.value(u"Classify"_s)).toLower();
    const QString typeName = stringFromJson(suggestion.value(u"SecurityTypeName"_s));

    QString symbol;
    if (classify.contains(u"hk") || exchange == u"hk" || typeName.contains(u"港股")) {
        QString padded = code;
        while (padded.size() < 5)
            padded.prepend(u'0');
        symbol = u"hk"_s + padded;
    } else if (classify.contains(u"us") || typeName.contains(u"美股") || exchange == u"nasdaq" ||
               exchange == u"nyse" || exchange == u"amex") {
        // BRK.B and BRK-B are both the feed's gb_brk_b.
        symbol = u"gb_"_s + code.toLower().replace(u'.', u'_').replace(u'-', u'_');
    } else {
        const bool namedExchange = exchange == u"sh" || exchange == u"sz" || exchange == u"bj";
        if (!namedExchange && code.size() != 6)
            return std::nullopt;
        const QString lowered = code.toLower();
        QString prefix;
        if (namedExchange) {
            prefix = exchange;
        } else if (eastmoneyMarketNumber(suggestion) == u"1") {
            // Shanghai by the service's own market number: index 000001 is 上证指数, not
            // the Shenzhen stock the first-digit rule would make of it.
            prefix = u"sh"_s;
        } else {
            const QChar first = lowered.at(0);
            if (first == u'6')
                prefix = u"sh"_s;
            else if (first == u'8' || first == u'4' || first == u'9')
                prefix = u"bj"_s;
            else
                prefix = u"sz"_s;
        }
        symbol = prefix + lowered;
    }
    symbol = symbol.toLower();
    // The answer is not trusted: a code such as "../x", "600519,hk00700" or one with a line
    // break would end up in every realtime request once stored.
    if (!ConfigStore::isValidSymbol(symbol))
        return std::nullopt;
    return WatchItem{
        {u"symbol"_s, symbol},
        {u"name"_s, name.isEmpty() ? symbol.toUpper() : name},
        {u"market"_s, typeName.isEmpty() ? KSMarketBadgeForSymbol(symbol) : typeName},
    };
}

QList<WatchItem> SinaClient::watchCandidatesFromEastmoneySuggestData(const QByteArray &body,
                                                                     int limit)
{
    QList<WatchItem> candidates;
    if (limit <= 0)
        return candidates;
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    const QJsonValue data = doc.object().value(u"QuotationCodeTable"_s).toObject().value(u"Data"_s);
    if (!doc.isObject() || !data.isArray())
        return candidates;
    QSet<QString> taken;
    for (const QJsonValue &entry : data.toArray()) {
        if (!entry.isObject())
            continue;
        const std::optional<WatchItem> candidate =
            watchCandidateFromEastmoneySuggestion(entry.toObject());
        if (!candidate)
            continue;
        const QString symbol = candidate->value(u"symbol"_s).toString();
        if (symbol.isEmpty() || taken.contains(symbol))
            continue;
        taken.insert(symbol);
        candidates.append(*candidate);
        if (candidates.size() >= limit)
            break;
    }
    return candidates;
}

std::optional<HttpRequest> SinaClient::watchSearchRequest(const QString &query) const
{
    const QString text = query.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    return getRequest(
        m_endpoints.eastmoneySearch, u"/api/suggest/get"_s,
        {{u"input"_s, text}, {u"type"_s, u"14"_s}, {u"token"_s, m_endpoints.eastmoneySuggestToken}},
        Endpoints::eastmoneyReferer(), kSearchTimeoutMs);
}

void SinaClient::searchWatchCandidates(const QString &query, int limit,
                                       CandidatesCompletion completion)
{
    const std::optional<HttpRequest> request = limit > 0 ? watchSearchRequest(query) : std::nullopt;
    if (!request) {
        deliverLater([completion = std::move(completion)] { completion({}); });
        return;
    }
    m_http.send(*request, this,
                [limit, completion = std::move(completion)](const HttpResponse &response) {
                    if (!marketwire::isUsableAnswer(response)) {
                        completion({});
                        return;
                    }
                    completion(watchCandidatesFromEastmoneySuggestData(response.body, limit));
                });
}
