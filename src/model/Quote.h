// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// One realtime snapshot of one instrument. Filled once by its producer, then only read.
struct Quote
{
    QString symbol;
    QString name;
    double price = 0;
    double previousClose = 0;
    double open = 0;
    double high = 0;
    double low = 0;
    double volume = 0;
    double amount = 0;
    QString date;
    QString time;

    // No guard on purpose: with no previous close the change is the price itself.
    double change() const { return price - previousClose; }
    double changePercent() const
    {
        return previousClose == 0 ? 0.0 : change() / previousClose * 100.0;
    }

    bool operator==(const Quote &) const = default;
};
