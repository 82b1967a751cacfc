// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "presentation/QuoteDetailData.h"
#include "ui/Panel.h"

#include <QList>
#include <QRectF>

class Label;

// The user's position in the stock of the popover's detail page, in a strip below the market
// card: shares, cost and market value above, today's profit, the floating profit and its
// percentage below, each a title with its figure, profits in the rise and fall colours.
class HoldingStrip : public Panel
{
    Q_OBJECT
public:
    HoldingStrip(QWidget *parent, const QRectF &frame, const HoldingLineData &data);

    void setData(const HoldingLineData &data);

    static constexpr qreal kHeight = 54;

    // The six figures in reading order (shares, cost, market value, today's profit, floating
    // profit, its percentage), each with its direction; what is missing reads "--".
    struct Figure
    {
        QString text;
        int direction = 0;
    };
    static QList<Figure> figures(const HoldingLineData &data);

Q_SIGNALS:
    // A click on the strip: the user wants to edit the position.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QList<Label *> m_titles;
    QList<Label *> m_values;
};
