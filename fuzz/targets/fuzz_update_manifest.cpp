// SPDX-License-Identifier: GPL-3.0-or-later
// The update manifest: parsed as the check does, offered, and the offer accepted, so the
// download link is read as well.
#include "FuzzSupport.h"

#include "app/UpdateChecker.h"
#include "net/HttpClient.h"

#include <QJsonDocument>
#include <QJsonParseError>

using namespace Qt::StringLiterals;

KESTRUM_FUZZ_INITIALIZE()

KESTRUM_FUZZ_MUTATOR(fuzz::mutateJson)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static HttpClient http;
    const QByteArray body = fuzz::bytesOf(data, size);

    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    UpdateChecker::URLFromConfiguredString(QString::fromUtf8(body));
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return 0;
    const QJsonObject manifest = document.object();

    PackageInfo package;
    package.buildNumber = u"1"_s;
    package.marketingVersion = u"1.0.0"_s;
    package.updateManifestURL = u"http://127.0.0.1:9/update/manifest.json"_s;
    package.officialDownloadURL = u"https://kestrum.orvell.com/download/"_s;

    int opened = 0;
    UpdateChecker checker(http, package, [&opened](const QUrl &url) {
        fuzz::check(UpdateChecker::isWebURL(url), "only web pages reach the browser",
                    url.toString());
        ++opened;
        return true;
    });
    UpdateChecker::buildNumberFromUpdateManifest(manifest);
    checker.downloadURLFromUpdateManifest(manifest);
    // The user accepts every offer at once.
    QObject::connect(&checker, &UpdateChecker::alertRequested, &checker,
                     [&checker](const UpdateAlert &alert) {
                         fuzz::check(!alert.title.isEmpty() && !alert.buttons.isEmpty(),
                                     "an alert has a title and a button");
                         checker.answerAlert(alert.id, 0);
                     });
    checker.handleUpdateManifest(manifest, true);
    checker.handleUpdateManifest(manifest, false);
    fuzz::check(opened <= 2, "one download page per offer");
    return 0;
}
