// SPDX-License-Identifier: GPL-3.0-or-later
#include "decision/DecisionEngine.h"

#include "intraday/IntradayStore.h"
#include "model/Symbol.h"
#include "strategy/DailyCache.h"

using namespace Qt::StringLiterals;

DecisionEngine::DecisionEngine(const IntradayStore &intraday, const DailyCache &dailyCache,
                               const QHash<QString, Quote> &backgroundQuotes)
    : m_intraday(intraday)
    , m_dailyCache(dailyCache)
    , m_background(backgroundQuotes)
    , m_analytics(intraday)
{}

QuoteDecision DecisionEngine::decisionForQuote(const Quote &quote, DecisionInputs inputs) const
{
    return QuoteDecision(*this, quote, std::move(inputs));
}

// --- Market and board background ---

namespace {

struct BoardIndex
{
    const char16_t *symbol;
    const char16_t *boardName;
};

// The background indices in the order they are requested, each with the board it stands
// for; the first three are the market's.
constexpr BoardIndex kBoardIndices[] = {
    {u"sh000001", u"沪市"},   {u"sz399001", u"深市"},   {u"sz399006", u"创业板"},
    {u"sh000688", u"科创板"}, {u"bj899050", u"北交所"},
};
constexpr qsizetype kMarketIndexCount = 3;

const BoardIndex &boardIndexForQuote(const Quote &quote)
{
    const std::optional<Symbol> symbol = Symbol::fromStored(quote.symbol.toLower());
    if (!symbol)
        return kBoardIndices[0];
    switch (symbol->market()) {
    case Market::Shanghai:
        return kBoardIndices[symbol->isStarMarket() ? 3 : 0];
    case Market::Shenzhen:
        return kBoardIndices[symbol->isChiNext() ? 2 : 1];
    case Market::Beijing:
        return kBoardIndices[4];
    case Market::HongKong:
    case Market::US:
        break;
    }
    return kBoardIndices[0];
}

QStringList indexSymbols(qsizetype count)
{
    QStringList symbols;
    for (qsizetype i = 0; i < count; ++i)
        symbols.append(QString::fromUtf16(kBoardIndices[i].symbol));
    return symbols;
}

} // namespace

const QStringList &DecisionEngine::backgroundIndexSymbols()
{
    static const QStringList symbols = indexSymbols(std::size(kBoardIndices));
    return symbols;
}

const QStringList &DecisionEngine::marketBackgroundSymbols()
{
    static const QStringList symbols = indexSymbols(kMarketIndexCount);
    return symbols;
}

std::optional<Quote> DecisionEngine::backgroundQuoteForSymbol(const QString &symbol) const
{
    const auto it = m_background.constFind(symbol.toLower());
    if (it == m_background.constEnd())
        return std::nullopt;
    return *it;
}

QString DecisionEngine::boardBackgroundSymbolForQuote(const Quote &quote)
{
    return QString::fromUtf16(boardIndexForQuote(quote).symbol);
}

QString DecisionEngine::boardBackgroundNameForQuote(const Quote &quote)
{
    return QString::fromUtf16(boardIndexForQuote(quote).boardName);
}

double DecisionEngine::marketBackgroundScoreForQuote(const Quote &) const
{
    double sum = 0;
    int count = 0;
    for (const QString &symbol : marketBackgroundSymbols()) {
        const auto it = m_background.constFind(symbol);
        if (it == m_background.constEnd())
            continue;
        sum += it->changePercent();
        ++count;
    }
    return count > 0 ? sum / count : 0.0;
}

double DecisionEngine::boardBackgroundScoreForQuote(const Quote &quote) const
{
    const auto it = m_background.constFind(boardBackgroundSymbolForQuote(quote));
    return it == m_background.constEnd() ? 0.0 : it->changePercent();
}

QString DecisionEngine::marketBackgroundDescriptionForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).marketBackgroundDescription();
}

QString DecisionEngine::boardBackgroundDescriptionForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).boardBackgroundDescription();
}

int DecisionEngine::backgroundBiasForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).backgroundBias();
}

bool DecisionEngine::hasSupportiveBackgroundForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).hasSupportiveBackground();
}

bool DecisionEngine::hasWeakBackgroundForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).hasWeakBackground();
}

// --- Decision predicates ---

bool DecisionEngine::hasDecisionDataForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).hasDecisionData();
}

bool DecisionEngine::isStrongHighLockForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).isStrongHighLock();
}

bool DecisionEngine::hasCleanBreakoutForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).hasCleanBreakout();
}

bool DecisionEngine::hasChaseRiskForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).hasChaseRisk();
}

double DecisionEngine::latestTradingPositionForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).latestTradingPosition();
}

bool DecisionEngine::isOpeningProtectionWindowForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).isOpeningProtectionWindow();
}

bool DecisionEngine::isClosingProtectionWindowForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).isClosingProtectionWindow();
}

bool DecisionEngine::hasMediumTrendSupportForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).hasMediumTrendSupport();
}

bool DecisionEngine::shouldHoldBackAggressiveBuyForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).shouldHoldBackAggressiveBuy();
}

bool DecisionEngine::hasSevereRiskForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).hasSevereRisk();
}

bool DecisionEngine::hasLostAverageSupportForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).hasLostAverageSupport();
}

bool DecisionEngine::hasBuyConfirmationForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).hasBuyConfirmation();
}

bool DecisionEngine::hasHealthyPullbackForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).hasHealthyPullback();
}

bool DecisionEngine::hasWeakPullbackForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).hasWeakPullback();
}

bool DecisionEngine::hasRecoveredFalseBreakForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).hasRecoveredFalseBreak();
}

bool DecisionEngine::breakBelowAverageAlertIsActiveForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).breakBelowAverageAlertIsActive();
}

// --- Core risk state, statuses and labels ---

QString DecisionEngine::coreRiskStateForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).coreRiskState();
}

ActionStatus DecisionEngine::buyLabelForCoreRiskState(CoreRiskState state)
{
    switch (state) {
    case CoreRiskState::Strengthened:
        return ActionStatus::Trackable;
    case CoreRiskState::PullbackWatch:
        return ActionStatus::WatchPullback;
    case CoreRiskState::RiskRising:
    case CoreRiskState::StructureWeak:
        return ActionStatus::Defend;
    case CoreRiskState::Repairing:
        break;
    }
    return ActionStatus::AwaitConfirm;
}

SellStatus DecisionEngine::sellLabelForCoreRiskState(CoreRiskState state)
{
    switch (state) {
    case CoreRiskState::Strengthened:
        return SellStatus::KeepTracking;
    case CoreRiskState::PullbackWatch:
        return SellStatus::WatchSupport;
    case CoreRiskState::RiskRising:
    case CoreRiskState::StructureWeak:
        return SellStatus::Defend;
    case CoreRiskState::Repairing:
        break;
    }
    return SellStatus::KeepWatching;
}

ActionStatus DecisionEngine::executionLabelForCoreRiskState(CoreRiskState state)
{
    return buyLabelForCoreRiskState(state);
}

QString DecisionEngine::buyDecisionStatusForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).buyDecisionStatus();
}

QString DecisionEngine::sellDecisionStatusForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).sellDecisionStatus();
}

QString DecisionEngine::displayExecutionStatusForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).displayExecutionStatus();
}

QString DecisionEngine::executionStatusForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).executionStatus();
}

QString DecisionEngine::riskStatusForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).riskStatus();
}

QString DecisionEngine::decisionConfidenceForQuote(const Quote &quote) const
{
    return toText(decisionForQuote(quote).decisionConfidence());
}

QString DecisionEngine::decisionConfidenceReasonForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).decisionConfidenceReason();
}

QString DecisionEngine::riskPriorityReasonForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).riskPriorityReason();
}

QString DecisionEngine::backgroundPriorityReasonForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).backgroundPriorityReason();
}

QString DecisionEngine::confirmationPriorityReasonForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).confirmationPriorityReason();
}

QString DecisionEngine::decisionPipelineSummaryForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).decisionPipelineSummary();
}

QString DecisionEngine::nextWatchDirectiveForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).nextWatchDirective();
}

QString DecisionEngine::mainDecisionStateForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).mainDecisionState();
}

QStringList DecisionEngine::mainDecisionReasonsForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).mainDecisionReasons();
}

// --- Hints and scenarios ---

QString DecisionEngine::keyLevelScenarioForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).keyLevelScenario();
}

QString DecisionEngine::scenarioMetricHint(ScenarioKind kind, const Quote &quote) const
{
    return decisionForQuote(quote).scenarioMetricHint(kind);
}

QString DecisionEngine::buyStatusHintForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).buyStatusHint();
}

QString DecisionEngine::sellStatusHintForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).sellStatusHint();
}

QString DecisionEngine::executionStatusHintForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).executionStatusHint();
}

QString DecisionEngine::keyLevelHintForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).keyLevelHint();
}

QString DecisionEngine::homeBuyTagHintForQuote(const Quote &quote) const
{
    return decisionForQuote(quote).homeBuyTagHint();
}

QList<DecisionEngine::ScenarioMetric>
DecisionEngine::scenarioMetricsForQuote(const Quote &quote) const
{
    const QuoteDecision decision = decisionForQuote(quote);
    return {
        {ScenarioKind::Opportunity, decision.buyDecisionStatus(), decision.buyStatusHint()},
        {ScenarioKind::Defense, decision.sellDecisionStatus(), decision.sellStatusHint()},
        {ScenarioKind::Current, decision.displayExecutionStatus(), decision.executionStatusHint()},
        {ScenarioKind::KeyLevel, decision.keyLevelScenario(), decision.keyLevelHint()},
    };
}
