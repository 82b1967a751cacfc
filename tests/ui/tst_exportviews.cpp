// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ExportRequest.h"

#include "TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A fingerprint of every file below a directory, to prove nothing was touched.
QByteArray treeHash(const QString &root)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    files.sort();
    for (const QString &path : files) {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        hash.addData(path.toUtf8());
        hash.addData(f.readAll());
    }
    return hash.result();
}

struct Run
{
    int exitCode = -1;
    QString out;
};

Run runKestrum(const QStringList &arguments, const QProcessEnvironment &env,
               const QString &workingDirectory)
{
    QProcess kestrum;
    kestrum.setProcessEnvironment(env);
    kestrum.setWorkingDirectory(workingDirectory);
    kestrum.start(TestSupport::buildPath(u"src/kestrum"_s), arguments);
    if (!kestrum.waitForFinished(60000))
        return {};
    return {kestrum.exitCode(), QString::fromUtf8(kestrum.readAllStandardOutput())};
}

} // namespace

class TestExportViews : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        // A user with files of their own, which the export must never read or write.
        QDir().mkpath(userData());
        QFile watchlist(userData() + u"/watchlist.json"_s);
        QVERIFY(watchlist.open(QIODevice::WriteOnly));
        watchlist.write(R"([{"symbol": "gb_aapl", "name": "苹果"}])");
        QDir().mkpath(m_home.path() + u"/config/Orvell"_s);
        QFile prefs(m_home.path() + u"/config/Orvell/Kestrum.conf"_s);
        QVERIFY(prefs.open(QIODevice::WriteOnly));
        prefs.write("[General]\nKSDidOpenPopoverOnFirstLaunch=true\n");
    }

    void request_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("envRequested");
        QTest::addColumn<QString>("envOutput");
        QTest::addColumn<bool>("trigger");
        QTest::addColumn<bool>("requested");
        QTest::addColumn<QString>("output");
        QTest::newRow("nothing") << QStringList{u"kestrum"_s} << QString() << QString() << false
                                 << false << QString();
        QTest::newRow("environment wins") << QStringList{u"kestrum"_s, u"--export-views"_s, u"a"_s}
                                          << u"1"_s << u"/env"_s << true << true << u"/env"_s;
        QTest::newRow("argument with directory")
            << QStringList{u"kestrum"_s, u"--export-views"_s, u"/out"_s} << QString() << QString()
            << true << true << u"/out"_s;
        QTest::newRow("argument without directory")
            << QStringList{u"kestrum"_s, u"--export-views"_s} << QString() << QString() << false
            << true << QString();
        QTest::newRow("trigger file") << QStringList{u"kestrum"_s} << QString() << QString() << true
                                      << true << u"/from/trigger"_s;
    }

    void request()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, envRequested);
        QFETCH(QString, envOutput);
        QFETCH(bool, trigger);
        QFETCH(bool, requested);
        QFETCH(QString, output);
        QTemporaryDir dir;
        const QString triggerPath = dir.path() + u"/export-views"_s;
        if (trigger) {
            QFile f(triggerPath);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("  /from/trigger \n");
        }
        const ExportRequest r =
            ExportRequest::parse(arguments, envRequested, envOutput, triggerPath);
        QCOMPARE(r.requested, requested);
        QCOMPARE(r.outputDirectory, output);
    }

    void exportsEveryImageAndTouchesNothing()
    {
        const QByteArray before =
            treeHash(m_home.path() + u"/share"_s) + treeHash(m_home.path() + u"/config"_s);
        // Asked for by a trigger file naming no directory: the pictures go below the current
        // one, and the trigger is used once.
        const QString trigger = m_home.path() + u"/config/Kestrum/export-views"_s;
        QDir().mkpath(QFileInfo(trigger).absolutePath());
        QFile f(trigger);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QTemporaryDir work;
        const Run run = runKestrum({}, environment(), work.path());
        QCOMPARE(run.exitCode, 0);
        QVERIFY(!QFile::exists(trigger));
        const QDir out(work.path() + u"/kestrum-exports"_s);
        QVERIFY(run.out.contains(out.path()));

        // Every surface, each at its scale (their pixels are the golden-image test's).
        QCOMPARE(out.entryList({u"*.png"_s}, QDir::Files, QDir::Name),
                 (QStringList{u"ai-settings@4x.png"_s, u"desktop-compact@2x.png"_s,
                              u"desktop-empty@2x.png"_s, u"desktop-overview@2x.png"_s,
                              u"detail-sh600673@4x.png"_s, u"detail-sz002112@4x.png"_s,
                              u"detail-sz002460@4x.png"_s, u"detail-sz002842@4x.png"_s,
                              u"detail-sz300339@4x.png"_s, u"overview-first-launch@4x.png"_s,
                              u"overview@4x.png"_s, u"status-item@4x.png"_s,
                              u"watchlist-manager@4x.png"_s}));

        // The user's files are exactly as they were, and no throw-away directory is left.
        QCOMPARE(treeHash(m_home.path() + u"/share"_s) + treeHash(m_home.path() + u"/config"_s),
                 before);
        QVERIFY(QDir(m_home.path() + u"/tmp"_s)
                    .entryList({u"kestrum-export-config-*"_s}, QDir::Dirs)
                    .isEmpty());
        QFile log(m_home.path() + u"/tmp/kestrum-export.log"_s);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString steps = QString::fromUtf8(log.readAll());
        QVERIFY(steps.startsWith(u"launch "_s));
        for (const QString &step :
             {u"parsed_requested=true"_s, u"preparing fixtures"_s, u"exporting views"_s,
              u"restoring fixture state"_s, u"terminating"_s})
            QVERIFY2(steps.contains(step), qPrintable(step));
    }

private:
    QTemporaryDir m_home;
    QProcessEnvironment environment() const;
    QString userData() const { return m_home.path() + u"/share/Kestrum"_s; }
};

QProcessEnvironment TestExportViews::environment() const
{
    QProcessEnvironment env;
    env.insert(u"PATH"_s, qEnvironmentVariable("PATH"));
    env.insert(u"HOME"_s, m_home.path());
    env.insert(u"XDG_CONFIG_HOME"_s, m_home.path() + u"/config"_s);
    env.insert(u"XDG_DATA_HOME"_s, m_home.path() + u"/share"_s);
    env.insert(u"XDG_RUNTIME_DIR"_s, m_home.path() + u"/runtime"_s);
    env.insert(u"TMPDIR"_s, m_home.path() + u"/tmp"_s);
    QDir().mkpath(m_home.path() + u"/tmp"_s);
    // No display, no platform chosen: the export picks off-screen drawing itself.
    return env;
}

QTEST_MAIN(TestExportViews)
#include "tst_exportviews.moc"
