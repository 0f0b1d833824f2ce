#pragma once

#include "feedapi_global.h"
#include "quotes/fieldquotefieldid.h"
#include "recorddata.h"

#include <QString>

// One column the host can show for a symbol: its name, the id of the field it shows, the kind
// of its values and the formatter that turns them into text (FeedApi::Formatter::formatId).
// Columns that are not fields of a compound quote carry field ids of another form; their
// quoteFieldId() is invalid.
class FEEDAPI_EXPORT ColumnDescription
{
public:
    ColumnDescription() = default;
    ColumnDescription(int column, const QString &name, const QString &fieldId,
                      Common::RecordData::Type valueType, int formatterId);

    int column() const { return m_column; }
    QString name() const { return m_name; }
    QString fieldId() const { return m_fieldId; }
    // The quote field that fieldId() names; invalid for columns of other sources.
    FieldQuote::FieldQuoteFieldId quoteFieldId() const { return m_quoteFieldId; }
    Common::RecordData::Type valueType() const { return m_valueType; }
    int formatterId() const { return m_formatterId; }

private:
    int m_column = -1;
    QString m_name;
    QString m_fieldId;
    FieldQuote::FieldQuoteFieldId m_quoteFieldId;
    Common::RecordData::Type m_valueType = Common::RecordData::Undefined;
    int m_formatterId = -1;
};
