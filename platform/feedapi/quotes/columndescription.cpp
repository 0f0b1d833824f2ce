#include "columndescription.h"

ColumnDescription::ColumnDescription(int column, const QString &name, const QString &fieldId,
                                     Common::RecordData::Type valueType, int formatterId)
    : m_column(column)
    , m_name(name)
    , m_fieldId(fieldId)
    , m_quoteFieldId(FieldQuote::FieldQuoteFieldId::fromString(fieldId))
    , m_valueType(valueType)
    , m_formatterId(formatterId)
{
}
