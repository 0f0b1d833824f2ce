#include "scriptbundle.h"

#include <logservice.h>

#include <QDir>

ScriptBundle::ScriptBundle(const QString &path)
    : m_path(path)
{
}

ScriptBundle::~ScriptBundle() = default;

QString ScriptBundle::filePath(const QString &name) const
{
    if (QDir::isAbsolutePath(name))
        return name;
    return m_path + QLatin1Char('/') + name;
}

QString ScriptBundle::url(const QString &name) const
{
    if (QDir::isAbsolutePath(name))
        return name;
    return QStringLiteral("file:///%1/%2").arg(m_path, name);
}

// Confines every name to the bundle: an absolute name must lie below path() (respecting the
// separator, so "/x/Chart" does not own "/x/Chart2"), and after folding "." and ".." the name
// must not climb above the root.
QString ScriptBundle::relativeName(const QString &name) const
{
    QString relative = name;
    if (QDir::isAbsolutePath(name)) {
        const QString root = m_path + QLatin1Char('/');
        relative = name.startsWith(root) ? name.mid(root.size()) : QString();
    }
    if (!relative.isNull()) {
        relative = QDir::cleanPath(relative);
        if (relative == QLatin1String("..") || relative.startsWith(QLatin1String("../"))
            || QDir::isAbsolutePath(relative)) {
            relative = QString();
        }
    }
    if (relative.isNull()) {
        HostApi::LogService *log = QuorvexServiceApi();
        static const int category = log->registerCategory("Tessel.ScriptBundle");
        log->write(category, 3, __FILE__, __LINE__, Q_FUNC_INFO,
                   QStringLiteral("Refused a name outside the bundle %1: %2").arg(m_path, name));
    }
    return relative;
}
