// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/MarketSimulator.h"

MarketSimulator::MarketSimulator(const Clock &clock, QObject *parent, MarketModel model)
    : QObject(parent)
    , m_clock(clock)
    , m_model(std::move(model))
{
    installRealtimeRoute();
    installChatRoute();
    installManifestRoute();
    installSearchRoute();
    installBoardTagRoutes();
    installEastmoneyHistoryRoutes();
    installTencentMinuteRoute();
    installYahooChartRoute();
}
