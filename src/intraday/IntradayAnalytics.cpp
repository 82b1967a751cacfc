// SPDX-License-Identifier: GPL-3.0-or-later
#include "intraday/IntradayAnalytics.h"

#include "intraday/IntradayStore.h"
#include "intraday/TradingClock.h"
#include "model/Formatters.h"
#include "model/Symbol.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QString minutesText(int minutes)
{
    return QString::number(minutes);
}

// Change of `last` against `base` in percent; 0 when the base is not a price.
double percentFrom(double base, double last)
{
    return base > 0 ? (last - base) / base * 100.0 : 0.0;
}

} // namespace

std::optional<double> IntradayAnalytics::recentChange(const Quote &quote, int minutes) const
{
    const QVector<double> &prices = m_store.prices(quote.symbol);
    const QVector<double> &positions = m_store.positions(quote.symbol);
    if (prices.size() < 2 || positions.size() < 2)
        return std::nullopt;
    const double threshold = std::max(positions.last() - minutes * 60.0, 0.0);
    qsizetype base = 0;
    for (qsizetype i = positions.size() - 1; i >= 0; --i) {
        if (positions.at(i) <= threshold) {
            base = i;
            break;
        }
    }
    // The arrays come in pairs, but a base beyond the prices cannot be priced.
    if (base >= prices.size() || !(prices.at(base) > 0))
        return std::nullopt;
    return percentFrom(prices.at(base), prices.last());
}

double IntradayAnalytics::recentPercentChangeForQuote(const Quote &quote, int minutes) const
{
    return recentChange(quote, minutes).value_or(0.0);
}

double IntradayAnalytics::intradayPercentChangeForQuote(const Quote &quote,
                                                        double fromPosition) const
{
    const QVector<double> &prices = m_store.prices(quote.symbol);
    const QVector<double> &positions = m_store.positions(quote.symbol);
    if (prices.size() < 2 || positions.size() != prices.size())
        return 0;
    qint64 base = m_store.intradayIndexForPositionAtOrBefore(fromPosition, quote.symbol);
    if (base == IntradayStore::kNotFound || base >= prices.size())
        base = 0;
    return percentFrom(prices.at(base), prices.last());
}

double IntradayAnalytics::recentVolumeRatioForQuote(const Quote &quote, int minutes) const
{
    const QVector<double> &positions = m_store.positions(quote.symbol);
    const QVector<double> &volumes = m_store.volumes(quote.symbol);
    if (positions.size() < 4 || volumes.size() != positions.size())
        return kUnavailableRatio;
    const double window = minutes * 60.0;
    const double recentStart = std::max(positions.last() - window, 0.0);
    const double earlierStart = std::max(recentStart - window, 0.0);
    double recent = 0;
    double earlier = 0;
    for (qsizetype i = 0; i < positions.size(); ++i) {
        const double position = positions.at(i);
        if (position > recentStart)
            recent += volumes.at(i);
        else if (position > earlierStart)
            earlier += volumes.at(i);
    }
    if (earlier > 0)
        return recent / std::max(earlier, 1.0);
    return recent > 0 ? kUnboundedRatio : 0.0;
}

bool IntradayAnalytics::isAboveAverageLineForQuote(const Quote &quote) const
{
    const double average = m_store.currentAverageLineValueForQuote(quote);
    return average > 0 && quote.price >= average;
}

QString IntradayAnalytics::intradayLocationDescriptionForQuote(const Quote &quote) const
{
    if (quote.high <= quote.low || quote.previousClose <= 0)
        return u"日内位置暂不明确"_s;
    const double loc = (quote.price - quote.low) / (quote.high - quote.low);
    if (loc >= 0.82)
        return u"价格接近日内高位"_s;
    if (loc <= 0.18)
        return u"价格接近日内低位"_s;
    if (loc >= 0.62)
        return u"价格处于日内偏强区"_s;
    if (loc <= 0.38)
        return u"价格处于日内偏弱区"_s;
    return u"价格位于日内中位附近"_s;
}

QString IntradayAnalytics::distanceToExtremesDescriptionForQuote(const Quote &quote) const
{
    if (!(quote.high > 0 && quote.low > 0))
        return QString();
    return u"距日高"_s + formatPrice(quote.high - quote.price) + u"，距日低"_s +
           formatPrice(quote.price - quote.low);
}

QString IntradayAnalytics::breakoutContextDescriptionForQuote(const Quote &quote) const
{
    if (quote.high <= quote.low || quote.previousClose <= 0)
        return QString();
    const double band = std::max((quote.high - quote.low) * 0.12, 0.02);
    if (quote.high - quote.price <= band)
        return u"接近日内突破位，重点看能否继续放大优势"_s;
    if (quote.price - quote.low <= band)
        return u"靠近日内低位，重点看是否出现企稳承接"_s;
    return u"未到关键极值位，更适合观察方向延续性"_s;
}

QString IntradayAnalytics::priceAnchorDescriptionForQuote(const Quote &quote) const
{
    const double average = m_store.currentAverageLineValueForQuote(quote);
    const QString averageText = average > 0 ? formatPrice(average) : u"暂不可用"_s;
    return u"当前价 "_s + formatPrice(quote.price) + u"，分时均价线 "_s + averageText +
           u"，日内高/低 "_s + formatPrice(quote.high) + u"/"_s + formatPrice(quote.low) +
           u"，昨收 "_s + formatPrice(quote.previousClose);
}

QString IntradayAnalytics::averageLineDescriptionForQuote(const Quote &quote) const
{
    const double average = m_store.currentAverageLineValueForQuote(quote);
    if (average <= 0)
        return u"均价线暂不可用"_s;
    const double gap = quote.price - average;
    return u"当前"_s + (gap >= 0 ? u"站上"_s : u"跌破"_s) + u"均价线"_s + formatPrice(average) +
           u"，偏离"_s + formatPrice(std::fabs(gap));
}

QString IntradayAnalytics::recentTrendDescriptionForQuote(const Quote &quote, int minutes) const
{
    const QString head = u"近"_s + minutesText(minutes);
    const std::optional<double> change = recentChange(quote, minutes);
    if (!change)
        return head + u"分钟方向暂不明确"_s;
    const double r = *change;
    const QString tail = u"（"_s + formatPercent(r) + u"）"_s;
    if (r >= 1.0)
        return head + u"分钟明显走强"_s + tail;
    if (r >= 0.25)
        return head + u"分钟温和抬升"_s + tail;
    if (r <= -1.0)
        return head + u"分钟明显回落"_s + tail;
    if (r <= -0.25)
        return head + u"分钟偏弱回落"_s + tail;
    return head + u"分钟以震荡为主"_s + tail;
}

QString IntradayAnalytics::recentVolumeDescriptionForQuote(const Quote &quote, int minutes) const
{
    const QString head = u"近"_s + minutesText(minutes);
    const double v = recentVolumeRatioForQuote(quote, minutes);
    if (v < 0)
        return head + u"分钟量能暂不明确"_s;
    if (v == 0)
        return head + u"分钟量能较平"_s;
    if (isUnboundedRatio(v))
        return head + u"分钟开始放量"_s;
    const QString tail = u"（"_s + formatFixed(v, 1) + u"x）"_s;
    if (v >= 1.6)
        return head + u"分钟明显放量"_s + tail;
    if (v >= 1.15)
        return head + u"分钟温和放量"_s + tail;
    if (v <= 0.65)
        return head + u"分钟明显缩量"_s + tail;
    if (v <= 0.9)
        return head + u"分钟小幅缩量"_s + tail;
    return head + u"分钟量能基本持平"_s + tail;
}

QString IntradayAnalytics::openSessionDescriptionForQuote(const Quote &quote) const
{
    const double c = intradayPercentChangeForQuote(quote, 0);
    const bool above = isAboveAverageLineForQuote(quote);
    if (c >= 1.2 && above)
        return u"开盘以来：整体偏强推进，日内主动权在多方"_s;
    if (c >= 0.45)
        return u"开盘以来：日内重心上移，整体偏修复"_s;
    if (c <= -1.2 && !above)
        return u"开盘以来：整体承压走弱，日内仍以防守为主"_s;
    if (c <= -0.45)
        return u"开盘以来：重心下移，修复力度仍有限"_s;
    return u"开盘以来：以震荡消化为主，整体方向感一般"_s;
}

AfternoonSession IntradayAnalytics::afternoonSessionForQuote(const Quote &quote) const
{
    const QVector<double> &positions = m_store.positions(quote.symbol);
    const double mid = TradingClock::midPosition(quote.symbol);
    if (positions.isEmpty() || positions.last() < mid) {
        if (Symbol::marketOf(quote.symbol) == Market::US)
            return AfternoonSession::FormingLate;
        return AfternoonSession::Forming;
    }
    const double c = intradayPercentChangeForQuote(quote, mid);
    const double v = recentVolumeRatioForQuote(quote, 15);
    if (c >= 0.7 && (v >= 1.05 || isUnboundedRatio(v)))
        return AfternoonSession::TakingOver;
    if (c >= 0.25)
        return AfternoonSession::FirmRepair;
    if (c <= -0.7)
        return AfternoonSession::FadeLeads;
    if (c <= -0.25)
        return AfternoonSession::WeakRepair;
    return AfternoonSession::NarrowRange;
}

QString IntradayAnalytics::afternoonSessionDescriptionForQuote(const Quote &quote) const
{
    return toText(afternoonSessionForQuote(quote));
}

QString IntradayAnalytics::shortRhythmDescriptionForQuote(const Quote &quote) const
{
    const double r = recentPercentChangeForQuote(quote, 5);
    const double v = recentVolumeRatioForQuote(quote, 5);
    const bool above = isAboveAverageLineForQuote(quote);
    const bool heavy = v >= 1.15; // the unbounded ratio passes as well
    if (r >= 0.35 && heavy && above)
        return u"短线节奏：站上均价线后的放量转强"_s;
    if (r >= 0.2 && above)
        return u"短线节奏：均价线上方温和抬升"_s;
    if (r <= -0.35 && heavy)
        return u"短线节奏：放量转弱，回落压力偏大"_s;
    if (r <= -0.2 && !above)
        return u"短线节奏：均价线下方偏弱整理"_s;
    if (std::fabs(r) < 0.18)
        return u"短线节奏：波动收敛，等待下一次选择方向"_s;
    if (r > 0)
        return u"短线节奏：有修复动作，但仍需确认延续"_s;
    return u"短线节奏：弱修复或震荡回落"_s;
}

IntradayStructure IntradayAnalytics::intradayStructureForQuote(const Quote &quote) const
{
    const QVector<double> &prices = m_store.prices(quote.symbol);
    const QVector<double> &positions = m_store.positions(quote.symbol);
    // Only a fetched minute series is dense enough to read a shape from.
    if (!m_store.isReal(quote.symbol) || prices.size() < 8 || positions.size() != prices.size() ||
        !(quote.high > quote.low))
        return IntradayStructure::Unclear;

    const double range = quote.high - quote.low;
    const double loc = (quote.price - quote.low) / range;
    const double r5 = recentPercentChangeForQuote(quote, 5);
    const double r15 = recentPercentChangeForQuote(quote, 15);

    qsizetype highIndex = 0;
    qsizetype lowIndex = 0;
    for (qsizetype i = 1; i < prices.size(); ++i) {
        if (prices.at(i) > prices.at(highIndex))
            highIndex = i;
        if (prices.at(i) < prices.at(lowIndex))
            lowIndex = i;
    }
    const double highest = prices.at(highIndex);
    const double lowest = prices.at(lowIndex);
    const double lastPosition = positions.last();
    const double threshold = std::max(range * 0.28, 0.03);

    if (lastPosition - positions.at(highIndex) > 600 && highest - quote.price >= threshold)
        return IntradayStructure::PeakFade;
    if (lastPosition - positions.at(lowIndex) > 600 && quote.price - lowest >= threshold &&
        r15 > 0.15)
        return IntradayStructure::LowRebound;
    if (loc >= 0.78 && std::fabs(r15) < 0.25)
        return IntradayStructure::HighPlateau;
    if (loc >= 0.62 && r5 < -0.15 && r15 > -0.35)
        return IntradayStructure::BreakoutPullback;

    const double mid = TradingClock::midPosition(quote.symbol);
    if (lastPosition >= mid) {
        const qint64 index = m_store.intradayIndexForPositionAtOrBefore(mid, quote.symbol);
        if (index != IntradayStore::kNotFound && index < prices.size() && prices.at(index) > 0) {
            const double h = percentFrom(prices.at(index), quote.price);
            if (h >= 0.6)
                return IntradayStructure::AfternoonStronger;
            if (h <= -0.6)
                return IntradayStructure::AfternoonWeaker;
        }
    }

    if (loc >= 0.62)
        return IntradayStructure::StrongRange;
    if (loc <= 0.38)
        return IntradayStructure::WeakRange;
    return IntradayStructure::MiddleRange;
}

QString IntradayAnalytics::intradayStructureDescriptionForQuote(const Quote &quote) const
{
    return toText(intradayStructureForQuote(quote));
}

QString IntradayAnalytics::continuationDescriptionForQuote(const Quote &quote) const
{
    const IntradayStructure s = intradayStructureForQuote(quote);
    const AfternoonSession a = afternoonSessionForQuote(quote);
    const double r = recentPercentChangeForQuote(quote, 15);
    if (isImproving(s))
        return u"结构延续：修复结构仍在推进，关注回踩后的承接"_s;
    if (isWeakening(s))
        return u"结构延续：上行动能衰减，先看是否继续走弱"_s;
    if (a == AfternoonSession::TakingOver || a == AfternoonSession::FirmRepair)
        return u"结构延续：午后修复仍在推进，先看强度能否维持"_s;
    if (a == AfternoonSession::FadeLeads || a == AfternoonSession::WeakRepair)
        return u"结构延续：午后偏弱，反抽延续性一般"_s;
    if (r >= 0.55)
        return u"结构延续：近一段修复较完整，强弱开始拉开"_s;
    if (r >= 0.2)
        return u"结构延续：偏强震荡，仍在延续中"_s;
    if (r <= -0.55)
        return u"结构延续：弱势延续，反抽质量一般"_s;
    if (r <= -0.2)
        return u"结构延续：转弱后仍未修复完成"_s;
    return u"结构延续：中性震荡，方向确认度一般"_s;
}

QString IntradayAnalytics::mainDirectionDescriptionForQuote(const Quote &quote) const
{
    const double r = recentPercentChangeForQuote(quote, 30);
    const double c = intradayPercentChangeForQuote(quote, 0);
    const double p = quote.changePercent();
    const bool above = isAboveAverageLineForQuote(quote);
    if (c >= 1.0 && above)
        return u"主方向：开盘以来整体偏强，日内主导权仍在多方"_s;
    if (c <= -1.0 && !above)
        return u"主方向：开盘以来整体偏弱，修复前先以观察为主"_s;
    if (r >= 0.8 && above && p >= 0)
        return u"主方向：盘中主导权偏多，仍以偏强结构看待"_s;
    if (r >= 0.25 && above)
        return u"主方向：主方向略偏强，但不宜把短线修复当成单边趋势"_s;
    if (r <= -0.8 && !above)
        return u"主方向：盘中主方向偏弱，优先防守而非追价"_s;
    if (r <= -0.25 && !above)
        return u"主方向：主方向仍偏弱，先看修复能否成立"_s;
    if (above && p >= 0)
        return u"主方向：日内偏强震荡，关键看均价线支撑是否稳定"_s;
    return u"主方向：暂以震荡看待，先等关键位给出确认"_s;
}

QString IntradayAnalytics::volumePriceContextDescriptionForQuote(const Quote &quote) const
{
    // The bands of the 5-minute trend and volume sentences: 明显走强, 回落, 放量, 缩量.
    const std::optional<double> r = recentChange(quote, 5);
    const double v = recentVolumeRatioForQuote(quote, 5);
    const bool falling = r && *r <= -0.25;
    const bool heavier = v >= 1.15; // the unbounded ratio passes as well
    const bool lighter = v > 0 && v <= 0.9;
    if (r && *r >= 1.0 && heavier)
        return u"短线拉升伴随放量，走势更有延续观察价值"_s;
    if (falling && lighter)
        return u"回落阶段量能收敛，可重点观察承接是否稳定"_s;
    if (falling && heavier)
        return u"回落过程中量能放大，短线抛压需要额外留意"_s;
    return u"量价配合暂未出现特别强的单边信号"_s;
}

QString IntradayAnalytics::detailedVolumePriceDescriptionForQuote(const Quote &quote) const
{
    const double r5 = recentPercentChangeForQuote(quote, 5);
    const double r15 = recentPercentChangeForQuote(quote, 15);
    const double v = recentVolumeRatioForQuote(quote, 5);
    const bool heavy = isUnboundedRatio(v) || v >= 1.6;
    if (v < 0)
        return u"量价细节：分时量能暂不完整"_s;
    if (heavy && r5 >= 0.25)
        return u"量价细节：拉升放量，短线主动性增强"_s;
    if (heavy && r5 <= -0.25)
        return u"量价细节：放量回落，抛压释放较明显"_s;
    if (heavy)
        return u"量价细节：放量但价格未明显推进，存在分歧"_s;
    if (v > 0.75)
        return u"量价细节：量能变化不极端，主要看价格相对均价线和日内高低位"_s;
    if (r5 <= -0.25 || r15 <= -0.35)
        return u"量价细节：回落缩量，重点观察承接是否稳定"_s;
    if (std::fabs(r5) < 0.2)
        return u"量价细节：缩量横盘，等待方向选择"_s;
    return u"量价细节：量能收敛，走势延续性需要确认"_s;
}
