// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Quote.h"

#include <QString>

#include <limits>
#include <optional>

class IntradayStore;

// Numbers and short Chinese sentences describing a symbol's trading day: location, trend,
// rhythm, structure and the volume-price picture. A pure read of the quote passed in and
// the series stored under its symbol, recomputed on every call.
class IntradayAnalytics
{
public:
    // Volume in the recent window while the window before it had none.
    static constexpr double kUnboundedRatio = std::numeric_limits<double>::max();
    // Not enough points, or volumes that do not line up with the positions.
    static constexpr double kUnavailableRatio = -1.0;

    explicit IntradayAnalytics(const IntradayStore &store)
        : m_store(store)
    {}

    // --- Numbers ---
    // Percent change of the last price over the last `minutes` of trading; 0 without data.
    double recentPercentChangeForQuote(const Quote &quote, int minutes) const;
    // Percent change of the last price since the point at or before `position`.
    double intradayPercentChangeForQuote(const Quote &quote, double fromPosition) const;
    // Volume of the last `minutes` over the `minutes` before: kUnavailableRatio, 0, a ratio
    // or kUnboundedRatio.
    double recentVolumeRatioForQuote(const Quote &quote, int minutes) const;

    // A > 0 and price >= A, with A the last average-line value.
    bool isAboveAverageLineForQuote(const Quote &quote) const;
    static bool isUnboundedRatio(double ratio) { return ratio >= kUnboundedRatio; }

    // --- Sentences from the quote alone ---
    QString intradayLocationDescriptionForQuote(const Quote &quote) const;
    QString distanceToExtremesDescriptionForQuote(const Quote &quote) const;
    QString breakoutContextDescriptionForQuote(const Quote &quote) const;

    // --- Sentences on the average line and the series ---
    QString priceAnchorDescriptionForQuote(const Quote &quote) const;
    QString averageLineDescriptionForQuote(const Quote &quote) const;
    QString recentTrendDescriptionForQuote(const Quote &quote, int minutes) const;
    QString recentVolumeDescriptionForQuote(const Quote &quote, int minutes) const;
    QString openSessionDescriptionForQuote(const Quote &quote) const;
    QString afternoonSessionDescriptionForQuote(const Quote &quote) const;
    QString shortRhythmDescriptionForQuote(const Quote &quote) const;
    QString intradayStructureDescriptionForQuote(const Quote &quote) const;
    QString continuationDescriptionForQuote(const Quote &quote) const;
    QString mainDirectionDescriptionForQuote(const Quote &quote) const;
    QString volumePriceContextDescriptionForQuote(const Quote &quote) const;
    QString detailedVolumePriceDescriptionForQuote(const Quote &quote) const;

private:
    // The recent change, or nothing when the series cannot say (too short, base price <= 0).
    std::optional<double> recentChange(const Quote &quote, int minutes) const;

    const IntradayStore &m_store;
};
