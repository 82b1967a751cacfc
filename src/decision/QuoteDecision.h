// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decision/DecisionStates.h"
#include "model/Quote.h"

#include <QString>
#include <QStringList>

#include <optional>

class DecisionEngine;

// The terms every decision rule reads, under the short names the rules use. A field left
// unset is read from the intraday store, the daily cache or the background quotes the first
// time a rule needs it; a field set beforehand is taken as given, which lets a test pin one
// rule exactly at its bound.
struct DecisionInputs
{
    std::optional<double> average;      // AVG: last average-line value, 0 without a series
    std::optional<double> openChange;   // O: percent change since the first sample
    std::optional<double> middayChange; // A: percent change since the midday sample
    std::optional<double> r5, r10, r15, r30, r60;
    std::optional<double> v5, v10;
    std::optional<double> position; // POS: latest trading position
    std::optional<QString> structure;
    std::optional<qsizetype> priceCount;
    std::optional<qsizetype> positionCount;
    std::optional<bool> realSeries;
    // One of the five samples before the latest lay under a positive average line (and
    // there are at least six samples): the dip a won-back false break needs.
    std::optional<bool> dippedBeforeLatest;
    std::optional<bool> dailyWeak;
    std::optional<bool> dailySupportive;
    std::optional<bool> dailyHighExtension;
    std::optional<bool> dailyStale;
    std::optional<QString> dailyContext;
    std::optional<double> marketScore;
    std::optional<double> boardScore;
};

// Every decision value of one quote at one moment. Values are computed on first use and
// kept for the life of this object only, so a surface, a snapshot or a sample record that
// needs many of them pays for the series scans once. Build a fresh one after any store
// changes; it must not outlive its engine.
class QuoteDecision
{
public:
    QuoteDecision(const DecisionEngine &engine, const Quote &quote, DecisionInputs inputs = {});

    const Quote &quote() const { return m_quote; }

    // --- Terms ---
    double average() const;
    double openChange() const;
    double middayChange() const;
    // r(m) for 5, 10, 15, 30 and 60 minutes (kept); other lengths are read directly.
    double recentChange(int minutes) const;
    // v(m) for 5 and 10 minutes (kept); other lengths are read directly.
    double volumeRatio(int minutes) const;
    double positionMax() const;
    QString structureLine() const;
    qsizetype priceCount() const;
    qsizetype positionCount() const;
    bool isRealSeries() const;
    bool isBelowAverage() const; // AVG > 0 and P < AVG
    bool isAboveAverage() const; // AVG > 0 and P >= AVG
    // H - P <= max(factor x range, 0.02).
    bool isNearHigh(double factor) const;
    bool hasWeakDailyBackground() const;
    bool hasSupportiveDailyBackground() const;
    bool hasDailyHighExtensionRisk() const;
    bool dailyDataIsStale() const;
    QString dailyContext() const;

    // --- Market and board background ---
    double marketBackgroundScore() const;
    double boardBackgroundScore() const;
    QString marketBackgroundDescription() const;
    QString boardBackgroundDescription() const;
    int backgroundBias() const;
    bool hasSupportiveBackground() const;
    bool hasWeakBackground() const;

    // --- Predicates ---
    bool hasDecisionData() const;
    bool isStrongHighLock() const;
    bool hasCleanBreakout() const;
    bool hasChaseRisk() const;
    double latestTradingPosition() const;
    bool isOpeningProtectionWindow() const;
    bool isClosingProtectionWindow() const;
    bool hasMediumTrendSupport() const;
    bool shouldHoldBackAggressiveBuy() const;
    bool hasSevereRisk() const;
    bool hasLostAverageSupport() const;
    bool hasBuyConfirmation() const;
    bool hasHealthyPullback() const;
    bool hasWeakPullback() const;
    bool hasRecoveredFalseBreak() const;
    bool breakBelowAverageAlertIsActive() const;

    // --- Core risk state, statuses and labels ---
    CoreRiskState coreRisk() const;
    ActionStatus buyStatus() const;
    SellStatus sellStatus() const;
    // The short execution status; the main decision state is the same.
    ActionStatus executionAction() const;
    ExecutionPhase executionPhase() const;
    RiskStatus risk() const;
    // The same as shown.
    QString coreRiskState() const;
    QString buyDecisionStatus() const;
    QString sellDecisionStatus() const;
    QString displayExecutionStatus() const;
    QString executionStatus() const;
    QString riskStatus() const;
    QString decisionConfidence() const;
    QString decisionConfidenceReason() const;
    QString riskPriorityReason() const;
    QString backgroundPriorityReason() const;
    QString confirmationPriorityReason() const;
    QString decisionPipelineSummary() const;
    QString nextWatchDirective() const;
    QString mainDecisionState() const;
    QStringList mainDecisionReasons() const;

    // --- Hints and scenarios ---
    QString keyLevelScenario() const;
    QString scenarioMetricHintForTitle(const QString &title) const;
    QString buyStatusHint() const;
    QString sellStatusHint() const;
    QString executionStatusHint() const;
    QString keyLevelHint() const;
    QString homeBuyTagHint() const;

    // --- Snapshot terms ---
    int riskPressureScore() const;

private:
    template<typename T, typename Compute>
    static const T &once(std::optional<T> &slot, Compute &&compute)
    {
        if (!slot)
            slot.emplace(compute());
        return *slot;
    }

    // Row of the confidence table that matched (0 = no data ... 6 = high).
    int confidenceRow() const;

    const DecisionEngine *m_engine; // a pointer so a decision can be reassigned
    Quote m_quote;
    mutable DecisionInputs m_in;

    struct Memo
    {
        std::optional<bool> decisionData, strongHighLock, cleanBreakout, chaseRisk, opening,
            closing, mediumSupport, holdBack, severeRisk, lostSupport, buyConfirmation,
            healthyPullback, weakPullback, recoveredFalseBreak, breakBelow;
        std::optional<int> bias, confidenceRow;
        std::optional<CoreRiskState> coreRisk;
        std::optional<RiskStatus> risk;
        std::optional<ActionStatus> buyStatus;
        std::optional<SellStatus> sellStatus;
    };
    mutable Memo m_memo;
};
