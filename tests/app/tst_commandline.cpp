// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlatformChoice.h"

#include "TestSupport.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The command line and the start-up platform, as a user's shell and desktop see them.
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
    QTest::addColumn<QStringList>("environment"); // QT_QPA_PLATFORM, KESTRUM_PLATFORM,
                                                  // WAYLAND_DISPLAY, DISPLAY, XDG_SESSION_TYPE
    QTest::addColumn<QString>("platform");
    QTest::addColumn<bool>("noDisplay");
    QTest::addColumn<QString>("noteMentions");

    QTest::newRow("X11") << QStringList{{}, {}, {}, u":0"_s, u"x11"_s} << QString() << false
                         << QString();
    QTest::newRow("Wayland with XWayland")
        << QStringList{{}, {}, u"wayland-0"_s, u":0"_s, u"wayland"_s} << u"xcb"_s << false
        << QString();
    QTest::newRow("Wayland session type alone, with XWayland")
        << QStringList{{}, {}, {}, u":1"_s, u"wayland"_s} << u"xcb"_s << false << QString();
    QTest::newRow("Wayland without XWayland")
        << QStringList{{}, {}, u"wayland-0"_s, {}, u"wayland"_s} << u"wayland"_s << false
        << u"ordinary window near the pointer"_s;
    QTest::newRow("native Wayland forced")
        << QStringList{{}, u"Wayland"_s, u"wayland-0"_s, u":0"_s, u"wayland"_s} << u"wayland"_s
        << false << u"KESTRUM_PLATFORM=wayland"_s;
    QTest::newRow("Qt platform given wins")
        << QStringList{u"offscreen"_s, u"wayland"_s, {}, {}, {}} << QString() << false << QString();
    QTest::newRow("Qt platform wayland given")
        << QStringList{u"wayland"_s, {}, u"wayland-0"_s, u":0"_s, {}} << QString() << false
        << u"ordinary window"_s;
    QTest::newRow("unknown KESTRUM_PLATFORM")
        << QStringList{{}, u"mir"_s, {}, u":0"_s, {}} << u"xcb"_s << false << u"unknown"_s;
    QTest::newRow("X11 forced without a display")
        << QStringList{{}, u"x11"_s, {}, {}, {}} << QString() << true << u"desktop session"_s;
    QTest::newRow("no display") << QStringList{{}, {}, {}, {}, u"tty"_s} << QString() << true
                                << u"--once --json"_s;
}

void tst_CommandLine::platformChoice()
{
    QFETCH(QStringList, environment);
    QFETCH(QString, platform);
    QFETCH(bool, noDisplay);
    QFETCH(QString, noteMentions);

    const PlatformChoice choice = PlatformChoice::choose(
        {environment[0], environment[1], environment[2], environment[3], environment[4]});
    QCOMPARE(choice.platform, platform);
    QCOMPARE(choice.noDisplay, noDisplay);
    if (noteMentions.isEmpty())
        QVERIFY2(choice.note.isEmpty(), qPrintable(choice.note));
    else
        QVERIFY2(choice.note.contains(noteMentions), qPrintable(choice.note));
}

void tst_CommandLine::answersWithoutDisplayOrBus_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // a pattern for standard output
    QTest::addColumn<QString>("err"); // a pattern for standard error

    QTest::newRow("help") << QStringList{u"--help"_s} << 0
                          << uR"(^Usage: kestrum.*--once --json.*--export-views \[DIR\])"_s
                          << u"^$"_s;
    QTest::newRow("version") << QStringList{u"--version"_s} << 0
                             << uR"(^kestrum \d+\.\d+\S* \(build \d+\)\n$)"_s << u"^$"_s;
    QTest::newRow("unknown option") << QStringList{u"--tray"_s} << 2 << u"^$"_s
                                    << uR"(^kestrum: Unknown option 'tray'.*\n\nUsage:)"_s;
    QTest::newRow("--json without --once")
        << QStringList{u"--json"_s} << 2 << u"^$"_s << u"--json goes with --once"_s;
    QTest::newRow("stray argument")
        << QStringList{u"600519"_s} << 2 << u"^$"_s << u"unexpected argument: 600519"_s;
    QTest::newRow("the application, no display")
        << QStringList() << 1 << u"^$"_s
        << u"^kestrum: needs a desktop session[^\n]*--export-views[^\n]*make demo[^\n]*\n$"_s;
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

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
