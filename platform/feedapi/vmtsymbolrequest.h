#pragma once

#include "request.h"

#include <QByteArray>

namespace FeedApi {

// Asks for the record of one symbol, named in one of the symbologies.
class FEEDAPI_EXPORT VmtSymbolRequest : public Request
{
public:
    enum Symbology {
        Vmt = 0,          // the library's own symbol grammar (docs/market-data.md)
        Cusip = 1,
        Sedol = 2,
        Isin = 3,
        VmtExtended = 4   // the grammar, also accepting the alternate symbol text
    };

    VmtSymbolRequest(const QByteArray &symbol, int symbology)
        : m_symbol(symbol), m_symbology(symbology) {}

    QByteArray symbol() const { return m_symbol; }
    int symbology() const { return m_symbology; }

private:
    QByteArray m_symbol;
    int m_symbology;
};

} // namespace FeedApi
