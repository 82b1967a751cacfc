// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UpdateChecker.h"

#include "net/Endpoints.h"
#include "net/NetworkErrorText.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// The leading integer of a text the way a build number is read everywhere in the
// package: white space skipped, an optional sign, digits up to the first other
// character; no digits reads as 0 and an overlong number saturates.
qint64 leadingInteger(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    constexpr qint64 limit = std::numeric_limits<qint64>::max();
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < u'0' || c > u'9')
            break;
        const int digit = c.unicode() - u'0';
        if (value > (limit - digit) / 10)
            return negative ? std::numeric_limits<qint64>::min() : limit;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

qint64 integerFromDouble(double value)
{
    // Truncated toward zero, clamped to the representable range.
    if (!std::isfinite(value))
        return 0;
    if (value >= 9.2e18)
        return std::numeric_limits<qint64>::max();
    if (value <= -9.2e18)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(std::trunc(value));
}

QString manifestString(const QJsonObject &manifest, const QString &key)
{
    const QJsonValue value = manifest.value(key);
    return value.isString() ? value.toString() : QString();
}

} // namespace

UpdateChecker::UpdateChecker(HttpClient &http, PackageInfo package, UrlOpener openUrl,
                             QObject *parent)
    : QObject(parent)
    , m_http(http)
    , m_package(std::move(package))
    , m_openUrl(std::move(openUrl))
{}

void UpdateChecker::checkForUpdatesUserInitiated(bool userInitiated)
{
    if (m_inFlight || !isAvailable())
        return;
    const std::optional<QUrl> manifestURL = updateManifestURL();
    if (!manifestURL) {
        if (userInitiated)
            showUpdateStatusAlertWithTitle(u"无法检查更新"_s,
                                           u"更新地址无效，请稍后到官网下载最新版。"_s);
        return;
    }

    m_inFlight = true;
    Q_EMIT checkInFlightChanged(true);
    if (userInitiated)
        Q_EMIT statusLineRequested(u"正在检查更新..."_s);

    HttpRequest request;
    request.url = *manifestURL;
    request.headers = {{QByteArrayLiteral("User-Agent"), Endpoints::userAgent()}};
    request.timeoutMs = m_timeoutMs;
    request.maxBodyBytes = kMaxManifestBytes;
    m_http.send(request, this, [this, userInitiated](const HttpResponse &response) {
        finishCheck(response, userInitiated);
    });
}

void UpdateChecker::finishCheck(const HttpResponse &response, bool userInitiated)
{
    m_inFlight = false;
    Q_EMIT checkInFlightChanged(false);
    // Only a successful answer is a manifest: an error page that happens to be a JSON
    // object must not read as "no newer build".
    std::optional<QJsonObject> manifest;
    if (response.ok() && !response.body.isEmpty()) {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(response.body, &error);
        if (error.error == QJsonParseError::NoError && document.isObject())
            manifest = document.object();
    }
    if (manifest)
        handleUpdateManifest(*manifest, userInitiated);
    else if (userInitiated && !response.answered())
        showUpdateStatusAlertWithTitle(u"检查更新失败"_s, u"暂时无法连接官网（"_s +
                                                              NetworkErrorText::describe(response) +
                                                              u"），请稍后再试。"_s);
    else if (userInitiated)
        showUpdateStatusAlertWithTitle(u"检查更新失败"_s,
                                       u"暂时无法读取官网更新信息，请稍后再试。"_s);
}

qint64 UpdateChecker::currentBundleBuildNumber() const
{
    return qMax<qint64>(0, leadingInteger(m_package.buildNumber));
}

QString UpdateChecker::currentBundleVersionLabel() const
{
    if (m_package.buildNumber.isEmpty())
        return m_package.marketingVersion;
    return m_package.marketingVersion + u" ("_s + m_package.buildNumber + u')';
}

std::optional<QUrl> UpdateChecker::updateManifestURL() const
{
    // The manifest is fetched over HTTP; any other scheme is a misconfiguration.
    const std::optional<QUrl> url = URLFromConfiguredString(m_package.updateManifestURL);
    if (!url || !isWebURL(*url))
        return std::nullopt;
    return url;
}

std::optional<QUrl> UpdateChecker::officialDownloadURL() const
{
    return URLFromConfiguredString(m_package.officialDownloadURL);
}

std::optional<QUrl> UpdateChecker::URLFromConfiguredString(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    const QUrl direct(trimmed, QUrl::StrictMode);
    if (direct.isValid())
        return direct;
    // Everything but unreserved characters, sub-delims, ':', '@', '/' and '?' (what a
    // fragment may hold) is encoded.
    const QByteArray encoded =
        QUrl::toPercentEncoding(trimmed, QByteArrayLiteral("!$&'()*+,;=:@/?"));
    const QUrl repaired(QString::fromLatin1(encoded), QUrl::StrictMode);
    if (repaired.isValid())
        return repaired;
    return std::nullopt;
}

bool UpdateChecker::isWebURL(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

qint64 UpdateChecker::buildNumberFromUpdateManifest(const QJsonObject &manifest)
{
    const QJsonValue build = manifest.value(u"build"_s);
    if (build.isDouble())
        return integerFromDouble(build.toDouble());
    if (build.isString())
        return leadingInteger(build.toString());
    return 0;
}

std::optional<QUrl> UpdateChecker::downloadURLFromUpdateManifest(const QJsonObject &manifest) const
{
    const QJsonValue value = manifest.value(u"downloadUrl"_s);
    if (value.isString()) {
        if (const std::optional<QUrl> url = URLFromConfiguredString(value.toString()))
            return url;
    }
    return officialDownloadURL();
}

void UpdateChecker::handleUpdateManifest(const QJsonObject &manifest, bool userInitiated)
{
    if (buildNumberFromUpdateManifest(manifest) > currentBundleBuildNumber()) {
        showUpdateAvailableAlert(manifest);
    } else if (userInitiated) {
        showUpdateStatusAlertWithTitle(
            u"已是最新版"_s, u"当前版本 %1 已是最新版。"_s.arg(currentBundleVersionLabel()),
            UpdateAlert::Style::Informational);
    }
}

void UpdateChecker::showUpdateAvailableAlert(const QJsonObject &manifest)
{
    const QString title = manifestString(manifest, u"title"_s);
    const QString version = manifestString(manifest, u"version"_s);
    const QString notes = manifestString(manifest, u"notes"_s);

    QString headline = title;
    if (headline.isEmpty())
        headline = version.isEmpty() ? u"澄川有新版本"_s : u"澄川 "_s + version;

    QString informative = u"当前版本："_s + currentBundleVersionLabel() + u'\n';
    if (!version.isEmpty())
        informative += u"最新版本："_s + version + u'\n';
    if (!notes.isEmpty())
        informative += u'\n' + notes;

    UpdateAlert alert;
    alert.id = m_nextAlertId++;
    alert.title = u"发现新版本："_s + headline;
    alert.informativeText = informative;
    alert.buttons = {u"前往下载"_s, u"稍后"_s};
    alert.style = UpdateAlert::Style::Informational;
    alert.offersDownload = true;
    // Kept before the signal goes out: a modal box answers from inside the emission.
    m_offers.insert(alert.id, manifest);
    Q_EMIT alertRequested(alert);
}

void UpdateChecker::showUpdateStatusAlertWithTitle(const QString &title, const QString &message,
                                                   UpdateAlert::Style style)
{
    UpdateAlert alert;
    alert.id = m_nextAlertId++;
    alert.title = title.isEmpty() ? u"检查更新"_s : title;
    alert.informativeText = message;
    alert.buttons = {u"知道了"_s};
    alert.style = style;
    Q_EMIT alertRequested(alert);
}

void UpdateChecker::answerAlert(quint64 id, int buttonIndex)
{
    const auto offer = m_offers.constFind(id);
    if (offer == m_offers.cend())
        return;
    const QJsonObject manifest = *offer;
    m_offers.erase(offer);
    if (buttonIndex == 0)
        openDownloadPage(manifest);
}

void UpdateChecker::openDownloadPage(const QJsonObject &manifest)
{
    // The link comes from the network: only a web page goes to the browser, never a
    // local file, a script or a handler for some other scheme.
    const std::optional<QUrl> url = downloadURLFromUpdateManifest(manifest);
    if (!url || !isWebURL(*url)) {
        showUpdateStatusAlertWithTitle(u"无法检查更新"_s,
                                       u"更新地址无效，请稍后到官网下载最新版。"_s);
        return;
    }
    if (m_openUrl)
        m_openUrl(*url);
}
