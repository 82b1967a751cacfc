// SPDX-License-Identifier: GPL-3.0-or-later
#include "market/SymbolSearchSource.h"

#include "market/Eastmoney.h"
#include "market/WireHelpers.h"

void SymbolSearchSource::search(const QString &query, int limit, const QObject *context,
                                Completion completion)
{
    const std::optional<HttpRequest> request =
        limit > 0 ? eastmoney::searchRequest(endpoints(), query) : std::nullopt;
    if (!request) {
        deliverLater(context, [completion = std::move(completion)] { completion({}); });
        return;
    }
    send(*request, context, [limit, completion = std::move(completion)](const HttpResponse &r) {
        completion(marketwire::isUsableAnswer(r)
                       ? eastmoney::candidatesFromSuggestData(r.body, limit)
                       : QList<WatchItem>());
    });
}
