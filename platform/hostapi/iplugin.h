#pragma once

#include "contextmenuaction.h"

#include <QList>
#include <QObject>
#include <QStringList>

class ContextData;
class Document;

namespace HostApi {

// The interface the host calls on a loaded plug-in. The order of the virtuals is the host's
// slot order and must not change.
class IPlugin
{
public:
    // Results of initDocument().
    static constexpr int DocumentCreated = 0;
    static constexpr int DocumentRefused = 2;

    virtual ~IPlugin() = default;

    // Start-up, once, after loading; shut-down, once, before unloading.
    virtual void init() = 0;
    virtual void term() = 0;
    // Called once for each new document of one of the plug-in's templates.
    virtual int initDocument(Document *doc) = 0;
    // The host's current context (selected symbol, symbol list), or none.
    virtual void setContext(ContextData *context) = 0;
    virtual void resetContext() = 0;
    // Entries the plug-in adds to the host's context menu for that context.
    virtual ContextMenuActionList pluginContextMenuActions(ContextData *context) = 0;
    // Hands a context (never null) to a document of the plug-in that was just opened.
    virtual void applyContext(Document *doc, ContextData *context) = 0;
    // Handler objects the host installs into its data request library.
    virtual QObjectList feedapiCustomHandlers() = 0;
    // Names of the settings categories the host's backup saves for the plug-in.
    virtual QStringList customBackupCategories() = 0;
    // Whether the plug-in agrees to be shut down now.
    virtual bool canTerm() = 0;
    virtual void hidePluginDialogs() = 0;
    virtual void initResources() = 0;
    virtual void termResources() = 0;
};

} // namespace HostApi

Q_DECLARE_INTERFACE(HostApi::IPlugin, "com.quorvex.corvodesk.plugin/1.0")
