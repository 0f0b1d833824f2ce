#pragma once

#include <QList>
#include <QString>

class ScriptBundle;
namespace HostApi { class IOutputChannel; }

// Finds the installed bundles, in scan order: every sub-folder of the plug-in folder, every
// "*.wps" file in it, then the folders of "tessel.xml" (in the application folder) and of
// "webplugins.xml" (in the plug-in folder) that hold a "plugin.spec". A folder list that
// cannot be read, and a listed "plugin.spec" that is not a regular file, are logged on the
// channel. An empty applicationDir stands for no application folder: no "tessel.xml" is read.
// The secured bundles share one archive cache. The caller owns the bundles; the log channel is
// not owned.
QList<ScriptBundle *> findBundles(const QString &applicationDir, const QString &pluginFolder,
                                  HostApi::IOutputChannel *log);

// The same with the running application's folder and Application::appDataPath() + "WebPlugins".
QList<ScriptBundle *> findBundles(HostApi::IOutputChannel *log);
