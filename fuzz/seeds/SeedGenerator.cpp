// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the fuzz targets' seed corpora (one directory per target): the simulated market's
// real answers at a few moments of the trading day (A-share, Hong Kong and US sessions,
// before the open, over lunch, after the close), the files the real store code writes from
// those answers, and the edge cases the unit tests use. Deterministic: the simulator is
// seeded and its clock stands still.
//
//   kestrum-fuzz-seeds OUTPUT_DIR     (normally fuzz/corpus)

#include "ai/AIProviderSettings.h"
#include "config/AppSettings.h"
#include "config/ConfigStore.h"
#include "decision/DecisionEngine.h"
#include "intraday/IntradayStore.h"
#include "market/Eastmoney.h"
#include "market/Sina.h"
#include "market/Tencent.h"
#include "market/Yahoo.h"
#include "model/Clock.h"
#include "model/Symbol.h"
#include "net/Endpoints.h"
#include "net/HttpClient.h"
#include "sim/MarketSimulator.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"
#include "strategy/DecisionSampleLog.h"
#include "strategy/StrategyStore.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTimeZone>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void die(const QString &what)
{
    std::fprintf(stderr, "kestrum-fuzz-seeds: %s\n", qPrintable(what));
    std::exit(1);
}

Symbol sym(const QString &text)
{
    const std::optional<Symbol> symbol = Symbol::fromStored(text);
    if (!symbol)
        die(u"no symbol: "_s + text);
    return *symbol;
}

QDateTime shanghai(int day, int hour, int minute)
{
    return QDateTime(QDate(2026, 4, day), QTime(hour, minute), QTimeZone("Asia/Shanghai"));
}

// A Tuesday and the night after it: every market's interesting moments.
struct Moment
{
    const char *name;
    QDateTime time;
};
const QList<Moment> &moments()
{
    static const QList<Moment> list = {
        {"preopen", shanghai(28, 9, 20)},  {"morning", shanghai(28, 10, 30)},
        {"lunch", shanghai(28, 12, 0)},    {"close", shanghai(28, 15, 30)},
        {"us-open", shanghai(28, 22, 30)}, {"us-close", shanghai(29, 4, 30)},
    };
    return list;
}

const Moment &moment(const char *name)
{
    for (const Moment &m : moments()) {
        if (qstrcmp(m.name, name) == 0)
            return m;
    }
    die(u"no moment "_s + QString::fromLatin1(name));
}

class Seeds
{
public:
    explicit Seeds(const QString &root)
        : m_root(root)
    {}

    void put(const QString &target, const QString &name, const QByteArray &bytes) const
    {
        const QString dir = m_root + u'/' + target;
        QDir().mkpath(dir);
        QFile file(dir + u'/' + name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size())
            die(u"cannot write "_s + file.fileName());
        std::printf("%-18s %-28s %7lld bytes\n", qPrintable(target), qPrintable(name),
                    static_cast<long long>(bytes.size()));
    }

private:
    QString m_root;
};

class SimulatedMarket
{
public:
    SimulatedMarket()
        : simulator(clock)
    {
        if (simulator.start() == 0)
            die(u"the simulator did not start"_s);
        endpoints = Endpoints::allAt(simulator.baseUrl());
    }

    void at(const char *name) { clock.setNow(moment(name).time); }

    // The whole answer of one request (any status the server answered with).
    QByteArray fetch(const std::optional<HttpRequest> &request)
    {
        if (!request)
            die(u"no request"_s);
        std::optional<HttpResponse> answer;
        QObject context;
        http.send(*request, &context, [&answer](const HttpResponse &r) { answer = r; });
        QDeadlineTimer deadline(15000);
        while (!answer && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (!answer || !answer->answered())
            die(u"no answer from "_s + request->url.toString());
        return answer->body;
    }

    QByteArray realtime(const QStringList &symbols)
    {
        HttpRequest request;
        request.url =
            Endpoints::join(endpoints.sina, sina::realtimeTarget(symbols, clock.nowMSecs()));
        request.headers = {{"Referer", Endpoints::sinaReferer()},
                           {"User-Agent", Endpoints::userAgent()}};
        return fetch(request);
    }

    QByteArray chat(const SimChatAnswer &answer)
    {
        simulator.enqueueChatAnswer(answer);
        return chatDefault();
    }

    QByteArray chatDefault()
    {
        const std::optional<QUrl> endpoint = AIProviderSettings::chatCompletionsURL(
            Endpoints::join(simulator.baseUrl(), u"/v1"_s).toString());
        if (!endpoint)
            die(u"no chat address"_s);
        const QJsonObject body{
            {u"model"_s, u"gpt-4o-mini"_s},
            {u"messages"_s,
             QJsonArray{QJsonObject{{u"role"_s, u"user"_s},
                                    {u"content"_s, u"股票：贵州茅台（sh600519）"_s}}}},
        };
        return fetch(AIProviderSettings::chatRequest(*endpoint, u"sk-test"_s, body, 10000));
    }

    QByteArray manifest(const QByteArray &body)
    {
        simulator.setManifest(body);
        HttpRequest request;
        request.url = simulator.manifestUrl();
        return fetch(request);
    }

    ManualClock clock;
    MarketSimulator simulator;
    HttpClient http;
    Endpoints endpoints;
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        die(u"cannot read "_s + path);
    return file.readAll();
}

QByteArray json(const QJsonValue &value)
{
    return value.isArray() ? QJsonDocument(value.toArray()).toJson()
                           : QJsonDocument(value.toObject()).toJson();
}

// --- Wire answers ---

void realtimeSeeds(SimulatedMarket &market, const Seeds &seeds)
{
    const QStringList symbols = {u"sh600519"_s, u"sz000001"_s, u"bj830799"_s, u"sh000001"_s,
                                 u"sz000040"_s, u"hk00700"_s,  u"gb_aapl"_s,  u"gb_brk_b"_s};
    for (const Moment &m : moments()) {
        market.clock.setNow(m.time);
        seeds.put(u"realtime"_s, QString::fromLatin1(m.name), market.realtime(symbols));
    }
    // Edge cases from the parser's tests: a short line, an empty payload, a percent change of
    // -100%, separators other than a line feed.
    seeds.put(u"realtime"_s, u"test-edges"_s,
              "var hq_str_sz000001=\"\";\n"
              "var hq_str_gb_aapl=\"苹果,0.5,-100.00,2025-03-07 04:00:00,0,0,0,0,0,0,0,0,0,0,0,"
              "0,0,0,0,0,0,0,0,0,0,0,0\";\r\n"
              "var hq_str_hk00700=\"TENCENT,腾讯控股,480.000,478.200,485.000,476.600,483.400,"
              "5.200,1.087,483.400,483.600,8901234567,18456789,0.000,0.000,662.000,360.000,"
              "2025/03/07,16:08\";\u2028var hq_str_sh600000=\"x,1,2\";"_ba);
}

void eastmoneySeeds(SimulatedMarket &market, const Seeds &seeds)
{
    for (const char *name : {"preopen", "morning", "lunch", "close"}) {
        market.at(name);
        seeds.put(u"eastmoney_trends"_s, u"sh600519-"_s + QString::fromLatin1(name),
                  market.fetch(eastmoney::trendsRequest(market.endpoints, sym(u"sh600519"_s),
                                                        market.clock.nowMSecs())));
    }
    market.at("morning");
    seeds.put(u"eastmoney_trends"_s, u"bj830799-morning"_s,
              market.fetch(eastmoney::trendsRequest(market.endpoints, sym(u"bj830799"_s),
                                                    market.clock.nowMSecs())));

    market.at("morning");
    seeds.put(u"eastmoney_klines"_s, u"sh600519-morning"_s,
              market.fetch(eastmoney::dailyKRequest(market.endpoints, sym(u"sh600519"_s),
                                                    market.clock.nowMSecs())));
    market.at("close");
    seeds.put(u"eastmoney_klines"_s, u"sz002491-close"_s,
              market.fetch(eastmoney::dailyKRequest(market.endpoints, sym(u"sz002491"_s),
                                                    market.clock.nowMSecs())));
    seeds.put(u"eastmoney_klines"_s, u"test-edges"_s,
              R"({"data":{"klines":["2026-04-24,1,1,1,1,1,1",[1,2],"2026-04-25,10,0,1,1,1,1",)"
              R"("2026-04-26,1e400,-1,nan,1,1"]}})"_ba);

    market.at("morning");
    for (const QString &query : {u"600519"_s, u"PAYH"_s, u"00700"_s, u"aapl"_s}) {
        seeds.put(u"eastmoney_suggest"_s, u"query-"_s + query,
                  market.fetch(eastmoney::searchRequest(market.endpoints, query)));
    }
    seeds.put(u"eastmoney_suggest"_s, u"test-edges"_s,
              R"({"QuotationCodeTable":{"Data":[{"Code":"700","Name":"腾讯控股","Classify":"HK"},)"
              R"({"Code":"BRK.B","JYS":"NYSE"},{"Code":"000001","JYS":"2","MktNum":"1"},)"
              R"({"Code":"000688","QuoteID":"1.000688"},{"Code":"AB1","JYS":"SZ"},{"Code":700},)"
              R"({"Code":""},"x"],"Status":0,"TotalCount":8}})"_ba);

    for (const QString &symbol : {u"sh600519"_s, u"sz002931"_s}) {
        seeds.put(u"eastmoney_boards"_s, u"f10-"_s + symbol,
                  market.fetch(eastmoney::f10Request(market.endpoints, sym(symbol))));
        seeds.put(u"eastmoney_boards"_s, u"stock-"_s + symbol,
                  market.fetch(eastmoney::stockRequest(market.endpoints, sym(symbol))));
    }
    seeds.put(u"eastmoney_boards"_s, u"test-edges"_s,
              R"({"ssbk":[{"BOARD_NAME":""},{"BOARD_NAME":null},"AH股",{"BOARD_NAME":"白酒Ⅱ"},)"
              R"({"BOARD_NAME":"HS300_"},{"BOARD_NAME":"电子"}],)"
              R"("data":{"f127":"保险Ⅱ","f129":" 光通信 , ,CPO概念,-"}})"_ba);
}

void minuteSeeds(SimulatedMarket &market, const Seeds &seeds)
{
    market.at("morning");
    seeds.put(u"tencent_minutes"_s, u"sh600519-morning"_s,
              market.fetch(tencent::minuteRequest(market.endpoints, sym(u"sh600519"_s))));
    for (const char *name : {"lunch", "close"}) {
        market.at(name);
        seeds.put(u"tencent_minutes"_s, u"hk00700-"_s + QString::fromLatin1(name),
                  market.fetch(tencent::minuteRequest(market.endpoints, sym(u"hk00700"_s))));
    }
    seeds.put(
        u"tencent_minutes"_s, u"test-edges"_s,
        R"({"data":{"sh600519":{"data":{"date":"20260428","data":["0930 1450.00 100 145000",)"
        R"("0931 1451.00 90 130590","0932 0 5","093 1450.5 300 435150","1130 1e300 1e308 1")]}}}})"_ba);

    const auto chart = [&market](const QString &symbol, const QString &range,
                                 const QString &interval) {
        return yahoo::chartRequest(market.endpoints, sym(symbol), range, interval);
    };
    market.at("us-open");
    seeds.put(u"yahoo_chart"_s, u"gb_aapl-1m-us-open"_s,
              market.fetch(chart(u"gb_aapl"_s, u"1d"_s, u"1m"_s)));
    market.at("us-close");
    seeds.put(u"yahoo_chart"_s, u"gb_brk_b-1m-us-close"_s,
              market.fetch(chart(u"gb_brk_b"_s, u"1d"_s, u"1m"_s)));
    market.at("lunch");
    seeds.put(u"yahoo_chart"_s, u"hk00700-1m-lunch"_s,
              market.fetch(chart(u"hk00700"_s, u"1d"_s, u"1m"_s)));
    market.at("close");
    seeds.put(u"yahoo_chart"_s, u"hk00700-1d-close"_s,
              market.fetch(chart(u"hk00700"_s, u"6mo"_s, u"1d"_s)));
    seeds.put(u"yahoo_chart"_s, u"test-edges"_s,
              R"({"chart":{"result":[{"meta":{"exchangeTimezoneName":"Nowhere/Else"},)"
              R"("timestamp":[1777383000,"1777383060",1e300,-1e300,1777383180],)"
              R"("indicators":{"quote":[{"close":[1,"2",null,4,5],"open":[1,2,3],)"
              R"("high":[1,2,3,4,5],"low":[1,2,3,4,5],"volume":[-5,"x",1e308,1e308,1]}]}}]}})"_ba);
}

void chatSeeds(SimulatedMarket &market, const Seeds &seeds)
{
    market.at("morning");
    seeds.put(u"chat_completion"_s, u"commentary"_s, market.chatDefault());
    seeds.put(u"chat_completion"_s, u"parts"_s,
              market.chat(SimChatAnswer::parts(
                  {u"当前盘面状态：价格站上均价线。"_s, u"下一步观察：量能能否延续；"_s})));
    seeds.put(u"chat_completion"_s, u"error-401"_s,
              market.chat(SimChatAnswer::error(401, u"invalid_request_error"_s,
                                               u"Incorrect API key provided."_s)));
    seeds.put(u"chat_completion"_s, u"html-502"_s,
              market.chat(SimChatAnswer::raw(502, "<html><body>Bad gateway</body></html>")));
    seeds.put(
        u"chat_completion"_s, u"test-edges"_s,
        R"({"choices":[{"message":{"content":[{"type":"text","text":"O"},7,{"text":""}]},)"
        R"("text":"legacy"}],"output_text":"top","error":{"type":"server_error","message":"busy"}})"_ba);

    seeds.put(u"update_manifest"_s, u"current"_s,
              market.manifest(MarketSimulator::defaultManifest()));
    seeds.put(
        u"update_manifest"_s, u"newer"_s,
        market.manifest(
            R"({"build":99,"version":"1.4.0","title":"澄川 1.4.0",)"
            R"("notes":"改进行情刷新。","downloadUrl":"https://kestrum.orvell.com/download/1.4.0"})"_ba));
    seeds.put(u"update_manifest"_s, u"test-edges"_s,
              market.manifest(R"({"build":" 30 ","version":7,"downloadUrl":"file:///etc/passwd",)"
                              R"("notes":null,"title":""})"_ba));
}

// --- Files written by the real code ---

void fileSeeds(SimulatedMarket &market, const Seeds &seeds)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        die(u"no temporary directory"_s);
    const ConfigStore config(dir.path());
    StrategyStore store(config, market.clock);
    market.at("morning");

    // Watchlist: items as the manager adds them, a search candidate kept with extra keys.
    QJsonArray watchlist;
    for (const QString &input : {u"600519"_s, u"00700"_s, u"aapl"_s, u"sz000001"_s})
        watchlist.append(*config.resolveWatchInput(input));
    const QList<WatchItem> found = eastmoney::candidatesFromSuggestData(
        market.fetch(eastmoney::searchRequest(market.endpoints, u"BYD"_s)), 1);
    if (!found.isEmpty()) {
        WatchItem item = found.first();
        item.insert(u"note"_s, u"长期观察"_s);
        watchlist.append(item);
    }
    config.saveWatchlist(watchlist);
    seeds.put(u"watchlist"_s, u"saved"_s, readFile(config.watchlistPath()));
    seeds.put(u"watchlist"_s, u"hand-edited"_s,
              R"([{"symbol":"SH600519","name":"贵州茅台"},{"symbol":"hk700"},"sz000001",null,)"
              R"({"symbol":12,"name":["x"]},{"symbol":" gb_brk.b ","market":"美股"}])"_ba);

    // Settings: the first run's file, a full one, a legacy hand-edited one.
    QTemporaryDir fresh;
    const ConfigStore firstRun(fresh.path());
    firstRun.ensureConfig();
    seeds.put(u"settings"_s, u"first-run"_s, readFile(firstRun.settingsPath()));
    AppSettings settings;
    settings.displayMode = AppSettings::Summary;
    settings.alertPreset = u"standard"_s;
    settings.aiEnabled = true;
    settings.aiProvider = u"deepseek"_s;
    settings.aiBaseURL = u"https://api.deepseek.com/v1"_s;
    settings.aiModel = u"deepseek-chat"_s;
    settings.aiAPIKey = u"sk-0123456789"_s;
    settings.aiInsights.insert(u"sh600519"_s, u"价格站上均价线。量能平稳。观察承接。"_s);
    settings.aiInsightDates.insert(u"sh600519"_s, u"2026-04-28"_s);
    settings.aiAutoGeneratedKeys.insert(u"sh600519|2026-04-28"_s);
    settings.mainSection = u"watchlist"_s;
    settings.mainDetailSymbol = u"sh600519"_s;
    settings.mainWindowFrameString = u"{{120, 80}, {960, 640}}"_s;
    settings.mainWatchlistSortMode = u"priority"_s;
    config.saveSettings(settings.toJson());
    seeds.put(u"settings"_s, u"saved"_s, readFile(config.settingsPath()));
    seeds.put(u"settings"_s, u"legacy"_s,
              R"({"displayMode":"first","alertPercent":"2.5","alertDirectionMask":1e300,)"
              R"("alertBreakoutEnabled":1,"aiEnabled":"yes","aiProvider":"","aiInsights":{"a":1},)"
              R"("aiAutoGeneratedKeys":["x",2],"mainSection":"ai","mainWatchlistSortMode":7})"_ba);

    // Catalog: the packaged one, cut to a dozen entries, and a hand-edited one.
    const QJsonArray items = config.catalogItems();
    QJsonArray dozen;
    for (qsizetype i = 0; i < items.size() && i < 12; ++i)
        dozen.append(items.at(i));
    seeds.put(u"catalog"_s, u"packaged-dozen"_s, json(QJsonObject{{u"items"_s, dozen}}));
    seeds.put(
        u"catalog"_s, u"hand-edited"_s,
        R"({"items":[{"symbol":"SH600519","name":"贵州茅台","industry":" 白酒 "},)"
        R"({"symbol":"hk00700","name":"腾讯控股","market":null},{"name":"无代码"},)"
        R"({"symbol":"1","name":""},7,{"symbol":"gb_aapl","name":"苹果","market":"美股"}]})"_ba);

    // Daily cache: bars from the routes, one record marked stale by a failed refresh.
    DailyCache daily(store);
    market.at("close");
    const auto lastDays = [](QList<DayRecord> days) {
        return days.mid(days.size() - 22);
    };
    daily.applyDailyDaysForSymbol(
        u"sh600519"_s,
        lastDays(eastmoney::dayRecordsFromKlines(market.fetch(eastmoney::dailyKRequest(
            market.endpoints, sym(u"sh600519"_s), market.clock.nowMSecs())))));
    daily.applyDailyDaysForSymbol(
        u"hk00700"_s, lastDays(yahoo::dayRecordsFromChart(
                          market.fetch(yahoo::chartRequest(market.endpoints, sym(u"hk00700"_s),
                                                           u"6mo"_s, u"1d"_s)),
                          sym(u"hk00700"_s))));
    daily.applyDailyDaysForSymbol(
        u"gb_aapl"_s, lastDays(yahoo::dayRecordsFromChart(
                                   market.fetch(yahoo::chartRequest(
                                       market.endpoints, sym(u"gb_aapl"_s), u"6mo"_s, u"1d"_s)),
                                   sym(u"gb_aapl"_s)))
                          .mid(0, 5));
    daily.applyDailyDaysForSymbol(u"gb_aapl"_s, {});
    seeds.put(u"daily_cache"_s, u"saved"_s, readFile(store.dailyCacheURL()));
    seeds.put(u"daily_cache"_s, u"hand-edited"_s,
              R"({"SH600519":{"days":[{"close":"1"},{"close":1e308,"high":1,"low":-1}],)"
              R"("features":{"context":"日线背景：高位震荡","position20":0.9,"change3":"9"},)"
              R"("updated_at":7},"sz000001":[],"x":{"features":[]}})"_ba);

    // Board map: the defaults with tags found for a watchlist.
    BoardTags boards(store, [&market](const QString &symbol,
                                      const BoardTags::TagsCompletion &done) {
        const std::optional<HttpRequest> request =
            eastmoney::f10Request(market.endpoints, sym(symbol));
        done(request ? eastmoney::boardTagsFromF10(QJsonDocument::fromJson(market.fetch(request)))
                     : QStringList());
    });
    boards.loadBoardMap();
    boards.ensureBoardTagsForWatchItems(QJsonArray{
        QJsonObject{{u"symbol"_s, u"sh600519"_s}, {u"name"_s, u"贵州茅台"_s}},
        QJsonObject{{u"symbol"_s, u"sz300750"_s}, {u"name"_s, u"宁德时代"_s}},
        QJsonObject{{u"symbol"_s, u"hk00700"_s}, {u"name"_s, u"腾讯控股"_s}},
    });
    boards.saveBoardMap();
    seeds.put(u"board_map"_s, u"saved"_s, readFile(store.boardMapURL()));
    seeds.put(u"board_map"_s, u"hand-edited"_s,
              R"({"sh600519":[" 白酒 ",""],"SZ000001":"银行","sz300750":[],"x":null,)"
              R"("sz002112":[1,"变压器"]})"_ba);

    // Decision sample log: samples from the decision engine over the routes' data, their
    // outcomes completed an hour on.
    market.at("morning");
    IntradayStore intraday;
    const QHash<QString, Quote> background;
    const DecisionEngine engine(intraday, daily, background);
    DecisionSampleLog::DecisionReader reader;
    reader.mainDecisionState = [&engine](const Quote &q) {
        return engine.mainDecisionStateForQuote(q);
    };
    reader.decisionConfidence = [&engine](const Quote &q) {
        return engine.decisionConfidenceForQuote(q);
    };
    reader.mainDecisionReasons = [&engine](const Quote &q) {
        return engine.mainDecisionReasonsForQuote(q);
    };
    reader.nextWatchDirective = [&engine](const Quote &q) {
        return engine.nextWatchDirectiveForQuote(q);
    };
    DecisionSampleLog log(store, intraday, daily, boards, reader);
    const QStringList symbols = {u"sh600519"_s, u"hk00700"_s};
    for (int step = 0; step < 3; ++step) {
        const QList<Quote> quotes =
            sina::parseRealtime(sina::decodeRealtime(market.realtime(symbols)));
        for (const Quote &quote : quotes) {
            const std::optional<HttpRequest> request =
                Symbol::marketOf(quote.symbol) == Market::HongKong
                    ? tencent::minuteRequest(market.endpoints, sym(quote.symbol))
                    : eastmoney::trendsRequest(market.endpoints, sym(quote.symbol),
                                               market.clock.nowMSecs());
            const QByteArray body = market.fetch(request);
            intraday.applyIntradaySeries(
                quote.symbol, Symbol::marketOf(quote.symbol) == Market::HongKong
                                  ? tencent::minuteSeriesFromMinutes(body, sym(quote.symbol))
                                  : eastmoney::minuteSeriesFromTrends(body, sym(quote.symbol)));
        }
        log.updatePendingDecisionSamplesForQuotes(quotes);
        log.recordDecisionSamplesForQuotes(quotes);
        market.clock.advanceSecs(1200);
    }
    const QByteArray samples = readFile(store.decisionSamplesURL());
    seeds.put(u"sample_log"_s, u"saved"_s, samples);
    // A hand-edited line, a blank one, and a last line cut short by a crash.
    const qsizetype firstEnd = samples.indexOf('\n');
    seeds.put(u"sample_log"_s, u"damaged"_s,
              samples.left(firstEnd + 1) +
                  "\n{\"symbol\":\"SH600519\",\"recorded_at\":"
                  "\"2026-04-28T10:30:00+08:00\",\"price\":\"10\","
                  "\"future\":[]}\nnot json\n" +
                  samples.mid(firstEnd + 1, 60));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString out =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath() + u"/fuzz/corpus"_s;
    const Seeds seeds(out);
    SimulatedMarket market;
    realtimeSeeds(market, seeds);
    eastmoneySeeds(market, seeds);
    minuteSeeds(market, seeds);
    chatSeeds(market, seeds);
    fileSeeds(market, seeds);
    return 0;
}
