// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

class QWidget;

// Renders widgets to PNG files so a broken paint shows up as an empty or uniform picture.
class WidgetSnapshot
{
public:
    // Grabs `widget` (shown off screen first), writes `<directory>/<name>.png` and returns the
    // image; a null image when the file could not be written.
    static QImage save(QWidget *widget, const QString &directory, const QString &name);
    // True when every pixel has the same colour (nothing, or only a flat fill, was drawn).
    static bool isUniform(const QImage &image);
    // Number of distinct colours, capped at `cap`.
    static int distinctColors(const QImage &image, int cap = 64);
};
