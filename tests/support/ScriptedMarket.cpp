// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedMarket.h"

#include <QStringEncoder>

#include <cmath>
#include <numeric>

using namespace Qt::StringLiterals;

namespace TestSupport {

namespace {

QString num(double value, int decimals)
{
    return QString::number(value + 0.0, 'f', decimals);
}

QString sinaLine(const Quote &q)
{
    QStringList f;
    f << q.name << num(q.open, 3) << num(q.previousClose, 3) << num(q.price, 3) << num(q.high, 3)
      << num(q.low, 3) << num(q.price, 3) << num(q.price + 0.01, 3) << num(q.volume, 0)
      << num(q.amount, 3);
    for (int level = 1; level <= 5; ++level)
        f << num(100.0 * level, 0) << num(q.price - 0.01 * (level - 1), 3);
    for (int level = 1; level <= 5; ++level)
        f << num(100.0 * level, 0) << num(q.price + 0.01 * level, 3);
    f << q.date << q.time << u"00"_s << QString();
    return u"var hq_str_"_s + q.symbol + u"=\""_s + f.join(u',') + u"\";"_s;
}

// "HH:mm:ss" of an A-share trading position.
QString aShareTimeForPosition(double position)
{
    const int seconds = int(std::lround(position));
    // The midday break is not on the trading clock: 7200 s is both 11:30 and 13:00.
    const QTime base = seconds <= 7200 ? QTime(9, 30) : QTime(13, 0);
    const int offset = seconds <= 7200 ? seconds : seconds - 7200;
    return base.addSecs(offset).toString(u"HH:mm:ss"_s);
}

} // namespace

ScriptedQuotes::ScriptedQuotes(SimServer &server)
{
    server.addRoute(
        routeName(), [](const QString &path) { return path.startsWith(u"/scripted/rn="); },
        [this](const SimRequest &request) {
            const QString path = QUrl::fromPercentEncoding(request.path.toLatin1());
            const qsizetype list = path.indexOf(u"&list="_s);
            const QStringList symbols =
                list < 0 ? QStringList() : path.mid(list + 6).split(u',', Qt::SkipEmptyParts);
            QString text;
            for (const QString &symbol : symbols) {
                const auto it = m_quotes.constFind(symbol.toLower());
                text += it == m_quotes.constEnd() ? u"var hq_str_"_s + symbol + u"=\"\";"_s
                                                  : sinaLine(*it);
                text += u'\n';
            }
            QStringEncoder gb("GB18030");
            SimResponse response;
            response.contentType = "application/javascript; charset=GB18030";
            response.body = gb.encode(text);
            return response;
        });
}

void ScriptedQuotes::setBackground(double changePercent, const QString &date, const QString &time)
{
    const std::pair<const char16_t *, double> indices[] = {{u"sh000001", 3880},
                                                           {u"sz399001", 12950},
                                                           {u"sz399006", 3050},
                                                           {u"sh000688", 1360},
                                                           {u"bj899050", 1480}};
    for (const auto &[symbol, close] : indices) {
        Quote q;
        q.symbol = QString::fromUtf16(symbol);
        q.name = q.symbol;
        q.previousClose = close;
        q.price = close * (1 + changePercent / 100.0);
        q.open = close;
        q.high = std::max(q.price, close);
        q.low = std::min(q.price, close);
        q.volume = 1.0e9;
        q.amount = 1.0e9 * close;
        q.date = date;
        q.time = time;
        set(q);
    }
}

ScriptedSeries ScriptedSeries::through(const QList<QPair<double, double>> &knots,
                                       double volumePerMinute)
{
    ScriptedSeries s;
    if (knots.isEmpty())
        return s;
    double sum = 0;
    for (double position = knots.first().first; position <= knots.last().first + 0.5;
         position += 60) {
        qsizetype k = 0;
        while (k + 1 < knots.size() && knots.at(k + 1).first < position)
            ++k;
        double price = knots.at(k).second;
        if (k + 1 < knots.size()) {
            const auto &[p0, v0] = knots.at(k);
            const auto &[p1, v1] = knots.at(k + 1);
            price = p1 > p0 ? v0 + (v1 - v0) * (position - p0) / (p1 - p0) : v1;
        }
        price = std::round(price * 1000) / 1000;
        s.prices.append(price);
        s.positions.append(position);
        sum += price;
        s.averages.append(sum / s.prices.size());
        s.volumes.append(volumePerMinute);
    }
    return s;
}

ScriptedSeries ScriptedSeries::waiting(double end, double price)
{
    return through({{0, 10.00}, {end - 1200, price}, {end, price}}).endingAverageAt(10.10);
}

ScriptedSeries ScriptedSeries::tracking(double end, double price)
{
    return through({{0, 10.00}, {end, price}}).endingAverageAt(10.10);
}

ScriptedSeries ScriptedSeries::defending(double end, double price)
{
    return through({{0, 10.00}, {end - 480, 10.20}, {end, price}}).endingAverageAt(10.10);
}

ScriptedSeries &ScriptedSeries::endingAverageAt(double average)
{
    if (averages.isEmpty())
        return *this;
    const double shift = average - averages.last();
    for (double &a : averages)
        a += shift;
    return *this;
}

void ScriptedSeries::applyTo(IntradayStore &store, const QString &symbol, const QString &date) const
{
    store.applyIntradaySeriesForSymbol(symbol, date, prices, positions, averages, volumes);
}

ScriptedAppHarness::ScriptedAppHarness(const QStringList &watchSymbols, const QDateTime &start,
                                       Notifier *notifierOverride)
    : AppHarness(watchSymbols, start, notifierOverride,
                 [](Endpoints &endpoints, SimHarness &market) {
                     endpoints.sina = Endpoints::join(market.baseUrl(), u"/scripted"_s);
                 })
    , scripted(market.server())
    , m_day(start.toTimeZone(QTimeZone("Asia/Shanghai")).date())
{}

Quote ScriptedAppHarness::stage(const QString &symbol, const QString &name,
                                const ScriptedSeries &series, double previousClose, double high,
                                double low)
{
    const double position = series.positions.isEmpty() ? 0 : series.positions.last();
    const QString time = aShareTimeForPosition(position);
    const QString date = m_day.toString(u"yyyy-MM-dd"_s);
    market.clock.setNow(
        QDateTime(m_day, QTime::fromString(time, u"HH:mm:ss"_s), QTimeZone("Asia/Shanghai")));

    series.applyTo(app->intraday(), symbol, date);
    Quote q;
    q.symbol = symbol;
    q.name = name;
    q.previousClose = previousClose;
    q.open = series.prices.isEmpty() ? previousClose : series.prices.first();
    q.price = series.prices.isEmpty() ? previousClose : series.prices.last();
    q.high = high;
    q.low = low;
    // Same cumulative volume as the series, so the refresh's own sample adds none, and an
    // amount that puts the quote's average price on the series' last average.
    q.volume = std::accumulate(series.volumes.begin(), series.volumes.end(), 0.0);
    q.amount = q.volume * (series.averages.isEmpty() ? q.price : series.averages.last());
    q.date = date;
    q.time = time;
    scripted.set(q);
    scripted.setBackground(0.3, date, time);
    return q;
}

} // namespace TestSupport
