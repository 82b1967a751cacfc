// SPDX-License-Identifier: GPL-3.0-or-later
#include "market/Sina.h"

#include "market/Plausibility.h"
#include "market/WireHelpers.h"
#include "model/Symbol.h"

#include <QDateTime>
#include <QStringDecoder>
#include <QTimeZone>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// Only the first fields of a line are read; the rest are only counted.
constexpr qsizetype kReadFields = 32;

// The fields of one line's payload as views of the decoded text: no allocation per field.
struct Fields
{
    std::array<QStringView, kReadFields> views;
    qsizetype count = 0;

    explicit Fields(QStringView payload)
    {
        // indexOf rather than a loop over the characters: it searches several at a time.
        qsizetype start = 0;
        for (;;) {
            const qsizetype comma = payload.indexOf(u',', start);
            const qsizetype end = comma < 0 ? payload.size() : comma;
            if (count < kReadFields)
                views[count] = payload.mid(start, end - start);
            ++count;
            if (comma < 0)
                break;
            start = comma + 1;
        }
    }

    QStringView at(qsizetype index) const
    {
        return index < std::min(count, kReadFields) ? views[index] : QStringView();
    }
    QString text(qsizetype index) const { return at(index).toString(); }
    double number(qsizetype index) const;
};

bool isAsciiDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// Leading white space skipped, the longest numeric prefix taken, anything else is 0.
double leadingNumber(QStringView field)
{
    qsizetype i = 0;
    const qsizetype n = field.size();
    while (i < n && field.at(i).isSpace())
        ++i;
    // from_chars takes no plus sign: the text converted starts after one.
    qsizetype start = i;
    if (i < n && (field.at(i) == u'+' || field.at(i) == u'-')) {
        ++i;
        if (field.at(start) == u'+')
            start = i;
    }
    qsizetype digits = 0;
    while (i < n && isAsciiDigit(field.at(i))) {
        ++i;
        ++digits;
    }
    if (i < n && field.at(i) == u'.') {
        qsizetype j = i + 1;
        qsizetype fraction = 0;
        while (j < n && isAsciiDigit(field.at(j))) {
            ++j;
            ++fraction;
        }
        if (digits + fraction > 0) {
            digits += fraction;
            i = j;
        }
    }
    if (digits == 0)
        return 0;
    if (i < n && (field.at(i) == u'e' || field.at(i) == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (field.at(j) == u'+' || field.at(j) == u'-'))
            ++j;
        const qsizetype expStart = j;
        while (j < n && isAsciiDigit(field.at(j)))
            ++j;
        if (j > expStart)
            i = j;
    }
    // The prefix is ASCII by construction; converted on the stack, not through a QString.
    std::array<char, 64> buffer;
    const qsizetype length = i - start;
    if (length > qsizetype(buffer.size()))
        return marketwire::numberFromText(field.mid(start, length));
    for (qsizetype k = 0; k < length; ++k)
        buffer[k] = char(field.at(start + k).unicode());
    double value = 0;
    const auto [end, error] = std::from_chars(buffer.data(), buffer.data() + length, value);
    // Out of range (beyond a double, or below its smallest step) reads 0 like any non-number.
    return error == std::errc() && std::isfinite(value) ? value : 0;
}

double Fields::number(qsizetype index) const
{
    return leadingNumber(at(index));
}

// The feed writes US date and time in China time; quotes carry the exchange's own.
void setUsDateTime(Quote &quote, QStringView field)
{
    const qsizetype space = field.indexOf(u' ');
    QStringView date = space < 0 ? field : field.left(space);
    QStringView time;
    if (space >= 0) {
        const QStringView rest = field.mid(space + 1);
        const qsizetype next = rest.indexOf(u' ');
        time = next < 0 ? rest : rest.left(next);
    }
    quote.date = date.toString();
    quote.time = time.toString();
    if (date.isEmpty() || time.isEmpty())
        return;
    static const QTimeZone china("Asia/Shanghai");
    static const QTimeZone newYork("America/New_York");
    const QDate d = QDate::fromString(quote.date, u"yyyy-MM-dd"_s);
    const QTime t = QTime::fromString(quote.time, u"HH:mm:ss"_s);
    if (d.isValid() && t.isValid()) {
        const QDateTime local = QDateTime(d, t, china).toTimeZone(newYork);
        quote.date = local.date().toString(u"yyyy-MM-dd"_s);
        quote.time = local.time().toString(u"HH:mm:ss"_s);
    }
}

void applyFillIns(Quote &q)
{
    if (q.previousClose <= 0)
        q.previousClose = q.open > 0 ? q.open : q.price;
    if (q.open <= 0)
        q.open = q.previousClose;
    if (q.high <= 0)
        q.high = std::max(q.price, q.open);
    if (q.low <= 0)
        q.low = std::min(q.price, q.open);
}

// The symbol between the marker and the payload, "=" removed and lower-cased; none when it
// is no symbol, so no quote is ever filed under such a name.
std::optional<Symbol> lineSymbol(QStringView text)
{
    while (text.endsWith(u'='))
        text.chop(1); // the usual "hq_str_sh600519=": one copy, not a copy and a removal
    QString s = text.toString();
    if (s.contains(u'='))
        s.remove(u'=');
    return Symbol::fromStored(std::move(s).toLower());
}

std::optional<Quote> quoteFromLine(QStringView line)
{
    constexpr QStringView marker = u"hq_str_";
    const qsizetype firstQuote = line.indexOf(u'"');
    const qsizetype lastQuote = line.lastIndexOf(u'"');
    // Lines start "var hq_str_"; anything else is searched.
    const qsizetype markerAt = line.startsWith(u"var hq_str_")
                                   ? 4
                                   : line.first(std::max<qsizetype>(firstQuote, 0)).indexOf(marker);
    if (firstQuote < 0 || lastQuote < 0 || markerAt < 0 || firstQuote >= lastQuote)
        return std::nullopt;
    const qsizetype markerEnd = markerAt + marker.size();
    if (markerEnd > firstQuote)
        return std::nullopt;
    const std::optional<Symbol> symbol = lineSymbol(line.mid(markerEnd, firstQuote - markerEnd));
    if (!symbol)
        return std::nullopt;

    Quote q;
    q.symbol = symbol->stored();
    const Fields f(line.mid(firstQuote + 1, lastQuote - firstQuote - 1));
    switch (symbol->market()) {
    case Market::HongKong:
        if (f.count < 19 || f.number(6) <= 0)
            return std::nullopt;
        q.name = f.at(1).isEmpty() ? f.text(0) : f.text(1);
        q.open = f.number(2);
        q.previousClose = f.number(3);
        q.high = f.number(4);
        q.low = f.number(5);
        q.price = f.number(6);
        q.amount = f.number(11);
        q.volume = f.number(12);
        q.date = f.text(17).replace(u'/', u'-');
        q.time = f.text(18);
        if (q.time.size() == 5)
            q.time += u":00"_s;
        break;
    case Market::US: {
        if (f.count < 27 || f.number(1) <= 0)
            return std::nullopt;
        q.name = f.at(0).isEmpty() ? symbol->displayForm() : f.text(0);
        q.price = f.number(1);
        setUsDateTime(q, f.at(3));
        q.open = f.number(5);
        q.high = f.number(6);
        q.low = f.number(7);
        q.volume = f.number(10);
        const double closeField = f.number(26);
        const double percent = f.number(2);
        if (closeField <= 0 && std::fabs(percent) > 0.0001)
            q.previousClose = q.price / (percent / 100.0 + 1.0);
        else
            q.previousClose = closeField;
        if (!std::isfinite(q.previousClose))
            q.previousClose = 0; // a change of -100% leaves nothing to divide by
        q.amount = marketwire::finiteOrZero(q.volume * q.price);
        break;
    }
    case Market::Shanghai:
    case Market::Shenzhen:
    case Market::Beijing:
        if (f.count < 32 || f.number(3) <= 0)
            return std::nullopt;
        q.name = f.text(0);
        q.open = f.number(1);
        q.previousClose = f.number(2);
        q.price = f.number(3);
        q.high = f.number(4);
        q.low = f.number(5);
        q.volume = f.number(8);
        q.amount = f.number(9);
        q.date = f.text(30);
        q.time = f.text(31);
        break;
    }
    // Checked as sent (the fill-ins would cover a negative field) and once more after them,
    // since a filled-in high may lie below the low that was sent.
    if (!plausibility::isQuote(q))
        return std::nullopt;
    applyFillIns(q);
    if (!plausibility::isQuote(q))
        return std::nullopt;
    return q;
}

// The line breaks Unicode knows.
bool isLineBreak(char16_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// The index of the first line break at or after `from`, or `n`. Eight characters are tested
// at a time (the answer is some 130,000 of them, nearly all inside lines).
qsizetype nextLineBreak(const char16_t *chars, qsizetype from, qsizetype n)
{
    using Lanes = std::uint16_t __attribute__((vector_size(16)));
    qsizetype i = from;
    for (; i + 8 <= n; i += 8) {
        Lanes x;
        std::memcpy(&x, chars + i, sizeof x);
        const Lanes hit = (Lanes(x - 0x0A) < 4) | (x == 0x85) | ((x & 0xFFFE) == 0x2028);
        std::uint64_t halves[2];
        std::memcpy(halves, &hit, sizeof halves);
        if (halves[0] | halves[1])
            break;
    }
    while (i < n && !isLineBreak(chars[i]))
        ++i;
    return i;
}

} // namespace

namespace sina {

QList<Quote> parseRealtime(QStringView text)
{
    QList<Quote> quotes;
    quotes.reserve(text.size() / 256); // a line of the feed is about 260 characters
    qsizetype start = 0;
    const qsizetype n = text.size();
    const char16_t *chars = text.utf16();
    for (qsizetype i = 0; i <= n; ++i) {
        i = nextLineBreak(chars, i, n);
        if (i > start) {
            if (auto quote = quoteFromLine(text.mid(start, i - start)))
                quotes.append(std::move(*quote));
        }
        start = i + 1;
    }
    return quotes;
}

QString decodeRealtime(const QByteArray &body)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    if (!utf8.hasError() && text.contains(u"hq_str_"))
        return text;
    QStringDecoder gb("GB18030", QStringDecoder::Flag::Stateless);
    if (!gb.isValid())
        return utf8.hasError() ? QString() : text;
    text = gb.decode(body);
    return gb.hasError() ? QString() : text;
}

QStringList requestableSymbols(const QStringList &symbols)
{
    QStringList lowered;
    lowered.reserve(symbols.size());
    for (const QString &symbol : symbols) {
        // The list goes into the path as it is: a comma, slash or line break in an entry
        // would change what every other symbol's request asks for.
        if (const auto s = Symbol::fromStored(symbol.toLower()))
            lowered.append(s->sinaForm());
    }
    return lowered;
}

QString realtimeTarget(const QStringList &symbols, qint64 epochMSecs)
{
    return u"/rn="_s + QString::number(epochMSecs) + u"&list="_s +
           requestableSymbols(symbols).join(u',');
}

std::optional<HttpRequest> realtimeRequest(const Endpoints &endpoints, const QStringList &symbols,
                                           qint64 epochMSecs)
{
    if (requestableSymbols(symbols).isEmpty())
        return std::nullopt;
    HttpRequest request;
    request.url = Endpoints::join(endpoints.sina, realtimeTarget(symbols, epochMSecs));
    request.timeoutMs = kRealtimeTimeoutMs;
    request.headers = {{"Referer", Endpoints::sinaReferer()},
                       {"User-Agent", Endpoints::userAgent()}};
    return request;
}

} // namespace sina
