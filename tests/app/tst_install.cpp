#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// `cmake --install` puts Kestrum where a desktop finds it.
class tst_Install : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void installsIntoXdgPlaces();
};

void tst_Install::installsIntoXdgPlaces()
{
    QTemporaryDir prefix;
    QProcess install;
    install.start(
        QStringLiteral(KESTRUM_CMAKE_COMMAND),
        {u"--install"_s, TestSupport::buildPath(QString()), u"--prefix"_s, prefix.path()});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());

    QVERIFY(QFileInfo(prefix.filePath(u"bin/kestrum"_s)).isExecutable());
    const QString catalog = prefix.filePath(u"share/kestrum/cache/market/tdx_stock_catalog.json"_s);
    QVERIFY(QFileInfo(catalog).size() > 10000);
    QVERIFY(QFile::exists(
        prefix.filePath(u"share/icons/hicolor/scalable/apps/com.orvell.kestrum.svg"_s)));
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString png =
            prefix.filePath(u"share/icons/hicolor/%1x%1/apps/com.orvell.kestrum.png"_s.arg(size));
        QImage image(png);
        QCOMPARE(image.size(), QSize(size, size));
    }

    const QString entry = prefix.filePath(u"share/applications/com.orvell.kestrum.desktop"_s);
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY(text.startsWith(u"[Desktop Entry]\n"_s));
    for (const QString &line : {u"Type=Application"_s, u"Exec=kestrum"_s,
                                u"Icon=com.orvell.kestrum"_s, u"Name=澄川 Kestrum"_s})
        QVERIFY2(text.contains(u'\n' + line + u'\n'), qPrintable(line));
}

QTEST_GUILESS_MAIN(tst_Install)
#include "tst_install.moc"
