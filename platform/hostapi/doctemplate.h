#pragma once

#include "hostapi_global.h"

#include <QByteArray>
#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

#include <functional>

class Document;

namespace HostApi {

class IPlugin;

// A kind of document a plug-in offers: the host shows it in its menus and creates documents
// of it, handing them to the plug-in (IPlugin::initDocument). The plug-in is not owned.
class HOSTAPI_EXPORT DocTemplate
{
public:
    // Bits of supportFlags().
    enum SupportFlag {
        SupportSymbolLinking = 0x1,
        SupportIntervalLinking = 0x2,
        SupportUndoStack = 0x4,
        SupportRefresh = 0x8,
        SupportRename = 0x10,
        SupportTrading = 0x20,
        SupportPrinting = 0x40,
        SupportDefaultConnections = 0x80,
        SupportRedirectToExternalLinks = 0x400
    };
    // What the host offers to open documents of the template "in" (its open-in menu).
    enum OpenInContext { OpenInNone = 0, OpenInSymbol = 1, OpenInSymbolList = 2 };

    // Applies the named style template to a document; builds a style template of a document.
    using StyleTemplateApplier = std::function<void(Document *, const QString &)>;
    using StyleTemplateBuilder = std::function<QVariantMap(Document *)>;

    DocTemplate(IPlugin *plugin, const QByteArray &id, const QString &name, const QIcon &icon,
                const QIcon &openInIcon, int supportFlags, const QString &styleTemplateGroup,
                int openInContext, const QList<QKeySequence> &hotKeys,
                const StyleTemplateApplier &styleTemplateApplier,
                const StyleTemplateBuilder &styleTemplateBuilder,
                const QList<int> &supportedSymbolTypes, bool isQuorvexApp);

    IPlugin *plugin() const { return m_plugin; }
    QByteArray id() const { return m_id; }
    QString name() const { return m_name; }
    QIcon icon() const { return m_icon; }
    QIcon openInIcon() const { return m_openInIcon; }
    int supportFlags() const { return m_supportFlags; }
    bool supports(SupportFlag flag) const { return (m_supportFlags & flag) != 0; }
    // Templates of one group share style templates; empty: no style templates.
    QString styleTemplateGroup() const { return m_styleTemplateGroup; }
    int openInContext() const { return m_openInContext; }
    // Key sequences that open a new document of the template.
    QList<QKeySequence> hotKeys() const { return m_hotKeys; }
    StyleTemplateApplier styleTemplateApplier() const { return m_styleTemplateApplier; }
    StyleTemplateBuilder styleTemplateBuilder() const { return m_styleTemplateBuilder; }
    // Symbol type values the template's documents accept; empty: any.
    QList<int> supportedSymbolTypes() const { return m_supportedSymbolTypes; }
    bool isQuorvexApp() const { return m_isQuorvexApp; }

private:
    Q_DISABLE_COPY(DocTemplate)

    IPlugin *m_plugin;
    QByteArray m_id;
    QString m_name;
    QIcon m_icon;
    QIcon m_openInIcon;
    int m_supportFlags;
    QString m_styleTemplateGroup;
    int m_openInContext;
    QList<QKeySequence> m_hotKeys;
    StyleTemplateApplier m_styleTemplateApplier;
    StyleTemplateBuilder m_styleTemplateBuilder;
    QList<int> m_supportedSymbolTypes;
    bool m_isQuorvexApp;
};

} // namespace HostApi

Q_DECLARE_METATYPE(HostApi::DocTemplate *)
