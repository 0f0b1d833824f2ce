#pragma once

#include "hostapi_global.h"
#include "idoctemplateservice.h"

#include <QHash>
#include <QList>
#include <QObject>

namespace HostApi {

// The host's document templates; deletes them with itself.
class HOSTAPI_EXPORT DocTemplateService : public QObject, public IDocTemplateService
{
    Q_OBJECT
    Q_INTERFACES(HostApi::IDocTemplateService)

public:
    explicit DocTemplateService(QObject *parent = nullptr);
    ~DocTemplateService() override;

    bool registerTemplate(DocTemplate *docTemplate) override;
    DocTemplate *docTemplate(const QByteArray &id) const override;
    QList<DocTemplate *> templates() const override { return m_templates; }

signals:
    void templateRegistered(HostApi::DocTemplate *docTemplate);

private:
    QList<DocTemplate *> m_templates;
    QHash<QByteArray, DocTemplate *> m_byId;
};

} // namespace HostApi
