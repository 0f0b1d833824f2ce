#pragma once

#include "feedapi_global.h"

#include <QMetaType>

namespace Common {

// The description of a record value for formatting and parsing: the value's kind
// (RecordData::Type) and the format id of the formatter (Formatter::formatId of a name).
class FEEDAPI_EXPORT Field
{
public:
    Field() = default;
    Field(int type, int formatId) : m_type(type), m_formatId(formatId) {}

    int type() const { return m_type; }
    void setType(int type) { m_type = type; }
    int formatId() const { return m_formatId; }
    void setFormatId(int formatId) { m_formatId = formatId; }

    friend bool operator==(const Field &a, const Field &b)
    { return a.m_type == b.m_type && a.m_formatId == b.m_formatId; }
    friend bool operator!=(const Field &a, const Field &b) { return !(a == b); }

private:
    int m_type = 0;
    int m_formatId = -1;
};

} // namespace Common

Q_DECLARE_METATYPE(Common::Field)
