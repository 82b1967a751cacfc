// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What every fuzz target shares: process set-up, a scratch directory for the file readers,
// the checks a parser's result must pass, and the code that consumes parsed values the way
// the application does (so a value that only breaks a later step is found too).

#include "model/DayRecord.h"
#include "model/MinuteSeries.h"
#include "model/Quote.h"
#include "model/Symbol.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace fuzz {

// Once per process: a core application and Qt's own messages silenced (a fatal one
// still aborts, which libFuzzer reports).
void initialize();

QByteArray bytesOf(const uint8_t *data, size_t size);

// A broken promise of the code under test: prints what and aborts, so libFuzzer keeps the
// input as a finding.
[[noreturn]] void fail(const char *what, const QString &detail = QString());
inline void check(bool ok, const char *what, const QString &detail = QString())
{
    if (!ok)
        fail(what, detail);
}

// Structure-aware mutation for JSON answers and files (libFuzzer's custom mutator): when
// the input parses, a few values of its tree are changed (edge numbers, text mutated byte by
// byte, elements dropped or repeated, keys dropped or renamed, types swapped) and the
// document is written back compact or indented; otherwise, and every third time anyway,
// libFuzzer's own byte mutations run, dictionary included.
size_t mutateJson(uint8_t *data, size_t size, size_t maxSize, unsigned seed);
// The same for a JSON-lines file, one line at a time; lines are also dropped, repeated or
// cut short as a crash would leave them.
size_t mutateJsonLines(uint8_t *data, size_t size, size_t maxSize, unsigned seed);

// One symbol of each kind the parsers tell apart: Shanghai (lots of 100 shares), Beijing,
// Hong Kong and US (each with its own trading day and time zone).
const QList<Symbol> &sampleSymbols();

// A parsed quote: filed under a symbol, every number finite and within the bounds of a
// market (market/Plausibility.h), then through the formatters and an intraday store.
void exerciseQuotes(const QList<Quote> &quotes);
// A parsed minute series: parallel arrays, prices and averages that can be traded, positions
// on the symbol's trading axis, volumes within bounds; then stored and analysed.
void exerciseSeries(const QString &symbol, const MinuteSeries &series);
// Parsed daily bars: positive close, high and low, every value within a market's bounds;
// then reduced to daily features.
void exerciseDays(const QList<DayRecord> &days);

// A directory that lives as long as the process; `reset` empties it before each input.
class Sandbox
{
public:
    static Sandbox &instance();
    QString path() const { return m_path; }
    void reset() const;
    // Writes `bytes` to `relative` (directories created), aborting when that fails.
    void write(const QString &relative, const QByteArray &bytes) const;
    QByteArray read(const QString &relative) const;
    bool exists(const QString &relative) const;
    QStringList entries(const QString &relativeDir) const;

private:
    Sandbox();
    QString m_path;
};

} // namespace fuzz

// libFuzzer's entry points every target defines alike: the process set-up, and for the JSON
// answers and files the structure-aware mutator.
#define KESTRUM_FUZZ_INITIALIZE()                                                                  \
    extern "C" int LLVMFuzzerInitialize(int *, char ***)                                           \
    {                                                                                              \
        fuzz::initialize();                                                                        \
        return 0;                                                                                  \
    }
#define KESTRUM_FUZZ_MUTATOR(mutator)                                                              \
    extern "C" size_t LLVMFuzzerCustomMutator(uint8_t *data, size_t size, size_t maxSize,          \
                                              unsigned seed)                                       \
    {                                                                                              \
        return mutator(data, size, maxSize, seed);                                                 \
    }
