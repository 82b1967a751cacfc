// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QBrush>
#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QVector>
#include <QWidget>

// One drawn shape on top of its parent: a path filled and/or stroked, with its own opacity,
// an optional glow, and a stroke that can be drawn partially (from the path's start to
// `strokeEnd` of its length) so a line can draw itself in. It never takes the pointer.
class ShapeLayer : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qreal opacity READ opacity WRITE setOpacity)
    Q_PROPERTY(qreal strokeEnd READ strokeEnd WRITE setStrokeEnd)
public:
    explicit ShapeLayer(QWidget *parent = nullptr);

    // In the layer's own Qt coordinates (y down).
    void setPath(const QPainterPath &path);
    QPainterPath path() const { return m_path; }

    void setFillBrush(const QBrush &brush);
    QBrush fillBrush() const { return m_fill; }
    void setStrokeColor(const QColor &color);
    QColor strokeColor() const { return m_strokeColor; }
    void setLineWidth(qreal width);
    qreal lineWidth() const { return m_lineWidth; }
    // Alternating on/off lengths in points, starting at the path's start.
    void setDashPattern(const QVector<qreal> &pattern);
    // Butt caps and miter joins unless told otherwise.
    void setRoundCapsAndJoins(bool round);

    // A soft shadow of the drawn shape in `color` at `opacity`, blurred by `radius`;
    // `offsetUp` follows the y-up convention of frames.
    void setGlow(const QColor &color, qreal opacity, qreal radius, QPointF offsetUp = {});

    qreal opacity() const { return m_opacity; }
    void setOpacity(qreal opacity);
    qreal strokeEnd() const { return m_strokeEnd; }
    void setStrokeEnd(qreal end);

    // The first `fraction` of a path's length as an open polyline (curves flattened).
    static QPainterPath partialPath(const QPainterPath &path, qreal fraction);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPainterPath m_path;
    QBrush m_fill = Qt::NoBrush;
    QColor m_strokeColor;
    qreal m_lineWidth = 1;
    QVector<qreal> m_dash;
    bool m_round = false;
    QColor m_glowColor;
    qreal m_glowOpacity = 0;
    qreal m_glowRadius = 0;
    qreal m_opacity = 1;
    qreal m_strokeEnd = 1;
};
