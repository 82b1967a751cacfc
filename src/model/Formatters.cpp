// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Formatters.h"

#include "model/Quote.h"
#include "model/Symbol.h"

#include <cmath>

using namespace Qt::StringLiterals;

QString formatFixed(double value, int decimals)
{
    // Adding +0.0 turns a negative zero into a positive one, so 0 never prints as "-0.00".
    return QString::number(value + 0.0, 'f', decimals);
}

static QString signPrefix(double value)
{
    return value >= 0 ? u"+"_s : QString();
}

QString formatPrice(double value)
{
    return formatFixed(value, 2);
}

QString formatChange(double value)
{
    return signPrefix(value) + formatFixed(value, 2);
}

QString formatPercent(double value)
{
    return signPrefix(value) + formatFixed(value, 2) + u"%"_s;
}

QString formatMoney(double value)
{
    QString text = formatFixed(value, 2);
    const qsizetype digitsStart = text.startsWith(u'-') ? 1 : 0;
    for (qsizetype at = text.indexOf(u'.') - 3; at > digitsStart; at -= 3)
        text.insert(at, u',');
    return text;
}

QString formatSignedMoney(double value)
{
    return signPrefix(value) + formatMoney(value);
}

QString formatPriceOrDash(double value)
{
    return value > 0 ? formatPrice(value) : u"--"_s;
}

QString formatChangeLine(const Quote &quote)
{
    if (!(quote.price > 0 && quote.previousClose > 0))
        return u"--"_s;
    return formatChange(quote.change()) + u"  "_s + formatPercent(quote.changePercent());
}

QString formatCompactNumber(double value)
{
    const double magnitude = std::fabs(value);
    if (magnitude >= 100000000.0)
        return formatFixed(value / 100000000.0, 2) + u"亿"_s;
    if (magnitude >= 10000.0)
        return formatFixed(value / 10000.0, 2) + u"万"_s;
    return formatFixed(value, 0);
}

QString directionSymbol(double value)
{
    if (value > 0)
        return u"▲"_s;
    if (value < 0)
        return u"▼"_s;
    return u"■"_s;
}

QString shortName(const QString &name)
{
    return name.size() > 4 ? name.left(4) : name;
}

QString titleForQuote(const Quote &quote)
{
    return shortName(quote.name) + u' ' + formatPrice(quote.price) + u' ' +
           formatPercent(quote.changePercent());
}

QString accessibleRowName(const Quote &quote, const QString &statusWord)
{
    if (!(quote.price > 0 && quote.previousClose > 0))
        return quote.name + u" 等待行情"_s;
    const double percent = quote.changePercent();
    const QString direction = percent > 0 ? u"上涨"_s : percent < 0 ? u"下跌"_s : u"平盘"_s;
    return quote.name + u' ' + formatPrice(quote.price) + u' ' + direction + u' ' +
           formatFixed(std::fabs(percent), 2) + u"% "_s + statusWord;
}

QString marketBadgeForSymbol(const QString &symbol)
{
    const std::optional<Symbol> s = Symbol::fromStored(symbol.toLower());
    return s ? s->marketBadge() : u"市场"_s;
}
