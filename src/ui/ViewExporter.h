// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QStringList>

#include <memory>
#include <vector>

class AppShell;
struct MainWindowData;
class QWidget;

// Renders Kestrum's surfaces from the shell's current state into PNG files: the status
// item, the popover pages, each listed stock's detail and the desktop window.
namespace ViewExporter {

struct Result
{
    QStringList written;
    QStringList failed;
};

// One image of the export: what it shows, at which scale, on which background.
struct View
{
    QString name;
    int scale = 1;
    QColor background;
    std::unique_ptr<QWidget> widget; // none when the view could not be built
};

// Every view the export writes, built from the shell's current state (any state changed to
// build one is put back): the status item, the popover pages at 4x, the desktop window at
// 2x at its usual size, at its minimum size and with an empty workbench.
std::vector<View> buildViews(AppShell &shell);

// Writes buildViews(); every image but the status item on 090A0F.
Result exportViewsToDirectory(AppShell &shell, const QString &directory);

// The widget at its own size times the scale (at least one pixel each way), as it looks at
// rest: animations that end (a price flash, a chart drawing itself in) are shown finished.
QImage render(QWidget &widget, qreal scale, const QColor &background);
// "%@@%ldx.png" of a view name and the integer scale.
QString fileNameForView(const QString &view, int scale);
// Atomic: a reader never sees half an image.
bool writePng(const QImage &image, const QString &path);
// The desktop window's content for `data` at `size`, as the window would show it.
QWidget *desktopView(AppShell &shell, const MainWindowData &data, const QSize &size);
// The panel's face: the direction icon and the title as the status item shows them.
QWidget *statusItemFace(const QString &title, int direction);

} // namespace ViewExporter
