// A body that never ends, from a simulator in a process of its own so that nothing paces it
// but the client: Kestrum reads no more than its size cap allows, and its peak resident
// memory shows it.
#include "net/HttpClient.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QUrlQuery>

#include <sys/resource.h>

using namespace Qt::StringLiterals;
using namespace TestSupport;

class tst_ReplyMemory : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void endlessBodyStaysNearTheCap();

private:
    // Runs `kestrum --once --json` against the simulator; empty when it ended as expected.
    QString runOnce(int expectedExit);

    QProcess m_sim;
    QUrl m_base;
    QString m_clock;
    QTemporaryDir m_dir;
};

// The largest resident set of any child this process has waited for, in KiB.
static qint64 peakOfChildrenKiB()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss;
}

void tst_ReplyMemory::initTestCase()
{
    // Both share one trading moment, so the refresh asks for everything it would in trading.
    m_clock =
        QString::number(QDateTime::currentMSecsSinceEpoch()) + u",2026-04-28T10:30:00+08:00,1"_s;
    m_sim.start(buildPath(u"src/kestrum-sim"_s), {u"--port"_s, u"0"_s, u"--clock"_s, m_clock});
    QVERIFY(waitFor([&] { return m_sim.canReadLine() || m_sim.state() == QProcess::NotRunning; }));
    const QByteArray line = m_sim.readLine().trimmed();
    m_base = QUrl(QString::fromUtf8(line.mid(line.lastIndexOf(' ') + 1)));
    QVERIFY2(m_base.port() > 0, line.constData());
}

void tst_ReplyMemory::cleanupTestCase()
{
    m_sim.kill();
    m_sim.waitForFinished(kPatienceMs);
}

QString tst_ReplyMemory::runOnce(int expectedExit)
{
    const QString data = m_dir.filePath(u"data"_s);
    QDir(data).removeRecursively();
    QDir().mkpath(data);
    QFile watchlist(data + u"/watchlist.json"_s);
    if (!watchlist.open(QIODevice::WriteOnly) ||
        watchlist.write(R"([{"symbol":"sh600519"},{"symbol":"hk00700"},{"symbol":"gb_aapl"}])") < 0)
        return u"cannot write the watchlist"_s;
    watchlist.close();

    QProcess kestrum;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"KESTRUM_DATA_DIR"_s, data);
    env.insert(u"KESTRUM_MARKET_URL"_s, m_base.toString());
    env.insert(u"KESTRUM_CLOCK"_s, m_clock);
    env.insert(u"XDG_CONFIG_HOME"_s, m_dir.filePath(u"config"_s));
    kestrum.setProcessEnvironment(env);
    kestrum.setStandardOutputFile(QProcess::nullDevice());
    kestrum.start(buildPath(u"src/kestrum"_s), {u"--once"_s, u"--json"_s});
    // Its own bound is 30 s; this one is only reached if that one is broken.
    if (!waitFor([&] { return kestrum.state() == QProcess::NotRunning; }, 4 * kPatienceMs)) {
        kestrum.kill();
        kestrum.waitForFinished(kPatienceMs);
        return u"kestrum --once did not finish"_s;
    }
    if (kestrum.exitStatus() != QProcess::NormalExit || kestrum.exitCode() != expectedExit)
        return u"kestrum --once ended with %1: "_s.arg(kestrum.exitCode()) +
               QString::fromLocal8Bit(kestrum.readAllStandardError());
    return QString();
}

void tst_ReplyMemory::endlessBodyStaysNearTheCap()
{
    // What a run takes when every answer is whole: the yardstick.
    QString problem = runOnce(0);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    const qint64 baselineKiB = peakOfChildrenKiB();

    // The realtime feed never stops sending: the refresh fails at the size cap (4 MiB, exit
    // status 3), and the network layer holds no more than its bounded read buffer meanwhile.
    // Unbounded, it took in hundreds of MiB before the cap was seen.
    HttpClient http;
    HttpRequest fault;
    fault.url = m_base.resolved(QUrl(u"/_sim/fault?route=realtime&endless=1"_s));
    const auto set = awaitCompletion<HttpResponse>(
        [&](auto done) { http.send(fault, nullptr, std::move(done)); });
    QVERIFY(set && set->ok());
    problem = runOnce(3);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    const qint64 growthKiB = peakOfChildrenKiB() - baselineKiB;
    QVERIFY2(growthKiB < 32 * 1024,
             qPrintable(u"%1 KiB over %2 KiB"_s.arg(growthKiB).arg(baselineKiB)));
}

QTEST_GUILESS_MAIN(tst_ReplyMemory)
#include "tst_replymemory.moc"
