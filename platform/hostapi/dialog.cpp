#include "dialog.h"

#include "application.h"
#include "settings.h"

#include <QVBoxLayout>

namespace HostApi {

Dialog::Dialog(QWidget *parent, const QString &id, Qt::WindowFlags flags, int geometryVersion,
               int layoutSpacing, bool rememberGeometry)
    : QDialog(parent, flags)
    , m_id(id)
    , m_layout(new QVBoxLayout(this))
    , m_geometryName(id)
    , m_geometryVersion(geometryVersion)
    , m_rememberGeometry(rememberGeometry)
{
    setObjectName(id);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(layoutSpacing);
}

Dialog::~Dialog()
{
    if (isVisible())
        storeGeometry();
}

void Dialog::showEvent(QShowEvent *event)
{
    if (!m_geometryRestored) {
        m_geometryRestored = true;
        restoreStoredGeometry();
    }
    QDialog::showEvent(event);
}

void Dialog::hideEvent(QHideEvent *event)
{
    storeGeometry();
    QDialog::hideEvent(event);
}

QString Dialog::settingsKey(const char *name) const
{
    return QLatin1String("dialogs/") + m_geometryName + QLatin1Char('/') + QLatin1String(name);
}

void Dialog::restoreStoredGeometry()
{
    if (!m_rememberGeometry)
        return;
    Settings *settings = Application::instance()->settings();
    if (settings->value(settingsKey("version")).toInt() != m_geometryVersion)
        return;
    restoreGeometry(settings->value(settingsKey("geometry")).toByteArray());
}

void Dialog::storeGeometry() const
{
    if (!m_rememberGeometry || !m_geometryRestored)
        return;
    Settings *settings = Application::instance()->settings();
    settings->setValue(settingsKey("version"), m_geometryVersion);
    settings->setValue(settingsKey("geometry"), saveGeometry());
}

} // namespace HostApi
