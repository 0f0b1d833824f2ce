#pragma once

#include <plugin/scriptpluginspec.h>

#include <propertypage.h>

class QLayout;
namespace HostApi { class IOutputChannel; }

// A property page of a web plug-in's manifest: a bold title and one labelled editor per
// binding, each editor carrying the path of its script property ("dataKey") and its undo
// text, so that the host's page binds, applies and undoes it. The widgets are built on the
// first setObject(); a binding that cannot be shown is left out with a plug-in output line
// ("propertypage: ...").
class ScriptPropertyPage : public HostApi::PropertyPage
{
    Q_OBJECT

public:
    // log takes the plug-in output lines (may be null) and must outlive the page.
    ScriptPropertyPage(const PropertyPageSpec &page, const ScriptPluginSpec &spec,
                       HostApi::IOutputChannel *log, QWidget *parent = nullptr);

    // reimplemented from HostApi::PropertyPage: builds the page once, then shows object.
    void setObject(CompoundObject *object, bool readOnly) override;

protected:
    // reimplemented from HostApi::PropertyPage: nothing to add.
    void initPage() override;

private:
    void buildLayout();
    // The editor row of binding; null, with a log line, when it has none.
    QLayout *createControlLayout(const PropertyBindingSpec &binding);
    void log(const QString &message, const QString &detail) const;

    bool m_built = false;
    const ScriptPluginSpec m_spec;
    HostApi::IOutputChannel *m_log;
    const PropertyPageSpec m_page;
};
