// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class FlatButton;
class Label;
class WatchInputField;
class WatchSuggestionPanel;
class WatchlistManager;
class WatchlistRowsView;

// The popover's watchlist manager page (380 x 430): back button, title, the input with its
// add button, the rows, and the suggestion panel floating over the rows. Built when the
// manager opens and then follows the manager in place.
class WatchlistPopoverPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kWidth = 380;
    static constexpr int kHeight = 430;

    explicit WatchlistPopoverPage(WatchlistManager &manager, QWidget *parent = nullptr);

    WatchInputField *inputField() const { return m_input; }
    FlatButton *backButton() const { return m_back; }
    FlatButton *addButton() const { return m_add; }
    WatchlistRowsView *rowsView() const { return m_rows; }
    WatchSuggestionPanel *suggestionPanel() const { return m_suggestions; }
    // The line that reports on the file itself: a failed save, an unreadable list (hidden
    // otherwise).
    Label *fileNoticeLine() const { return m_fileNotice; }

    QSize sizeHint() const override { return {kWidth, kHeight}; }

Q_SIGNALS:
    void backRequested();

private:
    void updateFileNoticeLine();
    void placeSuggestions();

    WatchlistManager &m_manager;
    FlatButton *m_back = nullptr;
    FlatButton *m_add = nullptr;
    WatchInputField *m_input = nullptr;
    WatchlistRowsView *m_rows = nullptr;
    WatchSuggestionPanel *m_suggestions = nullptr;
    Label *m_fileNotice = nullptr;
};
