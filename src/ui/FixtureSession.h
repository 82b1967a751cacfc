// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Clock.h"

#include <QSettings>
#include <QString>

#include <memory>

class AppShell;
class KestrumApp;

// The controller and shell of the export's fixed data (five stocks on 2026-04-28 at 15:00),
// everything stored below `directory`, no network: what every exported image shows.
class FixtureSession
{
public:
    explicit FixtureSession(const QString &directory);
    ~FixtureSession();
    FixtureSession(const FixtureSession &) = delete;
    FixtureSession &operator=(const FixtureSession &) = delete;

    KestrumApp &app() { return *m_app; }
    AppShell &shell() { return *m_shell; }

private:
    ManualClock m_clock;
    QSettings m_preferences;
    std::unique_ptr<KestrumApp> m_app;
    std::unique_ptr<AppShell> m_shell;
};
