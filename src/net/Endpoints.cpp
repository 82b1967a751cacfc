// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/Endpoints.h"

#include <QtGlobal>

using namespace Qt::StringLiterals;

Endpoints Endpoints::publicServices()
{
    Endpoints e;
    e.sina = QUrl(u"https://hq.sinajs.cn"_s);
    e.eastmoneySearch = QUrl(u"https://searchapi.eastmoney.com"_s);
    e.eastmoneyPush = QUrl(u"https://push2.eastmoney.com"_s);
    e.eastmoneyHistory = QUrl(u"https://push2his.eastmoney.com"_s);
    e.eastmoneyF10 = QUrl(u"https://emweb.securities.eastmoney.com"_s);
    e.tencent = QUrl(u"https://web.ifzq.gtimg.cn"_s);
    e.yahoo = QUrl(u"https://query1.finance.yahoo.com"_s);
    return e;
}

Endpoints Endpoints::allAt(const QUrl &base)
{
    Endpoints e;
    e.sina = e.eastmoneySearch = e.eastmoneyPush = e.eastmoneyHistory = e.eastmoneyF10 = e.tencent =
        e.yahoo = base;
    return e;
}

Endpoints Endpoints::fromEnvironment()
{
    Endpoints e = publicServices();
    auto apply = [](const char *name, QUrl &target) {
        const QString value = qEnvironmentVariable(name).trimmed();
        if (!value.isEmpty()) {
            const QUrl url(value);
            if (url.isValid() && !url.scheme().isEmpty())
                target = url;
        }
    };
    for (QUrl *target : {&e.sina, &e.eastmoneySearch, &e.eastmoneyPush, &e.eastmoneyHistory,
                         &e.eastmoneyF10, &e.tencent, &e.yahoo})
        apply("KESTRUM_MARKET_URL", *target);
    apply("KESTRUM_SINA_URL", e.sina);
    apply("KESTRUM_EASTMONEY_SEARCH_URL", e.eastmoneySearch);
    apply("KESTRUM_EASTMONEY_PUSH_URL", e.eastmoneyPush);
    apply("KESTRUM_EASTMONEY_HISTORY_URL", e.eastmoneyHistory);
    apply("KESTRUM_EASTMONEY_F10_URL", e.eastmoneyF10);
    apply("KESTRUM_TENCENT_URL", e.tencent);
    apply("KESTRUM_YAHOO_URL", e.yahoo);
    const QString token = qEnvironmentVariable("KESTRUM_EASTMONEY_SUGGEST_TOKEN").trimmed();
    if (!token.isEmpty())
        e.eastmoneySuggestToken = token;
    const QString ut = qEnvironmentVariable("KESTRUM_EASTMONEY_TRENDS_UT").trimmed();
    if (!ut.isEmpty())
        e.eastmoneyTrendsUT = ut;
    return e;
}

QUrl Endpoints::join(const QUrl &base, const QString &path)
{
    QString root = base.toString(QUrl::RemoveQuery | QUrl::RemoveFragment);
    while (root.endsWith(u'/'))
        root.chop(1);
    return QUrl(root + (path.startsWith(u'/') ? path : u'/' + path));
}
