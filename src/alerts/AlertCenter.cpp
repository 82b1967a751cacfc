// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/AlertCenter.h"

#include "alerts/Notifier.h"
#include "config/AppSettings.h"
#include "model/Clock.h"
#include "model/Formatters.h"

using namespace Qt::StringLiterals;

AlertCenter::AlertCenter(AppSettings &settings, Notifier &notifier, const Clock &clock,
                         const QList<Quote> &heldQuotes, AlertSources sources,
                         SaveFunction saveSettings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_notifier(notifier)
    , m_clock(clock)
    , m_heldQuotes(heldQuotes)
    , m_sources(std::move(sources))
    , m_save(std::move(saveSettings))
{}

qint64 AlertCenter::unixSeconds() const
{
    return m_clock.nowMSecs() / 1000;
}

// --- Presets -----------------------------------------------------------------------------

QString AlertCenter::presetTitle(AlertPreset preset)
{
    switch (preset) {
    case AlertPreset::Off:
        break;
    case AlertPreset::Conservative:
        return u"风险提醒"_s;
    case AlertPreset::Standard:
        return u"机会 + 风险提醒"_s;
    case AlertPreset::Sensitive:
        return u"全部关键变化"_s;
    }
    return u"关闭提醒"_s;
}

QString AlertCenter::infoItemTitle()
{
    return u"根据可跟踪、看回踩、先防守等状态变化提醒"_s;
}

AlertMenuEntry AlertCenter::alertPresetItem(AlertPreset preset) const
{
    AlertMenuEntry item;
    item.kind = AlertMenuEntry::Kind::Preset;
    item.title = presetTitle(preset);
    item.preset = preset;
    item.checked = preset == alertPreset();
    return item;
}

QList<AlertMenuEntry> AlertCenter::alertMenu() const
{
    QList<AlertMenuEntry> menu;
    for (const AlertPreset preset : enumValues<AlertPreset>())
        menu.append(alertPresetItem(preset));
    AlertMenuEntry separator;
    separator.kind = AlertMenuEntry::Kind::Separator;
    menu.append(separator);
    AlertMenuEntry info;
    info.kind = AlertMenuEntry::Kind::Info;
    info.title = infoItemTitle();
    info.enabled = false;
    menu.append(info);
    return menu;
}

void AlertCenter::setAlertPresetFromMenu(AlertPreset preset)
{
    m_settings.alertPreset = preset;
    // A state seen in the last minutes may notify again at once under the new preset.
    m_cooldowns.clear();
    if (preset != AlertPreset::Off)
        requestNotificationPermissionWithFeedback(true);
    if (m_save)
        m_save();
    Q_EMIT alertPresetChanged(m_settings.alertPreset);
}

// --- Evaluation --------------------------------------------------------------------------

QString AlertCenter::alertSnapshotTextForQuote(const Quote &quote)
{
    if (quote.price > 0)
        return u"现价 "_s + formatPrice(quote.price) + u"（"_s +
               formatPercent(quote.changePercent()) + u"）"_s;
    return u"盘中状态有更新"_s;
}

std::optional<AlertPayload> AlertCenter::alertNotificationPayloadForQuote(const Quote &quote) const
{
    return alertNotificationPayloadForQuote(quote, alertPreset());
}

std::optional<AlertPayload> AlertCenter::alertNotificationPayloadForQuote(const Quote &quote,
                                                                          AlertPreset preset) const
{
    if (preset == AlertPreset::Off)
        return std::nullopt;

    const std::optional<StateSnapshot> before =
        m_sources.previousSnapshot ? m_sources.previousSnapshot(quote.symbol) : std::nullopt;
    const std::optional<StateSnapshot> now =
        m_sources.currentSnapshot ? m_sources.currentSnapshot(quote.symbol) : std::nullopt;
    if (!before || !now)
        return std::nullopt;

    const ActionStatus execution = now->execution;
    const RiskStatus &risk = now->risk;
    const QString e = toText(execution);
    const QString k = risk.text();
    const int r = now->riskPressure;

    // The status words are compared, not their levels: the level follows the average line
    // or the day's low and drifts every refresh while the state it names stays.
    const bool executionChanged = execution != before->execution;
    const bool riskChanged = risk.word != before->risk.word;
    const bool escalated =
        r > 3 && r >= before->riskPressure + 2 && !executionChanged && !riskChanged;
    if (!executionChanged && !riskChanged && !escalated)
        return std::nullopt;

    // The new status words are the identifier, so one change of state notifies once per
    // cool-down while a different new state notifies at once; the body quotes the level.
    QString identifier = u"kestrum-state-"_s + quote.symbol + u'-' + e + u'-' + toText(risk.word);
    if (escalated)
        identifier += u'-' + QString::number(r);

    const bool holdBack =
        m_sources.shouldHoldBackAggressiveBuy && m_sources.shouldHoldBackAggressiveBuy(quote);
    const bool loss = risk.isLoss();
    const bool pullback = execution == ActionStatus::WatchPullback;
    const bool inPullback = risk.word == RiskWord::InPullback;
    const bool defend = execution == ActionStatus::Defend;
    const bool opportunity = executionChanged && execution == ActionStatus::Trackable && !holdBack;
    const bool watch = (executionChanged && pullback) || (riskChanged && inPullback) ||
                       (escalated && (pullback || inPullback));
    const bool defence =
        (executionChanged && defend) || (riskChanged && loss) || (escalated && (defend || loss));

    const QString name = quote.name.isEmpty() ? quote.symbol : quote.name;
    const QString snapshotText = alertSnapshotTextForQuote(quote);
    const bool conservative = preset == AlertPreset::Conservative;
    const bool active = !conservative; // Standard or Sensitive

    if (conservative && !defence)
        return std::nullopt;
    if (defence) {
        const QString lead = escalated ? u"继续走弱，先防守："_s : u"风险抬升，先防守："_s;
        return AlertPayload{u"风险提醒"_s, name + u' ' + lead + k + u"。"_s + snapshotText,
                            identifier};
    }
    if (active && opportunity) {
        return AlertPayload{u"机会提醒"_s,
                            name + u" 重新转强，可跟踪："_s + e + u"。"_s + snapshotText,
                            identifier};
    }
    if (active && watch) {
        const QString lead = escalated ? u"还在观察区，先别急："_s : u"进入观察区："_s;
        return AlertPayload{u"观察提醒"_s,
                            name + u' ' + lead + (pullback ? e : k) + u"。"_s + snapshotText,
                            identifier};
    }
    if (preset == AlertPreset::Sensitive) {
        return AlertPayload{u"关键变化"_s,
                            (escalated ? u"风险继续走弱，"_s : QString()) + name + u" 当前状态"_s +
                                e + u"，风险"_s + k + u"。"_s + snapshotText,
                            identifier};
    }
    return std::nullopt;
}

void AlertCenter::checkAlerts(const QList<Quote> &quotes)
{
    for (const Quote &quote : quotes) {
        const std::optional<AlertPayload> payload = alertNotificationPayloadForQuote(quote);
        if (!payload)
            continue;
        QString title = payload->title;
        if (title.isEmpty())
            title = !quote.name.isEmpty() ? quote.name : quote.symbol;
        if (title.isEmpty())
            title = u"盘中提醒"_s;
        QString identifier = payload->identifier;
        if (identifier.isEmpty())
            identifier = u"kestrum-alert-"_s + quote.symbol + u'-' + QString::number(unixSeconds());
        if (alertIsCoolingDownForIdentifier(identifier))
            continue;
        notifyQuote(quote, title, payload->body, identifier);
        markAlertCooldownForIdentifier(identifier);
    }
}

// --- Cool-downs --------------------------------------------------------------------------

bool AlertCenter::alertIsCoolingDownForIdentifier(const QString &identifier) const
{
    if (identifier.isEmpty())
        return false;
    const auto it = m_cooldowns.constFind(identifier);
    if (it == m_cooldowns.constEnd())
        return false;
    const qint64 elapsedMs = it->msecsTo(m_clock.now());
    // A clock set back by more than the cool-down leaves an entry dated in the future; it
    // must not hold the identifier silent until that future comes round again.
    return elapsedMs < kCooldownSeconds * 1000 && elapsedMs > -kCooldownSeconds * 1000;
}

void AlertCenter::markAlertCooldownForIdentifier(const QString &identifier)
{
    if (identifier.isEmpty())
        return;
    // Symbols, status words and pressure scores keep making new identifiers over weeks in
    // the tray: an entry that no longer cools is dropped, keeping the record to the last
    // few minutes' alerts.
    m_cooldowns.removeIf([this](const QHash<QString, QDateTime>::iterator &it) {
        return !alertIsCoolingDownForIdentifier(it.key());
    });
    m_cooldowns.insert(identifier, m_clock.now());
}

// --- Notifications -----------------------------------------------------------------------

void AlertCenter::notifyQuote(const std::optional<Quote> &quote, const QString &title,
                              const QString &body, const QString &identifier)
{
    QString shownTitle = title;
    if (shownTitle.isEmpty() && quote)
        shownTitle = !quote->name.isEmpty() ? quote->name : quote->symbol;
    QString id = identifier;
    if (id.isEmpty())
        id = u"kestrum-"_s + (quote ? quote->symbol : QString()) + u'-' +
             QString::number(unixSeconds());
    m_notifier.post(id, shownTitle, body);
}

AlertBoxText AlertCenter::permissionWarningText()
{
    return {u"没有通知服务应答"_s,
            u"桌面的通知服务（org.freedesktop.Notifications）没有应答。请启动或安装通知服务"
            u"（桌面环境自带，或 dunst、mako 等），否则盘中提醒不会弹出。"_s,
            u"知道了"_s};
}

void AlertCenter::requestNotificationPermissionWithFeedback(bool feedback)
{
    m_notifier.requestPermission(this, [this, feedback](bool granted) {
        Q_EMIT notificationPermissionAnswered(granted);
        if (feedback && !granted) {
            const AlertBoxText box = permissionWarningText();
            Q_EMIT permissionWarningRequested(box.message, box.informativeText, box.button);
        }
    });
}

void AlertCenter::sendTestAlertNotification()
{
    requestNotificationPermission();
    const std::optional<Quote> first =
        m_heldQuotes.isEmpty() ? std::nullopt : std::optional<Quote>(m_heldQuotes.first());
    notifyQuote(first, u"盘中提醒测试"_s,
                u"通知已开启。盘中出现可跟踪、看回踩或先防守等状态变化时，澄川会及时提醒。"_s,
                u"kestrum-test-"_s + QString::number(unixSeconds()));
}
