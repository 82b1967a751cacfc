// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuoteRowMarks.h"

#include "presentation/Palette.h"
#include "ui/BellIconView.h"
#include "ui/Frames.h"
#include "ui/Label.h"
#include "ui/Toolkit.h"
#include "ui/Typography.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

void QuoteRowMarks::update(QWidget *row, const Layout &layout, const QString &holdingText,
                           int holdingDirection, bool alertsArmed)
{
    const auto child = [row](const QString &name) {
        return row->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
    };
    const bool holds = !holdingText.isEmpty();
    auto *holding = static_cast<Label *>(child(u"rowHolding"_s));
    if (holds && !holding) {
        holding = Toolkit::label(row, layout.holding, QString(), 10, FontWeight::Medium,
                                 Palette::flat, Qt::AlignRight);
        holding->setFont(Typography::monospacedDigitFont(10, FontWeight::Medium));
        holding->setObjectName(u"rowHolding"_s);
    }
    if (holding) {
        holding->setVisible(holds);
        Frames::place(holding, layout.holding);
        holding->setText(holdingText);
        holding->setColor(holdingColor(holdingDirection));
    }
    Frames::place(child(u"rowChange"_s), holds ? layout.raisedChange : layout.change);

    auto *symbol = static_cast<Label *>(child(u"rowSymbol"_s));
    auto *bell = static_cast<BellIconView *>(child(u"rowBell"_s));
    if (alertsArmed && !bell) {
        bell = new BellIconView(row);
        bell->setObjectName(u"rowBell"_s);
        bell->setIconColor(Palette::alertBell);
    }
    QRectF symbolFrame = layout.symbol;
    if (alertsArmed) {
        const qreal textWidth = std::ceil(Typography::textWidth(symbol->text(), symbol->font()));
        const qreal x = std::min(symbolFrame.x() + textWidth + 4, layout.bellLimit - kBellSize);
        // A symbol too long for both gives way to the bell, cut with "…".
        symbolFrame.setWidth(std::min(symbolFrame.width(), x - 3 - symbolFrame.x()));
        Frames::place(bell, QRectF(x, symbolFrame.y() + (symbolFrame.height() - kBellSize) / 2,
                                   kBellSize, kBellSize));
    }
    if (bell)
        bell->setVisible(alertsArmed);
    Frames::place(symbol, symbolFrame);
}

QString QuoteRowMarks::accessibleSuffix(const QString &holdingText, bool alertsArmed)
{
    QString suffix;
    if (!holdingText.isEmpty())
        suffix += u' ' + holdingText;
    if (alertsArmed)
        suffix += u" 已设提醒"_s;
    return suffix;
}

QColor QuoteRowMarks::holdingColor(int direction)
{
    return direction > 0 ? Palette::riseLight : direction < 0 ? Palette::fallLight : Palette::flat;
}

QColor QuoteRowMarks::factColor(int direction)
{
    return direction == 0 ? Palette::flatLight : holdingColor(direction);
}
