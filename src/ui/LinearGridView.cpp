// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LinearGridView.h"

#include "presentation/Palette.h"
#include "ui/Frames.h"
#include "ui/Toolkit.h"

#include <QPainter>

#include <cmath>

using namespace Qt::StringLiterals;

LinearGridView::LinearGridView(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

QVector<LinearGridView::Line> LinearGridView::linesForSize(const QSizeF &size)
{
    const qreal w = size.width();
    const qreal h = size.height();
    const QColor faint = Palette::gridFaint;
    QVector<Line> lines;
    for (int i = 1; i <= 11; ++i) {
        const bool strong = i % 3 == 0;
        lines.append({QRectF(std::floor(w * i / 12), 0, 1, h),
                      strong ? Palette::gridStrongColumn : faint, strong ? 0.28 : 0.12});
    }
    for (int j = 1; j <= 5; ++j) {
        const bool strong = j == 3;
        lines.append({QRectF(0, std::floor(h * j / 6), w, 1),
                      strong ? Palette::gridStrongRow : faint, strong ? 0.28 : 0.12});
    }
    return lines;
}

void LinearGridView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    for (const Line &line : linesForSize(size())) {
        painter.setOpacity(line.opacity);
        painter.fillRect(Frames::flip(line.frame, height()), line.color);
    }
}
