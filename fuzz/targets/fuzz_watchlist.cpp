// SPDX-License-Identifier: GPL-3.0-or-later
// watchlist.json as a user may have edited it: loaded, every item's text searched for as the
// manager would, and board tags filled for the items. Loading never rewrites the file.
#include "FuzzSupport.h"

#include "model/Symbol.h"

#include "config/ConfigStore.h"
#include "model/Clock.h"
#include "model/Formatters.h"
#include "strategy/BoardTags.h"
#include "strategy/StrategyStore.h"

#include <QJsonArray>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kCatalog = QByteArrayLiteral(R"({"items": [
  {"symbol": "sh000001", "name": "上证指数", "market": "沪市", "industry": "指数"},
  {"symbol": "sh600519", "name": "贵州茅台", "market": "沪市", "industry": "白酒"},
  {"symbol": "sz000001", "name": "平安银行", "market": "深市", "industry": "银行"},
  {"symbol": "sz300750", "name": "宁德时代", "market": "深市", "industry": "电池"},
  {"symbol": "bj830799", "name": "艾融软件", "market": "北交", "industry": "软件开发"}
]})");

void searchFor(const ConfigStore &config, const QString &text)
{
    for (const int limit : {1, 8}) {
        const QList<WatchItem> matches = config.matchesForWatchInput(text, limit);
        fuzz::check(matches.size() <= limit, "no more matches than asked for", text);
        for (const WatchItem &match : matches)
            fuzz::check(Symbol::isStoredForm(match.value(u"symbol"_s).toString()),
                        "only symbols are offered", text);
    }
    for (const auto &item :
         {config.resolveWatchInput(text), ConfigStore::directWatchCandidateForInput(text)})
        fuzz::check(!item || Symbol::isStoredForm(item->value(u"symbol"_s).toString()),
                    "only symbols are offered", text);
}

} // namespace

KESTRUM_FUZZ_INITIALIZE()

KESTRUM_FUZZ_MUTATOR(fuzz::mutateJson)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const fuzz::Sandbox &sandbox = fuzz::Sandbox::instance();
    sandbox.reset();
    const QByteArray input = fuzz::bytesOf(data, size);
    sandbox.write(u"watchlist.json"_s, input);
    sandbox.write(u"cache/market/tdx_stock_catalog.json"_s, kCatalog);

    const ConfigStore config(sandbox.path(), QString());
    const QJsonArray items = config.loadWatchlist();
    fuzz::check(sandbox.read(u"watchlist.json"_s) == input, "loading keeps the watchlist file");
    fuzz::check(!sandbox.exists(u"settings.json"_s),
                "an existing watchlist means no first run (no settings written)");

    for (qsizetype i = 0; i < items.size() && i < 8; ++i) {
        const QJsonObject item = items.at(i).toObject();
        const QString symbol = item.value(u"symbol"_s).toString();
        const QString name = item.value(u"name"_s).toString();
        searchFor(config, symbol);
        searchFor(config, name);
        marketBadgeForSymbol(symbol);
        shortName(name);
    }

    // Board tags for the items, the external lookup answering with nothing at once.
    const ManualClock clock(
        QDateTime(QDate(2026, 4, 28), QTime(10, 30), QTimeZone("Asia/Shanghai")));
    const StrategyStore store(config, clock);
    BoardTags boards(store,
                     [](const QString &, const BoardTags::TagsCompletion &done) { done({}); });
    boards.loadBoardMap();
    boards.ensureBoardTagsForWatchItems(items);
    for (const QJsonValue &value : items) {
        Quote quote;
        quote.symbol = value.toObject().value(u"symbol"_s).toString();
        boards.boardTagDisplayForQuote(quote);
    }
    return 0;
}
