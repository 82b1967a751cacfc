// SPDX-License-Identifier: GPL-3.0-or-later
// Tencent's minute query (cumulative volumes), for each kind of symbol.
#include "FuzzSupport.h"

#include "market/Tencent.h"
#include "model/Symbol.h"

KESTRUM_FUZZ_INITIALIZE()

KESTRUM_FUZZ_MUTATOR(fuzz::mutateJson)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body = fuzz::bytesOf(data, size);
    for (const Symbol &symbol : fuzz::sampleSymbols())
        fuzz::exerciseSeries(symbol.stored(), tencent::minuteSeriesFromMinutes(body, symbol));
    return 0;
}
