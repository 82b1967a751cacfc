// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/JsonFile.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// A watch item (and every search candidate): {symbol, name, market} plus whatever other
// keys a stored item carries, which are kept when the list is rewritten.
using WatchItem = QJsonObject;

// Owns the application directory and its configuration files: watchlist, settings and
// the local stock catalog. Keeps nothing in memory beyond its paths.
class ConfigStore
{
public:
    // The default directory: $KESTRUM_DATA_DIR, else the XDG data directory + "Kestrum".
    ConfigStore();
    explicit ConfigStore(const QString &appDir,
                         const QString &catalogResource = packagedCatalogPath());

    static QString defaultAppDirectory();
    // The catalog that ships with the application (compiled in as a resource).
    static QString packagedCatalogPath();

    QString appDir() const { return m_appDir; }
    QString watchlistPath() const { return m_watchlistPath; }
    QString settingsPath() const { return m_settingsPath; }
    QString catalogPath() const { return m_catalogPath; }
    QString strategyDir() const;

    void ensureConfig() const;

    // The stored list; a file that cannot be read as a list reads as empty and is left as
    // it is.
    QJsonArray loadWatchlist() const;
    // The file exists but cannot be read as a list (a typo, damage, a directory).
    bool isWatchlistUnreadable() const;
    // False when the file could not be written; the previous file then stays in place. An
    // unreadable file is kept aside first (`keptAside` tells where), and stays when it
    // cannot be.
    bool saveWatchlist(const QJsonArray &items, JsonFile::KeptAside *keptAside = nullptr) const;
    bool writeWatchlist(const QJsonArray &items) const { return saveWatchlist(items); }

    // The stored object. A file that cannot be read is kept aside and replaced by the
    // fallback object; values of the wrong kind are kept aside with the file and dropped
    // from it. The file is made the owner's alone when others could read it.
    QJsonObject loadSettings(JsonFile::KeptAside *keptAside = nullptr) const;
    bool saveSettings(const QJsonObject &settings, JsonFile::KeptAside *keptAside = nullptr) const;

    // The catalog's item array, read afresh (empty when missing or malformed).
    QJsonArray catalogItems() const;

    QList<WatchItem> matchesForWatchInput(const QString &input, int limit) const;
    std::optional<WatchItem> resolveWatchInput(const QString &input) const;
    static std::optional<WatchItem> directWatchCandidateForInput(const QString &input);
    static bool isSixDigitCode(const QString &text);
    // "sh", "sz" or "bj" for a six-digit code typed without its exchange.
    static QString exchangePrefixForCode(const QString &code);

private:
    void openDirectory(const QString &catalogResource);
    bool writeSettingsFile(const QJsonObject &settings) const;

    QString m_appDir;
    QString m_watchlistPath;
    QString m_settingsPath;
    QString m_catalogPath;
};
