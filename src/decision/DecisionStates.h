// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/EnumText.h"

#include <QJsonObject>
#include <QString>

#include <optional>

// The words of every decision verdict as types. Rules, colours, alert filters and the AI
// prompt compare these values; the texts of the tables below are what the screens, the
// sample log and the `--once --json` document show, so they must stay exactly as they are.

// The one judgement every status is worded from.
enum class CoreRiskState
{
    Strengthened,  // 转强成立
    Repairing,     // 修复确认中
    PullbackWatch, // 回踩观察
    RiskRising,    // 风险抬升
    StructureWeak, // 结构转弱
};

// The buy status; the short execution status and the main decision use the same words.
enum class ActionStatus
{
    NoData,
    NoChase,
    Trackable,
    AwaitConfirm,
    WatchPullback,
    Defend,
};

enum class SellStatus
{
    NoData,
    Defend,
    WatchSupport,
    GuardPullback,
    KeepTracking,
    KeepWatching,
};

// The long execution status, shown as "执行状态：" and its word.
enum class ExecutionPhase
{
    NoData,
    NoChase,
    Defend,
    TrackingWindow,
    WatchPullback,
    AwaitConfirm,
};

// The word of the risk status; Lost, Holding and Watching quote a price level after it.
enum class RiskWord
{
    NoData,
    StructureWeak,
    WonBack,
    WeakPullback,
    Lost,
    InPullback,
    Holding,
    Watching,
    Controlled,
};

template<>
struct EnumTexts<CoreRiskState>
{
    static constexpr std::array<const char16_t *, 5> texts{u"转强成立", u"修复确认中", u"回踩观察",
                                                           u"风险抬升", u"结构转弱"};
};

template<>
struct EnumTexts<ActionStatus>
{
    static constexpr std::array<const char16_t *, 6> texts{u"数据不足", u"不追高", u"可跟踪",
                                                           u"等确认",   u"看回踩", u"先防守"};
};

template<>
struct EnumTexts<SellStatus>
{
    static constexpr std::array<const char16_t *, 6> texts{u"数据不足", u"先防守",   u"看承接",
                                                           u"防回落",   u"继续跟踪", u"继续观察"};
};

template<>
struct EnumTexts<ExecutionPhase>
{
    static constexpr std::array<const char16_t *, 6> texts{u"数据不足", u"不追高",   u"先防守",
                                                           u"跟踪窗口", u"先看回踩", u"等待确认"};
};

template<>
struct EnumTexts<RiskWord>
{
    static constexpr std::array<const char16_t *, 9> texts{u"数据不足", u"结构转弱", u"收回观察",
                                                           u"回踩偏弱", u"失",       u"回踩中",
                                                           u"守",       u"看",       u"可控"};
};

// The word on a status tag, where room is short: "不追" for 不追高, the status otherwise.
QString tagText(ActionStatus status);

// A risk status: its word and, for the words that quote one, the price level.
struct RiskStatus
{
    RiskWord word = RiskWord::NoData;
    std::optional<double> level;

    // "结构转弱", "失 66.91": the word, then a space and the level in price form.
    QString text() const;
    // 结构转弱, 回踩偏弱 and a lost level: the statuses a risk alert is sent for.
    bool isLoss() const;
    bool operator==(const RiskStatus &) const = default;
};

// The verdicts of one quote at one refresh, kept to compare with the next.
struct StateSnapshot
{
    ActionStatus buy = ActionStatus::NoData;
    SellStatus sell = SellStatus::NoData;
    ActionStatus execution = ActionStatus::NoData;
    RiskStatus risk;
    QString structure;
    int riskPressure = 0; // 0-11

    // Keys "buy", "sell", "execution", "risk", "structure" (texts) and "riskPressure".
    QJsonObject toJson() const;
    bool operator==(const StateSnapshot &) const = default;
};
