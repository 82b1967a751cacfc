// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ExportFixture.h"
#include "app/ExportRequest.h"
#include "ui/FlatButton.h"
#include "ui/TextView.h"
#include "ui/Typography.h"
#include "ui/ViewExporter.h"

#include "ShellHarness.h"
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

QSize pngSize(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = f.read(24);
    if (head.size() < 24 || !head.startsWith("\x89PNG"))
        return {};
    auto be = [&](int at) {
        return (uchar(head[at]) << 24) | (uchar(head[at + 1]) << 16) | (uchar(head[at + 2]) << 8) |
               uchar(head[at + 3]);
    };
    return QSize(be(16), be(20));
}

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

class tst_ExportViews : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void request_data();
    void request();
    void exportsEveryImageAndTouchesNothing();
    void triggerFileIsUsedOnce();
    void everyTextFitsItsFrame();

private:
    QTemporaryDir m_home;
    QProcessEnvironment environment() const;
    QString userData() const { return m_home.path() + u"/share/Kestrum"_s; }
};

void tst_ExportViews::initTestCase()
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

QProcessEnvironment tst_ExportViews::environment() const
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

void tst_ExportViews::request_data()
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
        << QStringList{u"kestrum"_s, u"--export-views"_s} << QString() << QString() << false << true
        << QString();
    QTest::newRow("trigger file") << QStringList{u"kestrum"_s} << QString() << QString() << true
                                  << true << u"/from/trigger"_s;
}

void tst_ExportViews::request()
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
    const ExportRequest r = ExportRequest::parse(arguments, envRequested, envOutput, triggerPath);
    QCOMPARE(r.requested, requested);
    QCOMPARE(r.outputDirectory, output);
}

void tst_ExportViews::exportsEveryImageAndTouchesNothing()
{
    const QByteArray before =
        treeHash(m_home.path() + u"/share"_s) + treeHash(m_home.path() + u"/config"_s);
    // Without a directory the pictures go below the current one.
    QTemporaryDir work;
    const Run run = runKestrum({u"--export-views"_s}, environment(), work.path());
    QCOMPARE(run.exitCode, 0);
    const QDir out(work.path() + u"/kestrum-exports"_s);
    QVERIFY(run.out.contains(out.path()));

    const QList<std::pair<QString, QSize>> expected{
        {u"overview@4x.png"_s, QSize(1520, 1720)},
        {u"overview-first-launch@4x.png"_s, QSize(1520, 1936)},
        {u"desktop-overview@2x.png"_s, QSize(1960, 1440)},
        {u"desktop-compact@2x.png"_s, QSize(1960, 1120)},
        {u"desktop-empty@2x.png"_s, QSize(1960, 1440)},
    };
    for (const auto &[name, size] : expected)
        QCOMPARE(pngSize(out.filePath(name)), size);
    for (const QString &symbol :
         {u"sz002460"_s, u"sz300339"_s, u"sz002112"_s, u"sz002842"_s, u"sh600673"_s}) {
        const QSize size = pngSize(out.filePath(u"detail-"_s + symbol + u"@4x.png"_s));
        QCOMPARE(size.width(), 1520);
        QVERIFY(size.height() > 1000 && size.height() % 4 == 0);
    }
    for (const QString &name : {u"ai-settings@4x.png"_s, u"watchlist-manager@4x.png"_s})
        QCOMPARE(pngSize(out.filePath(name)).width(), 1520);
    const QSize status = pngSize(out.filePath(u"status-item@4x.png"_s));
    QCOMPARE(status.height(), 88);
    QVERIFY(status.width() > 200);
    QCOMPARE(QDir(out.path()).entryList({u"*.png"_s}, QDir::Files).size(), 13);

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

void tst_ExportViews::triggerFileIsUsedOnce()
{
    QTemporaryDir out;
    const QString trigger = m_home.path() + u"/config/Kestrum/export-views"_s;
    QDir().mkpath(QFileInfo(trigger).absolutePath());
    QFile f(trigger);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write((out.path() + u"/by-trigger\n"_s).toUtf8());
    f.close();
    QCOMPARE(runKestrum({}, environment(), out.path()).exitCode, 0);
    QCOMPARE(QDir(out.path() + u"/by-trigger"_s).entryList({u"*.png"_s}).size(), 13);
    QVERIFY(!QFile::exists(trigger)); // the trigger is used once
}

void tst_ExportViews::everyTextFitsItsFrame()
{
    // Every text of every exported surface either fits its frame, wraps within the height it
    // has, or ends in "…" where it is cut.
    TestSupport::ShellHarness s(QStringList{});
    ExportFixture::prepareExportFixtureData(*s.h.app);
    s.h.app->loadStrategy();
    QStringList cut;
    for (const ViewExporter::View &view : ViewExporter::buildViews(*s.shell)) {
        QWidget *root = view.widget.get();
        QVERIFY2(root, qPrintable(view.name));
        const auto where = [&](const QWidget *widget, const QString &text) -> QString {
            return view.name + u" "_s + widget->objectName() + u": "_s + text;
        };
        for (const Label *label : root->findChildren<Label *>()) {
            const QString shown = label->displayedText();
            if (shown.isEmpty() || !label->isVisibleTo(root))
                continue;
            const bool elided = shown != QString(label->text()).replace(u'\n', u' ');
            if (KSTextWidth(shown, label->font()) > label->width() + 0.5 ||
                (elided && !shown.endsWith(u'…')))
                cut << where(label, label->text());
        }
        for (const FlatButton *button : root->findChildren<FlatButton *>()) {
            const QString shown = button->displayedText();
            if (button->isVisibleTo(root) && shown != button->text() && !shown.endsWith(u'…'))
                cut << where(button, button->text());
        }
        for (const TextView *text : root->findChildren<TextView *>()) {
            const QSizeF used = TextView::layoutSize(text->text(), text->font(), text->width(),
                                                     text->lineSpacing(), text->paragraphSpacing());
            if (text->isVisibleTo(root) && used.height() > text->height() + 0.5)
                cut << where(text, text->text());
        }
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u'\n')));
}

QTEST_MAIN(tst_ExportViews)
#include "tst_exportviews.moc"
