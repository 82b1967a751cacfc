// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StatusIcon.h"

#include "presentation/Palette.h"

#include <QPainter>
#include <QPainterPath>

namespace StatusIcon {

QImage image(int direction, int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor accent = direction > 0   ? Palette::rise
                          : direction < 0 ? Palette::fall
                                          : Palette::flat;
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(Palette::card);
    p.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.22, s * 0.22);
    p.setBrush(accent);
    QPainterPath mark;
    if (direction > 0) {
        mark.moveTo(s * 0.5, s * 0.2);
        mark.lineTo(s * 0.82, s * 0.72);
        mark.lineTo(s * 0.18, s * 0.72);
    } else if (direction < 0) {
        mark.moveTo(s * 0.5, s * 0.8);
        mark.lineTo(s * 0.82, s * 0.28);
        mark.lineTo(s * 0.18, s * 0.28);
    } else {
        mark.addRoundedRect(QRectF(s * 0.24, s * 0.42, s * 0.52, s * 0.16), s * 0.05, s * 0.05);
    }
    mark.closeSubpath();
    p.drawPath(mark);
    return img;
}

QIcon icon(int direction)
{
    QIcon result;
    for (int size : {16, 22, 24, 32, 48, 64})
        result.addPixmap(QPixmap::fromImage(image(direction, size)));
    return result;
}

} // namespace StatusIcon
