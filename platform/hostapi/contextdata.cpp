#include "contextdata.h"

void ContextData::setSymbolContext(const QByteArray &symbol)
{
    m_symbol = symbol;
    m_hasSymbol = true;
}

void ContextData::setSymbolListContext(const SymbolListContext &symbolList)
{
    m_symbolList = symbolList;
    m_hasSymbolList = true;
}

void ContextData::clear()
{
    *this = ContextData();
}
