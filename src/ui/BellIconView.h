// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPainterPath>
#include <QWidget>

// The small bell a quote row shows while price conditions are armed: a filled bell with its
// clapper, scaled into the view's bounds. Decorative: the row's accessible name says it.
class BellIconView : public QWidget
{
    Q_OBJECT
public:
    explicit BellIconView(QWidget *parent = nullptr);

    void setIconColor(const QColor &color);
    QColor iconColor() const { return m_color; }

    // The glyph in its 12 x 12 design box (y down).
    static QPainterPath glyphPath();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color = Qt::white;
};
