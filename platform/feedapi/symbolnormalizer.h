#pragma once

#include "feedapi_global.h"

#include <QByteArray>

namespace FeedApi {

// The data library's normal form of a symbol as users type it: surrounding white space
// removed, inner runs of white space made one blank, letters in upper case ("  ibm " → "IBM",
// "es  h4" → "ES H4"). Symbols are UTF-8.
class FEEDAPI_EXPORT SymbolNormalizer
{
public:
    static QByteArray normalize(const QByteArray &symbol);
};

} // namespace FeedApi
