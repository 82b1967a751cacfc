// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Label.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

Label::Label(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void Label::setText(const QString &text)
{
    // Surfaces set every text again at each refresh; an unchanged one repaints nothing.
    if (text == m_text)
        return;
    m_text = text;
    update();
}

void Label::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void Label::setFont(const QFont &font)
{
    QWidget::setFont(font);
    update();
}

void Label::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment & Qt::AlignHorizontal_Mask;
    update();
}

void Label::setTruncatesAtEnd(bool truncates)
{
    m_truncates = truncates;
    update();
}

void Label::setOpacity(qreal opacity)
{
    m_opacity = std::clamp<qreal>(opacity, 0, 1);
    update();
}

void Label::setBacking(const QColor &color)
{
    m_backing = color;
    update();
}

QString Label::displayedText() const
{
    // A label shows a single line.
    QString line = m_text;
    line.replace(u'\n', u' ');
    if (!m_truncates)
        return line;
    return QFontMetricsF(font()).elidedText(line, Qt::ElideRight, width());
}

void Label::paintEvent(QPaintEvent *)
{
    if (m_text.isEmpty() || m_opacity <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setOpacity(m_opacity);
    const QString text = displayedText();
    if (m_backing.isValid() && m_backing.alpha() > 0) {
        const qreal w = std::min<qreal>(QFontMetricsF(font()).horizontalAdvance(text) + 4, width());
        qreal x = 0;
        if (m_alignment & Qt::AlignRight)
            x = width() - w;
        else if (m_alignment & Qt::AlignHCenter)
            x = (width() - w) / 2;
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_backing);
        painter.drawRoundedRect(QRectF(x, 0, w, height()), 3, 3);
    }
    painter.setPen(m_color);
    painter.setFont(font());
    painter.drawText(rect(), static_cast<int>(m_alignment | Qt::AlignVCenter | Qt::TextSingleLine),
                     text);
}
