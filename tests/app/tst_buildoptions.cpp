// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using TestSupport::cacheValue;

// Every command that makes the program in a build tree, in order, without what names the
// tree itself or does not decide success (the compiler cache, warnings as errors).
QStringList commandsForProgram(const QString &buildDirectory)
{
    const TestSupport::ProgramRun commands =
        TestSupport::runProgram(cacheValue(u"CMAKE_MAKE_PROGRAM"_s),
                                {u"-C"_s, buildDirectory, u"-t"_s, u"commands"_s, u"kestrum"_s});
    QString text = commands.exitCode == 0 ? commands.output : QString();
    text.replace(QDir(buildDirectory).absolutePath(), u"<build>"_s);
    text.replace(u"ccache "_s, QString()).replace(u" -Werror"_s, QString());
    // Dependency files are named after a hash of their absolute path.
    text.replace(QRegularExpression(u"CMakeFiles/d/[0-9a-f]+\\.d"_s), u"CMakeFiles/d/<hash>.d"_s);
    return text.split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

// The build a distribution makes: the application alone, without the tests and the
// simulated market, so without Qt Test and Qt HTTP Server; and with the manifest address
// emptied, which leaves the update check out.
class tst_BuildOptions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void applicationBuildsAlone();
};

void tst_BuildOptions::applicationBuildsAlone()
{
    if (cacheValue(u"CMAKE_GENERATOR"_s) != u"Ninja")
        QSKIP("compares the commands of two Ninja builds");
    const QString outer = TestSupport::buildPath(QString());
    QTemporaryDir build;
    const QString cmake = QStringLiteral(KESTRUM_CMAKE_COMMAND);
    const TestSupport::ProgramRun configure = TestSupport::runProgram(
        cmake, {u"-S"_s, cacheValue(u"Kestrum_SOURCE_DIR"_s), u"-B"_s, build.path(), u"-G"_s,
                u"Ninja"_s, u"-DCMAKE_BUILD_TYPE="_s + cacheValue(u"CMAKE_BUILD_TYPE"_s),
                u"-DCMAKE_CXX_COMPILER="_s + cacheValue(u"CMAKE_CXX_COMPILER"_s),
                u"-DCMAKE_CXX_FLAGS="_s + cacheValue(u"CMAKE_CXX_FLAGS"_s),
                u"-DBUILD_TESTING=OFF"_s, u"-DKESTRUM_UPDATE_MANIFEST_URL="_s,
                // As if they were not installed: finding either fails the configure.
                u"-DCMAKE_DISABLE_FIND_PACKAGE_Qt6Test=TRUE"_s,
                u"-DCMAKE_DISABLE_FIND_PACKAGE_Qt6HttpServer=TRUE"_s});
    QVERIFY2(configure.exitCode == 0, qPrintable(configure.output));
    QVERIFY2(configure.output.contains(u"building without the update check"_s),
             qPrintable(configure.output));

    // The program is made by the very commands this build ran (so they succeed there too),
    // but for the one source the update check switch reaches, which is compiled here.
    const QStringList alone = commandsForProgram(build.path());
    const QStringList here = commandsForProgram(outer);
    QVERIFY(alone.size() > 100);
    QCOMPARE(alone.size(), here.size());
    for (qsizetype i = 0; i < alone.size(); ++i) {
        if (!alone.at(i).endsWith(u"/src/app/PackageInfo.cpp"_s)) { // not its compile
            QCOMPARE(alone.at(i), here.at(i));
            continue;
        }
        QVERIFY2(alone.at(i).contains(u"-DKESTRUM_UPDATE_CHECK=0"_s), qPrintable(alone.at(i)));
    }
    const TestSupport::ProgramRun make = TestSupport::runProgram(
        cmake, {u"--build"_s, build.path(), u"--target"_s,
                u"src/CMakeFiles/kestrum_core.dir/app/PackageInfo.cpp.o"_s});
    QVERIFY2(make.exitCode == 0, qPrintable(make.output));
}

QTEST_GUILESS_MAIN(tst_BuildOptions)
#include "tst_buildoptions.moc"
