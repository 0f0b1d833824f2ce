#pragma once

#include "scriptpluginspec.h"
#include "themepack.h"

#include <pluginbase.h>
#include <serviceregistry.h>

#include <QList>
#include <QMap>
#include <QPointer>

class ScriptBundle;
namespace Tessel { namespace Updater { class TesselUpdater; } }
namespace HostApi {
class HotKeyAction;
class IHotKeyService;
class OutputChannel;
}

// The object the host loads: finds the installed web plug-ins, keeps the newest version of
// each, and registers each one as a document template with its features, hot keys and
// property pages; then, when updates are enabled, starts the updater of the plug-in folder.
class ScriptPlugin : public HostApi::PluginBase
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "com.quorvex.corvodesk.plugin/1.0")

public:
    using Catalogue = QMap<QByteArray, ScriptPluginSpec>;

    static constexpr int SupportedApiMajor = 1;
    static constexpr int SupportedApiMinor = 0;

    ScriptPlugin();
    ~ScriptPlugin() override;

    // Where init() looks for bundles: the folder of "tessel.xml" and the plug-in folder.
    // By default the application's folder and Application::appDataPath() + "WebPlugins".
    void setSearchFolders(const QString &applicationDir, const QString &pluginFolder);

    void init() override;
    // Registers the resource tree ":/tessel", the icon pack of the host's current theme (and
    // follows theme changes), then the translation; termResources() undoes all of it.
    void initResources() override;
    void termResources() override;
    // Creates the document's ScriptDocument, a child of doc; refuses a plug-in that needs a
    // newer API.
    int initDocument(Document *doc) override;
    // Hands context to the script document shown by doc, as the context it was opened with.
    void applyContext(Document *doc, ContextData *context) override;

    // The hot key of a template's document (Back, Forward, inspector); null when unknown.
    HostApi::HotKeyAction *hotkey(const QByteArray &templateId, const QByteArray &hotkeyId) const;
    // Whether the updater may run: the setting "enableWebPluginsUpdates", true by default.
    static bool isUpdatesEnabled();

    // The output channel "Plugin Output"; null until init().
    HostApi::IOutputChannel *logChannel() const;
    const Catalogue &catalogue() const { return m_catalogue; }
    const QList<ScriptBundle *> &bundles() const { return m_bundles; }
    // The updater of the plug-in folder's secured bundles, named "TesselUpdater"; null
    // until init().
    Tessel::Updater::TesselUpdater *updater() const { return m_updater; }

private:
    void log(const QString &message, const QString &detail);
    // The web engine stopped a page's script at the script time limit.
    void logScriptStopped();
    // One manifest per id: the highest version, the later bundle among equal versions.
    QList<ScriptPluginSpec> chooseVersions(const QList<ScriptPluginSpec> &specs) const;
    void registerPlugin(const ScriptPluginSpec &spec);
    void registerActionHotKeys(const ScriptPluginSpec &spec, const QByteArray &templateId);
    void registerPropertyPages(const ScriptPluginSpec &spec);
    void registerDocumentHotKeys(const ScriptPluginSpec &spec, const QByteArray &templateId);
    void registerDocumentHotKey(const QByteArray &templateId, const QByteArray &id,
                                const QList<QKeySequence> &sequences, const QString &text);

    QString m_applicationDir;
    QString m_pluginFolder;
    Catalogue m_catalogue;
    QList<ScriptBundle *> m_bundles;
    HostApi::ServiceRegistry m_services;
    QPointer<HostApi::OutputChannel> m_log;
    QMap<QByteArray, QMap<QByteArray, HostApi::HotKeyAction *>> m_pluginHotkeys;
    Tessel::Updater::TesselUpdater *m_updater = nullptr;
    ThemePack m_themePack;
    QMetaObject::Connection m_themeConnection;
    bool m_resourcesRegistered = false;
};
