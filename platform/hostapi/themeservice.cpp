#include "themeservice.h"

#include "logservice.h"
#include "themestyle.h"

#include <QApplication>

namespace HostApi {

ThemeService::ThemeService(QObject *parent)
    : QObject(parent)
{
}

QStyle *ThemeService::style()
{
    HOSTAPI_ASSERT(qobject_cast<QApplication *>(QCoreApplication::instance()), return nullptr);
    if (!m_style) {
        m_style = new ThemeStyle;
        m_style->setParent(this);
    }
    return m_style;
}

} // namespace HostApi
