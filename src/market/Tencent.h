// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Tencent's minute query, for A-share and Hong Kong minute series: the request and the pure
// parser of its answer.

#include "model/MinuteSeries.h"
#include "net/Endpoints.h"
#include "net/HttpClient.h"

#include <QByteArray>

#include <optional>

class Symbol;

namespace tencent {

std::optional<HttpRequest> minuteRequest(const Endpoints &endpoints, const Symbol &symbol);
MinuteSeries minuteSeriesFromMinutes(const QByteArray &body, const Symbol &symbol);
// "20240102" as "2024-01-02"; any other text as it is.
QString normalizedDate(const QString &date);

} // namespace tencent
