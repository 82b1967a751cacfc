// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SnapshotDocument.h"

#include "ai/InsightPrompt.h"
#include "ai/InsightService.h"
#include "alerts/AlertCenter.h"
#include "app/KestrumApp.h"
#include "decision/DecisionEngine.h"
#include "decision/StateSnapshots.h"
#include "intraday/IntradayAnalytics.h"
#include "intraday/TradingClock.h"
#include "model/Clock.h"
#include "model/Formatters.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"
#include "strategy/StrategyStore.h"

#include <QJsonArray>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// JSON has no infinity; every value here is finite, but a stray one must stay a number.
QJsonValue number(double value)
{
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(0);
}

QJsonArray numbers(const QVector<double> &values)
{
    QJsonArray array;
    for (double v : values)
        array.append(number(v));
    return array;
}

using EngineText = QString (DecisionEngine::*)(const Quote &) const;
using EngineFlag = bool (DecisionEngine::*)(const Quote &) const;
using AnalyticsText = QString (IntradayAnalytics::*)(const Quote &) const;

const std::pair<const char16_t *, EngineText> kEngineTexts[] = {
    {u"marketBackgroundDescriptionForQuote", &DecisionEngine::marketBackgroundDescriptionForQuote},
    {u"boardBackgroundDescriptionForQuote", &DecisionEngine::boardBackgroundDescriptionForQuote},
    {u"coreRiskStateForQuote", &DecisionEngine::coreRiskStateForQuote},
    {u"buyDecisionStatusForQuote", &DecisionEngine::buyDecisionStatusForQuote},
    {u"sellDecisionStatusForQuote", &DecisionEngine::sellDecisionStatusForQuote},
    {u"displayExecutionStatusForQuote", &DecisionEngine::displayExecutionStatusForQuote},
    {u"executionStatusForQuote", &DecisionEngine::executionStatusForQuote},
    {u"riskStatusForQuote", &DecisionEngine::riskStatusForQuote},
    {u"decisionConfidenceForQuote", &DecisionEngine::decisionConfidenceForQuote},
    {u"decisionConfidenceReasonForQuote", &DecisionEngine::decisionConfidenceReasonForQuote},
    {u"riskPriorityReasonForQuote", &DecisionEngine::riskPriorityReasonForQuote},
    {u"backgroundPriorityReasonForQuote", &DecisionEngine::backgroundPriorityReasonForQuote},
    {u"confirmationPriorityReasonForQuote", &DecisionEngine::confirmationPriorityReasonForQuote},
    {u"decisionPipelineSummaryForQuote", &DecisionEngine::decisionPipelineSummaryForQuote},
    {u"nextWatchDirectiveForQuote", &DecisionEngine::nextWatchDirectiveForQuote},
    {u"mainDecisionStateForQuote", &DecisionEngine::mainDecisionStateForQuote},
    {u"keyLevelScenarioForQuote", &DecisionEngine::keyLevelScenarioForQuote},
    {u"buyStatusHintForQuote", &DecisionEngine::buyStatusHintForQuote},
    {u"sellStatusHintForQuote", &DecisionEngine::sellStatusHintForQuote},
    {u"executionStatusHintForQuote", &DecisionEngine::executionStatusHintForQuote},
    {u"keyLevelHintForQuote", &DecisionEngine::keyLevelHintForQuote},
    {u"homeBuyTagHintForQuote", &DecisionEngine::homeBuyTagHintForQuote},
};

const std::pair<const char16_t *, EngineFlag> kPredicates[] = {
    {u"hasSupportiveBackgroundForQuote", &DecisionEngine::hasSupportiveBackgroundForQuote},
    {u"hasWeakBackgroundForQuote", &DecisionEngine::hasWeakBackgroundForQuote},
    {u"hasDecisionDataForQuote", &DecisionEngine::hasDecisionDataForQuote},
    {u"isStrongHighLockForQuote", &DecisionEngine::isStrongHighLockForQuote},
    {u"hasCleanBreakoutForQuote", &DecisionEngine::hasCleanBreakoutForQuote},
    {u"hasChaseRiskForQuote", &DecisionEngine::hasChaseRiskForQuote},
    {u"isOpeningProtectionWindowForQuote", &DecisionEngine::isOpeningProtectionWindowForQuote},
    {u"isClosingProtectionWindowForQuote", &DecisionEngine::isClosingProtectionWindowForQuote},
    {u"hasMediumTrendSupportForQuote", &DecisionEngine::hasMediumTrendSupportForQuote},
    {u"shouldHoldBackAggressiveBuyForQuote", &DecisionEngine::shouldHoldBackAggressiveBuyForQuote},
    {u"hasSevereRiskForQuote", &DecisionEngine::hasSevereRiskForQuote},
    {u"hasLostAverageSupportForQuote", &DecisionEngine::hasLostAverageSupportForQuote},
    {u"hasBuyConfirmationForQuote", &DecisionEngine::hasBuyConfirmationForQuote},
    {u"hasHealthyPullbackForQuote", &DecisionEngine::hasHealthyPullbackForQuote},
    {u"hasWeakPullbackForQuote", &DecisionEngine::hasWeakPullbackForQuote},
    {u"hasRecoveredFalseBreakForQuote", &DecisionEngine::hasRecoveredFalseBreakForQuote},
    {u"breakBelowAverageAlertIsActiveForQuote",
     &DecisionEngine::breakBelowAverageAlertIsActiveForQuote},
};

const std::pair<const char16_t *, AnalyticsText> kSentences[] = {
    {u"intradayLocationDescriptionForQuote",
     &IntradayAnalytics::intradayLocationDescriptionForQuote},
    {u"distanceToExtremesDescriptionForQuote",
     &IntradayAnalytics::distanceToExtremesDescriptionForQuote},
    {u"breakoutContextDescriptionForQuote", &IntradayAnalytics::breakoutContextDescriptionForQuote},
    {u"priceAnchorDescriptionForQuote", &IntradayAnalytics::priceAnchorDescriptionForQuote},
    {u"averageLineDescriptionForQuote", &IntradayAnalytics::averageLineDescriptionForQuote},
    {u"openSessionDescriptionForQuote", &IntradayAnalytics::openSessionDescriptionForQuote},
    {u"afternoonSessionDescriptionForQuote",
     &IntradayAnalytics::afternoonSessionDescriptionForQuote},
    {u"shortRhythmDescriptionForQuote", &IntradayAnalytics::shortRhythmDescriptionForQuote},
    {u"intradayStructureDescriptionForQuote",
     &IntradayAnalytics::intradayStructureDescriptionForQuote},
    {u"continuationDescriptionForQuote", &IntradayAnalytics::continuationDescriptionForQuote},
    {u"mainDirectionDescriptionForQuote", &IntradayAnalytics::mainDirectionDescriptionForQuote},
    {u"volumePriceContextDescriptionForQuote",
     &IntradayAnalytics::volumePriceContextDescriptionForQuote},
    {u"detailedVolumePriceDescriptionForQuote",
     &IntradayAnalytics::detailedVolumePriceDescriptionForQuote},
};

using PromptText = QString (InsightPrompt::*)(const Quote &) const;
using DailyText = QString (DailyCache::*)(const Quote &) const;
using DailyFlag = bool (DailyCache::*)(const Quote &) const;

const std::pair<const char16_t *, PromptText> kPromptTexts[] = {
    {u"opportunityAgentReportForQuote", &InsightPrompt::opportunityAgentReportForQuote},
    {u"riskAgentReportForQuote", &InsightPrompt::riskAgentReportForQuote},
    {u"structureAgentReportForQuote", &InsightPrompt::structureAgentReportForQuote},
    {u"volumePriceAgentReportForQuote", &InsightPrompt::volumePriceAgentReportForQuote},
    {u"moderatorTaskForQuote", &InsightPrompt::moderatorTaskForQuote},
    {u"operationHintDescriptionForQuote", &InsightPrompt::operationHintDescriptionForQuote},
    // The user message exactly as the insight request sends it.
    {u"aiPromptForQuote", &InsightPrompt::aiPromptForQuote},
};

const std::pair<const char16_t *, DailyText> kDailyTexts[] = {
    {u"dailyContextAccentForQuote", &DailyCache::dailyContextAccentForQuote},
    {u"dailyContextBadgeDisplayForQuote", &DailyCache::dailyContextBadgeDisplayForQuote},
};

const std::pair<const char16_t *, DailyFlag> kDailyFlags[] = {
    {u"hasDailyHighExtensionRiskForQuote", &DailyCache::hasDailyHighExtensionRiskForQuote},
    {u"hasSupportiveDailyBackgroundForQuote", &DailyCache::hasSupportiveDailyBackgroundForQuote},
    {u"hasWeakDailyBackgroundForQuote", &DailyCache::hasWeakDailyBackgroundForQuote},
    {u"shouldRefreshDailyCacheForQuote", &DailyCache::shouldRefreshDailyCacheForQuote},
};

using Label = QString (*)(CoreRiskState);
const std::pair<const char16_t *, Label> kLabels[] = {
    {u"buyLabelForCoreRiskState",
     [](CoreRiskState s) {
         return toText(DecisionEngine::buyLabelForCoreRiskState(s));
     }},
    {u"sellLabelForCoreRiskState",
     [](CoreRiskState s) {
         return toText(DecisionEngine::sellLabelForCoreRiskState(s));
     }},
    {u"executionLabelForCoreRiskState",
     [](CoreRiskState s) {
         return toText(DecisionEngine::executionLabelForCoreRiskState(s));
     }},
};

constexpr int kTrendMinutes[] = {5, 10, 15, 30, 60};
constexpr int kVolumeMinutes[] = {5, 10, 15};

QString keyed(const char16_t *name, int argument)
{
    return QString::fromUtf16(name) + u':' + QString::number(argument);
}

QString keyed(const char16_t *name, const QString &argument)
{
    return QString::fromUtf16(name) + u':' + argument;
}

// What the screens, the notifications and the AI request make of the quote.
void insertPresentation(QJsonObject &o, const KestrumApp &app, const Quote &q)
{
    o.insert(u"titleForQuote"_s, titleForQuote(q));
    o.insert(u"shortName"_s, shortName(q.name));
    o.insert(u"formatPrice"_s, formatPrice(q.price));
    o.insert(u"formatChange"_s, formatChange(q.change()));
    o.insert(u"formatPercent"_s, formatPercent(q.changePercent()));
    o.insert(u"formatCompactNumber:volume"_s, formatCompactNumber(q.volume));
    o.insert(u"formatCompactNumber:amount"_s, formatCompactNumber(q.amount));

    for (const auto &[name, read] : kPromptTexts)
        o.insert(QString::fromUtf16(name), (app.prompt().*read)(q));
    o.insert(u"conservativeAIInsightFallbackForQuote"_s,
             app.insights().conservativeAIInsightFallbackForQuote(q));

    o.insert(u"alertSnapshotTextForQuote"_s, AlertCenter::alertSnapshotTextForQuote(q));
    for (const AlertPreset preset : enumValues<AlertPreset>()) {
        const std::optional<AlertPayload> payload =
            app.alerts().alertNotificationPayloadForQuote(q, preset);
        o.insert(keyed(u"alertNotificationPayloadForQuote", toText(preset)),
                 payload ? QJsonValue(QJsonObject{{u"title"_s, payload->title},
                                                  {u"body"_s, payload->body}})
                         : QJsonValue());
    }
}

} // namespace

namespace SnapshotDocument {

QJsonObject quoteFields(const Quote &q)
{
    return QJsonObject{
        {u"symbol"_s, q.symbol},
        {u"name"_s, q.name},
        {u"price"_s, number(q.price)},
        {u"previousClose"_s, number(q.previousClose)},
        {u"open"_s, number(q.open)},
        {u"high"_s, number(q.high)},
        {u"low"_s, number(q.low)},
        {u"volume"_s, number(q.volume)},
        {u"amount"_s, number(q.amount)},
        {u"date"_s, q.date},
        {u"time"_s, q.time},
        {u"change"_s, number(q.change())},
        {u"changePercent"_s, number(q.changePercent())},
    };
}

QJsonObject quoteObject(const KestrumApp &app, const Quote &q)
{
    const IntradayAnalytics &analytics = app.analytics();
    const DecisionEngine &engine = app.engine();
    const IntradayStore &store = app.intraday();
    QJsonObject o = quoteFields(q);
    insertPresentation(o, app, q);

    o.insert(u"seriesLength"_s, store.prices(q.symbol).size());
    for (int m : kTrendMinutes) {
        o.insert(keyed(u"recentPercentChangeForQuote", m),
                 number(analytics.recentPercentChangeForQuote(q, m)));
        o.insert(keyed(u"recentTrendDescriptionForQuote", m),
                 analytics.recentTrendDescriptionForQuote(q, m));
    }
    o.insert(u"intradayPercentChangeForQuote:0"_s,
             number(analytics.intradayPercentChangeForQuote(q, 0)));
    const double mid = TradingClock::midPosition(q.symbol);
    o.insert(u"intradayPercentChangeForQuote:"_s + QString::number(mid),
             number(analytics.intradayPercentChangeForQuote(q, mid)));
    for (int m : kVolumeMinutes) {
        o.insert(keyed(u"recentVolumeRatioForQuote", m),
                 number(analytics.recentVolumeRatioForQuote(q, m)));
        o.insert(keyed(u"recentVolumeDescriptionForQuote", m),
                 analytics.recentVolumeDescriptionForQuote(q, m));
    }
    o.insert(u"currentAverageLineValueForQuote"_s,
             number(store.currentAverageLineValueForQuote(q)));
    for (double position : TradingClock::sessionBoundaries(q.symbol)) {
        const qint64 index = store.intradayIndexForPositionAtOrBefore(position, q.symbol);
        o.insert(keyed(u"intradayIndexForPositionAtOrBefore", int(position)),
                 index == IntradayStore::kNotFound ? QJsonValue() : QJsonValue(index));
    }
    for (const auto &[name, read] : kSentences)
        o.insert(QString::fromUtf16(name), (analytics.*read)(q));

    const DailyCache &daily = app.dailyCache();
    o.insert(u"dailyFeaturesForQuote"_s, daily.dailyFeaturesForQuote(q));
    o.insert(u"dailyContextForQuote"_s, daily.dailyContextForQuote(q));
    o.insert(u"dailyContextDisplayForQuote"_s, daily.dailyContextDisplayForQuote(q));
    o.insert(u"dailyDataIsStaleForQuote"_s, daily.dailyDataIsStaleForQuote(q));
    o.insert(u"boardTagsForQuote"_s,
             QJsonArray::fromStringList(app.boardTags().boardTagsForQuote(q)));
    o.insert(u"boardTagDisplayForQuote"_s, app.boardTags().boardTagDisplayForQuote(q));
    for (const auto &[name, read] : kDailyTexts)
        o.insert(QString::fromUtf16(name), (daily.*read)(q));
    for (const auto &[name, read] : kDailyFlags)
        o.insert(QString::fromUtf16(name), (daily.*read)(q));

    o.insert(u"marketBackgroundScoreForQuote"_s, number(engine.marketBackgroundScoreForQuote(q)));
    o.insert(u"boardBackgroundScoreForQuote"_s, number(engine.boardBackgroundScoreForQuote(q)));
    o.insert(u"backgroundBiasForQuote"_s, engine.backgroundBiasForQuote(q));
    o.insert(u"boardBackgroundSymbolForQuote"_s, DecisionEngine::boardBackgroundSymbolForQuote(q));
    o.insert(u"boardBackgroundNameForQuote"_s, DecisionEngine::boardBackgroundNameForQuote(q));
    o.insert(u"latestTradingPositionForQuote"_s, number(engine.latestTradingPositionForQuote(q)));
    for (const auto &[name, read] : kPredicates)
        o.insert(QString::fromUtf16(name), (engine.*read)(q));
    for (const auto &[name, read] : kEngineTexts)
        o.insert(QString::fromUtf16(name), (engine.*read)(q));
    // Unkeyed: the labels of the quote's own state; keyed: those of every state.
    const CoreRiskState state = engine.decisionForQuote(q).coreRisk();
    for (const auto &[name, label] : kLabels) {
        o.insert(QString::fromUtf16(name), label(state));
        for (const CoreRiskState each : enumValues<CoreRiskState>())
            o.insert(keyed(name, toText(each)), label(each));
    }
    for (const ScenarioKind kind : enumValues<ScenarioKind>())
        o.insert(keyed(u"scenarioMetricHintForTitle", toText(kind)),
                 engine.scenarioMetricHint(kind, q));
    o.insert(u"mainDecisionReasonsForQuote"_s,
             QJsonArray::fromStringList(engine.mainDecisionReasonsForQuote(q)));
    QJsonArray metrics;
    for (const DecisionEngine::ScenarioMetric &metric : engine.scenarioMetricsForQuote(q))
        metrics.append(QJsonObject{
            {u"title"_s, metric.title()}, {u"value"_s, metric.value}, {u"hint"_s, metric.hint}});
    o.insert(u"scenarioMetricsForQuote"_s, metrics);

    const StateSnapshots &snapshots = app.snapshots();
    o.insert(u"stateSnapshotForQuote"_s, snapshots.stateSnapshotForQuote(q));
    o.insert(u"riskPressureScoreForQuote"_s, snapshots.riskPressureScoreForQuote(q));
    o.insert(u"stateContinuityDescriptionForQuote"_s,
             snapshots.stateContinuityDescriptionForQuote(q));

    // What every value above was computed from, so any of them can be recomputed.
    QJsonObject inputs{
        {u"prices"_s, numbers(store.prices(q.symbol))},
        {u"positions"_s, numbers(store.positions(q.symbol))},
        {u"averages"_s, numbers(store.averages(q.symbol))},
        {u"volumes"_s, numbers(store.volumes(q.symbol))},
        {u"seriesDate"_s, store.dateForSymbol(q.symbol)},
        {u"isRealSeries"_s, store.isReal(q.symbol)},
        {u"boardTags"_s, QJsonArray::fromStringList(app.boardTags().boardTagsForQuote(q))},
        {u"previousStateSnapshot"_s, snapshots.previousStateSnapshotForSymbol(q.symbol)},
        {u"currentStateSnapshot"_s, snapshots.currentStateSnapshotForSymbol(q.symbol)},
    };
    const auto record = daily.dailyCacheRecordForQuote(q);
    inputs.insert(u"dailyCacheRecord"_s, record ? QJsonValue(*record) : QJsonValue());
    o.insert(u"inputs"_s, inputs);
    // The position as the watch item holds it, valued at this quote; null without one or
    // without a price to value it by.
    const std::optional<HoldingFigures> figures = app.holdingFiguresForQuote(q);
    o.insert(u"positionForQuote"_s, figures ? QJsonValue(figures->toJson()) : QJsonValue());
    return o;
}

QJsonObject build(const KestrumApp &app)
{
    QJsonArray quotes;
    for (const Quote &quote : app.quotes())
        quotes.append(quoteObject(app, quote));
    QJsonObject background;
    for (auto it = app.backgroundQuotes().begin(); it != app.backgroundQuotes().end(); ++it)
        background.insert(it.key(), quoteFields(it.value()));
    return QJsonObject{
        {u"quotes"_s, quotes},
        {u"background"_s, background},
        {u"lastStatus"_s, app.lastStatus()},
        {u"today"_s, app.strategy().strategyTodayString()},
        {u"positionTotals"_s, app.holdingTotals().toJson(app.exchangeRates())},
    };
}

} // namespace SnapshotDocument
