// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileBytes.h"
#include "TestSupport.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A value of this build's CMake cache.
QString cacheValue(const QString &key)
{
    const QString cache =
        QString::fromUtf8(TestSupport::readBytes(TestSupport::buildPath(u"CMakeCache.txt"_s)));
    return QRegularExpression(u"^"_s + key + u":[A-Z]+=(.*)$"_s,
                              QRegularExpression::MultilineOption)
        .match(cache)
        .captured(1);
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
    const QString source = cacheValue(u"Kestrum_SOURCE_DIR"_s);
    QVERIFY(QFileInfo::exists(source + u"/CMakeLists.txt"_s));
    QTemporaryDir build;
    const QString cmake = QStringLiteral(KESTRUM_CMAKE_COMMAND);
    const TestSupport::ProgramRun configure = TestSupport::runProgram(
        cmake, {u"-S"_s, source, u"-B"_s, build.path(), u"-G"_s, u"Ninja"_s,
                u"-DBUILD_TESTING=OFF"_s, u"-DKESTRUM_UPDATE_MANIFEST_URL="_s,
                // As if they were not installed: finding either fails the configure.
                u"-DCMAKE_DISABLE_FIND_PACKAGE_Qt6Test=TRUE"_s,
                u"-DCMAKE_DISABLE_FIND_PACKAGE_Qt6HttpServer=TRUE"_s,
                // Optimising proves nothing here and costs minutes on a small machine.
                u"-DCMAKE_BUILD_TYPE="_s, u"-DCMAKE_CXX_FLAGS=-O0 -g0"_s});
    QVERIFY2(configure.exitCode == 0, qPrintable(configure.output));
    QVERIFY2(configure.output.contains(u"building without the update check"_s),
             qPrintable(configure.output));

    const TestSupport::ProgramRun make = TestSupport::runProgram(
        cmake, {u"--build"_s, build.path(), u"--target"_s, u"kestrum"_s, u"-j2"_s});
    QVERIFY2(make.exitCode == 0, qPrintable(make.output.right(4000)));
    QVERIFY(QFileInfo(build.filePath(u"src/kestrum"_s)).isExecutable());
    QVERIFY(!QFileInfo::exists(build.filePath(u"tests"_s)));

    // The package information the program is compiled with says: no update check.
    const QString commands =
        QString::fromUtf8(TestSupport::readBytes(build.filePath(u"compile_commands.json"_s)));
    const QRegularExpression packageInfo(u"\"command\": \"([^\"]|\\\\\")*PackageInfo\\.cpp\""_s);
    const QString command = packageInfo.match(commands).captured(0);
    QVERIFY2(command.contains(u"-DKESTRUM_UPDATE_CHECK=0"_s), qPrintable(command));
}

QTEST_GUILESS_MAIN(tst_BuildOptions)
#include "tst_buildoptions.moc"
