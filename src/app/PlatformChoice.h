// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The display variables Kestrum's start depends on.
struct DisplayEnvironment
{
    QString qtPlatform;      // QT_QPA_PLATFORM
    QString kestrumPlatform; // KESTRUM_PLATFORM
    QString waylandDisplay;  // WAYLAND_DISPLAY
    QString x11Display;      // DISPLAY
    QString sessionType;     // XDG_SESSION_TYPE

    static DisplayEnvironment fromProcess();
};

// Which Qt platform the interactive application runs on. Under Wayland a client can neither
// place its own window at the panel icon nor keep it above others, so where XWayland is
// there (DISPLAY is set) Kestrum runs on it; on Wayland alone the popover becomes an
// ordinary window near the pointer.
struct PlatformChoice
{
    // The value for QT_QPA_PLATFORM; empty: leave Qt's own choice.
    QString platform;
    // No display of any kind: the interactive application cannot start.
    bool noDisplay = false;
    // A line for standard error; empty when there is nothing to say.
    QString note;

    static PlatformChoice choose(const DisplayEnvironment &environment);
    // Whether Qt's platform (QGuiApplication::platformName()) places windows itself.
    static bool isNativeWayland(const QString &platformName);
    static QString noDisplayMessage();
};
