// A body that never ends, from a simulator in a process of its own so that nothing paces it
// but the client: Kestrum reads no more than its size cap allows, and its peak resident
// memory shows it.
#include "net/HttpClient.h"

#include "TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QTest>

#include <sys/resource.h>

using namespace Qt::StringLiterals;
using namespace TestSupport;

class tst_ReplyMemory : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void endlessBodyStaysNearTheCap();
};

void tst_ReplyMemory::endlessBodyStaysNearTheCap()
{
    // Both share one trading moment, so the refresh asks for everything it would in trading.
    const QString clock =
        QString::number(QDateTime::currentMSecsSinceEpoch()) + u",2026-04-28T10:30:00+08:00,1"_s;
    QProcess sim;
    sim.start(buildPath(u"src/kestrum-sim"_s), {u"--port"_s, u"0"_s, u"--clock"_s, clock});
    QVERIFY(waitFor([&] { return sim.canReadLine() || sim.state() == QProcess::NotRunning; }));
    const QByteArray line = sim.readLine().trimmed();
    const QUrl base(QString::fromUtf8(line.mid(line.lastIndexOf(' ') + 1)));
    QVERIFY2(base.port() > 0, line.constData());
    const auto cleanup = qScopeGuard([&] {
        sim.kill();
        sim.waitForFinished(kPatienceMs);
    });

    QTemporaryDir home;
    QVERIFY(QDir(home.path()).mkpath(u"data"_s));
    QFile watchlist(home.filePath(u"data/watchlist.json"_s));
    QVERIFY(watchlist.open(QIODevice::WriteOnly));
    watchlist.write(R"([{"symbol":"sh600519"},{"symbol":"hk00700"},{"symbol":"gb_aapl"}])");
    watchlist.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"KESTRUM_DATA_DIR"_s, home.filePath(u"data"_s));
    env.insert(u"KESTRUM_MARKET_URL"_s, base.toString());
    env.insert(u"KESTRUM_CLOCK"_s, clock);
    env.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u"config"_s));
    // `kestrum --once`'s peak resident memory (of all children waited for, in KiB) and status.
    const auto runOnce = [&env]() -> std::pair<qint64, int> {
        QProcess kestrum;
        kestrum.setProcessEnvironment(env);
        kestrum.setStandardOutputFile(QProcess::nullDevice());
        kestrum.start(buildPath(u"src/kestrum"_s), {u"--once"_s, u"--json"_s});
        // Its own bound is 30 s; this one is only reached if that one is broken.
        if (!kestrum.waitForFinished(4 * kPatienceMs))
            return {0, -1};
        rusage usage{};
        getrusage(RUSAGE_CHILDREN, &usage);
        return {usage.ru_maxrss,
                kestrum.exitStatus() == QProcess::NormalExit ? kestrum.exitCode() : -1};
    };

    // What a run takes when every answer is whole: the yardstick.
    const auto [baselineKiB, whole] = runOnce();
    QCOMPARE(whole, 0);

    // The realtime feed never stops sending: the refresh fails at the size cap (4 MiB, exit
    // status 3), and the network layer holds no more than its bounded read buffer meanwhile.
    // Unbounded, it took in hundreds of MiB before the cap was seen.
    HttpClient http;
    HttpRequest fault;
    fault.url = base.resolved(QUrl(u"/_sim/fault?route=realtime&endless=1"_s));
    const auto set = awaitCompletion<HttpResponse>(
        [&](auto done) { http.send(fault, nullptr, std::move(done)); });
    QVERIFY(set && set->ok());
    const auto [peakKiB, failed] = runOnce();
    QCOMPARE(failed, 3);
    QVERIFY2(peakKiB - baselineKiB < 32 * 1024,
             qPrintable(u"%1 KiB over %2 KiB"_s.arg(peakKiB - baselineKiB).arg(baselineKiB)));
}

QTEST_GUILESS_MAIN(tst_ReplyMemory)
#include "tst_replymemory.moc"
