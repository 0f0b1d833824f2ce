#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>

namespace HostApi {

class DocTemplate;

// The document templates the host offers.
class IDocTemplateService
{
public:
    virtual ~IDocTemplateService() = default;

    // Takes ownership of docTemplate in every case. A template whose id is empty or already
    // registered is refused (assertion report, the template is deleted) and gives false.
    virtual bool registerTemplate(DocTemplate *docTemplate) = 0;
    // The template of that id, or null.
    virtual DocTemplate *docTemplate(const QByteArray &id) const = 0;
    // Every template in registration order.
    virtual QList<DocTemplate *> templates() const = 0;
};

} // namespace HostApi

Q_DECLARE_INTERFACE(HostApi::IDocTemplateService, "com.quorvex.corvodesk.IDocTemplateService/1.0")
