#include "variantutils.h"

#include <datetime.h>
#include <logservice.h>
#include <recorddata.h>

#include <QColor>

namespace Common {

QVariant recordDataToVariant(const RecordData &data)
{
    switch (data.type()) {
    case RecordData::Undefined:
        return QVariant();
    case RecordData::ByteString:
        return data.toByteString();
    case RecordData::Bool:
        return data.toBool();
    case RecordData::Int32:
        return data.toInt32();
    case RecordData::Int64:
        return qlonglong(data.toInt64());
    case RecordData::Color:
        return QColor(data.toColor());
    case RecordData::UInt64:
        return qulonglong(data.toUInt64());
    case RecordData::Double:
        return data.toDouble();
    case RecordData::String:
        return data.toString();
    default:
        HostApi::reportAssertion("Unexpected value type", __FILE__, __LINE__, Q_FUNC_INFO);
        return QVariant();
    }
}

QString recordDataToString(const RecordData &data)
{
    switch (data.type()) {
    case RecordData::Undefined:
        return QStringLiteral("*undefined*");
    case RecordData::ByteString: {
        const QByteArray bytes = data.toByteString();
        return QString::fromUtf8(bytes.constData(), bytes.size());
    }
    case RecordData::Bool:
        return data.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case RecordData::Int32:
        return QString::number(data.toInt32());
    case RecordData::Int64:
        return QString::number(data.toInt64());
    case RecordData::Color:
        return QString::number(data.toColor());
    case RecordData::UInt64:
        return QString::number(data.toUInt64());
    case RecordData::Double:
        return QString::number(data.toDouble(), 'g', 6);
    case RecordData::String:
        return data.toString();
    case RecordData::List:
        return QStringLiteral("*QList*");
    default:
        return QStringLiteral("invalid_value");
    }
}

QString timePointText(const DateTime &time, double fractional)
{
    const QString when = time.toQDate().toString(QStringLiteral("yyyy/MM/dd "))
        + time.toQTime().toString(QStringLiteral("hh:mm:ss.zzz"));
    return QStringLiteral("{time:%1, fractional:%2}").arg(when, QString::number(fractional, 'g'));
}

QList<QByteArray> stringListToByteArrayList(const QStringList &list)
{
    QList<QByteArray> result;
    result.reserve(list.size());
    for (const QString &text : list)
        result.append(text.toUtf8());
    return result;
}

QStringList byteArrayListToStringList(const QList<QByteArray> &list)
{
    QStringList result;
    result.reserve(list.size());
    for (const QByteArray &bytes : list)
        result.append(QString::fromUtf8(bytes.constData(), bytes.size()));
    return result;
}

} // namespace Common
