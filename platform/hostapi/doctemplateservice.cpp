#include "doctemplateservice.h"

#include "doctemplate.h"
#include "logservice.h"

namespace HostApi {

DocTemplateService::DocTemplateService(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<HostApi::DocTemplate *>();
}

DocTemplateService::~DocTemplateService()
{
    qDeleteAll(m_templates);
}

bool DocTemplateService::registerTemplate(DocTemplate *docTemplate)
{
    HOSTAPI_ASSERT(0 != docTemplate, return false);
    HOSTAPI_ASSERT(!docTemplate->id().isEmpty(), delete docTemplate; return false);
    HOSTAPI_ASSERT(0 == this->docTemplate(docTemplate->id()),
                   delete docTemplate; return false);
    m_templates.append(docTemplate);
    m_byId.insert(docTemplate->id(), docTemplate);
    emit templateRegistered(docTemplate);
    return true;
}

DocTemplate *DocTemplateService::docTemplate(const QByteArray &id) const
{
    return m_byId.value(id);
}

} // namespace HostApi
