// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ExportFixture.h"

#include "app/KestrumApp.h"
#include "config/AIProviderPresets.h"

#include <QJsonArray>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

struct Row
{
    const char16_t *symbol;
    const char16_t *name;
    double price, previousClose, open, high, low, volume, amount;
    bool up;
};

const Row kRows[] = {
    {u"sz002460", u"赣锋锂业", 82.10, 84.11, 83.24, 83.80, 81.72, 6312000, 518200000, false},
    {u"sz300339", u"顺控发展", 14.52, 14.44, 14.31, 14.66, 14.22, 2821000, 40860000, true},
    {u"sz002112", u"三变科技", 20.16, 19.71, 19.88, 20.34, 19.82, 2149000, 43320000, true},
    {u"sz002842", u"翔鹭钨业", 31.81, 30.36, 30.62, 32.02, 30.41, 1983000, 62510000, true},
    {u"sh600673", u"东阳光", 33.22, 32.48, 32.66, 33.40, 32.55, 5188000, 171200000, true},
};

const double kPositions[] = {0,    1200, 2400,  3600,  4800,  7200,
                             8400, 9600, 10800, 12000, 13200, 14400};
const double kUpSteps[] = {0, 0.08, 0.14, 0.18, 0.24, 0.28, 0.34, 0.41, 0.46, 0.52, 0.58};
const double kDownPrices[] = {83.90, 83.72, 83.40, 83.18, 82.94, 82.88,
                              82.74, 82.62, 82.48, 82.31, 82.18};
const double kVolumes[] = {0.6, 0.7, 0.8, 0.9, 1.0, 1.1, 1.0, 0.9, 1.0, 1.2, 1.1, 1.0};

} // namespace

namespace ExportFixture {

QList<Quote> quotes()
{
    QList<Quote> list;
    for (const Row &row : kRows) {
        Quote q;
        q.symbol = QString::fromUtf16(row.symbol);
        q.name = QString::fromUtf16(row.name);
        q.price = row.price;
        q.previousClose = row.previousClose;
        q.open = row.open;
        q.high = row.high;
        q.low = row.low;
        q.volume = row.volume;
        q.amount = row.amount;
        q.date = u"2026-04-28"_s;
        q.time = u"15:00:00"_s;
        list.append(q);
    }
    return list;
}

QString commentaryForSymbol(const QString &symbol)
{
    for (const Row &row : kRows) {
        if (symbol != QString::fromUtf16(row.symbol))
            continue;
        return row.up ? u"分时价格收在均价线上方，午后回踩均价线后重新走强，结构保持完整。"
                        "成交量在拉升段温和放大，回落时缩量，量价配合正常。"
                        "明日先看开盘能否守住均价线，跌破则转为观察。"_s
                      : u"分时全天运行在均价线下方，反弹到均价线附近即回落，结构偏弱。"
                        "下跌时量能略有放大，反弹缩量，承接不足。"
                        "在重新站上均价线之前以防守为主，先看低点能否守住。"_s;
    }
    return QString();
}

void prepareExportFixtureData(KestrumApp &app)
{
    AppSettings &s = app.settings();
    s.displayMode = DisplayMode::Rotate;
    s.aiEnabled = true;
    s.aiProvider = u"openai"_s;
    s.aiBaseURL = AIProviderPresets::defaultBaseURL();
    s.aiModel = u"gpt-4o-mini"_s;
    s.aiAPIKey = u"sk-test-fixture"_s;

    const QList<Quote> fixture = quotes();
    QJsonArray watchlist;
    for (qsizetype row = 0; row < fixture.size(); ++row) {
        const Quote &q = fixture.at(row);
        const bool up = kRows[row].up;
        watchlist.append(QJsonObject{{u"symbol"_s, q.symbol}, {u"name"_s, q.name}});
        s.aiInsights.insert(q.symbol, commentaryForSymbol(q.symbol));
        s.aiInsightDates.insert(q.symbol, q.date);

        QVector<double> prices, positions, averages, volumes;
        double sum = 0;
        for (int i = 0; i < 12; ++i) {
            double price = q.price;
            if (i < 11)
                price = up ? q.open + kUpSteps[i] : kDownPrices[i];
            prices.append(price);
            sum += price;
            averages.append(sum / (i + 1)); // the running mean up to each point
            positions.append(kPositions[i]);
            volumes.append(kVolumes[i]);
        }
        app.intraday().applyIntradaySeriesForSymbol(q.symbol, q.date, prices, positions, averages,
                                                    volumes);
    }
    app.config().saveWatchlist(watchlist);
    app.saveSettings();
    app.setQuotes(fixture);
    app.setLastStatus(u"2026-04-28 15:00:00"_s);
    app.rotateTitle();
}

} // namespace ExportFixture
