// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/PackageInfo.h"
#include "net/HttpClient.h"

#include <QHash>
#include <QJsonObject>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

// A modal alert the user interface should show on the checker's behalf: bring the
// application to the front, run it modally, and hand the chosen button back through
// UpdateChecker::answerAlert.
struct UpdateAlert
{
    enum class Style
    {
        Informational,
        Warning,
    };

    quint64 id = 0;
    QString title;           // the alert's headline
    QString informativeText; // shown below it, as it is
    QStringList buttons;     // left to right; the first is the default
    Style style = Style::Informational;
    // Only the update offer acts on an answer (its first button opens the download page).
    bool offersDownload = false;
};
Q_DECLARE_METATYPE(UpdateAlert)

// Whether a newer build exists, from a small JSON manifest on the maker's site. The
// automatic check stays silent unless it finds an update; a check the user asked for
// reports every outcome. Nothing is downloaded: the offer opens the download page.
class UpdateChecker : public QObject
{
    Q_OBJECT
public:
    // Opens a URL in the default browser; false when that failed. The widget layer passes
    // QDesktopServices::openUrl (this library stays free of GUI modules).
    using UrlOpener = std::function<bool(const QUrl &)>;

    static constexpr int kAutomaticCheckDelayMs = 4000;
    static constexpr int kDefaultTimeoutMs = 8000;
    // A manifest is a few hundred bytes; anything near this is not one.
    static constexpr qint64 kMaxManifestBytes = 256 * 1024;

    UpdateChecker(HttpClient &http, PackageInfo package, UrlOpener openUrl,
                  QObject *parent = nullptr);

    void setRequestTimeoutMs(int ms) { m_timeoutMs = ms; }
    const PackageInfo &package() const { return m_package; }

    // The menu item "检查更新...".
    void checkForUpdates() { checkForUpdatesUserInitiated(true); }
    // One check; a second call while one is in flight does nothing, not even a message.
    // A build without the update check never asks.
    void checkForUpdatesUserInitiated(bool userInitiated);
    bool isUpdateCheckInFlight() const { return m_inFlight; }
    // Whether this build checks at all; without it the menus offer no update items.
    bool isAvailable() const { return m_package.checksForUpdates; }

    qint64 currentBundleBuildNumber() const;
    QString currentBundleVersionLabel() const;
    std::optional<QUrl> updateManifestURL() const;
    std::optional<QUrl> officialDownloadURL() const;

    // Trimmed text as a URL; when it does not parse, every character a URL fragment may
    // not hold is percent-encoded and it is parsed again. None when empty or unparsable.
    static std::optional<QUrl> URLFromConfiguredString(const QString &text);
    // Only web pages are handed to the browser: http or https with a host.
    static bool isWebURL(const QUrl &url);
    // "build" as an integer or a string holding one; any other type counts as 0.
    static qint64 buildNumberFromUpdateManifest(const QJsonObject &manifest);
    // The manifest's downloadUrl when it names one, else the official download page.
    std::optional<QUrl> downloadURLFromUpdateManifest(const QJsonObject &manifest) const;

    void handleUpdateManifest(const QJsonObject &manifest, bool userInitiated);
    void showUpdateAvailableAlert(const QJsonObject &manifest);
    void showUpdateStatusAlertWithTitle(const QString &title, const QString &message,
                                        UpdateAlert::Style style = UpdateAlert::Style::Warning);

public Q_SLOTS:
    // The user closed alert `id` with button `buttonIndex` (-1: dismissed without one).
    void answerAlert(quint64 id, int buttonIndex);

Q_SIGNALS:
    // Show this alert modally, then call answerAlert.
    void alertRequested(const UpdateAlert &alert);
    // A check the user asked for has started: show this on the status line and redraw
    // the visible surfaces (the next refresh replaces it).
    void statusLineRequested(const QString &text);
    // A check started or finished (isUpdateCheckInFlight changed).
    void checkInFlightChanged(bool inFlight);

private:
    void finishCheck(const HttpResponse &response, bool userInitiated);
    void openDownloadPage(const QJsonObject &manifest);

    HttpClient &m_http;
    PackageInfo m_package;
    UrlOpener m_openUrl;
    int m_timeoutMs = kDefaultTimeoutMs;
    bool m_inFlight = false;
    quint64 m_nextAlertId = 1;
    // Open update offers, by alert id, until answered.
    QHash<quint64, QJsonObject> m_offers;
};
