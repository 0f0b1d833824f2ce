#include "scriptplugin.h"

#include "pluginkey.h"
#include "bundle/findbundles.h"
#include "bundle/scriptbundle.h"
#include "common/pluginlogline.h"
#include "document/scriptdocument.h"
#include "document/scriptwidget.h"
#include "document/scriptwatchdog.h"
#include "document/webpage.h"
#include "properties/scriptpropertypage.h"
#include "updater/tesselupdater.h"

#include <appearancemanager.h>
#include <application.h>
#include <doctemplate.h>
#include <document.h>
#include <featuremanager.h>
#include <hotkeyaction.h>
#include <hotkeygroup.h>
#include <hotkeyhelpers.h>
#include <idoctemplateservice.h>
#include <iformulaoutputservice.h>
#include <ihotkeyservice.h>
#include <ipropertypageregistry.h>
#include <outputchannel.h>
#include <settings.h>

#include <QCoreApplication>
#include <QLocale>

namespace {

const char outputChannelId[] = "webpluginoutput";
const char developerFeature[] = "webplugin.developer";
const char updatesSetting[] = "enableWebPluginsUpdates";
const char backHotKeyId[] = "backHotKeyId";
const char forwardHotKeyId[] = "forwardHotKeyId";
const char inspectorHotKeyId[] = "showWebInspectorHotKeyId";

bool isSupportedApi(const QVersionNumber &version)
{
    if (version == QVersionNumber(0, 0))
        return true;
    return QVersionNumber::compare(version, QVersionNumber(ScriptPlugin::SupportedApiMajor,
                                                           ScriptPlugin::SupportedApiMinor)) <= 0;
}

} // namespace

ScriptPlugin::ScriptPlugin()
    : HostApi::PluginBase("tessel")
{
}

ScriptPlugin::~ScriptPlugin()
{
    termResources();
    qDeleteAll(m_bundles);
    m_bundles.clear();
    m_catalogue.clear();
    m_pluginHotkeys.clear();
    delete m_updater;
    m_updater = nullptr;
    m_log.clear();
}

void ScriptPlugin::setSearchFolders(const QString &applicationDir, const QString &pluginFolder)
{
    m_applicationDir = applicationDir;
    m_pluginFolder = pluginFolder;
}

void ScriptPlugin::init()
{
    PluginBase::init();
    // Before any page exists: the web engine reads its script time limit once, when it starts,
    // and its watchdog keeps to it only with ours installed.
    WebPage::limitScriptTime(WebPage::ScriptTimeLimit);
    if (ScriptWatchdog *watchdog = ScriptWatchdog::ensureInstalled()) {
        connect(watchdog, &ScriptWatchdog::scriptStopped, this, &ScriptPlugin::logScriptStopped,
                Qt::UniqueConnection);
    }
    FeatureManager::instance()->registerFeature(QString::fromLatin1(developerFeature));
    HostApi::IHotKeyService *hotKeys = m_services.service<HostApi::IHotKeyService>();
    if (auto *output = m_services.service<HostApi::IFormulaOutputService>())
        m_log = output->registerChannel(QString::fromLatin1(outputChannelId), tr("Plugin Output"));

    m_bundles = m_pluginFolder.isNull()
        ? findBundles(logChannel())
        : findBundles(m_applicationDir, m_pluginFolder, logChannel());

    const QString theme = Application::instance()->appearanceManager()->currentTheme();
    const QString locale = QLocale().name();
    QList<ScriptPluginSpec> specs;
    for (ScriptBundle *bundle : qAsConst(m_bundles)) {
        const ScriptPluginSpec spec = ScriptPluginSpec::read(
            bundle, QStringLiteral("plugin.spec"), theme, locale, logChannel());
        if (!spec.id.isEmpty())
            specs.append(spec);
    }

    for (const ScriptPluginSpec &spec : chooseVersions(specs)) {
        const QByteArray templateId = pluginKey(spec.id);
        if (m_catalogue.contains(templateId)) {
            log(tr("failed to load plugin '%1'").arg(spec.id),
                tr("same version of this plugin is already loaded"));
            continue;
        }
        m_catalogue.insert(templateId, spec);
        registerPlugin(spec);
        if (hotKeys) {
            hotKeys->registerGroup({templateId, spec.name, spec.description, QByteArray()});
            m_pluginHotkeys[templateId].clear();
            registerActionHotKeys(spec, templateId);
        }
        registerPropertyPages(spec);
        if (hotKeys)
            registerDocumentHotKeys(spec, templateId);
    }

    delete m_updater;
    m_updater = new Tessel::Updater::TesselUpdater(
        m_pluginFolder.isNull() ? Application::instance()->appDataPath() + QLatin1String("WebPlugins")
                                : m_pluginFolder,
        this);
    m_updater->setObjectName(QStringLiteral("TesselUpdater"));
    if (isUpdatesEnabled())
        m_updater->start();
}

int ScriptPlugin::initDocument(Document *doc)
{
    HOSTAPI_ASSERT(0 != doc, return DocumentRefused);
    const ScriptPluginSpec spec = m_catalogue.value(doc->templateId());
    if (!isSupportedApi(spec.apiVersion)) {
        log(tr("failed to create document"), tr("plugin requires more recent version of application"));
        return DocumentRefused;
    }
    new ScriptDocument(this, doc, spec);
    return DocumentCreated;
}

void ScriptPlugin::applyContext(Document *doc, ContextData *context)
{
    HOSTAPI_ASSERT(0 != context, return);
    HOSTAPI_ASSERT(0 != doc, return);
    auto *widget = qobject_cast<ScriptWidget *>(doc->documentWidget());
    HOSTAPI_ASSERT(widget && widget->scriptDoc(), return);
    widget->scriptDoc()->setCreationContext(*context);
}

void ScriptPlugin::initResources()
{
    if (!m_resourcesRegistered) {
        Q_INIT_RESOURCE(tessel);
        m_resourcesRegistered = true;
    }
    AppearanceManager *appearance = Application::instance()->appearanceManager();
    m_themePack.load(appearance->currentTheme());
    if (!m_themeConnection) {
        m_themeConnection = connect(appearance, &AppearanceManager::currentThemeChanged, this,
                                    [this](const QString &theme) { m_themePack.load(theme); });
    }
    PluginBase::initResources();
}

void ScriptPlugin::termResources()
{
    PluginBase::termResources();
    disconnect(m_themeConnection);
    // Once the application is gone (a plug-in destroyed at process exit) Qt's resource
    // registry may be gone too; the process frees everything anyway.
    if (!m_resourcesRegistered || !QCoreApplication::instance())
        return;
    m_themePack.unload();
    Q_CLEANUP_RESOURCE(tessel);
    m_resourcesRegistered = false;
}

HostApi::HotKeyAction *ScriptPlugin::hotkey(const QByteArray &templateId,
                                            const QByteArray &hotkeyId) const
{
    const auto it = m_pluginHotkeys.constFind(templateId);
    HOSTAPI_ASSERT(it != m_pluginHotkeys.end(), return nullptr);
    return it->value(hotkeyId);
}

bool ScriptPlugin::isUpdatesEnabled()
{
    QVariant value = Application::instance()->settings()->value(QString::fromLatin1(updatesSetting), true);
    return value.convert(QMetaType::Bool) ? value.toBool() : true;
}

HostApi::IOutputChannel *ScriptPlugin::logChannel() const
{
    return m_log.data();
}

void ScriptPlugin::log(const QString &message, const QString &detail)
{
    pluginLogLine(logChannel(), tr("pluginmanager"), message, detail);
}

void ScriptPlugin::logScriptStopped()
{
    log(tr("script stopped"),
        tr("a page's script ran longer than %1 ms").arg(WebPage::scriptTimeLimit()));
}

QList<ScriptPluginSpec> ScriptPlugin::chooseVersions(const QList<ScriptPluginSpec> &specs) const
{
    QMap<QString, ScriptPluginSpec> chosen;
    for (const ScriptPluginSpec &spec : specs) {
        const auto it = chosen.constFind(spec.id);
        if (it == chosen.constEnd() || QVersionNumber::compare(spec.version, it->version) >= 0)
            chosen.insert(spec.id, spec);
    }
    return chosen.values();
}

void ScriptPlugin::registerPlugin(const ScriptPluginSpec &spec)
{
    const QByteArray templateId = pluginKey(spec.id);
    if (auto *templates = m_services.service<HostApi::IDocTemplateService>()) {
        const QIcon icon = spec.icon(spec.iconName);
        const QIcon openInIcon = spec.openInIconName.isEmpty() ? icon : spec.icon(spec.openInIconName);
        templates->registerTemplate(new HostApi::DocTemplate(
            this, templateId, spec.name, icon, openInIcon, spec.supportFlags,
            spec.supportStyleTemplates ? spec.id : QString(), spec.openIn, spec.hotkeys, nullptr,
            nullptr, spec.supportedSymbolTypes, spec.isQuorvexApp));
    }
    for (const QString &feature : spec.features)
        FeatureManager::instance()->registerFeature(QString::fromUtf8(pluginKey(spec.id, feature, QStringLiteral("."))));
}

void ScriptPlugin::registerActionHotKeys(const ScriptPluginSpec &spec, const QByteArray &templateId)
{
    QMap<QByteArray, HostApi::HotKeyAction *> &actions = m_pluginHotkeys[templateId];
    for (const ActionSpec &action : spec.actions) {
        const QByteArray id = action.id.toUtf8();
        QList<QKeySequence> taken;
        if (HostApi::isWidgetChildHotKeySequenceRegistered(id, templateId, action.hotkeys, taken)) {
            QString sequences;
            for (const QKeySequence &sequence : qAsConst(taken))
                sequences += tr("%1 ").arg(sequence.toString(QKeySequence::NativeText));
            pluginLogLine(logChannel(), QString(), tr("Conflicted key sequences found: %1").arg(sequences), QString());
        }
        HostApi::HotKeyOptions options;
        options.icon = spec.icon(action.icon);
        options.checkable = action.isCheckable;
        actions.insert(id, HostApi::registerWidgetChildHotKey(id, templateId, action.hotkeys,
                                                              action.name, action.desc,
                                                              templateId, options));
    }
}

// One page per manifest page, in ascending order of page id, under "webplugin_<id>_<page>".
void ScriptPlugin::registerPropertyPages(const ScriptPluginSpec &spec)
{
    if (spec.propertyPages.isEmpty())
        return;
    auto *registry = m_services.service<HostApi::IPropertyPageRegistry>();
    if (!registry)
        return;
    for (const PropertyPageSpec &page : spec.propertyPages) {
        registry->registerPage(pluginKey(spec.id, page.id, QStringLiteral("_")),
                               new ScriptPropertyPage(page, spec, logChannel()));
    }
}

// The inspector hot key with the developer feature, Back and Forward with supportForwardBack.
void ScriptPlugin::registerDocumentHotKeys(const ScriptPluginSpec &spec,
                                           const QByteArray &templateId)
{
    if (FeatureManager::instance()->isEnabled(QString::fromLatin1(developerFeature))) {
        registerDocumentHotKey(templateId, inspectorHotKeyId, {QKeySequence(Qt::SHIFT + Qt::Key_F7)},
                               tr("Show Web Inspector"));
    }
    if (spec.supportForwardBack) {
        registerDocumentHotKey(templateId, backHotKeyId, QKeySequence::keyBindings(QKeySequence::Back),
                               tr("Back"));
        registerDocumentHotKey(templateId, forwardHotKeyId,
                               QKeySequence::keyBindings(QKeySequence::Forward), tr("Forward"));
    }
}

void ScriptPlugin::registerDocumentHotKey(const QByteArray &templateId, const QByteArray &id,
                                          const QList<QKeySequence> &sequences,
                                          const QString &text)
{
    m_pluginHotkeys[templateId].insert(id, HostApi::registerWidgetChildHotKey(
                                               id, templateId, sequences, text, text, templateId));
}
