#include "serviceregistry.h"

#include "application.h"

namespace HostApi {

ServiceRegistry::ServiceRegistry()
    : ServiceRegistry(Application::instance()->serviceLocator())
{
}

ServiceRegistry::ServiceRegistry(ServiceLocator *locator)
    : m_locator(locator)
{
    HOSTAPI_ASSERT(0 != m_locator, return);
}

} // namespace HostApi
