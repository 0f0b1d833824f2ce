#include "findbundles.h"

#include "archivecache.h"
#include "bundlelimits.h"
#include "folderlist.h"
#include "securedbundle.h"
#include "standardbundle.h"
#include "common/pluginlogline.h"

#include <application.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QStringList readListed(const QString &file, HostApi::IOutputChannel *log)
{
    QString error;
    const QStringList folders = readFolderList(file, &error);
    if (!error.isNull())
        pluginLogLine(log, QStringLiteral("FolderList"),
                      QStringLiteral("Ignored folder list %1").arg(file), error);
    return folders;
}

} // namespace

QList<ScriptBundle *> findBundles(const QString &applicationDir, const QString &pluginFolder,
                                  HostApi::IOutputChannel *log)
{
    QStringList listed;
    if (!applicationDir.isEmpty())
        listed = readListed(applicationDir + QLatin1String("/tessel.xml"), log);

    QList<ScriptBundle *> bundles;
    const QDir folder(pluginFolder);
    const QDir::SortFlags unsorted = QDir::Unsorted;
    for (const QString &name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, unsorted))
        bundles.append(new StandardBundle(folder.absoluteFilePath(name)));
    const auto cache = std::make_shared<ArchiveCache>(BundleLimits::MaxPayloadSize);
    // Every "*.wps" that is not a folder, so that a FIFO or a broken link gets its log line.
    const QStringList wps{QStringLiteral("*.wps")};
    for (const QString &name : folder.entryList(wps, QDir::Files | QDir::System, unsorted))
        bundles.append(new SecuredBundle(folder.absoluteFilePath(name), true, log, cache));

    listed += readListed(pluginFolder + QLatin1String("/webplugins.xml"), log);
    for (const QString &path : qAsConst(listed)) {
        const QFileInfo manifest(path + QLatin1String("/plugin.spec"));
        if (manifest.isFile()) {
            bundles.append(new StandardBundle(path));
        } else if (manifest.exists()) {
            pluginLogLine(log, QStringLiteral("FolderList"),
                          QStringLiteral("Ignored folder %1").arg(path),
                          QStringLiteral("plugin.spec is not a regular file"));
        }
    }
    return bundles;
}

QList<ScriptBundle *> findBundles(HostApi::IOutputChannel *log)
{
    return findBundles(QCoreApplication::applicationDirPath(),
                       Application::instance()->appDataPath() + QLatin1String("WebPlugins"), log);
}
