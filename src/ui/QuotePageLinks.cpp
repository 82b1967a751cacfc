// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuotePageLinks.h"

#include "model/Symbol.h"

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

QUrl QuotePageLinks::urlForSymbol(const QString &symbol)
{
    // A hand-edited entry that is no symbol has no page; it never becomes a path.
    const std::optional<Symbol> s = Symbol::fromStored(symbol.trimmed().toLower());
    if (!s)
        return {};
    if (s->market() == Market::HongKong)
        return page(kSinaHost, u"/hkstock/quotes/"_s + s->code() + u".html"_s);
    if (s->market() == Market::US) {
        const QString ticker = s->displayForm().replace(u'_', u'.');
        return page(kSinaHost, u"/usstock/quotes/"_s + ticker + u".html"_s);
    }
    return page(kEastmoneyHost, u"/"_s + s->stored().toUpper() + u".html"_s);
}
