// SPDX-License-Identifier: GPL-3.0-or-later
#include "market/DailyBarSource.h"

#include "market/Eastmoney.h"
#include "market/WireHelpers.h"
#include "market/Yahoo.h"
#include "model/Clock.h"
#include "model/Symbol.h"

using namespace Qt::StringLiterals;

void DailyBarSource::fetch(const QString &symbol, const QObject *context, Completion completion)
{
    const std::optional<Symbol> s = Symbol::fromStored(symbol.toLower());
    // An Eastmoney failure is final: Yahoo's A-share bars are not used.
    const std::optional<HttpRequest> request =
        !s              ? std::nullopt
        : s->isAShare() ? eastmoney::dailyKRequest(endpoints(), *s, clock().nowMSecs())
                        : yahoo::chartRequest(endpoints(), *s, u"6mo"_s, u"1d"_s);
    if (!request) {
        deliverLater(context, [completion = std::move(completion)] { completion({}); });
        return;
    }
    send(*request, context,
         [this, s = *s, completion = std::move(completion)](const HttpResponse &r) {
             const bool usable = marketwire::isUsableAnswer(r);
             if (s.isAShare()) {
                 noteOutcome(u"daily bars (Eastmoney)"_s, usable, r);
                 completion(usable ? eastmoney::dayRecordsFromKlines(r.body) : QList<DayRecord>());
             } else {
                 noteOutcome(u"daily chart (Yahoo)"_s, usable, r);
                 completion(usable ? yahoo::dayRecordsFromChart(r.body, s) : QList<DayRecord>());
             }
         });
}
