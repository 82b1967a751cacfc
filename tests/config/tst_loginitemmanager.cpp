// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/LoginItemManager.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The whole entry as launchers read it: one application run once at login, never restarted
// when it quits, shown in every desktop. Only the Exec value varies.
QByteArray entryWithExec(const QString &exec)
{
    return (u"[Desktop Entry]\nType=Application\nVersion=1.4\nName=澄川 Kestrum\nExec="_s + exec +
            u"\nIcon=com.orvell.kestrum\nTerminal=false\nStartupNotify=false\n"
            u"X-GNOME-Autostart-enabled=true\nX-GNOME-AutoRestart=false\n"_s)
        .toUtf8();
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

private:
    QTemporaryDir m_home;
    QString m_autostart;
};

void tst_LoginItemManager::initTestCase()
{
    QVERIFY(m_home.isValid());
    // Before anything asks QStandardPaths, so the user's own autostart folder is never touched.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u"config"_s)));
    m_autostart = m_home.filePath(u"config/autostart"_s);
}

void tst_LoginItemManager::init()
{
    QDir(m_home.filePath(u"config"_s)).removeRecursively();
}

void tst_LoginItemManager::togglingRewritesAndRemovesOneFile()
{
    // By default: this program, in XDG_CONFIG_HOME; asking for the location creates the
    // missing folders, not the entry.
    const LoginItemManager defaults;
    QCOMPARE(defaults.executablePath(),
             QFileInfo(QCoreApplication::applicationFilePath()).absoluteFilePath());
    QVERIFY(!QFileInfo::exists(m_autostart));
    QCOMPARE(defaults.launchAgentURL(), m_autostart + u"/com.orvell.kestrum.desktop"_s);
    QVERIFY(QFileInfo(m_autostart).isDir() && !defaults.isEnabled());

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
    QCOMPARE(contentOf(moved.launchAgentURL()), entryWithExec(u"\"/opt/kestrum/new/kestrum\""_s));

    // A failed rewrite keeps the previous entry and leaves no temporary file behind.
    const LoginItemManager tooLong(m_autostart, u"/opt/"_s + QString(400, u'k') + u"/kestrum"_s);
    {
        TestSupport::FileSizeLimit limit(64);
        QVERIFY(!tooLong.setEnabled(true));
    }
    QVERIFY(tooLong.isEnabled());
    QCOMPARE(contentOf(moved.launchAgentURL()), entryWithExec(u"\"/opt/kestrum/new/kestrum\""_s));
    QCOMPARE(filesIn(m_autostart), QStringList{u"com.orvell.kestrum.desktop"_s});

    // Other programs' entries are left alone.
    QFile other(m_autostart + u"/org.example.other.desktop"_s);
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.close();
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
    QTest::newRow("unknown (empty)") << QString() << u"\"\""_s;
}

void tst_LoginItemManager::entryNamesThePathExactly()
{
    QFETCH(QString, path);
    QFETCH(QString, exec);
    const LoginItemManager manager(m_autostart, path);
    QVERIFY(manager.setEnabled(true));
    QCOMPARE(contentOf(manager.launchAgentURL()), entryWithExec(exec));
}

QTEST_GUILESS_MAIN(tst_LoginItemManager)
#include "tst_loginitemmanager.moc"
