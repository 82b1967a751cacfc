// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WatchlistTransfer.h"

#include "config/WatchItemInput.h"
#include "model/Formatters.h"
#include "model/Holding.h"
#include "model/PriceAlert.h"
#include "model/Symbol.h"

#include <QHash>
#include <QJsonDocument>
#include <QSet>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace WatchlistTransfer {

namespace {

using Kind = PriceAlert::Kind;

const QString kCode = u"代码"_s;
const QString kName = u"名称"_s;
const QString kShares = u"持仓"_s;
const QString kCost = u"成本"_s;

// The condition columns, in the order of the kinds.
const QStringList &conditionColumns()
{
    static const QStringList columns{u"突破价"_s, u"跌破价"_s, u"涨幅提醒"_s, u"跌幅提醒"_s};
    return columns;
}

QString numberText(double value)
{
    return QString::number(value, 'g', 15);
}

QString csvField(const QString &text)
{
    static const QString special = u",\"\r\n"_s;
    const bool quote =
        std::any_of(text.begin(), text.end(), [](QChar c) { return special.contains(c); }) ||
        text != text.trimmed();
    if (!quote)
        return text;
    return u'"' + QString(text).replace(u"\""_s, u"\"\""_s) + u'"';
}

// RFC 4180 records; none for an unclosed quote.
std::optional<QList<QStringList>> csvRecords(const QString &text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    bool fieldStarted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"' && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
        } else if (c == u',') {
            record.append(field);
            field.clear();
            fieldStarted = false;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            record.append(field);
            records.append(record);
            record.clear();
            field.clear();
            fieldStarted = false;
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (fieldStarted || !record.isEmpty()) {
        record.append(field);
        records.append(record);
    }
    return records;
}

QString decodeText(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder gb("GB18030");
    return gb.decode(bytes);
}

// The stored symbol for what a file names: the stored form itself, or what the typed-input
// rules make of a code (600519, 00700.HK, AAPL).
std::optional<WatchItem> itemForCode(const QString &code)
{
    const QString lower = code.trimmed().toLower();
    if (Symbol::isStoredForm(lower))
        return WatchItem{{u"symbol"_s, lower},
                         {u"name"_s, Symbol::fromStored(lower)->displayForm()},
                         {u"market"_s, marketBadgeForSymbol(lower)}};
    std::optional<WatchItem> candidate = ConfigStore::directWatchCandidateForInput(code);
    if (!candidate || !Symbol::isStoredForm(candidate->value(u"symbol"_s).toString()))
        return std::nullopt;
    return candidate;
}

QString displayName(const WatchItem &item)
{
    const QString name = item.value(u"name"_s).toString();
    return name.isEmpty() ? item.value(u"symbol"_s).toString().toUpper() : name;
}

// One condition cell; the reason in `error` when an entry is refused.
QList<PriceAlert> conditionsFromCell(Kind kind, const QString &cell, QString *error)
{
    QList<PriceAlert> alerts;
    for (QString entry : QString(cell).replace(u'；', u';').split(u';', Qt::SkipEmptyParts)) {
        entry = entry.trimmed();
        if (entry.isEmpty())
            continue;
        PriceAlert::Repeat repeat = PriceAlert::Repeat::Once;
        const qsizetype at = entry.indexOf(u'@');
        if (at >= 0) {
            const auto mode = fromText<PriceAlert::Repeat>(entry.mid(at + 1).trimmed().toLower());
            if (!mode) {
                *error = u"提醒方式须为 once 或 daily："_s + entry;
                return {};
            }
            repeat = *mode;
            entry = entry.left(at);
        }
        PriceAlert alert;
        const QString problem = WatchItemInput::priceAlertFromText(kind, entry, repeat, &alert);
        if (!problem.isEmpty()) {
            *error = problem.chopped(1) + u"（"_s + entry.trimmed() + u"）"_s;
            return {};
        }
        alerts.append(alert);
    }
    return alerts;
}

QString conditionCell(const QList<PriceAlert> &alerts, Kind kind)
{
    QStringList entries;
    for (const PriceAlert &alert : alerts) {
        if (alert.kind != kind || !alert.isArmed())
            continue;
        entries.append(numberText(alert.value) +
                       (alert.repeat == PriceAlert::Repeat::Daily ? u"@daily"_s : QString()));
    }
    return entries.join(u';');
}

std::optional<Parsed> parseCsv(const QString &text, QString *error)
{
    const std::optional<QList<QStringList>> records = csvRecords(text);
    if (!records) {
        *error = u"CSV 文件中的引号没有闭合。"_s;
        return std::nullopt;
    }
    qsizetype first = 0;
    while (first < records->size() && records->at(first).join(QString()).trimmed().isEmpty())
        ++first;
    QStringList header;
    if (first < records->size()) {
        for (const QString &name : records->at(first))
            header.append(name.trimmed());
    }
    const qsizetype codeColumn = header.indexOf(kCode);
    if (codeColumn < 0) {
        *error = u"CSV 文件第一行须为表头，并含有“代码”一列。"_s;
        return std::nullopt;
    }
    Parsed parsed;
    for (qsizetype r = first + 1; r < records->size(); ++r) {
        const QStringList &row = records->at(r);
        const auto cell = [&](const QString &column) {
            const qsizetype at = header.indexOf(column);
            return at >= 0 && at < row.size() ? row.at(at).trimmed() : QString();
        };
        if (row.join(QString()).trimmed().isEmpty())
            continue;
        const QString code = cell(kCode);
        const QString where = u"第 "_s + QString::number(r + 1) + u" 行（"_s +
                              (code.isEmpty() ? u"无代码"_s : code) + u"）："_s;
        std::optional<WatchItem> item = itemForCode(code);
        if (!item) {
            parsed.skipped.append(where + u"无法识别的股票代码"_s);
            continue;
        }
        if (!cell(kName).isEmpty())
            item->insert(u"name"_s, cell(kName));
        std::optional<Holding> holding;
        QString problem = WatchItemInput::holdingFromText(cell(kShares), cell(kCost), &holding);
        QList<PriceAlert> alerts;
        for (qsizetype k = 0; problem.isEmpty() && k < conditionColumns().size(); ++k)
            alerts += conditionsFromCell(Kind(k), cell(conditionColumns().at(k)), &problem);
        if (!problem.isEmpty()) {
            parsed.skipped.append(where + (problem.endsWith(u'。') ? problem.chopped(1) : problem));
            continue;
        }
        parsed.items.append(PriceAlert::withAlerts(Holding::withHolding(*item, holding), alerts));
    }
    return parsed;
}

std::optional<Parsed> parseJson(const QByteArray &bytes, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isArray()) {
        *error = u"JSON 文件须为自选股数组，与 watchlist.json 相同。"_s;
        return std::nullopt;
    }
    Parsed parsed;
    const QJsonArray array = document.array();
    for (qsizetype i = 0; i < array.size(); ++i) {
        const WatchItem entry = array.at(i).toObject();
        const QString code = entry.value(u"symbol"_s).toString();
        const QString where = u"第 "_s + QString::number(i + 1) + u" 项（"_s +
                              (code.isEmpty() ? u"无代码"_s : code) + u"）："_s;
        const std::optional<WatchItem> normal = itemForCode(code);
        if (!normal) {
            parsed.skipped.append(where + u"无法识别的股票代码"_s);
            continue;
        }
        // Every other key of the entry travels with it.
        WatchItem item = entry;
        item.insert(u"symbol"_s, normal->value(u"symbol"_s));
        if (!item.value(u"name"_s).isString() || item.value(u"name"_s).toString().isEmpty())
            item.insert(u"name"_s, normal->value(u"name"_s));
        if (!item.value(u"market"_s).isString())
            item.insert(u"market"_s, normal->value(u"market"_s));
        QString problem;
        if (item.contains(u"shares"_s) || item.contains(u"cost"_s)) {
            const std::optional<Holding> holding = Holding::fromItem(item);
            problem = holding ? WatchItemInput::checkHolding(*holding)
                              : u"持仓股数或成本价不是有效数字。"_s;
        }
        if (problem.isEmpty() && item.contains(u"priceAlerts"_s)) {
            const QJsonValue conditions = item.value(u"priceAlerts"_s);
            if (!conditions.isArray())
                problem = u"priceAlerts 须为数组。"_s;
            for (const QJsonValue &c : conditions.toArray()) {
                const std::optional<PriceAlert> alert = PriceAlert::fromJson(c.toObject());
                problem = alert ? WatchItemInput::checkPriceAlert(*alert)
                                : u"价格提醒的种类或数值无效。"_s;
                if (!problem.isEmpty())
                    break;
            }
        }
        if (!problem.isEmpty()) {
            parsed.skipped.append(where + problem.chopped(1));
            continue;
        }
        parsed.items.append(item);
    }
    return parsed;
}

} // namespace

Format formatForPath(const QString &path)
{
    return path.endsWith(u".json"_s, Qt::CaseInsensitive) ? Format::Json : Format::Csv;
}

QByteArray toJson(const QJsonArray &items)
{
    return QJsonDocument(items).toJson(QJsonDocument::Indented);
}

QByteArray toCsv(const QJsonArray &items)
{
    QStringList lines;
    lines.append(QStringList{kCode, kName, kShares, kCost}.join(u',') + u',' +
                 conditionColumns().join(u','));
    for (const QJsonValue &value : items) {
        if (!value.isObject())
            continue;
        const WatchItem item = value.toObject();
        const std::optional<Holding> holding = Holding::fromItem(item);
        const QList<PriceAlert> alerts = PriceAlert::listFromItem(item);
        QStringList fields{item.value(u"symbol"_s).toString(), item.value(u"name"_s).toString(),
                           holding ? numberText(holding->shares) : QString(),
                           holding && holding->cost ? numberText(*holding->cost) : QString()};
        for (qsizetype k = 0; k < conditionColumns().size(); ++k)
            fields.append(conditionCell(alerts, Kind(k)));
        for (QString &field : fields)
            field = csvField(field);
        lines.append(fields.join(u','));
    }
    return "\xEF\xBB\xBF" + (lines.join(u"\r\n"_s) + u"\r\n"_s).toUtf8();
}

std::optional<Parsed> parse(const QByteArray &bytes, Format format, QString *error)
{
    QString why;
    std::optional<Parsed> parsed;
    if (bytes.size() > kMaxFileBytes)
        why = u"文件过大，不像是自选列表。"_s;
    else if (format == Format::Json)
        parsed = parseJson(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes, &why);
    else
        parsed = parseCsv(decodeText(bytes), &why);
    if (parsed && parsed->items.isEmpty() && parsed->skipped.isEmpty()) {
        parsed.reset();
        why = u"文件中没有自选股。"_s;
    }
    if (!parsed && error)
        *error = why;
    return parsed;
}

Merge merge(const QJsonArray &existing, const Parsed &imported)
{
    Merge result;
    result.items = existing;
    result.skipped = imported.skipped;
    QHash<QString, qsizetype> stored;
    for (qsizetype i = 0; i < existing.size(); ++i) {
        const QString symbol = existing.at(i).toObject().value(u"symbol"_s).toString();
        if (!symbol.isEmpty() && !stored.contains(symbol))
            stored.insert(symbol, i);
    }
    QSet<QString> seen;
    for (const WatchItem &item : imported.items) {
        const QString symbol = item.value(u"symbol"_s).toString();
        const QString name = displayName(item);
        if (seen.contains(symbol)) {
            result.skipped.append(name + u"：文件中重复出现，只取第一次"_s);
            continue;
        }
        seen.insert(symbol);
        const auto at = stored.constFind(symbol);
        if (at == stored.cend()) {
            result.items.append(item);
            result.added.append(name);
            continue;
        }
        const WatchItem before = result.items.at(*at).toObject();
        WatchItem after = before;
        if (std::optional<Holding> holding = Holding::fromItem(item)) {
            // A file without a cost says nothing about it: the stored one stays.
            if (!holding->cost)
                if (const std::optional<Holding> held = Holding::fromItem(before))
                    holding->cost = held->cost;
            after = Holding::withHolding(after, holding);
        }
        if (const QList<PriceAlert> alerts = PriceAlert::listFromItem(item); !alerts.isEmpty())
            after = PriceAlert::withAlerts(after, alerts);
        if (after == before) {
            result.skipped.append(displayName(before) + u"：已在自选列表中，没有新的持仓或提醒"_s);
            continue;
        }
        result.items[*at] = after;
        result.updated.append(displayName(before));
    }
    return result;
}

QString Merge::summary() const
{
    QString text = u"导入完成：新增 "_s + QString::number(added.size()) + u" 只，更新 "_s +
                   QString::number(updated.size()) + u" 只，跳过 "_s +
                   QString::number(skipped.size()) + u" 只。"_s;
    for (const QString &line : skipped)
        text += u"\n跳过 "_s + line;
    return text;
}

} // namespace WatchlistTransfer
