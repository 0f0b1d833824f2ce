#pragma once

#include "hostapi_global.h"
#include "logservice.h"
#include "servicelocator.h"

namespace HostApi {

// Holds the service locator a plug-in works with, so that it is fetched once.
class HOSTAPI_EXPORT ServiceRegistry
{
public:
    // Holds the application's locator (Application::serviceLocator()).
    ServiceRegistry();
    explicit ServiceRegistry(ServiceLocator *locator);

    ServiceLocator *locator() const { return m_locator; }

    // The implementation of T, or null (with an assertion report) when there is none.
    template <class T>
    T *service() const
    {
        HOSTAPI_ASSERT(0 != m_locator, return nullptr);
        return m_locator->service<T>();
    }

private:
    ServiceLocator *m_locator;
};

} // namespace HostApi
