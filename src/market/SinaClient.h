#pragma once

#include "model/Quote.h"
#include "net/Endpoints.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

class Clock;
class HttpClient;

// The market-data client: every HTTP data source behind one object. Each source lives in
// its own source file; every wire parser is a pure static function.
class SinaClient : public QObject
{
    Q_OBJECT
public:
    SinaClient(HttpClient &http, const Endpoints &endpoints, const Clock &clock,
               QObject *parent = nullptr);

    const Endpoints &endpoints() const { return m_endpoints; }

    // --- Realtime quotes (Sina) ---
    using QuotesCompletion = std::function<void(const QList<Quote> &)>;
    // Called exactly once: at once with nothing for an empty list, otherwise later on the
    // main thread with whatever the answer held (possibly nothing).
    void fetchSymbols(const QStringList &symbols, QuotesCompletion completion);
    static QList<Quote> parseText(const QString &text);
    // UTF-8 when that decodes cleanly and looks like the feed, else GB 18030.
    static QString decodeRealtimeBody(const QByteArray &body);
    static QString realtimeTarget(const QStringList &symbols, qint64 epochMSecs);

    static constexpr int kRealtimeTimeoutMs = 8000;

private:
    HttpClient &m_http;
    Endpoints m_endpoints;
    const Clock &m_clock;
};
