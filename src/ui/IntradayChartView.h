// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "presentation/IntradayChartSeries.h"
#include "ui/IntradayChartLayout.h"

#include <QRectF>
#include <QWidget>

// One stock's trading day: previous-close baseline, midday divider, price and percent labels,
// a soft area under the price line, the dashed average line, the price line with its glow and
// a marker on the latest point. Built once at its final size from a prepared series; a page
// that was just opened draws it in with a short entrance animation.
class IntradayChartView : public QWidget
{
    Q_OBJECT
public:
    IntradayChartView(QWidget *parent, const QRectF &frame, const IntradayChartSeries &series);

    // Draws `series` at `frame` (y up in the parent) in place of what the chart showed.
    void setSeries(const IntradayChartSeries &series, const QRectF &frame);

    const IntradayChartSeries &series() const { return m_series; }
    IntradayChartState state() const { return m_state; }
    bool hasStartedEntranceAnimation() const { return m_animated; }

private:
    void buildPlaceholder(const QString &text);
    void buildChart(const IntradayChartLayout::Scale &scale);

    IntradayChartSeries m_series;
    IntradayChartState m_state = IntradayChartState::Loading;
    bool m_animated = false;
};
