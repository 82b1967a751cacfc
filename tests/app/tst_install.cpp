// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileBytes.h"
#include "TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using TestSupport::runProgram;

QString cmakeTool(const QString &name)
{
    return QFileInfo(QStringLiteral(KESTRUM_CMAKE_COMMAND)).dir().filePath(name);
}

} // namespace

// What a distribution takes: `cmake --install`, the desktop files as their validators see
// them, and the Debian package.
class tst_Install : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void installsOnlyWhatIsRead();
    void manualPageCoversCommandLine();
    void validatorsAccept_data();
    void validatorsAccept();
    void debianPackage();

private:
    QTemporaryDir m_prefix;
};

void tst_Install::initTestCase()
{
    const TestSupport::ProgramRun install = runProgram(
        QStringLiteral(KESTRUM_CMAKE_COMMAND), {u"--install"_s, TestSupport::buildPath(QString()),
                                                u"--strip"_s, u"--prefix"_s, m_prefix.path()});
    QVERIFY2(install.exitCode == 0, qPrintable(install.output));
}

void tst_Install::installsOnlyWhatIsRead()
{
    const QString binary = m_prefix.filePath(u"bin/kestrum"_s);
    QVERIFY(QFileInfo(binary).isExecutable());
    // Stripped, and no RUNPATH: it finds the system's Qt like any packaged program.
    const TestSupport::ProgramRun elf = runProgram(u"readelf"_s, {u"-d"_s, u"-S"_s, binary});
    QCOMPARE(elf.exitCode, 0);
    QVERIFY2(!elf.output.contains(u"RUNPATH"_s) && !elf.output.contains(u"(RPATH)"_s),
             qPrintable(elf.output));
    QVERIFY(!elf.output.contains(u".debug_info"_s));

    QVERIFY(QFile::exists(
        m_prefix.filePath(u"share/icons/hicolor/scalable/apps/com.orvell.kestrum.svg"_s)));
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString png =
            m_prefix.filePath(u"share/icons/hicolor/%1x%1/apps/com.orvell.kestrum.png"_s.arg(size));
        QCOMPARE(QImage(png).size(), QSize(size, size));
    }
    // The stock catalog is compiled in: a copy under share/ would never be read.
    QVERIFY(!QFileInfo::exists(m_prefix.filePath(u"share/kestrum"_s)));

    // The version a software centre and the manual page show is the program's own.
    const QString version = QStringLiteral(KESTRUM_VERSION);
    const QString metainfo = QString::fromUtf8(TestSupport::readBytes(
        m_prefix.filePath(u"share/metainfo/com.orvell.kestrum.metainfo.xml"_s)));
    QVERIFY2(metainfo.contains(u"<release version=\""_s + version + u'"'),
             "the metainfo lists no release of this version");
    const TestSupport::ProgramRun page =
        runProgram(u"man"_s, {u"-l"_s, m_prefix.filePath(u"share/man/man1/kestrum.1.gz"_s)});
    QVERIFY2(page.output.contains(u"Kestrum "_s + version), qPrintable(page.output.left(300)));

    // Qt's xcb plugin names the window class after the application name main() sets; the
    // task bar groups the window with its launcher by it.
    const QString entry = QString::fromUtf8(TestSupport::readBytes(
        m_prefix.filePath(u"share/applications/com.orvell.kestrum.desktop"_s)));
    for (const QString &line : {u"Exec=kestrum"_s, u"Icon=com.orvell.kestrum"_s, u"Name=澄川"_s,
                                u"Name[en]=Kestrum"_s, u"StartupWMClass=Kestrum"_s})
        QVERIFY2(entry.contains(u'\n' + line + u'\n'), qPrintable(line));
}

void tst_Install::manualPageCoversCommandLine()
{
    // Every option the program's own usage lists and every variable its sources read.
    const QString source = TestSupport::cacheValue(u"Kestrum_SOURCE_DIR"_s);
    const TestSupport::ProgramRun help =
        runProgram(TestSupport::buildPath(u"src/kestrum"_s), {u"--help"_s});
    QCOMPARE(help.exitCode, 0);
    QStringList names;
    for (const auto &option : QRegularExpression(u"--[a-z-]+"_s).globalMatch(help.output))
        names << option.captured();
    QCOMPARE_GE(names.size(), 6);
    const QRegularExpression variable(
        u"\"((?:KESTRUM|QT|XDG)_[A-Z0-9_]+|(?:WAYLAND_)?DISPLAY|PATH)\""_s);
    QDirIterator sources(source + u"/src"_s, {u"*.cpp"_s, u"*.h"_s}, QDir::Files,
                         QDirIterator::Subdirectories);
    while (sources.hasNext()) {
        const QString text = QString::fromUtf8(TestSupport::readBytes(sources.next()));
        for (const auto &name : variable.globalMatch(text))
            names << name.captured(1);
    }
    QCOMPARE_GE(names.size(), 25);
    const QString page =
        QString::fromUtf8(TestSupport::readBytes(source + u"/data/kestrum.1"_s)).remove(u'\\');
    for (const QString &name : std::as_const(names))
        QVERIFY2(page.contains(QRegularExpression(
                     u"(?<![\\w-])"_s + QRegularExpression::escape(name) + u"(?![\\w-])"_s)),
                 qPrintable(name + u" is not in the manual page"_s));
}

void tst_Install::validatorsAccept_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("file"); // installed (the autostart entry: tst_configstore)

    QTest::newRow("menu entry") << u"desktop-file-validate"_s << QStringList()
                                << u"share/applications/com.orvell.kestrum.desktop"_s;
    QTest::newRow("metainfo") << u"appstreamcli"_s << QStringList{u"validate"_s, u"--no-net"_s}
                              << u"share/metainfo/com.orvell.kestrum.metainfo.xml"_s;
    QTest::newRow("manual page") << u"man"_s
                                 << QStringList{u"--warnings"_s, u"-E"_s, u"UTF-8"_s, u"-l"_s}
                                 << u"share/man/man1/kestrum.1.gz"_s;
}

void tst_Install::validatorsAccept()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, file);
    const TestSupport::ProgramRun check = runProgram(program, arguments << m_prefix.filePath(file));
    QVERIFY2(check.exitCode == 0, qPrintable(check.output));
    if (program == u"man") {
        QVERIFY2(!check.output.contains(u"warning:"_s), qPrintable(check.output));
    } else if (program == u"desktop-file-validate") {
        QVERIFY2(check.output.trimmed().isEmpty(), qPrintable(check.output)); // not even hints
    }
}

void tst_Install::debianPackage()
{
    QTemporaryDir out;
    // From the build tree's own binary: CPack installs and strips it, no second build.
    const TestSupport::ProgramRun pack =
        runProgram(cmakeTool(u"cpack"_s), {u"-G"_s, u"DEB"_s, u"-B"_s, out.path(), u"--config"_s,
                                           TestSupport::buildPath(u"CPackConfig.cmake"_s)});
    QVERIFY2(pack.exitCode == 0, qPrintable(pack.output));
    const QStringList debs = QDir(out.path()).entryList({u"kestrum_*.deb"_s}, QDir::Files);
    QCOMPARE(debs.size(), 1);
    const QString deb = out.filePath(debs.first());
    QVERIFY2(debs.first().startsWith(u"kestrum_"_s + QStringLiteral(KESTRUM_VERSION) + u"-"_s),
             qPrintable(debs.first()));

    const TestSupport::ProgramRun contents = runProgram(u"dpkg-deb"_s, {u"--contents"_s, deb});
    for (const QString &file :
         {u"./usr/bin/kestrum"_s, u"./usr/share/applications/com.orvell.kestrum.desktop"_s,
          u"./usr/share/metainfo/com.orvell.kestrum.metainfo.xml"_s,
          u"./usr/share/icons/hicolor/256x256/apps/com.orvell.kestrum.png"_s,
          u"./usr/share/man/man1/kestrum.1.gz"_s, u"./usr/share/doc/kestrum/copyright"_s,
          u"./usr/share/doc/kestrum/changelog.Debian.gz"_s})
        QVERIFY2(contents.output.contains(u' ' + file + u'\n'), qPrintable(file));

    // Dependencies: the shared libraries, and what Qt loads at run time besides them.
    const TestSupport::ProgramRun fields = runProgram(u"dpkg-deb"_s, {u"--field"_s, deb});
    const auto field = [&fields](const QString &name) {
        return QRegularExpression(u"^"_s + name + u": (.*)$"_s, QRegularExpression::MultilineOption)
            .match(fields.output)
            .captured(1);
    };
    const QStringList depends = field(u"Depends"_s).split(u", "_s);
    for (const QString &needed :
         {u"libc6"_s, u"libqt6core6"_s, u"libqt6gui6"_s, u"libqt6widgets6"_s, u"libqt6network6"_s,
          u"libqt6dbus6"_s, u"libqt6svg6"_s, u"fonts-noto-cjk"_s}) {
        QVERIFY2(std::any_of(depends.begin(), depends.end(),
                             [&needed](const QString &d) { return d.startsWith(needed); }),
                 qPrintable(needed + u" missing from: "_s + depends.join(u", "_s)));
    }
    for (const QString &recommended : {u"notification-daemon"_s, u"qt6-wayland"_s})
        QVERIFY2(field(u"Recommends"_s).contains(recommended), qPrintable(recommended));
    QVERIFY(!field(u"Maintainer"_s).isEmpty() && !field(u"Section"_s).isEmpty());
    QVERIFY(!field(u"Description"_s).isEmpty());

    const TestSupport::ProgramRun lint =
        runProgram(u"lintian"_s, {u"--fail-on"_s, u"error"_s, deb});
    QVERIFY2(lint.exitCode == 0 && !lint.output.contains(u"\nE: "_s) &&
                 !lint.output.startsWith(u"E: "_s),
             qPrintable(lint.output));
    qInfo().noquote() << "lintian:" << lint.output;
}

QTEST_GUILESS_MAIN(tst_Install)
#include "tst_install.moc"
