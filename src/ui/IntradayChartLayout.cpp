// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/IntradayChartLayout.h"

#include "model/Formatters.h"
#include "presentation/Palette.h"
#include "ui/TextView.h"
#include "ui/Typography.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

double finiteOr(double value, double fallback)
{
    return std::isfinite(value) ? value : fallback;
}

double percentAgainst(double value, double previousClose)
{
    return previousClose > 0 ? (value - previousClose) / previousClose * 100 : 0;
}

} // namespace

double IntradayChartLayout::Scale::x(double position) const
{
    if (!(maxPosition > 0))
        return kLeftMargin;
    const double clamped = std::clamp(finiteOr(position, 0), 0.0, maxPosition);
    return kLeftMargin + std::floor(plotWidth * clamped / maxPosition);
}

double IntradayChartLayout::Scale::y(double price) const
{
    if (!(hi > lo))
        return kBottomMargin;
    const double clamped = std::clamp(finiteOr(price, lo), lo, hi);
    return kBottomMargin + std::floor(plotHeight * (clamped - lo) / (hi - lo));
}

std::optional<IntradayChartLayout::Scale>
IntradayChartLayout::scaleForSeries(const IntradayChartSeries &series, const QSizeF &size)
{
    // Unreadable samples take no part in the range.
    std::optional<double> lo;
    std::optional<double> hi;
    auto include = [&](double value) {
        if (!std::isfinite(value))
            return;
        lo = lo ? std::min(*lo, value) : value;
        hi = hi ? std::max(*hi, value) : value;
    };
    for (double price : series.prices)
        include(price);
    if (series.previousClose > 0)
        include(series.previousClose);
    if (!lo || !hi || !(*hi > *lo))
        return std::nullopt;
    const double margin = (*hi - *lo) * 0.12;
    Scale scale;
    scale.lo = *lo - margin;
    scale.hi = *hi + margin;
    scale.plotWidth = size.width() - kLeftMargin - kRightMargin;
    scale.plotHeight = size.height() - kBottomMargin - kTopMargin;
    scale.maxPosition = series.maxPosition;
    return scale;
}

IntradayChartState IntradayChartLayout::stateForSeries(const IntradayChartSeries &series)
{
    if (!series.isReal)
        return IntradayChartState::Loading;
    if (series.prices.size() < 2)
        return IntradayChartState::Collecting;
    if (!scaleForSeries(series, QSizeF(0, 0)))
        return IntradayChartState::Flat;
    return IntradayChartState::Full;
}

QString IntradayChartLayout::placeholderTextForState(IntradayChartState state)
{
    switch (state) {
    case IntradayChartState::Loading:
        return u"加载分时..."_s;
    case IntradayChartState::Collecting:
        return u"采集中"_s;
    case IntradayChartState::Flat:
        return u"波动不足"_s;
    case IntradayChartState::Full:
        break;
    }
    return QString();
}

QVector<double> IntradayChartLayout::axisLabelOriginsForCenters(const QVector<double> &centers,
                                                                double labelHeight, double minGap,
                                                                double minY, double maxY)
{
    if (centers.isEmpty())
        return {};
    const double top = std::max(maxY - labelHeight, minY);
    QVector<double> origins;
    origins.reserve(centers.size());
    for (double center : centers)
        origins.append(std::min(top, std::max(center - labelHeight / 2, minY)));
    const qsizetype n = origins.size();
    auto downward = [&] {
        for (qsizetype i = 1; i < n; ++i)
            origins[i] =
                std::max(std::min(origins[i], origins[i - 1] - labelHeight - minGap), minY);
    };
    downward();
    for (qsizetype i = n - 1; i >= 1; --i)
        origins[i - 1] = std::min(top, std::max(origins[i - 1], origins[i] + labelHeight + minGap));
    downward();
    return origins;
}

QVector<IntradayChartLayout::AxisLabel>
IntradayChartLayout::axisLabels(const IntradayChartSeries &series, const Scale &scale,
                                const QSizeF &size)
{
    const double w = size.width();
    const double h = size.height();
    const double previousClose = series.previousClose;
    // Without a previous close (a stock with no quote yet) the middle row sits halfway and
    // reads "--", as do the percentages: no made-up 0.00.
    const bool hasClose = previousClose > 0;
    const double middle = hasClose ? scale.y(previousClose) : scale.y((scale.hi + scale.lo) / 2);
    const QVector<double> origins =
        axisLabelOriginsForCenters({h - kTopMargin, middle, kBottomMargin}, 13, 3, 1, h - 1);
    const double fallbacks[3] = {h - 20, middle - 7, 12};
    const QString colors[3] = {Palette::hex(Palette::riseLight),
                               Palette::hex(Palette::chartAxisMiddle),
                               Palette::hex(Palette::fallLight)};
    const QString none = u"--"_s;
    const QString prices[3] = {formatPrice(scale.hi), hasClose ? formatPrice(previousClose) : none,
                               formatPrice(scale.lo)};
    const QString percents[3] = {
        hasClose ? formatPercent(percentAgainst(scale.hi, previousClose)) : none,
        hasClose ? formatPercent(0) : none,
        hasClose ? formatPercent(percentAgainst(scale.lo, previousClose)) : none};
    QVector<AxisLabel> labels;
    for (int i = 0; i < 3; ++i) {
        const double y = i < origins.size() ? origins.at(i) : fallbacks[i];
        labels.append({QRectF(0, y, 38, 13), prices[i], colors[i], Qt::AlignLeft});
    }
    for (int i = 0; i < 3; ++i) {
        const double y = i < origins.size() ? origins.at(i) : fallbacks[i];
        labels.append({QRectF(w - 44, y, 44, 13), percents[i], colors[i], Qt::AlignRight});
    }
    return labels;
}

qint64 IntradayChartLayout::nearestIndexForPoint(const IntradayChartSeries &series, double x,
                                                 double viewWidth)
{
    const double plotWidth = viewWidth - kLeftMargin - kRightMargin;
    if (series.prices.isEmpty() || series.positions.isEmpty() || !(plotWidth > 0) ||
        !std::isfinite(x))
        return kNotFound;
    const double maxPosition = std::max(series.maxPosition, 0.0);
    const double target = std::clamp((x - kLeftMargin) / plotWidth * maxPosition, 0.0, maxPosition);
    const qsizetype count = std::min(series.prices.size(), series.positions.size());
    qint64 best = kNotFound;
    double bestDistance = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const double distance = std::fabs(series.positions.at(i) - target);
        if (!std::isfinite(distance))
            continue;
        if (best == kNotFound || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

QString IntradayChartLayout::timeTextForPosition(const IntradayChartSeries &series, double position)
{
    const double p = std::clamp(finiteOr(position, 0), 0.0, std::max(series.maxPosition, 0.0));
    long long seconds = std::llround(p) + 34200;
    if (series.hasMiddayBreak()) {
        const long long midday = std::llround(series.midPosition);
        if (p > static_cast<double>(midday))
            seconds = std::llround(p - static_cast<double>(midday)) + 46800;
    }
    const QChar zero(u'0');
    return u"%1:%2"_s.arg(qlonglong(seconds / 3600), 2, 10, zero)
        .arg(qlonglong((seconds % 3600) / 60), 2, 10, zero);
}

QString IntradayChartLayout::hoverReadoutText(const IntradayChartSeries &series, qint64 index)
{
    if (index < 0 || index >= series.prices.size() || index >= series.positions.size())
        return QString();
    const double price = series.prices.at(index);
    const double average = index < series.averages.size() ? series.averages.at(index) : 0;
    const double volume = index < series.volumes.size() ? series.volumes.at(index) : 0;
    const QString averageText = average > 0 ? formatFixed(average, 2) : u"--"_s;
    const QString volumeText = volume > 0 ? formatCompactNumber(volume) : u"--"_s;
    return timeTextForPosition(series, series.positions.at(index)) + u"  价 "_s +
           formatFixed(price, 2) + u"  "_s +
           (series.previousClose > 0 ? formatPercent(percentAgainst(price, series.previousClose))
                                     : u"--"_s) +
           u"\n均价 "_s + averageText + u"  量 "_s + volumeText;
}

QPointF IntradayChartLayout::hoverBoxOrigin(const QPointF &point, const QSizeF &box,
                                            const QSizeF &view)
{
    const double x = std::min(std::max(point.x() + 12, 8.0), view.width() - box.width() - 8);
    double y = point.y() + 12;
    if (point.y() + box.height() + 14 >= view.height())
        y = point.y() - box.height() - 12;
    y = std::min(std::max(y, 8.0), view.height() - box.height() - 8);
    return QPointF(x, y);
}

std::optional<IntradayChartLayout::HoverDrawing>
IntradayChartLayout::hoverDrawing(const IntradayChartSeries &series, qint64 index,
                                  const QSizeF &size)
{
    const qsizetype count = std::min(series.prices.size(), series.positions.size());
    if (index < 0 || index >= count)
        return std::nullopt;
    const std::optional<Scale> scale = scaleForSeries(series, size);
    if (!scale)
        return std::nullopt;
    HoverDrawing drawing;
    drawing.point =
        QPointF(scale->x(series.positions.at(index)), scale->y(series.prices.at(index)));
    drawing.text = hoverReadoutText(series, index);
    drawing.textSize = TextView::layoutSize(
        drawing.text, Typography::monospacedDigitFont(10, FontWeight::Medium), 240, 3);
    const QSizeF box(std::ceil(drawing.textSize.width()) + 18,
                     std::ceil(drawing.textSize.height()) + 14);
    drawing.box = QRectF(hoverBoxOrigin(drawing.point, box, size), box);
    return drawing;
}
