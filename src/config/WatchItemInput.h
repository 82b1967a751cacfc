// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Holding.h"
#include "model/PriceAlert.h"

#include <QString>

#include <optional>

// The one place that decides whether typed or imported numbers make a position or a price
// condition. Each check returns the message the form shows (empty when the input is good);
// nothing that fails a check is ever stored.
namespace WatchItemInput {

// Upper bounds that keep every product finite and every figure printable.
inline constexpr double kMaxShares = 1e12;
inline constexpr double kMaxPrice = 1e9;
inline constexpr double kMaxPercent = 1e4;

// A number as typed: surrounding space, a leading "+", thousands commas ("12,000") and,
// where `percent`, a trailing "%" are allowed. None for anything else (also "inf", "nan").
std::optional<double> parseNumber(const QString &text, bool percent = false);

QString checkHolding(const Holding &holding);
QString checkPriceAlert(const PriceAlert &alert);

// Shares and cost as typed in the form. Both empty: no position (`*holding` none). A cost
// needs shares; shares alone make a position without a cost.
QString holdingFromText(const QString &shares, const QString &cost,
                        std::optional<Holding> *holding);
QString priceAlertFromText(PriceAlert::Kind kind, const QString &value, PriceAlert::Repeat repeat,
                           PriceAlert *alert);

// Yuan per unit: anything outside is a slip of the finger, not a currency.
inline constexpr double kMinRate = 0.001;
inline constexpr double kMaxRate = 1000;
// A rate in yuan per Hong Kong or US dollar as typed; empty text: unknown (`*rate` none).
QString exchangeRateFromText(const QString &text, std::optional<double> *rate);

} // namespace WatchItemInput
