// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ConfigStore.h"

#include <QByteArray>
#include <QJsonArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Moving a watchlist between machines and tools, without dialogs: the list written as CSV
// or as the native JSON, files of either read back, and an imported list merged into the
// stored one.
//
// CSV: UTF-8 with a byte-order mark (so spreadsheets take it as UTF-8), CRLF lines, the
// header 代码,名称,持仓,成本,突破价,跌破价,涨幅提醒,跌幅提醒 and one row per item. A
// condition cell holds its kind's conditions separated by ";", each a number optionally
// followed by "@daily" (once per trading day) or "@once" (the default): "1500;1600@daily",
// "-3@daily". Percentages may carry a "%". A once condition that has fired is switched off
// and not written; the JSON keeps everything. Reading also takes GB 18030 (what spreadsheets
// save on Chinese systems), columns in any order, and names only the 代码 column as required.
namespace WatchlistTransfer {

enum class Format
{
    Csv,
    Json,
};

// JSON for a name ending in ".json", CSV otherwise.
Format formatForPath(const QString &path);

QByteArray toCsv(const QJsonArray &items);
QByteArray toJson(const QJsonArray &items);

struct Parsed
{
    QList<WatchItem> items;
    // Rows or entries refused, each with the reason.
    QStringList skipped;
};

// Bigger files are refused unread.
inline constexpr qint64 kMaxFileBytes = 8 * 1024 * 1024;

// None, with the reason in `error`, for a file that is not a watchlist at all (not JSON or
// not a list, no 代码 column, an unclosed quote, no item in it). Items whose symbol, numbers
// or conditions are refused are left out and named in `skipped`.
std::optional<Parsed> parse(const QByteArray &bytes, Format format, QString *error);

struct Merge
{
    QJsonArray items;
    QStringList added;   // display names
    QStringList updated; // display names
    QStringList skipped; // "<name or row>：<why>"
    bool changed() const { return !added.isEmpty() || !updated.isEmpty(); }
    // "导入完成：新增 2 只，更新 1 只，跳过 1 只。" and a line per skipped one.
    QString summary() const;
};

// Existing items keep their place, new ones are appended in file order. An imported
// position replaces the stored one (a cost left empty keeps the stored cost), imported
// conditions replace the stored ones; what the file leaves empty is kept. A symbol listed twice in
// the file counts once (the first).
Merge merge(const QJsonArray &existing, const Parsed &imported);

} // namespace WatchlistTransfer
