// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sim/ChatRoute.h"
#include "sim/MarketModel.h"
#include "sim/SimServer.h"

#include <QObject>
#include <QSet>

#include <initializer_list>

class Clock;

// One line of the served trading day, as the minute routes write it.
struct SimMinute
{
    QTime start; // exchange time the minute began (how Yahoo stamps it)
    QTime end;   // exchange time it ended (how Eastmoney and Tencent stamp it)
    double open = 0, close = 0, high = 0, low = 0;
    double volume = 0; // shares traded in the minute
    double amount = 0;
    double cumulativeVolume = 0; // shares since the open, auction included
    double cumulativeAmount = 0;
    bool auction = false; // the 09:30 line carrying the opening auction
    bool partial = false; // the minute still forming at the clock's moment
};

// What every minute route serves for one instrument at the clock's moment: the same day,
// date and totals as the realtime line of that moment.
struct SimMinuteDay
{
    QDate date;
    QDateTime moment; // the clock's moment in the exchange's zone
    double previousClose = 0;
    SimSnapshot snapshot;
    QList<SimMinute> minutes; // auction line (once done), whole minutes, the forming one
};

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
    // Routes that answer in their usual format but with no data in it (no suggestions,
    // no boards, an empty minute or bar list), as the services do for a quiet symbol.
    void setEmptyDataRoutes(const QSet<QString> &routes) { m_emptyData = routes; }
    bool isEmptyDataRoute(const QString &route) const { return m_emptyData.contains(route); }
    // Symbols whose numbers every route writes as a broken upstream feed has sent them, in
    // the usual format: prices far beyond any market (1e300 times the real one), volumes
    // and amounts below zero.
    void setImplausibleSymbols(const QSet<QString> &symbols) { m_implausible = symbols; }

    // Route names (fault knobs and request records go by these):
    //   realtime, eastmoney-suggest, eastmoney-f10, eastmoney-stock, eastmoney-trends,
    //   eastmoney-kline, tencent-minute, yahoo-chart.

    // --- Realtime (Sina) ---
    // One line of the feed for an instrument at the clock's moment.
    QString realtimeLine(const SimInstrument &instrument) const;
    QString realtimeText(const QStringList &symbols) const;

    // --- OpenAI-compatible chat completions (any path ending in /chat/completions) ---
    static QString chatRouteName() { return QStringLiteral("chat"); }
    void enqueueChatAnswer(const SimChatAnswer &answer) { m_chatAnswers.append(answer); }
    qsizetype pendingChatAnswers() const { return m_chatAnswers.size(); }

    // --- Update manifest (GET /update/manifest.json) ---
    static QString manifestRouteName() { return QStringLiteral("manifest"); }
    static QString manifestPath() { return QStringLiteral("/update/manifest.json"); }
    QUrl manifestUrl() const { return m_server.baseUrl().resolved(QUrl(manifestPath())); }
    // The manifest describing the current release of this build (nothing newer).
    static QByteArray defaultManifest();
    // Serve these bytes with this status from now on (any bytes: tests send garbage too).
    void setManifest(const QByteArray &body, int status = 200);

    // --- Minute data and daily bars of the clock's moment ---
    SimMinuteDay minuteDay(const SimInstrument &instrument) const;
    // The newest `count` daily bars, today's unfinished one included once trading has
    // begun (as the public services do); the bar before today's closes at today's
    // previous close.
    QList<SimDailyBar> servedDailyBars(const SimInstrument &instrument, int count) const;
    // The instrument a provider's code names: Eastmoney "1.600519", Tencent "hk00700",
    // F10 "SH600519", Yahoo "0700.HK" / "BRK-B".
    const SimInstrument *instrumentForSecID(const QString &secid) const;
    const SimInstrument *instrumentForYahooSymbol(const QString &chartSymbol) const;

private:
    void installRealtimeRoute();
    void installChatRoute();
    void installManifestRoute();
    SimResponse chatResponse(const SimRequest &request);
    void installSearchRoute();
    void installBoardTagRoutes();
    void installEastmoneyHistoryRoutes();
    void installTencentMinuteRoute();
    void installYahooChartRoute();
    // What an implausible symbol's numbers become (see setImplausibleSymbols).
    void spoilIfImplausible(const SimInstrument &instrument, std::initializer_list<double *> prices,
                            std::initializer_list<double *> quantities) const;

    const Clock &m_clock;
    MarketModel m_model;
    SimServer m_server;
    QSet<QString> m_unknown;
    QList<SimChatAnswer> m_chatAnswers;
    quint64 m_chatCount = 0;
    QByteArray m_manifest = defaultManifest();
    int m_manifestStatus = 200;
    QSet<QString> m_emptyData;
    QSet<QString> m_implausible;
};
