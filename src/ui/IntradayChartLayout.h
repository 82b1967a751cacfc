// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "presentation/IntradayChartSeries.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVector>

#include <limits>
#include <optional>

enum class IntradayChartState
{
    Loading,    // no fetched series yet: "加载分时..."
    Collecting, // fewer than two prices: "采集中"
    Flat,       // no price range, previous close included: "波动不足"
    Full
};

// The geometry and texts of an intraday chart and its hover read-out, as pure functions of a
// prepared series and the view size. Coordinates are y-up inside the chart view.
class IntradayChartLayout
{
public:
    IntradayChartLayout() = delete;

    static constexpr double kLeftMargin = 42;
    static constexpr double kRightMargin = 48;
    static constexpr double kBottomMargin = 19;
    static constexpr double kTopMargin = 13;
    static constexpr qint64 kNotFound = std::numeric_limits<qint64>::max();

    struct Scale
    {
        double lo = 0; // the widened range the plot spans
        double hi = 0;
        double plotWidth = 0;
        double plotHeight = 0;
        double maxPosition = 0;

        double x(double position) const;
        double y(double price) const;
    };
    // The plot's scales, or none when the range is flat.
    static std::optional<Scale> scaleForSeries(const IntradayChartSeries &series,
                                               const QSizeF &size);

    static IntradayChartState stateForSeries(const IntradayChartSeries &series);
    // The centred text of the states without a chart; empty for the full chart.
    static QString placeholderTextForState(IntradayChartState state);

    // Bottom y of labels centred as near as possible to `centers` (top label first), kept
    // inside [minY, maxY] and at least `minGap` apart while there is room; otherwise the
    // bottom bound wins.
    static QVector<double> axisLabelOriginsForCenters(const QVector<double> &centers,
                                                      double labelHeight, double minGap,
                                                      double minY, double maxY);

    struct AxisLabel
    {
        QRectF frame;
        QString text;
        QString colorHex;
        Qt::Alignment alignment;
    };
    // Prices on the left and percents on the right, for the top of the range, the previous
    // close and the bottom, in that order (left column first).
    static QVector<AxisLabel> axisLabels(const IntradayChartSeries &series, const Scale &scale,
                                         const QSizeF &size);

    // The sample nearest the pointer's x, or kNotFound.
    static qint64 nearestIndexForPoint(const IntradayChartSeries &series, double x,
                                       double viewWidth);
    // Wall-clock "HH:MM" of a trading position of the series' market.
    static QString timeTextForPosition(const IntradayChartSeries &series, double position);
    // The two-line read-out for a sample.
    static QString hoverReadoutText(const IntradayChartSeries &series, qint64 index);
    // Bottom-left of the read-out box near `point`, kept inside the view.
    static QPointF hoverBoxOrigin(const QPointF &point, const QSizeF &box, const QSizeF &view);

    struct HoverDrawing
    {
        QPointF point; // the hovered sample
        QString text;
        QSizeF textSize;
        QRectF box;
    };
    // What the overlay draws for a hovered index, or none when nothing is drawn.
    static std::optional<HoverDrawing> hoverDrawing(const IntradayChartSeries &series, qint64 index,
                                                    const QSizeF &size);
};
