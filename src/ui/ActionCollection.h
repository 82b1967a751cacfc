// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/AppSettings.h"
#include "model/EnumText.h"

#include <QKeySequence>
#include <QObject>
#include <QString>

#include <array>

class AppShell;
class KestrumApp;
class QAction;
class QActionGroup;

// Every command the menus offer. The choices (sort orders, alert presets, display modes) run
// in the order of their settings enumerations.
enum class Command
{
    OpenDesktop,
    OpenOnLaunch,
    AlwaysOnTop,
    ResetLayout,
    Refresh,
    ManageWatchlist,
    SortOriginal,
    SortPriority,
    AISettings,
    AlertOff,
    AlertConservative,
    AlertStandard,
    AlertSensitive,
    DisplayRotate,
    DisplayFirst,
    DisplaySummary,
    LoginItem,
    CheckForUpdates,
    AutoUpdateCheck,
    Quit,
    OpenWorkbench,
    PreviousQuote,
    NextQuote,
    GenerateInsight,
    ExportWatchlist,
    ImportWatchlist,
    ExchangeRates,
};

// The actions' object names.
template<>
struct EnumTexts<Command>
{
    static constexpr std::array<const char16_t *, 27> texts{
        u"openDesktop",     u"openOnLaunch",    u"alwaysOnTop",       u"resetLayout",
        u"refresh",         u"manageWatchlist", u"sortOriginal",      u"sortPriority",
        u"aiSettings",      u"alertOff",        u"alertConservative", u"alertStandard",
        u"alertSensitive",  u"displayRotate",   u"displayFirst",      u"displaySummary",
        u"loginItem",       u"checkForUpdates", u"autoUpdateCheck",   u"quit",
        u"openWorkbench",   u"previousQuote",   u"nextQuote",         u"generateInsight",
        u"exportWatchlist", u"importWatchlist", u"exchangeRates"};
};

// One QAction per command, created once and shown by every menu: the quick-actions menu, the
// panel's exported copy of it and the desktop window's menu bar. Triggering one runs its
// command; check marks and enabled states follow the application's state as it changes, so
// no menu is rebuilt or validated before it opens. The window connects the commands that
// act on it (previous, next, generate) itself.
class ActionCollection : public QObject
{
    Q_OBJECT
public:
    explicit ActionCollection(AppShell &shell, QObject *parent = nullptr);
    ~ActionCollection() override;

    QAction *action(Command command) const { return m_actions[static_cast<std::size_t>(command)]; }
    // The item the menu bar shows: the action itself, or where the menu bar has always named
    // the command differently ("打开澄川", "AI 设置") a stand-in under that name that
    // triggers it.
    QAction *menuBarAction(Command command) const;
    // The exclusive choices of one kind, in their order.
    QList<QAction *> sortActions() const;
    QList<QAction *> alertPresetActions() const;
    QList<QAction *> displayModeActions() const;

    static Command command(WatchlistSortMode mode);
    static Command command(AlertPreset preset);
    static Command command(DisplayMode mode);

    // Check marks and enabled states from the current state.
    void updateStates();
    // The launch-at-login mark from the autostart entry: the choice's only record, which
    // the desktop's own settings may change behind Kestrum's back.
    void updateLoginItem();

private:
    QAction *add(Command command, const QString &text, const QKeySequence &key = {});
    QAction *addToggle(Command command, const QString &text);
    QAction *addChoice(Command command, const QString &text, QActionGroup *group);
    void addStandIn(Command command, const QString &text, const QKeySequence &key = {});

    KestrumApp &m_app;
    AppShell &m_shell;
    static constexpr std::size_t kCount = EnumTexts<Command>::texts.size();
    std::array<QAction *, kCount> m_actions{};
    std::array<QAction *, kCount> m_standIns{};
    QActionGroup *m_sortModes = nullptr;
    QActionGroup *m_alertPresets = nullptr;
    QActionGroup *m_displayModes = nullptr;
};
