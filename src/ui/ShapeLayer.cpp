// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ShapeLayer.h"

#include <QGraphicsDropShadowEffect>
#include <QLineF>
#include <QPainter>

#include <algorithm>
#include <cmath>

ShapeLayer::ShapeLayer(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void ShapeLayer::setPath(const QPainterPath &path)
{
    m_path = path;
    update();
}

void ShapeLayer::setFillBrush(const QBrush &brush)
{
    m_fill = brush;
    update();
}

void ShapeLayer::setStrokeColor(const QColor &color)
{
    m_strokeColor = color;
    update();
}

void ShapeLayer::setLineWidth(qreal width)
{
    m_lineWidth = std::max<qreal>(width, 0);
    update();
}

void ShapeLayer::setDashPattern(const QVector<qreal> &pattern)
{
    m_dash = pattern;
    update();
}

void ShapeLayer::setRoundCapsAndJoins(bool round)
{
    m_round = round;
    update();
}

void ShapeLayer::setGlow(const QColor &color, qreal opacity, qreal radius, QPointF offsetUp)
{
    m_glowColor = color;
    m_glowOpacity = std::clamp<qreal>(opacity, 0, 1);
    m_glowRadius = radius;
    if (m_glowOpacity <= 0) {
        setGraphicsEffect(nullptr);
        return;
    }
    // An effect already there takes the new values: a layer updated in place keeps it.
    auto *effect = qobject_cast<QGraphicsDropShadowEffect *>(graphicsEffect());
    if (!effect)
        effect = new QGraphicsDropShadowEffect(this);
    QColor shadow = color;
    shadow.setAlphaF(static_cast<float>(m_glowOpacity));
    effect->setColor(shadow);
    effect->setBlurRadius(radius);
    effect->setOffset(offsetUp.x(), -offsetUp.y());
    if (graphicsEffect() != effect)
        setGraphicsEffect(effect);
}

void ShapeLayer::setOpacity(qreal opacity)
{
    const qreal clamped = std::clamp<qreal>(opacity, 0, 1);
    if (clamped == m_opacity)
        return;
    m_opacity = clamped;
    update();
}

void ShapeLayer::setStrokeEnd(qreal end)
{
    const qreal clamped = std::clamp<qreal>(end, 0, 1);
    if (clamped == m_strokeEnd)
        return;
    m_strokeEnd = clamped;
    update();
}

QPainterPath ShapeLayer::partialPath(const QPainterPath &path, qreal fraction)
{
    const QList<QPolygonF> polygons = path.toSubpathPolygons();
    qreal total = 0;
    for (const QPolygonF &polygon : polygons) {
        for (qsizetype i = 1; i < polygon.size(); ++i)
            total += QLineF(polygon.at(i - 1), polygon.at(i)).length();
    }
    QPainterPath result;
    if (!(fraction > 0) || polygons.isEmpty())
        return result;
    qreal remaining = total * std::min<qreal>(fraction, 1);
    for (const QPolygonF &polygon : polygons) {
        if (polygon.isEmpty())
            continue;
        result.moveTo(polygon.first());
        for (qsizetype i = 1; i < polygon.size(); ++i) {
            const QLineF segment(polygon.at(i - 1), polygon.at(i));
            const qreal length = segment.length();
            if (length >= remaining) {
                if (length > 0)
                    result.lineTo(segment.pointAt(remaining / length));
                return result;
            }
            result.lineTo(polygon.at(i));
            remaining -= length;
        }
    }
    return result;
}

void ShapeLayer::paintEvent(QPaintEvent *)
{
    if (m_opacity <= 0 || m_path.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(m_opacity);
    if (m_fill.style() != Qt::NoBrush)
        painter.fillPath(m_path, m_fill);
    if (!m_strokeColor.isValid() || m_lineWidth <= 0 || m_strokeEnd <= 0)
        return;
    QPen pen(m_strokeColor, m_lineWidth);
    pen.setCapStyle(m_round ? Qt::RoundCap : Qt::FlatCap);
    pen.setJoinStyle(m_round ? Qt::RoundJoin : Qt::MiterJoin);
    if (m_dash.size() >= 2) {
        // Qt measures dashes in line widths; the pattern is given in points.
        QVector<qreal> scaled;
        for (qreal length : m_dash)
            scaled.append(std::max<qreal>(length, 0.01) / m_lineWidth);
        if (scaled.size() % 2)
            scaled.append(scaled.last());
        pen.setDashPattern(scaled);
    }
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(m_strokeEnd >= 1 ? m_path : partialPath(m_path, m_strokeEnd));
}
