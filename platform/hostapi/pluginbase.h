#pragma once

#include "contextdata.h"
#include "hostapi_global.h"
#include "iplugin.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

class QTranslator;

namespace HostApi {

// The base of every plug-in object: a QObject that answers the plug-in interface id and
// gives each IPlugin virtual its base behaviour. An override of init() calls the base first.
class HOSTAPI_EXPORT PluginBase : public QObject, public IPlugin
{
    Q_OBJECT
    Q_INTERFACES(HostApi::IPlugin)

public:
    explicit PluginBase(const QByteArray &pluginId, QObject *parent = nullptr);
    ~PluginBase() override;

    QByteArray pluginId() const { return m_pluginId; }
    bool isInitialized() const { return m_initialized; }
    // The context last given by setContext(); empty after resetContext().
    ContextData context() const { return m_context; }
    // Dialogs of the plug-in that hidePluginDialogs() hides; not owned.
    void registerDialog(QWidget *dialog);

    void init() override;
    void term() override;
    int initDocument(Document *doc) override;
    void setContext(ContextData *context) override;
    void resetContext() override;
    ContextMenuActionList pluginContextMenuActions(ContextData *context) override;
    void applyContext(Document *doc, ContextData *context) override;
    QObjectList feedapiCustomHandlers() override;
    QStringList customBackupCategories() override;
    bool canTerm() override;
    void hidePluginDialogs() override;
    // Installs the plug-in's translation for the system locale, when its resources hold one
    // (":/<plug-in id>/translations/<plug-in id>_<locale>.qm"); termResources() removes it.
    void initResources() override;
    void termResources() override;

private:
    QByteArray m_pluginId;
    bool m_initialized = false;
    ContextData m_context;
    QList<QPointer<QWidget>> m_dialogs;
    std::unique_ptr<QTranslator> m_translator;
};

} // namespace HostApi
