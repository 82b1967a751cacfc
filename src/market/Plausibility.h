// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a market can show at all. A wire value outside these bounds is a broken answer, not
// a price: the line, bar or minute holding it reads as missing, so it never becomes a quote,
// a chart point or a stored bar. One set of bounds for every parser and stored-data reader.

#include "model/DayRecord.h"
#include "model/Quote.h"

namespace plausibility {

// Above any share price or index level ever quoted, below any tick size.
inline constexpr double kMaxPrice = 1e7;
inline constexpr double kMinPrice = 1e-4;
// A session's volume or value, in any unit the services count in, stays far below this.
inline constexpr double kMaxQuantity = 1e15;

// A price that was traded. (NaN fails every comparison, so it is never one.)
inline bool isTradedPrice(double value)
{
    return value >= kMinPrice && value <= kMaxPrice;
}

// A price field that may also say "none yet" with 0 (an open before the first trade).
inline bool isPriceField(double value)
{
    return value == 0 || isTradedPrice(value);
}

inline bool isQuantity(double value)
{
    return value >= 0 && value <= kMaxQuantity;
}

// Only a high and a low that are both given can contradict each other.
inline bool isRange(double high, double low)
{
    return !(high > 0 && low > 0 && high < low);
}

// A quote as read from its line, before any missing field is filled in.
inline bool isQuote(const Quote &q)
{
    return isTradedPrice(q.price) && isPriceField(q.previousClose) && isPriceField(q.open) &&
           isPriceField(q.high) && isPriceField(q.low) && isRange(q.high, q.low) &&
           isQuantity(q.volume) && isQuantity(q.amount);
}

inline bool isDay(const DayRecord &d)
{
    return isTradedPrice(d.close) && isPriceField(d.open) && isPriceField(d.high) &&
           isPriceField(d.low) && isRange(d.high, d.low) && isQuantity(d.volume) &&
           isQuantity(d.amount);
}

} // namespace plausibility
