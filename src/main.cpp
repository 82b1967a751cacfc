// Kestrum: one realtime fetch of the watchlist, printed as the tray title would show it.
#include "config/ConfigStore.h"
#include "market/SinaClient.h"
#include "model/Clock.h"
#include "model/Formatters.h"
#include "net/Endpoints.h"
#include "net/HttpClient.h"

#include <QApplication>
#include <QJsonObject>
#include <QTextStream>

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(u"Orvell"_s);
    QCoreApplication::setApplicationName(u"Kestrum"_s);

    ConfigStore store;
    SystemClock clock;
    HttpClient http;
    SinaClient client(http, Endpoints::fromEnvironment(), clock);

    QStringList symbols;
    for (const QJsonValue &item : store.loadWatchlist()) {
        const QString symbol = item.toObject().value(u"symbol"_s).toString();
        if (!symbol.isEmpty())
            symbols.append(symbol);
    }
    client.fetchSymbols(symbols, [&](const QList<Quote> &quotes) {
        QTextStream out(stdout);
        for (const Quote &quote : quotes)
            out << titleForQuote(quote) << '\n';
        if (quotes.isEmpty())
            out << (symbols.isEmpty() ? u"未添加自选股"_s : u"网络异常，显示上次行情"_s) << '\n';
        QCoreApplication::quit();
    });
    return symbols.isEmpty() ? 0 : app.exec();
}
