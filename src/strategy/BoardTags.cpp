// SPDX-License-Identifier: GPL-3.0-or-later
#include "strategy/BoardTags.h"

#include "market/Eastmoney.h"
#include "model/Formatters.h"
#include "model/Symbol.h"
#include "strategy/StrategyStore.h"

#include <QPointer>

using namespace Qt::StringLiterals;

namespace {

struct KeywordRow
{
    QStringList keywords;
    QStringList tags;
};

// Tried top to bottom; the first row with any keyword in the name wins.
const QList<KeywordRow> &keywordTable()
{
    static const QList<KeywordRow> rows = {
        {{u"变压"_s, u"电工"_s, u"电气"_s, u"电力"_s, u"电缆"_s, u"电网"_s, u"输变"_s, u"光伏"_s,
          u"风电"_s, u"储能"_s, u"新能"_s},
         {u"电力设备"_s, u"输变电"_s}},
        {{u"通信"_s, u"通讯"_s, u"互联"_s, u"网络"_s, u"信通"_s}, {u"通信"_s, u"通信设备"_s}},
        {{u"光电"_s, u"显示"_s, u"面板"_s, u"光学"_s}, {u"光学光电子"_s, u"显示面板"_s}},
        {{u"半导体"_s, u"芯"_s, u"微"_s, u"电路"_s, u"集成"_s}, {u"半导体"_s, u"芯片"_s}},
        {{u"电子"_s, u"元件"_s, u"电容"_s, u"电阻"_s, u"磁"_s}, {u"电子元件"_s, u"被动元件"_s}},
        {{u"汽车"_s, u"汽配"_s, u"车"_s, u"传动"_s, u"轮胎"_s}, {u"汽车零部件"_s, u"汽车产业链"_s}},
        {{u"机械"_s, u"机电"_s, u"精工"_s, u"轴承"_s, u"机器人"_s, u"智能"_s, u"装备"_s},
         {u"机械设备"_s, u"专用设备"_s}},
        {{u"药"_s, u"医"_s, u"生物"_s, u"健康"_s, u"医疗"_s}, {u"医药生物"_s, u"医疗健康"_s}},
        {{u"铝"_s, u"铜"_s, u"锂"_s, u"钴"_s, u"镍"_s, u"稀土"_s, u"矿"_s, u"金属"_s},
         {u"有色金属"_s, u"资源材料"_s}},
        {{u"钢"_s, u"煤"_s, u"石油"_s, u"燃气"_s, u"能源"_s}, {u"周期资源"_s, u"能源"_s}},
        {{u"化工"_s, u"化学"_s, u"新材"_s, u"材料"_s, u"复材"_s}, {u"基础化工"_s, u"新材料"_s}},
        {{u"传媒"_s, u"文化"_s, u"教育"_s, u"游戏"_s, u"影视"_s}, {u"文化传媒"_s, u"内容服务"_s}},
        {{u"建筑"_s, u"建设"_s, u"装饰"_s, u"设计"_s, u"筑"_s}, {u"建筑装饰"_s, u"工程服务"_s}},
        {{u"环保"_s, u"水务"_s, u"节能"_s}, {u"环保"_s, u"公用事业"_s}},
        {{u"食品"_s, u"饮"_s, u"酒"_s, u"乳"_s, u"农业"_s, u"种业"_s}, {u"消费"_s, u"食品农业"_s}},
    };
    return rows;
}

} // namespace

BoardTags::BoardTags(const StrategyStore &store, BoardTagFetcher fetcher, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_fetcher(std::move(fetcher))
    , m_file(store.boardMapURL(), [](const QJsonDocument &document) { return document.isObject(); })
{}

QJsonObject BoardTags::defaultBoardMap()
{
    return QJsonObject{
        {u"sh600089"_s, QJsonArray{u"电力设备"_s, u"输变电"_s}},
        {u"sh600206"_s, QJsonArray{u"有色金属"_s, u"稀土"_s}},
        {u"sh600707"_s, QJsonArray{u"光学光电子"_s, u"面板"_s}},
        {u"sh603466"_s, QJsonArray{u"文化传媒"_s, u"空间展示"_s}},
        {u"sz000636"_s, QJsonArray{u"电子元件"_s, u"被动元件"_s}},
        {u"sz002112"_s, QJsonArray{u"电力设备"_s, u"变压器"_s}},
        {u"sz002491"_s, QJsonArray{u"通信"_s, u"光通信"_s}},
        {u"sz002931"_s, QJsonArray{u"汽车零部件"_s, u"精密传动"_s}},
    };
}

bool BoardTags::loadBoardMap()
{
    JsonFile::KeptAside kept;
    const std::optional<QJsonDocument> loaded = m_file.load(&kept);
    reportKeptAside(kept);
    m_onDisk = loaded ? loaded->object() : QJsonObject();
    bool changed = false;
    if (!m_onDisk.isEmpty()) {
        m_map = m_onDisk;
    } else {
        m_map = defaultBoardMap();
        changed = true;
    }
    const QJsonObject defaults = defaultBoardMap();
    for (auto it = defaults.begin(); it != defaults.end(); ++it) {
        if (!m_map.contains(it.key())) {
            m_map.insert(it.key(), it.value());
            changed = true;
        }
    }
    return changed;
}

void BoardTags::mergeChangesOnDisk()
{
    if (!m_file.hasChangedOnDisk())
        return;
    const std::optional<QJsonDocument> document = m_file.readChanged();
    if (!document)
        return; // unreadable (kept aside before the next write) or gone (written anew)
    const QJsonObject disk = document->object();
    for (auto it = m_onDisk.begin(); it != m_onDisk.end(); ++it) {
        if (!disk.contains(it.key()))
            m_map.remove(it.key());
    }
    for (auto it = disk.begin(); it != disk.end(); ++it)
        m_map.insert(it.key(), it.value());
    m_onDisk = disk;
}

bool BoardTags::saveBoardMap()
{
    mergeChangesOnDisk();
    m_store.ensureStrategyDirectory();
    JsonFile::KeptAside kept;
    const bool written = m_file.write(QJsonDocument(m_map), &kept);
    reportKeptAside(kept);
    if (written)
        m_onDisk = m_map;
    return written;
}

void BoardTags::reportKeptAside(const JsonFile::KeptAside &kept)
{
    if (kept.unreadable)
        Q_EMIT unreadableFileFound(kept.copyPath);
}

QStringList BoardTags::catalogIndustryTagsForSymbol(const QString &symbol) const
{
    const QString lower = symbol.toLower();
    if (lower.isEmpty())
        return {};
    const QJsonArray items = m_store.config().catalogItems();
    for (const QJsonValue &value : items) {
        if (!value.isObject())
            continue;
        const QJsonObject item = value.toObject();
        const QJsonValue itemSymbol = item.value(u"symbol"_s);
        if (!itemSymbol.isString() || itemSymbol.toString().toLower() != lower)
            continue;
        const QString industry = item.value(u"industry"_s).toString().trimmed();
        return industry.isEmpty() ? QStringList() : QStringList{industry};
    }
    return {};
}

QStringList BoardTags::heuristicBoardTagsForName(const QString &name, const QString &symbol)
{
    Q_UNUSED(symbol); // the keywords read the name only
    if (name.isEmpty())
        return {};
    for (const KeywordRow &row : keywordTable()) {
        for (const QString &keyword : row.keywords) {
            if (name.contains(keyword))
                return row.tags;
        }
    }
    return {};
}

QStringList BoardTags::inferredBoardTagsForSymbol(const QString &symbol, const QString &name) const
{
    Q_UNUSED(name); // the name only serves the keyword table after a lookup
    const QString lower = symbol.toLower();
    const std::optional<Symbol> s = Symbol::fromStored(lower);
    if (!s || !s->isAShare())
        return {marketBadgeForSymbol(lower)};
    const QJsonValue known = defaultBoardMap().value(lower);
    if (known.isArray() && !known.toArray().isEmpty())
        return known.toVariant().toStringList();
    return catalogIndustryTagsForSymbol(lower);
}

bool BoardTags::hasUsableBoardTagsForSymbol(const QString &symbol) const
{
    const QJsonValue value = m_map.value(symbol.toLower());
    if (!value.isArray())
        return false;
    const QJsonArray tags = value.toArray();
    for (const QJsonValue &tag : tags) {
        if (tag.isString() && !tag.toString().trimmed().isEmpty())
            return true;
    }
    return false;
}

void BoardTags::storeTags(const QString &symbol, const QStringList &tags)
{
    m_map.insert(symbol, QJsonArray::fromStringList(tags));
}

void BoardTags::requestExternalBoardTagsForSymbol(const QString &symbol, const QString &name)
{
    const QString lower = symbol.toLower();
    if (lower.isEmpty() || hasUsableBoardTagsForSymbol(lower) || m_inFlight.contains(lower))
        return;
    m_inFlight.insert(lower);

    QPointer<BoardTags> self(this);
    auto completion = [self, lower, name](const QStringList &fetched) {
        if (!self)
            return;
        self->m_inFlight.remove(lower);
        if (self->hasUsableBoardTagsForSymbol(lower))
            return;
        // Whoever fetched them, only usable tags: trimmed, no blanks or repeats, at most two.
        QStringList tags = eastmoney::compactBoardTags(fetched);
        if (tags.isEmpty())
            tags = heuristicBoardTagsForName(name, lower);
        if (tags.isEmpty())
            return; // asked again at the next fill
        self->storeTags(lower, tags);
        self->saveBoardMap();
        Q_EMIT self->boardTagsChanged(lower);
    };
    if (m_fetcher)
        m_fetcher(lower, std::move(completion));
    else
        completion({});
}

void BoardTags::ensureBoardTagsForWatchItems(const QJsonArray &items)
{
    mergeChangesOnDisk(); // a symbol the user tagged by hand needs no lookup
    bool changed = false;
    QStringList stored;
    for (const QJsonValue &value : items) {
        if (!value.isObject())
            continue;
        const QJsonObject item = value.toObject();
        const QJsonValue symbolValue = item.value(u"symbol"_s);
        const QJsonValue nameValue = item.value(u"name"_s);
        const QString symbol =
            symbolValue.isString() ? symbolValue.toString().toLower() : QString();
        const QString name = nameValue.isString() ? nameValue.toString() : QString();
        // No tags are looked up or stored for a hand-edited entry that is no symbol.
        if (!Symbol::isStoredForm(symbol) || hasUsableBoardTagsForSymbol(symbol))
            continue;
        const QStringList inferred = inferredBoardTagsForSymbol(symbol, name);
        if (!inferred.isEmpty()) {
            storeTags(symbol, inferred);
            stored.append(symbol);
            changed = true;
        } else {
            requestExternalBoardTagsForSymbol(symbol, name);
        }
    }
    if (changed)
        saveBoardMap();
    for (const QString &symbol : std::as_const(stored))
        Q_EMIT boardTagsChanged(symbol);
}

void BoardTags::ensureBoardTagsForWatchItems(const QList<WatchItem> &items)
{
    QJsonArray array;
    for (const WatchItem &item : items)
        array.append(item);
    ensureBoardTagsForWatchItems(array);
}

QStringList BoardTags::boardTagsForQuote(const Quote &quote) const
{
    const QJsonValue value = m_map.value(quote.symbol.toLower());
    QStringList tags;
    if (!value.isArray())
        return tags;
    const QJsonArray array = value.toArray();
    for (const QJsonValue &tag : array) {
        if (tag.isString())
            tags.append(tag.toString());
    }
    return tags;
}

QString BoardTags::boardTagDisplayForQuote(const Quote &quote) const
{
    QStringList shown;
    for (const QString &tag : boardTagsForQuote(quote)) {
        const QString trimmed = tag.trimmed();
        if (!trimmed.isEmpty())
            shown.append(trimmed);
    }
    return shown.isEmpty() ? u"板块待补"_s : shown.join(u" / "_s);
}
