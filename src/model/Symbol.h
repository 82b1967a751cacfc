// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The market a symbol is listed in; its stored prefix says which (sh, sz, bj, hk, gb_).
enum class Market
{
    Shanghai,
    Shenzhen,
    Beijing,
    HongKong,
    US
};

// A symbol in its stored form (the watchlist's and the Sina feed's: "sh600519", "hk00700",
// "gb_brk_b") together with every other form a provider or a surface needs. Only text in
// that exact form makes one, so no other text is ever offered, stored, requested or put in
// a URL.
class Symbol
{
public:
    // sh, sz or bj + 6 digits, hk + 5 digits, gb_ + a lower-case ticker (a letter, then at
    // most nine letters, digits, "_" or "."); none for anything else.
    static std::optional<Symbol> fromStored(const QString &text);
    static bool isStoredForm(const QString &text) { return fromStored(text).has_value(); }
    // The market of a symbol written in any case; none for text that is no symbol.
    static std::optional<Market> marketOf(const QString &text);

    const QString &stored() const { return m_stored; }
    Market market() const { return m_market; }
    // The exchange's code without the prefix: "600519", "00700", "brk_b".
    QStringView code() const;
    bool isAShare() const { return m_market != Market::HongKong && m_market != Market::US; }
    // The boards with an index of their own: the STAR market (sh68…) and ChiNext (sz30…).
    bool isStarMarket() const { return m_market == Market::Shanghai && code().startsWith(u"68"); }
    bool isChiNext() const { return m_market == Market::Shenzhen && code().startsWith(u"30"); }

    // The form in Sina's realtime list: the stored one.
    const QString &sinaForm() const { return m_stored; }
    // Eastmoney's security id ("1.600519", "0.000001"); A-shares only.
    std::optional<QString> eastmoneySecId() const;
    // Eastmoney's F10 pages' code ("SH600519"); A-shares only.
    std::optional<QString> eastmoneyF10Code() const;
    // Tencent's minute query code (the stored form); A-shares and Hong Kong.
    std::optional<QString> tencentCode() const;
    // Yahoo's chart symbol ("700.HK" kept at four digits: "0700.HK", "BRK-B"); Hong Kong and US.
    std::optional<QString> yahooSymbol() const;
    // What a name-less entry shows: the ticker for US stocks, else the upper-cased symbol.
    QString displayForm() const;
    // 沪市, 深市, 北交, 港股 or 美股.
    QString marketBadge() const;
    // Shares per unit of the Chinese services' volumes: lots of 100 for A-shares, else 1.
    double volumeUnit() const { return isAShare() ? 100.0 : 1.0; }

    bool operator==(const Symbol &other) const { return m_stored == other.m_stored; }

private:
    Symbol(QString stored, Market market)
        : m_stored(std::move(stored))
        , m_market(market)
    {}

    QString m_stored;
    Market m_market;
};
