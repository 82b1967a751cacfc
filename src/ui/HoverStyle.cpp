// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/HoverStyle.h"

#include "ui/Toolkit.h"

#include <QGraphicsDropShadowEffect>
#include <QVariantAnimation>
#include <QWidget>

HoverStyle::HoverStyle(QWidget *host, qreal hoverShadowOpacity, qreal hoverShadowRadius,
                       ApplyColors apply)
    : QObject(host)
    , m_host(host)
    , m_hoverShadowOpacity(hoverShadowOpacity)
    , m_hoverShadowRadius(hoverShadowRadius)
    , m_apply(std::move(apply))
{
    m_current = targetLook(false);
}

QColor HoverStyle::mix(const QColor &from, const QColor &to, qreal t)
{
    const QColor a = from.toRgb();
    const QColor b = to.toRgb();
    auto lerp = [t](float x, float y) {
        return x + (y - x) * static_cast<float>(t);
    };
    return QColor::fromRgbF(lerp(a.redF(), b.redF()), lerp(a.greenF(), b.greenF()),
                            lerp(a.blueF(), b.blueF()), lerp(a.alphaF(), b.alphaF()));
}

void HoverStyle::setNormalColors(const QColor &background, const QColor &border)
{
    m_normalBackground = background;
    m_normalBorder = border;
    if (!m_hovered && !(m_animation && m_animation->state() == QAbstractAnimation::Running))
        show(targetLook(false));
}

void HoverStyle::setHoverColors(const QColor &background, const QColor &border)
{
    m_hoverBackground = background;
    m_hoverBorder = border;
    if (m_hovered && !(m_animation && m_animation->state() == QAbstractAnimation::Running))
        show(targetLook(true));
}

void HoverStyle::setShadowColor(const QColor &color)
{
    m_shadowColor = color;
    show(m_current);
}

HoverStyle::Look HoverStyle::targetLook(bool hovered) const
{
    if (hovered)
        return {m_hoverBackground, m_hoverBorder, m_hoverShadowOpacity, m_hoverShadowRadius};
    return {m_normalBackground, m_normalBorder, 0, 0};
}

void HoverStyle::show(const Look &look)
{
    m_current = look;
    m_shadowOpacity = look.shadowOpacity;
    m_shadowRadius = look.shadowRadius;
    if (m_apply)
        m_apply(look.background, look.border);
    if (look.shadowOpacity > 0.001) {
        if (!m_shadow) {
            m_shadow = new QGraphicsDropShadowEffect(m_host);
            m_shadow->setOffset(0, 2);
            m_host->setGraphicsEffect(m_shadow);
        }
        QColor color = m_shadowColor;
        color.setAlphaF(static_cast<float>(look.shadowOpacity));
        m_shadow->setColor(color);
        m_shadow->setBlurRadius(look.shadowRadius);
    } else if (m_shadow) {
        // No shadow at rest: an idle effect would still redirect every paint.
        m_host->setGraphicsEffect(nullptr);
        m_shadow = nullptr;
    }
}

void HoverStyle::applyHoverState(bool hovered)
{
    m_hovered = hovered;
    m_from = m_current;
    m_to = targetLook(hovered);
    if (!m_animation) {
        m_animation = new QVariantAnimation(this);
        m_animation->setStartValue(0.0);
        m_animation->setEndValue(1.0);
        m_animation->setDuration(200);
        m_animation->setEasingCurve(Toolkit::easeOutCurve());
        connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
            const qreal t = v.toReal();
            show({mix(m_from.background, m_to.background, t), mix(m_from.border, m_to.border, t),
                  m_from.shadowOpacity + (m_to.shadowOpacity - m_from.shadowOpacity) * t,
                  m_from.shadowRadius + (m_to.shadowRadius - m_from.shadowRadius) * t});
        });
    }
    m_animation->stop();
    m_animation->start();
}
