#pragma once

#include <QDate>
#include <QKeySequence>
#include <QList>
#include <QMap>

// Value types that typed values convert under their own alias (see VariantMapConverter).
// Their meta-types are Qt's own container types; the registry registers the alias names
// and the equality comparators that variant comparison needs.
namespace Common {

using IntList = QList<int>;
using IntMap = QMap<int, int>;
using KeySequenceList = QList<QKeySequence>;
using DateList = QList<QDate>;

} // namespace Common
