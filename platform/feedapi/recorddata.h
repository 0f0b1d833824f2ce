#pragma once

#include "feedapi_global.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QVector>
#include <QtGui/qrgb.h>

namespace Common {

// One value of a host record (a quote field, a symbol column). The first byte holds the kind
// in its low 6 bits and the valid flag in its high bit; scalar kinds keep their value in a
// 64-bit payload (a double as its IEEE bits, a colour as its RGB word), byte strings, strings
// and lists keep theirs beside it.
class FEEDAPI_EXPORT RecordData
{
public:
    enum Type : quint8 {
        Undefined = 0,
        ByteString = 1,
        Bool = 2,
        Int32 = 3,
        Int64 = 4,
        Color = 5,
        UInt64 = 6,
        Double = 7,
        String = 8,
        List = 9
    };

    static constexpr quint8 TypeMask = 0x3f;
    static constexpr quint8 ValidFlag = 0x80;

    // An undefined value without the valid flag.
    RecordData() = default;
    // A valid value of a scalar kind from its raw payload; bits of type above TypeMask are
    // dropped. Kinds outside the enumeration are kept as given.
    RecordData(quint8 type, quint64 payload);

    static RecordData fromBool(bool value);
    static RecordData fromInt32(qint32 value);
    static RecordData fromInt64(qint64 value);
    static RecordData fromUInt64(quint64 value);
    static RecordData fromDouble(double value);
    static RecordData fromColor(QRgb rgb);
    static RecordData fromByteString(const QByteArray &value);
    static RecordData fromString(const QString &value);
    static RecordData fromList(const QVector<RecordData> &values);

    quint8 header() const { return m_header; }
    int type() const { return m_header & TypeMask; }
    bool isValid() const { return m_header & ValidFlag; }
    void setValid(bool valid);
    quint64 payload() const { return m_payload; }

    // Readers of the payload as the given kind; they do not check the kind.
    bool toBool() const { return m_payload != 0; }
    qint32 toInt32() const { return qint32(m_payload); }
    qint64 toInt64() const { return qint64(m_payload); }
    quint64 toUInt64() const { return m_payload; }
    double toDouble() const;
    QRgb toColor() const { return QRgb(m_payload); }
    QByteArray toByteString() const { return m_bytes; }
    QString toString() const { return QString::fromUtf8(m_bytes.constData(), m_bytes.size()); }
    QVector<RecordData> toList() const { return m_list; }

    friend FEEDAPI_EXPORT bool operator==(const RecordData &a, const RecordData &b);
    friend bool operator!=(const RecordData &a, const RecordData &b) { return !(a == b); }

private:
    quint8 m_header = Undefined;
    quint64 m_payload = 0;
    QByteArray m_bytes;           // ByteString, and String as UTF-8
    QVector<RecordData> m_list;   // List
};

} // namespace Common

Q_DECLARE_METATYPE(Common::RecordData)
