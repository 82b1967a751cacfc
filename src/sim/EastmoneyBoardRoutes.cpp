// SPDX-License-Identifier: GPL-3.0-or-later
// Eastmoney's company profile (F10) concept page and the quote service's board fields.
#include "sim/MarketSimulator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

// F10 names the industry board without the Shenwan level mark the quote service shows.
QString plainIndustry(QString industry)
{
    while (industry.endsWith(u'Ⅱ') || industry.endsWith(u'Ⅲ'))
        industry.chop(1);
    return industry;
}

QString boardCode(const QString &name)
{
    return u"BK"_s + QString::number(SimRandom::hash(name, 11) % 1000).rightJustified(4, u'0');
}

SimResponse json(const QJsonObject &object)
{
    SimResponse response;
    response.contentType = "application/json; charset=utf-8";
    response.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
    return response;
}

QJsonObject pushEnvelope(const QJsonValue &data)
{
    return QJsonObject{{u"rc"_s, 0},   {u"rt"_s, 4},         {u"svr"_s, 181735247}, {u"lt"_s, 1},
                       {u"full"_s, 1}, {u"dlmkts"_s, u""_s}, {u"data"_s, data}};
}

bool isStock(const SimInstrument &i)
{
    return i.market == SimMarket::AShare;
}

} // namespace

void MarketSimulator::installBoardTagRoutes()
{
    m_server.addRoute(
        u"eastmoney-f10"_s, u"/PC_HSF10/CoreConception/PageAjax"_s, [this](const SimRequest &r) {
            QJsonArray boards;
            QJsonArray points;
            const QString code = r.queryValue(u"code"_s);
            const SimInstrument *i = instrumentForSecID(code);
            if (i && isStock(*i) && !isEmptyDataRoute(u"eastmoney-f10"_s)) {
                const QString suffix = code.left(2).toUpper();
                QStringList names;
                if (!i->industry.isEmpty())
                    names << plainIndustry(i->industry);
                names << i->concepts;
                for (int k = 0; k < names.size(); ++k) {
                    boards.append(QJsonObject{
                        {u"SECUCODE"_s, QString(i->symbol.mid(2) + u'.' + suffix)},
                        {u"SECURITY_CODE"_s, i->symbol.mid(2)},
                        {u"SECURITY_NAME_ABBR"_s, i->name},
                        {u"NEW_BOARD_CODE"_s, boardCode(names.at(k))},
                        {u"BOARD_NAME"_s, names.at(k)},
                        {u"SELECTED_BOARD_REASON"_s, QJsonValue::Null},
                        {u"IS_PRECISE"_s, k == 0 ? u"1"_s : u"0"_s},
                        {u"BOARD_RANK"_s, k + 1},
                        {u"BOARD_YIELD"_s, QJsonValue::Null},
                        {u"DERIVE_BOARD_CODE"_s, QJsonValue::Null},
                    });
                }
                if (!i->industry.isEmpty())
                    points.append(QJsonObject{
                        {u"SECUCODE"_s, QString(i->symbol.mid(2) + u'.' + suffix)},
                        {u"KEYWORD"_s, u"所属行业"_s},
                        {u"MAINPOINT_CONTENT"_s,
                         QString(u"公司属于"_s + plainIndustry(i->industry) + u"行业。"_s)},
                        {u"KEY_CLASSIF"_s, u"经营范围"_s},
                        {u"KEY_CLASSIF_CODE"_s, u"001"_s},
                        {u"IS_POINT"_s, u"0"_s}});
            }
            return json(QJsonObject{{u"ssbk"_s, boards}, {u"hxtc"_s, points}});
        });

    m_server.addRoute(u"eastmoney-stock"_s, u"/api/qt/stock/get"_s, [this](const SimRequest &r) {
        const SimInstrument *i = instrumentForSecID(r.queryValue(u"secid"_s));
        if (!i || i->market == SimMarket::HongKong || i->market == SimMarket::US)
            return json(pushEnvelope(QJsonValue::Null));
        const bool empty = isEmptyDataRoute(u"eastmoney-stock"_s);
        QString region = u"-"_s;
        QStringList concepts;
        for (const QString &c : i->concepts) {
            if (c.endsWith(u"板块") && region == u"-")
                region = c;
            if (!c.isEmpty())
                concepts << c;
        }
        // The service says "-" where it has nothing (indices, fresh listings).
        const QString industry = empty || i->industry.isEmpty() ? u"-"_s : i->industry;
        const QString conceptText =
            empty ? QString() : (concepts.isEmpty() ? u"-"_s : concepts.join(u','));
        const QHash<QString, QJsonValue> available{
            {u"f57"_s, i->symbol.mid(2)},         {u"f58"_s, i->name},      {u"f127"_s, industry},
            {u"f128"_s, empty ? u"-"_s : region}, {u"f129"_s, conceptText},
        };
        QJsonObject data;
        for (const QString &field : r.queryValue(u"fields"_s).split(u',', Qt::SkipEmptyParts)) {
            if (available.contains(field))
                data.insert(field, available.value(field));
        }
        return json(pushEnvelope(data));
    });
}
