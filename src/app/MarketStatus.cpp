// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MarketStatus.h"

#include "model/PaletteHex.h"

#include <QTimeZone>

using namespace Qt::StringLiterals;

MarketStatus MarketStatus::at(const QDateTime &moment)
{
    namespace Hex = Palette::Hex;
    static const QTimeZone shanghai("Asia/Shanghai");
    const QDateTime local = moment.toTimeZone(shanghai);
    const int m = local.time().hour() * 60 + local.time().minute();
    if (local.date().dayOfWeek() >= 6)
        return {u"休市"_s,    Hex::restBackground, Hex::restBorder,
                Hex::restDot, Hex::restText,       false};
    if ((m >= 570 && m <= 690) || (m >= 780 && m <= 900))
        return {u"交易中"_s,     Hex::tradingBackground, Hex::tradingBorder,
                Hex::tradingDot, Hex::tradingText,       true};
    if (m >= 691 && m <= 779)
        return {u"午间休市"_s,       Hex::middayBreakBackground, Hex::middayBreakBorder,
                Hex::middayBreakDot, Hex::middayBreakText,       false};
    if (m < 570)
        return {u"未开盘"_s,     Hex::preOpenBackground, Hex::preOpenBorder,
                Hex::preOpenDot, Hex::preOpenText,       false};
    return {u"已收盘"_s,    Hex::closedBackground, Hex::closedBorder,
            Hex::closedDot, Hex::closedText,       false};
}
