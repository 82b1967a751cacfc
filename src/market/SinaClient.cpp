#include "market/SinaClient.h"

SinaClient::SinaClient(HttpClient &http, const Endpoints &endpoints, const Clock &clock,
                       QObject *parent)
    : QObject(parent)
    , m_http(http)
    , m_endpoints(endpoints)
    , m_clock(clock)
{}
