#include "propertypageregistry.h"

#include "logservice.h"
#include "propertypage.h"

namespace HostApi {

PropertyPageRegistry::PropertyPageRegistry(QObject *parent)
    : QObject(parent)
{
}

PropertyPageRegistry::~PropertyPageRegistry()
{
    qDeleteAll(m_pages);
}

bool PropertyPageRegistry::registerPage(const QByteArray &id, PropertyPage *page)
{
    HOSTAPI_ASSERT(0 != page, return false);
    HOSTAPI_ASSERT(!id.isEmpty(), delete page; return false);
    HOSTAPI_ASSERT(!m_pages.contains(id), delete page; return false);
    m_ids.append(id);
    m_pages.insert(id, page);
    return true;
}

} // namespace HostApi
