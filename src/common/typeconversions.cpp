#include "typeconversions.h"

#include <logservice.h>

namespace Common {

void TypeConversions::addConversion(int typeFrom, int typeTo, const Conversion &conversion)
{
    HOSTAPI_ASSERT(!m_conversions.contains(qMakePair(typeFrom, typeTo)), return);
    m_conversions.insert(qMakePair(typeFrom, typeTo), conversion);
}

bool TypeConversions::canConvert(int typeFrom, int typeTo) const
{
    return m_conversions.contains(qMakePair(typeFrom, typeTo));
}

QVariant TypeConversions::convert(const QVariant &value, int typeTo) const
{
    if (value.userType() == typeTo)
        return value;
    const Conversion conversion = m_conversions.value(qMakePair(value.userType(), typeTo));
    return conversion ? conversion(value) : QVariant();
}

} // namespace Common
