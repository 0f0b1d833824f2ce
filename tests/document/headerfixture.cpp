#include "headerfixture.h"

#include <bundle/standardbundle.h>
#include <document/scriptdocument.h>
#include <plugin/pluginkey.h>
#include <plugin/scriptplugin.h>
#include <plugin/scriptpluginspec.h>

#include <document.h>

#include <QBuffer>
#include <QImage>

namespace {

QByteArray starPng()
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::yellow);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray pluginManifest()
{
    return manifest(QLatin1String(HeaderFixture::PluginId),
                    "icons: { star: \"star.png\" }, actions: { zoom: { name: \"Zoom\","
                    " hotkeys: \"Ctrl+Shift+Z\" } },");
}

} // namespace

HeaderFixture::HeaderFixture()
{
    m_plugins.addBundle(QLatin1String(PluginId), {
        {QStringLiteral("plugin.spec"), pluginManifest()},
        {QStringLiteral("star.png"), starPng()},
        {QStringLiteral("index.html"), page()}});
    m_plugins.start();
}

OpenDocument HeaderFixture::open(const QByteArray &header)
{
    writeFiles(m_manifests.path(), {{QStringLiteral("plugin.spec"),
                                     manifest(QLatin1String(PluginId), "header: " + header + ",")}});
    StandardBundle bundle(m_manifests.path());
    const ScriptPluginSpec read = ScriptPluginSpec::read(&bundle, QStringLiteral("plugin.spec"),
                                                         QString(), QString(), nullptr);
    const QByteArray templateId = pluginKey(QLatin1String(PluginId));
    ScriptPluginSpec spec = m_plugins.plugin()->catalogue().value(templateId);
    spec.header = read.header;

    OpenDocument opened;
    opened.document.reset(new Document(templateId));
    opened.script = new ScriptDocument(m_plugins.plugin(), opened.document.get(), spec);
    opened.waitForLoad();
    return opened;
}
