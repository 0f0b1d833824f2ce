#include "documentfixture.h"

#include <document/scriptdocument.h>
#include <document/scriptwidget.h>
#include <plugin/pluginkey.h>
#include <plugin/scriptplugin.h>

#include <application.h>
#include <doctemplate.h>
#include <document.h>
#include <idoctemplateservice.h>
#include <iformulaoutputservice.h>
#include <outputchannel.h>
#include <servicelocator.h>
#include <settings.h>

#include <QSignalSpy>
#include <QWebFrame>
#include <QWebView>

namespace {

const char DeveloperSetting[] = "features/webplugin.developer";

HostApi::OutputChannel *output()
{
    return HostApi::ServiceLocator::instance()->service<HostApi::IFormulaOutputService>()
        ->registerChannel(QStringLiteral("webpluginoutput"), QStringLiteral("Plugin Output"));
}

} // namespace

QByteArray manifest(const QString &id, const QByteArray &more)
{
    return "{ " + more + " id: \"" + id.toUtf8() + "\", name: \"Name of " + id.toUtf8()
        + "\", version: \"2.5\", entry: \"index.html\" }";
}

QByteArray page(const QByteArray &body)
{
    return "<!DOCTYPE html>\n<html><head><script>\n"
           "window.bridgeAtStart = typeof _quorvex_bridge === 'object' && _quorvex_bridge !== null"
           " ? _quorvex_bridge.apiVersion : 'missing';\n"
           "</script></head><body>\n" + body + "\n</body></html>\n";
}

QVariant OpenDocument::eval(const QString &code) const
{
    return script->view()->page()->mainFrame()->evaluateJavaScript(code);
}

bool OpenDocument::waitForLoad() const
{
    QSignalSpy loaded(script->view(), &QWebView::loadFinished);
    return loaded.wait(PluginFixture::LoadTimeout);
}

PluginFixture::PluginFixture()
{
    Application::instance()->setAppDataPath(m_data.path());
    QDir().mkpath(m_data.path() + QStringLiteral("/WebPlugins"));
}

PluginFixture::~PluginFixture() = default;

void PluginFixture::addBundle(const QString &id, const FileMap &files)
{
    writeFiles(bundlePath(id), files);
}

void PluginFixture::start()
{
    setDeveloperFeature(true);
    m_plugin.reset(new ScriptPlugin);
    m_plugin->setSearchFolders(m_data.path(), m_data.path() + QStringLiteral("/WebPlugins"));
    m_plugin->init();
    takeOutput();
}

QString PluginFixture::bundlePath(const QString &id) const
{
    return m_data.path() + QStringLiteral("/WebPlugins/") + id;
}

QString PluginFixture::bundleUrl(const QString &id, const QString &name) const
{
    return QStringLiteral("file:///%1/%2").arg(bundlePath(id), name);
}

OpenDocument PluginFixture::open(const QString &id) const
{
    const QByteArray templateId = pluginKey(id);
    auto *templates = HostApi::ServiceLocator::instance()->service<HostApi::IDocTemplateService>();
    const HostApi::DocTemplate *docTemplate = templates->docTemplate(templateId);
    OpenDocument opened;
    opened.document.reset(new Document(templateId, docTemplate ? docTemplate->supportFlags() : 0));
    if (m_plugin->initDocument(opened.document.get()) != HostApi::IPlugin::DocumentCreated)
        return opened;
    auto *widget = qobject_cast<ScriptWidget *>(opened.document->documentWidget());
    opened.script = widget ? widget->scriptDoc() : nullptr;
    if (opened.script)
        opened.waitForLoad();
    return opened;
}

QStringList PluginFixture::takeOutput()
{
    QStringList lines = output()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    output()->clear();
    return lines;
}

void PluginFixture::setDeveloperFeature(bool enabled)
{
    Application::instance()->settings()->setValue(QLatin1String(DeveloperSetting), enabled);
}
