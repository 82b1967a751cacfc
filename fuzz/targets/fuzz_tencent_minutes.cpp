// Tencent's minute query (cumulative volumes), for each kind of symbol.
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
    const QByteArray body = fuzz::bytesOf(data, size);
    for (const QString &symbol : fuzz::sampleSymbols())
        fuzz::exerciseSeries(symbol, SinaClient::minuteSeriesFromTencentMinutes(body, symbol));
    return 0;
}
