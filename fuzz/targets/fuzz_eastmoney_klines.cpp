// Eastmoney's daily bars, then reduced to the daily features the cache keeps.
#include "FuzzSupport.h"

#include "market/SinaClient.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::initialize();
    return 0;
}

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t *data, size_t size, size_t maxSize, unsigned seed)
{
    return fuzz::mutateJson(data, size, maxSize, seed);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::exerciseDays(SinaClient::dayRecordsFromEastmoneyKlines(fuzz::bytesOf(data, size)));
    return 0;
}
