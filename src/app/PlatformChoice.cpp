// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlatformChoice.h"

using namespace Qt::StringLiterals;

DisplayEnvironment DisplayEnvironment::fromProcess()
{
    return {qEnvironmentVariable("QT_QPA_PLATFORM"), qEnvironmentVariable("KESTRUM_PLATFORM"),
            qEnvironmentVariable("WAYLAND_DISPLAY"), qEnvironmentVariable("DISPLAY"),
            qEnvironmentVariable("XDG_SESSION_TYPE")};
}

bool PlatformChoice::isNativeWayland(const QString &platformName)
{
    return platformName.startsWith(u"wayland");
}

QString PlatformChoice::noDisplayMessage()
{
    return u"kestrum: needs a desktop session (no DISPLAY or WAYLAND_DISPLAY); without one, "
           u"kestrum --once --json, kestrum --export-views and make demo still work"_s;
}

PlatformChoice PlatformChoice::choose(const DisplayEnvironment &environment)
{
    const QString wanted = environment.kestrumPlatform.trimmed().toLower();
    const bool wayland = !environment.waylandDisplay.isEmpty() ||
                         environment.sessionType.compare(u"wayland"_s, Qt::CaseInsensitive) == 0;
    const bool x11 = !environment.x11Display.isEmpty();
    const QString alone =
        u"kestrum: Wayland without XWayland: the popover opens as an ordinary window near the "
        u"pointer, and the desktop window cannot be kept on top"_s;

    PlatformChoice choice;
    // The user's own choice for Qt wins over everything (offscreen, vnc, a nested session).
    if (!environment.qtPlatform.isEmpty()) {
        if (isNativeWayland(environment.qtPlatform))
            choice.note = alone;
        return choice;
    }
    if (wanted == u"wayland") {
        choice.platform = u"wayland"_s;
        choice.note = u"kestrum: native Wayland forced by KESTRUM_PLATFORM=wayland: the popover "
                      u"opens as an ordinary window near the pointer"_s;
        return choice;
    }
    if (!wanted.isEmpty() && wanted != u"x11" && wanted != u"xcb")
        choice.note = u"kestrum: ignoring an unknown KESTRUM_PLATFORM: "_s + wanted;
    if (x11) {
        // Under Wayland too: XWayland lets the popover open at the icon.
        if (wayland || !wanted.isEmpty())
            choice.platform = u"xcb"_s;
        return choice;
    }
    if (wayland) {
        choice.platform = u"wayland"_s;
        choice.note = alone;
        return choice;
    }
    choice.noDisplay = true;
    choice.note = noDisplayMessage();
    return choice;
}
