// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ConfigStore.h"
#include "ui/OverlayScrollArea.h"

#include <QJsonArray>
#include <QRectF>

class HoverPanel;
class WatchlistManager;

// The scrolling list of watch items of the watchlist manager, one row per stored item with
// its move control and remove button. Shared by the popover page and the desktop sidebar; it
// is rebuilt whenever the watchlist changes and then opens at the end of the list.
class WatchlistRowsView : public OverlayScrollArea
{
    Q_OBJECT
public:
    // Built at `frame` (W x H, y up) in `parent` from the manager's stored watchlist. When
    // the rows do not fit, the area is 14 pt wider than the frame to hold the scroller.
    WatchlistRowsView(QWidget *parent, const QRectF &frame, WatchlistManager &manager);

    // Sizes in a row W wide: remove button, move control, text column.
    struct RowMetrics
    {
        qreal removeWidth;
        qreal removeX;
        qreal moveWidth;
        qreal moveX;
        qreal textWidth;
    };
    static RowMetrics rowMetricsForWidth(qreal width);
    // Document height for `count` items in an area `height` high.
    static qreal documentHeightForCount(int count, qreal height);
    static QString emptyText();

    // One row: `item` at `index` of `count`, inside `parent` at `frame`.
    static HoverPanel *watchItemRow(QWidget *parent, const QRectF &frame, const WatchItem &item,
                                    int index, int count, WatchlistManager &manager);
};
