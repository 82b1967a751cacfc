// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FixtureSession.h"

#include "app/ExportFixture.h"
#include "app/KestrumApp.h"
#include "net/Endpoints.h"
#include "ui/AppShell.h"
#include "ui/DetachedStatusItem.h"

#include <QTimeZone>

using namespace Qt::StringLiterals;

FixtureSession::FixtureSession(const QString &directory)
    : m_clock(QDateTime(QDate(2026, 4, 28), QTime(15, 0), QTimeZone("Asia/Shanghai")))
    , m_preferences(directory + u"/preferences.ini"_s, QSettings::IniFormat)
{
    KestrumAppOptions options;
    options.appDirectory = directory + u"/data"_s;
    options.endpoints = Endpoints::allAt(QUrl(u"http://127.0.0.1:9"_s));
    options.clock = &m_clock;
    options.preferences = &m_preferences;
    options.autostartDirectory = directory + u"/autostart"_s;
    m_app = std::make_unique<KestrumApp>(options);
    m_app->loadSettings();
    ExportFixture::prepareExportFixtureData(*m_app);
    // Board tags from the built-in map and the catalog (lookups go nowhere here).
    m_app->loadStrategy();
    m_shell = std::make_unique<AppShell>(*m_app, std::make_unique<DetachedStatusItem>());
}

FixtureSession::~FixtureSession() = default;
