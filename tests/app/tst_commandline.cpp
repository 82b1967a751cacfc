// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlatformChoice.h"
#include "app/SingleInstance.h"

#include "PrivateSessionBus.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The command line, the start-up platform and the single running instance, as a user's shell
// and desktop see them.
class tst_CommandLine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void platformChoice_data();
    void platformChoice();
    void answersWithoutDisplayOrBus_data();
    void answersWithoutDisplayOrBus();
    void runsUnderARealCompositor_data();
    void runsUnderARealCompositor();
    void lockContentDecidesRecovery_data();
    void lockContentDecidesRecovery();
    void laterLaunchesReachTheRunningOne();

private:
    // The environment of a user with no desktop, no bus and an empty home.
    static QProcessEnvironment emptySession(const QTemporaryDir &home);
};

QProcessEnvironment tst_CommandLine::emptySession(const QTemporaryDir &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s,
                                u"XDG_SESSION_TYPE"_s, u"KESTRUM_PLATFORM"_s})
        env.remove(name);
    env.insert(u"HOME"_s, home.path());
    env.insert(u"KESTRUM_DATA_DIR"_s, home.filePath(u"data"_s));
    for (const QString &name :
         {u"XDG_CONFIG_HOME"_s, u"XDG_DATA_HOME"_s, u"XDG_CACHE_HOME"_s, u"XDG_RUNTIME_DIR"_s})
        env.insert(name, home.filePath(name.toLower()));
    env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path="_s + home.filePath(u"no-bus"_s));
    return env;
}

void tst_CommandLine::platformChoice_data()
{
    // QT_QPA_PLATFORM, KESTRUM_PLATFORM, WAYLAND_DISPLAY, DISPLAY, XDG_SESSION_TYPE
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("platform");
    QTest::addColumn<bool>("noDisplay");
    QTest::addColumn<QString>("noteMentions"); // empty: no note
    const auto row = [](const char *name, const QStringList &environment, const QString &platform,
                        bool noDisplay = false, const QString &note = QString()) {
        QTest::newRow(name) << environment << platform << noDisplay << note;
    };
    row("X11", {{}, {}, {}, u":0"_s, u"x11"_s}, {});
    row("Wayland with XWayland", {{}, {}, u"wayland-0"_s, u":0"_s, u"wayland"_s}, u"xcb"_s);
    row("Wayland session type alone, with XWayland", {{}, {}, {}, u":1"_s, u"wayland"_s}, u"xcb"_s);
    row("Wayland without XWayland", {{}, {}, u"wayland-0"_s, {}, u"wayland"_s}, u"wayland"_s, false,
        u"ordinary window near the pointer"_s);
    row("native Wayland forced", {{}, u"Wayland"_s, u"wayland-0"_s, u":0"_s, u"wayland"_s},
        u"wayland"_s, false, u"KESTRUM_PLATFORM=wayland"_s);
    row("Qt platform given wins", {u"offscreen"_s, u"wayland"_s, {}, {}, {}}, {});
    row("Qt platform wayland given", {u"wayland"_s, {}, u"wayland-0"_s, u":0"_s, {}}, {}, false,
        u"ordinary window"_s);
    row("unknown KESTRUM_PLATFORM", {{}, u"mir"_s, {}, u":0"_s, {}}, u"xcb"_s, false, u"unknown"_s);
    row("X11 forced without a display", {{}, u"x11"_s, {}, {}, {}}, {}, true, u"desktop session"_s);
    row("no display", {{}, {}, {}, {}, u"tty"_s}, {}, true, u"--once --json"_s);
}

void tst_CommandLine::platformChoice()
{
    QFETCH(QStringList, environment);
    QFETCH(QString, noteMentions);
    const PlatformChoice choice = PlatformChoice::choose(
        {environment[0], environment[1], environment[2], environment[3], environment[4]});
    QTEST(choice.platform, "platform");
    QTEST(choice.noDisplay, "noDisplay");
    QVERIFY2(noteMentions.isEmpty() ? choice.note.isEmpty() : choice.note.contains(noteMentions),
             qPrintable(choice.note));
}

void tst_CommandLine::answersWithoutDisplayOrBus_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // a pattern for standard output
    QTest::addColumn<QString>("err"); // a pattern for standard error
    const auto row = [](const char *name, const QStringList &arguments, int exitCode,
                        const QString &out, const QString &err) {
        QTest::newRow(name) << arguments << exitCode << out << err;
    };
    row("help", {u"--help"_s}, 0, uR"(^Usage: kestrum.*--once --json.*--export-views \[DIR\])"_s,
        u"^$"_s);
    row("version", {u"--version"_s}, 0, uR"(^kestrum \d+\.\d+\S* \(build \d+\)\n$)"_s, u"^$"_s);
    row("unknown option", {u"--tray"_s}, 2, u"^$"_s,
        uR"(^kestrum: Unknown option 'tray'.*\n\nUsage:)"_s);
    row("--json without --once", {u"--json"_s}, 2, u"^$"_s, u"--json goes with --once"_s);
    row("stray argument", {u"600519"_s}, 2, u"^$"_s, u"unexpected argument: 600519"_s);
    row("the application, no display", {}, 1, u"^$"_s,
        u"^kestrum: needs a desktop session[^\n]*--export-views[^\n]*make demo[^\n]*\n$"_s);
}

void tst_CommandLine::answersWithoutDisplayOrBus()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);

    QTemporaryDir home;
    QProcess kestrum;
    kestrum.setProcessEnvironment(emptySession(home));
    kestrum.setWorkingDirectory(home.path());
    kestrum.start(TestSupport::buildPath(u"src/kestrum"_s), arguments);
    QVERIFY(kestrum.waitForFinished(60000));
    QCOMPARE(kestrum.exitStatus(), QProcess::NormalExit);
    const QString stdOut = QString::fromUtf8(kestrum.readAllStandardOutput());
    const QString stdErr = QString::fromUtf8(kestrum.readAllStandardError());
    QCOMPARE(kestrum.exitCode(), exitCode);
    const auto matches = [](const QString &pattern, const QString &text) {
        return QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption)
            .match(text)
            .hasMatch();
    };
    QVERIFY2(matches(out, stdOut), qPrintable(stdOut));
    QVERIFY2(matches(err, stdErr), qPrintable(stdErr));
    // Nothing was written anywhere: no data directory, no settings, no lock.
    QDirIterator written(home.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                         QDirIterator::Subdirectories);
    QVERIFY2(!written.hasNext(), qPrintable(written.hasNext() ? written.next() : QString()));
}

void tst_CommandLine::runsUnderARealCompositor_data()
{
    QTest::addColumn<bool>("xwayland");
    QTest::addColumn<QString>("platform");

    QTest::newRow("Wayland with XWayland: on XWayland") << true << u"xcb"_s;
    QTest::newRow("Wayland alone: native, and says so") << false << u"wayland"_s;
}

void tst_CommandLine::runsUnderARealCompositor()
{
    QFETCH(bool, xwayland);
    QFETCH(QString, platform);
    if (QStandardPaths::findExecutable(u"weston"_s).isEmpty() ||
        (xwayland && QStandardPaths::findExecutable(u"Xwayland"_s).isEmpty()))
        QSKIP("weston and Xwayland are not installed (make deps installs them)");
    // Xwayland's socket directory, as a desktop session would have it.
    if (xwayland && !QFileInfo::exists(u"/tmp/.X11-unix"_s) &&
        !(QDir().mkpath(u"/tmp/.X11-unix"_s) &&
          QFile::setPermissions(u"/tmp/.X11-unix"_s, QFileDevice::Permissions(0x7777))))
        QSKIP("no /tmp/.X11-unix for Xwayland");

    // A headless compositor of the test's own, in a runtime directory of its own.
    QTemporaryDir home;
    QProcessEnvironment env = emptySession(home);
    const QString runtime = home.filePath(u"xdg_runtime_dir"_s);
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner));
    QProcess weston;
    weston.setProcessEnvironment(env);
    weston.setProcessChannelMode(QProcess::MergedChannels);
    QStringList arguments{u"--backend=headless-backend.so"_s, u"--socket=kestrum-test"_s,
                          u"--idle-time=0"_s};
    if (xwayland)
        arguments << u"--xwayland"_s;
    weston.start(u"weston"_s, arguments);
    QVERIFY(weston.waitForStarted(TestSupport::kPatienceMs));
    QByteArray westonLog;
    const QRegularExpression xDisplay(uR"(xserver listening on display (:\d+))"_s);
    QVERIFY2(TestSupport::waitFor(
                 [&] {
                     westonLog += weston.readAll();
                     return QFileInfo::exists(runtime + u"/kestrum-test"_s) &&
                            (!xwayland || xDisplay.match(QString::fromUtf8(westonLog)).hasMatch());
                 },
                 60000),
             westonLog.constData());

    env.insert(u"WAYLAND_DISPLAY"_s, u"kestrum-test"_s);
    env.insert(u"XDG_SESSION_TYPE"_s, u"wayland"_s);
    if (xwayland)
        env.insert(u"DISPLAY"_s, xDisplay.match(QString::fromUtf8(westonLog)).captured(1));
    env.insert(u"QT_LOGGING_RULES"_s, u"kestrum.panel.info=true"_s);
    env.insert(u"KESTRUM_MARKET_URL"_s, u"http://127.0.0.1:9"_s);
    env.insert(u"KESTRUM_UPDATE_MANIFEST_URL"_s, u"http://127.0.0.1:9/update/manifest.json"_s);
    QProcess kestrum;
    kestrum.setProcessEnvironment(env);
    kestrum.start(TestSupport::buildPath(u"src/kestrum"_s), {});
    QByteArray err;
    const QByteArray running = "running on the " + platform.toUtf8() + " platform";
    const bool ran = TestSupport::waitFor(
        [&] {
            err += kestrum.readAllStandardError();
            return err.contains(running) || kestrum.state() == QProcess::NotRunning;
        },
        60000);
    kestrum.terminate();
    kestrum.waitForFinished(TestSupport::kPatienceMs);
    weston.terminate();
    weston.waitForFinished(TestSupport::kPatienceMs);
    QVERIFY2(ran && err.contains(running), err.constData());
    QCOMPARE(err.contains("ordinary window near the pointer"), !xwayland);
}

void tst_CommandLine::lockContentDecidesRecovery_data()
{
    // "%gone" is a process that has ended, "%other" one alive that is not Kestrum; "%live" is
    // the live instance's own lock, written hours ago.
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("heldByLiveInstance");
    QTest::addColumn<bool>("recovered");

    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    QTest::newRow("crashed run") << "%gone\ntst_commandline\n" + host + '\n' << false << true;
    QTest::newRow("recycled id") << "%other\nkestrum\n" + host + '\n' << false << true;
    QTest::newRow("empty") << QByteArray() << false << true;
    QTest::newRow("garbage") << QByteArray("\xff\x00zz\n\n", 6) << false << true;
    QTest::newRow("negative id") << "-1\nkestrum\n" + host + '\n' << false << true;
    QTest::newRow("garbage over a live instance's lock") << QByteArray("zz") << true << false;
    QTest::newRow("a live instance's old lock") << QByteArray("%live") << true << false;
}

void tst_CommandLine::lockContentDecidesRecovery()
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

void tst_CommandLine::laterLaunchesReachTheRunningOne()
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

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
