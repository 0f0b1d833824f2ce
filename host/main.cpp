#include "hostoptions.h"
#include "hosttheme.h"
#include "mainwindow.h"
#include "marketdata.h"
#include "moduleloader.h"
#include "outputecho.h"
#include "quitonsignal.h"
#include "screenshotjob.h"
#include "settingsdialog.h"
#include "templatelookup.h"
#include "workspacestore.h"

#include <application.h>
#include <doctemplate.h>
#include <iformulaoutputservice.h>
#include <iplugin.h>
#include <outputchannel.h>
#include <servicelocator.h>

#include <QApplication>
#include <QDir>

#include <cstdio>

namespace {

const char pluginOutputChannel[] = "webpluginoutput";

// One line on standard error, the way every failure of the host is reported.
int fail(int exitCode, const QString &reason)
{
    std::fprintf(stderr, "tessel-host: %s\n", qUtf8Printable(reason));
    return exitCode;
}

int run(QApplication &app, const HostOptions &options, QObject *pluginInstance,
        HostApi::OutputChannel *channel)
{
    MainWindow window;
    window.setUp(channel);
    window.followUpdates(pluginInstance);

    const WorkspaceStore store(WorkspaceStore::defaultFileName());
    if (options.isScreenshotRun()) {
        ScreenshotJob job(&window, options.timeoutSeconds());
        if (options.screenshotFolder().isEmpty())
            job.setDocument(options.openId(), options.screenshotFile());
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
    if (const HostApi::DocTemplate *docTemplate = findDocTemplate(options.openId())) {
        QString error;
        if (!window.openDocument(docTemplate->id(), &error))
            fail(1, error);
    }
    QObject::connect(&app, &QApplication::aboutToQuit, &window, [&] { store.save(window.workspace()); });
    const QuitOnSignal quitOnSignal;
    window.show();
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
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

    Application *application = Application::instance();
    if (!options.dataDir().isEmpty())
        application->setAppDataPath(QDir(options.dataDir()).absolutePath());
    const QString pluginFolder = application->appDataPath() + QLatin1String("WebPlugins");
    if (!QDir().mkpath(pluginFolder))
        return fail(1, QStringLiteral("cannot create the plug-in folder %1").arg(pluginFolder));
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
    HostApi::IPlugin *plugin = loader.plugin();
    plugin->initResources();
    plugin->init();

    auto *output = HostApi::ServiceLocator::instance()->service<HostApi::IFormulaOutputService>();
    HostApi::OutputChannel *channel = output ? output->channel(QLatin1String(pluginOutputChannel)) : nullptr;
    if (options.echoOutput())
        new OutputEcho(channel, stdout, &app);

    int exitCode = 0;
    if (!options.openId().isEmpty() && !findDocTemplate(options.openId()))
        exitCode = fail(1, QStringLiteral("no plug-in '%1' is installed in %2").arg(options.openId(), pluginFolder));
    else
        exitCode = run(app, options, loader.instance(), channel);

    plugin->term();
    plugin->termResources();
    delete loader.instance();
    return exitCode;
}
