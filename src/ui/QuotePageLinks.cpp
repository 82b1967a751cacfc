// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuotePageLinks.h"

using namespace Qt::StringLiterals;

namespace {

const QString kSinaHost = u"https://stock.finance.sina.com.cn"_s;
const QString kEastmoneyHost = u"https://quote.eastmoney.com"_s;

// The path is set as a path, so a stray "?" or "#" in a hand-edited symbol stays inside it.
QUrl page(const QString &host, const QString &path)
{
    QUrl url(host);
    url.setPath(path);
    return url;
}

} // namespace

QUrl KSQuotePageURLForSymbol(const QString &symbol)
{
    const QString trimmed = symbol.trimmed();
    if (trimmed.isEmpty())
        return {};
    if (trimmed.startsWith(u"hk"_s))
        return page(kSinaHost, u"/hkstock/quotes/"_s + trimmed.mid(2).toLower() + u".html"_s);
    if (trimmed.startsWith(u"gb_"_s)) {
        QString ticker = trimmed.mid(3).toUpper();
        ticker.replace(u'_', u'.');
        return page(kSinaHost, u"/usstock/quotes/"_s + ticker + u".html"_s);
    }
    return page(kEastmoneyHost, u"/"_s + trimmed.toUpper() + u".html"_s);
}
