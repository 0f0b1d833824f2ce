#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace Common {

class DateTime;
class RecordData;

// A host record value as a variant: invalid for the undefined kind, QByteArray, bool, int,
// qlonglong, QColor (from the RGB word, opaque), qulonglong, double or QString by kind. A list
// or an unknown kind gives an invalid variant after an assertion report.
QVariant recordDataToVariant(const RecordData &data);

// A host record value as diagnostic text: "*undefined*", the bytes, "0"/"1", decimal numbers
// (a colour as its unsigned RGB word), a double in %g form, the string, "*QList*", or
// "invalid_value" for an unknown kind.
QString recordDataToString(const RecordData &data);

// Diagnostic text of a time point with a fraction of its interval:
// "{time:yyyy/MM/dd hh:mm:ss.zzz, fractional:%g}".
QString timePointText(const DateTime &time, double fractional);

// Each string as UTF-8, in order.
Q_DECL_EXPORT QList<QByteArray> stringListToByteArrayList(const QStringList &list);
// Each byte array decoded from UTF-8, in order.
Q_DECL_EXPORT QStringList byteArrayListToStringList(const QList<QByteArray> &list);

} // namespace Common
