// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include "PrivateSessionBus.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class tst_SingleInstance : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lockContentDecidesRecovery_data();
    void lockContentDecidesRecovery();
    void laterLaunchesReachTheRunningOne();
};

void tst_SingleInstance::lockContentDecidesRecovery_data()
{
    // "%gone" is a process that has ended, "%other" one alive that is not Kestrum; "%live" is
    // the live instance's own lock, written hours ago.
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("heldByLiveInstance");
    QTest::addColumn<bool>("recovered");

    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    QTest::newRow("crashed run") << "%gone\ntst_singleinstance\n" + host + '\n' << false << true;
    QTest::newRow("recycled id") << "%other\nkestrum\n" + host + '\n' << false << true;
    QTest::newRow("empty") << QByteArray() << false << true;
    QTest::newRow("garbage") << QByteArray("\xff\x00zz\n\n", 6) << false << true;
    QTest::newRow("negative id") << "-1\nkestrum\n" + host + '\n' << false << true;
    QTest::newRow("garbage over a live instance's lock") << QByteArray("zz") << true << false;
    QTest::newRow("a live instance's old lock") << QByteArray("%live") << true << false;
}

void tst_SingleInstance::lockContentDecidesRecovery()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, heldByLiveInstance);
    QFETCH(bool, recovered);

    QTemporaryDir dir;
    QProcess gone;
    gone.start(u"true"_s, {});
    QVERIFY(gone.waitForFinished(TestSupport::kPatienceMs));
    QProcess other;
    other.start(u"sleep"_s, {u"60"_s});
    QVERIFY(other.waitForStarted(TestSupport::kPatienceMs));
    content.replace("%gone", QByteArray::number(gone.processId() > 0 ? gone.processId() : 999999));
    content.replace("%other", QByteArray::number(other.processId()));

    auto live = std::make_unique<SingleInstance>(dir.path());
    if (heldByLiveInstance)
        QVERIFY(live->acquire() && live->acquire());
    QFile lock(live->lockFilePath());
    if (content == "%live") {
        QVERIFY(lock.open(QIODevice::ReadWrite));
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-6 * 3600),
                                 QFileDevice::FileModificationTime));
    } else {
        QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(lock.write(content), content.size());
    }
    lock.close();

    SingleInstance next(dir.path());
    const bool acquired = next.acquire();
    other.kill();
    other.waitForFinished(TestSupport::kPatienceMs);
    QCOMPARE(acquired, recovered);
    if (content == "%live")
        QCOMPARE(next.holderPid(), QCoreApplication::applicationPid());
    // Once the holder has gone, the next launch takes the lock.
    live.reset();
    QVERIFY(recovered || SingleInstance(dir.path()).acquire());
}

void tst_SingleInstance::laterLaunchesReachTheRunningOne()
{
    PrivateSessionBus bus;
    QVERIFY2(bus.isRunning(), qPrintable(bus.errorString()));
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, bus.address());
    env.insert(u"KESTRUM_DATA_DIR"_s, home.filePath(u"data"_s));
    env.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u"config"_s));
    env.insert(u"XDG_RUNTIME_DIR"_s, home.path());
    env.insert(u"QT_LOGGING_RULES"_s, u"kestrum.panel.debug=true"_s);
    const auto launch = [&env](QProcess &process) {
        process.setProcessEnvironment(env);
        process.start(TestSupport::buildPath(u"src/kestrum"_s), {});
    };

    QProcess first;
    launch(first);
    const QDBusConnection observer = bus.connect();
    QVERIFY(TestSupport::waitFor(
        [&] {
            return observer.interface()->isServiceRegistered(u"com.orvell.kestrum"_s).value() ||
                   first.state() == QProcess::NotRunning;
        },
        60000));
    QCOMPARE(first.state(), QProcess::Running);
    const qint64 firstPid = first.processId();

    // Another launch asks the running one to show itself and exits 0.
    QProcess second;
    launch(second);
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(second.exitCode(), 0);
    QByteArray firstLog;
    QVERIFY(TestSupport::waitFor(
        [&] {
            firstLog += first.readAllStandardError();
            return firstLog.contains("a later launch asks to show Kestrum");
        },
        30000));

    // Without a session bus the lock tells, and the launch says why it ends.
    env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path="_s + home.filePath(u"no-bus"_s));
    QProcess third;
    launch(third);
    QVERIFY(third.waitForFinished(60000));
    const QByteArray thirdLog = third.readAllStandardError();
    first.terminate();
    first.waitForFinished(TestSupport::kPatienceMs);
    QCOMPARE(third.exitCode(), 0);
    QVERIFY2(thirdLog.contains(
                 QByteArray("already running (process " + QByteArray::number(firstPid) + ')')),
             thirdLog.constData());
}

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
