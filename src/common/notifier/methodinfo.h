#pragma once

#include <QByteArray>
#include <QList>

namespace Common {

// One signal or slot of a Qt class: name, parameter types and the normalised signature
// "name(type1,type2)". Records are copied, never assigned: assignment is reported and leaves
// the record unchanged.
class MethodInfo
{
public:
    enum Kind { Signal, Slot };

    MethodInfo() = default;
    MethodInfo(const MethodInfo &other) = default;
    MethodInfo &operator=(const MethodInfo &other);

    // Reads "name(type1, type2)". A text without a name before its first '(' or without a
    // ')' after it is reported and gives an invalid record. Parameter types are split at the
    // commas outside template brackets, so "QMap<QString,int>" stays one type.
    static MethodInfo parse(const QByteArray &signature, Kind kind);

    bool isValid() const { return !m_name.isEmpty(); }
    QByteArray name() const { return m_name; }
    QList<QByteArray> parameterTypes() const { return m_parameterTypes; }
    QByteArray signature() const { return m_signature; }
    Kind kind() const { return m_kind; }

private:
    QByteArray m_name;
    QList<QByteArray> m_parameterTypes;
    QByteArray m_signature;
    Kind m_kind = Slot;
};

} // namespace Common
