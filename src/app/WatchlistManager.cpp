// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WatchlistManager.h"

#include "app/KestrumApp.h"
#include "config/WatchItemInput.h"
#include "market/MarketSources.h"
#include "model/Symbol.h"
#include "strategy/BoardTags.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString symbolOf(const QJsonValue &item)
{
    return item.toObject().value(u"symbol"_s).toString();
}

} // namespace

WatchlistManager::WatchlistManager(KestrumApp &app, QObject *parent)
    : QObject(parent)
    , m_app(app)
{}

QString WatchlistManager::defaultHint()
{
    return u"输入后按 Enter 添加，方向键可选择候选。"_s;
}

QString WatchlistManager::notFoundMessage()
{
    return u"未找到匹配股票，可输入 6 位 A 股、00700.HK 或 AAPL。"_s;
}

QString WatchlistManager::saveFailedMessage(JsonFile::WriteFailure why)
{
    return u"自选列表未能保存："_s + toText(why) + u"。"_s;
}

QString WatchlistManager::unreadableNotice()
{
    return u"自选列表文件无法读取，修改前会先另存原文件。"_s;
}

QString WatchlistManager::unreadableLeftAloneMessage()
{
    return u"自选列表文件无法读取，也无法另存，未作修改。"_s;
}

QString WatchlistManager::fileNotice() const
{
    if (m_feedbackAboutFile)
        return m_feedbackMessage;
    return m_app.config().isWatchlistUnreadable() ? unreadableNotice() : QString();
}

bool WatchlistManager::shouldShowSuggestions() const
{
    return m_inputChanged && !m_inputText.trimmed().isEmpty();
}

QJsonArray WatchlistManager::watchItems() const
{
    return m_app.config().loadWatchlist();
}

QString WatchlistManager::displayNameForItem(const WatchItem &item)
{
    const QString name = item.value(u"name"_s).toString();
    return name.isEmpty() ? item.value(u"symbol"_s).toString().toUpper() : name;
}

void WatchlistManager::setFeedback(const QString &message, WatchFeedbackTone tone, bool aboutFile)
{
    m_feedbackMessage = message;
    m_feedbackTone = tone;
    m_feedbackAboutFile = aboutFile;
    Q_EMIT feedbackChanged();
}

// --- Input -------------------------------------------------------------------------------

void WatchlistManager::clearSuggestions()
{
    m_suggestions.clear();
    m_selectedIndex = -1;
}

void WatchlistManager::resetInput()
{
    m_inputText.clear();
    m_inputChanged = false;
    clearSuggestions();
    // A search still on its way belongs to the text just cleared: it must not fill the
    // (hidden) list, or the next Enter would add a stock nobody chose.
    m_remoteQuery.clear();
    Q_EMIT inputReset();
    Q_EMIT suggestionsChanged();
}

void WatchlistManager::enterDesktopSection()
{
    resetInput();
    if (m_feedbackMessage.isEmpty()) {
        const QString notice = fileNotice();
        if (notice.isEmpty())
            setFeedback(defaultHint(), WatchFeedbackTone::Muted);
        else
            setFeedback(notice, WatchFeedbackTone::Warning);
    }
}

void WatchlistManager::setInputText(const QString &text)
{
    m_inputText = text;
    m_inputChanged = true;
    updateWatchSuggestions(text);
}

void WatchlistManager::restoreSuggestionsAfterRebuild()
{
    clearSuggestions();
    if (shouldShowSuggestions()) {
        updateWatchSuggestions(m_inputText);
        return;
    }
    m_remoteQuery.clear();
    Q_EMIT suggestionsChanged();
}

void WatchlistManager::updateWatchSuggestions(const QString &text)
{
    const QString query = text.trimmed();
    m_remoteQuery = query;
    m_suggestions = m_app.config().matchesForWatchInput(query, kSuggestionLimit);
    m_selectedIndex = m_suggestions.isEmpty() ? -1 : 0;
    Q_EMIT suggestionsChanged();
    if (query.isEmpty())
        return;
    // Every keystroke searches; answers for older texts are dropped when they arrive.
    m_app.market().search.search(
        query, kSuggestionLimit, this,
        [this, query](const QList<WatchItem> &remote) { applyRemoteCandidates(query, remote); });
}

void WatchlistManager::applyRemoteCandidates(const QString &query, const QList<WatchItem> &remote)
{
    if (m_remoteQuery != query || remote.isEmpty()) {
        Q_EMIT remoteAnswered(query, false);
        return;
    }
    QList<WatchItem> merged;
    QSet<QString> taken;
    const QList<WatchItem> local = m_suggestions;
    for (const QList<WatchItem> *source : {&remote, &local}) {
        for (const WatchItem &candidate : *source) {
            if (merged.size() >= kSuggestionLimit)
                break;
            const QString symbol = candidate.value(u"symbol"_s).toString().toLower();
            if (symbol.isEmpty() || taken.contains(symbol))
                continue;
            taken.insert(symbol);
            merged.append(candidate);
        }
    }
    m_suggestions = merged;
    m_selectedIndex = m_suggestions.isEmpty() ? -1 : 0;
    Q_EMIT suggestionsChanged();
    Q_EMIT remoteAnswered(query, true);
}

bool WatchlistManager::handleCommand(Command command)
{
    const int count = int(m_suggestions.size());
    switch (command) {
    case Command::MoveDown:
        if (count > 0) {
            m_selectedIndex = std::min(count - 1, m_selectedIndex + 1);
            Q_EMIT suggestionsChanged();
        }
        return true;
    case Command::MoveUp:
        if (count > 0) {
            m_selectedIndex = std::max(m_selectedIndex, 1) - 1;
            Q_EMIT suggestionsChanged();
        }
        return true;
    case Command::InsertNewline:
        addWatchItem();
        return true;
    case Command::Other:
        break;
    }
    return false;
}

// --- Actions -----------------------------------------------------------------------------

bool WatchlistManager::saveWatchlist(const QJsonArray &items, QString *keptAside)
{
    JsonFile::KeptAside kept;
    if (!m_app.config().saveWatchlist(items, &kept)) {
        reportSaveFailure(kept.unreadable);
        return false;
    }
    m_app.noteStoredWatchlist(items);
    if (kept.unreadable) {
        // Also on the status line the refresh after this change leaves.
        m_app.noteUnreadableFile(StoredFile::Watchlist, kept.copyPath);
        if (keptAside)
            *keptAside = KestrumApp::unreadableFileNotice(StoredFile::Watchlist, kept.copyPath);
    }
    if (m_saveFailed) {
        // The error no longer describes the file; the next outcome or the hint takes over.
        m_saveFailed = false;
        setFeedback(QString(), WatchFeedbackTone::Muted);
    }
    return true;
}

void WatchlistManager::reportSaveFailure(bool unreadable)
{
    // The list on disk is the previous one; the input keeps its text so Enter can retry.
    m_saveFailed = true;
    Q_EMIT beepRequested();
    const QString message =
        unreadable ? unreadableLeftAloneMessage()
                   : saveFailedMessage(JsonFile::whyNotSaved(m_app.config().watchlistPath()));
    m_app.setLastStatus(message.chopped(1));
    setFeedback(message, WatchFeedbackTone::Error, true);
}

void WatchlistManager::addWatchItem()
{
    std::optional<WatchItem> candidate;
    if (m_selectedIndex >= 0 && m_selectedIndex < m_suggestions.size())
        candidate = m_suggestions.at(m_selectedIndex);
    else
        candidate = m_app.config().resolveWatchInput(m_inputText);
    // Only a symbol in its market's form is ever stored.
    if (candidate && !Symbol::isStoredForm(candidate->value(u"symbol"_s).toString()))
        candidate.reset();

    if (!candidate) {
        Q_EMIT beepRequested();
        m_saveFailed = false;
        m_app.setLastStatus(u"未找到匹配股票"_s);
        setFeedback(notFoundMessage(), WatchFeedbackTone::Error);
        return;
    }

    const QString symbol = candidate->value(u"symbol"_s).toString();
    QJsonArray watchlist = m_app.config().loadWatchlist();
    const bool listed =
        std::any_of(watchlist.begin(), watchlist.end(),
                    [&](const QJsonValue &item) { return symbolOf(item) == symbol; });
    if (listed) {
        const QString message = displayNameForItem(*candidate) + u" 已在自选列表中。"_s;
        m_saveFailed = false;
        m_app.setLastStatus(message);
        setFeedback(message, WatchFeedbackTone::Warning);
        resetInput();
        return;
    }

    watchlist.append(*candidate);
    QString keptAside;
    if (!saveWatchlist(watchlist, &keptAside))
        return;
    m_app.boardTags().ensureBoardTagsForWatchItems(watchlist);
    const QString added =
        u"已添加 "_s + displayNameForItem(*candidate) + u"，下一轮刷新会同步行情。"_s;
    // The copy comes first: a line cut short for room must still say where the list went.
    const QString message = keptAside.isEmpty() ? added : keptAside + u"；"_s + added;
    m_app.setLastStatus(message);
    setFeedback(message,
                keptAside.isEmpty() ? WatchFeedbackTone::Success : WatchFeedbackTone::Warning,
                !keptAside.isEmpty());
    resetInput();
    Q_EMIT watchlistChanged();
    m_app.reloadConfig();
}

void WatchlistManager::selectSuggestion(int index)
{
    m_selectedIndex = index;
    Q_EMIT suggestionsChanged();
    addWatchItem();
}

bool WatchlistManager::moveWatchItem(const QString &identifier, int delta)
{
    if (identifier.isEmpty() || delta == 0)
        return false;
    const QString symbol = identifier.toLower();
    QJsonArray watchlist = m_app.config().loadWatchlist();
    qsizetype index = -1;
    for (qsizetype i = 0; i < watchlist.size(); ++i) {
        if (symbolOf(watchlist.at(i)) == symbol) {
            index = i;
            break;
        }
    }
    if (index < 0)
        return false;
    const qsizetype target = index + delta;
    if (target < 0 || target >= watchlist.size())
        return false;
    const QJsonValue item = watchlist.takeAt(index);
    watchlist.insert(target, item);
    if (!saveWatchlist(watchlist))
        return false;
    Q_EMIT watchlistChanged();
    m_app.reloadConfig();
    return true;
}

bool WatchlistManager::removeWatchItem(const QString &symbol)
{
    const QJsonArray watchlist = m_app.config().loadWatchlist();
    QJsonArray kept;
    for (const QJsonValue &item : watchlist) {
        if (symbolOf(item) != symbol)
            kept.append(item);
    }
    // Nothing to remove (a row of a list since changed on disk): the file stays as it is.
    if (kept.size() == watchlist.size() || !saveWatchlist(kept))
        return false;
    Q_EMIT watchlistChanged();
    m_app.reloadConfig();
    return true;
}

// --- Positions and price conditions ------------------------------------------------------

bool WatchlistManager::refuse(const QString &message, QString *error)
{
    if (error)
        *error = message;
    Q_EMIT beepRequested();
    setFeedback(message, WatchFeedbackTone::Error);
    return false;
}

bool WatchlistManager::updateItem(const QString &symbol,
                                  const std::function<WatchItem(WatchItem)> &change,
                                  const QString &done, QString *error)
{
    QJsonArray watchlist = m_app.config().loadWatchlist();
    for (qsizetype i = 0; i < watchlist.size(); ++i) {
        if (symbolOf(watchlist.at(i)) != symbol)
            continue;
        const WatchItem item = watchlist.at(i).toObject();
        watchlist[i] = change(item);
        if (!saveWatchlist(watchlist)) {
            if (error)
                *error = m_feedbackMessage;
            return false;
        }
        const QString message = displayNameForItem(item) + u" "_s + done;
        m_app.setLastStatus(message);
        setFeedback(message, WatchFeedbackTone::Success);
        Q_EMIT watchlistChanged();
        m_app.reloadConfig();
        return true;
    }
    return refuse(symbol.toUpper() + u" 不在自选列表中。"_s, error);
}

namespace {

// The first refusal among a position and conditions; empty when every number is good.
QString problemWith(const std::optional<Holding> &holding, const QList<PriceAlert> &alerts)
{
    QString problem = holding ? WatchItemInput::checkHolding(*holding) : QString();
    for (qsizetype i = 0; problem.isEmpty() && i < alerts.size(); ++i)
        problem = WatchItemInput::checkPriceAlert(alerts.at(i));
    return problem;
}

} // namespace

bool WatchlistManager::setHolding(const QString &symbol, const std::optional<Holding> &holding,
                                  QString *error)
{
    if (const QString problem = problemWith(holding, {}); !problem.isEmpty())
        return refuse(problem, error);
    return updateItem(
        symbol, [&](WatchItem item) { return Holding::withHolding(std::move(item), holding); },
        holding ? u"的持仓已保存。"_s : u"的持仓已清除。"_s, error);
}

bool WatchlistManager::setPriceAlerts(const QString &symbol, const QList<PriceAlert> &alerts,
                                      QString *error)
{
    if (const QString problem = problemWith(std::nullopt, alerts); !problem.isEmpty())
        return refuse(problem, error);
    return updateItem(
        symbol, [&](WatchItem item) { return PriceAlert::withAlerts(std::move(item), alerts); },
        alerts.isEmpty() ? u"的价格提醒已清除。"_s : u"的价格提醒已保存。"_s, error);
}

bool WatchlistManager::setHoldingAndPriceAlerts(const QString &symbol,
                                                const std::optional<Holding> &holding,
                                                const QList<PriceAlert> &alerts, QString *error)
{
    if (const QString problem = problemWith(holding, alerts); !problem.isEmpty())
        return refuse(problem, error);
    return updateItem(
        symbol,
        [&](WatchItem item) {
            return PriceAlert::withAlerts(Holding::withHolding(std::move(item), holding), alerts);
        },
        u"的持仓与提醒已保存。"_s, error);
}

bool WatchlistManager::addPriceAlert(const QString &symbol, const PriceAlert &alert, QString *error)
{
    for (const QJsonValue &item : m_app.config().loadWatchlist()) {
        if (symbolOf(item) == symbol)
            return setPriceAlerts(symbol, PriceAlert::listFromItem(item.toObject()) << alert,
                                  error);
    }
    return refuse(symbol.toUpper() + u" 不在自选列表中。"_s, error);
}

bool WatchlistManager::removePriceAlert(const QString &symbol, int index, QString *error)
{
    for (const QJsonValue &item : m_app.config().loadWatchlist()) {
        if (symbolOf(item) != symbol)
            continue;
        QList<PriceAlert> alerts = PriceAlert::listFromItem(item.toObject());
        if (index < 0 || index >= alerts.size())
            return refuse(u"这条价格提醒已不存在。"_s, error);
        alerts.removeAt(index);
        return setPriceAlerts(symbol, alerts, error);
    }
    return refuse(symbol.toUpper() + u" 不在自选列表中。"_s, error);
}

// --- Import and export -------------------------------------------------------------------

bool WatchlistManager::exportWatchlist(const QString &path, QString *error)
{
    const QJsonArray items = m_app.config().loadWatchlist();
    const QByteArray bytes =
        WatchlistTransfer::formatForPath(path) == WatchlistTransfer::Format::Json
            ? WatchlistTransfer::toJson(items)
            : WatchlistTransfer::toCsv(items);
    if (!JsonFile::writeAtomically(path, bytes))
        return refuse(u"自选列表未能导出："_s + toText(JsonFile::whyNotSaved(path)) + u"。"_s,
                      error);
    const QString message = u"已导出 "_s + QString::number(items.size()) + u" 只自选股到 "_s +
                            QFileInfo(path).fileName() + u"。"_s;
    m_app.setLastStatus(message);
    setFeedback(message, WatchFeedbackTone::Success);
    return true;
}

std::optional<WatchlistTransfer::Merge> WatchlistManager::importWatchlist(const QString &path,
                                                                          QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        refuse(u"无法打开 "_s + QFileInfo(path).fileName() + u"。"_s, error);
        return std::nullopt;
    }
    const QByteArray bytes = file.read(WatchlistTransfer::kMaxFileBytes + 1);
    QString why;
    const auto parsed =
        WatchlistTransfer::parse(bytes, WatchlistTransfer::formatForPath(path), &why);
    if (!parsed) {
        refuse(u"未导入："_s + why, error);
        return std::nullopt;
    }
    WatchlistTransfer::Merge merged =
        WatchlistTransfer::merge(m_app.config().loadWatchlist(), *parsed);
    if (merged.changed()) {
        if (!saveWatchlist(merged.items)) {
            if (error)
                *error = m_feedbackMessage;
            return std::nullopt;
        }
        m_app.boardTags().ensureBoardTagsForWatchItems(merged.items);
    }
    const QString summary = merged.summary();
    m_app.setLastStatus(summary.section(u'\n', 0, 0));
    setFeedback(summary,
                merged.skipped.isEmpty() ? WatchFeedbackTone::Success : WatchFeedbackTone::Warning);
    if (merged.changed()) {
        Q_EMIT watchlistChanged();
        m_app.reloadConfig();
    }
    return merged;
}
