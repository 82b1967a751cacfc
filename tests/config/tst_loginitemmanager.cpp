#include "config/LoginItemManager.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// A reader for the parts of the Desktop Entry format the entry uses, written from the
// format's rules rather than from the writer: string escapes, then field codes, then the
// Exec quoting rule. Anything it does not understand is a failure, as it is for launchers.
struct DesktopEntry
{
    QString firstLine;
    QMap<QString, QString> keys; // of the [Desktop Entry] group, escapes resolved
    QStringList duplicates;
    QStringList malformed;
};

std::optional<QString> unescapeString(const QString &raw)
{
    static const QHash<QChar, QChar> escapes{
        {u's', u' '}, {u'n', u'\n'}, {u't', u'\t'}, {u'r', u'\r'}, {u'\\', u'\\'}};
    QString out;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw.at(i) != u'\\') {
            out += raw.at(i);
            continue;
        }
        // Launchers reject a trailing backslash and unknown escapes.
        if (++i == raw.size() || !escapes.contains(raw.at(i)))
            return std::nullopt;
        out += escapes.value(raw.at(i));
    }
    return out;
}

DesktopEntry parseDesktopEntry(const QByteArray &bytes)
{
    DesktopEntry entry;
    const QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    entry.firstLine = lines.value(0);
    QString group;
    for (const QString &line : lines) {
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            group = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0 || group.isEmpty()) {
            entry.malformed << line;
            continue;
        }
        if (group != u"Desktop Entry")
            continue;
        const QString key = line.left(eq).trimmed();
        const std::optional<QString> value = unescapeString(line.mid(eq + 1).trimmed());
        if (!value) {
            entry.malformed << line;
            continue;
        }
        if (entry.keys.contains(key))
            entry.duplicates << key;
        entry.keys.insert(key, *value);
    }
    return entry;
}

// Exec (already string-unescaped) to argv; nothing when it breaks the rules.
std::optional<QStringList> execArguments(const QString &exec)
{
    // Field codes: "%%" is a literal '%'; the entry uses no others. A private-use stand-in
    // keeps the literal out of the way while splitting.
    const QString command = QString(exec).replace(u"%%"_s, u"\uE000"_s);
    if (command.contains(u'%'))
        return std::nullopt;

    static const QString reserved = u" \t\n\"'\\><~|&;$*?#()`"_s;
    QStringList argv;
    QString current;
    bool inArgument = false;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command.at(i);
        if (c == u' ') {
            if (inArgument)
                argv << current;
            current.clear();
            inArgument = false;
        } else if (c == u'"') {
            inArgument = true;
            for (++i; i < command.size() && command.at(i) != u'"'; ++i) {
                QChar q = command.at(i);
                if (q == u'\\' && i + 1 < command.size() && u"\"`$\\"_s.contains(command.at(i + 1)))
                    q = command.at(++i);
                else if (q == u'\\' || q == u'`' || q == u'$')
                    return std::nullopt; // must be escaped inside quotes
                current += q;
            }
            if (i >= command.size())
                return std::nullopt; // unterminated
        } else if (reserved.contains(c)) {
            return std::nullopt; // reserved characters only inside quotes
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        argv << current;
    for (QString &argument : argv)
        argument.replace(u'\uE000', u'%');
    return argv;
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

    void defaultsFollowXdgConfigHome();
    void togglingRewritesAndRemovesOneFile();
    void entryDescribesOneRunAtLogin();
    void execNamesThePathExactly_data();
    void execNamesThePathExactly();
    void failedWriteKeepsPreviousEntry();

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

void tst_LoginItemManager::defaultsFollowXdgConfigHome()
{
    const LoginItemManager manager;
    QCOMPARE(manager.executablePath(),
             QFileInfo(QCoreApplication::applicationFilePath()).absoluteFilePath());
    QVERIFY(!QFileInfo::exists(m_autostart));
    // Asking for the location creates the missing folders, not the entry.
    QCOMPARE(manager.launchAgentURL(), m_autostart + u"/com.orvell.kestrum.desktop"_s);
    QVERIFY(QFileInfo(m_autostart).isDir());
    QVERIFY(!manager.isEnabled());
}

void tst_LoginItemManager::togglingRewritesAndRemovesOneFile()
{
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
    QFile file(moved.launchAgentURL());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), moved.desktopEntry());

    // Other programs' entries are left alone.
    QFile other(m_autostart + u"/org.example.other.desktop"_s);
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.close();
    QVERIFY(moved.setEnabled(false));
    QVERIFY(!first.isEnabled());
    QCOMPARE(filesIn(m_autostart), QStringList{u"org.example.other.desktop"_s});
}

void tst_LoginItemManager::entryDescribesOneRunAtLogin()
{
    const LoginItemManager manager(m_autostart, u"/usr/bin/kestrum"_s);
    QVERIFY(manager.setEnabled(true));
    QFile file(manager.launchAgentURL());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const DesktopEntry entry = parseDesktopEntry(file.readAll());

    QCOMPARE(entry.firstLine, u"[Desktop Entry]"_s);
    QVERIFY2(entry.malformed.isEmpty(), qPrintable(entry.malformed.join(u" | "_s)));
    QVERIFY2(entry.duplicates.isEmpty(), qPrintable(entry.duplicates.join(u", "_s)));
    QCOMPARE(entry.keys.value(u"Type"_s), u"Application"_s);
    QCOMPARE(entry.keys.value(u"Name"_s), u"澄川 Kestrum"_s);
    QCOMPARE(entry.keys.value(u"Icon"_s), u"com.orvell.kestrum"_s);
    QCOMPARE(entry.keys.value(u"Terminal"_s), u"false"_s);
    QCOMPARE(entry.keys.value(u"X-GNOME-Autostart-enabled"_s), u"true"_s);
    // Started once per login and never restarted when it quits.
    QCOMPARE(entry.keys.value(u"X-GNOME-AutoRestart"_s, u"false"_s), u"false"_s);
    QVERIFY(!entry.keys.contains(u"Hidden"_s) || entry.keys.value(u"Hidden"_s) == u"false");
    QVERIFY(!entry.keys.contains(u"OnlyShowIn"_s) && !entry.keys.contains(u"NotShowIn"_s));
    QCOMPARE(execArguments(entry.keys.value(u"Exec"_s)), QStringList{u"/usr/bin/kestrum"_s});
}

void tst_LoginItemManager::execNamesThePathExactly_data()
{
    QTest::addColumn<QString>("path");

    QTest::newRow("spaces and Chinese") << u"/home/li lei/应用 程序/ x/kestrum "_s;
    QTest::newRow("quotes") << u"/opt/say \"hi\"/li's apps/kestrum"_s;
    QTest::newRow("backslash") << u"/opt/back\\slash\\\\twice/kestrum"_s;
    QTest::newRow("dollar and backtick") << u"/opt/$HOME/`id`/$(whoami)/kestrum"_s;
    QTest::newRow("percent and field-code look-alikes") << u"/opt/100%/%f %U %%/kestrum"_s;
    QTest::newRow("backslash before dollar and percent") << u"/opt/a\\$b\\%c/kestrum"_s;
    QTest::newRow("shell operators") << u"/opt/a;b&c|d>e<f*g?h#i~j(k)=l/kestrum"_s;
    QTest::newRow("tab and line breaks") << u"/opt/a\tb\nc\rd/kestrum"_s;
    QTest::newRow("unknown (empty)") << QString();
}

void tst_LoginItemManager::execNamesThePathExactly()
{
    QFETCH(QString, path);
    const LoginItemManager manager(m_autostart, path);
    QVERIFY(manager.setEnabled(true));
    QFile file(manager.launchAgentURL());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const DesktopEntry entry = parseDesktopEntry(bytes);
    QVERIFY2(entry.malformed.isEmpty(), bytes.constData());
    // The path never spills into a line of its own.
    QCOMPARE(bytes.count('\n'), manager.desktopEntry().count('\n'));

    const std::optional<QStringList> argv = execArguments(entry.keys.value(u"Exec"_s));
    QVERIFY2(argv, bytes.constData());
    QCOMPARE(*argv, QStringList{path});
}

void tst_LoginItemManager::failedWriteKeepsPreviousEntry()
{
    const LoginItemManager before(m_autostart, u"/usr/bin/kestrum"_s);
    QVERIFY(before.setEnabled(true));
    const LoginItemManager after(m_autostart, u"/opt/"_s + QString(400, u'k') + u"/kestrum"_s);
    {
        TestSupport::FileSizeLimit limit(64);
        QVERIFY(!after.setEnabled(true));
    }
    QVERIFY(after.isEnabled());
    QFile file(after.launchAgentURL());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before.desktopEntry());
    QCOMPARE(filesIn(m_autostart), QStringList{u"com.orvell.kestrum.desktop"_s});
}

QTEST_GUILESS_MAIN(tst_LoginItemManager)
#include "tst_loginitemmanager.moc"
