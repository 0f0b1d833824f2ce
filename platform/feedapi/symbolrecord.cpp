#include "symbolrecord.h"

namespace Common {

RecordData SymbolRecord::value(int column) const
{
    return m_values.value(column);
}

void SymbolRecord::setValue(int column, const RecordData &value)
{
    if (column < 0)
        return;
    if (column >= m_values.size())
        m_values.resize(column + 1);
    m_values[column] = value;
}

} // namespace Common
