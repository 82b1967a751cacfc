// SPDX-License-Identifier: GPL-3.0-or-later
#include "market/Eastmoney.h"

#include "intraday/TradingClock.h"
#include "market/Plausibility.h"
#include "market/WireHelpers.h"
#include "model/Symbol.h"

#include <QJsonArray>
#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;
using marketwire::numberFromText;
using marketwire::stringFromJson;
using plausibility::isQuantity;
using plausibility::isTradedPrice;

namespace {

// The market number Eastmoney files a security under (QuoteID "1.000001", MktNum "1").
QString eastmoneyMarketNumber(const QJsonObject &suggestion)
{
    const QString market = stringFromJson(suggestion.value(u"MktNum"_s)).trimmed();
    if (!market.isEmpty())
        return market;
    const QString quoteId = stringFromJson(suggestion.value(u"QuoteID"_s));
    const qsizetype dot = quoteId.indexOf(u'.');
    return dot > 0 ? quoteId.left(dot).trimmed() : QString();
}

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

namespace eastmoney {

// ---------------------------------------------------------------------------------------
// Symbol search

std::optional<WatchItem> candidateFromSuggestion(const QJsonObject &suggestion)
{
    const QString code = stringFromJson(suggestion.value(u"Code"_s));
    if (code.isEmpty())
        return std::nullopt;
    const QString name = stringFromJson(suggestion.value(u"Name"_s));
    const QString exchange = stringFromJson(suggestion.value(u"JYS"_s)).toLower();
    const QString classify = stringFromJson(suggestion.value(u"Classify"_s)).toLower();
    const QString typeName = stringFromJson(suggestion.value(u"SecurityTypeName"_s));

    QString symbol;
    if (classify.contains(u"hk") || exchange == u"hk" || typeName.contains(u"港股")) {
        QString padded = code;
        while (padded.size() < 5)
            padded.prepend(u'0');
        symbol = u"hk"_s + padded;
    } else if (classify.contains(u"us") || typeName.contains(u"美股") || exchange == u"nasdaq" ||
               exchange == u"nyse" || exchange == u"amex") {
        // BRK.B and BRK-B are both the feed's gb_brk_b.
        symbol = u"gb_"_s + code.toLower().replace(u'.', u'_').replace(u'-', u'_');
    } else {
        const bool namedExchange = exchange == u"sh" || exchange == u"sz" || exchange == u"bj";
        if (!namedExchange && code.size() != 6)
            return std::nullopt;
        const QString lowered = code.toLower();
        QString prefix;
        if (namedExchange) {
            prefix = exchange;
        } else if (eastmoneyMarketNumber(suggestion) == u"1") {
            // Shanghai by the service's own market number: index 000001 is 上证指数, not
            // the Shenzhen stock the first-digit rule would make of it.
            prefix = u"sh"_s;
        } else {
            const QChar first = lowered.at(0);
            if (first == u'6')
                prefix = u"sh"_s;
            else if (first == u'8' || first == u'4' || first == u'9')
                prefix = u"bj"_s;
            else
                prefix = u"sz"_s;
        }
        symbol = prefix + lowered;
    }
    // The answer is not trusted: a code such as "../x", "600519,hk00700" or one with a line
    // break would end up in every realtime request once stored.
    const std::optional<Symbol> checked = Symbol::fromStored(symbol.toLower());
    if (!checked)
        return std::nullopt;
    return WatchItem{
        {u"symbol"_s, checked->stored()},
        {u"name"_s, name.isEmpty() ? checked->stored().toUpper() : name},
        {u"market"_s, typeName.isEmpty() ? checked->marketBadge() : typeName},
    };
}

QList<WatchItem> candidatesFromSuggestData(const QByteArray &body, int limit)
{
    QList<WatchItem> candidates;
    if (limit <= 0)
        return candidates;
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    const QJsonValue data = doc.object().value(u"QuotationCodeTable"_s).toObject().value(u"Data"_s);
    if (!doc.isObject() || !data.isArray())
        return candidates;
    QSet<QString> taken;
    for (const QJsonValue &entry : data.toArray()) {
        if (!entry.isObject())
            continue;
        const std::optional<WatchItem> candidate = candidateFromSuggestion(entry.toObject());
        if (!candidate)
            continue;
        const QString symbol = candidate->value(u"symbol"_s).toString();
        if (symbol.isEmpty() || taken.contains(symbol))
            continue;
        taken.insert(symbol);
        candidates.append(*candidate);
        if (candidates.size() >= limit)
            break;
    }
    return candidates;
}

std::optional<HttpRequest> searchRequest(const Endpoints &endpoints, const QString &query)
{
    const QString text = query.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    return marketwire::getRequest(
        endpoints.eastmoneySearch, u"/api/suggest/get"_s,
        {{u"input"_s, text}, {u"type"_s, u"14"_s}, {u"token"_s, endpoints.eastmoneySuggestToken}},
        Endpoints::eastmoneyReferer(), kSearchTimeoutMs);
}

// ---------------------------------------------------------------------------------------
// Board tags

QString normalizedBoardName(const QString &name)
{
    QString n = name.trimmed();
    // Shenwan level marks: 白酒Ⅱ and 白酒Ⅲ are both the 白酒 board.
    while (!n.isEmpty() && (n.endsWith(u'Ⅰ') || n.endsWith(u'Ⅱ') || n.endsWith(u'Ⅲ')))
        n = n.chopped(1).trimmed();
    return n;
}

bool shouldIgnoreBoardName(const QString &name)
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

bool isOverlyBroadBoardName(const QString &name)
{
    return broadNames().contains(name);
}

QStringList compactBoardTags(const QStringList &candidates)
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

QStringList boardTagsFromF10(const QJsonDocument &json)
{
    const QJsonValue boards = json.object().value(u"ssbk"_s);
    if (!json.isObject() || !boards.isArray())
        return {};
    QStringList taken;
    for (const QJsonValue &board : boards.toArray()) {
        if (!board.isObject())
            continue;
        const QString name =
            normalizedBoardName(stringFromJson(board.toObject().value(u"BOARD_NAME"_s)));
        if (shouldIgnoreBoardName(name) || taken.contains(name))
            continue;
        // A broad industry is only good enough as the second tag.
        if (isOverlyBroadBoardName(name) && taken.isEmpty())
            continue;
        taken.append(name);
        if (taken.size() >= kMaxTags)
            break;
    }
    return compactBoardTags(taken);
}

QStringList boardTagsFromStock(const QJsonDocument &json)
{
    const QJsonValue data = json.object().value(u"data"_s);
    if (!json.isObject() || !data.isObject())
        return {};
    const QJsonObject fields = data.toObject();
    QStringList taken;
    const QString industry = normalizedBoardName(stringFromJson(fields.value(u"f127"_s)));
    if (!shouldIgnoreBoardName(industry))
        taken.append(industry);
    const QStringList concepts = stringFromJson(fields.value(u"f129"_s)).split(u',');
    for (const QString &piece : concepts) {
        if (taken.size() >= kMaxTags)
            break;
        const QString name = normalizedBoardName(piece);
        if (shouldIgnoreBoardName(name) || taken.contains(name))
            continue;
        taken.append(name);
    }
    return compactBoardTags(taken);
}

std::optional<HttpRequest> f10Request(const Endpoints &endpoints, const Symbol &symbol)
{
    const std::optional<QString> code = symbol.eastmoneyF10Code();
    if (!code)
        return std::nullopt;
    // The service wants to be asked from its own concept page for that code.
    QUrl referer = Endpoints::join(endpoints.eastmoneyF10, u"/PC_HSF10/CoreConception/Index"_s);
    referer.setQuery(marketwire::encodedQuery({{u"type"_s, u"web"_s}, {u"code"_s, *code}}));
    return marketwire::getRequest(endpoints.eastmoneyF10, u"/PC_HSF10/CoreConception/PageAjax"_s,
                                  {{u"code"_s, *code}}, referer.toEncoded(),
                                  marketwire::kMarketDataTimeoutMs);
}

std::optional<HttpRequest> stockRequest(const Endpoints &endpoints, const Symbol &symbol)
{
    const std::optional<QString> secid = symbol.eastmoneySecId();
    if (!secid)
        return std::nullopt;
    return marketwire::getRequest(
        endpoints.eastmoneyPush, u"/api/qt/stock/get"_s,
        {{u"secid"_s, *secid}, {u"fields"_s, u"f57,f58,f127,f128,f129"_s}},
        Endpoints::eastmoneyReferer(), marketwire::kMarketDataTimeoutMs);
}

// ---------------------------------------------------------------------------------------
// Minute trends and daily bars

MinuteSeries minuteSeriesFromTrends(const QByteArray &body, const Symbol &symbol)
{
    MinuteSeries series;
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    const QJsonValue trends = doc.object().value(u"data"_s).toObject().value(u"trends"_s);
    if (!doc.isObject() || !trends.isArray())
        return series;
    // The service counts A-share volume in lots; the rest of the system counts shares.
    const double unit = symbol.volumeUnit();
    bool dateTaken = false;
    for (const QJsonValue &line : trends.toArray()) {
        if (!line.isString())
            continue;
        const QString text = line.toString();
        const QList<QStringView> f = QStringView(text).split(u',');
        if (f.size() < 8)
            continue;
        const QStringView stamp = f.at(0);
        if (!dateTaken && stamp.size() >= 10) {
            series.date = stamp.left(10).toString();
            dateTaken = true;
        }
        const QString time = (stamp.size() > 15 ? stamp.mid(11) : stamp).toString();
        double price = numberFromText(f.at(2));
        if (price <= 0)
            price = numberFromText(f.at(1));
        // A minute no market can show is left out, never charted or stored.
        if (!isTradedPrice(price))
            continue;
        double average = numberFromText(f.at(7));
        if (!isTradedPrice(average))
            average = price;
        const double volume = std::max(0.0, numberFromText(f.at(5))) * unit;
        if (!isQuantity(volume))
            continue;
        const double position = TradingClock::position(symbol.stored(), time);
        if (position < 0)
            continue;
        series.append(price, position, average, volume);
    }
    return series;
}

std::optional<HttpRequest> trendsRequest(const Endpoints &endpoints, const Symbol &symbol,
                                         qint64 epochMSecs)
{
    const std::optional<QString> secid = symbol.eastmoneySecId();
    if (!secid)
        return std::nullopt;
    return marketwire::getRequest(endpoints.eastmoneyHistory, u"/api/qt/stock/trends2/get"_s,
                                  {{u"fields1"_s, u"f1,f2,f3,f4,f5,f6,f7,f8,f9,f10,f11,f12,f13"_s},
                                   {u"fields2"_s, u"f51,f52,f53,f54,f55,f56,f57,f58"_s},
                                   {u"ut"_s, endpoints.eastmoneyTrendsUT},
                                   {u"ndays"_s, u"1"_s},
                                   {u"iscr"_s, u"0"_s},
                                   {u"iscca"_s, u"0"_s},
                                   {u"secid"_s, *secid},
                                   {u"_"_s, QString::number(epochMSecs)}},
                                  Endpoints::eastmoneyReferer(), marketwire::kMarketDataTimeoutMs);
}

QList<DayRecord> dayRecordsFromKlines(const QByteArray &body)
{
    QList<DayRecord> records;
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    const QJsonValue lines = doc.object().value(u"data"_s).toObject().value(u"klines"_s);
    if (!doc.isObject() || !lines.isArray())
        return records;
    for (const QJsonValue &line : lines.toArray()) {
        if (!line.isString())
            continue;
        const QString text = line.toString();
        const QList<QStringView> f = QStringView(text).split(u',');
        if (f.size() < 7)
            continue;
        DayRecord r;
        r.date = f.at(0).toString();
        r.open = numberFromText(f.at(1));
        r.close = numberFromText(f.at(2));
        r.high = numberFromText(f.at(3));
        r.low = numberFromText(f.at(4));
        r.volume = numberFromText(f.at(5));
        r.amount = numberFromText(f.at(6));
        // A bar no market can show would be kept in the daily cache for the whole day.
        if (r.close > 0 && r.high > 0 && r.low > 0 && plausibility::isDay(r))
            records.append(r);
    }
    return records;
}

std::optional<HttpRequest> dailyKRequest(const Endpoints &endpoints, const Symbol &symbol,
                                         qint64 epochMSecs)
{
    const std::optional<QString> secid = symbol.eastmoneySecId();
    if (!secid)
        return std::nullopt;
    return marketwire::getRequest(endpoints.eastmoneyHistory, u"/api/qt/stock/kline/get"_s,
                                  {{u"secid"_s, *secid},
                                   {u"fields1"_s, u"f1,f2,f3,f4,f5,f6"_s},
                                   {u"fields2"_s, u"f51,f52,f53,f54,f55,f56,f57"_s},
                                   {u"klt"_s, u"101"_s},
                                   {u"fqt"_s, u"1"_s},
                                   {u"end"_s, u"20500101"_s},
                                   {u"lmt"_s, QString::number(kDailyBarLimit)},
                                   {u"_"_s, QString::number(epochMSecs)}},
                                  Endpoints::eastmoneyReferer(), marketwire::kMarketDataTimeoutMs);
}

} // namespace eastmoney
