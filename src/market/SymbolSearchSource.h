// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ConfigStore.h"
#include "market/MarketSource.h"

#include <QList>

// Remote symbol search: Eastmoney's suggestion service, mapped to watch candidates.
class SymbolSearchSource : public MarketSource
{
    Q_OBJECT
public:
    using MarketSource::MarketSource;

    using Completion = std::function<void(const QList<WatchItem> &)>;
    // At most `limit` distinct candidates; nothing for blank text or on any failure.
    void search(const QString &query, int limit, const QObject *context, Completion completion);
};
