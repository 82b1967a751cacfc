// SPDX-License-Identifier: GPL-3.0-or-later
#include "market/MinuteSeriesSource.h"

#include "market/Eastmoney.h"
#include "market/Tencent.h"
#include "market/WireHelpers.h"
#include "market/Yahoo.h"
#include "model/Clock.h"
#include "model/Symbol.h"

using namespace Qt::StringLiterals;

void MinuteSeriesSource::fetch(const QString &symbol, const QObject *context, Completion completion)
{
    const std::optional<Symbol> s = Symbol::fromStored(symbol.toLower());
    if (!s) {
        deliverLater(context, [completion = std::move(completion)] { completion({}); });
        return;
    }
    const std::optional<HttpRequest> request =
        eastmoney::trendsRequest(endpoints(), *s, clock().nowMSecs());
    if (!request) {
        fetchTencent(*s, context, std::move(completion));
        return;
    }
    send(*request, context,
         [this, s = *s, context, completion = std::move(completion)](const HttpResponse &r) {
             MinuteSeries series;
             if (marketwire::isUsableAnswer(r))
                 series = eastmoney::minuteSeriesFromTrends(r.body, s);
             noteOutcome(u"minute trends (Eastmoney)"_s, !series.isEmpty(), r,
                         u"Tencent minutes"_s);
             if (!series.isEmpty())
                 completion(series);
             else
                 fetchTencent(s, context, completion);
         });
}

void MinuteSeriesSource::fetchTencent(const Symbol &symbol, const QObject *context,
                                      Completion completion)
{
    const std::optional<HttpRequest> request = tencent::minuteRequest(endpoints(), symbol);
    if (!request) {
        fallBackFromTencent(symbol, context, std::move(completion));
        return;
    }
    send(*request, context,
         [this, symbol, context, completion = std::move(completion)](const HttpResponse &r) {
             const bool usable = marketwire::isUsableAnswer(r);
             noteOutcome(u"minutes (Tencent)"_s, usable, r,
                         symbol.isAShare() ? QString() : u"Yahoo chart"_s);
             if (!usable) {
                 fallBackFromTencent(symbol, context, completion);
                 return;
             }
             const MinuteSeries series = tencent::minuteSeriesFromMinutes(r.body, symbol);
             if (series.prices.isEmpty() && !symbol.isAShare()) {
                 fetchYahoo(symbol, context, completion);
                 return;
             }
             // An A-share without Tencent minutes ends here, possibly empty.
             completion(series);
         });
}

void MinuteSeriesSource::fallBackFromTencent(const Symbol &symbol, const QObject *context,
                                             Completion completion)
{
    if (!symbol.isAShare()) {
        fetchYahoo(symbol, context, std::move(completion));
        return;
    }
    deliverLater(context, [completion = std::move(completion)] { completion({}); });
}

void MinuteSeriesSource::fetchYahoo(const Symbol &symbol, const QObject *context,
                                    Completion completion)
{
    const std::optional<HttpRequest> request =
        yahoo::chartRequest(endpoints(), symbol, u"1d"_s, u"1m"_s);
    if (!request) {
        deliverLater(context, [completion = std::move(completion)] { completion({}); });
        return;
    }
    send(*request, context,
         [this, symbol, completion = std::move(completion)](const HttpResponse &r) {
             const bool usable = marketwire::isUsableAnswer(r);
             noteOutcome(u"minute chart (Yahoo)"_s, usable, r);
             completion(usable ? yahoo::minuteSeriesFromChart(r.body, symbol) : MinuteSeries());
         });
}
