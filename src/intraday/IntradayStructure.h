// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/EnumText.h"

// The shape a symbol's minute series has drawn so far today. Rules compare the values; the
// texts are the lines the screens, the prompt and the sample log show.
enum class IntradayStructure
{
    Unclear,
    PeakFade,         // 冲高回落
    LowRebound,       // 低位反抽
    HighPlateau,      // 高位横盘
    BreakoutPullback, // 突破后回踩观察
    AfternoonStronger,
    AfternoonWeaker,
    StrongRange,
    WeakRange,
    MiddleRange,
};

template<>
struct EnumTexts<IntradayStructure>
{
    static constexpr std::array<const char16_t *, 10> texts{
        u"结构标签暂不明确",   u"日内结构：冲高回落",       u"日内结构：低位反抽",
        u"日内结构：高位横盘", u"日内结构：突破后回踩观察", u"日内结构：午后转强",
        u"日内结构：午后转弱", u"日内结构：偏强震荡",       u"日内结构：偏弱震荡",
        u"日内结构：中位震荡"};
};

// A rebound from the low or an afternoon turning up: the repair is under way.
constexpr bool isImproving(IntradayStructure s)
{
    return s == IntradayStructure::LowRebound || s == IntradayStructure::AfternoonStronger;
}

// A fade from the high or an afternoon turning down: the move is losing strength.
constexpr bool isWeakening(IntradayStructure s)
{
    return s == IntradayStructure::PeakFade || s == IntradayStructure::AfternoonWeaker;
}

// How the afternoon has gone against the midday price.
enum class AfternoonSession
{
    Forming,     // the afternoon has not begun or has too few points
    FormingLate, // the same, for a market without a lunch break
    TakingOver,  // 主导权改善
    FirmRepair,  // 偏强修复
    FadeLeads,   // 回落占优
    WeakRepair,  // 修复不足
    NarrowRange,
};

template<>
struct EnumTexts<AfternoonSession>
{
    static constexpr std::array<const char16_t *, 7> texts{
        u"午后以来：午后数据仍在形成",
        u"后半段：数据仍在形成",
        u"午后以来：资金承接增强，午后主导权改善",
        u"午后以来：午后偏强修复，观察能否延续到收盘",
        u"午后以来：午后回落占优，尾段需防进一步走弱",
        u"午后以来：午后修复不足，仍在弱势整理",
        u"午后以来：午后以窄幅震荡为主，方向还未拉开"};
};
