#include "themepack.h"

#include <logservice.h>

#include <QCoreApplication>
#include <QFile>
#include <QResource>

namespace {

const char PackPath[] = ":/tessel/themes/%1/resources.qcc";

const uchar *bytes(const QByteArray &data)
{
    return reinterpret_cast<const uchar *>(data.constData());
}

} // namespace

ThemePack::~ThemePack()
{
    // At process exit, after the application, Qt's resource registry may already be gone.
    if (QCoreApplication::instance())
        unload();
}

QString ThemePack::packPath(const QString &theme)
{
    return QString::fromLatin1(PackPath).arg(theme);
}

bool ThemePack::load(const QString &theme)
{
    if (!m_theme.isEmpty() && theme == m_theme)
        return true;
    QFile file(packPath(theme));
    HOSTAPI_ASSERT(file.open(QIODevice::ReadOnly), return false);
    const QByteArray data = file.readAll();
    // The new pack's images must answer before the old ones go, so that a failed
    // registration leaves the old pack in place.
    HOSTAPI_ASSERT(QResource::registerResource(bytes(data)), return false);
    unload();
    m_data = data;
    m_theme = theme;
    return true;
}

void ThemePack::unload()
{
    if (m_theme.isEmpty())
        return;
    QResource::unregisterResource(bytes(m_data));
    m_data.clear();
    m_theme.clear();
}
