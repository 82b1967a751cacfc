// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppHarness.h"

#include <QJsonObject>
#include <QSignalSpy>

using namespace Qt::StringLiterals;

namespace TestSupport {

AppHarness::AppHarness(const QStringList &watchSymbols, const QDateTime &start,
                       Notifier *notifierOverride, const EndpointsAdjuster &adjustEndpoints,
                       MarketModel model, const OptionsAdjuster &adjustOptions)
    : market(start, std::move(model))
{
    preferences =
        std::make_unique<QSettings>(dir.path() + u"/preferences.ini"_s, QSettings::IniFormat);
    KestrumApp::Options options;
    options.appDirectory = dir.path() + u"/data"_s;
    options.endpoints = Endpoints::allAt(market.baseUrl());
    if (adjustEndpoints)
        adjustEndpoints(*options.endpoints, market);
    options.clock = &market.clock;
    options.preferences = preferences.get();
    options.notifier = notifierOverride ? notifierOverride : &notifier;
    if (adjustOptions)
        adjustOptions(options, market);
    app = std::make_unique<KestrumApp>(options);
    setWatchlist(watchSymbols);
    app->loadSettings();
}

void AppHarness::setWatchlist(const QStringList &symbols)
{
    QJsonArray items;
    for (const QString &symbol : symbols)
        items.append(QJsonObject{{u"symbol"_s, symbol}});
    app->config().saveWatchlist(items);
}

bool AppHarness::refreshAndWait(int timeoutMs)
{
    QSignalSpy finished(app.get(), &KestrumApp::refreshFinished);
    app->refresh();
    return finished.count() > 0 || finished.wait(timeoutMs);
}

void AppHarness::quietRemoteSearch()
{
    SimFault quiet;
    quiet.emptyBody = true;
    server().setFault(u"eastmoney-suggest"_s, quiet);
}

int AppHarness::requestCount(const QString &route) const
{
    return int(const_cast<SimHarness &>(market).server().requests(route).size());
}

} // namespace TestSupport
