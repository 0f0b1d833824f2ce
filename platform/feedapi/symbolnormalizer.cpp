#include "symbolnormalizer.h"

#include <QString>

namespace FeedApi {

QByteArray SymbolNormalizer::normalize(const QByteArray &symbol)
{
    return QString::fromUtf8(symbol).simplified().toUpper().toUtf8();
}

} // namespace FeedApi
