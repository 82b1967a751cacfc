// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/AppSettings.h"

// What the menus' check marks and enabled states show; the shared actions follow it as the
// state changes.
struct MainMenuState
{
    int displayEntryCount = 0;
    // The current detail quote has a symbol and no commentary is being written for it.
    bool canGenerateInsight = false;
    WatchlistSortMode sortMode = WatchlistSortMode::Original;
    bool openDesktopOnLaunch = false;
    bool alwaysOnTop = false;
    bool updateCheckInFlight = false;
    // The build has the update check (otherwise its items are hidden) and it runs at start.
    bool updateCheckAvailable = true;
    bool automaticUpdateCheck = true;
    AlertPreset alertPreset = AlertPreset::Standard;
    DisplayMode displayMode = DisplayMode::Rotate;
};
