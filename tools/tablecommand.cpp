#include "commands.h"

#include "commandline.h"
#include "updatetablewriter.h"

#include <updater/securedbundleupdater.h>
#include <updater/versionpattern.h>

#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>
#include <QUrl>

using namespace CommandLine;
using Tessel::Updater::VersionPattern;

namespace {

const char usage[] = "tessel table --server URL [--from PATTERN] [--to PATTERN] FILE.wps...";
const char helpText[] =
    "usage: tessel table --server URL [--from PATTERN] [--to PATTERN] FILE.wps...\n\n"
    "Writes to standard output the update table (\"webplugins.ctab\") that publishes the\n"
    "secured bundles FILE.wps... at URL: one plug-in entry per bundle, named by its file name,\n"
    "with one update entry for that file, its \"md5\" and \"sha256\" and the version range.\n"
    "The updater downloads a bundle from URL followed directly by its file name, so URL\n"
    "normally ends in \"/\".\n\n"
    "A version pattern is four dot-separated numbers (2.5.10.3), or up to three numbers each\n"
    "followed by a dot, then \"*\" (2.5.*, 2.*, *). The bundles serve the application\n"
    "versions from --from to --to; a \"*\" matches anything from its place on.\n\n"
    "Refused: a URL other than http or https, a version pattern that does not match as a\n"
    "whole, a range whose start lies above its end, a bundle that is not a readable regular\n"
    "file named *.wps or is larger than %1 MiB, two bundles of the same name (ignoring case).\n"
    "Exit status: 0 success, 1 a bundle refused, 2 wrong usage.\n\n"
    "  --server URL    the http or https URL the bundles are published at\n"
    "  --from PATTERN  the first application version the bundles serve (default: *)\n"
    "  --to PATTERN    the last application version the bundles serve (default: *)\n"
    "  --help          show this text\n";

constexpr qint64 MiB = 1024 * 1024;

int tableUsageError(const QString &message)
{
    return usageError(QStringLiteral("table"), message, QString::fromLatin1(usage));
}

bool isServerUrl(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty()
        && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

} // namespace

int tableCommand(const QStringList &arguments)
{
    if (arguments.contains(QStringLiteral("--help"))) {
        return help(QString::fromLatin1(helpText)
                        .arg(Tessel::Updater::SecuredBundleUpdater::MaxDownloadSize / MiB));
    }
    const QCommandLineOption serverOption(QStringLiteral("server"), QString(), QStringLiteral("URL"));
    const QCommandLineOption fromOption(QStringLiteral("from"), QString(), QStringLiteral("PATTERN"),
                                        QStringLiteral("*"));
    const QCommandLineOption toOption(QStringLiteral("to"), QString(), QStringLiteral("PATTERN"),
                                      QStringLiteral("*"));
    QCommandLineParser parser;
    parser.addOptions({serverOption, fromOption, toOption});
    if (!parser.parse(QStringList{QStringLiteral("tessel")} + arguments))
        return tableUsageError(parser.errorText());
    if (!parser.isSet(serverOption))
        return tableUsageError(QStringLiteral("expects --server URL"));
    const QString server = parser.value(serverOption);
    if (!isServerUrl(server))
        return tableUsageError(QStringLiteral("--server takes an http or https URL"));
    const VersionPattern from = VersionPattern::fromString(parser.value(fromOption));
    const VersionPattern to = VersionPattern::fromString(parser.value(toOption));
    if (!from.isValid() || !to.isValid()) {
        return tableUsageError(QStringLiteral("%1 takes a version pattern such as 2.5.10.3, 2.* or *")
                                   .arg(from.isValid() ? QStringLiteral("--to") : QStringLiteral("--from")));
    }
    // Versions lie between from and to only when from <= to in the updater's order.
    if (!to.isWithin(from, to))
        return tableUsageError(QStringLiteral("--from lies above --to: the range covers no version"));
    const QStringList bundles = parser.positionalArguments();
    if (bundles.isEmpty())
        return tableUsageError(QStringLiteral("expects at least one FILE.wps"));

    UpdateTableWriter writer(server, from, to);
    for (const QString &bundle : bundles) {
        QString error;
        if (!writer.addBundle(bundle, &error))
            return failure(bundle, error);
    }
    if (!server.endsWith(QLatin1Char('/'))) {
        QTextStream(stderr) << "tessel table: note: the URL does not end in \"/\"; the first "
                               "bundle downloads from "
                            << server << QFileInfo(bundles.first()).fileName() << '\n';
    }
    QTextStream(stdout) << writer.text() << '\n';
    return Success;
}
