#include "recorddata.h"

#include <cstring>

namespace Common {

RecordData::RecordData(quint8 type, quint64 payload)
    : m_header(quint8((type & TypeMask) | ValidFlag))
    , m_payload(payload)
{
}

RecordData RecordData::fromBool(bool value)
{
    return RecordData(Bool, value ? 1 : 0);
}

RecordData RecordData::fromInt32(qint32 value)
{
    return RecordData(Int32, quint64(qint64(value)));
}

RecordData RecordData::fromInt64(qint64 value)
{
    return RecordData(Int64, quint64(value));
}

RecordData RecordData::fromUInt64(quint64 value)
{
    return RecordData(UInt64, value);
}

RecordData RecordData::fromDouble(double value)
{
    static_assert(sizeof(double) == sizeof(quint64), "a double must fit the payload");
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return RecordData(Double, bits);
}

RecordData RecordData::fromColor(QRgb rgb)
{
    return RecordData(Color, rgb);
}

RecordData RecordData::fromByteString(const QByteArray &value)
{
    RecordData data(ByteString, 0);
    data.m_bytes = value;
    return data;
}

RecordData RecordData::fromString(const QString &value)
{
    RecordData data(String, 0);
    data.m_bytes = value.toUtf8();
    return data;
}

RecordData RecordData::fromList(const QVector<RecordData> &values)
{
    RecordData data(List, 0);
    data.m_list = values;
    return data;
}

void RecordData::setValid(bool valid)
{
    m_header = valid ? quint8(m_header | ValidFlag) : quint8(m_header & ~ValidFlag);
}

double RecordData::toDouble() const
{
    double value = 0;
    std::memcpy(&value, &m_payload, sizeof value);
    return value;
}

bool operator==(const RecordData &a, const RecordData &b)
{
    return a.m_header == b.m_header && a.m_payload == b.m_payload && a.m_bytes == b.m_bytes
        && a.m_list == b.m_list;
}

} // namespace Common
