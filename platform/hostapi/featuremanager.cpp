#include "featuremanager.h"

#include "application.h"
#include "logservice.h"
#include "settings.h"

FeatureManager *FeatureManager::instance()
{
    static FeatureManager manager;
    return &manager;
}

bool FeatureManager::registerFeature(const QString &name)
{
    HOSTAPI_ASSERT(!name.isEmpty(), return false);
    if (m_known.contains(name))
        return true;
    m_features.append(name);
    m_known.insert(name);
    emit featureRegistered(name);
    return true;
}

bool FeatureManager::isEnabled(const QString &name) const
{
    return isRegistered(name)
        && Application::instance()->settings()->value(settingsKey(name), false).toBool();
}

bool FeatureManager::setEnabled(const QString &name, bool enabled)
{
    if (!isRegistered(name))
        return false;
    if (isEnabled(name) == enabled)
        return true;
    Application::instance()->settings()->setValue(settingsKey(name), enabled);
    emit enabledChanged(name, enabled);
    return true;
}

QString FeatureManager::settingsKey(const QString &name)
{
    return QLatin1String("features/") + name;
}
