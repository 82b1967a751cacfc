// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/AppSettings.h"
#include "decision/DecisionStates.h"
#include "model/Quote.h"

#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>

class Clock;
class Notifier;

// One notification the evaluation wants to send.
struct AlertPayload
{
    QString title;
    QString body;
    QString identifier;

    bool operator==(const AlertPayload &) const = default;
};

// One row of the preset menu, as plain data: the quick-actions menu lays its alert submenu
// out from these rows (ui/AlertMenu).
struct AlertMenuEntry
{
    enum class Kind
    {
        Preset,
        Separator,
        Info
    };

    Kind kind = Kind::Preset;
    QString title;
    AlertPreset preset = AlertPreset::Off; // presets: handed back to setAlertPresetFromMenu
    bool checked = false;
    bool enabled = true;
};

// The texts of the warning box shown when notifications cannot be delivered.
struct AlertBoxText
{
    QString message;
    QString informativeText;
    QString button;
};

// What the evaluation reads from the decision layer. The refresh cycle's state snapshots
// fit (StateSnapshots::currentStateForSymbol and previousStateForSymbol); a missing
// function reads as "nothing there".
struct AlertSources
{
    // The snapshot of the latest successful refresh.
    std::function<std::optional<StateSnapshot>(const QString &symbol)> currentSnapshot;
    // The snapshot of the refresh before it.
    std::function<std::optional<StateSnapshot>(const QString &symbol)> previousSnapshot;
    std::function<bool(const Quote &)> shouldHoldBackAggressiveBuy;
};

// The intraday alerts: the preset that decides how talkative they are, the comparison of
// each stock's decision state with the refresh before, per-identifier cool-downs, and the
// desktop notifications themselves (through the injected Notifier).
//
// Cool-downs and the preset menu's effects live here; the preset itself is the settings
// field `alertPreset`, saved through the injected function.
class AlertCenter : public QObject
{
    Q_OBJECT
public:
    using SaveFunction = std::function<void()>;

    static constexpr qint64 kCooldownSeconds = 480;

    // `heldQuotes` is the controller's current quote list (the test notification names the
    // first one); it must outlive this object, as must the other references.
    AlertCenter(AppSettings &settings, Notifier &notifier, const Clock &clock,
                const QList<Quote> &heldQuotes, AlertSources sources, SaveFunction saveSettings,
                QObject *parent = nullptr);

    // --- Presets ---
    // The menu title of a preset.
    static QString presetTitle(AlertPreset preset);
    static QString infoItemTitle();
    AlertPreset alertPreset() const { return m_settings.alertPreset; }
    QList<AlertMenuEntry> alertMenu() const;
    AlertMenuEntry alertPresetItem(AlertPreset preset) const;
    // The menu action.
    void setAlertPresetFromMenu(AlertPreset preset);

    // --- Evaluation ---
    static QString alertSnapshotTextForQuote(const Quote &quote);
    std::optional<AlertPayload> alertNotificationPayloadForQuote(const Quote &quote) const;
    // The same under another preset, whatever the chosen one is.
    std::optional<AlertPayload> alertNotificationPayloadForQuote(const Quote &quote,
                                                                 AlertPreset preset) const;
    // After every successful refresh, with the quotes fetched for the watch list.
    void checkAlerts(const QList<Quote> &quotes);

    // --- Cool-downs ---
    bool alertIsCoolingDownForIdentifier(const QString &identifier) const;
    void markAlertCooldownForIdentifier(const QString &identifier);
    const QHash<QString, QDateTime> &alertCooldowns() const { return m_cooldowns; }

    // --- Notifications ---
    // Empty texts fall back as the notification rules say (title: the quote's name or
    // symbol; identifier: "kestrum-<symbol>-<unix seconds>").
    void notifyQuote(const std::optional<Quote> &quote, const QString &title, const QString &body,
                     const QString &identifier);
    void requestNotificationPermission() { requestNotificationPermissionWithFeedback(false); }
    // With feedback, a refusal asks the user interface to show the warning box.
    void requestNotificationPermissionWithFeedback(bool feedback);
    void sendTestAlertNotification();
    static AlertBoxText permissionWarningText();

Q_SIGNALS:
    // A preset was chosen (even the one already active): redraw what shows it.
    void alertPresetChanged(AlertPreset preset);
    void notificationPermissionAnswered(bool granted);
    // Notifications cannot be delivered and the user asked for feedback: the user
    // interface shows a box with these texts (message, informative text, one button).
    void permissionWarningRequested(const QString &message, const QString &informativeText,
                                    const QString &button);

private:
    qint64 unixSeconds() const;

    AppSettings &m_settings;
    Notifier &m_notifier;
    const Clock &m_clock;
    const QList<Quote> &m_heldQuotes;
    AlertSources m_sources;
    SaveFunction m_save;
    QHash<QString, QDateTime> m_cooldowns;
};
