// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ConfigStore.h"
#include "config/TrackedJsonFile.h"
#include "model/Quote.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class StrategyStore;

// Up to two industry-board tags per watched symbol, found once and kept in board_map.json:
// from the built-in map, the local catalog's industry, Eastmoney's board data and, last,
// keywords in the stock name. Stored usable tags are never replaced.
class BoardTags : public QObject
{
    Q_OBJECT
public:
    using TagsCompletion = std::function<void(const QStringList &)>;
    // Looks a symbol's boards up and completes exactly once on the main thread (an empty
    // list on any failure). BoardTagSource::fetch fits.
    using BoardTagFetcher = std::function<void(const QString &symbol, TagsCompletion completion)>;

    explicit BoardTags(const StrategyStore &store, BoardTagFetcher fetcher = {},
                       QObject *parent = nullptr);

    void setFetcher(BoardTagFetcher fetcher) { m_fetcher = std::move(fetcher); }

    // --- The map and its file ---
    static QJsonObject defaultBoardMap();
    // Reads board_map.json; a missing, unreadable, empty or non-object file gives the
    // default map, and defaults the file lacks are added. True when the map differs from
    // the file (it should then be saved).
    bool loadBoardMap();
    // The file is the user's to edit while Kestrum runs: changed on disk since it was read,
    // it is read again and merged first, the user's entries winning.
    bool saveBoardMap();
    // Takes in the file's entries when it changed on disk: what the user set or removed
    // there replaces what memory holds; entries only memory has stay.
    void mergeChangesOnDisk();
    const QJsonObject &boardMap() const { return m_map; }

    // --- Local sources ---
    QStringList catalogIndustryTagsForSymbol(const QString &symbol) const;
    static QStringList heuristicBoardTagsForName(const QString &name, const QString &symbol);
    QStringList inferredBoardTagsForSymbol(const QString &symbol, const QString &name) const;
    bool hasUsableBoardTagsForSymbol(const QString &symbol) const;

    // --- Filling ---
    void requestExternalBoardTagsForSymbol(const QString &symbol, const QString &name);
    void ensureBoardTagsForWatchItems(const QJsonArray &items);
    void ensureBoardTagsForWatchItems(const QList<WatchItem> &items);
    const QSet<QString> &boardLookupInFlightSymbols() const { return m_inFlight; }

    // --- Readers ---
    // The stored string tags (untrimmed) for the quote's lower-cased symbol.
    QStringList boardTagsForQuote(const Quote &quote) const;
    // "电力设备 / 输变电", or "板块待补" when there is nothing to show.
    QString boardTagDisplayForQuote(const Quote &quote) const;

Q_SIGNALS:
    // Tags were stored for a symbol: redraw what shows them.
    void boardTagsChanged(const QString &symbol);
    // board_map.json could not be read; its bytes are at `copyPath` (empty: left in place).
    void unreadableFileFound(const QString &copyPath);

private:
    void storeTags(const QString &symbol, const QStringList &tags);
    void reportKeptAside(const JsonFile::KeptAside &kept);

    const StrategyStore &m_store;
    BoardTagFetcher m_fetcher;
    QJsonObject m_map;
    TrackedJsonFile m_file;
    QJsonObject m_onDisk; // the file as last read or written: what a merge compares with
    QSet<QString> m_inFlight;
};
