// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class Label;
class QWidget;

// What a quote row shows of the user's own stake, alike in the popover's and the desktop's
// lists: today's profit of a position as a small line under the change (which moves up to
// the name's line to make room), and a bell after the symbol while price conditions are
// armed. Both are made the first time a row needs them and hidden, not dropped, when they go,
// so the row changes in place; a row without them looks exactly as before.
class QuoteRowMarks
{
public:
    QuoteRowMarks() = delete;

    // Frames in the row (y up).
    struct Layout
    {
        QRectF change;       // the change without a holding line
        QRectF raisedChange; // the change above the holding line
        QRectF holding;      // the holding line, right-aligned like the change
        QRectF symbol;       // the symbol label; the bell follows its text
        qreal bellLimit = 0; // the bell ends here at the latest (short of the tag)
    };
    static constexpr qreal kBellSize = 10;

    static void update(QWidget *row, const Layout &layout, const QString &holdingText,
                       int holdingDirection, bool alertsArmed);
    // " 今日 +1,234.00 已设提醒", each part only when it shows.
    static QString accessibleSuffix(const QString &holdingText, bool alertsArmed);
    // A secondary figure's colour: light rise or fall, flat grey.
    static QColor holdingColor(int direction);
    // The same colours among the facts of a card, whose neutral is lighter.
    static QColor factColor(int direction);
};
