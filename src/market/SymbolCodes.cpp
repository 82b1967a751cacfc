// SPDX-License-Identifier: GPL-3.0-or-later
// How each provider writes a symbol: Eastmoney security ids, Tencent codes, Yahoo chart
// symbols and Eastmoney F10 codes. Each goes into a URL, so a text that is no symbol
// (a hand-edited watchlist entry) has no code at all and is never sent.
#include "market/SinaClient.h"

using namespace Qt::StringLiterals;

namespace {

// The lower-cased symbol when it is one, else empty.
QString requestable(const QString &symbol)
{
    const QString s = symbol.toLower();
    return ConfigStore::isValidSymbol(s) ? s : QString();
}

} // namespace

std::optional<QString> SinaClient::eastmoneySecIDForSymbol(const QString &symbol)
{
    const QString s = requestable(symbol);
    if (s.startsWith(u"sh"))
        return u"1."_s + s.mid(2);
    if (s.startsWith(u"sz") || s.startsWith(u"bj"))
        return u"0."_s + s.mid(2);
    return std::nullopt;
}

std::optional<QString> SinaClient::tencentCodeForSymbol(const QString &symbol)
{
    const QString s = requestable(symbol);
    if (s.startsWith(u"sh") || s.startsWith(u"sz") || s.startsWith(u"bj") || s.startsWith(u"hk"))
        return s;
    return std::nullopt;
}

std::optional<QString> SinaClient::yahooChartSymbolForSymbol(const QString &symbol)
{
    const QString s = requestable(symbol);
    if (s.startsWith(u"hk")) {
        QString code = s.mid(2);
        while (code.size() > 4 && code.startsWith(u'0'))
            code.remove(0, 1);
        return code + u".HK"_s;
    }
    if (s.startsWith(u"gb_")) {
        QString ticker = s.mid(3);
        return ticker.replace(u'_', u'-').toUpper();
    }
    return std::nullopt;
}

std::optional<QString> SinaClient::eastmoneyF10CodeForSymbol(const QString &symbol)
{
    const QString s = requestable(symbol);
    if (s.startsWith(u"sh") || s.startsWith(u"sz") || s.startsWith(u"bj"))
        return s.left(2).toUpper() + s.mid(2);
    return std::nullopt;
}

QString SinaClient::normalizedDateFromTencentDate(const QString &date)
{
    if (date.size() != 8)
        return date;
    return date.left(4) + u'-' + date.mid(4, 2) + u'-' + date.mid(6, 2);
}

double SinaClient::minuteVolumeUnitForSymbol(const QString &symbol)
{
    const QString s = symbol.toLower();
    return s.startsWith(u"sh") || s.startsWith(u"sz") || s.startsWith(u"bj") ? 100.0 : 1.0;
}
