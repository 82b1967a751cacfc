// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/AppSettings.h"
#include "ui/MainMenuBar.h"
#include "ui/QuoteCards.h"

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class ActionCollection;
class KestrumApp;
class Presenter;
class MainWindowView;
struct MainWindowData;
class WatchInputField;

// The desktop window: the application's one task-bar window, with its menus. It is created
// on first show and only hidden when closed. Its content is updated in place from the
// controller's state after every refresh and every action (the presenter prepares what it
// draws); the window keeps the frame and the level in the settings and asks the presenter to
// move the selection and the section. Requests for other surfaces leave as signals.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // The menu bar shows `actions`, the commands every menu shares.
    MainWindow(Presenter &presenter, const CardActions &cardActions, ActionCollection &actions,
               QWidget *parent = nullptr);
    ~MainWindow() override;

    static QSize recommendedContentSize() { return QSize(980, 720); }
    static QSize minimumContentSize() { return QSize(980, 560); }
    // Moves are saved once the window has been still this long.
    static constexpr int kMoveSaveDelayMs = 500;
    // A resize counts as finished after this pause; then the content is laid out again and saved.
    static constexpr int kResizeSettleMs = 150;
    // The title bar a restored frame makes room for before the window manager has said.
    static constexpr int kAssumedTitleBarHeight = 38;

    // --- Lifecycle ---
    // Applies the level, returns to the overview, settles the selection, updates at the
    // current size and brings the window to the front.
    void showMainWindow();
    // Updates the content when the window is shown.
    void refreshMainWindowIfVisible();
    // Shows the current state at the current content size: in place, or in a view built
    // anew when the section changed.
    void rebuild();
    // Takes the stored frame when it passes MainWindowFrame::isVisible. True when it did.
    bool applyStoredMainWindowFrameIfNeeded();
    // The frame into the settings, then the settings to disk.
    void saveMainWindowState();
    void applyMainWindowLevel();
    // Back to 980 x 720, centred, level re-applied, saved and laid out again.
    void resetMainWindowLayout();
    // The window's frame as the settings keep it.
    QString mainWindowFrameString() const;
    // A debounced save of a move or resize is still waiting.
    bool hasPendingFrameSave() const { return m_saveTimer.isActive(); }
    // Saves a waiting move at once (the application is about to end).
    void flushPendingFrameSave();

    // --- Selection and sections ---
    void selectMainQuoteFromButton(const QString &symbol);
    void selectMainQuoteAtOffset(int offset);
    void selectPreviousMainQuote() { selectMainQuoteAtOffset(-1); }
    void selectNextMainQuote() { selectMainQuoteAtOffset(+1); }
    // "" means "overview".
    void setMainSection(MainSection section);
    void openMainWatchlistManager() { setMainSection(MainSection::Watchlist); }
    void toggleMainWatchlistManager();
    void generateCurrentMainAIInsight();
    void openMainQuotePage(const QString &symbol = QString());

    // --- Focus ---
    // The watchlist input in the "watchlist" section, else none.
    WatchInputField *preferredMainWindowFocusControl() const;
    // On the next turn of the event loop, when the window is shown and the control still
    // belongs to it.
    void focusMainWindowPrimaryControlIfNeeded();

    // --- Menus ---
    MainMenuBar *mainMenuBar() const { return m_menuBar; }

    // --- Parts ---
    MainWindowView *content() const { return m_content; }
    // The size the content is built at (the area below the menu bar).
    QSize contentSize() const;

protected:
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

Q_SIGNALS:
    // The user closed the window (it is hidden, not destroyed).
    void closed();
    void aiSettingsRequested();
    void ratesRequested();
    void quotePageRequested(const QString &symbol);
    // A row of the watchlist section asked for the stock's position and price conditions.
    void holdingEditRequested(const QString &symbol);

private:
    // A new view for `data` in place of the one on show (the section changed).
    void replaceContent(const MainWindowData &data, const QSize &size);
    void createMenus(ActionCollection &actions);
    void connectController();
    void centreOnScreen();
    // The window size that gives the content `content`.
    QSize windowSizeForContent(const QSize &content) const;
    void selectSymbol(const QString &symbol);
    void saveFrameIfMoved();
    void finishResize();

    Presenter &m_presenter;
    KestrumApp &m_app;
    CardActions m_cardActions;
    QWidget *m_host = nullptr;
    QPointer<MainWindowView> m_content;
    MainMenuBar *m_menuBar = nullptr;
    QTimer m_saveTimer;
    QTimer m_resizeTimer;
    bool m_savingState = false;
    bool m_centreWhenShown = false;
};
