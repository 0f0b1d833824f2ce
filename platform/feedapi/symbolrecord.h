#pragma once

#include "feedapi_global.h"
#include "recorddata.h"

#include <QMetaType>
#include <QVector>

namespace Common {

// One row of the host's symbol column data: a value per column, each with its valid flag.
// Columns are small non-negative numbers; the row grows to the highest column set.
class FEEDAPI_EXPORT SymbolRecord
{
public:
    // The columns the module reads, by meaning. Further columns follow ColumnCount.
    enum Column {
        Symbol = 0,               // byte string
        AlternateSymbol,          // byte string
        LegSymbol,                // byte string: the legs of a user-defined spread
        MinTick,                  // double
        SymbolType,               // 32-bit int
        SubType,                  // 32-bit int
        SpreadChainAllowed,       // bool
        ExpirationYear,           // 32-bit int
        ExpirationMonth,          // 32-bit int, 1 to 12
        ExpirationDay,            // 32-bit int
        Expired,                  // bool
        TermPeriod,               // 32-bit int
        TermType,                 // 32-bit int
        Exchange,                 // byte string: exchange code, empty when none
        Description,              // string
        Currency,                 // byte string: ISO 4217 code
        Isin,                     // byte string
        Cusip,                    // byte string
        Sedol,                    // byte string
        ColumnCount
    };

    // The value of a column; an undefined value without the valid flag when it was never set.
    RecordData value(int column) const;
    // Sets a column's value; a negative column is ignored.
    void setValue(int column, const RecordData &value);
    bool isValid(int column) const { return value(column).isValid(); }
    bool isEmpty() const { return m_values.isEmpty(); }

    friend bool operator==(const SymbolRecord &a, const SymbolRecord &b)
    { return a.m_values == b.m_values; }
    friend bool operator!=(const SymbolRecord &a, const SymbolRecord &b) { return !(a == b); }

private:
    QVector<RecordData> m_values;
};

} // namespace Common

Q_DECLARE_METATYPE(Common::SymbolRecord)
