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
    void secondInstanceIsRefused();
    void oldLockOfLiveHolderIsNeverTaken();
    void lockOfCrashedRunIsRecovered();
    void lockOfRecycledProcessIdIsRecovered();
    void releasedLockCanBeTaken();

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

void tst_SingleInstance::secondInstanceIsRefused()
{
    QTemporaryDir dir;
    SingleInstance first(dir.path());
    QVERIFY(first.acquire());
    QVERIFY(first.acquire());
    SingleInstance second(dir.path());
    QVERIFY(!second.acquire());
    QVERIFY(QFile::exists(first.lockFilePath()));
}

void tst_SingleInstance::oldLockOfLiveHolderIsNeverTaken()
{
    QTemporaryDir dir;
    SingleInstance first(dir.path());
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

void tst_SingleInstance::lockOfCrashedRunIsRecovered()
{
    QTemporaryDir dir;
    QProcess gone;
    gone.start(u"true"_s, {});
    QVERIFY(gone.waitForFinished(5000));
    const qint64 deadPid = gone.processId() > 0 ? gone.processId() : 999999;
    SingleInstance probe(dir.path());
    writeLock(probe.lockFilePath(), deadPid == 0 ? 999999 : deadPid,
              QCoreApplication::applicationName());
    SingleInstance next(dir.path());
    QVERIFY(next.acquire());
}

void tst_SingleInstance::lockOfRecycledProcessIdIsRecovered()
{
    QTemporaryDir dir;
    // The process id is alive, but it is not Kestrum: the lock was left by a crash.
    QProcess other;
    other.start(u"sleep"_s, {u"30"_s});
    QVERIFY(other.waitForStarted(5000));
    SingleInstance probe(dir.path());
    writeLock(probe.lockFilePath(), other.processId(), u"kestrum"_s);
    SingleInstance next(dir.path());
    const bool acquired = next.acquire();
    other.kill();
    other.waitForFinished(5000);
    QVERIFY(acquired);
}

void tst_SingleInstance::releasedLockCanBeTaken()
{
    QTemporaryDir dir;
    {
        SingleInstance first(dir.path());
        QVERIFY(first.acquire());
    }
    SingleInstance second(dir.path());
    QVERIFY(second.acquire());
}

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
