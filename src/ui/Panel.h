// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPointF>
#include <QWidget>

#include <optional>

class QGraphicsDropShadowEffect;
class QPainter;

// A rounded box: background, a border drawn inside its bounds, optionally a diagonal
// three-colour gradient in place of the background, optionally a soft shadow.
class Panel : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qreal cornerRadius READ cornerRadius WRITE setCornerRadius)
public:
    explicit Panel(QWidget *parent = nullptr);

    void setBackgroundColor(const QColor &color);
    QColor backgroundColor() const { return m_background; }
    void setBorderColor(const QColor &color);
    QColor borderColor() const { return m_border; }
    void setBorderWidth(qreal width);
    qreal borderWidth() const { return m_borderWidth; }
    void setCornerRadius(qreal radius);
    qreal cornerRadius() const { return m_radius; }

    // Top-left -> middle -> bottom-right, filling the bounds with the panel's radius; the
    // background colour is then not drawn.
    struct Gradient
    {
        QColor start;
        QColor middle;
        QColor end;
    };
    void setDiagonalGradient(const Gradient &gradient);
    std::optional<Gradient> diagonalGradient() const { return m_gradient; }

    // A shadow of `color` at `opacity`, blurred by `radius`, moved by `offsetUp` (y up).
    void setShadow(const QColor &color, qreal opacity, qreal radius, QPointF offsetUp);
    void clearShadow();
    qreal shadowOpacity() const { return m_shadowOpacity; }
    qreal shadowRadius() const { return m_shadowRadius; }

    // The one drawing of a rounded box, shared with the buttons.
    static void paintBox(QPainter &painter, const QRectF &bounds, const QColor &background,
                         const QColor &border, qreal borderWidth, qreal radius,
                         const std::optional<Gradient> &gradient = std::nullopt);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_background = Qt::transparent;
    QColor m_border = Qt::transparent;
    qreal m_borderWidth = 1;
    qreal m_radius = 0;
    std::optional<Gradient> m_gradient;
    qreal m_shadowOpacity = 0;
    qreal m_shadowRadius = 0;
};
