// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FlatButton.h"

#include "presentation/Palette.h"
#include "ui/Panel.h"

#include <QFocusEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

FlatButton::FlatButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::TabFocus);
}

void FlatButton::setBackgroundColor(const QColor &color)
{
    m_background = color;
    update();
}

void FlatButton::setBorderColor(const QColor &color)
{
    m_border = color;
    update();
}

void FlatButton::setBorderWidth(qreal width)
{
    m_borderWidth = std::max<qreal>(width, 0);
    update();
}

void FlatButton::setCornerRadius(qreal radius)
{
    m_radius = std::max<qreal>(radius, 0);
    update();
}

void FlatButton::setTitleColor(const QColor &color)
{
    m_titleColor = color;
    update();
}

void FlatButton::setDimsWhenDisabled(bool dims)
{
    m_dimsWhenDisabled = dims;
    update();
}

QSize FlatButton::sizeHint() const
{
    return size();
}

QString FlatButton::displayedText() const
{
    return QFontMetricsF(font()).elidedText(text(), Qt::ElideRight, width());
}

void FlatButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (!isEnabled() && m_dimsWhenDisabled)
        painter.setOpacity(0.45);
    Panel::paintBox(painter, rect(), m_background, m_border, m_borderWidth, m_radius);
    if (isDown()) {
        // A faint wash while pressed, so the click is felt.
        Panel::paintBox(painter, rect(), Palette::pressWash, Qt::transparent, 0, m_radius);
    }
    const QRect content = rect();
    if (!icon().isNull()) {
        const QSize size = iconSize().boundedTo(content.size());
        const QRect target(content.center().x() - size.width() / 2 + 1,
                           content.center().y() - size.height() / 2 + 1, size.width(),
                           size.height());
        icon().paint(&painter, target);
    }
    if (!text().isEmpty()) {
        painter.setPen(m_titleColor);
        painter.setFont(font());
        painter.drawText(content, Qt::AlignCenter | Qt::TextSingleLine, displayedText());
    }
    if (showsFocusRing()) {
        painter.setOpacity(1);
        const qreal inset = 1;
        painter.setPen(QPen(focusRingColor(), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset),
                                std::max<qreal>(m_radius - inset, 2),
                                std::max<qreal>(m_radius - inset, 2));
    }
}

void FlatButton::focusInEvent(QFocusEvent *event)
{
    // Only focus that came from the keyboard is shown: the focus a window hands its first
    // control when it is activated would otherwise ring a button nobody chose.
    const Qt::FocusReason reason = event->reason();
    m_focusRing = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                  reason == Qt::ShortcutFocusReason;
    QAbstractButton::focusInEvent(event);
    update();
}

void FlatButton::focusOutEvent(QFocusEvent *event)
{
    m_focusRing = false;
    QAbstractButton::focusOutEvent(event);
    update();
}

void FlatButton::keyPressEvent(QKeyEvent *event)
{
    // Space is the button's own key; Return and Enter press it too, as on a dialog button.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        m_focusRing = true;
        animateClick();
        return;
    }
    if (event->key() == Qt::Key_Space)
        m_focusRing = true;
    QAbstractButton::keyPressEvent(event);
}
