// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QJsonValue>
#include <QString>

#include <optional>

class Clock;
class ConfigStore;
class DailyCache;
class BoardTags;

// The strategy directory below the application directory and what its files share: their
// names, whole-file JSON reads and atomic writes, and the two date forms written inside
// them (a local timestamp with its zone offset, and the local day).
class StrategyStore
{
public:
    StrategyStore(const ConfigStore &config, const Clock &clock);

    const ConfigStore &config() const { return m_config; }
    const Clock &clock() const { return m_clock; }

    QString strategyDirectoryURL() const;
    QString decisionSamplesURL() const;
    // Outcomes given since they were last written into the samples' lines.
    QString decisionOutcomesURL() const;
    QString dailyCacheURL() const;
    QString boardMapURL() const;
    // decision_samples.archive-<yyyyMMdd>.jsonl
    QString decisionSamplesArchiveURL(const QString &daySuffix) const;

    // Creates the directory with missing parents; true when it exists afterwards.
    bool ensureStrategyDirectory() const;

    // "yyyy-MM-dd'T'HH:mm:ssZ" in the clock's local zone, e.g. 2025-01-10T14:30:00+0800.
    QString strategyISOStringForDate(const std::optional<QDateTime> &date = std::nullopt) const;
    // The instant of a timestamp text; none for a non-string, an empty or unparsable text.
    static std::optional<QDateTime> strategyDateFromISOString(const QJsonValue &value);
    // Today as "yyyy-MM-dd" in the clock's local zone, read afresh on every call.
    QString strategyTodayString() const;

    // The whole file's JSON value (object or array), else the fallback.
    static QJsonValue
    jsonObjectAtURL(const QString &path,
                    const QJsonValue &fallback = QJsonValue(QJsonValue::Undefined));
    // Pretty-printed, atomically replaced. Only objects and arrays are written; false when
    // nothing was written (the previous file then stays in place).
    bool writeJSONObject(const QJsonValue &value, const QString &path) const;

    // The launch load: both maps from their files, defaults merged into the board map,
    // tags filled for the watchlist, the board map written back when it changed.
    void loadStrategyDataLayer(DailyCache &dailyCache, BoardTags &boardTags) const;

private:
    const ConfigStore &m_config;
    const Clock &m_clock;
};
