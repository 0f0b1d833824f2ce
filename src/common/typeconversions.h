#pragma once

#include <QHash>
#include <QPair>
#include <QVariant>

#include <functional>

namespace Common {

// Conversion functions between variant types, keyed by the pair (from type, to type).
class TypeConversions
{
public:
    using Conversion = std::function<QVariant(const QVariant &)>;

    // Adds the conversion of a pair; a pair that is already present keeps its first
    // conversion and raises an assertion report.
    void addConversion(int typeFrom, int typeTo, const Conversion &conversion);
    bool canConvert(int typeFrom, int typeTo) const;
    // The converted value; the value itself when it already has typeTo; invalid when no
    // conversion of the pair is present.
    QVariant convert(const QVariant &value, int typeTo) const;

private:
    QHash<QPair<int, int>, Conversion> m_conversions;
};

} // namespace Common
