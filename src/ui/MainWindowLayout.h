// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decision/DecisionStates.h"

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>

// The desktop window's layout rules as pure functions of sizes and texts, so each can be
// checked on its own. Frames are y up inside their parent (see Frames.h).
class MainWindowLayout
{
public:
    MainWindowLayout() = delete;

    static constexpr qreal kMinimumWidth = 980;
    static constexpr qreal kMinimumHeight = 560;
    static constexpr qreal kRecommendedWidth = 980;
    static constexpr qreal kRecommendedHeight = 720;
    static constexpr qreal kListWidth = 330;
    static constexpr qreal kRowHeight = 58;
    static constexpr qreal kRowPitch = 66;
    // Below this workbench height the detail view packs tighter.
    static constexpr qreal kCompactDetailHeight = 540;

    // The view is never laid out smaller than the minimum window.
    static QSizeF viewSize(const QSizeF &size);
    // The left column below the header: H - 192, less what the positions' totals take
    // below the summary.
    static qreal listHeight(qreal viewHeight, qreal totalsRoom = 0);
    static QRectF listFrame(qreal viewHeight, qreal totalsRoom = 0);
    static QRectF workbenchFrame(const QSizeF &viewSize);
    // Row document: max(66 k - 8, L), an empty list counting as one row.
    static qreal listDocumentHeight(int rowCount, qreal listHeight);
    static bool listScrolls(int rowCount, qreal listHeight);

    // --- Quote row ---
    struct RowColumns
    {
        qreal changeX = 0;
        qreal priceX = 0;
        qreal tagX = 0;
        qreal textWidth = 0;
        bool operator==(const RowColumns &) const = default;
    };
    static RowColumns rowColumns(qreal rowWidth);
    // "不追高" is too long for the tag and reads "不追".
    static QString rowTagText(ActionStatus buyStatus);
    struct TagColors
    {
        QString background;
        QString border;
        QString text;
        bool operator==(const TagColors &) const = default;
    };
    // The row's price ends at the right of its 62-pt column and keeps this gap to the 58-pt
    // tag on its left; a longer price is set smaller (Typography::figureFontSize).
    static constexpr qreal kPriceTagGap = 6;
    static qreal rowPriceRoom(const RowColumns &columns);
    // Chosen from the full status by what it contains, risk words first.
    static TagColors rowTagColors(ActionStatus buyStatus);

    // --- Detail view ---
    struct DetailLayout
    {
        bool compact = false;
        qreal gap = 0;
        qreal stripHeight = 0;
        qreal insightCap = 0;
        qreal insightHeight = 0;
        qreal heroHeight = 0;
        QRectF hero;
        QRectF insight;
        QRectF strip;
        QRectF footer;
    };
    // For a detail view W x H whose insight card would be `insightCardHeight` high.
    static DetailLayout detailLayout(qreal width, qreal height, qreal insightCardHeight);

    // --- Hero card header ---
    struct HeroHeaderLayout
    {
        bool showsBoard = false;
        bool showsDaily = false;
        qreal symbolX = 0;
        qreal boardX = 0;
        qreal boardWidth = 0;
        qreal dailyX = 0;
        qreal dailyWidth = 0;
        qreal nameWidth = 0;
        bool operator==(const HeroHeaderLayout &) const = default;
    };
    // Symbol and the two context badges fitted left of the market badge in a card W wide;
    // `symbolWidth` is sw, the badge widths those of strategyContextBadgeWidth (a board
    // width of 0: no board badge, as for a board that only repeats the market badge).
    static HeroHeaderLayout heroHeaderLayout(qreal cardWidth, qreal symbolWidth, qreal boardWidth,
                                             qreal dailyWidth);
    // floor(width of the upper-case symbol at 11 medium) + 3.
    static qreal heroSymbolWidth(const QString &symbol);
    // Six fact columns: (W - 48) / 6, held at 93.333... once that room reaches 560.
    static qreal heroFactColumnWidth(qreal cardWidth);
    // Below the price row (y0 = H - 98): the date line, the six facts, with a position the
    // six figures of the holding, and the chart well down to y = 34, each clear of the
    // others. A tall card shows them all; a short one shrinks the well to its minimum, then
    // gives up the date line (the rows move up into its place), then the day's facts (the
    // holding is the user's own), then the holding.
    static constexpr qreal kMinimumChartWellHeight = 64;
    struct HeroBodyLayout
    {
        bool showsStamp = true;
        bool showsFacts = true;
        bool showsHolding = false;
        qreal factTitleY = 0;
        qreal factValueY = 0;
        qreal holdingTitleY = 0;
        qreal holdingValueY = 0;
        qreal wellHeight = 0;
    };
    static HeroBodyLayout heroBodyLayout(qreal cardHeight, bool holding = false);

    // --- Context badge ---
    static qreal contextBadgeTitleWidthForTextWidth(qreal titleTextWidth);
    static int contextBadgeWidthForTextWidths(qreal titleTextWidth, qreal valueTextWidth);
    // Title at 9 medium, value at 10 semibold; 52 to 168 wide.
    static int strategyContextBadgeWidth(const QString &title, const QString &value);

    // --- Decision strip ---
    // Metric `index` (0..3) in a strip W x H.
    static QRectF stripMetricFrame(int index, qreal stripWidth, qreal stripHeight);

    // --- Empty workbench ---
    // The introduction stops 12 pt short of the steps panel at W - 236 (at most 420 wide) so
    // the panel never covers it.
    static qreal emptyWorkbenchTextWidth(qreal width);

    // --- Selection ---
    // The index `offset` steps from `current` in `symbols`, wrapping; a current symbol not in
    // the list counts as the first entry. -1 for an empty list.
    static int indexAtOffset(const QStringList &symbols, const QString &current, int offset);
};
