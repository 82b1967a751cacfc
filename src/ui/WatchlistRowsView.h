// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ConfigStore.h"
#include "ui/OverlayScrollArea.h"

#include <QJsonArray>
#include <QRectF>

class HoverPanel;
class Panel;
class WatchlistManager;

// The scrolling list of watch items of the watchlist manager, one row per stored item with
// its move control and remove button. Shared by the popover page and the desktop sidebar; it
// follows the stored watchlist in place and then shows the end of the list, where a newly
// added stock appears.
class WatchlistRowsView : public OverlayScrollArea
{
    Q_OBJECT
public:
    // Built at `frame` (W x H, y up) in `parent` from the manager's stored watchlist. When
    // the rows do not fit, the area is 14 pt wider than the frame to hold the scroller.
    WatchlistRowsView(QWidget *parent, const QRectF &frame, WatchlistManager &manager);

    // Shows the manager's stored watchlist in the existing rows, adding or dropping rows at
    // the end, when it differs from what they show; called on every change of the watchlist.
    void reload();
    // Another frame in the parent (y up), for a parent of another size.
    void setFrame(const QRectF &frame);
    QList<HoverPanel *> rows() const { return m_rows; }

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
    static void updateWatchItemRow(HoverPanel *row, const WatchItem &item, int index, int count);

Q_SIGNALS:
    // The row's name column was pressed, or its menu's item chosen: edit the stock's position
    // and price conditions.
    void editRequested(const QString &symbol);

private:
    WatchlistManager &m_manager;
    QRectF m_frame;
    QWidget *m_list = nullptr;
    ::Panel *m_emptyPanel = nullptr;
    QList<HoverPanel *> m_rows;
};
