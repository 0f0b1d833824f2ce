#include "bundletestutils.h"
#include "programrun.h"
#include "securedwriter.h"

#include <application.h>
#include <doctemplate.h>
#include <hotkey.h>
#include <idoctemplateservice.h>
#include <iformulaoutputservice.h>
#include <ihotkeyservice.h>
#include <iplugin.h>
#include <outputchannel.h>
#include <servicelocator.h>

#include <QLibrary>
#include <QPluginLoader>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString modulePath()
{
    return qEnvironmentVariable("TESSEL_BUILD_DIR") + QStringLiteral("/plugins/libtessel.so");
}

// A data folder whose "WebPlugins" holds a folder bundle, a secured bundle, a folder named by
// "webplugins.xml", and one bundle that cannot be read.
void makeDataFolder(const QString &data)
{
    const QByteArray chart = "{ id: \"load-chart\", version: \"2.1\", supportForwardBack: true }";
    QVERIFY(writeFiles(data, {
        {"WebPlugins/quotes/plugin.spec", "{ id: \"load-quotes\", name: \"Quotes\", version: \"1.0\",\n"
                                          "  actions: { refresh: { name: \"Refresh\", hotkeys: \"F5\" } } }"},
        {"WebPlugins/Chart.wps", encodeSecured(makeZip({{"plugin.spec", chart}}), QByteArray())},
        {"extra/news/plugin.spec", "{ id: \"load-news\", features: \"Alerts\" }"},
        {"WebPlugins/webplugins.xml", "<webplugins><webplugin path=\"../extra/news\"/></webplugins>"},
        {"WebPlugins/Broken.wps", "not secured"}}));
}

} // namespace

class tst_PluginLoading : public QObject
{
    Q_OBJECT

private slots:
    void loadsAsTheHostDoes();
    void scanCommand();
};

void tst_PluginLoading::loadsAsTheHostDoes()
{
    QLibrary library(modulePath());
    QVERIFY2(library.load(), qPrintable(library.errorString()));
    using Verification = const char *(*)();
    const auto verification = reinterpret_cast<Verification>(library.resolve("qt_plugin_query_verification_data"));
    QVERIFY(verification);
    QCOMPARE(QByteArray(verification()),
             QByteArray("pattern=QT_PLUGIN_VERIFICATION_DATA\nversion=4.7.4\ndebug=false\n"
                        "buildkey=Windows msvc release full-config"));
    QVERIFY(library.resolve("qt_plugin_instance"));

    QTemporaryDir data;
    makeDataFolder(data.path());
    Application::instance()->setAppDataPath(data.path());

    QPluginLoader loader(modulePath());
    QCOMPARE(loader.metaData().value(QStringLiteral("IID")).toString(),
             QStringLiteral("com.quorvex.corvodesk.plugin/1.0"));
    QObject *instance = loader.instance();
    QVERIFY2(instance, qPrintable(loader.errorString()));
    QCOMPARE(loader.instance(), instance);
    auto *plugin = qobject_cast<HostApi::IPlugin *>(instance);
    QVERIFY(plugin);
    plugin->init();

    HostApi::ServiceLocator *services = HostApi::ServiceLocator::instance();
    HostApi::OutputChannel *channel =
        services->service<HostApi::IFormulaOutputService>()->channel(QStringLiteral("webpluginoutput"));
    QVERIFY(channel);
    QCOMPARE(channel->title(), QStringLiteral("Plugin Output"));
    const QString plugins = data.path() + QStringLiteral("/WebPlugins");
    QCOMPARE(channel->text(), QStringLiteral(
        "SecuredBundle: Failed to decrypt secured file %1/Broken.wps: (1), \n"
        "SecuredBundle: Failed to open bundle: %1/Broken.wps, \n"
        "SecuredBundle: Resource (plugin.spec) not found in bundle (%1/Broken), \n"
        "specparser: failed to open '%1/Broken/plugin.spec', file not found\n").arg(plugins));

    QStringList ids;
    for (const HostApi::DocTemplate *docTemplate : services->service<HostApi::IDocTemplateService>()->templates())
        ids.append(QString::fromUtf8(docTemplate->id()));
    QCOMPARE(ids, (QStringList{"webplugin_load-chart", "webplugin_load-news", "webplugin_load-quotes"}));
    HostApi::IHotKeyService *hotKeys = services->service<HostApi::IHotKeyService>();
    const HostApi::HotKey *refresh = hotKeys->hotKey("actionWidget", "webplugin_load-quotes", "refresh");
    QVERIFY(refresh);
    QCOMPARE(refresh->sequences(), QList<QKeySequence>{QKeySequence(Qt::Key_F5)});
    QVERIFY(hotKeys->hotKey("actionWidget", "webplugin_load-chart", "backHotKeyId"));

    // The single instance is guarded: once destroyed, the next call makes a new one.
    using InstanceFunction = QObject *(*)();
    const auto instanceFunction = reinterpret_cast<InstanceFunction>(library.resolve("qt_plugin_instance"));
    QCOMPARE(instanceFunction(), instance);
    delete instance;
    QObject *fresh = instanceFunction();
    QVERIFY(fresh);
    QCOMPARE(instanceFunction(), fresh);
    delete fresh;
}

void tst_PluginLoading::scanCommand()
{
    QTemporaryDir data;
    makeDataFolder(data.path());
    QString out;
    const auto scan = [&out](const QStringList &args) {
        const ProgramRun run = runBuildProgram(QStringLiteral("tessel"), QStringList{QStringLiteral("scan")} + args);
        out = QString::fromUtf8(run.out);
        return run.exitCode;
    };
    QCOMPARE(scan({"--feature", "webplugin.developer", data.path() + "/WebPlugins"}), 0);
    for (const char *text : {"SecuredBundle: Failed to decrypt secured file ", "3 document template(s)",
                             "  version:   2.1 (api 0.0)", "    refresh: F5", "    showWebInspectorHotKeyId: Shift+F7",
                             "  features:  Alerts"})
        QVERIFY2(out.contains(QLatin1String(text)), qPrintable(out));
    QCOMPARE(scan({data.path() + "/missing"}), 1);
    QCOMPARE(scan({"--theme", "pink", data.path()}), 2);
}

QTEST_MAIN(tst_PluginLoading)
#include "tst_pluginloading.moc"
