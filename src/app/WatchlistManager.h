// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/WatchlistTransfer.h"
#include "config/ConfigStore.h"
#include "model/Holding.h"
#include "model/PriceAlert.h"

#include <QJsonArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class KestrumApp;

// How an outcome line is coloured.
enum class WatchFeedbackTone
{
    Muted,
    Success,
    Warning,
    Error
};

// The watchlist manager without its widgets: the input text, the suggestions (local catalog
// at once, remote search merged as it answers), the keyboard selection and the add, move and
// remove actions with their outcome messages. Both presentations (the popover page and the
// desktop sidebar) read this state and call these actions; they redraw on the signals.
// Every change is saved at once and handed to the refresh cycle with reloadConfig().
class WatchlistManager : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSuggestionLimit = 10;

    // Commands the input field passes on; anything else is left to the field.
    enum class Command
    {
        MoveUp,
        MoveDown,
        InsertNewline,
        Other
    };

    explicit WatchlistManager(KestrumApp &app, QObject *parent = nullptr);

    // --- State ---
    QString inputText() const { return m_inputText; }
    // The user has typed since the input was last reset.
    bool hasInputChanged() const { return m_inputChanged; }
    const QList<WatchItem> &suggestions() const { return m_suggestions; }
    int selectedSuggestionIndex() const { return m_selectedIndex; }
    // Trimmed text of the latest search; answers for other texts are dropped.
    QString remoteQuery() const { return m_remoteQuery; }
    // The suggestion panel is shown only while the user has typed something.
    bool shouldShowSuggestions() const;
    QString feedbackMessage() const { return m_feedbackMessage; }
    WatchFeedbackTone feedbackTone() const { return m_feedbackTone; }
    // The last attempt to save the watchlist failed (and no later save succeeded).
    bool hasSaveFailure() const { return m_saveFailed; }
    // The line both presentations keep in view about the file itself: the outcome of the
    // last change when it concerned the file (a failed save, an unreadable file kept aside
    // or left alone), else a warning while the file cannot be read. Empty when all is well.
    QString fileNotice() const;
    // The watchlist as stored, in display order.
    QJsonArray watchItems() const;

    static QString defaultHint();
    static QString notFoundMessage();
    static QString saveFailedMessage(JsonFile::WriteFailure why);
    static QString unreadableNotice();
    static QString unreadableLeftAloneMessage();

    // --- Input ---
    // Empty text, no suggestions, no selection, changed flag off.
    void resetInput();
    // Entering the desktop section: the input is reset, and the hint shows when there is no
    // outcome message yet.
    void enterDesktopSection();
    // The user edited the text.
    void setInputText(const QString &text);
    // A presentation was rebuilt: suggestions start empty and are recomputed from the kept
    // text when the user had typed it.
    void restoreSuggestionsAfterRebuild();
    void updateWatchSuggestions(const QString &text);
    // Returns true when the command was consumed.
    bool handleCommand(Command command);

    // --- Actions ---
    void addWatchItem();
    void selectSuggestion(int index);
    // `identifier` is the symbol in any case; `delta` -1 moves up, +1 down.
    bool moveWatchItem(const QString &identifier, int delta);
    bool removeWatchItem(const QString &symbol);

    // --- Positions and price conditions ---
    // Each returns false with the form's message in `error` (also the feedback line) when a
    // number is refused (WatchItemInput), the symbol is not listed or the save fails; nothing
    // refused is stored. None clears the position.
    bool setHolding(const QString &symbol, const std::optional<Holding> &holding,
                    QString *error = nullptr);
    // Replaces the item's conditions with exactly these (a condition handed back from
    // KestrumApp::priceAlertsForSymbol keeps its firing record; clear `firedOn` to re-arm).
    bool setPriceAlerts(const QString &symbol, const QList<PriceAlert> &alerts,
                        QString *error = nullptr);
    // Both at once, in one write, so a form never leaves a position stored without the
    // conditions entered with it (or the other way round).
    bool setHoldingAndPriceAlerts(const QString &symbol, const std::optional<Holding> &holding,
                                  const QList<PriceAlert> &alerts, QString *error = nullptr);
    bool addPriceAlert(const QString &symbol, const PriceAlert &alert, QString *error = nullptr);
    // `index` counts the item's conditions in stored order.
    bool removePriceAlert(const QString &symbol, int index, QString *error = nullptr);

    // --- Import and export ---
    // Writes the stored list to `path` as CSV or JSON (by its name, see WatchlistTransfer).
    bool exportWatchlist(const QString &path, QString *error = nullptr);
    // Merges the file into the list and saves it. A file that cannot be read as a watchlist,
    // or a failed save, changes nothing and returns none with the reason in `error`. The
    // summary is also the feedback line.
    std::optional<WatchlistTransfer::Merge> importWatchlist(const QString &path,
                                                            QString *error = nullptr);

Q_SIGNALS:
    // The suggestions or the selection changed: re-render the suggestion panel.
    void suggestionsChanged();
    // The input was emptied by the manager (after an add): clear the field.
    void inputReset();
    void feedbackChanged();
    // The stored watchlist changed: the rows follow.
    void watchlistChanged();
    void beepRequested();
    // A remote search answered; `applied` is false when the answer was empty or its text is
    // no longer the input's.
    void remoteAnswered(const QString &query, bool applied);

private:
    void setFeedback(const QString &message, WatchFeedbackTone tone, bool aboutFile = false);
    void clearSuggestions();
    void applyRemoteCandidates(const QString &query, const QList<WatchItem> &remote);
    // `keptAside`: what to say first when the unreadable file was copied away to save.
    bool saveWatchlist(const QJsonArray &items, QString *keptAside = nullptr);
    void reportSaveFailure(bool unreadable);
    static QString displayNameForItem(const WatchItem &item);
    // Loads the list, rewrites the item of `symbol` with `change` and saves; `done` is the
    // outcome line on success.
    bool updateItem(const QString &symbol, const std::function<WatchItem(WatchItem)> &change,
                    const QString &done, QString *error);
    bool refuse(const QString &message, QString *error);

    KestrumApp &m_app;
    QString m_inputText;
    bool m_inputChanged = false;
    QList<WatchItem> m_suggestions;
    int m_selectedIndex = -1;
    QString m_remoteQuery;
    QString m_feedbackMessage;
    WatchFeedbackTone m_feedbackTone = WatchFeedbackTone::Muted;
    bool m_saveFailed = false;
    bool m_feedbackAboutFile = false;
};
