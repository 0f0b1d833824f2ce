#include "application.h"

#include "appearancemanager.h"
#include "servicelocator.h"
#include "settings.h"

#include <QStandardPaths>

Application::Application()
    : m_appearanceManager(new AppearanceManager(this))
{
}

Application *Application::instance()
{
    static Application application;
    return &application;
}

QString Application::appDataPath() const
{
    if (!m_appDataPath.isEmpty())
        return m_appDataPath;
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QLatin1Char('/');
}

void Application::setAppDataPath(const QString &path)
{
    m_appDataPath = path;
    if (!m_appDataPath.isEmpty() && !m_appDataPath.endsWith(QLatin1Char('/')))
        m_appDataPath += QLatin1Char('/');
    if (m_settings)
        m_settings->setFileName(appDataPath() + QLatin1String(SettingsFileName));
}

HostApi::ServiceLocator *Application::serviceLocator() const
{
    return HostApi::ServiceLocator::instance();
}

HostApi::Settings *Application::settings()
{
    if (!m_settings)
        m_settings = new HostApi::Settings(appDataPath() + QLatin1String(SettingsFileName), this);
    return m_settings;
}

void Application::openUrl(const QUrl &url)
{
    m_lastOpenedUrl = url;
    emit urlOpenRequested(url);
}

void Application::setActiveDocument(AbstractDocument *document)
{
    AbstractDocument *previous = m_activeDocument;
    if (document == previous)
        return;
    m_activeDocument = document;
    emit documentActivated(document, previous);
}
