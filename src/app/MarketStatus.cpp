// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MarketStatus.h"

#include <QTimeZone>

using namespace Qt::StringLiterals;

MarketStatus MarketStatus::at(const QDateTime &moment)
{
    static const QTimeZone shanghai("Asia/Shanghai");
    const QDateTime local = moment.toTimeZone(shanghai);
    const int m = local.time().hour() * 60 + local.time().minute();
    if (local.date().dayOfWeek() >= 6)
        return {u"休市"_s, u"0F1118"_s, u"202432"_s, u"596172"_s, u"8E95A7"_s, false};
    if ((m >= 570 && m <= 690) || (m >= 780 && m <= 900))
        return {u"交易中"_s, u"10241D"_s, u"1D4B3A"_s, u"34D399"_s, u"B7F7D5"_s, true};
    if (m >= 691 && m <= 779)
        return {u"午间休市"_s, u"191A12"_s, u"3B3520"_s, u"FBBF24"_s, u"F6D98A"_s, false};
    if (m < 570)
        return {u"未开盘"_s, u"111722"_s, u"223047"_s, u"60A5FA"_s, u"B8D6FF"_s, false};
    return {u"已收盘"_s, u"11141B"_s, u"252A38"_s, u"7C8496"_s, u"B2B8C6"_s, false};
}
