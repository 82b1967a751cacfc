// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Sina's realtime feed: the request for a whole symbol list and the pure parser of its
// answer ("var hq_str_sh600519=\"name,open,...\";", one line per symbol).

#include "model/Quote.h"
#include "net/Endpoints.h"
#include "net/HttpClient.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace sina {

inline constexpr int kRealtimeTimeoutMs = 8000;

// Every line that is a plausible quote of a symbol; anything else is skipped.
QList<Quote> parseRealtime(QStringView text);
// UTF-8 when that decodes cleanly and looks like the feed, else GB 18030.
QString decodeRealtime(const QByteArray &body);
// Lower-cased, and only those in the stored form (Symbol::fromStored).
QStringList requestableSymbols(const QStringList &symbols);
QString realtimeTarget(const QStringList &symbols, qint64 epochMSecs);
// None when no entry is requestable.
std::optional<HttpRequest> realtimeRequest(const Endpoints &endpoints, const QStringList &symbols,
                                           qint64 epochMSecs);

} // namespace sina
