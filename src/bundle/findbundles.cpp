#include "findbundles.h"

#include "folderlist.h"
#include "securedbundle.h"
#include "standardbundle.h"

#include <application.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

QList<ScriptBundle *> findBundles(const QString &applicationDir, const QString &pluginFolder,
                                  HostApi::IOutputChannel *log)
{
    QStringList listed = readFolderList(applicationDir + QLatin1String("/tessel.xml"));

    QList<ScriptBundle *> bundles;
    const QDir folder(pluginFolder);
    const QDir::SortFlags unsorted = QDir::Unsorted;
    for (const QString &name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, unsorted))
        bundles.append(new StandardBundle(folder.absoluteFilePath(name)));
    const QStringList wps{QStringLiteral("*.wps")};
    for (const QString &name : folder.entryList(wps, QDir::Files, unsorted))
        bundles.append(new SecuredBundle(folder.absoluteFilePath(name), true, log));

    listed += readFolderList(pluginFolder + QLatin1String("/webplugins.xml"));
    for (const QString &path : qAsConst(listed)) {
        if (QFile::exists(path + QLatin1String("/plugin.spec")))
            bundles.append(new StandardBundle(path));
    }
    return bundles;
}

QList<ScriptBundle *> findBundles(HostApi::IOutputChannel *log)
{
    return findBundles(QCoreApplication::applicationDirPath(),
                       Application::instance()->appDataPath() + QLatin1String("WebPlugins"), log);
}
