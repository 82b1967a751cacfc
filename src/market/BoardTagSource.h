// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "market/MarketSource.h"

#include <QStringList>

class Symbol;

// Industry-board tags. A-shares: Eastmoney's F10 concept page first, then the quote
// service's industry and concept fields. Hong Kong and US stocks: their market badge.
class BoardTagSource : public MarketSource
{
    Q_OBJECT
public:
    using MarketSource::MarketSource;

    using Completion = std::function<void(const QStringList &)>;
    void fetch(const QString &symbol, const QObject *context, Completion completion);

private:
    void fetchFromStockFields(const Symbol &symbol, const QObject *context, Completion completion);
};
