// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "market/MarketSource.h"
#include "model/DayRecord.h"

#include <QList>

// Daily bars, oldest first: Eastmoney for A-shares, Yahoo for Hong Kong and US stocks.
// An empty list on any failure.
class DailyBarSource : public MarketSource
{
    Q_OBJECT
public:
    using MarketSource::MarketSource;

    using Completion = std::function<void(const QList<DayRecord> &)>;
    void fetch(const QString &symbol, const QObject *context, Completion completion);
};
