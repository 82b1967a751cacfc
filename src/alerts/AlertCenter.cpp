// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/AlertCenter.h"

#include "alerts/Notifier.h"
#include "config/AppSettings.h"
#include "model/Clock.h"
#include "model/Formatters.h"

using namespace Qt::StringLiterals;

namespace {

const QString kOff = u"off"_s;
const QString kConservative = u"conservative"_s;
const QString kStandard = u"standard"_s;
const QString kSensitive = u"sensitive"_s;

struct StateView
{
    QString execution;
    QString risk;
    int pressure = 0;
};

StateView stateOf(const QJsonObject &snapshot)
{
    return {snapshot.value(u"execution"_s).toString(), snapshot.value(u"risk"_s).toString(),
            snapshot.value(u"riskPressure"_s).toInt()};
}

// A status without the price level it quotes ("失 66.91" gives "失"). The level follows the
// average line or the day's low and drifts every refresh; the state it names does not, so
// changes and alert identities are made of these words.
QString statusWord(const QString &status)
{
    const qsizetype space = status.indexOf(u' ');
    return space < 0 ? status : status.left(space);
}

// "失 %@" carries a space after its first character; "失守" alone is no loss status.
bool isLossStatus(const QString &risk)
{
    return risk == u"结构转弱" || risk == u"回踩偏弱" || risk.startsWith(u"失 ");
}

} // namespace

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

const QList<std::pair<QString, QString>> &AlertCenter::presetKeysAndTitles()
{
    static const QList<std::pair<QString, QString>> presets{
        {kOff, u"关闭提醒"_s},
        {kConservative, u"风险提醒"_s},
        {kStandard, u"机会 + 风险提醒"_s},
        {kSensitive, u"全部关键变化"_s},
    };
    return presets;
}

QString AlertCenter::infoItemTitle()
{
    return u"根据可跟踪、看回踩、先防守等状态变化提醒"_s;
}

QString AlertCenter::normalizedAlertPreset(const QString &preset)
{
    if (preset == u"defense")
        return kConservative;
    if (preset == u"focus")
        return kStandard;
    if (preset == u"opportunity" || preset == u"observe")
        return kSensitive;
    return preset;
}

QString AlertCenter::alertPreset() const
{
    return m_settings.alertPreset.isEmpty() ? kOff : m_settings.alertPreset;
}

AlertMenuEntry AlertCenter::alertPresetItem(const QString &title, const QString &key) const
{
    AlertMenuEntry item;
    item.kind = AlertMenuEntry::Kind::Preset;
    item.title = title;
    item.key = key;
    item.checked = key == alertPreset();
    return item;
}

QList<AlertMenuEntry> AlertCenter::alertMenu() const
{
    QList<AlertMenuEntry> menu;
    for (const auto &[key, title] : presetKeysAndTitles())
        menu.append(alertPresetItem(title, key));
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

void AlertCenter::setAlertPresetFromMenu(const QVariant &representedObject)
{
    const bool isString = representedObject.metaType() == QMetaType::fromType<QString>();
    m_settings.alertPreset = isString ? representedObject.toString() : kOff;
    // A state seen in the last minutes may notify again at once under the new preset.
    m_cooldowns.clear();
    if (m_settings.alertPreset != kOff)
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

std::optional<AlertPayload>
AlertCenter::alertNotificationPayloadForQuote(const Quote &quote, const QString &chosen) const
{
    const QString preset = normalizedAlertPreset(chosen.isEmpty() ? kOff : chosen);
    if (preset == kOff)
        return std::nullopt;

    const QJsonObject previous =
        m_sources.previousSnapshot ? m_sources.previousSnapshot(quote.symbol) : QJsonObject();
    const QJsonObject current =
        m_sources.currentSnapshot ? m_sources.currentSnapshot(quote.symbol) : QJsonObject();
    if (previous.isEmpty() || current.isEmpty())
        return std::nullopt;

    const StateView now = stateOf(current);
    const StateView before = stateOf(previous);
    const QString &e = now.execution;
    const QString &k = now.risk;
    const int r = now.pressure;

    // An empty status never counts as a change: it says nothing about the stock. Neither
    // does a level that moved while its status word stayed.
    const bool executionChanged = !e.isEmpty() && statusWord(e) != statusWord(before.execution);
    const bool riskChanged = !k.isEmpty() && statusWord(k) != statusWord(before.risk);
    const bool escalated = r > 3 && r >= before.pressure + 2 && !executionChanged && !riskChanged;
    if (!executionChanged && !riskChanged && !escalated)
        return std::nullopt;

    // The new status words are the identifier, so one change of state notifies once per
    // cool-down while a different new state notifies at once; the body quotes the level.
    QString identifier =
        u"kestrum-state-"_s + quote.symbol + u'-' + statusWord(e) + u'-' + statusWord(k);
    if (escalated)
        identifier += u'-' + QString::number(r);

    const bool holdBack =
        m_sources.shouldHoldBackAggressiveBuy && m_sources.shouldHoldBackAggressiveBuy(quote);
    const bool loss = isLossStatus(k);
    const bool opportunity = executionChanged && e == u"可跟踪" && !holdBack;
    const bool watch = (executionChanged && e == u"看回踩") || (riskChanged && k == u"回踩中") ||
                       (escalated && (e == u"看回踩" || k == u"回踩中"));
    const bool defence = (executionChanged && e == u"先防守") || (riskChanged && loss) ||
                         (escalated && (e == u"先防守" || loss));

    const QString name = quote.name.isEmpty() ? quote.symbol : quote.name;
    const QString snapshotText = alertSnapshotTextForQuote(quote);
    const bool active = preset == kStandard || preset == kSensitive;

    if (preset == kConservative && !defence)
        return std::nullopt;
    if ((active || preset == kConservative) && defence) {
        const QString lead = escalated ? u"继续走弱，先防守："_s : u"风险抬升，先防守："_s;
        return AlertPayload{u"风险提醒"_s,
                            name + u' ' + lead + (k.isEmpty() ? e : k) + u"。"_s + snapshotText,
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
                            name + u' ' + lead + (e == u"看回踩" ? e : k) + u"。"_s + snapshotText,
                            identifier};
    }
    if (preset == kSensitive) {
        return AlertPayload{u"关键变化"_s,
                            (escalated ? u"风险继续走弱，"_s : QString()) + name + u" 当前状态"_s +
                                (e.isEmpty() ? u"观察中"_s : e) + u"，风险"_s +
                                (k.isEmpty() ? u"可控"_s : k) + u"。"_s + snapshotText,
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
