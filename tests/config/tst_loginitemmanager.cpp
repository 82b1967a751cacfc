// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/LoginItemManager.h"

#include "FileBytes.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// The whole entry as launchers read it: one application run once at login, after the
// panel where the desktop can tell, never restarted when it quits, shown in every desktop.
// Only the Exec value varies.
QByteArray entryWithExec(const QString &exec)
{
    return (u"[Desktop Entry]\nType=Application\nVersion=1.4\nName=澄川 Kestrum\nExec="_s + exec +
            u"\nIcon=com.orvell.kestrum\nTerminal=false\nStartupNotify=false\n"
            u"X-GNOME-Autostart-enabled=true\nX-GNOME-Autostart-Delay=5\n"
            u"X-GNOME-AutoRestart=false\nX-KDE-autostart-after=panel\nX-LXQt-Need-Tray=true\n"_s)
        .toUtf8();
}

bool makeProgram(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class tst_LoginItemManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void togglingRewritesAndRemovesOneFile();
    void entryNamesThePathExactly_data();
    void entryNamesThePathExactly();
    void installedProgramNeverABuildTree_data();
    void installedProgramNeverABuildTree();
    void staleEntryIsRewrittenAtLaunch_data();
    void staleEntryIsRewrittenAtLaunch();

private:
    QTemporaryDir m_home;
    QString m_autostart;
    // A file system with programs: usr/bin/kestrum, opt/kestrum/kestrum, links/kestrum (to
    // the one in opt) and build/src/kestrum in a CMake build tree.
    QTemporaryDir m_root;
};

void tst_LoginItemManager::initTestCase()
{
    QVERIFY(m_home.isValid());
    // Before anything asks QStandardPaths, so the user's own autostart folder is never touched.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u"config"_s)));
    m_autostart = m_home.filePath(u"config/autostart"_s);
    for (const QString &program : {u"usr/bin/kestrum"_s, u"opt/kestrum/kestrum"_s,
                                   u"build/src/kestrum"_s, u"build/CMakeCache.txt"_s})
        QVERIFY(makeProgram(m_root.filePath(program)));
    QVERIFY(QDir().mkpath(m_root.filePath(u"links"_s)));
    QVERIFY(QFile::link(m_root.filePath(u"opt/kestrum/kestrum"_s),
                        m_root.filePath(u"links/kestrum"_s)));
}

void tst_LoginItemManager::init()
{
    QDir(m_home.filePath(u"config"_s)).removeRecursively();
}

void tst_LoginItemManager::togglingRewritesAndRemovesOneFile()
{
    // By default: the installed program, never this one in its build tree, in
    // XDG_CONFIG_HOME; asking for the location creates the missing folders, not the entry.
    const LoginItemManager defaults;
    QVERIFY(!defaults.executablePath().contains(u'/'));
    QVERIFY(!QFileInfo::exists(m_autostart));
    QCOMPARE(defaults.launchAgentURL(), m_autostart + u"/com.orvell.kestrum.desktop"_s);
    QVERIFY(QFileInfo(m_autostart).isDir() && !defaults.isEnabled());

    // With no installed program to name, it stays off.
    QVERIFY(!LoginItemManager(m_autostart, QString()).setEnabled(true));
    const LoginItemManager first(m_autostart, u"/opt/kestrum/old/kestrum"_s);
    QVERIFY(first.setEnabled(false)); // off without a file: nothing to do
    QVERIFY(filesIn(m_autostart).isEmpty());
    QVERIFY(first.setEnabled(true));
    QVERIFY(first.setEnabled(true));
    QCOMPARE(filesIn(m_autostart), QStringList{u"com.orvell.kestrum.desktop"_s});

    // Enabling again after the program moved replaces the stale path.
    const LoginItemManager moved(m_autostart, u"/opt/kestrum/new/kestrum"_s);
    QVERIFY(moved.isEnabled());
    QVERIFY(moved.setEnabled(true));
    QCOMPARE(readBytes(moved.launchAgentURL()), entryWithExec(u"\"/opt/kestrum/new/kestrum\""_s));

    // A failed rewrite keeps the previous entry and leaves no temporary file behind.
    const LoginItemManager tooLong(m_autostart, u"/opt/"_s + QString(400, u'k') + u"/kestrum"_s);
    {
        FileSizeLimit limit(64);
        QVERIFY(!tooLong.setEnabled(true));
    }
    QVERIFY(tooLong.isEnabled());
    QCOMPARE(readBytes(moved.launchAgentURL()), entryWithExec(u"\"/opt/kestrum/new/kestrum\""_s));
    QCOMPARE(filesIn(m_autostart), QStringList{u"com.orvell.kestrum.desktop"_s});

    // Other programs' entries are left alone.
    QVERIFY(writeBytes(m_autostart + u"/org.example.other.desktop"_s, {}));
    QVERIFY(moved.setEnabled(false));
    QVERIFY(!first.isEnabled());
    QCOMPARE(filesIn(m_autostart), QStringList{u"org.example.other.desktop"_s});
}

void tst_LoginItemManager::entryNamesThePathExactly_data()
{
    // The Exec value by the format's rules, innermost first: the path in double quotes with
    // '"', '`', '$' and '\' backslashed, every '%' doubled, then the string escapes of every
    // value ('\' doubled; tab, line feed and carriage return as \t \n \r).
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("exec");

    QTest::newRow("quotes") << uR"(/opt/say "hi"/li's apps/kestrum)"_s
                            << uR"("/opt/say \\"hi\\"/li's apps/kestrum")"_s;
    QTest::newRow("dollar and backtick") << uR"(/opt/$HOME/`id`/$(whoami)/kestrum)"_s
                                         << uR"("/opt/\\$HOME/\\`id\\`/\\$(whoami)/kestrum")"_s;
    QTest::newRow("percent and field-code look-alikes")
        << u"/opt/100%/%f %U %%/kestrum"_s << uR"("/opt/100%%/%%f %%U %%%%/kestrum")"_s;
    QTest::newRow("backslash before dollar and percent")
        << uR"(/opt/a\$b\%c/kestrum)"_s << uR"("/opt/a\\\\\\$b\\\\%%c/kestrum")"_s;
    QTest::newRow("tab and line breaks")
        << u"/opt/a\tb\nc\rd/kestrum"_s << uR"("/opt/a\tb\nc\rd/kestrum")"_s;
    QTest::newRow("the command on PATH") << u"kestrum"_s << u"kestrum"_s;
}

void tst_LoginItemManager::entryNamesThePathExactly()
{
    QFETCH(QString, path);
    QFETCH(QString, exec);
    const LoginItemManager manager(m_autostart, path);
    QVERIFY(manager.setEnabled(true));
    QCOMPARE(readBytes(manager.launchAgentURL()), entryWithExec(exec));
    // Read back, the entry runs exactly that program; desktops accept it, without a hint.
    QCOMPARE(LoginItemManager::execProgram(exec), path);
    const ProgramRun check = runProgram(u"desktop-file-validate"_s, {manager.launchAgentURL()});
    QVERIFY2(check.exitCode == 0 && check.output.trimmed().isEmpty(), qPrintable(check.output));
}

void tst_LoginItemManager::installedProgramNeverABuildTree_data()
{
    QTest::addColumn<QString>("executable"); // under the fake root
    QTest::addColumn<QString>("path");       // PATH, directories under the fake root
    QTest::addColumn<QString>("named");      // "%self": the executable's absolute path

    QTest::newRow("the command on PATH") << u"usr/bin/kestrum"_s << u"usr/bin"_s << u"kestrum"_s;
    QTest::newRow("a link on PATH to it") << u"opt/kestrum/kestrum"_s << u"links"_s << u"kestrum"_s;
    QTest::newRow("installed off PATH") << u"opt/kestrum/kestrum"_s << u"nowhere"_s << u"%self"_s;
    QTest::newRow("another kestrum on PATH")
        << u"opt/kestrum/kestrum"_s << u"usr/bin"_s << u"%self"_s;
    QTest::newRow("a build, an installed one on PATH")
        << u"build/src/kestrum"_s << u"nowhere:usr/bin"_s << u"kestrum"_s;
    QTest::newRow("a build only") << u"build/src/kestrum"_s << QString() << QString();
}

void tst_LoginItemManager::installedProgramNeverABuildTree()
{
    QFETCH(QString, executable);
    QFETCH(QString, path);
    QFETCH(QString, named);
    QStringList directories;
    for (const QString &dir : path.split(u':', Qt::SkipEmptyParts))
        directories << m_root.filePath(dir);
    const QString self = m_root.filePath(executable);
    QCOMPARE(LoginItemManager::installedProgram(self, directories.join(u':')),
             named == u"%self" ? self : named);
}

void tst_LoginItemManager::staleEntryIsRewrittenAtLaunch_data()
{
    QTest::addColumn<QString>("exec"); // the entry's Exec; "%root" the fake root; empty: off
    QTest::addColumn<bool>("rewritten");

    QTest::newRow("its program is gone") << u"\"/gone/kestrum\" --flag"_s << true;
    QTest::newRow("its command is gone") << u"kestrum-gone"_s << true;
    QTest::newRow("it names a build tree") << u"%root/build/src/kestrum"_s << true;
    QTest::newRow("it names another installed program") << u"%root/usr/bin/kestrum"_s << false;
    QTest::newRow("it names this program") << u"\"%root/opt/kestrum/kestrum\""_s << false;
    QTest::newRow("off") << QString() << false;
}

void tst_LoginItemManager::staleEntryIsRewrittenAtLaunch()
{
    QFETCH(QString, exec);
    QFETCH(bool, rewritten);
    const LoginItemManager manager(m_autostart, m_root.filePath(u"opt/kestrum/kestrum"_s));
    const QString entry = manager.launchAgentURL();
    const QByteArray before = QString(u"[Desktop Entry]\nExec="_s + exec + u'\n')
                                  .replace(u"%root"_s, m_root.path())
                                  .toUtf8();
    if (!exec.isEmpty())
        QVERIFY(writeBytes(entry, before));
    QCOMPARE(manager.refreshIfStale(), rewritten);
    if (exec.isEmpty())
        QVERIFY(!manager.isEnabled());
    else
        QCOMPARE(readBytes(entry), rewritten ? manager.desktopEntry() : before);
}

QTEST_GUILESS_MAIN(tst_LoginItemManager)
#include "tst_loginitemmanager.moc"
