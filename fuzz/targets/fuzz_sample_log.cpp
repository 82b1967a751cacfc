// SPDX-License-Identifier: GPL-3.0-or-later
// strategy/decision_samples.jsonl as found on disk (cut short by a crash, edited, or not a
// log at all): indexed, its outcomes completed by refreshes an hour apart, and new samples
// appended. A pass never loses a record that was in the file.
#include "FuzzSupport.h"

#include "config/ConfigStore.h"
#include "intraday/IntradayStore.h"
#include "model/Clock.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"
#include "strategy/DecisionSampleLog.h"
#include "strategy/StrategyStore.h"

#include <QSet>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {

// The records without their outcomes, which a pass may add to.
QList<QJsonObject> withoutFuture(QList<QJsonObject> records)
{
    for (QJsonObject &record : records)
        record.remove(u"future"_s);
    return records;
}

QList<QJsonObject> writable(const QList<QJsonObject> &records)
{
    QList<QJsonObject> kept;
    for (const QJsonObject &record : records) {
        if (JsonLinesFile::isValidJsonObject(record))
            kept.append(record);
    }
    return kept;
}

} // namespace

KESTRUM_FUZZ_INITIALIZE()

KESTRUM_FUZZ_MUTATOR(fuzz::mutateJsonLines)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const fuzz::Sandbox &sandbox = fuzz::Sandbox::instance();
    sandbox.reset();
    const QByteArray input = fuzz::bytesOf(data, size);
    sandbox.write(u"strategy/decision_samples.jsonl"_s, input);

    const ConfigStore config(sandbox.path(), QString());
    ManualClock clock(QDateTime(QDate(2026, 4, 28), QTime(10, 30), QTimeZone("Asia/Shanghai")));
    const StrategyStore store(config, clock);
    IntradayStore intraday;
    const DailyCache daily(store);
    const BoardTags boards(store);
    DecisionSampleLog log(store, intraday, daily, boards, {});

    log.loadPendingDecisionSamples();
    while (log.loadOlderDecisionSamples(4096)) {
    }
    const QList<QJsonObject> records = log.decisionSampleRecords();
    fuzz::check(log.pendingDecisionSampleCount() <= records.size(),
                "no more pending samples than records");

    // A quote for every symbol the log names (a few), with a short day behind it.
    QSet<QString> symbols{u"sh600519"_s};
    for (const QJsonObject &record : records) {
        if (symbols.size() >= 8)
            break;
        const QString symbol = record.value(u"symbol"_s).toString().toLower();
        if (!symbol.isEmpty())
            symbols.insert(symbol);
    }
    QList<Quote> quotes;
    for (const QString &symbol : std::as_const(symbols)) {
        intraday.applyIntradaySeriesForSymbol(symbol, u"2026-04-28"_s, {10.0, 10.4, 9.8},
                                              {0, 1800, 3600}, {10.0, 10.1, 10.0},
                                              {1000, 800, 900});
        Quote quote;
        quote.symbol = symbol;
        quote.name = u"样本"_s;
        quote.price = 10.2;
        quote.previousClose = 10.0;
        quote.high = 10.4;
        quote.low = 9.8;
        quote.time = u"11:00:00"_s;
        quotes.append(quote);
    }

    // Outcome passes an hour apart: each keeps every writable record, in order.
    QList<QJsonObject> expected = writable(records);
    for (int pass = 0; pass < 2; ++pass) {
        clock.advanceSecs(3600);
        log.updatePendingDecisionSamplesForQuotes(quotes);
        const QList<QJsonObject> after = log.decisionSampleRecords();
        if (after.size() == records.size() && after == records)
            continue; // nothing was due: the file is as it was
        fuzz::check(withoutFuture(after) == withoutFuture(expected),
                    "an outcome pass keeps every record");
        expected = after;
    }

    // New samples are appended as whole lines, also after a line cut short.
    const qsizetype before = log.decisionSampleRecords().size();
    log.recordDecisionSamplesForQuotes(quotes);
    fuzz::check(log.decisionSampleRecords().size() == before + quotes.size(),
                "every new sample is appended as a readable line");
    clock.advanceSecs(3600);
    log.updatePendingDecisionSamplesForQuotes(quotes);
    fuzz::check(log.decisionSampleRecords().size() == before + quotes.size(),
                "the outcome pass after an append keeps every record");
    return 0;
}
