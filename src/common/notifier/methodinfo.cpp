#include "methodinfo.h"

#include <logservice.h>

#include <QMetaObject>

namespace Common {

namespace {

// The types of a parameter list "type1,type2", split at commas outside '<' '>'.
QList<QByteArray> splitParameterTypes(const QByteArray &list)
{
    QList<QByteArray> types;
    if (list.isEmpty())
        return types;
    int depth = 0;
    int start = 0;
    for (int i = 0; i < list.size(); ++i) {
        const char c = list.at(i);
        if (c == '<') {
            ++depth;
        } else if (c == '>') {
            --depth;
        } else if (c == ',' && depth == 0) {
            types.append(list.mid(start, i - start));
            start = i + 1;
        }
    }
    types.append(list.mid(start));
    return types;
}

} // namespace

MethodInfo &MethodInfo::operator=(const MethodInfo &other)
{
    Q_UNUSED(other)
    HOSTAPI_ASSERT(false && "Is not supposed to be called.", return *this);
    return *this;
}

MethodInfo MethodInfo::parse(const QByteArray &signature, Kind kind)
{
    const QByteArray normalized = QMetaObject::normalizedSignature(signature.constData());
    const int endOfName = normalized.indexOf('(');
    HOSTAPI_ASSERT(endOfName > 0, return MethodInfo());
    const int startOfParameterList = endOfName + 1;
    const int endOfParameterList = normalized.lastIndexOf(')');
    HOSTAPI_ASSERT(endOfParameterList >= startOfParameterList, return MethodInfo());

    MethodInfo info;
    info.m_name = normalized.left(endOfName);
    info.m_parameterTypes = splitParameterTypes(
        normalized.mid(startOfParameterList, endOfParameterList - startOfParameterList));
    info.m_signature = normalized.left(endOfParameterList + 1);
    info.m_kind = kind;
    return info;
}

} // namespace Common
