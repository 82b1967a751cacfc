// SPDX-License-Identifier: GPL-3.0-or-later
#include "presentation/HexColor.h"

#include "presentation/Palette.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

QColor HexColor::color(const QString &hex)
{
    qsizetype i = 0;
    while (i < hex.size() && hex.at(i).isSpace())
        ++i;
    if (i + 1 < hex.size() && hex.at(i) == u'0' && (hex.at(i + 1) == u'x' || hex.at(i + 1) == u'X'))
        i += 2;
    quint64 value = 0;
    bool any = false;
    for (; i < hex.size(); ++i) {
        const int digit = hexDigit(hex.at(i));
        if (digit < 0)
            break;
        any = true;
        // A value too large for 32 bits reads as the largest one, as a scanner does.
        value = std::min<quint64>(value * 16 + static_cast<quint64>(digit), 0xFFFFFFFFull);
    }
    if (!any)
        return QColor(0, 0, 0);
    return QColor::fromRgbF(static_cast<float>((value >> 16) & 0xFF) / 255.0f,
                            static_cast<float>((value >> 8) & 0xFF) / 255.0f,
                            static_cast<float>(value & 0xFF) / 255.0f, 1.0f);
}

QString HexColor::accentForChangePercent(double changePercent)
{
    if (std::fabs(changePercent) < 0.0001)
        return Palette::hex(Palette::flat);
    return Palette::hex(changePercent >= 0 ? Palette::rise : Palette::fall);
}
