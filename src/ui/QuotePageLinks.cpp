// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuotePageLinks.h"

#include "config/ConfigStore.h"

using namespace Qt::StringLiterals;

namespace {

const QString kSinaHost = u"https://stock.finance.sina.com.cn"_s;
const QString kEastmoneyHost = u"https://quote.eastmoney.com"_s;

QUrl page(const QString &host, const QString &path)
{
    QUrl url(host);
    url.setPath(path);
    return url;
}

} // namespace

QUrl KSQuotePageURLForSymbol(const QString &symbol)
{
    // A hand-edited entry that is no symbol has no page; it never becomes a path.
    const QString s = symbol.trimmed().toLower();
    if (!ConfigStore::isValidSymbol(s))
        return {};
    if (s.startsWith(u"hk"_s))
        return page(kSinaHost, u"/hkstock/quotes/"_s + s.mid(2) + u".html"_s);
    if (s.startsWith(u"gb_"_s)) {
        QString ticker = s.mid(3).toUpper();
        ticker.replace(u'_', u'.');
        return page(kSinaHost, u"/usstock/quotes/"_s + ticker + u".html"_s);
    }
    return page(kEastmoneyHost, u"/"_s + s.toUpper() + u".html"_s);
}
