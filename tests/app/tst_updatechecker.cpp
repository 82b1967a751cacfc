// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PackageInfo.h"
#include "app/UpdateChecker.h"

#include "TestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTest>

#include <limits>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kDownloadPage = u"https://kestrum.example/download/"_s;

} // namespace

class tst_UpdateChecker : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup()
    {
        m_checker.reset();
        m_harness.reset();
    }

    void packageInfoFromEnvironment();
    void versionLabel_data();
    void versionLabel();
    void configuredURL_data();
    void configuredURL();
    void check_data();
    void check();
    void answerAfterCheckerIsGoneIsHarmless();

private:
    // A checker on the simulated manifest as the environment describes it.
    void makeChecker(const PackageInfo &package);

    std::unique_ptr<TestSupport::SimHarness> m_harness;
    std::unique_ptr<UpdateChecker> m_checker;
    QList<UpdateAlert> m_alerts;
    QStringList m_statusLines;
    QList<QUrl> m_opened;
    int m_answer = -1; // the button the simulated user picks
};

void tst_UpdateChecker::init()
{
    m_harness = std::make_unique<TestSupport::SimHarness>();
    QVERIFY(m_harness->simulator.baseUrl().port() > 0);
    qputenv("KESTRUM_UPDATE_MANIFEST_URL", m_harness->simulator.manifestUrl().toEncoded());
    qputenv("KESTRUM_BUILD_NUMBER", "27");
    qputenv("KESTRUM_VERSION", "1.4.0");
    qputenv("KESTRUM_DOWNLOAD_URL", kDownloadPage.toUtf8());
    m_alerts.clear();
    m_statusLines.clear();
    m_opened.clear();
    m_answer = -1;
    makeChecker(PackageInfo::fromEnvironment());
}

void tst_UpdateChecker::makeChecker(const PackageInfo &package)
{
    m_checker = std::make_unique<UpdateChecker>(m_harness->http, package, [this](const QUrl &url) {
        m_opened << url;
        return true;
    });
    // Answers from inside the signal, as a modal message box does.
    connect(m_checker.get(), &UpdateChecker::alertRequested, m_checker.get(),
            [this](const UpdateAlert &alert) {
                m_alerts << alert;
                m_checker->answerAlert(alert.id, m_answer);
            });
    connect(m_checker.get(), &UpdateChecker::statusLineRequested, m_checker.get(),
            [this](const QString &text) { m_statusLines << text; });
}

void tst_UpdateChecker::packageInfoFromEnvironment()
{
    const PackageInfo built = PackageInfo::fromBuild();
    QVERIFY(!built.buildNumber.isEmpty() && !built.marketingVersion.isEmpty());
    QVERIFY(UpdateChecker::isWebURL(QUrl(built.updateManifestURL)));
    QVERIFY(UpdateChecker::isWebURL(QUrl(built.officialDownloadURL)));

    // The overrides themselves show in every check below ("1.4.0 (27)", the simulator's
    // manifest, the download page); an empty one is no override.
    qputenv("KESTRUM_BUILD_NUMBER", "  ");
    qputenv("KESTRUM_UPDATE_MANIFEST_URL", "");
    const PackageInfo blank = PackageInfo::fromEnvironment();
    QCOMPARE(blank.buildNumber, built.buildNumber);
    QCOMPARE(blank.updateManifestURL, built.updateManifestURL);
}

void tst_UpdateChecker::versionLabel_data()
{
    QTest::addColumn<QString>("build");
    QTest::addColumn<QString>("version");
    QTest::addColumn<qint64>("number");
    QTest::addColumn<QString>("label");

    QTest::newRow("no build text") << QString() << u"1.4.0"_s << qint64(0) << u"1.4.0"_s;
    QTest::newRow("leading digits") << u" 31rc2"_s << u"2.0"_s << qint64(31) << u"2.0 ( 31rc2)"_s;
    QTest::newRow("padded") << u" 30 "_s << u"2.0"_s << qint64(30) << u"2.0 ( 30 )"_s;
    QTest::newRow("overlong saturates")
        << u"99999999999999999999"_s << u"9"_s << std::numeric_limits<qint64>::max()
        << u"9 (99999999999999999999)"_s;
}

void tst_UpdateChecker::versionLabel()
{
    QFETCH(QString, build);
    QFETCH(QString, version);
    QFETCH(qint64, number);
    QFETCH(QString, label);
    PackageInfo package = PackageInfo::fromEnvironment();
    package.buildNumber = build;
    package.marketingVersion = version;
    makeChecker(package);
    QCOMPARE(m_checker->currentBundleBuildNumber(), number);
    QCOMPARE(m_checker->currentBundleVersionLabel(), label);
    // The manifest's build reads the same way (a fractional one is in the check rows).
    const QString manifest = build.isEmpty() ? u"latest"_s : build;
    QCOMPARE(UpdateChecker::buildNumberFromUpdateManifest(QJsonObject{{u"build"_s, manifest}}),
             number);
    QCOMPARE(UpdateChecker::buildNumberFromUpdateManifest(QJsonObject{{u"build"_s, 1e300}}),
             std::numeric_limits<qint64>::max());
}

void tst_UpdateChecker::configuredURL_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // empty: no URL
    QTest::newRow("trimmed") << u" \n\thttps://kestrum.example/update.json \r\n"_s
                             << u"https://kestrum.example/update.json"_s;
    QTest::newRow("white space only") << u" \n \t"_s << QString();
    QTest::newRow("spaces are encoded") << u"https://dl.example/kestrum 1.5/澄川 Kestrum.deb"_s
                                        << u"https://dl.example/kestrum%201.5/"
                                           u"%E6%BE%84%E5%B7%9D%20Kestrum.deb"_s;
}

void tst_UpdateChecker::configuredURL()
{
    QFETCH(QString, text);
    const std::optional<QUrl> url = UpdateChecker::URLFromConfiguredString(text);
    QTEST(url ? QString::fromLatin1(url->toEncoded()) : QString(), "expected");
}

void tst_UpdateChecker::check_data()
{
    QTest::addColumn<QByteArray>("manifest");
    // "slow": asked three times while in flight; "refused": nothing listens; "address=…" or
    // "official=…": the package's manifest or download page replaced.
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("asked");    // from the menu, or the automatic check
    QTest::addColumn<int>("button");    // the simulated user's answer
    QTest::addColumn<QString>("title"); // empty: no alert
    QTest::addColumn<QString>("informative");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QString>("opened"); // empty: nothing opened (refused when button 0)

    const QStringList offer{u"前往下载"_s, u"稍后"_s};
    const QStringList ok{u"知道了"_s};
    const QString newer = u"发现新版本：澄川有新版本"_s;
    const QString current = u"当前版本：1.4.0 (27)\n"_s;
    const QString upToDate = u"当前版本 1.4.0 (27) 已是最新版。"_s;
    const QString failed = u"暂时无法读取官网更新信息，请稍后再试。"_s;
    const auto row = [](const char *name, const QByteArray &manifest, const QString &how,
                        bool asked, int button, const QString &title, const QString &text,
                        const QStringList &buttons, const QString &opened = QString()) {
        QTest::newRow(name) << manifest << how << asked << button << title << text << buttons
                            << opened;
    };

    // A newer build is offered whoever asked; the offer opens the manifest's page, else the
    // official one.
    row("automatic: build as a string, named page",
        R"({"build":"28","downloadUrl":"https://dl.example/k"})", {}, false, 0, newer, current,
        offer, u"https://dl.example/k"_s);
    row("asked: full release notes, later",
        R"({"build":31,"version":"1.5.0","title":"澄川 1.5 春季版",)"
        R"("notes":"新增港股盘前行情。\n修复若干问题。","extra":{"x":1}})",
        {}, true, 1, u"发现新版本：澄川 1.5 春季版"_s,
        current + u"最新版本：1.5.0\n\n新增港股盘前行情。\n修复若干问题。"_s, offer);
    row("automatic: headline from version, blank link falls back",
        R"({"build":28,"version":"1.5.0","title":"","notes":7,"downloadUrl":"  \n"})", {}, false, 0,
        u"发现新版本：澄川 1.5.0"_s, current + u"最新版本：1.5.0\n"_s, offer, kDownloadPage);
    // Links from the network reach the browser only when they are web pages.
    row("local file refused", R"({"build":28,"downloadUrl":"file:///home/user/.ssh/id_rsa"})", {},
        false, 0, newer, current, offer);
    row("unsafe official page refused", R"({"build":28})", u"official=smb://files.example/k"_s,
        false, 0, newer, current, offer);

    row("automatic: same build", R"({"build":27,"version":"1.5.0"})", {}, false, 0, {}, {}, {});
    row("asked: same build, thrice while in flight", R"({"build":27,"version":"1.5.0"})", u"slow"_s,
        true, 0, u"已是最新版"_s, upToDate, ok);
    row("asked: fractional build below the next", R"({"build":27.9})", {}, true, 0, u"已是最新版"_s,
        upToDate, ok);
    row("asked: garbage", "\x89PNG\r\n\x1a\n<html>oops", {}, true, 0, u"检查更新失败"_s, failed,
        ok);
    row("automatic: garbage", "<html>oops", {}, false, 0, {}, {}, {});
    // No answer from the site, or no address to ask: the box says why, in Chinese. (Resets,
    // timeouts, redirects, error statuses and endless bodies fail the manifest route in the
    // fault-injection test; the network layer's test words each reason.)
    row("refused", R"({"build":28})", u"refused"_s, true, 0, u"检查更新失败"_s,
        u"暂时无法连接官网（连接被拒绝），请稍后再试。"_s, ok);
    for (const char *address : {"address= \n ", "address=file:///etc/passwd", "address=https://"})
        row(address, R"({"build":28})", QString::fromLatin1(address), true, 0, u"无法检查更新"_s,
            u"更新地址无效，请稍后到官网下载最新版。"_s, ok);
}

void tst_UpdateChecker::check()
{
    QFETCH(QByteArray, manifest);
    QFETCH(QString, how);
    QFETCH(bool, asked);
    QFETCH(QString, title);
    QFETCH(QStringList, buttons);
    QFETCH(QString, opened);
    QFETCH(int, button);

    PackageInfo package = PackageInfo::fromEnvironment();
    QTcpServer probe; // closed again at once: nothing listens on its port
    if (how == u"refused") {
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        package.updateManifestURL =
            u"http://127.0.0.1:"_s + QString::number(probe.serverPort()) + u"/manifest.json"_s;
        probe.close();
    } else if (how.startsWith(u"address="_s)) {
        package.updateManifestURL = how.mid(8);
    } else if (how.startsWith(u"official="_s)) {
        package.officialDownloadURL = how.mid(9);
    }
    m_answer = button;
    makeChecker(package);
    m_harness->simulator.setManifest(manifest);
    SimFault slow;
    slow.delayMs = how == u"slow" ? 200 : 0;
    m_harness->server().setFault(u"manifest"_s, slow);
    m_checker->setRequestTimeoutMs(TestSupport::kPatienceMs);

    const bool addressed = m_checker->updateManifestURL().has_value();
    if (!addressed) {
        m_checker->checkForUpdatesUserInitiated(false); // unasked, nothing to say
        QVERIFY(m_alerts.isEmpty());
    }
    for (int i = 0; i < (how == u"slow" ? 3 : 1); ++i)
        m_checker->checkForUpdatesUserInitiated(asked);
    QCOMPARE(m_checker->isUpdateCheckInFlight(), addressed);
    QCOMPARE(m_statusLines, asked && addressed ? QStringList{u"正在检查更新..."_s} : QStringList());
    QTRY_VERIFY_WITH_TIMEOUT(!m_checker->isUpdateCheckInFlight(), TestSupport::kPatienceMs);

    const QList<SimRequest> requests = m_harness->server().requests(u"manifest"_s);
    const bool reaches = addressed && how != u"refused";
    QCOMPARE(requests.size(), reaches ? 1 : 0);
    if (reaches) {
        QCOMPARE(requests.first().method, QByteArray("GET"));
        QCOMPARE(requests.first().header("User-Agent"),
                 QByteArray("Mozilla/5.0 Kestrum by Orvell"));
    }
    if (title.isEmpty()) {
        QVERIFY(m_alerts.isEmpty());
        return;
    }
    // A refused link says the address is unusable, in a second box.
    const bool refused = button == 0 && opened.isEmpty() && buttons.size() == 2;
    QCOMPARE(m_alerts.size(), refused ? 2 : 1);
    const UpdateAlert &alert = m_alerts.first();
    QCOMPARE(alert.title, title);
    QTEST(alert.informativeText, "informative");
    QCOMPARE(alert.buttons, buttons);
    QCOMPARE(alert.offersDownload, buttons.size() == 2);
    if (refused) {
        QCOMPARE(m_alerts.last().title, u"无法检查更新"_s);
        QCOMPARE(m_alerts.last().informativeText, u"更新地址无效，请稍后到官网下载最新版。"_s);
    }
    QCOMPARE(m_opened.size(), opened.isEmpty() ? 0 : 1);
    if (!opened.isEmpty())
        QCOMPARE(QString::fromLatin1(m_opened.first().toEncoded()), opened);
    // An offer is answered once; a late second answer opens nothing more.
    m_checker->answerAlert(alert.id, 0);
    QCOMPARE(m_opened.size(), opened.isEmpty() ? 0 : 1);
}

void tst_UpdateChecker::answerAfterCheckerIsGoneIsHarmless()
{
    SimFault slow;
    slow.delayMs = 150;
    m_harness->server().setFault(u"manifest"_s, slow);
    m_checker->checkForUpdates();
    m_checker.reset();
    QTRY_COMPARE_WITH_TIMEOUT(m_harness->http.requestsInFlight(), 0, TestSupport::kPatienceMs);
    QVERIFY(m_alerts.isEmpty());
}

QTEST_GUILESS_MAIN(tst_UpdateChecker)
#include "tst_updatechecker.moc"
