// SPDX-License-Identifier: GPL-3.0-or-later
// The local stock catalog as a user may have edited it: read afresh, searched with typical
// typed inputs and with every entry's own text, and asked for industry tags.
#include "FuzzSupport.h"

#include "config/ConfigStore.h"
#include "model/Clock.h"
#include "strategy/BoardTags.h"
#include "strategy/StrategyStore.h"

#include <QJsonArray>
#include <QTimeZone>

using namespace Qt::StringLiterals;

KESTRUM_FUZZ_INITIALIZE()

KESTRUM_FUZZ_MUTATOR(fuzz::mutateJson)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const fuzz::Sandbox &sandbox = fuzz::Sandbox::instance();
    sandbox.reset();
    const QByteArray input = fuzz::bytesOf(data, size);
    const QString catalogFile = u"cache/market/tdx_stock_catalog.json"_s;
    sandbox.write(catalogFile, input);

    const ConfigStore config(sandbox.path(), QString());
    const QJsonArray items = config.catalogItems();
    fuzz::check(sandbox.read(catalogFile) == input, "the catalog is never rewritten");

    QStringList inputs = {u"600"_s, u"平安"_s, u"00700"_s, u"aapl"_s, u"sh600519"_s, u"1"_s};
    for (qsizetype i = 0; i < items.size() && i < 4; ++i) {
        const QJsonObject item = items.at(i).toObject();
        inputs << item.value(u"symbol"_s).toString() << item.value(u"name"_s).toString();
    }
    const ManualClock clock(
        QDateTime(QDate(2026, 4, 28), QTime(10, 30), QTimeZone("Asia/Shanghai")));
    const StrategyStore store(config, clock);
    const BoardTags boards(store);
    for (const QString &text : std::as_const(inputs)) {
        const QList<WatchItem> matches = config.matchesForWatchInput(text, 8);
        fuzz::check(matches.size() <= 8, "no more matches than asked for", text);
        for (const WatchItem &match : matches) {
            fuzz::check(match.value(u"symbol"_s).isString() && match.value(u"name"_s).isString() &&
                            match.value(u"market"_s).isString(),
                        "a match has a symbol, a name and a market", text);
        }
        config.resolveWatchInput(text);
        const QStringList tags = boards.catalogIndustryTagsForSymbol(text);
        fuzz::check(tags.size() <= 1, "the catalog gives at most one industry", text);
        boards.inferredBoardTagsForSymbol(text, text);
    }
    return 0;
}
