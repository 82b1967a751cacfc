// Tencent's minute query (cumulative volumes), for each kind of symbol.
#include "FuzzSupport.h"

#include "market/SinaClient.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body = fuzz::bytesOf(data, size);
    for (const QString &symbol : fuzz::sampleSymbols())
        fuzz::exerciseSeries(symbol, SinaClient::minuteSeriesFromTencentMinutes(body, symbol));
    return 0;
}
