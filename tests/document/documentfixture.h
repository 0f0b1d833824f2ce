#pragma once

#include "bundletestutils.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <memory>

class Document;
class ScriptDocument;
class ScriptPlugin;

// A manifest with id, name "Name of <id>", version 2.5 and entry "index.html", plus more
// (JSON members, each followed by a comma).
QByteArray manifest(const QString &id, const QByteArray &more = QByteArray());
// A page whose first script records what it found of the bridge in window.bridgeAtStart.
QByteArray page(const QByteArray &body = QByteArray());

// One open document of the fixture's plug-in.
struct OpenDocument
{
    std::unique_ptr<Document> document;
    ScriptDocument *script = nullptr;

    // Runs script in the page's main frame and gives its value.
    QVariant eval(const QString &script) const;
    // Waits for the next load of the page to finish; false on time-out.
    bool waitForLoad() const;
};

// A data folder whose "WebPlugins" holds one folder bundle per plug-in, and a ScriptPlugin
// loaded from it. The developer feature is on while the plug-in starts, so that its
// documents can have an inspector action.
class PluginFixture
{
public:
    static constexpr int LoadTimeout = 20000;

    PluginFixture();
    ~PluginFixture();

    // Adds a plug-in (before start()).
    void addBundle(const QString &id, const FileMap &files);
    void start();

    ScriptPlugin *plugin() const { return m_plugin.get(); }
    QString bundlePath(const QString &id) const;
    // The file:/// URL of a file of a bundle, as pages see it.
    QString bundleUrl(const QString &id, const QString &name) const;

    // Opens a document of plug-in id with the template's flags and waits until its entry
    // page finished loading; a document with no script document on refusal.
    OpenDocument open(const QString &id) const;

    // The "Plugin Output" lines written since the last call.
    static QStringList takeOutput();
    static void setDeveloperFeature(bool enabled);

private:
    QTemporaryDir m_data;
    std::unique_ptr<ScriptPlugin> m_plugin;
};
