// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_SingleInstance : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void secondInstanceIsRefusedUntilReleased();
    void lockOfCrashedRunIsRecovered();

private:
    static void writeLock(const QString &path, qint64 pid, const QString &app);
};

void tst_SingleInstance::writeLock(const QString &path, qint64 pid, const QString &app)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray::number(pid) + '\n' + app.toUtf8() + '\n' +
            QSysInfo::machineHostName().toUtf8() + '\n');
}

void tst_SingleInstance::secondInstanceIsRefusedUntilReleased()
{
    QTemporaryDir dir;
    {
        SingleInstance first(dir.path());
        QVERIFY(first.acquire());
        QVERIFY(first.acquire());
        // A lock written hours ago by a process that still runs stays its own.
        QFile lock(first.lockFilePath());
        QVERIFY(lock.open(QIODevice::ReadWrite));
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-6 * 3600),
                                 QFileDevice::FileModificationTime));
        lock.close();
        SingleInstance second(dir.path());
        QVERIFY(!second.acquire());
    }
    SingleInstance third(dir.path());
    QVERIFY(third.acquire());
}

void tst_SingleInstance::lockOfCrashedRunIsRecovered()
{
    // A process id that is gone, and one alive but not Kestrum: both locks were left by a crash.
    QTemporaryDir dir;
    QProcess gone;
    gone.start(u"true"_s, {});
    QVERIFY(gone.waitForFinished(5000));
    SingleInstance probe(dir.path());
    writeLock(probe.lockFilePath(), gone.processId() > 0 ? gone.processId() : 999999,
              QCoreApplication::applicationName());
    {
        SingleInstance next(dir.path());
        QVERIFY(next.acquire());
    }
    QProcess other;
    other.start(u"sleep"_s, {u"30"_s});
    QVERIFY(other.waitForStarted(5000));
    writeLock(probe.lockFilePath(), other.processId(), u"kestrum"_s);
    SingleInstance next(dir.path());
    const bool acquired = next.acquire();
    other.kill();
    other.waitForFinished(5000);
    QVERIFY(acquired);
}

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
