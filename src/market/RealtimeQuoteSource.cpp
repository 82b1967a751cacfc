// SPDX-License-Identifier: GPL-3.0-or-later
#include "market/RealtimeQuoteSource.h"

#include "market/Sina.h"
#include "model/Clock.h"

void RealtimeQuoteSource::fetch(const QStringList &symbols, const QObject *context,
                                Completion completion)
{
    if (symbols.isEmpty()) {
        completion({});
        return;
    }
    const std::optional<HttpRequest> request =
        sina::realtimeRequest(endpoints(), symbols, clock().nowMSecs());
    if (!request) {
        deliverLater(context, [completion = std::move(completion)] { completion({}); });
        return;
    }
    // The status code is not examined: whatever body arrived is parsed.
    send(*request, context,
         [this, completion = std::move(completion)](const HttpResponse &response) {
             const bool usable = response.answered() && !response.body.isEmpty();
             noteOutcome(QStringLiteral("realtime quotes (Sina)"), usable, response);
             completion(usable ? sina::parseRealtime(sina::decodeRealtime(response.body))
                               : QList<Quote>());
         });
}
