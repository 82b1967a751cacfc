// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/PriceAlertMonitor.h"

#include "alerts/AlertCenter.h"
#include "alerts/Notifier.h"
#include "config/AppSettings.h"
#include "config/ConfigStore.h"
#include "model/Clock.h"

#include <QDate>
#include <QHash>
#include <QTimeZone>

using namespace Qt::StringLiterals;

PriceAlertMonitor::PriceAlertMonitor(ConfigStore &config, const AppSettings &settings,
                                     Notifier &notifier, const Clock &clock)
    : m_config(config)
    , m_settings(settings)
    , m_notifier(notifier)
    , m_clock(clock)
{}

QString PriceAlertMonitor::tradingDateForQuote(const Quote &quote) const
{
    const QString format = u"yyyy-MM-dd"_s;
    if (QDate::fromString(quote.date, format).isValid())
        return quote.date;
    return m_clock.now().toTimeZone(QTimeZone("Asia/Shanghai")).date().toString(format);
}

QString PriceAlertMonitor::identifierFor(const Quote &quote, const PriceAlert &alert,
                                         const QString &tradingDate)
{
    return u"kestrum-price-"_s + quote.symbol + u'-' + toText(alert.kind) + u'-' +
           QString::number(alert.value, 'g', 12) + u'-' + tradingDate;
}

QString PriceAlertMonitor::bodyFor(const Quote &quote, const PriceAlert &alert)
{
    const QString rest = alert.repeat == PriceAlert::Repeat::Once
                             ? u"这条提醒只响一次，已关闭。"_s
                             : u"这条提醒每个交易日最多响一次。"_s;
    return AlertCenter::alertSnapshotTextForQuote(quote) + u"。"_s + rest;
}

PriceAlertMonitor::Outcome PriceAlertMonitor::checkPriceAlerts(const QList<Quote> &fetched)
{
    Outcome outcome;
    if (m_settings.alertPreset == AlertPreset::Off || fetched.isEmpty())
        return outcome;
    QHash<QString, Quote> bySymbol;
    for (const Quote &quote : fetched)
        bySymbol.insert(quote.symbol, quote);

    // Read afresh: the user may have edited the list since the refresh began.
    QJsonArray watchlist = m_config.loadWatchlist();
    for (qsizetype i = 0; i < watchlist.size(); ++i) {
        QJsonObject item = watchlist.at(i).toObject();
        const auto quote = bySymbol.constFind(item.value(u"symbol"_s).toString());
        if (quote == bySymbol.cend() || !item.value(u"priceAlerts"_s).isArray())
            continue;
        const QString date = tradingDateForQuote(*quote);
        const QString name = quote->name.isEmpty() ? quote->symbol : quote->name;
        QJsonArray conditions = item.value(u"priceAlerts"_s).toArray();
        bool changed = false;
        // In place, so entries this version cannot read keep their place and content.
        for (qsizetype j = 0; j < conditions.size(); ++j) {
            std::optional<PriceAlert> alert = PriceAlert::fromJson(conditions.at(j).toObject());
            if (!alert || !alert->isArmedOn(date) || !alert->isMetBy(*quote))
                continue;
            // A twin of a condition already sent (or one whose record could not be saved)
            // is marked without a second notification.
            const QString identifier = identifierFor(*quote, *alert, date);
            if (!m_sent.contains(identifier)) {
                m_sent.insert(identifier);
                m_notifier.post(identifier, alert->titleFor(name), bodyFor(*quote, *alert));
                ++outcome.fired;
            }
            alert->firedOn = date;
            conditions[j] = alert->toJson();
            changed = true;
            outcome.marked = true;
        }
        if (changed) {
            item.insert(u"priceAlerts"_s, conditions);
            watchlist[i] = item;
        }
    }
    if (outcome.marked)
        outcome.saveFailed = !m_config.saveWatchlist(watchlist);
    return outcome;
}
