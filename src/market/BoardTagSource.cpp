// SPDX-License-Identifier: GPL-3.0-or-later
#include "market/BoardTagSource.h"

#include "market/Eastmoney.h"
#include "market/WireHelpers.h"
#include "model/Formatters.h"
#include "model/Symbol.h"

void BoardTagSource::fetch(const QString &symbol, const QObject *context, Completion completion)
{
    const std::optional<Symbol> s = Symbol::fromStored(symbol.toLower());
    if (!s || !s->isAShare()) {
        // Hong Kong and US stocks (and text that is no symbol) are tagged by their market.
        const QStringList badge{marketBadgeForSymbol(symbol)};
        deliverLater(context, [badge, completion = std::move(completion)] { completion(badge); });
        return;
    }
    const std::optional<HttpRequest> request = eastmoney::f10Request(endpoints(), *s);
    if (!request) {
        fetchFromStockFields(*s, context, std::move(completion));
        return;
    }
    send(*request, context,
         [this, s = *s, context, completion = std::move(completion)](const HttpResponse &r) {
             if (marketwire::isUsableAnswer(r)) {
                 const QStringList tags =
                     eastmoney::boardTagsFromF10(QJsonDocument::fromJson(r.body));
                 if (!tags.isEmpty()) {
                     completion(tags);
                     return;
                 }
             }
             fetchFromStockFields(s, context, completion);
         });
}

void BoardTagSource::fetchFromStockFields(const Symbol &symbol, const QObject *context,
                                          Completion completion)
{
    const std::optional<HttpRequest> request = eastmoney::stockRequest(endpoints(), symbol);
    if (!request) {
        deliverLater(context, [completion = std::move(completion)] { completion({}); });
        return;
    }
    send(*request, context, [completion = std::move(completion)](const HttpResponse &r) {
        completion(marketwire::isUsableAnswer(r)
                       ? eastmoney::boardTagsFromStock(QJsonDocument::fromJson(r.body))
                       : QStringList());
    });
}
