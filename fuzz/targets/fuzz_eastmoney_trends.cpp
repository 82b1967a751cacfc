// SPDX-License-Identifier: GPL-3.0-or-later
// Eastmoney's minute trends of one day, for each kind of symbol, then stored and analysed.
#include "FuzzSupport.h"

#include "market/Eastmoney.h"
#include "model/Symbol.h"

KESTRUM_FUZZ_INITIALIZE()

KESTRUM_FUZZ_MUTATOR(fuzz::mutateJson)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body = fuzz::bytesOf(data, size);
    for (const Symbol &symbol : fuzz::sampleSymbols())
        fuzz::exerciseSeries(symbol.stored(), eastmoney::minuteSeriesFromTrends(body, symbol));
    return 0;
}
