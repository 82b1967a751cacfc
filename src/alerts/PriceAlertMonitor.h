// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/PriceAlert.h"
#include "model/Quote.h"

#include <QList>
#include <QSet>
#include <QString>

class Clock;
class ConfigStore;
class Notifier;
struct AppSettings;

// The price conditions users set on their watch items, checked against each refresh's
// freshly fetched quotes. A condition that is met notifies once under its own identifier
// (apart from the state alerts and their cool-downs) and is marked fired in the watchlist
// file: a once condition is switched off, a daily one rests until the next trading date.
// Only the "关闭提醒" preset silences them; a silenced condition stays armed.
class PriceAlertMonitor
{
public:
    PriceAlertMonitor(ConfigStore &config, const AppSettings &settings, Notifier &notifier,
                      const Clock &clock);

    struct Outcome
    {
        int fired = 0;
        // Some condition's record changed, so the file was written.
        bool marked = false;
        // The firing record could not be written; the conditions still stay quiet for the
        // rest of this run.
        bool saveFailed = false;
    };
    // After a successful refresh, with the quotes the realtime answer gave for the watch
    // list (never a placeholder, never a quote kept from an earlier refresh).
    Outcome checkPriceAlerts(const QList<Quote> &fetched);

    // The trading date a quote belongs to: its own date, else today in Shanghai.
    QString tradingDateForQuote(const Quote &quote) const;
    static QString identifierFor(const Quote &quote, const PriceAlert &alert,
                                 const QString &tradingDate);
    static QString bodyFor(const Quote &quote, const PriceAlert &alert);

private:
    ConfigStore &m_config;
    const AppSettings &m_settings;
    Notifier &m_notifier;
    const Clock &m_clock;
    // Identifiers already sent in this run: what keeps a condition quiet when its record
    // could not be saved.
    QSet<QString> m_sent;
};
