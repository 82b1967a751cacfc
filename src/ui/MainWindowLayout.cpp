// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MainWindowLayout.h"

#include "presentation/Palette.h"
#include "ui/Typography.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

QSizeF MainWindowLayout::viewSize(const QSizeF &size)
{
    return QSizeF(std::max(size.width(), kMinimumWidth), std::max(size.height(), kMinimumHeight));
}

qreal MainWindowLayout::listHeight(qreal viewHeight, qreal totalsRoom)
{
    return viewHeight - 192 - totalsRoom;
}

QRectF MainWindowLayout::listFrame(qreal viewHeight, qreal totalsRoom)
{
    return QRectF(24, 24, kListWidth, listHeight(viewHeight, totalsRoom));
}

QRectF MainWindowLayout::workbenchFrame(const QSizeF &viewSize)
{
    return QRectF(372, 24, viewSize.width() - 396, viewSize.height() - 94);
}

qreal MainWindowLayout::listDocumentHeight(int rowCount, qreal listHeight)
{
    const int k = std::max(rowCount, 1);
    return std::max(kRowPitch * k - 8, listHeight);
}

bool MainWindowLayout::listScrolls(int rowCount, qreal listHeight)
{
    return listDocumentHeight(rowCount, listHeight) > listHeight + 0.5;
}

MainWindowLayout::RowColumns MainWindowLayout::rowColumns(qreal rowWidth)
{
    RowColumns columns;
    columns.changeX = rowWidth - 102;
    columns.priceX = columns.changeX - 74;
    columns.tagX = std::max<qreal>(columns.priceX - 66, 94);
    columns.textWidth = std::max<qreal>(columns.tagX - 26, 78);
    return columns;
}

QString MainWindowLayout::rowTagText(ActionStatus buyStatus)
{
    return tagText(buyStatus);
}

qreal MainWindowLayout::rowPriceRoom(const RowColumns &columns)
{
    return std::min<qreal>(columns.priceX + 62 - (columns.tagX + 58) - kPriceTagGap, 62);
}

MainWindowLayout::TagColors MainWindowLayout::rowTagColors(ActionStatus buyStatus)
{
    switch (buyStatus) {
    case ActionStatus::Defend:
        return {Palette::hex(Palette::tagDefendBackground), Palette::hex(Palette::tagDefendBorder),
                Palette::hex(Palette::tagDefendText)};
    case ActionStatus::NoChase:
    case ActionStatus::WatchPullback:
        return {Palette::hex(Palette::tagNoChaseBackground),
                Palette::hex(Palette::tagNoChaseBorder), Palette::hex(Palette::tagNoChaseText)};
    case ActionStatus::AwaitConfirm:
    case ActionStatus::NoData:
        break;
    case ActionStatus::Trackable:
        return {Palette::hex(Palette::tagTrackableBackground),
                Palette::hex(Palette::tagTrackableBorder), Palette::hex(Palette::tagTrackableText)};
    }
    return {Palette::hex(Palette::tagAwaitBackground), Palette::hex(Palette::tagAwaitBorder),
            Palette::hex(Palette::tagAwaitText)};
}

MainWindowLayout::DetailLayout MainWindowLayout::detailLayout(qreal width, qreal height,
                                                              qreal insightCardHeight)
{
    DetailLayout layout;
    const qreal W = width;
    const qreal H = height;
    layout.compact = H < kCompactDetailHeight;
    layout.gap = layout.compact ? 10 : 12;
    layout.stripHeight = layout.compact ? 60 : 66;
    layout.insightCap = layout.compact ? 148 : 172;
    const qreal g = layout.gap;
    const qreal s = layout.stripHeight;
    const qreal a = std::min(layout.insightCap, std::max<qreal>(insightCardHeight, 118));
    layout.insightHeight = a;
    const qreal fixed = 2 * g + s + a + 34;
    qreal h = std::min<qreal>(std::max<qreal>(std::floor(H / 2), 276), 326);
    if (H - h - g < fixed)
        h = std::max<qreal>(H - g - fixed, 220);
    layout.heroHeight = h;
    layout.hero = QRectF(0, H - h, W, h);
    layout.insight = QRectF(0, H - h - g - a, W, a);
    layout.strip = QRectF(0, layout.insight.y() - g - s, W, s);
    layout.footer = QRectF(0, std::max<qreal>(layout.strip.y() - g - 34, 0), W, 34);
    return layout;
}

MainWindowLayout::HeroHeaderLayout MainWindowLayout::heroHeaderLayout(qreal cardWidth,
                                                                      qreal symbolWidth,
                                                                      qreal boardWidth,
                                                                      qreal dailyWidth)
{
    const qreal W = cardWidth;
    const qreal sw = symbolWidth;
    const qreal room = W - 174 - sw;
    HeroHeaderLayout layout;
    if (room >= 154 && boardWidth > 0) {
        qreal bw = boardWidth;
        qreal dw = dailyWidth;
        qreal excess = bw + 4 + dw - room;
        if (excess > 0) {
            const qreal fromBoard = std::clamp<qreal>(excess, 0, std::max<qreal>(bw - 70, 0));
            bw -= fromBoard;
            excess -= fromBoard;
            dw -= std::clamp<qreal>(excess, 0, std::max<qreal>(dw - 80, 0));
        }
        layout.showsBoard = true;
        layout.showsDaily = true;
        layout.boardWidth = bw;
        layout.dailyWidth = dw;
        layout.symbolX = W - 78 - (dw + sw + 6 + bw + 4);
        layout.boardX = layout.symbolX + sw + 6;
        layout.dailyX = layout.boardX + bw + 4;
    } else if (room >= 62) {
        layout.showsDaily = true;
        layout.dailyWidth = std::min(dailyWidth, room);
        layout.symbolX = W - 78 - (sw + 6 + layout.dailyWidth);
        layout.dailyX = layout.symbolX + sw + 6;
    } else {
        layout.symbolX = W - 84 - sw;
    }
    layout.nameWidth = std::max<qreal>(layout.symbolX - 36, 54);
    return layout;
}

qreal MainWindowLayout::heroSymbolWidth(const QString &symbol)
{
    return std::floor(Typography::textWidth(symbol.toUpper(),
                                            Typography::systemFont(11, FontWeight::Medium))) +
           3;
}

qreal MainWindowLayout::heroFactColumnWidth(qreal cardWidth)
{
    const qreal room = cardWidth - 48;
    return room >= 560 ? 560.0 / 6.0 : room / 6;
}

MainWindowLayout::HeroBodyLayout MainWindowLayout::heroBodyLayout(qreal cardHeight, bool holding)
{
    // Rows of title over value, 36 apart, from 32 below the price row (16 without the date
    // line). The well's bottom rests at 34, above the time axis; its top keeps 14 pt below the
    // last row's values, 8 once the card is squeezed, 14 below the price row without rows.
    const qreal y0 = cardHeight - 98;
    const auto body = [y0](bool stamp, bool facts, bool holds) {
        HeroBodyLayout layout{stamp, facts, holds, 0, 0, 0, 0, y0 - 48};
        qreal title = y0 - (stamp ? 32 : 16);
        layout.factTitleY = title;
        if (facts)
            title -= 36;
        layout.holdingTitleY = title;
        if (holds)
            title -= 36;
        layout.factValueY = layout.factTitleY - 18;
        layout.holdingValueY = layout.holdingTitleY - 18;
        if (facts || holds)
            layout.wellHeight = title + 36 - 18 - (stamp ? 14 : 8) - 34;
        return layout;
    };
    // The detail view never makes the card shorter than 220, which leaves more than the
    // minimum once the rows are gone.
    for (const HeroBodyLayout &layout :
         {body(true, true, holding), body(false, true, holding), body(false, !holding, holding)}) {
        if (layout.wellHeight >= kMinimumChartWellHeight)
            return layout;
    }
    return body(false, false, false);
}

qreal MainWindowLayout::contextBadgeTitleWidthForTextWidth(qreal titleTextWidth)
{
    return std::min<qreal>(std::max<qreal>(std::ceil(titleTextWidth) + 5, 24), 38);
}

int MainWindowLayout::contextBadgeWidthForTextWidths(qreal titleTextWidth, qreal valueTextWidth)
{
    const qreal natural = std::ceil(titleTextWidth) + std::ceil(valueTextWidth) + 27;
    return static_cast<int>(std::ceil(std::min<qreal>(std::max<qreal>(natural, 52), 168)));
}

int MainWindowLayout::strategyContextBadgeWidth(const QString &title, const QString &value)
{
    return contextBadgeWidthForTextWidths(
        Typography::textWidth(title, Typography::systemFont(9, FontWeight::Medium)),
        Typography::textWidth(value.isEmpty() ? u"--"_s : value,
                              Typography::systemFont(10, FontWeight::Semibold)));
}

QRectF MainWindowLayout::stripMetricFrame(int index, qreal stripWidth, qreal stripHeight)
{
    const qreal c = std::floor((stripWidth - 64) / 4);
    return QRectF(14 + index * (c + 12), 10, c, stripHeight - 20);
}

qreal MainWindowLayout::emptyWorkbenchTextWidth(qreal width)
{
    return std::max<qreal>(std::min<qreal>({width - 72, 420, width - 236 - 12 - 36}), 120);
}

int MainWindowLayout::indexAtOffset(const QStringList &symbols, const QString &current, int offset)
{
    const int n = static_cast<int>(symbols.size());
    if (n == 0)
        return -1;
    const int i = std::max(static_cast<int>(symbols.indexOf(current)), 0);
    // Offsets beyond one lap still land inside the list.
    return ((i + offset) % n + n) % n;
}
