#include "bundletestutils.h"
#include "securedwriter.h"
#include "testsupport.h"

#include <plugin/pluginkey.h>
#include <bundle/scriptbundle.h>
#include <plugin/scriptplugin.h>

#include <application.h>
#include <doctemplate.h>
#include <document.h>
#include <featuremanager.h>
#include <hotkey.h>
#include <hotkeyaction.h>
#include <idoctemplateservice.h>
#include <iformulaoutputservice.h>
#include <ihotkeyservice.h>
#include <outputchannel.h>
#include <servicelocator.h>
#include <settings.h>

#include <QTemporaryDir>
#include <QtTest>

namespace {

// Every test case uses plug-in ids of its own: templates and hot keys are registered with
// the process-wide stand-in services.
HostApi::IDocTemplateService *templates()
{
    return HostApi::ServiceLocator::instance()->service<HostApi::IDocTemplateService>();
}

HostApi::IHotKeyService *hotKeys()
{
    return HostApi::ServiceLocator::instance()->service<HostApi::IHotKeyService>();
}

HostApi::OutputChannel *output()
{
    return HostApi::ServiceLocator::instance()->service<HostApi::IFormulaOutputService>()
        ->registerChannel(QStringLiteral("webpluginoutput"), QStringLiteral("Plugin Output"));
}

// The lines written to "Plugin Output" since the last call.
QStringList takeOutput()
{
    QStringList lines = output()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    output()->clear();
    return lines;
}

FileMap manifest(const QByteArray &json)
{
    return {{QStringLiteral("plugin.spec"), json}};
}

// A plug-in folder below a temporary folder, with an application folder beside it.
class PluginFolder
{
public:
    PluginFolder() { QDir().mkpath(plugins()); QDir().mkpath(app()); }
    QString plugins() const { return m_dir.path() + QStringLiteral("/WebPlugins"); }
    QString app() const { return m_dir.path() + QStringLiteral("/app"); }
    QString path(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }

    void folder(const QString &name, const QByteArray &json) { QVERIFY(writeFiles(plugins() + QLatin1Char('/') + name, manifest(json))); }
    void secured(const QString &name, const QByteArray &json)
    {
        QVERIFY(writeFile(plugins() + QLatin1Char('/') + name + QStringLiteral(".wps"),
                          encodeSecured(makeZip(manifest(json)), QByteArray())));
    }
    void listed(const QString &name, const QByteArray &json)
    {
        QVERIFY(writeFiles(path(name), manifest(json)));
        m_listed += "<webplugin path=\"../" + name.toUtf8() + "\"/>";
        QVERIFY(writeFile(plugins() + QStringLiteral("/webplugins.xml"), "<webplugins>" + m_listed + "</webplugins>"));
    }
    void load(ScriptPlugin *plugin) const
    {
        takeOutput();
        plugin->setSearchFolders(app(), plugins());
        plugin->init();
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_listed;
};

QByteArray spec(const QString &id, const QString &version, const QByteArray &more = QByteArray())
{
    return "{ id: \"" + id.toUtf8() + "\", version: \"" + version.toUtf8() + "\"" + more + " }";
}

} // namespace

class tst_ScriptPlugin : public QObject
{
    Q_OBJECT

private slots:
    void pluginKeys_data();
    void pluginKeys();
    void versionChoice_data();
    void versionChoice();
    void idsDifferingInCase();
    void unreadableManifestsSkipped();
    void minimalManifest();
    void templateValues();
    void actionHotKeys();
    void documentHotKeys_data();
    void documentHotKeys();
    void apiVersion_data();
    void apiVersion();
    void updatesSetting_data();
    void updatesSetting();
};

void tst_ScriptPlugin::pluginKeys_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QByteArray>("key");

    QTest::newRow("template") << "Chart" << QString() << "_" << QByteArray("webplugin_chart");
    QTest::newRow("page") << "Chart" << "Colors" << "_" << QByteArray("webplugin_chart_colors");
    QTest::newRow("feature") << "Chart" << "Trading" << "." << QByteArray("webplugin.chart.trading");
    QTest::newRow("utf8") << QStringLiteral("Übersicht") << QString() << "_"
                          << QStringLiteral("webplugin_übersicht").toUtf8();
}

void tst_ScriptPlugin::pluginKeys()
{
    QFETCH(QString, id);
    QFETCH(QString, suffix);
    QFETCH(QString, separator);
    QFETCH(QByteArray, key);
    QCOMPARE(pluginKey(id, suffix, separator), key);
}

void tst_ScriptPlugin::versionChoice_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QStringList>("bundles");   // kind:name:version, in any order
    QTest::addColumn<QString>("chosen");        // the winner's name

    QTest::newRow("numeric-minor") << "vc-minor"
        << QStringList{"secured:A:1.10", "listed:B:1.2"} << "A";
    QTest::newRow("higher-major") << "vc-major"
        << QStringList{"folder:A:2.0", "secured:B:1.99"} << "A";
    QTest::newRow("secured-beats-folder") << "vc-secured"
        << QStringList{"folder:A:1.0", "secured:B:1.0"} << "B";
    QTest::newRow("listed-beats-both") << "vc-listed"
        << QStringList{"folder:A:1.0", "secured:B:1.0", "listed:C:1.0"} << "C";
    QTest::newRow("later-listed-wins") << "vc-lists"
        << QStringList{"listed:A:3.1", "listed:B:3.1"} << "B";
    QTest::newRow("older-listed-loses") << "vc-older"
        << QStringList{"folder:A:1.5", "listed:B:1.4"} << "A";
}

void tst_ScriptPlugin::versionChoice()
{
    QFETCH(QString, id);
    QFETCH(QStringList, bundles);
    QFETCH(QString, chosen);

    PluginFolder folder;
    for (const QString &bundle : qAsConst(bundles)) {
        const QStringList parts = bundle.split(QLatin1Char(':'));
        const QByteArray json = spec(id, parts.at(2));
        if (parts.at(0) == QLatin1String("folder"))
            folder.folder(id + parts.at(1), json);
        else if (parts.at(0) == QLatin1String("secured"))
            folder.secured(id + parts.at(1), json);
        else
            folder.listed(id + parts.at(1), json);
    }
    ScriptPlugin plugin;
    folder.load(&plugin);

    QCOMPARE(plugin.catalogue().size(), 1);
    const ScriptPluginSpec loaded = plugin.catalogue().value(pluginKey(id));
    QVERIFY(loaded.bundle);
    QCOMPARE(QFileInfo(loaded.bundle->path()).fileName(), id + chosen);
    QCOMPARE(plugin.bundles().size(), bundles.size());
    QCOMPARE(takeOutput(), QStringList());
}

void tst_ScriptPlugin::idsDifferingInCase()
{
    PluginFolder folder;
    folder.folder(QStringLiteral("lower"), spec(QStringLiteral("casedid"), QStringLiteral("9.0")));
    folder.secured(QStringLiteral("upper"), spec(QStringLiteral("CasedId"), QStringLiteral("1.0")));
    ScriptPlugin plugin;
    folder.load(&plugin);

    QCOMPARE(plugin.catalogue().keys(), QList<QByteArray>{"webplugin_casedid"});
    QCOMPARE(plugin.catalogue().first().id, QStringLiteral("CasedId"));
    QCOMPARE(takeOutput(), QStringList{QStringLiteral(
        "pluginmanager: failed to load plugin 'casedid', same version of this plugin is already loaded")});
    QCOMPARE(templates()->docTemplate("webplugin_casedid")->name(), QStringLiteral("CasedId"));
}

// A bundle without a readable manifest is kept but registers nothing; the output says why,
// naming the manifest.
void tst_ScriptPlugin::unreadableManifestsSkipped()
{
    PluginFolder folder;
    QVERIFY(QDir().mkpath(folder.plugins() + QStringLiteral("/empty")));
    folder.folder(QStringLiteral("noid"), "{ name: \"nameless\" }");
    folder.folder(QStringLiteral("numberid"), "{ id: 7 }");
    QVERIFY(writeFile(folder.plugins() + QStringLiteral("/broken.wps"), "not secured"));
    ScriptPlugin plugin;
    const int before = templates()->templates().size();
    folder.load(&plugin);

    QCOMPARE(plugin.bundles().size(), 4);
    QVERIFY(plugin.catalogue().isEmpty());
    QCOMPARE(templates()->templates().size(), before);
    const QStringList lines = takeOutput();
    QVERIFY(lines.contains(QStringLiteral("specparser: failed to open '%1/empty/plugin.spec', file not found").arg(folder.plugins())));
    QVERIFY(lines.contains(QStringLiteral("SecuredBundle: Failed to decrypt secured file %1/broken.wps: (1), ").arg(folder.plugins())));
    QVERIFY(lines.contains(QStringLiteral("specparser: failed to load '%1/noid/plugin.spec', no plug-in id: \"id\" is missing").arg(folder.plugins())));
    QVERIFY(lines.contains(QStringLiteral("specparser: failed to load '%1/numberid/plugin.spec', no plug-in id: \"id\" is not a string").arg(folder.plugins())));
}

void tst_ScriptPlugin::minimalManifest()
{
    PluginFolder folder;
    folder.folder(QStringLiteral("bare"), "{ id: \"bare-min\" }");
    ScriptPlugin plugin;
    folder.load(&plugin);

    const QByteArray templateId = "webplugin_bare-min";
    const HostApi::DocTemplate *docTemplate = templates()->docTemplate(templateId);
    QVERIFY(docTemplate);
    QCOMPARE(docTemplate->plugin(), static_cast<HostApi::IPlugin *>(&plugin));
    QCOMPARE(docTemplate->name(), QStringLiteral("bare-min"));
    QCOMPARE(docTemplate->supportFlags(), int(ScriptPluginSpec::DefaultSupportFlags));
    QCOMPARE(docTemplate->styleTemplateGroup(), QStringLiteral("bare-min"));
    QVERIFY(docTemplate->icon().isNull());
    QCOMPARE(hotKeys()->group(templateId).name, QStringLiteral("bare-min"));
    QCOMPARE(hotKeys()->group(templateId).parent, QByteArray());

    LogCapture log;
    QVERIFY(!plugin.hotkey(templateId, "backHotKeyId"));
    QVERIFY(log.entries().isEmpty());
    QVERIFY(!plugin.hotkey("webplugin_unknown", "backHotKeyId"));
    QCOMPARE(log.texts("Assert"), QStringList{QStringLiteral("it != m_pluginHotkeys.end()")});
    QCOMPARE(takeOutput(), QStringList());
}

void tst_ScriptPlugin::templateValues()
{
    PluginFolder folder;
    QVERIFY(writeFiles(folder.plugins() + QStringLiteral("/full"), {
        {QStringLiteral("plugin.spec"),
         "{ id: \"full-tpl\", name: \"Full\", desc: \"All of it\", icon: \"main\", openInIcon: \"open\",\n"
         "  supportSymbolLinking: true, supportPrinting: false, supportStyleTemplates: false,\n"
         "  openIn: \"symbollist\", hotkeys: [\"Ctrl+Alt+F\", \"F9\"], isQuorvexApp: true,\n"
         "  supportedSymbolTypes: [\"symbolTypeStock\", \"symbolTypeIndex\"],\n"
         "  features: [\"Trading\", \"news\"],\n"
         "  icons: { main: \"main.png\", open: \"open.png\" } }"},
        {QStringLiteral("main.png"), QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8DwHwAFBQIAX8jx0gAAAABJRU5ErkJggg==")},
        {QStringLiteral("open.png"), QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==")},
    }));
    folder.folder(QStringLiteral("noopen"), "{ id: \"noopen-tpl\", icon: \"main\", icons: { main: \"../full/main.png\" } }");
    ScriptPlugin plugin;
    folder.load(&plugin);

    const HostApi::DocTemplate *full = templates()->docTemplate("webplugin_full-tpl");
    QVERIFY(full);
    QCOMPARE(full->name(), QStringLiteral("Full"));
    QCOMPARE(full->supportFlags(), int(ScriptPluginSpec::DefaultSupportFlags | 0x1) & ~0x40);
    QCOMPARE(full->styleTemplateGroup(), QString());
    QCOMPARE(full->openInContext(), 2);
    QCOMPARE(full->hotKeys(), (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Alt+F")), QKeySequence(Qt::Key_F9)}));
    QCOMPARE(full->supportedSymbolTypes(), (QList<int>{14, 13}));
    QVERIFY(full->isQuorvexApp());
    QCOMPARE(full->icon().pixmap(1, 1).toImage().pixel(0, 0), plugin.catalogue().value("webplugin_full-tpl").icon(QStringLiteral("main")).pixmap(1, 1).toImage().pixel(0, 0));
    QVERIFY(full->openInIcon().pixmap(1, 1).toImage().pixel(0, 0) != full->icon().pixmap(1, 1).toImage().pixel(0, 0));
    QVERIFY(FeatureManager::instance()->isRegistered(QStringLiteral("webplugin.full-tpl.trading")));
    QVERIFY(FeatureManager::instance()->isRegistered(QStringLiteral("webplugin.full-tpl.news")));
    QVERIFY(FeatureManager::instance()->isRegistered(QStringLiteral("webplugin.developer")));
    QCOMPARE(hotKeys()->group("webplugin_full-tpl").description, QStringLiteral("All of it"));

    // Without an open-in icon, the template's icon serves for both.
    const HostApi::DocTemplate *noOpen = templates()->docTemplate("webplugin_noopen-tpl");
    QVERIFY(noOpen);
    QCOMPARE(noOpen->openInIcon().cacheKey(), noOpen->icon().cacheKey());
}

void tst_ScriptPlugin::actionHotKeys()
{
    PluginFolder folder;
    folder.folder(QStringLiteral("keys"),
        "{ id: \"keys-act\", actions: {\n"
        "  alpha: { name: \"Alpha\", desc: \"First\", hotkeys: [\"Ctrl+K\", \"Ctrl+J\"], isCheckable: true },\n"
        "  beta: { name: \"Beta\", hotkeys: [\"Ctrl+L\", \"Ctrl+K\", \"Ctrl+J\"] },\n"
        "  gamma: { name: \"Gamma\", hotkeys: \"Ctrl+M\" } } }");
    folder.folder(QStringLiteral("other"), "{ id: \"keys-other\", actions: { delta: { hotkeys: \"Ctrl+K\" } } }");
    ScriptPlugin plugin;
    folder.load(&plugin);

    // Taken sequences are only those of the same template, each followed by a blank.
    QCOMPARE(takeOutput(), QStringList{QStringLiteral(": Conflicted key sequences found: Ctrl+K Ctrl+J , ")});
    const HostApi::HotKeyAction *beta = plugin.hotkey("webplugin_keys-act", "beta");
    QVERIFY(beta);
    QCOMPARE(beta->hotKey()->sequences().size(), 3);
    QCOMPARE(beta->text(), QStringLiteral("Beta"));
    QVERIFY(plugin.hotkey("webplugin_keys-act", "alpha")->isCheckable());
    QCOMPARE(plugin.hotkey("webplugin_keys-act", "alpha")->hotKey()->description(), QStringLiteral("First"));
    QCOMPARE(plugin.hotkey("webplugin_keys-act", "alpha")->hotKey()->groupId(), QByteArray("webplugin_keys-act"));
    QVERIFY(plugin.hotkey("webplugin_keys-other", "delta"));
    QVERIFY(!plugin.hotkey("webplugin_keys-other", "alpha"));
}

void tst_ScriptPlugin::documentHotKeys_data()
{
    QTest::addColumn<bool>("developer");
    QTest::addColumn<bool>("forwardBack");
    QTest::addColumn<QByteArrayList>("present");

    QTest::newRow("neither") << false << false << QByteArrayList();
    QTest::newRow("developer") << true << false << QByteArrayList{"showWebInspectorHotKeyId"};
    QTest::newRow("forward-back") << false << true << QByteArrayList{"backHotKeyId", "forwardHotKeyId"};
    QTest::newRow("both") << true << true
                          << QByteArrayList{"backHotKeyId", "forwardHotKeyId", "showWebInspectorHotKeyId"};
}

void tst_ScriptPlugin::documentHotKeys()
{
    QFETCH(bool, developer);
    QFETCH(bool, forwardBack);
    QFETCH(QByteArrayList, present);

    const QString id = QStringLiteral("doc-keys-%1").arg(QTest::currentDataTag());
    PluginFolder folder;
    folder.folder(id, "{ id: \"" + id.toUtf8() + "\", supportForwardBack: " + (forwardBack ? "true" : "false") + " }");
    Application::instance()->settings()->setValue(QStringLiteral("features/webplugin.developer"), developer);
    ScriptPlugin plugin;
    folder.load(&plugin);
    Application::instance()->settings()->remove(QStringLiteral("features/webplugin.developer"));

    const QByteArray templateId = pluginKey(id);
    for (const QByteArray &hotkeyId : {QByteArray("backHotKeyId"), QByteArray("forwardHotKeyId"), QByteArray("showWebInspectorHotKeyId")})
        QCOMPARE(plugin.hotkey(templateId, hotkeyId) != nullptr, present.contains(hotkeyId));
    if (developer) {
        const HostApi::HotKeyAction *inspector = plugin.hotkey(templateId, "showWebInspectorHotKeyId");
        QCOMPARE(inspector->hotKey()->sequences(), QList<QKeySequence>{QKeySequence(Qt::SHIFT + Qt::Key_F7)});
        QCOMPARE(inspector->text(), QStringLiteral("Show Web Inspector"));
    }
    if (forwardBack) {
        QCOMPARE(plugin.hotkey(templateId, "backHotKeyId")->hotKey()->sequences(), QKeySequence::keyBindings(QKeySequence::Back));
        QCOMPARE(plugin.hotkey(templateId, "forwardHotKeyId")->text(), QStringLiteral("Forward"));
    }
}

void tst_ScriptPlugin::apiVersion_data()
{
    QTest::addColumn<QByteArray>("apiVersion");
    QTest::addColumn<int>("result");

    QTest::newRow("absent") << QByteArray() << 0;
    QTest::newRow("1.0") << QByteArray("1.0") << 0;
    QTest::newRow("0.9") << QByteArray("0.9") << 0;
    QTest::newRow("1.1") << QByteArray("1.1") << 2;
    QTest::newRow("2.0") << QByteArray("2.0") << 2;
}

void tst_ScriptPlugin::apiVersion()
{
    QFETCH(QByteArray, apiVersion);
    QFETCH(int, result);

    PluginFolder folder;
    folder.folder(QStringLiteral("api"), "{ id: \"api-check\"" + (apiVersion.isNull() ? QByteArray() : ", apiVersion: \"" + apiVersion + "\"") + " }");
    ScriptPlugin plugin;
    folder.load(&plugin);
    Document document("webplugin_api-check");
    QCOMPARE(plugin.initDocument(&document), result);
    QCOMPARE(takeOutput(), result == 0 ? QStringList() : QStringList{QStringLiteral(
        "pluginmanager: failed to create document, plugin requires more recent version of application")});

    LogCapture log;
    QCOMPARE(plugin.initDocument(nullptr), 2);
    QCOMPARE(log.texts("Assert"), QStringList{QStringLiteral("0 != doc")});
}

void tst_ScriptPlugin::updatesSetting_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("absent") << QVariant() << true;
    QTest::newRow("true") << QVariant(true) << true;
    QTest::newRow("false") << QVariant(false) << false;
    QTest::newRow("text-false") << QVariant(QStringLiteral("false")) << false;
    QTest::newRow("zero") << QVariant(0) << false;
    QTest::newRow("list") << QVariant(QVariantList{1, 2}) << true;
}

void tst_ScriptPlugin::updatesSetting()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, enabled);

    HostApi::Settings *settings = Application::instance()->settings();
    if (stored.isValid())
        settings->setValue(QStringLiteral("enableWebPluginsUpdates"), stored);
    QCOMPARE(ScriptPlugin::isUpdatesEnabled(), enabled);
    settings->remove(QStringLiteral("enableWebPluginsUpdates"));
}

QTEST_MAIN(tst_ScriptPlugin)
#include "tst_scriptplugin.moc"
