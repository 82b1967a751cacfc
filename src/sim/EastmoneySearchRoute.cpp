// SPDX-License-Identifier: GPL-3.0-or-later
// Eastmoney's suggestion service: what the search box of its quote site asks while typing.
#include "sim/MarketSimulator.h"

#include "net/Endpoints.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

struct Listing
{
    QString code;
    QString exchange; // JYS: numeric board codes for A-shares, names elsewhere
    QString classify;
    QString typeName;
    QString marketNumber;
    QString securityType;
};

Listing listingFor(const SimInstrument &i)
{
    const QString s = i.symbol;
    if (i.market == SimMarket::HongKong)
        return {s.mid(2), u"HK"_s, u"HK"_s, u"港股"_s, u"116"_s, u"8"_s};
    if (i.market == SimMarket::US) {
        const QString ticker = s.mid(3).toUpper();
        const bool nyse = ticker == u"BRK_B";
        return {ticker,    nyse ? u"NYSE"_s : u"NASDAQ"_s, u"UsStock"_s,
                u"美股"_s, nyse ? u"106"_s : u"105"_s,     u"7"_s};
    }
    const QString code = s.mid(2);
    const bool shanghai = s.startsWith(u"sh");
    const QString market = shanghai ? u"1"_s : u"0"_s;
    if (i.market == SimMarket::Index)
        return {code,       shanghai ? u"2"_s : s.startsWith(u"bj") ? u"81"_s : u"6"_s,
                u"Index"_s, u"指数"_s,
                market,     u"5"_s};
    if (s.startsWith(u"bj"))
        return {code, u"81"_s, u"NEEQ"_s, u"京A"_s, market, u"81"_s};
    if (shanghai)
        return {code,        code.startsWith(u"688") ? u"1"_s : u"2"_s,
                u"AStock"_s, code.startsWith(u"688") ? u"科创板"_s : u"沪A"_s,
                market,      u"1"_s};
    return {code,        code.startsWith(u"30") ? u"80"_s : u"6"_s,
            u"AStock"_s, code.startsWith(u"30") ? u"创业板"_s : u"深A"_s,
            market,      u"2"_s};
}

// 0: exact code or initials, 1: their prefix, 2: name or English name contains; -1: no.
int matchRank(const SimInstrument &i, const Listing &l, const QString &query)
{
    const QString q = query.toLower();
    const QString code = l.code.toLower();
    const QString pinyin = i.pinyin.toLower();
    QString ticker = code; // US codes are tickers, asked for with a dot
    if (code == q || pinyin == q || ticker.replace(u'_', u'.') == q)
        return 0;
    if (code.startsWith(q) || pinyin.startsWith(q))
        return 1;
    if (i.name.toLower().contains(q) ||
        (!i.englishName.isEmpty() && i.englishName.toLower().contains(q)))
        return 2;
    return -1;
}

QByteArray answer(const QJsonValue &data, int total, int status = 0,
                  const QString &message = u"成功"_s)
{
    const QJsonObject table{{u"Data"_s, data},        {u"Status"_s, status},
                            {u"Message"_s, message},  {u"TotalPage"_s, total > 0 ? 1 : 0},
                            {u"TotalCount"_s, total}, {u"PageIndex"_s, 1},
                            {u"PageSize"_s, 10}};
    return QJsonDocument(QJsonObject{{u"QuotationCodeTable"_s, table}})
        .toJson(QJsonDocument::Compact);
}

} // namespace

void MarketSimulator::installSearchRoute()
{
    m_server.addRoute(u"eastmoney-suggest"_s, u"/api/suggest/get"_s, [this](const SimRequest &r) {
        SimResponse response;
        response.contentType = "application/json; charset=utf-8";
        // The public access value; anything else is refused the way the service does.
        if (r.queryValue(u"token"_s) != Endpoints().eastmoneySuggestToken) {
            response.body = answer(QJsonValue::Null, 0, -1, u"token错误"_s);
            return response;
        }
        const QString query = r.queryValue(u"input"_s).trimmed();
        const int count = std::clamp(
            r.queryValue(u"count"_s).isEmpty() ? 10 : r.queryValue(u"count"_s).toInt(), 1, 50);
        QList<QPair<int, const SimInstrument *>> hits;
        if (!query.isEmpty() && !isEmptyDataRoute(u"eastmoney-suggest"_s)) {
            for (const SimInstrument &i : m_model.instruments()) {
                if (m_unknown.contains(i.symbol))
                    continue;
                const int rank = matchRank(i, listingFor(i), query);
                if (rank >= 0)
                    hits.append({rank, &i});
            }
        }
        std::stable_sort(hits.begin(), hits.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        if (hits.isEmpty()) {
            response.body = answer(QJsonValue::Null, 0); // a search without hits
            return response;
        }
        QJsonArray data;
        for (const auto &[rank, i] : hits) {
            if (data.size() >= count)
                break;
            const Listing l = listingFor(*i);
            data.append(QJsonObject{
                {u"Code"_s, l.code},
                {u"Name"_s, i->name},
                {u"PinYin"_s, i->pinyin},
                {u"ID"_s, QString(l.code + l.marketNumber)},
                {u"JYS"_s, l.exchange},
                {u"Classify"_s, l.classify},
                {u"MarketType"_s, l.marketNumber == u"1" ? u"1"_s : u"2"_s},
                {u"SecurityTypeName"_s, l.typeName},
                {u"SecurityType"_s, l.securityType},
                {u"MktNum"_s, l.marketNumber},
                {u"TypeUS"_s, l.securityType},
                {u"QuoteID"_s, QString(l.marketNumber + u'.' + l.code)},
                {u"UnifiedCode"_s, l.code},
                {u"InnerCode"_s, QString::number(SimRandom::hash(i->symbol, 7) % 100000000000ULL)},
            });
        }
        response.body = answer(data, static_cast<int>(hits.size()));
        return response;
    });
}
