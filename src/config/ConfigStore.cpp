// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ConfigStore.h"
#include "model/Symbol.h"

#include "config/AppSettings.h"
#include "config/JsonFile.h"
#include "model/Formatters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

// settings.json holds the AI service's key: readable by its owner only.
constexpr QFileDevice::Permissions kPrivateFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kGroupOrOther =
    QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
    QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

QString padded(QString digits)
{
    while (digits.size() < 5)
        digits.prepend(u'0');
    return digits;
}

WatchItem makeItem(const QString &symbol, const QString &name)
{
    return WatchItem{
        {u"symbol"_s, symbol}, {u"name"_s, name}, {u"market"_s, marketBadgeForSymbol(symbol)}};
}

bool isList(const QJsonDocument &document)
{
    return document.isArray();
}

// The whole file as the settings reader takes it: an object whose every known key holds a
// value of its kind.
bool isWholeSettings(const QJsonDocument &document)
{
    return document.isObject() &&
           AppSettings::withUsableValues(document.object()) == document.object();
}

bool fullMatch(const QString &pattern, const QString &text)
{
    const QRegularExpression re(u"\\A(?:"_s + pattern + u")\\z"_s,
                                QRegularExpression::CaseInsensitiveOption);
    return re.match(text).hasMatch();
}

} // namespace

ConfigStore::ConfigStore()
    : ConfigStore(defaultAppDirectory())
{}

ConfigStore::ConfigStore(const QString &appDir, const QString &catalogResource)
{
    m_appDir = QDir::cleanPath(appDir);
    m_watchlistPath = m_appDir + u"/watchlist.json"_s;
    m_settingsPath = m_appDir + u"/settings.json"_s;
    m_catalogPath = m_appDir + u"/cache/market/tdx_stock_catalog.json"_s;
    openDirectory(catalogResource);
}

QString ConfigStore::defaultAppDirectory()
{
    const QString overridden = qEnvironmentVariable("KESTRUM_DATA_DIR");
    if (!overridden.isEmpty())
        return overridden;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Kestrum"_s;
}

QString ConfigStore::packagedCatalogPath()
{
    return u":/kestrum/cache/market/tdx_stock_catalog.json"_s;
}

QString ConfigStore::strategyDir() const
{
    return m_appDir + u"/strategy"_s;
}

void ConfigStore::openDirectory(const QString &catalogResource)
{
    QDir().mkpath(m_appDir);
    QDir().mkpath(QFileInfo(m_catalogPath).absolutePath());
    // An existing catalog is the user's (or an earlier copy) and is never replaced.
    if (!QFileInfo::exists(m_catalogPath) && !catalogResource.isEmpty() &&
        QFileInfo::exists(catalogResource)) {
        QFile source(catalogResource);
        if (source.open(QIODevice::ReadOnly))
            JsonFile::writeAtomically(m_catalogPath, source.readAll());
    }
}

void ConfigStore::ensureConfig() const
{
    QDir().mkpath(m_appDir);
    if (QFileInfo::exists(m_watchlistPath))
        return;
    JsonFile::writePretty(m_watchlistPath, QJsonDocument(QJsonArray()));
    if (!QFileInfo::exists(m_settingsPath))
        writeSettingsFile(AppSettings::firstRunObject());
}

QJsonArray ConfigStore::loadWatchlist() const
{
    ensureConfig();
    const auto document = JsonFile::read(m_watchlistPath);
    return document && document->isArray() ? document->array() : QJsonArray();
}

bool ConfigStore::isWatchlistUnreadable() const
{
    return JsonFile::isUnreadable(m_watchlistPath, isList);
}

bool ConfigStore::saveWatchlist(const QJsonArray &items, JsonFile::KeptAside *keptAside) const
{
    QDir().mkpath(m_appDir);
    // The list being saved was built on an empty one: the file's own items are in the copy.
    const JsonFile::KeptAside kept = JsonFile::keepAsideIfUnreadable(m_watchlistPath, isList);
    if (keptAside)
        *keptAside = kept;
    return kept.mayReplace() && JsonFile::writePretty(m_watchlistPath, QJsonDocument(items));
}

QJsonObject ConfigStore::loadSettings(JsonFile::KeptAside *keptAside) const
{
    ensureConfig();
    // Narrowed at every start, not only by a save: a run (`--once`) may never save.
    const QFileDevice::Permissions permissions = QFileInfo(m_settingsPath).permissions();
    if (QFileInfo(m_settingsPath).isFile() && (permissions & kGroupOrOther))
        QFile::setPermissions(m_settingsPath, permissions & ~kGroupOrOther);

    const JsonFile::KeptAside kept =
        JsonFile::keepAsideIfUnreadable(m_settingsPath, isWholeSettings, kPrivateFile);
    if (keptAside)
        *keptAside = kept;
    const auto document = JsonFile::read(m_settingsPath);
    if (document && document->isObject()) {
        // Values of the wrong kind were kept aside with the file; it keeps what reads.
        const QJsonObject settings = AppSettings::withUsableValues(document->object());
        if (kept.unreadable && kept.mayReplace())
            writeSettingsFile(settings);
        return settings;
    }
    const QJsonObject fallback = AppSettings::fallbackObject();
    if (kept.mayReplace())
        writeSettingsFile(fallback);
    return fallback;
}

bool ConfigStore::saveSettings(const QJsonObject &settings, JsonFile::KeptAside *keptAside) const
{
    QDir().mkpath(m_appDir);
    // Edited by hand while Kestrum ran, and left unreadable: kept before it is replaced.
    const JsonFile::KeptAside kept =
        JsonFile::keepAsideIfUnreadable(m_settingsPath, isWholeSettings, kPrivateFile);
    if (keptAside)
        *keptAside = kept;
    return kept.mayReplace() && writeSettingsFile(settings);
}

bool ConfigStore::writeSettingsFile(const QJsonObject &settings) const
{
    return JsonFile::writePretty(m_settingsPath, QJsonDocument(settings), kPrivateFile);
}

QJsonArray ConfigStore::catalogItems() const
{
    const auto document = JsonFile::read(m_catalogPath);
    if (!document || !document->isObject())
        return {};
    const QJsonValue items = document->object().value(u"items"_s);
    return items.isArray() ? items.toArray() : QJsonArray();
}

bool ConfigStore::isSixDigitCode(const QString &text)
{
    if (text.size() != 6)
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

QString ConfigStore::exchangePrefixForCode(const QString &code)
{
    // Shanghai lists its shares from 6, its funds from 5 and its B shares from 900;
    // Beijing from 4, 8 and 92; Shenzhen everything else (funds from 1, B shares from 2).
    // A wrong prefix is never answered by the realtime service.
    if (code.startsWith(u'6') || code.startsWith(u'5') || code.startsWith(u"900"))
        return u"sh"_s;
    if (code.startsWith(u'4') || code.startsWith(u'8') || code.startsWith(u"92"))
        return u"bj"_s;
    return u"sz"_s;
}

std::optional<WatchItem> ConfigStore::directWatchCandidateForInput(const QString &input)
{
    QString text = input.trimmed().toLower();
    if (text.isEmpty())
        return std::nullopt;
    text.remove(QRegularExpression(u"\\s"_s));
    text.replace(u'-', u'_');
    if (text.isEmpty())
        return std::nullopt;

    if (fullMatch(u"[0-9]{1,5}\\.hk"_s, text)) {
        const QString symbol = u"hk"_s + padded(text.chopped(3));
        return makeItem(symbol, symbol.toUpper());
    }
    if (fullMatch(u"hk[0-9]{1,5}"_s, text)) {
        const QString symbol = u"hk"_s + padded(text.mid(2));
        return makeItem(symbol, symbol.toUpper());
    }
    if (fullMatch(u"[0-9]{1,5}"_s, text)) {
        const QString symbol = u"hk"_s + padded(text);
        return makeItem(symbol, symbol.toUpper());
    }
    if (fullMatch(u"gb_[a-z][a-z0-9_\\.]{0,9}"_s, text))
        return makeItem(text, text.mid(3).toUpper());
    if (fullMatch(u"(sh|sz|bj)[0-9]{6}"_s, text))
        return makeItem(text, text.toUpper());
    if (fullMatch(u"[a-z][a-z0-9\\.]{0,7}"_s, text)) {
        const QString ticker = QString(text).replace(u'.', u'_');
        return makeItem(u"gb_"_s + ticker, ticker.toUpper());
    }

    // A-share: the first six-digit code anywhere in the text, with or without its prefix.
    static const QRegularExpression aShare(u"(sh|sz|bj)?[0-9]{6}"_s,
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = aShare.match(text);
    if (!match.hasMatch())
        return std::nullopt; // text without a code is never a symbol (e.g. "sh_abc")
    QString symbol = match.captured(0);
    if (isSixDigitCode(symbol))
        symbol.prepend(exchangePrefixForCode(symbol));
    return makeItem(symbol, symbol.toUpper());
}

QList<WatchItem> ConfigStore::matchesForWatchInput(const QString &input, int limit) const
{
    const QString typed = input.trimmed();
    const QString lower = typed.toLower();
    if (limit <= 0 || lower.isEmpty())
        return {};

    QList<WatchItem> exact, prefix, contains;
    for (const QJsonValue &value : catalogItems()) {
        if (!value.isObject())
            continue;
        const QJsonObject entry = value.toObject();
        const QString symbol = entry.value(u"symbol"_s).toString().toLower();
        if (!Symbol::isStoredForm(symbol))
            continue; // a hand-edited entry that no market knows is never offered
        const QString name = entry.value(u"name"_s).toString();
        const QJsonValue market = entry.value(u"market"_s);
        const QString code = symbol.size() >= 3 ? symbol.mid(2) : symbol;
        const WatchItem item{
            {u"symbol"_s, symbol},
            {u"name"_s, name},
            {u"market"_s, market.isString() ? market.toString() : marketBadgeForSymbol(symbol)}};
        if (symbol == lower || code == lower || name == typed)
            exact.append(item);
        else if (symbol.startsWith(lower) || code.startsWith(lower) || name.startsWith(typed))
            prefix.append(item);
        else if (symbol.contains(lower) || code.contains(lower) || name.contains(typed))
            contains.append(item);
    }

    QList<WatchItem> result = exact + prefix + contains;
    if (const auto direct = directWatchCandidateForInput(input); direct && result.size() < limit) {
        const QString directSymbol = direct->value(u"symbol"_s).toString().toLower();
        const bool listed = std::any_of(result.begin(), result.end(), [&](const WatchItem &item) {
            return item.value(u"symbol"_s).toString().toLower() == directSymbol;
        });
        if (!listed)
            result.append(*direct);
    }
    if (result.size() > limit)
        result.resize(limit);
    return result;
}

std::optional<WatchItem> ConfigStore::resolveWatchInput(const QString &input) const
{
    const QList<WatchItem> matches = matchesForWatchInput(input, 1);
    if (!matches.isEmpty())
        return matches.first();
    return directWatchCandidateForInput(input);
}
