// SPDX-License-Identifier: GPL-3.0-or-later
// Realtime quotes from the Sina feed: one GET for the whole symbol list.
#include "market/SinaClient.h"

#include "market/Plausibility.h"
#include "market/WireHelpers.h"
#include "model/Clock.h"
#include "net/HttpClient.h"

#include <QStringDecoder>
#include <QTimeZone>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Leading white space skipped, the longest numeric prefix taken, anything else is 0.
double leadingNumber(QStringView field)
{
    qsizetype i = 0;
    const qsizetype n = field.size();
    while (i < n && field.at(i).isSpace())
        ++i;
    const qsizetype start = i;
    if (i < n && (field.at(i) == u'+' || field.at(i) == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && field.at(i).isDigit() && field.at(i).unicode() < 128) {
        ++i;
        ++digits;
    }
    if (i < n && field.at(i) == u'.') {
        qsizetype j = i + 1;
        qsizetype fraction = 0;
        while (j < n && field.at(j).unicode() >= u'0' && field.at(j).unicode() <= u'9') {
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
        while (j < n && field.at(j).unicode() >= u'0' && field.at(j).unicode() <= u'9')
            ++j;
        if (j > expStart)
            i = j;
    }
    bool ok = false;
    const double value = field.mid(start, i - start).toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

double numberAt(const QList<QStringView> &fields, int index)
{
    return index < fields.size() ? leadingNumber(fields.at(index)) : 0;
}

QString textAt(const QList<QStringView> &fields, int index)
{
    return index < fields.size() ? fields.at(index).toString() : QString();
}

// The feed writes US date and time in China time; quotes carry the exchange's own.
void setUsDateTime(Quote &quote, const QString &field)
{
    const qsizetype space = field.indexOf(u' ');
    QString date = space < 0 ? field : field.left(space);
    QString time;
    if (space >= 0) {
        const QString rest = field.mid(space + 1);
        const qsizetype next = rest.indexOf(u' ');
        time = next < 0 ? rest : rest.left(next);
    }
    if (!date.isEmpty() && !time.isEmpty()) {
        static const QTimeZone china("Asia/Shanghai");
        static const QTimeZone newYork("America/New_York");
        const QDate d = QDate::fromString(date, u"yyyy-MM-dd"_s);
        const QTime t = QTime::fromString(time, u"HH:mm:ss"_s);
        if (d.isValid() && t.isValid()) {
            const QDateTime local = QDateTime(d, t, china).toTimeZone(newYork);
            date = local.date().toString(u"yyyy-MM-dd"_s);
            time = local.time().toString(u"HH:mm:ss"_s);
        }
    }
    quote.date = date;
    quote.time = time;
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

std::optional<Quote> quoteFromLine(QStringView line)
{
    static const QString marker = u"hq_str_"_s;
    const qsizetype firstQuote = line.indexOf(u'"');
    const qsizetype lastQuote = line.lastIndexOf(u'"');
    const qsizetype markerAt = line.indexOf(marker);
    if (firstQuote < 0 || lastQuote < 0 || markerAt < 0 || firstQuote >= lastQuote)
        return std::nullopt;
    const qsizetype markerEnd = markerAt + marker.size();
    if (markerEnd > firstQuote)
        return std::nullopt;

    Quote q;
    q.symbol = line.mid(markerEnd, firstQuote - markerEnd).toString().remove(u'=').toLower();
    if (!ConfigStore::isValidSymbol(q.symbol))
        return std::nullopt; // no quote may be filed under a name that is no symbol
    const QStringView payload = line.mid(firstQuote + 1, lastQuote - firstQuote - 1);
    const QList<QStringView> f = payload.split(u',');

    if (q.symbol.startsWith(u"hk")) {
        if (f.size() < 19 || numberAt(f, 6) <= 0)
            return std::nullopt;
        q.name = f.at(1).isEmpty() ? textAt(f, 0) : textAt(f, 1);
        q.open = numberAt(f, 2);
        q.previousClose = numberAt(f, 3);
        q.high = numberAt(f, 4);
        q.low = numberAt(f, 5);
        q.price = numberAt(f, 6);
        q.amount = numberAt(f, 11);
        q.volume = numberAt(f, 12);
        q.date = textAt(f, 17).replace(u'/', u'-');
        q.time = textAt(f, 18);
        if (q.time.size() == 5)
            q.time += u":00"_s;
    } else if (q.symbol.startsWith(u"gb_")) {
        if (f.size() < 27 || numberAt(f, 1) <= 0)
            return std::nullopt;
        q.name = textAt(f, 0);
        if (q.name.isEmpty())
            q.name = q.symbol.mid(3).toUpper();
        q.price = numberAt(f, 1);
        setUsDateTime(q, textAt(f, 3));
        q.open = numberAt(f, 5);
        q.high = numberAt(f, 6);
        q.low = numberAt(f, 7);
        q.volume = numberAt(f, 10);
        const double closeField = numberAt(f, 26);
        const double percent = numberAt(f, 2);
        if (closeField <= 0 && std::fabs(percent) > 0.0001)
            q.previousClose = q.price / (percent / 100.0 + 1.0);
        else
            q.previousClose = closeField;
        if (!std::isfinite(q.previousClose))
            q.previousClose = 0; // a change of -100% leaves nothing to divide by
        q.amount = marketwire::finiteOrZero(q.volume * q.price);
    } else {
        if (f.size() < 32 || numberAt(f, 3) <= 0)
            return std::nullopt;
        q.name = textAt(f, 0);
        q.open = numberAt(f, 1);
        q.previousClose = numberAt(f, 2);
        q.price = numberAt(f, 3);
        q.high = numberAt(f, 4);
        q.low = numberAt(f, 5);
        q.volume = numberAt(f, 8);
        q.amount = numberAt(f, 9);
        q.date = textAt(f, 30);
        q.time = textAt(f, 31);
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

bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x85:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

} // namespace

QList<Quote> SinaClient::parseText(const QString &text)
{
    QList<Quote> quotes;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i <= n; ++i) {
        if (i < n && !isLineBreak(text.at(i)))
            continue;
        if (i > start) {
            if (auto quote = quoteFromLine(QStringView(text).mid(start, i - start)))
                quotes.append(std::move(*quote));
        }
        start = i + 1;
    }
    return quotes;
}

QString SinaClient::decodeRealtimeBody(const QByteArray &body)
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

QStringList SinaClient::requestableSymbols(const QStringList &symbols)
{
    QStringList lowered;
    lowered.reserve(symbols.size());
    for (const QString &symbol : symbols) {
        // The list goes into the path as it is: a comma, slash or line break in an entry
        // would change what every other symbol's request asks for.
        if (const QString s = symbol.toLower(); ConfigStore::isValidSymbol(s))
            lowered.append(s);
    }
    return lowered;
}

QString SinaClient::realtimeTarget(const QStringList &symbols, qint64 epochMSecs)
{
    return u"/rn="_s + QString::number(epochMSecs) + u"&list="_s +
           requestableSymbols(symbols).join(u',');
}

void SinaClient::fetchSymbols(const QStringList &symbols, QuotesCompletion completion)
{
    if (symbols.isEmpty()) {
        completion({});
        return;
    }
    if (requestableSymbols(symbols).isEmpty()) {
        deliverLater([completion = std::move(completion)] { completion({}); });
        return;
    }
    HttpRequest request;
    request.url = Endpoints::join(m_endpoints.sina, realtimeTarget(symbols, m_clock.nowMSecs()));
    request.timeoutMs = kRealtimeTimeoutMs;
    request.headers = {{"Referer", Endpoints::sinaReferer()},
                       {"User-Agent", Endpoints::userAgent()}};
    // The status code is not examined: whatever body arrived is parsed.
    m_http.send(request, this,
                [this, completion = std::move(completion)](const HttpResponse &response) {
                    const bool usable = response.answered() && !response.body.isEmpty();
                    noteSourceOutcome(QStringLiteral("realtime quotes (Sina)"), usable, response);
                    if (!usable) {
                        completion({});
                        return;
                    }
                    completion(parseText(decodeRealtimeBody(response.body)));
                });
}
