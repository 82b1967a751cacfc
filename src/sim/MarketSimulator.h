#pragma once

#include "sim/ChatRoute.h"
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

    // --- OpenAI-compatible chat completions (any path ending in /chat/completions) ---
    static QString chatRouteName() { return QStringLiteral("chat"); }
    void enqueueChatAnswer(const SimChatAnswer &answer) { m_chatAnswers.append(answer); }
    void clearChatAnswers() { m_chatAnswers.clear(); }
    qsizetype pendingChatAnswers() const { return m_chatAnswers.size(); }

    // --- Update manifest (GET /update/manifest.json) ---
    static QString manifestRouteName() { return QStringLiteral("manifest"); }
    static QString manifestPath() { return QStringLiteral("/update/manifest.json"); }
    QUrl manifestUrl() const { return m_server.baseUrl().resolved(QUrl(manifestPath())); }
    // The manifest describing the current release of this build (nothing newer).
    static QByteArray defaultManifest();
    // Serve these bytes with this status until reset (any bytes: tests send garbage too).
    void setManifest(const QByteArray &body, int status = 200);
    void resetManifest();

private:
    void installRealtimeRoute();
    void installChatRoute();
    void installManifestRoute();
    SimResponse chatResponse(const SimRequest &request);

    const Clock &m_clock;
    MarketModel m_model;
    SimServer m_server;
    QSet<QString> m_unknown;
    QList<SimChatAnswer> m_chatAnswers;
    quint64 m_chatCount = 0;
    QByteArray m_manifest = defaultManifest();
    int m_manifestStatus = 200;
};
