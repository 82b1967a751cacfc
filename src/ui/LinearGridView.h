// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QRectF>
#include <QVector>
#include <QWidget>

// The quiet grid inside chart wells: 11 vertical and 5 horizontal hairlines dividing the view
// into twelfths and sixths, the quarter and middle lines a little stronger.
class LinearGridView : public QWidget
{
    Q_OBJECT
public:
    explicit LinearGridView(QWidget *parent = nullptr);

    struct Line
    {
        QRectF frame; // y-up, in the view
        QColor color;
        qreal opacity = 0;
    };
    // The hairlines of a view of the given size, verticals first.
    static QVector<Line> linesForSize(const QSizeF &size);

protected:
    void paintEvent(QPaintEvent *event) override;
};
