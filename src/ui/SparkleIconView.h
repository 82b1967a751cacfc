// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/FlippedView.h"

#include <QColor>
#include <QPainterPath>

// The AI mark: a faint disc with two four-pointed stars, a large one at the top-left and a
// small one at the bottom-right.
class SparkleIconView : public FlippedView
{
    Q_OBJECT
public:
    explicit SparkleIconView(QWidget *parent = nullptr);

    // White when unset.
    void setIconColor(const QColor &color);

    // The glyph in its 24 x 24 design box.
    static QPainterPath glyphPath();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color;
};
