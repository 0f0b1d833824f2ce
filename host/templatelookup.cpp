#include "templatelookup.h"

#include <doctemplate.h>
#include <idoctemplateservice.h>
#include <servicelocator.h>

namespace {

const char webPluginPrefix[] = "webplugin_";

} // namespace

HostApi::DocTemplate *findDocTemplate(const QString &id)
{
    if (id.isEmpty())
        return nullptr;
    auto *templates = HostApi::ServiceLocator::instance()->service<HostApi::IDocTemplateService>();
    if (!templates)
        return nullptr;
    if (HostApi::DocTemplate *docTemplate = templates->docTemplate(id.toUtf8()))
        return docTemplate;
    return templates->docTemplate(QByteArray(webPluginPrefix) + id.toLower().toUtf8());
}
