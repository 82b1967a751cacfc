// SPDX-License-Identifier: GPL-3.0-or-later
#include "strategy/StrategyStore.h"

#include "config/ConfigStore.h"
#include "config/JsonFile.h"
#include "model/Clock.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTimeZone>

using namespace Qt::StringLiterals;

StrategyStore::StrategyStore(const ConfigStore &config, const Clock &clock)
    : m_config(config)
    , m_clock(clock)
{}

QString StrategyStore::strategyDirectoryURL() const
{
    return m_config.strategyDir();
}

QString StrategyStore::decisionSamplesURL() const
{
    return strategyDirectoryURL() + u"/decision_samples.jsonl"_s;
}

QString StrategyStore::dailyCacheURL() const
{
    return strategyDirectoryURL() + u"/daily_cache.json"_s;
}

QString StrategyStore::boardMapURL() const
{
    return strategyDirectoryURL() + u"/board_map.json"_s;
}

QString StrategyStore::decisionSamplesArchiveURL(const QString &daySuffix) const
{
    return strategyDirectoryURL() + u"/decision_samples.archive-"_s + daySuffix + u".jsonl"_s;
}

bool StrategyStore::ensureStrategyDirectory() const
{
    return QDir().mkpath(strategyDirectoryURL());
}

QString StrategyStore::strategyISOStringForDate(const std::optional<QDateTime> &date) const
{
    const QDateTime moment = date && date->isValid() ? *date : m_clock.now();
    const QDateTime local = moment.toTimeZone(m_clock.localZone());
    const int offset = local.offsetFromUtc();
    const int magnitude = std::abs(offset) / 60;
    const QString zone = (offset < 0 ? u"-"_s : u"+"_s) +
                         QString::number(magnitude / 60).rightJustified(2, u'0') +
                         QString::number(magnitude % 60).rightJustified(2, u'0');
    return local.toString(u"yyyy-MM-dd'T'HH:mm:ss"_s) + zone;
}

std::optional<QDateTime> StrategyStore::strategyDateFromISOString(const QJsonValue &value)
{
    if (!value.isString())
        return std::nullopt;
    const QString text = value.toString();
    if (text.isEmpty())
        return std::nullopt;
    // The written form is +HHMM; +HH:MM and Z are read as well, since a hand-edited file
    // may carry them.
    static const QRegularExpression form(
        uR"(\A(\d{4}-\d{2}-\d{2})T(\d{2}:\d{2}:\d{2})(?:(Z)|([+-])(\d{2}):?(\d{2}))\z)"_s);
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date = QDate::fromString(match.captured(1), u"yyyy-MM-dd"_s);
    const QTime time = QTime::fromString(match.captured(2), u"HH:mm:ss"_s);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    int offset = 0;
    if (match.captured(3).isEmpty()) {
        const int hours = match.captured(5).toInt();
        const int minutes = match.captured(6).toInt();
        if (hours > 14 || minutes > 59)
            return std::nullopt;
        offset = (hours * 3600 + minutes * 60) * (match.captured(4) == u"-"_s ? -1 : 1);
    }
    const QDateTime parsed(date, time, QTimeZone(offset));
    if (!parsed.isValid())
        return std::nullopt;
    return parsed.toUTC();
}

QString StrategyStore::strategyTodayString() const
{
    return m_clock.localNow().toString(u"yyyy-MM-dd"_s);
}

QJsonValue StrategyStore::jsonObjectAtURL(const QString &path, const QJsonValue &fallback)
{
    const std::optional<QJsonDocument> document = JsonFile::read(path);
    if (!document)
        return fallback;
    if (document->isObject())
        return document->object();
    if (document->isArray())
        return document->array();
    return fallback;
}

bool StrategyStore::writeJSONObject(const QJsonValue &value, const QString &path) const
{
    if (path.isEmpty() || !(value.isObject() || value.isArray()))
        return false;
    ensureStrategyDirectory();
    const QJsonDocument document =
        value.isObject() ? QJsonDocument(value.toObject()) : QJsonDocument(value.toArray());
    return JsonFile::writePretty(path, document);
}

void StrategyStore::loadStrategyDataLayer(DailyCache &dailyCache, BoardTags &boardTags) const
{
    ensureStrategyDirectory();
    dailyCache.loadDailyCache();
    const bool changed = boardTags.loadBoardMap();
    boardTags.ensureBoardTagsForWatchItems(m_config.loadWatchlist());
    if (changed)
        boardTags.saveBoardMap();
}
