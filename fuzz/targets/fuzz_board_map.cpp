// SPDX-License-Identifier: GPL-3.0-or-later
// strategy/board_map.json as a user may have edited it: loaded with the defaults merged in,
// read for every symbol, filled for a watchlist, and saved. Stored usable tags are never
// replaced, and an unreadable file is kept aside before the defaults replace it.
#include "FuzzSupport.h"

#include "config/ConfigStore.h"
#include "model/Clock.h"
#include "strategy/BoardTags.h"
#include "strategy/StrategyStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {

bool hasUsableTags(const QJsonValue &value)
{
    if (!value.isArray())
        return false;
    for (const QJsonValue &tag : value.toArray()) {
        if (tag.isString() && !tag.toString().trimmed().isEmpty())
            return true;
    }
    return false;
}

} // namespace

KESTRUM_FUZZ_INITIALIZE()

KESTRUM_FUZZ_MUTATOR(fuzz::mutateJson)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const fuzz::Sandbox &sandbox = fuzz::Sandbox::instance();
    sandbox.reset();
    const QByteArray input = fuzz::bytesOf(data, size);
    sandbox.write(u"strategy/board_map.json"_s, input);

    const ConfigStore config(sandbox.path(), QString());
    const ManualClock clock(
        QDateTime(QDate(2026, 4, 28), QTime(10, 30), QTimeZone("Asia/Shanghai")));
    const StrategyStore store(config, clock);
    // The lookup answers at once with tags a service might send.
    BoardTags boards(store, [](const QString &, const BoardTags::TagsCompletion &done) {
        done({u" 白酒 "_s, u""_s, u"白酒"_s, u"消费"_s});
    });
    boards.loadBoardMap();

    const QJsonDocument document = QJsonDocument::fromJson(input);
    if (!document.isObject() && !input.trimmed().isEmpty()) {
        const QStringList kept = sandbox.entries(u"strategy"_s).filter(u".unreadable-"_s);
        fuzz::check(kept.size() == 1 && sandbox.read(u"strategy/"_s + kept.first()) == input,
                    "an unreadable board map is kept aside whole");
    }
    const QJsonObject stored = document.object();
    const QJsonObject &map = boards.boardMap();
    for (auto it = stored.begin(); it != stored.end(); ++it)
        fuzz::check(map.value(it.key()) == it.value(), "loading keeps every stored entry",
                    it.key());

    QJsonArray watchlist;
    QStringList symbols = map.keys().mid(0, 16);
    symbols << u"sh600519"_s << u"hk00700"_s << u"gb_aapl"_s;
    for (const QString &symbol : std::as_const(symbols)) {
        Quote quote;
        quote.symbol = symbol;
        boards.boardTagsForQuote(quote);
        boards.boardTagDisplayForQuote(quote);
        boards.hasUsableBoardTagsForSymbol(symbol);
        watchlist.append(QJsonObject{{u"symbol"_s, symbol}, {u"name"_s, u"特变电工"_s}});
    }
    boards.ensureBoardTagsForWatchItems(watchlist);
    for (auto it = stored.begin(); it != stored.end(); ++it) {
        if (hasUsableTags(it.value()))
            fuzz::check(boards.boardMap().value(it.key()) == it.value(),
                        "stored usable tags are never replaced", it.key());
    }
    boards.saveBoardMap();
    BoardTags reloaded(store);
    reloaded.loadBoardMap();
    fuzz::check(QJsonDocument(reloaded.boardMap()).toJson() ==
                    QJsonDocument(boards.boardMap()).toJson(),
                "the board map survives a save and a load");
    return 0;
}
