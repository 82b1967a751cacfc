// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include "app/PackageInfo.h"

#include <QCommandLineParser>

using namespace Qt::StringLiterals;

CommandLine CommandLine::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    // Qt's own "-platform NAME" keeps working beside the double-dash options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{u"h"_s, u"help"_s});
    const QCommandLineOption version(QStringList{u"v"_s, u"version"_s});
    const QCommandLineOption once(u"once"_s);
    const QCommandLineOption json(u"json"_s);
    const QCommandLineOption exportViews(u"export-views"_s);
    const QCommandLineOption exportLive(u"export-live"_s, QString(), u"dir"_s);
    const QCommandLineOption refreshes(u"refreshes"_s, QString(), u"n"_s);
    const QCommandLineOption platform(u"platform"_s, QString(), u"name"_s);
    parser.addOptions({help, version, once, json, exportViews, exportLive, refreshes, platform});

    CommandLine line;
    auto fail = [&line](const QString &error) {
        line.action = Action::Error;
        line.error = error;
        return line;
    };
    if (!parser.parse(arguments.isEmpty() ? QStringList{u"kestrum"_s} : arguments))
        return fail(parser.errorText());

    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(help))
        line.action = Action::Help;
    else if (parser.isSet(version))
        line.action = Action::Version;
    else if (parser.isSet(once))
        line.action = Action::Once;
    else if (parser.isSet(exportViews))
        line.action = Action::ExportViews;
    else if (parser.isSet(exportLive))
        line.action = Action::ExportLive;
    if (line.action == Action::Help || line.action == Action::Version)
        return line;

    if (line.action == Action::Once && !parser.isSet(json))
        return fail(u"--once needs an output format: --once --json"_s);
    if (parser.isSet(json) && line.action != Action::Once)
        return fail(u"--json goes with --once"_s);
    if (parser.isSet(refreshes) && line.action != Action::ExportLive)
        return fail(u"--refreshes goes with --export-live"_s);
    if (line.action == Action::ExportViews && positional.size() <= 1)
        line.directory = positional.value(0);
    else if (!positional.isEmpty())
        return fail(u"unexpected argument: "_s + positional.constFirst());
    if (line.action == Action::ExportLive) {
        line.directory = parser.value(exportLive);
        bool ok = true;
        line.refreshes = parser.isSet(refreshes) ? parser.value(refreshes).toInt(&ok) : 0;
        if (!ok || line.refreshes < 0)
            return fail(u"--refreshes needs a whole number"_s);
    }
    return line;
}

QString CommandLine::usage()
{
    return u"Usage: kestrum [OPTION]\n"
           u"Watch China A-share, Hong Kong and US stocks from the panel (澄川 Kestrum).\n"
           u"\n"
           u"  -h, --help            show this help and exit\n"
           u"  -v, --version         show the version and build number and exit\n"
           u"      --once --json     run one refresh, print everything Kestrum concludes as\n"
           u"                        JSON and exit (no desktop session needed)\n"
           u"      --export-views [DIR]\n"
           u"                        render every surface from fixed demonstration data to\n"
           u"                        PNG files in DIR (default ./kestrum-exports) and exit\n"
           u"      --export-live DIR [--refreshes N]\n"
           u"                        render the live surfaces after N refreshes (the demo)\n"
           u"\n"
           u"Without an option Kestrum starts in the panel; started again, it shows the\n"
           u"running one. Exit status: 0 done, 1 no desktop session or another failure,\n"
           u"2 bad command line, 3 --once could not fetch the realtime quotes.\n"_s;
}

QString CommandLine::versionText()
{
    const PackageInfo info = PackageInfo::fromBuild();
    return u"kestrum %1 (build %2)"_s.arg(info.marketingVersion, info.buildNumber);
}
