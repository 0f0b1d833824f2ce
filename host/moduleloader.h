#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QPluginLoader;

namespace HostApi {
class IPlugin;
}

// Loads the tessel module as a Qt plug-in and gives its plug-in object. The library stays
// loaded for the life of the process: the host's services keep objects the module made.
class ModuleLoader : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *ModuleFileName = "libtessel.so";

    explicit ModuleLoader(QObject *parent = nullptr);

    // Where the module is looked for when no path is given, in order: beside the host in the
    // build tree (../plugins), then in the install tree.
    static QStringList defaultPaths();

    // Loads the module from path, or from the first default path that exists when path is
    // empty. On failure errorString() says why and plugin() stays null.
    bool load(const QString &path = QString());

    HostApi::IPlugin *plugin() const { return m_plugin; }
    // The plug-in object as a QObject; null before a successful load.
    QObject *instance() const { return m_instance; }
    QString fileName() const { return m_fileName; }
    QString errorString() const { return m_error; }

private:
    bool fail(const QString &error);

    QPluginLoader *m_loader = nullptr;
    QObject *m_instance = nullptr;
    HostApi::IPlugin *m_plugin = nullptr;
    QString m_fileName;
    QString m_error;
};
