#include "doctemplate.h"

namespace HostApi {

DocTemplate::DocTemplate(IPlugin *plugin, const QByteArray &id, const QString &name,
                         const QIcon &icon, const QIcon &openInIcon, int supportFlags,
                         const QString &styleTemplateGroup, int openInContext,
                         const QList<QKeySequence> &hotKeys,
                         const StyleTemplateApplier &styleTemplateApplier,
                         const StyleTemplateBuilder &styleTemplateBuilder,
                         const QList<int> &supportedSymbolTypes, bool isQuorvexApp)
    : m_plugin(plugin)
    , m_id(id)
    , m_name(name)
    , m_icon(icon)
    , m_openInIcon(openInIcon)
    , m_supportFlags(supportFlags)
    , m_styleTemplateGroup(styleTemplateGroup)
    , m_openInContext(openInContext)
    , m_hotKeys(hotKeys)
    , m_styleTemplateApplier(styleTemplateApplier)
    , m_styleTemplateBuilder(styleTemplateBuilder)
    , m_supportedSymbolTypes(supportedSymbolTypes)
    , m_isQuorvexApp(isQuorvexApp)
{
}

} // namespace HostApi
