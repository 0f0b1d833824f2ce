#include "servicelocator.h"

#include "defaultservices.h"
#include "logservice.h"

#include <QCoreApplication>

namespace HostApi {

namespace {

ServiceLocator *s_instance = nullptr;

void destroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

} // namespace

ServiceLocator::ServiceLocator(QObject *parent)
    : QObject(parent)
{
}

ServiceLocator *ServiceLocator::instance()
{
    if (!s_instance) {
        s_instance = new ServiceLocator;
        installDefaultServices(s_instance);
        // Post routines run first in the application's destructor, while widgets (such as
        // registered property pages) can still be deleted.
        qAddPostRoutine(destroyInstance);
    }
    return s_instance;
}

void ServiceLocator::insert(const char *iid, void *service)
{
    HOSTAPI_ASSERT(0 != service, return);
    m_services.insert(QByteArray(iid), service);
}

void *ServiceLocator::find(const char *iid) const
{
    void *service = m_services.value(QByteArray::fromRawData(iid, int(qstrlen(iid))));
    if (!service)
        reportAssertion("Service not found", __FILE__, __LINE__, Q_FUNC_INFO);
    return service;
}

} // namespace HostApi
