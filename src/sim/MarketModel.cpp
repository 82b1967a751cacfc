// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/MarketModel.h"

#include <QCryptographicHash>

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace Qt::StringLiterals;

// ---------------------------------------------------------------------------------------
// Random numbers

quint64 SimRandom::next()
{
    quint64 z = (m_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double SimRandom::uniform()
{
    return (static_cast<double>(next() >> 11) + 0.5) / 9007199254740992.0;
}

double SimRandom::normal()
{
    const double u1 = uniform();
    const double u2 = uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

quint64 SimRandom::hash(const QString &text, quint64 seed)
{
    quint64 h = 0xCBF29CE484222325ULL ^ seed;
    for (const QChar c : text) {
        h ^= c.unicode();
        h *= 0x100000001B3ULL;
    }
    SimRandom mix(h);
    return mix.next();
}

// ---------------------------------------------------------------------------------------
// Instruments

namespace {

SimInstrument make(const char16_t *symbol, const char16_t *name, const char16_t *pinyin,
                   SimMarket market, double price, double vol, double volume,
                   const char16_t *industry, QStringList concepts = {},
                   SimInstrument::Behaviour behaviour = SimInstrument::Behaviour::Normal,
                   const char16_t *english = u"")
{
    SimInstrument i;
    i.symbol = QString::fromUtf16(symbol);
    i.name = QString::fromUtf16(name);
    i.pinyin = QString::fromUtf16(pinyin);
    i.englishName = QString::fromUtf16(english);
    i.market = market;
    i.basePrice = price;
    i.dailyVolatility = vol;
    i.dailyVolume = volume;
    i.industry = QString::fromUtf16(industry);
    i.concepts = std::move(concepts);
    i.behaviour = behaviour;
    return i;
}

double limitFraction(const SimInstrument &i)
{
    if (i.market != SimMarket::AShare)
        return 0;
    if (i.symbol.startsWith(u"bj"))
        return 0.30;
    if (i.symbol.startsWith(u"sz30") || i.symbol.startsWith(u"sh688"))
        return 0.20;
    return 0.10;
}

double round2(double v)
{
    return std::round(v * 100.0) / 100.0;
}

} // namespace

QList<SimInstrument> MarketModel::defaultInstruments()
{
    using B = SimInstrument::Behaviour;
    const SimMarket A = SimMarket::AShare, I = SimMarket::Index, H = SimMarket::HongKong,
                    U = SimMarket::US;
    return {
        make(u"sh000001", u"上证指数", u"SZZS", I, 3880, 0.009, 4.6e10, u""),
        make(u"sz399001", u"深证成指", u"SZCZ", I, 12950, 0.012, 6.1e10, u""),
        make(u"sz399006", u"创业板指", u"CYBZ", I, 3050, 0.016, 2.4e10, u""),
        make(u"sh000688", u"科创50", u"KC50", I, 1360, 0.018, 3.2e9, u""),
        make(u"bj899050", u"北证50", u"BZ50", I, 1480, 0.022, 1.1e9, u""),

        // Boards as Eastmoney lists them: the industry first (the quote service adds the
        // Shenwan level mark Ⅱ/Ⅲ to some), then regions, index memberships, programmes
        // and concepts, in the service's order.
        make(
            u"sh600519", u"贵州茅台", u"GZMT", A, 1450, 0.012, 3.2e6, u"白酒Ⅱ",
            {u"贵州板块"_s, u"HS300_"_s, u"MSCI中国"_s, u"沪股通"_s, u"白酒概念"_s, u"证金持股"_s}),
        make(u"sh601318", u"中国平安", u"ZGPA", A, 57.5, 0.014, 4.1e7, u"保险Ⅱ",
             {u"广东板块"_s, u"融资融券"_s, u"沪股通"_s, u"AH股"_s, u"互联金融"_s}),
        make(u"sh600036", u"招商银行", u"ZSYH", A, 42.3, 0.011, 6.3e7, u"银行",
             {u"广东板块"_s, u"证金持股"_s, u"AH股"_s, u"破净股"_s}),
        make(u"sz000001", u"平安银行", u"PAYH", A, 11.52, 0.012, 1.2e8, u"银行",
             {u"深股通"_s, u"HS300_"_s, u"证金持股"_s}),
        make(u"sz000858", u"五粮液", u"WLY", A, 118.6, 0.015, 1.6e7, u"白酒Ⅲ",
             {u"四川板块"_s, u"深股通"_s, u"白酒概念"_s}),
        make(u"sz300750", u"宁德时代", u"NDSD", A, 382, 0.022, 2.6e7, u"电池",
             {u"创业板综"_s, u"固态电池"_s, u"钠离子电池"_s}),
        make(u"sz002594", u"比亚迪", u"BYD", A, 104.8, 0.02, 3.1e7, u"汽车整车",
             {u"汽车"_s, u"新能源车"_s, u"刀片电池"_s, u"AH股"_s}),
        make(u"sh688981", u"中芯国际", u"ZXGJ", A, 116.4, 0.03, 6.2e7, u"半导体",
             {u"电子"_s, u"芯片概念"_s, u"国家大基金持股"_s}),
        make(u"sh600900", u"长江电力", u"CJDL", A, 28.1, 0.009, 5.1e7, u"电力行业",
             {u"湖北板块"_s, u"水电"_s, u"绿色电力"_s}),
        make(u"sh600089", u"特变电工", u"TBDG", A, 15.2, 0.02, 1.1e8, u"电网设备",
             {u"融资融券"_s, u"特高压"_s, u"智能电网"_s}),
        // A broad industry first: the F10 source passes it over, the quote service keeps it.
        make(u"sz000636", u"风华高科", u"FHGK", A, 18.4, 0.026, 4.4e7, u"电子",
             {u"融资融券"_s, u"消费电子"_s, u"苹果概念"_s, u"MLCC"_s, u"被动元件"_s}),
        make(u"sz002931", u"锋龙股份", u"FLGF", A, 21.3, 0.035, 1.6e7, u"汽车零部件",
             {u"机器人概念"_s, u"减速器"_s}),
        // A fresh Beijing listing: no industry yet ("-"), an unnamed board, only concepts.
        make(u"bj830799", u"艾融软件", u"ARRJ", A, 58.2, 0.04, 5.2e6, u"",
             {u""_s, u"北证50_"_s, u"数字货币"_s, u"金融科技"_s}),
        make(u"sz002491", u"通鼎互联", u"TDHL", A, 6.45, 0.05, 2.1e8, u"通信设备",
             {u"光通信"_s, u"CPO概念"_s}, B::LimitUpDays),
        make(u"sz000040", u"东旭蓝天", u"DXLT", A, 2.48, 0.02, 0, u"光伏设备", {u"光伏概念"_s},
             B::Suspended),

        make(u"hk00700", u"腾讯控股", u"TXKG", H, 612, 0.018, 1.8e7, u"软件服务", {}, B::Normal,
             u"TENCENT"),
        make(u"hk09988", u"阿里巴巴-W", u"ALBB", H, 152.3, 0.028, 8.3e7, u"零售", {}, B::Normal,
             u"BABA-W"),
        make(u"hk03690", u"美团-W", u"MT", H, 101.2, 0.03, 4.1e7, u"软件服务", {}, B::Normal,
             u"MEITUAN-W"),
        make(u"hk01810", u"小米集团-W", u"XMJT", H, 44.6, 0.03, 1.3e8, u"消费电子", {}, B::Normal,
             u"XIAOMI-W"),
        make(u"hk00005", u"汇丰控股", u"HFKG", H, 101.5, 0.012, 2.1e7, u"银行", {}, B::Normal,
             u"HSBC HOLDINGS"),

        make(u"gb_aapl", u"苹果", u"AAPL", U, 271.4, 0.016, 5.1e7, u"消费电子", {}, B::Normal,
             u"Apple Inc."),
        make(u"gb_msft", u"微软", u"MSFT", U, 482.6, 0.014, 2.1e7, u"软件服务", {}, B::Normal,
             u"Microsoft Corporation"),
        make(u"gb_nvda", u"英伟达", u"NVDA", U, 181.2, 0.03, 1.8e8, u"半导体", {}, B::Normal,
             u"NVIDIA Corporation"),
        make(u"gb_tsla", u"特斯拉", u"TSLA", U, 421.7, 0.035, 9.2e7, u"汽车", {}, B::Normal,
             u"Tesla, Inc."),
        make(u"gb_brk_b", u"伯克希尔哈撒韦B", u"BRK.B", U, 492.3, 0.009, 4.1e6, u"保险", {},
             B::Normal, u"Berkshire Hathaway Inc."),
    };
}

// ---------------------------------------------------------------------------------------
// Calendar and session shape

QTimeZone MarketModel::zoneFor(SimMarket market)
{
    switch (market) {
    case SimMarket::HongKong:
        return QTimeZone("Asia/Hong_Kong");
    case SimMarket::US:
        return QTimeZone("America/New_York");
    default:
        return QTimeZone("Asia/Shanghai");
    }
}

int MarketModel::sessionMinutes(SimMarket market)
{
    switch (market) {
    case SimMarket::HongKong:
        return 330;
    case SimMarket::US:
        return 390;
    default:
        return 240;
    }
}

static int morningMinutes(SimMarket market)
{
    switch (market) {
    case SimMarket::HongKong:
        return 150;
    case SimMarket::US:
        return 390;
    default:
        return 120;
    }
}

QTime MarketModel::minuteEndTime(SimMarket market, int index)
{
    const int morning = morningMinutes(market);
    if (index < morning)
        return QTime(9, 31).addSecs(60 * index);
    return QTime(13, 1).addSecs(60 * (index - morning));
}

int MarketModel::minutesDoneAt(SimMarket market, QTime time, double *fraction)
{
    const int morning = morningMinutes(market);
    const int total = sessionMinutes(market);
    const int open = QTime(9, 30).msecsSinceStartOfDay() / 1000;
    const int morningEnd = open + morning * 60;
    const int afternoonStart = QTime(13, 0).msecsSinceStartOfDay() / 1000;
    const int t = time.msecsSinceStartOfDay() / 1000;
    double elapsed = 0;
    if (t <= open)
        elapsed = 0;
    else if (t < morningEnd || morning == total)
        elapsed = std::min<double>(t - open, total * 60.0);
    else if (t < afternoonStart)
        elapsed = morning * 60.0;
    else
        elapsed = std::min<double>(morning * 60.0 + (t - afternoonStart), total * 60.0);
    const int done = static_cast<int>(elapsed / 60.0);
    if (fraction)
        *fraction = done >= total ? 0 : (elapsed - done * 60.0) / 60.0;
    return std::min(done, total);
}

QDate MarketModel::previousTradingDay(QDate date)
{
    QDate d = date.addDays(-1);
    while (!isTradingDay(d))
        d = d.addDays(-1);
    return d;
}

double MarketModel::tickSize(SimMarket market, double price)
{
    switch (market) {
    case SimMarket::Index:
        return 0.001;
    case SimMarket::HongKong:
        // The exchange's spread table.
        if (price < 0.25)
            return 0.001;
        if (price < 0.5)
            return 0.005;
        if (price < 10)
            return 0.01;
        if (price < 20)
            return 0.02;
        if (price < 100)
            return 0.05;
        if (price < 200)
            return 0.1;
        if (price < 500)
            return 0.2;
        if (price < 1000)
            return 0.5;
        return 1.0;
    default:
        return 0.01;
    }
}

double MarketModel::roundToTick(SimMarket market, double price)
{
    const double tick = tickSize(market, price);
    return std::round(std::round(price / tick) * tick * 1000.0) / 1000.0;
}

// ---------------------------------------------------------------------------------------
// The model

MarketModel::MarketModel(quint64 seed, QList<SimInstrument> instruments)
    : m_seed(seed)
    , m_instruments(std::move(instruments))
{
    for (int i = 0; i < m_instruments.size(); ++i)
        m_index.insert(m_instruments.at(i).symbol, i);
}

const SimInstrument *MarketModel::instrument(const QString &symbol) const
{
    const auto it = m_index.constFind(symbol.toLower());
    return it == m_index.cend() ? nullptr : &m_instruments.at(*it);
}

static const QDate kWalkAnchor(2024, 1, 1);

double MarketModel::dailyReturn(const SimInstrument &i, QDate date, double logLevel) const
{
    SimRandom rng(SimRandom::hash(i.symbol + u'|' + date.toString(Qt::ISODate), m_seed));
    const double limit = limitFraction(i);
    if (i.behaviour == SimInstrument::Behaviour::LimitUpDays) {
        // A speculative name: sealed at the limit every other day, sold off in between.
        if (date.toJulianDay() % 2 == 0)
            return std::log(1.0 + limit);
        // Back towards its usual level (at most the limit down), so the walk stays bounded.
        const double back = std::log(i.basePrice) - logLevel + 0.015 * rng.normal();
        return std::clamp(back, std::log(1.0 - limit) + 1e-4, std::log(1.0 + limit) - 1e-4);
    }
    const double pull = -0.04 * (logLevel - std::log(i.basePrice));
    double r = pull + i.dailyVolatility * rng.normal();
    if (limit > 0)
        r = std::clamp(r, std::log(1.0 - limit) + 1e-4, std::log(1.0 + limit) - 1e-4);
    return r;
}

double MarketModel::closeOn(const SimInstrument &i, QDate date) const
{
    if (i.behaviour == SimInstrument::Behaviour::Suspended || date <= kWalkAnchor)
        return roundToTick(i.market, i.basePrice);
    while (!isTradingDay(date))
        date = date.addDays(-1);
    QHash<QDate, double> &closes = m_closes[i.symbol];
    if (const auto it = closes.constFind(date); it != closes.cend())
        return *it;
    // Walk forward from the newest cached day (or the anchor) to the date asked for.
    QDate from = kWalkAnchor;
    double price = roundToTick(i.market, i.basePrice);
    for (QDate d = date.addDays(-1); d > kWalkAnchor; d = d.addDays(-1)) {
        if (const auto it = closes.constFind(d); it != closes.cend()) {
            from = d;
            price = *it;
            break;
        }
    }
    for (QDate d = from.addDays(1); d <= date; d = d.addDays(1)) {
        if (!isTradingDay(d))
            continue;
        const double r = dailyReturn(i, d, std::log(price));
        double next = price * std::exp(r);
        if (i.market == SimMarket::AShare) {
            const double limit = limitFraction(i);
            next =
                std::clamp(round2(next), round2(price * (1 - limit)), round2(price * (1 + limit)));
            if (i.behaviour == SimInstrument::Behaviour::LimitUpDays && d.toJulianDay() % 2 == 0)
                next = round2(price * (1 + limit));
        } else {
            next = roundToTick(i.market, next);
        }
        price = std::max(next, tickSize(i.market, next));
        closes.insert(d, price);
    }
    return price;
}

std::shared_ptr<const SimDay> MarketModel::day(const SimInstrument &i, QDate date) const
{
    const QString key = i.symbol + u'|' + date.toString(Qt::ISODate);
    if (const auto it = m_days.constFind(key); it != m_days.cend())
        return *it;
    if (m_days.size() > 512)
        m_days.clear(); // a long-running demo keeps only recent days

    auto day = std::make_shared<SimDay>();
    day->date = date;
    day->previousClose = closeOn(i, previousTradingDay(date));
    const int n = sessionMinutes(i.market);
    if (i.behaviour == SimInstrument::Behaviour::Suspended || !isTradingDay(date)) {
        day->suspended = i.behaviour == SimInstrument::Behaviour::Suspended;
        day->open = day->close = day->high = day->low = day->previousClose;
        m_days.insert(key, day);
        return day;
    }

    SimRandom rng(SimRandom::hash(i.symbol + u"|day|" + date.toString(Qt::ISODate), m_seed));
    const double prev = day->previousClose;
    const double close = closeOn(i, date);
    const double limit = limitFraction(i);
    const double up = limit > 0 ? round2(prev * (1 + limit)) : 1e300;
    const double down = limit > 0 ? round2(prev * (1 - limit)) : 0;
    const bool limitDay = limit > 0 && close >= up;
    auto clampTick = [&](double p) {
        return std::clamp(roundToTick(i.market, p), down, up);
    };

    const double sigma = i.dailyVolatility;
    double open = clampTick(prev * std::exp(0.3 * sigma * rng.normal()));
    if (limitDay)
        open = clampTick(prev * (1.0 + 0.02 + 0.01 * rng.uniform()));

    // A Brownian bridge from the open to the close, so the day ends where the walk says.
    QVector<double> walk(n + 1, 0.0);
    const double step = 0.85 * sigma / std::sqrt(static_cast<double>(n));
    for (int k = 1; k <= n; ++k)
        walk[k] = walk[k - 1] + step * rng.normal();
    const double logOpen = std::log(open), logClose = std::log(close);
    day->price.resize(n);
    const int sealAt = limitDay ? 40 + static_cast<int>(rng.uniform() * 90) : n;
    for (int k = 1; k <= n; ++k) {
        const double t = static_cast<double>(k) / n;
        const double bridge = walk[k] - t * walk[n];
        double p = std::exp(logOpen + t * (logClose - logOpen) + bridge);
        if (limitDay) {
            // Climb to the limit by mid-morning and stay sealed there.
            const double s = std::min(1.0, static_cast<double>(k) / sealAt);
            p = k >= sealAt ? up
                            : std::min(up, open + (up - open) * s + (p - close) * 0.2 * (1 - s));
        }
        day->price[k - 1] = k == n ? close : clampTick(p);
    }

    // Volume: heavy at the open, quiet at midday, busier into the close.
    const double total = i.dailyVolume * std::exp(0.25 * rng.normal());
    QVector<double> weights(n);
    double weightSum = 0;
    const int morning = morningMinutes(i.market);
    for (int k = 0; k < n; ++k) {
        const double w =
            1.0 + 2.2 * std::exp(-k / 12.0) + 1.3 * std::exp(-(n - 1 - k) / 18.0) +
            (k >= morning && i.market != SimMarket::US ? 0.5 * std::exp(-(k - morning) / 8.0)
                                                       : 0.0);
        weights[k] = w * std::exp(0.35 * rng.normal());
        weightSum += weights[k];
    }
    const bool lots = i.market == SimMarket::AShare;
    auto shares = [lots](double v) {
        return lots ? std::round(v / 100.0) * 100.0 : std::round(v);
    };
    day->auctionVolume = shares(total * 0.012);
    day->volume.resize(n);
    day->amount.resize(n);
    double before = open;
    for (int k = 0; k < n; ++k) {
        double v = shares(total * 0.988 * weights[k] / weightSum);
        if (limitDay && k > sealAt)
            v = shares(v * 0.15); // sealed: little changes hands
        day->volume[k] = v;
        day->amount[k] = v * (before + day->price[k]) / 2.0;
        before = day->price[k];
    }
    day->open = open;
    day->close = close;
    day->high = std::max(open, *std::max_element(day->price.begin(), day->price.end()));
    day->low = std::min(open, *std::min_element(day->price.begin(), day->price.end()));
    m_days.insert(key, day);
    return day;
}

SimSnapshot MarketModel::snapshot(const SimInstrument &i, const QDateTime &moment) const
{
    const QDateTime local = moment.toTimeZone(zoneFor(i.market));
    const QDate today = local.date();
    const QTime now = local.time();
    const bool hk = i.market == SimMarket::HongKong;
    const bool us = i.market == SimMarket::US;
    const QTime dataStart = hk ? QTime(9, 0) : us ? QTime(9, 30) : QTime(9, 15);

    SimSnapshot s;
    s.instrument = &i;
    QDate date = today;
    bool final = false;
    if (!isTradingDay(today) || now < dataStart) {
        date =
            isTradingDay(today) ? previousTradingDay(today) : previousTradingDay(today.addDays(1));
        final = true;
    }
    const std::shared_ptr<const SimDay> dayData = day(i, date);
    const SimDay &d = *dayData;
    s.date = date;
    s.previousClose = d.previousClose;
    s.suspended = d.suspended;
    const int n = sessionMinutes(i.market);
    const QTime closeTime = hk ? QTime(16, 0) : us ? QTime(16, 0) : QTime(15, 0);
    if (!final && now >= closeTime)
        final = true;

    if (d.suspended) {
        s.phase = SimSnapshot::Phase::Closed;
        s.time = final ? QTime(15, 0, 3) : QTime(now.hour(), now.minute(), now.second() / 3 * 3);
        return s;
    }

    auto totalsUpTo = [&](int minutes, double fraction) {
        s.volume = d.auctionVolume;
        s.amount = d.auctionVolume * d.open;
        s.high = d.open;
        s.low = d.open;
        double last = d.open;
        for (int k = 0; k < minutes; ++k) {
            s.volume += d.volume[k];
            s.amount += d.amount[k];
            s.high = std::max(s.high, d.price[k]);
            s.low = std::min(s.low, d.price[k]);
            last = d.price[k];
        }
        s.price = last;
        if (minutes < n && fraction > 0) {
            const double p = roundToTick(i.market, last + (d.price[minutes] - last) * fraction);
            s.price = p;
            s.high = std::max(s.high, p);
            s.low = std::min(s.low, p);
            const bool lots = i.market == SimMarket::AShare;
            const double v = d.volume[minutes] * fraction;
            const double part = lots ? std::floor(v / 100.0) * 100.0 : std::floor(v);
            s.volume += part;
            s.amount += part * (last + p) / 2.0;
        }
        s.minutesDone = minutes;
        s.open = d.open;
    };

    if (final) {
        totalsUpTo(n, 0);
        s.phase = SimSnapshot::Phase::AfterClose;
        if (hk)
            s.time = QTime(16, 9);
        else if (us)
            s.time = QTime(16, 0);
        else
            s.time = i.symbol.startsWith(u"sh") ? QTime(15, 0) : QTime(15, 0, 3);
        return s;
    }

    const QTime stamped(now.hour(), now.minute(), now.second() / 3 * 3);
    if (now < QTime(9, 30)) {
        const bool auctionDone = !hk && now >= QTime(9, 25);
        if (hk || auctionDone) {
            s.phase = SimSnapshot::Phase::OpenAuction;
            totalsUpTo(0, 0);
        } else {
            // Call auction: an indicative price drifting from yesterday's close to the open.
            s.phase = SimSnapshot::Phase::PreOpen;
            const double progress = QTime(9, 15).secsTo(now) / 600.0;
            s.price =
                roundToTick(i.market, d.previousClose + (d.open - d.previousClose) * progress);
            s.open = 0;
        }
        s.time = hk ? QTime(now.hour(), now.minute()) : stamped;
        return s;
    }

    double fraction = 0;
    const int done = minutesDoneAt(i.market, now, &fraction);
    totalsUpTo(done, fraction);
    const QTime morningEnd = hk ? QTime(12, 0) : QTime(11, 30);
    if (!us && now >= morningEnd && now < QTime(13, 0)) {
        s.phase = SimSnapshot::Phase::Break;
        s.time = morningEnd;
    } else {
        s.phase = SimSnapshot::Phase::Trading;
        s.time = hk ? QTime(now.hour(), now.minute()) : stamped;
    }
    return s;
}

QList<SimDailyBar> MarketModel::dailyBars(const SimInstrument &i, QDate lastDate, int count) const
{
    QList<SimDailyBar> bars;
    if (i.behaviour == SimInstrument::Behaviour::Suspended || count <= 0)
        return bars;
    QDate d = lastDate;
    while (!isTradingDay(d))
        d = d.addDays(-1);
    for (; bars.size() < count; d = previousTradingDay(d)) {
        const std::shared_ptr<const SimDay> dayData = this->day(i, d);
        const SimDay &day = *dayData;
        SimDailyBar bar;
        bar.date = d;
        bar.open = day.open;
        bar.close = day.close;
        bar.high = day.high;
        bar.low = day.low;
        bar.volume = day.auctionVolume;
        bar.amount = day.auctionVolume * day.open;
        for (int k = 0; k < day.volume.size(); ++k) {
            bar.volume += day.volume[k];
            bar.amount += day.amount[k];
        }
        bars.prepend(bar);
    }
    return bars;
}
