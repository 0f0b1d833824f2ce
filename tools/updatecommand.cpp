#include "commands.h"

#include "commandline.h"
#include "tablebackend.h"

#include <updater/tesselupdater.h>
#include <updater/versionpattern.h>

#include <application.h>
#include <logservice.h>
#include <market/marketbackend.h>

#include <QCommandLineParser>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

using namespace CommandLine;
using Tessel::Updater::TesselUpdater;

namespace {

const char usage[] = "tessel update [--app-version V] --table FILE PLUGIN_FOLDER";
const char helpText[] =
    "usage: tessel update [--app-version V] --table FILE PLUGIN_FOLDER\n\n"
    "Runs the web plug-in updater on PLUGIN_FOLDER as the module runs it at start, with FILE\n"
    "as the update table (\"webplugins.ctab\") that the data service delivers: bundles that\n"
    "are missing or whose MD5 differs are downloaded, matching ones kept, and those that no\n"
    "entry of the table covers for the application version removed. The host setting\n"
    "\"enableWebPluginsUpdates\" is not read.\n\n"
    "Each line the updater writes to the diagnostic log is printed as it comes, as\n"
    "LEVEL CATEGORY: TEXT (level 2 progress, 3 failure, 5 removal), then one last line,\n"
    "\"tessel update: D downloaded, R removed, K kept, F failed\".\n"
    "Exit status: 0 the run finished, whatever became of each plug-in; 1 FILE cannot be read\n"
    "or is not a valid table (one line on standard error says why); 2 wrong usage.\n\n"
    "  --app-version V  the application version, four dot-separated numbers (default: %1)\n"
    "  --table FILE     the update table, at most %2 MiB\n"
    "  --help           show this text\n";

const char *const updaterCategories[] = {"Tessel.TesselUpdater", "Tessel.SecuredBundleUpdater"};
constexpr qint64 MaxTableSize = FeedApi::Market::MarketBackend::MaxContentSize;
constexpr qint64 MiB = 1024 * 1024;

int updateUsageError(const QString &message)
{
    return usageError(QStringLiteral("update"), message, QString::fromLatin1(usage));
}

bool isUpdaterCategory(const QByteArray &category)
{
    for (const char *name : updaterCategories) {
        if (category == name)
            return true;
    }
    return false;
}

// text with every character that could drive the terminal (controls, line breaks) as \xHH
// or \uHHHH, so that each log entry stays one plain line.
QString printable(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c.isPrint())
            result += c;
        else if (c.unicode() < 0x100)
            result += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            result += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return result;
}

// Reads the table FILE; false with *error set when it cannot.
bool readTable(const QString &fileName, QByteArray *content, QString *error)
{
    const QFileInfo info(fileName);
    if (info.isDir()) {
        *error = QStringLiteral("is a folder");
        return false;
    }
    if (info.exists() && !info.isFile()) {
        *error = QStringLiteral("not a regular file");
        return false;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    if (file.size() > MaxTableSize) {
        *error = QStringLiteral("larger than %1 MiB").arg(MaxTableSize / MiB);
        return false;
    }
    *content = file.read(file.size());
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace

int updateCommand(const QStringList &arguments)
{
    if (arguments.contains(QStringLiteral("--help"))) {
        return help(QString::fromLatin1(helpText)
                        .arg(QLatin1String(Application::DefaultVersion))
                        .arg(MaxTableSize / MiB));
    }
    const QCommandLineOption tableOption(QStringLiteral("table"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption versionOption(QStringLiteral("app-version"), QString(), QStringLiteral("V"));
    QCommandLineParser parser;
    parser.addOptions({tableOption, versionOption});
    if (!parser.parse(QStringList{QStringLiteral("tessel")} + arguments))
        return updateUsageError(parser.errorText());
    if (!parser.isSet(tableOption))
        return updateUsageError(QStringLiteral("expects --table FILE"));
    if (parser.positionalArguments().size() != 1)
        return updateUsageError(QStringLiteral("expects one PLUGIN_FOLDER"));
    const QString version = parser.value(versionOption);
    if (parser.isSet(versionOption)
        && (!Tessel::Updater::VersionPattern::fromString(version).isValid()
            || version.contains(QLatin1Char('*')))) {
        return updateUsageError(
            QStringLiteral("--app-version takes four dot-separated numbers such as 2.5.10.3"));
    }
    const QString folder = parser.positionalArguments().first();
    if (!QFileInfo(folder).isDir())
        return failure(folder, QStringLiteral("not a folder"));
    const QString tableFile = parser.value(tableOption);
    QByteArray table;
    QString error;
    if (!readTable(tableFile, &table, &error))
        return failure(tableFile, error);

    // The stand-in host keeps its settings in a scratch data folder, never the user's.
    QTemporaryDir data;
    if (!data.isValid())
        return failure(QDir::tempPath(), data.errorString());
    Application *application = Application::instance();
    application->setAppDataPath(data.path());
    if (parser.isSet(versionOption))
        application->setCurrentVersion(version);

    TableBackend backend(TesselUpdater::TableName, table);
    FeedApi::Backend::setCurrent(&backend);

    QTextStream out(stdout);
    HostApi::LogService *log = QuorvexServiceApi();
    HostApi::LogService::Sink previous;
    previous = log->setSink([&out, &previous](const HostApi::LogEntry &entry) {
        if (isUpdaterCategory(entry.category)) {
            out << entry.level << ' ' << entry.category << ": " << printable(entry.text) << '\n';
            out.flush();
        } else if (previous) {
            previous(entry);
        } else {
            std::fprintf(stderr, "%s\n", qPrintable(HostApi::LogService::format(entry)));
        }
    });

    TesselUpdater updater(QDir(folder).absolutePath());
    QEventLoop loop;
    QObject::connect(&updater, &TesselUpdater::finished, &loop, &QEventLoop::quit);
    updater.start();
    if (updater.status() == TesselUpdater::Running)
        loop.exec();
    log->setSink(previous);

    if (updater.status() != TesselUpdater::Finished)
        return failure(tableFile, updater.summary());
    out << "tessel update: " << updater.summary() << '\n';
    return Success;
}
