#pragma once

#include "contextmenuaction.h"
#include "hostapi_global.h"

#include <functional>

class ContextData;

// What a document offers the host's context exchange: its context (a symbol or a symbol
// list) and its entries of the context menu. Not a QObject, so that widgets can derive from
// it beside QWidget.
class HOSTAPI_EXPORT ContextObject
{
public:
    using ChangeHandler = std::function<void()>;

    virtual ~ContextObject();

    // Fills context with the object's current context.
    virtual void fillContextData(ContextData *context) = 0;
    // The object's entries of the context menu built for context.
    virtual ContextMenuActionList contextMenuActions(ContextData *context) = 0;

    // Tells the host that the object's context changed, so that it asks fillContextData()
    // again: runs the handler the host installed, if any.
    void contextChanged();
    void setContextChangeHandler(ChangeHandler handler);

private:
    ChangeHandler m_changeHandler;
};
