#include "devmanifest.h"
#include "devsession.h"
#include "diagnosticlog.h"
#include "documentwindow.h"
#include "folderlistentry.h"
#include "hostoptions.h"
#include "hosttheme.h"
#include "loopwatchdog.h"
#include "mainwindow.h"
#include "marketdata.h"
#include "messagefilter.h"
#include "moduleloader.h"
#include "outputecho.h"
#include "quitonsignal.h"
#include "runfeatures.h"
#include "screenshotjob.h"
#include "settingsdialog.h"
#include "templatelookup.h"
#include "workspacestore.h"

#include <application.h>
#include <doctemplate.h>
#include <featuremanager.h>
#include <iformulaoutputservice.h>
#include <iplugin.h>
#include <logservice.h>
#include <outputchannel.h>
#include <servicelocator.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

const char pluginOutputChannel[] = "webpluginoutput";
const char pluginListFile[] = "webplugins.xml";
// A --dev run that restarts for a new manifest hands the new run what changed through this
// environment variable.
const char restartVariable[] = "TESSEL_HOST_DEV_RESTART";

// One line on standard error, the way every failure of the host is reported.
int fail(int exitCode, const QString &reason)
{
    std::fprintf(stderr, "tessel-host: %s\n", qUtf8Printable(reason));
    return exitCode;
}

// What a --dev run adds to a run.
struct DevRun
{
    QString folder;             // empty: not a --dev run
    DevManifest manifest;
    QString restarted;          // what changed, when this run is a restart for a new manifest
    QString restartSummary;     // set when the run ends to restart
};

bool hasWindowOf(const MainWindow &window, const QByteArray &templateId)
{
    const QList<DocumentWindow *> windows = window.documentWindows();
    return std::any_of(windows.cbegin(), windows.cend(),
                       [&templateId](const DocumentWindow *shown) { return shown->templateId() == templateId; });
}

int run(QApplication &app, const HostOptions &options, const QString &openId, QObject *pluginInstance,
        HostApi::OutputChannel *channel, DevRun *dev)
{
    MainWindow window;
    window.setUp(channel);
    window.followUpdates(pluginInstance);

    const WorkspaceStore store(WorkspaceStore::defaultFileName());
    if (options.isScreenshotRun()) {
        const LoopWatchdog watchdog(options.timeoutSeconds(),
                                    QStringLiteral("tessel-host: the window did not answer for %1 s, a page's "
                                                   "script holds it; the run is ended")
                                        .arg(options.timeoutSeconds()).toUtf8());
        ScreenshotJob job(&window, options.timeoutSeconds());
        if (options.screenshotFolder().isEmpty())
            job.setDocument(openId, options.screenshotFile());
        else
            job.setWorkspace(store.load(), options.openId(), options.screenshotFolder());
        job.setShowProperties(options.showProperties());
        int exitCode = 1;
        QObject::connect(&job, &ScreenshotJob::finished, &app, [&](int code, const QString &error) {
            exitCode = error.isEmpty() ? code : fail(code, error);
            app.exit(exitCode);
        });
        // Started from the event loop, so that a failure at once still ends it.
        QMetaObject::invokeMethod(&job, &ScreenshotJob::start, Qt::QueuedConnection);
        app.exec();
        return exitCode;
    }

    window.restoreWorkspace(store.load());
    // --open opens a window; a --dev run opens its plug-in unless the workspace did.
    if (const HostApi::DocTemplate *docTemplate = findDocTemplate(openId);
        docTemplate && !(options.openId().isEmpty() && hasWindowOf(window, docTemplate->id()))) {
        QString error;
        if (!window.openDocument(docTemplate->id(), &error))
            fail(1, error);
    }
    QObject::connect(&app, &QApplication::aboutToQuit, &window, [&] { store.save(window.workspace()); });
    std::unique_ptr<DevSession> session;
    if (!dev->folder.isEmpty()) {
        session = std::make_unique<DevSession>(dev->folder, dev->manifest, &window, channel);
        QObject::connect(session.get(), &DevSession::restartRequested, &app, [&](const QString &summary) {
            dev->restartSummary = summary;
            app.exit(0);
        });
        session->start();
        if (!dev->restarted.isEmpty())
            session->say(dev->restarted);
    }
    const QuitOnSignal quitOnSignal;
    window.show();
    return app.exec();
}

// Reads the manifest of the --dev folder; the reason when it cannot.
QString readDevManifest(DevRun *dev)
{
    const QString fileName = QLatin1String(DevManifest::FileName);
    if (!QFileInfo(QDir(dev->folder).filePath(fileName)).isFile())
        return QStringLiteral("%1 has no %2").arg(dev->folder, fileName);
    QString error;
    dev->manifest.read(DevManifest::tesselPath(), dev->folder, &error);
    return error;
}

// The names of features that no plug-in registered, joined for a message; empty when none.
QString unknownFeatures(const QStringList &names)
{
    QStringList unknown;
    for (const QString &name : names) {
        if (!FeatureManager::instance()->isRegistered(name))
            unknown.append(name);
    }
    return unknown.join(QLatin1String(", "));
}

// Everything between parsing the command line and leaving the process.
int host(QApplication &app, const HostOptions &options, DevRun *dev)
{
    Application *application = Application::instance();
    if (!options.dataDir().isEmpty())
        application->setAppDataPath(QDir(options.dataDir()).absolutePath());
    const QString pluginFolder = application->appDataPath() + QLatin1String("WebPlugins");
    if (!QDir().mkpath(pluginFolder))
        return fail(1, QStringLiteral("cannot create the plug-in folder %1").arg(pluginFolder));
    // Callers that filter by the threshold, such as a page's bridge.log(), write from the level on.
    QuorvexServiceApi()->setThresholds(options.logLevel());
    DiagnosticLog log(application->appDataPath(), options.logLevel());
    if (options.echoOutput())
        log.setEcho(stdout);
    const RunFeatures features(options.features());
    if (!dev->folder.isEmpty()) {
        const QString error = readDevManifest(dev);
        if (!error.isEmpty())
            return fail(1, QStringLiteral("--dev: %1").arg(error));
    }

    // A store that cannot be opened leaves the data requests answering errors; the host runs on.
    MarketData marketData;
    if (!marketData.start(application->appDataPath()))
        fail(1, QStringLiteral("market data unavailable: %1").arg(marketData.errorString()));
    HostTheme theme;
    theme.restore();
    SettingsDialog::restoreUserName();

    ModuleLoader loader;
    if (!loader.load(options.modulePath()))
        return fail(1, loader.errorString());
    std::unique_ptr<FolderListEntry> listed;
    if (!dev->folder.isEmpty()) {
        listed = std::make_unique<FolderListEntry>(QDir(pluginFolder).filePath(QLatin1String(pluginListFile)),
                                                   dev->folder);
        QString error;
        if (!listed->add(&error))
            return fail(1, QStringLiteral("--dev: %1").arg(error));
    }
    HostApi::IPlugin *plugin = loader.plugin();
    plugin->initResources();
    plugin->init();
    // The module has read the list.
    listed.reset();

    auto *output = HostApi::ServiceLocator::instance()->service<HostApi::IFormulaOutputService>();
    HostApi::OutputChannel *channel = output ? output->channel(QLatin1String(pluginOutputChannel)) : nullptr;
    if (options.echoOutput())
        new OutputEcho(channel, stdout, &app);

    const QString openId = options.openId().isEmpty() ? dev->manifest.id() : options.openId();
    const QString unknown = unknownFeatures(options.features());
    int exitCode = 0;
    if (!unknown.isEmpty()) {
        exitCode = fail(2, QStringLiteral("--feature: no plug-in registered %1 (registered: %2)")
                               .arg(unknown, FeatureManager::instance()->features().join(QLatin1String(", "))));
    } else if (!openId.isEmpty() && !findDocTemplate(openId)) {
        exitCode = fail(1, QStringLiteral("no plug-in '%1' is installed in %2")
                               .arg(openId, dev->folder.isEmpty() ? pluginFolder : dev->folder));
    } else {
        exitCode = run(app, options, openId, loader.instance(), channel, dev);
    }

    plugin->term();
    plugin->termResources();
    delete loader.instance();
    return exitCode;
}

// Replaces the process with a new run of the host on arguments, which is told summary;
// returns only when it cannot.
int restart(const QString &program, const QStringList &arguments, const QString &summary)
{
    qputenv(restartVariable, summary.toUtf8());
    std::vector<QByteArray> encoded;
    for (const QString &argument : arguments)
        encoded.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::fflush(nullptr);
    ::execv(QFile::encodeName(program).constData(), argv.data());
    return fail(1, QStringLiteral("cannot restart %1: %2").arg(program, QString::fromLocal8Bit(std::strerror(errno))));
}

} // namespace

int main(int argc, char *argv[])
{
    MessageFilter::install();
    // Without TZ the C library reads the zone file again for every local-time conversion, and
    // the web engine converts every date it hands a page through local time.
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tessel-host"));

    HostOptions options;
    switch (options.parse(app.arguments())) {
    case HostOptions::Result::ShowHelp:
        std::fputs(qUtf8Printable(HostOptions::helpText()), stdout);
        return 0;
    case HostOptions::Result::UsageError:
        return fail(2, options.errorText() + QStringLiteral(" (see --help)"));
    case HostOptions::Result::Run:
        break;
    }

    DevRun dev;
    dev.folder = options.devFolder().isEmpty() ? QString() : QDir(options.devFolder()).absolutePath();
    dev.restarted = qEnvironmentVariable(restartVariable);
    qunsetenv(restartVariable);
    const int exitCode = host(app, options, &dev);
    if (dev.restartSummary.isEmpty())
        return exitCode;
    // The new run restores the windows from the workspace just saved.
    QStringList arguments = app.arguments();
    const int open = arguments.indexOf(QStringLiteral("--open"));
    if (open > 0)
        arguments.erase(arguments.begin() + open, arguments.begin() + open + 2);
    return restart(QApplication::applicationFilePath(), arguments, dev.restartSummary);
}
