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
    void lockContentDecidesRecovery_data();
    void lockContentDecidesRecovery();
};

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
        QCOMPARE(second.holderPid(), QCoreApplication::applicationPid());
    }
    SingleInstance third(dir.path());
    QVERIFY(third.acquire());
}

void tst_SingleInstance::lockContentDecidesRecovery_data()
{
    // "%gone" is a process that has ended, "%other" one alive that is not Kestrum.
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
}

void tst_SingleInstance::lockContentDecidesRecovery()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, heldByLiveInstance);
    QFETCH(bool, recovered);

    QTemporaryDir dir;
    QProcess gone;
    gone.start(u"true"_s, {});
    QVERIFY(gone.waitForFinished(5000));
    QProcess other;
    other.start(u"sleep"_s, {u"60"_s});
    QVERIFY(other.waitForStarted(5000));
    content.replace("%gone", QByteArray::number(gone.processId() > 0 ? gone.processId() : 999999));
    content.replace("%other", QByteArray::number(other.processId()));

    SingleInstance live(dir.path());
    if (heldByLiveInstance)
        QVERIFY(live.acquire());
    QFile lock(live.lockFilePath());
    QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(lock.write(content), content.size());
    lock.close();

    SingleInstance next(dir.path());
    const bool acquired = next.acquire();
    other.kill();
    other.waitForFinished(5000);
    QCOMPARE(acquired, recovered);
}

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
