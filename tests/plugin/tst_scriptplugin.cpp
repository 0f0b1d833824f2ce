#include "bundletestutils.h"
#include "securedwriter.h"
#include "testsupport.h"

#include <plugin/pluginkey.h>
#include <bundle/scriptbundle.h>
#include <plugin/scriptplugin.h>

#include <appearancemanager.h>
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

// The lines written to "Plugin Output" since the last call.
QStringList takeOutput()
{
    HostApi::OutputChannel *output = HostApi::ServiceLocator::instance()->service<HostApi::IFormulaOutputService>()
        ->registerChannel(QStringLiteral("webpluginoutput"), QStringLiteral("Plugin Output"));
    const QStringList lines = output->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    output->clear();
    return lines;
}

// A plug-in folder below a temporary folder, with an application folder beside it.
class PluginFolder
{
public:
    PluginFolder() { QDir().mkpath(plugins()); QDir().mkpath(app()); }
    QString plugins() const { return m_dir.path() + QStringLiteral("/WebPlugins"); }
    QString app() const { return m_dir.path() + QStringLiteral("/app"); }

    void folder(const QString &name, const QByteArray &json)
    {
        QVERIFY(writeFiles(plugins() + QLatin1Char('/') + name, {{QStringLiteral("plugin.spec"), json}}));
    }
    void secured(const QString &name, const QByteArray &json)
    {
        QVERIFY(writeFile(plugins() + QLatin1Char('/') + name + QStringLiteral(".wps"),
                          encodeSecured(makeZip({{QStringLiteral("plugin.spec"), json}}), QByteArray())));
    }
    void listed(const QString &name, const QByteArray &json)
    {
        QVERIFY(writeFiles(m_dir.path() + QLatin1Char('/') + name, {{QStringLiteral("plugin.spec"), json}}));
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

} // namespace

class tst_ScriptPlugin : public QObject
{
    Q_OBJECT

private slots:
    void pluginKeys_data();
    void pluginKeys();
    void versionChoice_data();
    void versionChoice();
    void registration();
    void documentHotKeys_data();
    void documentHotKeys();
    void apiVersion_data();
    void apiVersion();
    void themeIcons_data();
    void themeIcons();
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
    QTest::newRow("utf8") << "Übersicht" << QString() << "_" << QStringLiteral("webplugin_übersicht").toUtf8();
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
    QTest::addColumn<QStringList>("bundles");   // kind:name:version, in any order
    QTest::addColumn<QString>("chosen");        // the winner's name

    QTest::newRow("numeric-minor") << QStringList{"secured:A:1.10", "listed:B:1.2"} << "A";
    QTest::newRow("higher-major") << QStringList{"folder:A:2.0", "secured:B:1.99"} << "A";
    QTest::newRow("secured-beats-folder") << QStringList{"folder:A:1.0", "secured:B:1.0"} << "B";
    QTest::newRow("listed-beats-both") << QStringList{"folder:A:1.0", "secured:B:1.0", "listed:C:1.0"} << "C";
    QTest::newRow("later-listed-wins") << QStringList{"listed:A:3.1", "listed:B:3.1"} << "B";
    QTest::newRow("older-listed-loses") << QStringList{"folder:A:1.5", "listed:B:1.4"} << "A";
}

void tst_ScriptPlugin::versionChoice()
{
    QFETCH(QStringList, bundles);
    QFETCH(QString, chosen);

    const QString id = QStringLiteral("vc-%1").arg(QTest::currentDataTag());
    PluginFolder folder;
    for (const QString &bundle : qAsConst(bundles)) {
        const QStringList parts = bundle.split(QLatin1Char(':'));
        const QByteArray json = "{ id: \"" + id.toUtf8() + "\", version: \"" + parts.at(2).toUtf8() + "\" }";
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

// One load of bundles of every kind: what is registered, and every line of the output. A
// bundle without a readable manifest is kept but registers nothing; of ids differing only in
// case the first loaded wins; taken action key sequences are only those of the same template.
void tst_ScriptPlugin::registration()
{
    PluginFolder folder;
    const QByteArray pixel = "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42m";
    QVERIFY(writeFiles(folder.plugins(), {
        {"full/plugin.spec",
         "{ id: \"full-tpl\", name: \"Full\", desc: \"All of it\", icon: \"main\", openInIcon: \"open\",\n"
         "  supportSymbolLinking: true, supportPrinting: false, supportStyleTemplates: false,\n"
         "  openIn: \"symbollist\", hotkeys: [\"Ctrl+Alt+F\", \"F9\"], isQuorvexApp: true,\n"
         "  supportedSymbolTypes: [\"symbolTypeStock\", \"symbolTypeIndex\"], features: [\"Trading\", \"news\"],\n"
         "  icons: { main: \"main.png\", open: \"open.png\" } }"},
        {"full/main.png", QByteArray::fromBase64(pixel + "P8z8DwHwAFBQIAX8jx0gAAAABJRU5ErkJggg==")},
        {"full/open.png", QByteArray::fromBase64(pixel + "Nk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==")},
        {"noopen/plugin.spec", "{ id: \"noopen-tpl\", icon: \"main\", icons: { main: \"main.png\" } }"},
        {"noopen/main.png", QByteArray::fromBase64(pixel + "P8z8DwHwAFBQIAX8jx0gAAAABJRU5ErkJggg==")},
        {"bare/plugin.spec", "{ id: \"bare-min\" }"},
        {"lower/plugin.spec", "{ id: \"casedid\", version: \"9.0\" }"},
        {"keys/plugin.spec",
         "{ id: \"keys-act\", actions: {\n"
         "  alpha: { name: \"Alpha\", desc: \"First\", hotkeys: [\"Ctrl+K\", \"Ctrl+J\"], isCheckable: true },\n"
         "  beta: { name: \"Beta\", hotkeys: [\"Ctrl+L\", \"Ctrl+K\", \"Ctrl+J\"] },\n"
         "  gamma: { name: \"Gamma\", hotkeys: \"Ctrl+M\" } } }"},
        {"other/plugin.spec", "{ id: \"keys-other\", actions: { delta: { hotkeys: \"Ctrl+K\" } } }"},
        {"noid/plugin.spec", "{ name: \"nameless\" }"},
        {"broken.wps", "not secured"}}));
    folder.secured(QStringLiteral("upper"), "{ id: \"CasedId\", version: \"1.0\" }");
    QVERIFY(QDir().mkpath(folder.plugins() + QStringLiteral("/empty")));
    const int before = templates()->templates().size();
    ScriptPlugin plugin;
    folder.load(&plugin);

    const QString plugins = folder.plugins();
    QStringList lines = takeOutput();
    lines.sort();
    QCOMPARE(lines, (QStringList{
        ": Conflicted key sequences found: Ctrl+K Ctrl+J , ",
        "SecuredBundle: Failed to decrypt secured file " + plugins + "/broken.wps: (1), ",
        "SecuredBundle: Failed to open bundle: " + plugins + "/broken.wps, ",
        "SecuredBundle: Resource (plugin.spec) not found in bundle (" + plugins + "/broken), ",
        "pluginmanager: failed to load plugin 'casedid', same version of this plugin is already loaded",
        "specparser: failed to load '" + plugins + "/noid/plugin.spec', no plug-in id: \"id\" is missing",
        "specparser: failed to open '" + plugins + "/broken/plugin.spec', file not found",
        "specparser: failed to open '" + plugins + "/empty/plugin.spec', file not found"}));
    QCOMPARE(plugin.bundles().size(), 10);
    QCOMPARE(plugin.catalogue().keys(), (QList<QByteArray>{"webplugin_bare-min", "webplugin_casedid",
        "webplugin_full-tpl", "webplugin_keys-act", "webplugin_keys-other", "webplugin_noopen-tpl"}));
    QCOMPARE(templates()->templates().size(), before + 6);
    QCOMPARE(plugin.catalogue().value("webplugin_casedid").id, QStringLiteral("CasedId"));
    QCOMPARE(templates()->docTemplate("webplugin_casedid")->name(), QStringLiteral("CasedId"));

    const HostApi::DocTemplate *full = templates()->docTemplate("webplugin_full-tpl");
    QVERIFY(full);
    QCOMPARE(full->name(), QStringLiteral("Full"));
    QCOMPARE(full->supportFlags(), int(ScriptPluginSpec::DefaultSupportFlags | 0x1) & ~0x40);
    QCOMPARE(full->styleTemplateGroup(), QString());
    QCOMPARE(full->openInContext(), 2);
    QCOMPARE(full->hotKeys(), (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Alt+F")), QKeySequence(Qt::Key_F9)}));
    QCOMPARE(full->supportedSymbolTypes(), (QList<int>{14, 13}));
    QVERIFY(full->isQuorvexApp());
    const auto pixelOf = [](const QIcon &icon) { return icon.pixmap(1, 1).toImage().pixel(0, 0); };
    QCOMPARE(pixelOf(full->icon()), pixelOf(plugin.catalogue().value("webplugin_full-tpl").icon(QStringLiteral("main"))));
    QVERIFY(pixelOf(full->openInIcon()) != pixelOf(full->icon()));
    for (const char *feature : {"webplugin.full-tpl.trading", "webplugin.full-tpl.news", "webplugin.developer"})
        QVERIFY2(FeatureManager::instance()->isRegistered(QLatin1String(feature)), feature);
    QCOMPARE(hotKeys()->group("webplugin_full-tpl").description, QStringLiteral("All of it"));

    const HostApi::DocTemplate *noOpen = templates()->docTemplate("webplugin_noopen-tpl");
    QVERIFY(noOpen);
    QVERIFY(!noOpen->icon().isNull());
    QCOMPARE(noOpen->openInIcon().cacheKey(), noOpen->icon().cacheKey());

    const HostApi::DocTemplate *bare = templates()->docTemplate("webplugin_bare-min");
    QVERIFY(bare);
    QCOMPARE(bare->plugin(), static_cast<HostApi::IPlugin *>(&plugin));
    QCOMPARE(bare->name(), QStringLiteral("bare-min"));
    QCOMPARE(bare->supportFlags(), int(ScriptPluginSpec::DefaultSupportFlags));
    QCOMPARE(bare->styleTemplateGroup(), QStringLiteral("bare-min"));
    QVERIFY(bare->icon().isNull());
    QCOMPARE(hotKeys()->group("webplugin_bare-min").name, QStringLiteral("bare-min"));
    QCOMPARE(hotKeys()->group("webplugin_bare-min").parent, QByteArray());

    // A template without document hot keys has none; an unknown template is a programming error.
    LogCapture log;
    QVERIFY(!plugin.hotkey("webplugin_bare-min", "backHotKeyId"));
    QVERIFY(log.entries().isEmpty());
    QVERIFY(!plugin.hotkey("webplugin_unknown", "backHotKeyId"));
    QCOMPARE(log.texts("Assert"), QStringList{QStringLiteral("it != m_pluginHotkeys.end()")});
    const HostApi::HotKeyAction *beta = plugin.hotkey("webplugin_keys-act", "beta");
    QVERIFY(beta);
    QCOMPARE(beta->hotKey()->sequences().size(), 3);
    QCOMPARE(beta->text(), QStringLiteral("Beta"));
    const HostApi::HotKeyAction *alpha = plugin.hotkey("webplugin_keys-act", "alpha");
    QVERIFY(alpha->isCheckable());
    QCOMPARE(alpha->hotKey()->description(), QStringLiteral("First"));
    QCOMPARE(alpha->hotKey()->groupId(), QByteArray("webplugin_keys-act"));
    QCOMPARE(plugin.hotkey("webplugin_keys-act", "gamma")->hotKey()->sequences(),
             QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+M"))});
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
    for (const char *hotkeyId : {"backHotKeyId", "forwardHotKeyId", "showWebInspectorHotKeyId"})
        QCOMPARE(plugin.hotkey(templateId, hotkeyId) != nullptr, present.contains(hotkeyId));
    if (developer) {
        const HostApi::HotKeyAction *inspector = plugin.hotkey(templateId, "showWebInspectorHotKeyId");
        QCOMPARE(inspector->hotKey()->sequences(), QList<QKeySequence>{QKeySequence(Qt::SHIFT + Qt::Key_F7)});
        QCOMPARE(inspector->text(), QStringLiteral("Show Web Inspector"));
    }
    if (forwardBack) {
        QCOMPARE(plugin.hotkey(templateId, "backHotKeyId")->hotKey()->sequences(),
                 QKeySequence::keyBindings(QKeySequence::Back));
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
    folder.folder(QStringLiteral("api"), "{ id: \"api-check\""
                  + (apiVersion.isNull() ? QByteArray() : ", apiVersion: \"" + apiVersion + "\"") + " }");
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

// The icon pack of each theme answers the Back and Forward icons with its own drawing.
void tst_ScriptPlugin::themeIcons_data()
{
    QTest::addColumn<QString>("theme");
    QTest::addColumn<QString>("icon");

    QTest::newRow("black-back") << "black" << "back.png";
    QTest::newRow("black-forward") << "black" << "forward.png";
    QTest::newRow("white-back") << "white" << "back.png";
    QTest::newRow("white-forward") << "white" << "forward.png";
}

void tst_ScriptPlugin::themeIcons()
{
    QFETCH(QString, theme);
    QFETCH(QString, icon);

    AppearanceManager *appearance = Application::instance()->appearanceManager();
    const QString before = appearance->currentTheme();
    const QString path = QStringLiteral(":/tessel/images/") + icon;
    ScriptPlugin plugin;
    plugin.initResources();
    QVERIFY(appearance->setCurrentTheme(theme == QLatin1String("black") ? QStringLiteral("white")
                                                                         : QStringLiteral("black")));
    const QImage other(path);
    QVERIFY(appearance->setCurrentTheme(theme));
    const QImage image(path);
    appearance->setCurrentTheme(before);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), QSize(15, 15));
    QVERIFY(image != other);
}

QTEST_MAIN(tst_ScriptPlugin)
#include "tst_scriptplugin.moc"
