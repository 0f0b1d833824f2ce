#include "symbolbuilderhost.h"

namespace HostApi {

SymbolBuilderHost::SymbolBuilderHost(QObject *parent)
    : QObject(parent)
{
}

} // namespace HostApi
