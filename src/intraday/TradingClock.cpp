// SPDX-License-Identifier: GPL-3.0-or-later
#include "intraday/TradingClock.h"

#include "model/Symbol.h"

#include <QList>
#include <QStringView>

using namespace Qt::StringLiterals;

namespace {

enum class Scale
{
    AShare,
    HongKong,
    US
};

Scale scaleForSymbol(const QString &symbol)
{
    // Text that is no symbol reads on the A-share day.
    const std::optional<Market> market = Symbol::marketOf(symbol);
    if (market == Market::US)
        return Scale::US;
    if (market == Market::HongKong)
        return Scale::HongKong;
    return Scale::AShare;
}

// Leading white space, an optional sign, the leading digits; no digits reads as 0.
long long lenientInteger(QStringView part)
{
    qsizetype i = 0;
    while (i < part.size() && part.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < part.size() && (part.at(i) == u'+' || part.at(i) == u'-')) {
        negative = part.at(i) == u'-';
        ++i;
    }
    long long value = 0;
    for (; i < part.size() && part.at(i) >= u'0' && part.at(i) <= u'9'; ++i) {
        if (value < 100000000000LL) // far beyond any clock value; stops overflow
            value = value * 10 + (part.at(i).unicode() - u'0');
    }
    return negative ? -value : value;
}

constexpr double kOpen = 34200;
constexpr double kAfternoonOpen = 46800;

} // namespace

double TradingClock::position(const QString &symbol, const QString &time)
{
    if (time.size() < 5)
        return -1;
    const QList<QStringView> parts = QStringView(time).split(u':');
    if (parts.size() < 2)
        return -1;
    const double t = static_cast<double>(lenientInteger(parts.at(0))) * 3600 +
                     static_cast<double>(lenientInteger(parts.at(1))) * 60 +
                     (parts.size() > 2 ? static_cast<double>(lenientInteger(parts.at(2))) : 0);
    if (t <= kOpen)
        return 0;
    const Scale scale = scaleForSymbol(symbol);
    if (scale == Scale::US)
        return t <= 57600 ? t - kOpen : 23400;
    const double morningClose = scale == Scale::HongKong ? 43200 : 41400;
    const double close = scale == Scale::HongKong ? 57600 : 54000;
    if (t <= morningClose)
        return t - kOpen;
    if (t < kAfternoonOpen)
        return morningClose - kOpen;
    if (t <= close)
        return t - kAfternoonOpen + (morningClose - kOpen);
    return TradingClock::positionMax(symbol);
}

double TradingClock::positionMax(const QString &symbol)
{
    switch (scaleForSymbol(symbol)) {
    case Scale::US:
        return 23400;
    case Scale::HongKong:
        return 19800;
    default:
        return 14400;
    }
}

double TradingClock::midPosition(const QString &symbol)
{
    switch (scaleForSymbol(symbol)) {
    case Scale::US:
        return 23400 * 0.5;
    case Scale::HongKong:
        return 9000;
    default:
        return 7200;
    }
}

QList<double> TradingClock::sessionBoundaries(const QString &symbol)
{
    const double close = TradingClock::positionMax(symbol);
    if (scaleForSymbol(symbol) == Scale::US)
        return {0, close};
    return {0, TradingClock::midPosition(symbol), close};
}

QString TradingClock::midLabel(const QString &symbol)
{
    switch (scaleForSymbol(symbol)) {
    case Scale::US:
        return u"12:45"_s;
    case Scale::HongKong:
        return u"12:00/13:00"_s;
    default:
        return u"11:30/13:00"_s;
    }
}

QString TradingClock::endLabel(const QString &symbol)
{
    return scaleForSymbol(symbol) == Scale::AShare ? u"15:00"_s : u"16:00"_s;
}
