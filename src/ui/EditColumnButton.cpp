// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/EditColumnButton.h"

#include "presentation/Palette.h"
#include "ui/HoldingEditor.h"
#include "ui/Panel.h"
#include "ui/Typography.h"

#include <QPainter>

#include <cmath>

using namespace Qt::StringLiterals;

EditColumnButton::EditColumnButton(QWidget *parent)
    : FlatButton(parent)
{
    setBackgroundColor(Qt::transparent);
    setBorderColor(Qt::transparent);
    setCornerRadius(7);
    setCursor(Qt::PointingHandCursor);
    setToolTip(HoldingEditor::entryTitle());
    setAccessibleName(HoldingEditor::entryTitle());
    setFont(Typography::systemFont(10, FontWeight::Medium));
}

void EditColumnButton::paintEvent(QPaintEvent *event)
{
    FlatButton::paintEvent(event);
    if (!showsMark())
        return;
    const QString mark = u"编辑"_s;
    const qreal width = std::ceil(Typography::textWidth(mark, font())) + 12;
    const QRectF pill(this->width() - width - 6, std::floor((height() - 18) / 2.0), width, 18);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Opaque, so a long name runs under the mark rather than through it.
    Panel::paintBox(painter, pill, Palette::badgeFill, Palette::badgeBorder, 1, 9);
    painter.setPen(Palette::link);
    painter.setFont(font());
    painter.drawText(pill, Qt::AlignCenter | Qt::TextSingleLine, mark);
}

void EditColumnButton::enterEvent(QEnterEvent *event)
{
    FlatButton::enterEvent(event);
    update();
}

void EditColumnButton::leaveEvent(QEvent *event)
{
    FlatButton::leaveEvent(event);
    update();
}
