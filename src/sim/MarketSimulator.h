#pragma once

#include "sim/MarketModel.h"
#include "sim/SimServer.h"

#include <QObject>
#include <QSet>

class Clock;

// The simulated market: one model, served on 127.0.0.1 in every provider's wire format.
// Tests start it in-process with a ManualClock; `kestrum-sim` runs it standalone.
class MarketSimulator : public QObject
{
    Q_OBJECT
public:
    MarketSimulator(const Clock &clock, QObject *parent = nullptr,
                    MarketModel model = MarketModel());

    quint16 start(quint16 port = 0) { return m_server.start(port); }
    QUrl baseUrl() const { return m_server.baseUrl(); }
    SimServer &server() { return m_server; }
    const MarketModel &model() const { return m_model; }
    const Clock &clock() const { return m_clock; }

    // Symbols answered as unknown (an empty payload) even when the model has them.
    void setUnknownSymbols(const QSet<QString> &symbols) { m_unknown = symbols; }

    // --- Realtime (Sina) ---
    // One line of the feed for an instrument at the clock's moment.
    QString realtimeLine(const SimInstrument &instrument) const;
    QString realtimeText(const QStringList &symbols) const;

private:
    void installRealtimeRoute();

    const Clock &m_clock;
    MarketModel m_model;
    SimServer m_server;
    QSet<QString> m_unknown;
};
