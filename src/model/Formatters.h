// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

struct Quote;

// Every price, change, percentage and large number reaches the screen, the notifications
// and the AI prompt through these. Fixed decimals always use "." whatever the locale.
QString formatPrice(double value);
QString formatChange(double value);
QString formatPercent(double value);
QString formatCompactNumber(double value);
// Money with two decimals and thousands grouped by commas: "-1,234.50"; the signed form
// always carries its sign ("+1,234.00", "+0.00"), like formatChange.
QString formatMoney(double value);
QString formatSignedMoney(double value);
// A quote's price or one of its day's prices, "--" when there is none (a placeholder, a stock
// suspended since before launch): never a made-up 0.00.
QString formatPriceOrDash(double value);
// Change and percentage ("+1.20  +0.85%"); "--" while the quote has no price to compare.
QString formatChangeLine(const Quote &quote);
QString directionSymbol(double value);
QString shortName(const QString &name);
QString titleForQuote(const Quote &quote);
// What a screen reader says for a quote row: "贵州茅台 1502.21 下跌 1.94% 等确认", the
// direction in words as the row's arrow shows it; "<name> 等待行情" while there is no price.
QString accessibleRowName(const Quote &quote, const QString &statusWord);

// "%.Nf" without locale, with negative zero printed as zero.
QString formatFixed(double value, int decimals);

// Market badge text of a symbol (any case): 港股, 美股, 深市, 北交, 沪市, or 市场 for text
// that is no symbol.
QString marketBadgeForSymbol(const QString &symbol);
