// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QObject>

#include <functional>

class QGraphicsDropShadowEffect;
class QVariantAnimation;
class QWidget;

// The hover look shared by HoverButton and HoverPanel: on pointer entry and exit, background,
// border and a drop shadow move together to their hovered or normal values over 0.2 s with
// ease-out timing.
class HoverStyle : public QObject
{
    Q_OBJECT
public:
    using ApplyColors = std::function<void(const QColor &background, const QColor &border)>;

    // `hoverShadowOpacity`/`hoverShadowRadius` describe the raised look; the shadow falls
    // 2 pt below the element.
    HoverStyle(QWidget *host, qreal hoverShadowOpacity, qreal hoverShadowRadius, ApplyColors apply);

    void setNormalColors(const QColor &background, const QColor &border);
    void setHoverColors(const QColor &background, const QColor &border);
    QColor normalBackgroundColor() const { return m_normalBackground; }
    QColor normalBorderColor() const { return m_normalBorder; }
    QColor hoverBackgroundColor() const { return m_hoverBackground; }
    QColor hoverBorderColor() const { return m_hoverBorder; }
    void setShadowColor(const QColor &color);

    void applyHoverState(bool hovered);
    qreal shadowOpacity() const { return m_shadowOpacity; }
    qreal shadowRadius() const { return m_shadowRadius; }

    static QColor mix(const QColor &from, const QColor &to, qreal t);

private:
    struct Look
    {
        QColor background;
        QColor border;
        qreal shadowOpacity = 0;
        qreal shadowRadius = 0;
    };
    Look targetLook(bool hovered) const;
    void show(const Look &look);

    QWidget *m_host;
    qreal m_hoverShadowOpacity;
    qreal m_hoverShadowRadius;
    ApplyColors m_apply;
    QColor m_normalBackground = Qt::transparent;
    QColor m_normalBorder = Qt::transparent;
    QColor m_hoverBackground = Qt::transparent;
    QColor m_hoverBorder = Qt::transparent;
    QColor m_shadowColor = Qt::black;
    bool m_hovered = false;
    Look m_current;
    Look m_from;
    Look m_to;
    qreal m_shadowOpacity = 0;
    qreal m_shadowRadius = 0;
    QVariantAnimation *m_animation = nullptr;
    QGraphicsDropShadowEffect *m_shadow = nullptr;
};
