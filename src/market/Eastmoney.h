// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Eastmoney's services: symbol suggestions, board tags (F10 concepts and the quote
// service's fields), minute trends and daily bars. Request builders and pure parsers.

#include "config/ConfigStore.h"
#include "model/DayRecord.h"
#include "model/MinuteSeries.h"
#include "net/Endpoints.h"
#include "net/HttpClient.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QStringList>

#include <optional>

class Symbol;

namespace eastmoney {

inline constexpr int kSearchTimeoutMs = 6000;
inline constexpr int kDailyBarLimit = 120;

// --- Symbol search
std::optional<HttpRequest> searchRequest(const Endpoints &endpoints, const QString &query);
std::optional<WatchItem> candidateFromSuggestion(const QJsonObject &suggestion);
// Distinct candidates of a suggestion answer, at most `limit`.
QList<WatchItem> candidatesFromSuggestData(const QByteArray &body, int limit);

// --- Board tags
std::optional<HttpRequest> f10Request(const Endpoints &endpoints, const Symbol &symbol);
std::optional<HttpRequest> stockRequest(const Endpoints &endpoints, const Symbol &symbol);
QStringList boardTagsFromF10(const QJsonDocument &json);
QStringList boardTagsFromStock(const QJsonDocument &json);
QStringList compactBoardTags(const QStringList &candidates);
bool shouldIgnoreBoardName(const QString &name);
bool isOverlyBroadBoardName(const QString &name);
// Trimmed, with the classification level mark (Ⅱ, Ⅲ) some industry names carry removed.
QString normalizedBoardName(const QString &name);

// --- Minute trends and daily bars (A-shares)
std::optional<HttpRequest> trendsRequest(const Endpoints &endpoints, const Symbol &symbol,
                                         qint64 epochMSecs);
MinuteSeries minuteSeriesFromTrends(const QByteArray &body, const Symbol &symbol);
std::optional<HttpRequest> dailyKRequest(const Endpoints &endpoints, const Symbol &symbol,
                                         qint64 epochMSecs);
QList<DayRecord> dayRecordsFromKlines(const QByteArray &body);

} // namespace eastmoney
