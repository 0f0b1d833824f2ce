#include "standardbundle.h"

#include "bundlelimits.h"
#include "regularfile.h"

#include <logservice.h>

#include <QFileInfo>

namespace {

void logRefusal(const QString &text)
{
    HostApi::LogService *log = QuorvexServiceApi();
    static const int category = log->registerCategory("Tessel.StandardBundle");
    log->write(category, 3, __FILE__, __LINE__, Q_FUNC_INFO, text);
}

} // namespace

StandardBundle::StandardBundle(const QString &path)
    : ScriptBundle(path)
{
}

bool StandardBundle::exists(const QString &name) const
{
    return !confinedPath(name).isEmpty();
}

QByteArray StandardBundle::read(const QString &name) const
{
    const QString file = confinedPath(name);
    if (file.isEmpty())
        return QByteArray();
    const RegularFile content = RegularFile::read(file, BundleLimits::MaxEntrySize);
    if (!content.isValid())
        logRefusal(QStringLiteral("Cannot read %1 in the bundle %2: %3")
                       .arg(name, path(), content.errorString()));
    return content.bytes();
}

QString StandardBundle::confinedPath(const QString &name) const
{
    const QString relative = relativeName(name);
    if (relative.isNull())
        return QString();
    const QFileInfo info(path() + QLatin1Char('/') + relative);
    if (!info.exists())
        return QString();
    if (m_canonicalRoot.isEmpty())
        m_canonicalRoot = QFileInfo(path()).canonicalFilePath();
    const QString file = info.canonicalFilePath();
    if (m_canonicalRoot.isEmpty() || file.isEmpty())
        return QString();
    if (file != m_canonicalRoot && !file.startsWith(m_canonicalRoot + QLatin1Char('/'))) {
        logRefusal(QStringLiteral("Refused a link out of the bundle %1: %2").arg(path(), name));
        return QString();
    }
    if (!info.isFile()) {
        logRefusal(QStringLiteral("Not a regular file, treated as missing, in the bundle %1: %2")
                       .arg(path(), name));
        return QString();
    }
    return file;
}
