#include "moduleloader.h"

#include <iplugin.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

ModuleLoader::ModuleLoader(QObject *parent)
    : QObject(parent)
{
}

QStringList ModuleLoader::defaultPaths()
{
    const QDir appDir(QCoreApplication::applicationDirPath());
    const QString fileName = QLatin1String(ModuleFileName);
    return {
        QDir::cleanPath(appDir.filePath(QStringLiteral("../plugins/") + fileName)),
        QDir::cleanPath(appDir.filePath(QLatin1String(TESSEL_HOST_MODULE_DIR "/") + fileName)),
    };
}

bool ModuleLoader::load(const QString &path)
{
    if (m_plugin)
        return fail(QStringLiteral("the module is already loaded from %1").arg(m_fileName));

    QString fileName = path;
    if (fileName.isEmpty()) {
        const QStringList candidates = defaultPaths();
        for (const QString &candidate : candidates) {
            if (QFileInfo(candidate).isFile()) {
                fileName = candidate;
                break;
            }
        }
        if (fileName.isEmpty()) {
            return fail(QStringLiteral("no module found at %1")
                            .arg(candidates.join(QLatin1String(" or "))));
        }
    }
    if (!QFileInfo(fileName).isFile())
        return fail(QStringLiteral("no module at %1").arg(fileName));

    delete m_loader;
    m_loader = new QPluginLoader(QFileInfo(fileName).absoluteFilePath(), this);
    QObject *instance = m_loader->instance();
    if (!instance)
        return fail(QStringLiteral("cannot load %1: %2").arg(fileName, m_loader->errorString()));
    auto *plugin = qobject_cast<HostApi::IPlugin *>(instance);
    if (!plugin) {
        return fail(QStringLiteral("%1 is not a host plug-in (interface %2)")
                        .arg(fileName, QLatin1String(qobject_interface_iid<HostApi::IPlugin *>())));
    }
    m_fileName = fileName;
    m_instance = instance;
    m_plugin = plugin;
    m_error.clear();
    return true;
}

bool ModuleLoader::fail(const QString &error)
{
    m_error = error;
    return false;
}
