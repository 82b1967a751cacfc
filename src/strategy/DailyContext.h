// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/EnumText.h"

// The one-line verdict on a symbol's recent daily bars. daily_cache.json stores its text
// under "context"; rules compare the values.
enum class DailyContext
{
    Insufficient,
    DeclineRelay, // 下跌中继风险
    HighRange,    // 高位震荡
    TrendAligned, // 趋势配合
    Neutral,
};

template<>
struct EnumTexts<DailyContext>
{
    static constexpr std::array<const char16_t *, 5> texts{
        u"日线背景：数据不足", u"日线背景：下跌中继风险", u"日线背景：高位震荡",
        u"日线背景：趋势配合", u"日线背景：中性"};
};
