// SPDX-License-Identifier: GPL-3.0-or-later
// Industry-board tags for A-shares: Eastmoney's F10 concept page first, then the quote
// service's industry and concept fields, both through the ignore and broad lists.
#include "market/SinaClient.h"

#include "market/WireHelpers.h"
#include "model/Formatters.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;
using marketwire::stringFromJson;

namespace {

constexpr int kMaxTags = 2;

// Index memberships, trading programmes, report seasons and style buckets: not industries.
const QStringList &ignoredFragments()
{
    static const QStringList fragments = {
        u"板块"_s,     u"标准普尔"_s, u"富时罗素"_s, u"MSCI"_s, u"沪股通"_s, u"深股通"_s,
        u"融资融券"_s, u"昨日"_s,     u"近期"_s,     u"年报"_s, u"预增"_s,   u"预减"_s,
        u"亏损"_s,     u"微利"_s,     u"破净"_s,     u"低价"_s, u"高价"_s,   u"大盘"_s,
        u"中盘"_s,     u"小盘"_s,     u"风格"_s,     u"上证"_s, u"深成"_s,   u"中证"_s,
        u"创业板"_s,   u"转债"_s,
    };
    return fragments;
}

const QStringList &broadNames()
{
    static const QStringList names = {u"电子"_s,     u"机械设备"_s, u"基础化工"_s,
                                      u"汽车"_s,     u"计算机"_s,   u"传媒"_s,
                                      u"商贸零售"_s, u"社会服务"_s, u"综合"_s};
    return names;
}

} // namespace

QString SinaClient::normalizedEastmoneyBoardName(const QString &name)
{
    QString n = name.trimmed();
    // Shenwan level marks: 白酒Ⅱ and 白酒Ⅲ are both the 白酒 board.
    while (!n.isEmpty() && (n.endsWith(u'Ⅰ') || n.endsWith(u'Ⅱ') || n.endsWith(u'Ⅲ')))
        n = n.chopped(1).trimmed();
    return n;
}

bool SinaClient::shouldIgnoreEastmoneyBoardName(const QString &name)
{
    if (name.isEmpty())
        return true;
    // "-" is the service's way of saying "none"; HS300_, 上证180_ are index memberships.
    if (name.count(u'-') == name.size() || name.endsWith(u'_'))
        return true;
    for (const QString &fragment : ignoredFragments()) {
        if (name.contains(fragment))
            return true;
    }
    return false;
}

bool SinaClient::isOverlyBroadEastmoneyBoardName(const QString &name)
{
    return broadNames().contains(name);
}

QStringList SinaClient::compactBoardTagsFromCandidates(const QStringList &candidates)
{
    QStringList tags;
    for (const QString &candidate : candidates) {
        const QString tag = candidate.trimmed();
        if (tag.isEmpty() || tags.contains(tag))
            continue;
        tags.append(tag);
        if (tags.size() >= kMaxTags)
            break;
    }
    return tags;
}

QStringList SinaClient::boardTagsFromEastmoneyF10JSON(const QJsonDocument &json)
{
    const QJsonValue boards = json.object().value(u"ssbk"_s);
    if (!json.isObject() || !boards.isArray())
        return {};
    QStringList taken;
    for (const QJsonValue &board : boards.toArray()) {
        if (!board.isObject())
            continue;
        const QString name =
            normalizedEastmoneyBoardName(stringFromJson(board.toObject().value(u"BOARD_NAME"_s)));
        if (shouldIgnoreEastmoneyBoardName(name) || taken.contains(name))
            continue;
        // A broad industry is only good enough as the second tag.
        if (isOverlyBroadEastmoneyBoardName(name) && taken.isEmpty())
            continue;
        taken.append(name);
        if (taken.size() >= kMaxTags)
            break;
    }
    return compactBoardTagsFromCandidates(taken);
}

QStringList SinaClient::boardTagsFromEastmoneyStockJSON(const QJsonDocument &json)
{
    const QJsonValue data = json.object().value(u"data"_s);
    if (!json.isObject() || !data.isObject())
        return {};
    const QJsonObject fields = data.toObject();
    QStringList taken;
    const QString industry = normalizedEastmoneyBoardName(stringFromJson(fields.value(u"f127"_s)));
    if (!shouldIgnoreEastmoneyBoardName(industry))
        taken.append(industry);
    const QStringList concepts = stringFromJson(fields.value(u"f129"_s)).split(u',');
    for (const QString &piece : concepts) {
        if (taken.size() >= kMaxTags)
            break;
        const QString name = normalizedEastmoneyBoardName(piece);
        if (shouldIgnoreEastmoneyBoardName(name) || taken.contains(name))
            continue;
        taken.append(name);
    }
    return compactBoardTagsFromCandidates(taken);
}

std::optional<HttpRequest> SinaClient::eastmoneyF10Request(const QString &symbol) const
{
    const std::optional<QString> code = eastmoneyF10CodeForSymbol(symbol);
    if (!code)
        return std::nullopt;
    // The service wants to be asked from its own concept page for that code.
    QUrl referer = Endpoints::join(m_endpoints.eastmoneyF10, u"/PC_HSF10/CoreConception/Index"_s);
    referer.setQuery(marketwire::encodedQuery({{u"type"_s, u"web"_s}, {u"code"_s, *code}}));
    return getRequest(m_endpoints.eastmoneyF10, u"/PC_HSF10/CoreConception/PageAjax"_s,
                      {{u"code"_s, *code}}, referer.toEncoded(), kMarketDataTimeoutMs);
}

std::optional<HttpRequest> SinaClient::eastmoneyStockRequest(const QString &symbol) const
{
    const std::optional<QString> secid = eastmoneySecIDForSymbol(symbol);
    if (!secid)
        return std::nullopt;
    return getRequest(m_endpoints.eastmoneyPush, u"/api/qt/stock/get"_s,
                      {{u"secid"_s, *secid}, {u"fields"_s, u"f57,f58,f127,f128,f129"_s}},
                      Endpoints::eastmoneyReferer(), kMarketDataTimeoutMs);
}

void SinaClient::fetchBoardTagsForSymbol(const QString &symbol, BoardTagsCompletion completion)
{
    const QString s = symbol.toLower();
    if (!s.startsWith(u"sh") && !s.startsWith(u"sz") && !s.startsWith(u"bj")) {
        const QString badge = KSMarketBadgeForSymbol(s);
        deliverLater([badge, completion = std::move(completion)] {
            completion(badge.isEmpty() ? QStringList() : QStringList{badge});
        });
        return;
    }
    const std::optional<HttpRequest> request = eastmoneyF10Request(s);
    if (!request) {
        fetchEastmoneyStockBoardTagsForSymbol(s, std::move(completion));
        return;
    }
    m_http.send(*request, this,
                [this, s, completion = std::move(completion)](const HttpResponse &response) {
                    if (marketwire::isUsableAnswer(response)) {
                        const QStringList tags =
                            boardTagsFromEastmoneyF10JSON(QJsonDocument::fromJson(response.body));
                        if (!tags.isEmpty()) {
                            completion(tags);
                            return;
                        }
                    }
                    fetchEastmoneyStockBoardTagsForSymbol(s, completion);
                });
}

void SinaClient::fetchEastmoneyStockBoardTagsForSymbol(const QString &symbol,
                                                       BoardTagsCompletion completion)
{
    const std::optional<HttpRequest> request = eastmoneyStockRequest(symbol);
    if (!request) {
        deliverLater([completion = std::move(completion)] { completion({}); });
        return;
    }
    m_http.send(*request, this, [completion = std::move(completion)](const HttpResponse &response) {
        if (!marketwire::isUsableAnswer(response)) {
            completion({});
            return;
        }
        completion(boardTagsFromEastmoneyStockJSON(QJsonDocument::fromJson(response.body)));
    });
}
