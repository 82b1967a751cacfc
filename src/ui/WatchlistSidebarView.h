// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/WatchlistManager.h"

#include <QColor>
#include <QRectF>
#include <QWidget>

class FlatButton;
class Label;
class WatchInputField;
class WatchSuggestionPanel;
class WatchlistRowsView;

// The desktop window's sidebar presentation of the watchlist manager (W x H, normally 330 x
// (window height - 192)): title, input with add button, the outcome line, the rows and the
// suggestion panel. The window shows it in its "watchlist" section and calls
// WatchlistManager::enterDesktopSection() on entering that section; the sidebar follows the
// manager by itself and lays itself out again when the window gives it another height.
class WatchlistSidebarView : public QWidget
{
    Q_OBJECT
public:
    WatchlistSidebarView(QWidget *parent, const QRectF &frame, WatchlistManager &manager);

    WatchInputField *inputField() const { return m_input; }
    FlatButton *addButton() const { return m_add; }
    Label *feedbackLine() const { return m_feedback; }
    WatchlistRowsView *rowsView() const { return m_rows; }
    WatchSuggestionPanel *suggestionPanel() const { return m_suggestions; }

    // "success" green, "warning" amber, "error" red, anything else muted grey.
    static QColor colorForTone(WatchFeedbackTone tone);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateFeedbackLine();
    void place();

    WatchlistManager &m_manager;
    QWidget *m_background = nullptr;
    Label *m_title = nullptr;
    Label *m_hint = nullptr;
    QWidget *m_inputBox = nullptr;
    WatchInputField *m_input = nullptr;
    FlatButton *m_add = nullptr;
    Label *m_feedback = nullptr;
    WatchlistRowsView *m_rows = nullptr;
    WatchSuggestionPanel *m_suggestions = nullptr;
};
