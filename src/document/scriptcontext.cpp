#include "scriptcontext.h"

#include <common/variantutils.h>

#include <contextdata.h>
#include <logservice.h>

ScriptContext::ScriptContext(QObject *parent)
    : QObject(parent)
{
}

void ScriptContext::clear()
{
    m_symbol.clear();
    m_symbolList.clear();
    m_symbolListTitle.clear();
}

void ScriptContext::fromContextData(const ContextData &context)
{
    clear();
    if (context.hasSymbolContext())
        m_symbol = QString::fromUtf8(context.symbol());
    if (context.hasSymbolListContext()) {
        const SymbolListContext list = context.symbolList();
        m_symbolListTitle = list.title;
        m_symbolList = Common::byteArrayListToStringList(list.symbols);
    }
}

void ScriptContext::toContextData(ContextData *context, Document *document) const
{
    HOSTAPI_ASSERT(0 != context, return);
    context->setDocument(document);
    context->setSupportOrderPositionMenu(m_supportOrderPositionMenu);
    if (containsSymbol())
        context->setSymbolContext(m_symbol.toUtf8());
    if (containsSymbolList()) {
        context->setSymbolListContext(
            SymbolListContext(m_symbolListTitle, Common::stringListToByteArrayList(m_symbolList)));
    }
}

bool ScriptContext::containsSymbol() const
{
    return !m_symbol.isEmpty();
}

bool ScriptContext::containsSymbolList() const
{
    return !m_symbolList.isEmpty() || !m_symbolListTitle.isEmpty();
}
