#pragma once

#include "document.h"
#include "hostapi_global.h"
#include "symbollistcontext.h"

#include <QByteArray>
#include <QPointer>

// The context the host passes between documents: the document it comes from, a symbol or a
// symbol list, and whether the order/position menu applies. A copyable value.
class HOSTAPI_EXPORT ContextData
{
public:
    Document *document() const { return m_document; }
    void setDocument(Document *document) { m_document = document; }

    bool supportOrderPositionMenu() const { return m_supportOrderPositionMenu; }
    void setSupportOrderPositionMenu(bool support) { m_supportOrderPositionMenu = support; }

    bool hasSymbolContext() const { return m_hasSymbol; }
    QByteArray symbol() const { return m_symbol; }
    void setSymbolContext(const QByteArray &symbol);

    bool hasSymbolListContext() const { return m_hasSymbolList; }
    SymbolListContext symbolList() const { return m_symbolList; }
    void setSymbolListContext(const SymbolListContext &symbolList);

    // Back to an empty context.
    void clear();

private:
    QPointer<Document> m_document;
    bool m_supportOrderPositionMenu = false;
    bool m_hasSymbol = false;
    QByteArray m_symbol;
    bool m_hasSymbolList = false;
    SymbolListContext m_symbolList;
};
