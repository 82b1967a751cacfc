// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/IntradayHoverOverlayView.h"

#include "presentation/Palette.h"
#include "ui/Frames.h"
#include "ui/TextView.h"
#include "ui/Typography.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

IntradayHoverOverlayView::IntradayHoverOverlayView(QWidget *parent, const QRectF &frame,
                                                   const IntradayChartSeries &series)
    : QWidget(parent)
    , m_series(series)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    Frames::place(this, frame);
    show();
}

void IntradayHoverOverlayView::setSeries(const IntradayChartSeries &series, const QRectF &frame)
{
    m_series = series;
    Frames::place(this, frame);
    if (m_hovering)
        updateHoverForPoint(m_hoverPoint);
    else
        update();
}

QColor IntradayHoverOverlayView::accentColor() const
{
    return m_series.accent.isValid() ? m_series.accent : Palette::hoverAccentFallback;
}

void IntradayHoverOverlayView::updateHoverForPoint(const QPointF &point)
{
    m_hovering = true;
    m_hoverPoint = point;
    m_hoverIndex = IntradayChartLayout::nearestIndexForPoint(m_series, point.x(), width());
    update();
}

void IntradayHoverOverlayView::endHover()
{
    m_hovering = false;
    m_hoverIndex = IntradayChartLayout::kNotFound;
    update();
}

void IntradayHoverOverlayView::enterEvent(QEnterEvent *event)
{
    updateHoverForPoint(event->position());
}

void IntradayHoverOverlayView::mouseMoveEvent(QMouseEvent *event)
{
    updateHoverForPoint(event->position());
}

void IntradayHoverOverlayView::leaveEvent(QEvent *)
{
    endHover();
}

void IntradayHoverOverlayView::paintEvent(QPaintEvent *)
{
    if (!m_hovering)
        return;
    const auto drawing = IntradayChartLayout::hoverDrawing(m_series, m_hoverIndex, size());
    if (!drawing)
        return;
    const double H = height();
    const QColor accent = accentColor();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    // Crosshair from the bottom of the plot to its top.
    QColor crosshair = accent;
    crosshair.setAlphaF(0.45f);
    const double plotHeight =
        H - IntradayChartLayout::kBottomMargin - IntradayChartLayout::kTopMargin;
    const double x = drawing->point.x() + 0.5;
    painter.setPen(QPen(crosshair, 1, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(
        Frames::flipPoint(QPointF(x, IntradayChartLayout::kBottomMargin), H),
        Frames::flipPoint(QPointF(x, IntradayChartLayout::kBottomMargin + plotHeight), H));

    const QPointF point = Frames::flipPoint(drawing->point, H);
    QColor halo = accent;
    halo.setAlphaF(0.18f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(halo);
    painter.drawEllipse(point, 5.0, 5.0);
    painter.setBrush(accent);
    painter.drawEllipse(point, 2.5, 2.5);

    const QRectF box = Frames::flip(drawing->box, H);
    painter.setBrush(Palette::hoverBubble);
    painter.setPen(QPen(Palette::hoverBubbleBorder, 1));
    painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);

    QColor text = Qt::white;
    text.setAlphaF(0.92f);
    TextView::paintText(
        painter, QRectF(box.left() + 9, box.top() + 7, 240, drawing->textSize.height() + 1),
        drawing->text, Typography::monospacedDigitFont(10, FontWeight::Medium), text, 3);
}
