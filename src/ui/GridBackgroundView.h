// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/FlippedView.h"

#include <QPointF>

// The faint square grid behind every surface: lines every 24 pt (every fourth one stronger),
// faintest at the top, with a soft round spot of light that follows the pointer anywhere over
// the view, children included. It lies below its siblings and never takes a click.
class GridBackgroundView : public FlippedView
{
    Q_OBJECT
public:
    explicit GridBackgroundView(QWidget *parent = nullptr);
    ~GridBackgroundView() override;

    // Keeps the lines inside a rounded outline of the view (a surface with round corners).
    void setClipRadius(qreal radius);

    bool isHovering() const { return m_hovering; }
    QPointF hoverPoint() const { return m_hoverPoint; }
    // Pointer tracking, also callable directly; `point` is in this view's coordinates.
    void setHoverPoint(const QPointF &point);
    void clearHover();

    // Pure parts of the drawing.
    static qreal baseOpacityAtY(qreal y, qreal height);
    static qreal hoverOpacityForLinePoint(const QPointF &linePoint, bool hovering,
                                          const QPointF &hoverPoint);
    static constexpr qreal kSpacing = 24;
    static constexpr qreal kMajorSpacing = 96;
    static constexpr qreal kSegment = 8;
    static constexpr qreal kHoverRadius = 200;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QRect hoverBounds(const QPointF &point) const;

    bool m_hovering = false;
    QPointF m_hoverPoint;
    qreal m_clipRadius = 0;
};
