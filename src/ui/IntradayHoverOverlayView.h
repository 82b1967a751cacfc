// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "presentation/IntradayChartSeries.h"
#include "ui/IntradayChartLayout.h"

#include <QColor>
#include <QRectF>
#include <QWidget>

// Lies exactly on an intraday chart and, while the pointer is over it, marks the minute under
// the pointer with a crosshair and a two-line read-out (time, price, change, average price,
// volume). Transparent everywhere else.
class IntradayHoverOverlayView : public QWidget
{
    Q_OBJECT
public:
    // `frame` is the chart's frame; the series is the chart's, volumes included.
    IntradayHoverOverlayView(QWidget *parent, const QRectF &frame,
                             const IntradayChartSeries &series);

    // A new series for the chart below, at its `frame`; a crosshair stays on the pointer.
    void setSeries(const IntradayChartSeries &series, const QRectF &frame);

    const IntradayChartSeries &series() const { return m_series; }
    QVector<double> samples() const { return m_series.prices; }
    QVector<double> positions() const { return m_series.positions; }
    QVector<double> averages() const { return m_series.averages; }
    QVector<double> volumes() const { return m_series.volumes; }
    QString symbol() const { return m_series.symbol; }
    double previousClose() const { return m_series.previousClose; }
    // The series' accent, or a soft green when it has none.
    QColor accentColor() const;

    bool isHovering() const { return m_hovering; }
    // IntradayChartLayout::kNotFound while not hovering.
    qint64 hoverIndex() const { return m_hoverIndex; }

    // The pointer at `point` (Qt coordinates of this view).
    void updateHoverForPoint(const QPointF &point);
    void endHover();

protected:
    void enterEvent(QEnterEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    IntradayChartSeries m_series;
    bool m_hovering = false;
    QPointF m_hoverPoint;
    qint64 m_hoverIndex = IntradayChartLayout::kNotFound;
};
