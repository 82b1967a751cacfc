// SPDX-License-Identifier: GPL-3.0-or-later
// Yahoo's chart answer, read both ways the client reads it: as one day of minutes and as
// daily bars, for each kind of symbol (the symbol picks the fallback time zone).
#include "FuzzSupport.h"

#include "market/Yahoo.h"
#include "model/Symbol.h"

KESTRUM_FUZZ_INITIALIZE()

KESTRUM_FUZZ_MUTATOR(fuzz::mutateJson)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body = fuzz::bytesOf(data, size);
    for (const Symbol &symbol : fuzz::sampleSymbols()) {
        fuzz::exerciseSeries(symbol.stored(), yahoo::minuteSeriesFromChart(body, symbol));
        fuzz::exerciseDays(yahoo::dayRecordsFromChart(body, symbol));
    }
    return 0;
}
