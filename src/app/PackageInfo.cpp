// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PackageInfo.h"

#include <QtGlobal>

// The build passes these only to this file, so bumping the build number recompiles one
// source, not the library.
#ifndef KESTRUM_BUILD_NUMBER
#define KESTRUM_BUILD_NUMBER ""
#endif
#ifndef KESTRUM_VERSION
#define KESTRUM_VERSION ""
#endif
#ifndef KESTRUM_UPDATE_MANIFEST_URL
#define KESTRUM_UPDATE_MANIFEST_URL ""
#endif
#ifndef KESTRUM_DOWNLOAD_URL
#define KESTRUM_DOWNLOAD_URL ""
#endif
#ifndef KESTRUM_UPDATE_CHECK
#define KESTRUM_UPDATE_CHECK 1
#endif

namespace {

QString orFallback(const QString &value, const QString &fallback)
{
    return value.trimmed().isEmpty() ? fallback : value;
}

void overrideFromEnvironment(QString &value, const char *name)
{
    const QString text = qEnvironmentVariable(name);
    if (!text.trimmed().isEmpty())
        value = text;
}

} // namespace

PackageInfo PackageInfo::fromBuild()
{
    PackageInfo info;
    info.buildNumber = orFallback(QString::fromUtf8(KESTRUM_BUILD_NUMBER), fallbackBuildNumber());
    info.marketingVersion =
        orFallback(QString::fromUtf8(KESTRUM_VERSION), fallbackMarketingVersion());
    info.updateManifestURL =
        orFallback(QString::fromUtf8(KESTRUM_UPDATE_MANIFEST_URL), fallbackUpdateManifestURL());
    info.officialDownloadURL =
        orFallback(QString::fromUtf8(KESTRUM_DOWNLOAD_URL), fallbackOfficialDownloadURL());
    info.checksForUpdates = KESTRUM_UPDATE_CHECK != 0;
    return info;
}

PackageInfo PackageInfo::fromEnvironment()
{
    PackageInfo info = fromBuild();
    overrideFromEnvironment(info.buildNumber, "KESTRUM_BUILD_NUMBER");
    overrideFromEnvironment(info.marketingVersion, "KESTRUM_VERSION");
    overrideFromEnvironment(info.updateManifestURL, "KESTRUM_UPDATE_MANIFEST_URL");
    overrideFromEnvironment(info.officialDownloadURL, "KESTRUM_DOWNLOAD_URL");
    return info;
}
