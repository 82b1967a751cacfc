// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Yahoo's chart service, for Hong Kong and US minute series and daily bars: the request and
// one parser of its payload that both kinds of data are read from.

#include "model/DayRecord.h"
#include "model/MinuteSeries.h"
#include "net/Endpoints.h"
#include "net/HttpClient.h"

#include <QByteArray>
#include <QList>
#include <QTimeZone>

#include <optional>

class Symbol;

namespace yahoo {

// One point of a chart as sent: every value a number or 0, the stamp none when unusable.
struct ChartRow
{
    std::optional<qint64> stamp; // seconds since the epoch
    double open = 0;
    double high = 0;
    double low = 0;
    double close = 0;
    double volume = 0;
};

struct Chart
{
    QTimeZone zone; // the exchange's, for reading the stamps
    QList<ChartRow> rows;
};

std::optional<HttpRequest> chartRequest(const Endpoints &endpoints, const Symbol &symbol,
                                        const QString &range, const QString &interval);
// `chart` -> `result` -> first element; no rows when the answer has another shape.
Chart chartFromData(const QByteArray &body, const Symbol &symbol);
MinuteSeries minuteSeriesFromChart(const QByteArray &body, const Symbol &symbol);
QList<DayRecord> dayRecordsFromChart(const QByteArray &body, const Symbol &symbol);
// The exchange's zone by its IANA name; without a known name, the zone of the symbol's
// exchange.
QTimeZone timeZoneForName(const QString &name, const Symbol &symbol);

} // namespace yahoo
