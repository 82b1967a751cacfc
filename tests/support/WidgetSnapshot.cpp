// SPDX-License-Identifier: GPL-3.0-or-later
#include "WidgetSnapshot.h"

#include <QDir>
#include <QPixmap>
#include <QSet>
#include <QWidget>

QImage WidgetSnapshot::save(QWidget *widget, const QString &directory, const QString &name)
{
    if (!widget)
        return {};
    if (!widget->isVisible())
        widget->show();
    const QImage image = widget->grab().toImage();
    const QString path = QDir(directory).filePath(name + QStringLiteral(".png"));
    if (image.isNull() || !image.save(path, "PNG"))
        return {};
    return image;
}

bool WidgetSnapshot::isUniform(const QImage &image)
{
    return distinctColors(image, 2) <= 1;
}

int WidgetSnapshot::distinctColors(const QImage &image, int cap)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QSet<QRgb> colors;
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            colors.insert(line[x]);
            if (colors.size() >= cap)
                return cap;
        }
    }
    return static_cast<int>(colors.size());
}
