// SPDX-License-Identifier: GPL-3.0-or-later
// Sina realtime feed: the answer's bytes decoded (UTF-8 or GB 18030) and split into quotes,
// which then go where a refresh sends them.
#include "FuzzSupport.h"

#include "market/Sina.h"

KESTRUM_FUZZ_INITIALIZE()

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body = fuzz::bytesOf(data, size);
    const QList<Quote> quotes = sina::parseRealtime(sina::decodeRealtime(body));
    fuzz::exerciseQuotes(quotes);
    // The text itself, whatever the decoder made of it: a line parser must take any text.
    fuzz::exerciseQuotes(sina::parseRealtime(QString::fromUtf8(body)));
    return 0;
}
