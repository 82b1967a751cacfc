// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Symbol.h"

using namespace Qt::StringLiterals;

namespace {

bool isDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

bool isLowerLetter(QChar c)
{
    return c.unicode() >= 'a' && c.unicode() <= 'z';
}

bool isDigits(QStringView text, qsizetype count)
{
    if (text.size() != count)
        return false;
    for (const QChar c : text) {
        if (!isDigit(c))
            return false;
    }
    return true;
}

bool isTicker(QStringView text)
{
    // No market's ticker is longer; the class-share separator is "_" (or ".").
    if (text.isEmpty() || text.size() > 10 || !isLowerLetter(text.front()))
        return false;
    for (const QChar c : text) {
        if (!isLowerLetter(c) && !isDigit(c) && c != u'_' && c != u'.')
            return false;
    }
    return true;
}

std::optional<Market> marketOfStored(QStringView text)
{
    // Checked by hand rather than by a pattern: the realtime parser asks for every line.
    if (text.startsWith(u"gb_"))
        return isTicker(text.mid(3)) ? std::optional(Market::US) : std::nullopt;
    const QStringView prefix = text.left(2);
    const QStringView code = text.mid(2);
    if (prefix == u"hk")
        return isDigits(code, 5) ? std::optional(Market::HongKong) : std::nullopt;
    if (!isDigits(code, 6))
        return std::nullopt;
    if (prefix == u"sh")
        return Market::Shanghai;
    if (prefix == u"sz")
        return Market::Shenzhen;
    if (prefix == u"bj")
        return Market::Beijing;
    return std::nullopt;
}

} // namespace

std::optional<Symbol> Symbol::fromStored(const QString &text)
{
    const std::optional<Market> market = marketOfStored(text);
    if (!market)
        return std::nullopt;
    return Symbol(text, *market);
}

std::optional<Market> Symbol::marketOf(const QString &text)
{
    return marketOfStored(text.toLower());
}

QStringView Symbol::code() const
{
    return QStringView(m_stored).mid(m_market == Market::US ? 3 : 2);
}

std::optional<QString> Symbol::eastmoneySecId() const
{
    if (!isAShare())
        return std::nullopt;
    return (m_market == Market::Shanghai ? u"1."_s : u"0."_s) + code();
}

std::optional<QString> Symbol::eastmoneyF10Code() const
{
    if (!isAShare())
        return std::nullopt;
    return m_stored.toUpper();
}

std::optional<QString> Symbol::tencentCode() const
{
    if (m_market == Market::US)
        return std::nullopt;
    return m_stored;
}

std::optional<QString> Symbol::yahooSymbol() const
{
    if (m_market == Market::HongKong) {
        QStringView digits = code();
        while (digits.size() > 4 && digits.startsWith(u'0'))
            digits = digits.mid(1);
        return digits + u".HK"_s;
    }
    if (m_market == Market::US)
        return code().toString().replace(u'_', u'-').toUpper();
    return std::nullopt;
}

QString Symbol::displayForm() const
{
    return m_market == Market::US ? code().toString().toUpper() : m_stored.toUpper();
}

QString Symbol::marketBadge() const
{
    switch (m_market) {
    case Market::Shanghai:
        return u"沪市"_s;
    case Market::Shenzhen:
        return u"深市"_s;
    case Market::Beijing:
        return u"北交"_s;
    case Market::HongKong:
        return u"港股"_s;
    case Market::US:
        return u"美股"_s;
    }
    return u"市场"_s;
}
