// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/IntradayChartView.h"

#include "presentation/Palette.h"
#include "ui/Frames.h"
#include "ui/Label.h"
#include "ui/ShapeLayer.h"
#include "ui/Toolkit.h"

#include <QLinearGradient>
#include <QPainterPath>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

// The points of a polyline through the samples; unreadable prices are left out and a price
// without a position sits at the open.
QVector<QPointF> plotPoints(const QVector<double> &values, const QVector<double> &positions,
                            const IntradayChartLayout::Scale &scale)
{
    QVector<QPointF> points;
    points.reserve(values.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (!std::isfinite(values.at(i)))
            continue;
        const double position = i < positions.size() ? positions.at(i) : 0;
        points.append(QPointF(scale.x(position), scale.y(values.at(i))));
    }
    return points;
}

QPainterPath polyline(const QVector<QPointF> &points)
{
    QPainterPath path;
    if (points.isEmpty())
        return path;
    path.moveTo(points.first());
    for (qsizetype i = 1; i < points.size(); ++i)
        path.lineTo(points.at(i));
    return path;
}

} // namespace

IntradayChartView::IntradayChartView(QWidget *parent, const QRectF &frame,
                                     const IntradayChartSeries &series)
    : QWidget(parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setSeries(series, frame);
    show();
}

void IntradayChartView::setSeries(const IntradayChartSeries &series, const QRectF &frame)
{
    // The layers are few and each follows the whole series, so they are made again.
    qDeleteAll(findChildren<QWidget *>(Qt::FindDirectChildrenOnly));
    m_series = series;
    m_animated = false;
    Frames::place(this, frame);
    m_state = IntradayChartLayout::stateForSeries(m_series);
    const std::optional<IntradayChartLayout::Scale> scale =
        IntradayChartLayout::scaleForSeries(m_series, size());
    if (m_state == IntradayChartState::Full && scale)
        buildChart(*scale);
    else
        buildPlaceholder(IntradayChartLayout::placeholderTextForState(m_state));
}

void IntradayChartView::buildPlaceholder(const QString &text)
{
    Label *label = Toolkit::label(this, QRectF(0, 15, width(), 16), text, 11, FontWeight::Medium,
                                  Palette::subtleText, Qt::AlignHCenter);
    label->setObjectName(u"placeholder"_s);
}

void IntradayChartView::buildChart(const IntradayChartLayout::Scale &scale)
{
    const double H = height();
    const QTransform flip = Frames::flipTransform(H);
    const QColor accent = m_series.accent.isValid() ? m_series.accent : QColor(Qt::white);
    auto addLayer = [this](const QString &name) {
        auto *layer = new ShapeLayer(this);
        layer->setObjectName(name);
        layer->setGeometry(rect());
        layer->show();
        return layer;
    };
    const double bottom = IntradayChartLayout::kBottomMargin;

    // 1. Midday divider.
    if (m_series.hasMiddayBreak()) {
        ShapeLayer *divider = addLayer(u"middayDivider"_s);
        QPainterPath bar;
        bar.addRect(
            Frames::flip(QRectF(scale.x(m_series.midPosition), bottom, 1, scale.plotHeight), H));
        divider->setPath(bar);
        divider->setFillBrush(Palette::chartDivider);
        divider->setOpacity(0.42);
    }

    // 3. Previous-close baseline, where there is a previous close.
    if (m_series.previousClose > 0) {
        const double baseY = scale.y(m_series.previousClose);
        ShapeLayer *baseline = addLayer(u"baseline"_s);
        QPainterPath basePath;
        basePath.moveTo(flip.map(QPointF(0, baseY)));
        basePath.lineTo(
            flip.map(QPointF(scale.plotWidth + IntradayChartLayout::kLeftMargin, baseY)));
        baseline->setPath(basePath);
        baseline->setStrokeColor(Palette::chartBaseline);
        baseline->setLineWidth(1.2);
        baseline->setDashPattern({4, 4});
        baseline->setOpacity(0.95);
    }

    const QVector<QPointF> points = plotPoints(m_series.prices, m_series.positions, scale);
    const QPainterPath pricePath = flip.map(polyline(points));

    // 4. Area fill: a vertical wash of the accent under the price line.
    ShapeLayer *area = addLayer(u"areaFill"_s);
    QPainterPath areaPath;
    if (!points.isEmpty()) {
        areaPath.moveTo(points.first().x(), bottom);
        for (const QPointF &point : points)
            areaPath.lineTo(point);
        areaPath.lineTo(points.last().x(), bottom);
        areaPath.closeSubpath();
    }
    area->setPath(flip.map(areaPath));
    QLinearGradient wash(0, H, 0, 0);
    wash.setColorAt(0, withAlpha(accent, 0.30));
    wash.setColorAt(0.5, withAlpha(accent, 0.10));
    wash.setColorAt(1, withAlpha(accent, 0));
    area->setFillBrush(wash);
    area->setOpacity(0.88);

    // 5. Average line.
    ShapeLayer *averageLine = nullptr;
    if (m_series.averages.size() == m_series.prices.size() && m_series.averages.size() >= 2) {
        averageLine = addLayer(u"averageLine"_s);
        averageLine->setPath(
            flip.map(polyline(plotPoints(m_series.averages, m_series.positions, scale))));
        averageLine->setStrokeColor(Palette::chartAverage);
        averageLine->setLineWidth(1.1);
        averageLine->setDashPattern({3, 3});
        averageLine->setOpacity(0.88);
    }

    // 6-7. Glow and price line.
    ShapeLayer *glow = addLayer(u"glow"_s);
    glow->setPath(pricePath);
    glow->setStrokeColor(accent);
    glow->setLineWidth(4);
    glow->setRoundCapsAndJoins(true);
    glow->setOpacity(0.16);

    ShapeLayer *line = addLayer(u"priceLine"_s);
    line->setPath(pricePath);
    line->setStrokeColor(accent);
    line->setLineWidth(1.8);
    line->setRoundCapsAndJoins(true);

    // 8. Latest-point marker.
    const QPointF last = points.isEmpty() ? QPointF(scale.x(0), bottom) : points.last();
    ShapeLayer *halo = addLayer(u"halo"_s);
    QPainterPath haloPath;
    haloPath.addRoundedRect(Frames::flip(QRectF(last.x() - 4, last.y() - 4, 9, 9), H), 4.5, 4.5);
    halo->setPath(haloPath);
    halo->setFillBrush(withAlpha(accent, 0.2));
    halo->setGlow(accent, 0.45, 7);

    ShapeLayer *dot = addLayer(u"dot"_s);
    QPainterPath dotPath;
    // The 1-pt border lies inside the dot's 6 x 6 frame.
    dotPath.addRoundedRect(Frames::flip(QRectF(last.x() - 2.5, last.y() - 2.5, 6, 6), H)
                               .adjusted(0.5, 0.5, -0.5, -0.5),
                           2.5, 2.5);
    dot->setPath(dotPath);
    dot->setFillBrush(accent);
    dot->setStrokeColor(Palette::chartDotRing);
    dot->setLineWidth(1);

    // 2. Axis labels, drawn over the lines on a backing of the well's colour: the baseline
    // runs across the label column and must not strike the figures through.
    static const char *const kLabelNames[6] = {"axisPriceHigh",   "axisPriceBase",
                                               "axisPriceLow",    "axisPercentHigh",
                                               "axisPercentBase", "axisPercentLow"};
    const QVector<IntradayChartLayout::AxisLabel> labels =
        IntradayChartLayout::axisLabels(m_series, scale, size());
    for (qsizetype i = 0; i < labels.size(); ++i) {
        const auto &axis = labels.at(i);
        Label *label = Toolkit::label(this, axis.frame, axis.text, 9, FontWeight::Medium,
                                      Toolkit::hex(axis.colorHex), axis.alignment);
        label->setObjectName(QString::fromLatin1(kLabelNames[i % 6]));
        // An index's six-digit price is set a little smaller rather than cut.
        label->setFont(Typography::systemFont(
            Typography::fittingFontSize(9, 7, axis.frame.width(),
                                        [&axis](qreal size) {
                                            return Typography::textWidth(
                                                axis.text,
                                                Typography::systemFont(size, FontWeight::Medium));
                                        }),
            FontWeight::Medium));
        label->setBacking(Palette::chartWell);
    }

    if (!m_series.shouldAnimate)
        return;
    Toolkit::animateLayerOpacity(area, 0, 0.88, 0.58, 0.12);
    if (averageLine)
        Toolkit::animateStrokeLayer(averageLine, 0.88, 0.16);
    Toolkit::animateStrokeLayer(glow, 1.02, 0.04);
    Toolkit::animateStrokeLayer(line, 1.02, 0.04);
    Toolkit::animateViewOpacity(halo, 0, 1, 0.34, 0.92);
    Toolkit::animateViewOpacity(dot, 0, 1, 0.30, 0.96);
    m_animated = true;
}
