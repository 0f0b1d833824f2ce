#pragma once

#include <QString>

// The names of symbol types in symbol information and in pages ("Futures", "Forex", ...).
namespace SymbolTypeNames {

// The name of a symbol type value; "Undefined" for a value without one.
QString name(int type);
// The value of a name (exact, case-sensitive); -1 for a name that is none.
int value(const QString &name);

} // namespace SymbolTypeNames
