// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What kestrum-test-writer writes, shared with the test that kills it: every file's content
// is a function of a version number, so the test can tell whether a file is exactly what the
// writer wrote for one of the versions it may hold. Header-only, so the writer links only
// the core library and starts quickly.

#include "config/AppSettings.h"
#include "model/DayRecord.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QTimeZone>

namespace CrashScript {

using namespace Qt::StringLiterals;

inline const QString kSampleSymbol = u"sh600000"_s;
inline const QString kDailySymbol = u"sz000001"_s;

// The writer's clock for a version or a sample: one simulated minute each.
inline QDateTime momentOf(qint64 n)
{
    return QDateTime(QDate(2026, 4, 28), QTime(9, 30), QTimeZone("Asia/Shanghai")).addSecs(n * 60);
}

// Lengths vary with the version, so a file cut short could not pass for another version.
inline QJsonArray watchlistFor(qint64 v)
{
    QJsonArray items;
    for (int k = 0; k <= v % 7; ++k) {
        const QString code = QString::number(600000 + (v * 7 + k) % 4000);
        items.append(QJsonObject{{u"symbol"_s, QString(u"sh"_s + code)},
                                 {u"name"_s, u"样本-%1-%2"_s.arg(v).arg(k)},
                                 {u"market"_s, u"沪市"_s}});
    }
    return items;
}

inline QJsonObject settingsFor(qint64 v)
{
    AppSettings settings;
    settings.displayMode = DisplayMode(v % 3);
    settings.aiModel = u"model-%1"_s.arg(v);
    settings.aiInsights.insert(kSampleSymbol, QString(int(v % 40) + 1, QChar(u'观')));
    settings.aiInsightDates.insert(kSampleSymbol, u"2026-04-28"_s);
    return settings.toJson();
}

inline QList<DayRecord> daysFor(qint64 v)
{
    QList<DayRecord> days;
    const QDate last(2026, 4, 27);
    for (int k = int(v % 25) + 5; k >= 0; --k) {
        DayRecord day;
        day.date = last.addDays(-k).toString(Qt::ISODate);
        day.open = 10.0 + 0.01 * k;
        day.close = day.open + 0.05;
        day.high = day.close + 0.1;
        day.low = day.open - 0.1;
        day.volume = double(v);
        day.amount = day.volume * day.close;
        days.append(day);
    }
    return days;
}

// The whole daily cache after the writer stored version v under kDailySymbol.
inline QJsonObject dailyCacheFor(qint64 v, const QString &updatedAt)
{
    const QList<DayRecord> days = daysFor(v);
    return QJsonObject{{kDailySymbol, QJsonObject{
                                          {u"symbol"_s, kDailySymbol},
                                          {u"updated_at"_s, updatedAt},
                                          {u"days"_s, DailyCache::daysToJson(days)},
                                          {u"features"_s, DailyCache::dailyFeaturesFromDays(days)},
                                          {u"daily_stale"_s, false},
                                      }}};
}

inline QJsonObject boardMapFor(qint64 v)
{
    QJsonObject map = BoardTags::defaultBoardMap();
    for (int k = 0; k <= v % 5; ++k)
        map.insert(u"sh688%1"_s.arg(k, 3, 10, QChar(u'0')),
                   QJsonArray{u"版本%1"_s.arg(v), u"半导体"_s});
    return map;
}

// A decision sample as the log appends it, numbered.
inline QJsonObject sampleFor(qint64 seq, const QString &recordedAt)
{
    return QJsonObject{
        {u"sample_id"_s, QString(kSampleSymbol + u'-' + QString(recordedAt).remove(u':'))},
        {u"symbol"_s, kSampleSymbol},
        {u"name"_s, u"浦发银行"_s},
        {u"recorded_at"_s, recordedAt},
        {u"price"_s, 10.0 + 0.01 * double(seq % 50)},
        {u"seq"_s, double(seq)},
        {u"intraday_features"_s, QJsonObject{{u"samplePosition"_s, 0.0}}},
        {u"future"_s, QJsonObject()},
    };
}

} // namespace CrashScript
