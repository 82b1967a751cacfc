// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What the package says about itself: its build number, marketing version and the
// addresses the update check uses. Values are fixed at build time (CMake cache variables
// of the same names) and may be overridden by the environment, which is how tests and
// the demo point the check at the simulated manifest.
struct PackageInfo
{
    QString buildNumber;      // an integer in text form
    QString marketingVersion; // e.g. 1.4.0
    QString updateManifestURL;
    QString officialDownloadURL;
    // False in builds made without the update check (a distribution's own updates take
    // its place): no automatic check, no menu item, never a request.
    bool checksForUpdates = true;

    // Used when the build supplies nothing (or an empty value).
    static QString fallbackBuildNumber() { return QStringLiteral("0"); }
    static QString fallbackMarketingVersion() { return QStringLiteral("1.0"); }
    static QString fallbackUpdateManifestURL()
    {
        return QStringLiteral("https://kestrum.orvell.com/update/manifest.json");
    }
    static QString fallbackOfficialDownloadURL()
    {
        return QStringLiteral("https://kestrum.orvell.com/download/");
    }

    // The values compiled in, each empty one replaced by its fallback.
    static PackageInfo fromBuild();
    // fromBuild() with non-empty KESTRUM_BUILD_NUMBER, KESTRUM_VERSION,
    // KESTRUM_UPDATE_MANIFEST_URL and KESTRUM_DOWNLOAD_URL taking precedence.
    static PackageInfo fromEnvironment();
};
