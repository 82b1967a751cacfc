// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// One daily bar, oldest first in every list.
struct DayRecord
{
    QString date; // YYYY-MM-DD
    double open = 0;
    double high = 0;
    double low = 0;
    double close = 0;
    double volume = 0;
    double amount = 0;

    bool operator==(const DayRecord &) const = default;
};
