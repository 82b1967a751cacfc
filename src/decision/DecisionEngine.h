// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decision/QuoteDecision.h"
#include "intraday/IntradayAnalytics.h"
#include "model/Quote.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class DailyCache;
class IntradayStore;

// The rule-based trading judgement of a watched stock: its market and board background,
// the yes/no predicates over its quote and intraday series, the core risk state with every
// status, label and reason built on it, and the hints and key levels shown beside them.
// Pure: every value is recomputed from what the references hold at the moment of the call.
//
// Each member below answers one question for one quote and builds a QuoteDecision to do
// it. A caller that needs many values of the same quote at once (a card, a snapshot, a
// sample record) should take decisionForQuote() and ask it instead: the series are then
// scanned once.
class DecisionEngine
{
public:
    struct ScenarioMetric
    {
        ScenarioKind kind;
        QString value;
        QString hint;

        QString title() const { return toText(kind); }
    };

    // backgroundQuotes: lower-case index symbol -> latest quote, as the refresh fills it.
    DecisionEngine(const IntradayStore &intraday, const DailyCache &dailyCache,
                   const QHash<QString, Quote> &backgroundQuotes);

    const IntradayStore &intradayStore() const { return m_intraday; }
    const IntradayAnalytics &analytics() const { return m_analytics; }
    const DailyCache &dailyCache() const { return m_dailyCache; }
    const QHash<QString, Quote> &backgroundQuotes() const { return m_background; }

    QuoteDecision decisionForQuote(const Quote &quote, DecisionInputs inputs = {}) const;

    // --- Market and board background ---
    // sh000001, sz399001, sz399006, sh000688, bj899050: requested with every refresh.
    static const QStringList &backgroundIndexSymbols();
    // sh000001, sz399001, sz399006: the indices whose mean is the market score.
    static const QStringList &marketBackgroundSymbols();
    std::optional<Quote> backgroundQuoteForSymbol(const QString &symbol) const;
    static QString boardBackgroundSymbolForQuote(const Quote &quote);
    static QString boardBackgroundNameForQuote(const Quote &quote);
    double marketBackgroundScoreForQuote(const Quote &quote) const;
    double boardBackgroundScoreForQuote(const Quote &quote) const;
    QString marketBackgroundDescriptionForQuote(const Quote &quote) const;
    QString boardBackgroundDescriptionForQuote(const Quote &quote) const;
    int backgroundBiasForQuote(const Quote &quote) const;
    bool hasSupportiveBackgroundForQuote(const Quote &quote) const;
    bool hasWeakBackgroundForQuote(const Quote &quote) const;

    // --- Decision predicates ---
    bool hasDecisionDataForQuote(const Quote &quote) const;
    bool isStrongHighLockForQuote(const Quote &quote) const;
    bool hasCleanBreakoutForQuote(const Quote &quote) const;
    bool hasChaseRiskForQuote(const Quote &quote) const;
    double latestTradingPositionForQuote(const Quote &quote) const;
    bool isOpeningProtectionWindowForQuote(const Quote &quote) const;
    bool isClosingProtectionWindowForQuote(const Quote &quote) const;
    bool hasMediumTrendSupportForQuote(const Quote &quote) const;
    bool shouldHoldBackAggressiveBuyForQuote(const Quote &quote) const;
    bool hasSevereRiskForQuote(const Quote &quote) const;
    bool hasLostAverageSupportForQuote(const Quote &quote) const;
    bool hasBuyConfirmationForQuote(const Quote &quote) const;
    bool hasHealthyPullbackForQuote(const Quote &quote) const;
    bool hasWeakPullbackForQuote(const Quote &quote) const;
    bool hasRecoveredFalseBreakForQuote(const Quote &quote) const;
    bool breakBelowAverageAlertIsActiveForQuote(const Quote &quote) const;

    // --- Core risk state, statuses and labels ---
    QString coreRiskStateForQuote(const Quote &quote) const;
    static ActionStatus buyLabelForCoreRiskState(CoreRiskState state);
    static SellStatus sellLabelForCoreRiskState(CoreRiskState state);
    static ActionStatus executionLabelForCoreRiskState(CoreRiskState state);
    QString buyDecisionStatusForQuote(const Quote &quote) const;
    QString sellDecisionStatusForQuote(const Quote &quote) const;
    QString displayExecutionStatusForQuote(const Quote &quote) const;
    QString executionStatusForQuote(const Quote &quote) const;
    QString riskStatusForQuote(const Quote &quote) const;
    QString decisionConfidenceForQuote(const Quote &quote) const;
    QString decisionConfidenceReasonForQuote(const Quote &quote) const;
    QString riskPriorityReasonForQuote(const Quote &quote) const;
    QString backgroundPriorityReasonForQuote(const Quote &quote) const;
    QString confirmationPriorityReasonForQuote(const Quote &quote) const;
    QString decisionPipelineSummaryForQuote(const Quote &quote) const;
    QString nextWatchDirectiveForQuote(const Quote &quote) const;
    QString mainDecisionStateForQuote(const Quote &quote) const;
    QStringList mainDecisionReasonsForQuote(const Quote &quote) const;

    // --- Hints and scenarios ---
    QString keyLevelScenarioForQuote(const Quote &quote) const;
    QString scenarioMetricHint(ScenarioKind kind, const Quote &quote) const;
    QString buyStatusHintForQuote(const Quote &quote) const;
    QString sellStatusHintForQuote(const Quote &quote) const;
    QString executionStatusHintForQuote(const Quote &quote) const;
    QString keyLevelHintForQuote(const Quote &quote) const;
    QString homeBuyTagHintForQuote(const Quote &quote) const;
    // The four metrics of the risk panel with their values and hover hints.
    QList<ScenarioMetric> scenarioMetricsForQuote(const Quote &quote) const;

private:
    const IntradayStore &m_intraday;
    const DailyCache &m_dailyCache;
    const QHash<QString, Quote> &m_background;
    IntradayAnalytics m_analytics;
};
