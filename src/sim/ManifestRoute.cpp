// SPDX-License-Identifier: GPL-3.0-or-later
// The maker's update manifest, served as a static JSON file would be. Tests script its
// bytes and status; by default it describes this very build, so the demo finds nothing new.
#include "sim/MarketSimulator.h"

#include "app/PackageInfo.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

QByteArray MarketSimulator::defaultManifest()
{
    const PackageInfo package = PackageInfo::fromBuild();
    const QJsonObject manifest{
        {u"build"_s, static_cast<double>(package.buildNumber.trimmed().toLongLong())},
        {u"version"_s, package.marketingVersion},
        {u"title"_s, QString(u"澄川 "_s + package.marketingVersion)},
        {u"notes"_s, u"改进行情刷新的稳定性，并修复若干已知问题。"_s},
        {u"downloadUrl"_s, package.officialDownloadURL},
        {u"minimumSystem"_s, u"Debian 12"_s},
    };
    return QJsonDocument(manifest).toJson(QJsonDocument::Indented);
}

void MarketSimulator::setManifest(const QByteArray &body, int status)
{
    m_manifest = body;
    m_manifestStatus = status;
}

void MarketSimulator::installManifestRoute()
{
    m_server.addRoute(manifestRouteName(), manifestPath(), [this](const SimRequest &request) {
        SimResponse response;
        if (request.method != "GET" && request.method != "HEAD") {
            response.status = 405;
            response.headers.append({QByteArrayLiteral("Allow"), QByteArrayLiteral("GET, HEAD")});
            response.body = "Method Not Allowed\n";
            return response;
        }
        response.status = m_manifestStatus;
        response.contentType = "application/json";
        response.headers.append(
            {QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-cache")});
        if (request.method == "GET")
            response.body = m_manifest;
        return response;
    });
}
