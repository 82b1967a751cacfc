// SPDX-License-Identifier: GPL-3.0-or-later
// Eastmoney's suggestion answer, turned into watch candidates for the search list.
#include "FuzzSupport.h"

#include "config/ConfigStore.h"
#include "market/Eastmoney.h"
#include "model/Formatters.h"
#include "model/Symbol.h"

#include <QSet>

using namespace Qt::StringLiterals;

KESTRUM_FUZZ_INITIALIZE()

KESTRUM_FUZZ_MUTATOR(fuzz::mutateJson)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body = fuzz::bytesOf(data, size);
    for (const int limit : {1, 8}) {
        const QList<WatchItem> candidates = eastmoney::candidatesFromSuggestData(body, limit);
        fuzz::check(candidates.size() <= limit, "no more candidates than asked for");
        QSet<QString> seen;
        for (const WatchItem &item : candidates) {
            const QString symbol = item.value(u"symbol"_s).toString();
            fuzz::check(Symbol::isStoredForm(symbol), "a candidate's symbol fits its market's form",
                        symbol);
            fuzz::check(!seen.contains(symbol), "candidates are distinct", symbol);
            seen.insert(symbol);
            fuzz::check(item.value(u"name"_s).isString() && item.value(u"market"_s).isString(),
                        "a candidate has a name and a market", symbol);
            // What choosing the candidate goes through next.
            ConfigStore::directWatchCandidateForInput(symbol);
            marketBadgeForSymbol(symbol);
        }
    }
    return 0;
}
