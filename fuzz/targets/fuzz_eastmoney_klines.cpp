// Eastmoney's daily bars, then reduced to the daily features the cache keeps.
#include "FuzzSupport.h"

#include "market/SinaClient.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::exerciseDays(SinaClient::dayRecordsFromEastmoneyKlines(fuzz::bytesOf(data, size)));
    return 0;
}
