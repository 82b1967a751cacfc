// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

// The market status pill: what the A-share clock says at a moment, with its colours.
struct MarketStatus
{
    QString title;
    QString bg;
    QString border;
    QString dot;
    QString text;
    bool live = false;

    // Follows the China A-share trading hours for every symbol; knows no holidays.
    static MarketStatus at(const QDateTime &moment);
    bool operator==(const MarketStatus &) const = default;
};
