// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/EnumText.h"
#include "model/Symbol.h"

// The currency a market trades in: A-shares in yuan, Hong Kong in HK dollars, the US in
// dollars. Holdings are totalled per currency and only converted with known rates.
enum class Currency
{
    CNY,
    HKD,
    USD,
};

template<>
struct EnumTexts<Currency>
{
    static constexpr std::array<const char16_t *, 3> texts{u"CNY", u"HKD", u"USD"};
};

inline Currency currencyForMarket(Market market)
{
    switch (market) {
    case Market::HongKong:
        return Currency::HKD;
    case Market::US:
        return Currency::USD;
    case Market::Shanghai:
    case Market::Shenzhen:
    case Market::Beijing:
        break;
    }
    return Currency::CNY;
}
