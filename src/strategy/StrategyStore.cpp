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

QString StrategyStore::decisionOutcomesURL() const
{
    return decisionSamplesURL() + u".outcomes"_s;
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
    // Read by hand: the sample log holds one of these per line and per outcome.
    const QString text = value.toString();
    const auto number = [&text](qsizetype at, qsizetype digits) {
        int n = 0;
        for (qsizetype i = at; i < at + digits; ++i) {
            if (i >= text.size() || text.at(i).unicode() < u'0' || text.at(i).unicode() > u'9')
                return -1;
            n = n * 10 + (text.at(i).unicode() - u'0');
        }
        return n;
    };
    const auto is = [&text](qsizetype at, char16_t c) {
        return at < text.size() && text.at(at) == c;
    };
    // yyyy-MM-ddTHH:mm:ss
    if (!is(4, u'-') || !is(7, u'-') || !is(10, u'T') || !is(13, u':') || !is(16, u':'))
        return std::nullopt;
    const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
    const int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    const QDate date(year, month, day);
    if (year < 0 || !date.isValid() || hour < 0 || minute < 0 || second < 0 ||
        !QTime::isValid(hour, minute, second))
        return std::nullopt;
    // The written form is +HHMM; +HH:MM and Z are read as well, since a hand-edited file
    // may carry them.
    int offset = 0;
    if (is(19, u'Z') && text.size() == 20) {
        offset = 0;
    } else if (is(19, u'+') || is(19, u'-')) {
        const bool colon = is(22, u':');
        const int hours = number(20, 2);
        const int minutes = number(colon ? 23 : 22, 2);
        if (text.size() != (colon ? 25 : 24) || hours < 0 || minutes < 0 || hours > 14 ||
            minutes > 59)
            return std::nullopt;
        offset = (hours * 3600 + minutes * 60) * (is(19, u'-') ? -1 : 1);
    } else {
        return std::nullopt;
    }
    const QDateTime asUtc(date, QTime(hour, minute, second), QTimeZone::utc());
    return asUtc.addSecs(-offset);
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
