// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// Where each market-data provider lives. The defaults are the public services; the
// environment (KESTRUM_*_URL, KESTRUM_MARKET_URL for all at once) points them elsewhere,
// which is how the demo and the tests reach the simulated market.
struct Endpoints
{
    QUrl sina;
    QUrl eastmoneySearch;
    QUrl eastmoneyPush;
    QUrl eastmoneyHistory;
    QUrl eastmoneyF10;
    QUrl tencent;
    QUrl yahoo;

    // Public access values the Eastmoney services expect with their queries.
    QString eastmoneySuggestToken = QStringLiteral("D43BF722C8E33BDC906FB84D85E326E8");
    QString eastmoneyTrendsUT = QStringLiteral("fa5fd1943c7b386f172d6893dbfba10b");

    static Endpoints publicServices();
    // Every provider on one base URL (the simulator serves all routes on one port).
    static Endpoints allAt(const QUrl &base);
    // The public services with the environment's overrides applied.
    static Endpoints fromEnvironment();

    // Each provider's own site, sent as Referer: the services refuse requests without one.
    static QByteArray sinaReferer() { return QByteArrayLiteral("https://finance.sina.com.cn/"); }
    static QByteArray eastmoneyReferer()
    {
        return QByteArrayLiteral("https://quote.eastmoney.com/");
    }
    static QByteArray tencentReferer() { return QByteArrayLiteral("https://gu.qq.com/"); }
    static QByteArray yahooReferer() { return QByteArrayLiteral("https://finance.yahoo.com/"); }
    static QByteArray userAgent() { return QByteArrayLiteral("Mozilla/5.0 Kestrum by Orvell"); }

    // base + path, keeping any path the base already carries.
    static QUrl join(const QUrl &base, const QString &path);
};
