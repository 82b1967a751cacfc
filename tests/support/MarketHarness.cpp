#include "MarketHarness.h"

using namespace Qt::StringLiterals;

namespace {

Endpoints endpointsFor(MarketSimulator &sim)
{
    sim.start();
    return Endpoints::allAt(sim.baseUrl());
}

} // namespace

MarketHarness::MarketHarness(const QDateTime &moment)
    : clock(moment)
    , sim(clock)
    , client(http, endpointsFor(sim), clock)
{}

const SimInstrument &MarketHarness::instrument(const QString &symbol) const
{
    const SimInstrument *i = sim.model().instrument(symbol);
    Q_ASSERT(i);
    return *i;
}

void MarketHarness::failRoute(const QString &route, const QString &how)
{
    if (how == u"emptydata") {
        QSet<QString> routes;
        routes.insert(route);
        for (const QString &name : sim.server().routeNames()) {
            if (sim.isEmptyDataRoute(name))
                routes.insert(name);
        }
        sim.setEmptyDataRoutes(routes);
        return;
    }
    SimFault fault;
    if (how == u"reset")
        fault.reset = true;
    else if (how == u"status")
        fault.status = 500;
    else if (how == u"nobody")
        fault.emptyBody = true;
    else if (how == u"garbage")
        fault.garbage = true;
    sim.server().setFault(route, fault);
}

std::optional<Quote> MarketHarness::quote(const QString &symbol)
{
    const auto quotes = awaitCompletion<QList<Quote>>(
        [&](auto done) { client.fetchSymbols({symbol}, std::move(done)); });
    if (!quotes || quotes->isEmpty())
        return std::nullopt;
    return quotes->first();
}
