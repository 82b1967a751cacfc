// SPDX-License-Identifier: GPL-3.0-or-later
// Eastmoney's daily bars, then reduced to the daily features the cache keeps.
#include "FuzzSupport.h"

#include "market/Eastmoney.h"

KESTRUM_FUZZ_INITIALIZE()

KESTRUM_FUZZ_MUTATOR(fuzz::mutateJson)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::exerciseDays(eastmoney::dayRecordsFromKlines(fuzz::bytesOf(data, size)));
    return 0;
}
