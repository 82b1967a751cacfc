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
    void cleanup();

    void packageInfoFromEnvironment();
    void versionLabel_data();
    void versionLabel();
    void configuredURL_data();
    void configuredURL();

    void check_data();
    void check();
    void secondCheckWhileInFlightDoesNothing();
    void failedCheck_data();
    void failedCheck();
    void answerAfterCheckerIsGoneIsHarmless();

    void download_data();
    void download();

private:
    // A checker on the simulated manifest as the environment describes it.
    void makeChecker(const PackageInfo &package);
    void waitUntilIdle();

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

void tst_UpdateChecker::cleanup()
{
    m_checker.reset();
    m_harness.reset();
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

void tst_UpdateChecker::waitUntilIdle()
{
    QTRY_VERIFY_WITH_TIMEOUT(!m_checker->isUpdateCheckInFlight(), TestSupport::kPatienceMs);
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
    QFETCH(QString, expected);
    const std::optional<QUrl> url = UpdateChecker::URLFromConfiguredString(text);
    if (expected.isEmpty()) {
        QVERIFY(!url);
        return;
    }
    QVERIFY(url);
    QCOMPARE(QString::fromLatin1(url->toEncoded()), expected);
}

void tst_UpdateChecker::check_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("userInitiated");
    QTest::addColumn<QString>("title"); // empty: no alert
    QTest::addColumn<QString>("informative");
    QTest::addColumn<QStringList>("buttons");

    const QStringList offer{u"前往下载"_s, u"稍后"_s};
    const QStringList ok{u"知道了"_s};
    const QString upToDate = u"当前版本 1.4.0 (27) 已是最新版。"_s;
    const QString failed = u"暂时无法读取官网更新信息，请稍后再试。"_s;

    // A newer build is offered whoever asked.
    QTest::newRow("automatic: build as a string")
        << QByteArray(R"({"build":"28"})") << 200 << false << u"发现新版本：澄川有新版本"_s
        << u"当前版本：1.4.0 (27)\n"_s << offer;
    QTest::newRow("asked: full release notes")
        << QByteArray(R"({"build":31,"version":"1.5.0","title":"澄川 1.5 春季版",)"
                      R"("notes":"新增港股盘前行情。\n修复若干问题。","extra":{"x":1}})")
        << 200 << true << u"发现新版本：澄川 1.5 春季版"_s
        << u"当前版本：1.4.0 (27)\n最新版本：1.5.0\n\n新增港股盘前行情。\n修复若干问题。"_s
        << offer;
    QTest::newRow("automatic: headline from version")
        << QByteArray(R"({"build":28,"version":"1.5.0","title":"","notes":7})") << 200 << false
        << u"发现新版本：澄川 1.5.0"_s << u"当前版本：1.4.0 (27)\n最新版本：1.5.0\n"_s << offer;

    QTest::newRow("automatic: same build") << QByteArray(R"({"build":27,"version":"1.5.0"})") << 200
                                           << false << QString() << QString() << QStringList();
    QTest::newRow("asked: same build") << QByteArray(R"({"build":27,"version":"1.5.0"})") << 200
                                       << true << u"已是最新版"_s << upToDate << ok;
    QTest::newRow("asked: fractional build below the next")
        << QByteArray(R"({"build":27.9})") << 200 << true << u"已是最新版"_s << upToDate << ok;

    QTest::newRow("asked: garbage") << QByteArray("\x89PNG\r\n\x1a\n<html>oops") << 200 << true
                                    << u"检查更新失败"_s << failed << ok;
    QTest::newRow("automatic: garbage")
        << QByteArray("<html>oops") << 200 << false << QString() << QString() << QStringList();
    // An error status, a body past the size cap, a reset and a timeout fail too: the
    // fault-injection test drives each against the manifest route; `failedCheck` checks
    // the words for no answer at all.
}

void tst_UpdateChecker::check()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(bool, userInitiated);
    QFETCH(QString, title);
    QFETCH(QString, informative);
    QFETCH(QStringList, buttons);

    m_harness->simulator.setManifest(body, status);
    m_checker->checkForUpdatesUserInitiated(userInitiated);
    QVERIFY(m_checker->isUpdateCheckInFlight());
    QCOMPARE(m_statusLines, userInitiated ? QStringList{u"正在检查更新..."_s} : QStringList());
    waitUntilIdle();

    const QList<SimRequest> requests = m_harness->server().requests(u"manifest"_s);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().method, QByteArray("GET"));
    QCOMPARE(requests.first().header("User-Agent"), QByteArray("Mozilla/5.0 Kestrum by Orvell"));

    if (title.isEmpty()) {
        QVERIFY(m_alerts.isEmpty());
        return;
    }
    QCOMPARE(m_alerts.size(), 1);
    const UpdateAlert &alert = m_alerts.first();
    QCOMPARE(alert.title, title);
    QCOMPARE(alert.informativeText, informative);
    QCOMPARE(alert.buttons, buttons);
    QCOMPARE(alert.offersDownload, buttons.size() == 2);
    QVERIFY(m_opened.isEmpty()); // dismissed
}

void tst_UpdateChecker::secondCheckWhileInFlightDoesNothing()
{
    SimFault slow;
    slow.delayMs = 200;
    m_harness->server().setFault(u"manifest"_s, slow);
    m_checker->checkForUpdates();
    m_checker->checkForUpdates();
    m_checker->checkForUpdatesUserInitiated(false);
    QCOMPARE(m_statusLines.size(), 1);
    waitUntilIdle();
    QCOMPARE(m_harness->server().requests(u"manifest"_s).size(), 1);
    QCOMPARE(m_alerts.size(), 1);
    QCOMPARE(m_alerts.first().title, u"已是最新版"_s);
}

void tst_UpdateChecker::failedCheck_data()
{
    // No answer from the site, or no address to ask: the box says why, in Chinese.
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    const auto unreachable = [](const char *name, const QString &how, const QString &reason) {
        QTest::newRow(name) << how << u"检查更新失败"_s
                            << u"暂时无法连接官网（"_s + reason + u"），请稍后再试。"_s;
    };
    unreachable("refused", u"refused"_s, u"连接被拒绝"_s);
    unreachable("reset", u"reset"_s, u"连接被服务器中断"_s);
    unreachable("timeout", u"timeout"_s, u"请求超时"_s);
    unreachable("redirect to another host", u"redirect"_s,
                u"服务要求跳转到其他网站，为安全起见已拒绝"_s);
    for (const auto &[name, address] :
         {std::pair{"blank address", u" \n "_s}, std::pair{"local file", u"file:///etc/passwd"_s},
          std::pair{"address without host", u"https://"_s}})
        QTest::newRow(name) << address << u"无法检查更新"_s
                            << u"更新地址无效，请稍后到官网下载最新版。"_s;
}

void tst_UpdateChecker::failedCheck()
{
    QFETCH(QString, how);
    const bool reachable = how == u"reset" || how == u"timeout" || how == u"redirect";
    PackageInfo package = PackageInfo::fromEnvironment();
    if (how == u"refused") {
        QTcpServer probe; // closed again at once: nothing listens on its port
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        package.updateManifestURL =
            u"http://127.0.0.1:"_s + QString::number(probe.serverPort()) + u"/manifest.json"_s;
    } else if (!reachable) {
        package.updateManifestURL = how;
    }
    makeChecker(package);
    QCOMPARE(m_checker->updateManifestURL().has_value(), reachable || how == u"refused");
    SimFault fault;
    fault.reset = how == u"reset";
    if (how == u"redirect")
        fault.redirectTo =
            "http://127.0.0.2:" + QByteArray::number(m_harness->simulator.baseUrl().port()) +
            "/manifest.json";
    // A short deadline only where the answer comes far later: one outcome can happen.
    fault.delayMs = how == u"timeout" ? 2 * TestSupport::kPatienceMs : 0;
    m_harness->server().setFault(u"manifest"_s, fault);
    m_checker->setRequestTimeoutMs(how == u"timeout" ? 300 : TestSupport::kPatienceMs);
    if (!m_checker->updateManifestURL()) {
        m_checker->checkForUpdatesUserInitiated(false); // unasked, nothing to say
        QVERIFY(m_alerts.isEmpty());
    }
    m_checker->checkForUpdates();
    waitUntilIdle();
    QCOMPARE(m_alerts.size(), 1);
    QTEST(m_alerts.first().title, "title");
    QTEST(m_alerts.first().informativeText, "text");
    QCOMPARE(m_alerts.first().buttons, QStringList{u"知道了"_s});
    QCOMPARE(m_statusLines.isEmpty(), !m_checker->updateManifestURL());
    QCOMPARE(m_harness->server().requests(u"manifest"_s).isEmpty(), !reachable);
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

void tst_UpdateChecker::download_data()
{
    QTest::addColumn<QByteArray>("manifest");
    QTest::addColumn<QString>("officialDownload");
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("opened"); // empty: nothing opened (refused when button 0)

    const QString official = kDownloadPage;
    QTest::newRow("named page") << QByteArray(
                                       R"({"build":28,"downloadUrl":"https://dl.example/k"})")
                                << official << 0 << u"https://dl.example/k"_s;
    QTest::newRow("blank link falls back")
        << QByteArray(R"({"build":28,"downloadUrl":"  \n"})") << official << 0 << official;
    QTest::newRow("later") << QByteArray(R"({"build":28,"downloadUrl":"https://dl.example/k"})")
                           << official << 1 << QString();

    // Links from the network reach the browser only when they are web pages.
    QTest::newRow("local file refused")
        << QByteArray(R"({"build":28,"downloadUrl":"file:///home/user/.ssh/id_rsa"})") << official
        << 0 << QString();
    QTest::newRow("unsafe official page refused")
        << QByteArray(R"({"build":28})") << u"smb://files.example/kestrum"_s << 0 << QString();
}

void tst_UpdateChecker::download()
{
    QFETCH(QByteArray, manifest);
    QFETCH(QString, officialDownload);
    QFETCH(int, button);
    QFETCH(QString, opened);
    const bool refused = button == 0 && opened.isEmpty();

    PackageInfo package = PackageInfo::fromEnvironment();
    package.officialDownloadURL = officialDownload;
    makeChecker(package);
    m_harness->simulator.setManifest(manifest);
    m_answer = button;
    m_checker->checkForUpdatesUserInitiated(false);
    waitUntilIdle();

    QVERIFY(!m_alerts.isEmpty());
    QVERIFY(m_alerts.first().offersDownload);
    if (opened.isEmpty()) {
        QVERIFY(m_opened.isEmpty());
    } else {
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(QString::fromLatin1(m_opened.first().toEncoded()), opened);
    }
    if (refused) {
        QCOMPARE(m_alerts.size(), 2);
        QCOMPARE(m_alerts.last().title, u"无法检查更新"_s);
        QCOMPARE(m_alerts.last().informativeText, u"更新地址无效，请稍后到官网下载最新版。"_s);
    } else {
        QCOMPARE(m_alerts.size(), 1);
    }

    // An offer is answered once; a late second answer opens nothing more.
    m_checker->answerAlert(m_alerts.first().id, 0);
    QCOMPARE(m_opened.size(), opened.isEmpty() ? 0 : 1);
}

QTEST_GUILESS_MAIN(tst_UpdateChecker)
#include "tst_updatechecker.moc"
