// Eastmoney's minute trends of one day, for each kind of symbol, then stored and analysed.
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
        fuzz::exerciseSeries(symbol, SinaClient::minuteSeriesFromEastmoneyTrends(body, symbol));
    return 0;
}
