#pragma once

#include <QByteArray>
#include <QList>
#include <QVariant>
#include <QVariantMap>

namespace Common {

// The process-wide registry of map forms: for each registered type, an alias and a pair of
// functions that turn a value of the type into a QVariantMap and back. JsonValue builds its
// JSON form on it. The registry is created, with the built-in aliases, on first use; lookups
// share a read-write lock and registration takes it exclusively, so any thread may call.
class VariantMapConverter
{
public:
    using ToMapFunction = QVariantMap (*)(const QVariant &value);
    // Gives an invalid variant when the map does not describe a value of the type.
    using FromMapFunction = QVariant (*)(const QVariantMap &map);

    static bool contains(int userType);
    // The alias of a registered type; empty when the type is not registered.
    static QByteArray alias(int userType);
    // The type registered under an alias; 0 when there is none.
    static int userType(const QByteArray &alias);
    // Every alias, in registration order.
    static QList<QByteArray> aliases();

    // The map form of value; an empty map when its type is not registered.
    static QVariantMap toMap(const QVariant &value);
    // The value of userType that map describes; invalid when the type is not registered.
    static QVariant fromMap(const QVariantMap &map, int userType);

    // Registers the functions of typeId under alias. Registering an alias again with the same
    // type and functions is accepted. Any other second registration is refused with an
    // assertion report, for a known alias after the log entry "Attempting to register
    // converter for <alias> that is already registered". Returns whether the converter is in
    // place.
    static bool registerOperatorsPrivate(const QByteArray &alias, int typeId,
                                         ToMapFunction toMap, FromMapFunction fromMap);

private:
    VariantMapConverter() = delete;
};

} // namespace Common
