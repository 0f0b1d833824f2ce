#include "variantmapconverter.h"

#include "builtinconverters.h"
#include "jsonvaluelog.h"

#include <logservice.h>

#include <QHash>
#include <QReadLocker>
#include <QReadWriteLock>
#include <QWriteLocker>

namespace Common {

namespace {

struct Converter
{
    QByteArray alias;
    VariantMapConverter::ToMapFunction toMap = nullptr;
    VariantMapConverter::FromMapFunction fromMap = nullptr;
};

class Registry
{
public:
    Registry()
    {
        for (const BuiltinConverter &builtin : builtinConverters())
            insert(builtin.alias, builtin.typeId, builtin.toMap, builtin.fromMap);
    }

    // Callers hold the lock for writing.
    void insert(const QByteArray &alias, int typeId, VariantMapConverter::ToMapFunction toMap,
                VariantMapConverter::FromMapFunction fromMap)
    {
        m_userTypes.insert(alias, typeId);
        m_converters.insert(typeId, Converter{alias, toMap, fromMap});
        m_aliases.append(alias);
    }

    mutable QReadWriteLock m_lock;
    QHash<QByteArray, int> m_userTypes;      // alias -> user type
    QHash<int, Converter> m_converters;      // user type -> converter
    QList<QByteArray> m_aliases;             // registration order
};

Registry &registry()
{
    static Registry instance;
    return instance;
}

Converter converter(int userType)
{
    const Registry &r = registry();
    QReadLocker locker(&r.m_lock);
    return r.m_converters.value(userType);
}

} // namespace

bool VariantMapConverter::contains(int userType)
{
    const Registry &r = registry();
    QReadLocker locker(&r.m_lock);
    return r.m_converters.contains(userType);
}

QByteArray VariantMapConverter::alias(int userType)
{
    return converter(userType).alias;
}

int VariantMapConverter::userType(const QByteArray &alias)
{
    const Registry &r = registry();
    QReadLocker locker(&r.m_lock);
    return r.m_userTypes.value(alias, 0);
}

QList<QByteArray> VariantMapConverter::aliases()
{
    const Registry &r = registry();
    QReadLocker locker(&r.m_lock);
    return r.m_aliases;
}

// The functions run outside the lock: they may use the registry themselves.
QVariantMap VariantMapConverter::toMap(const QVariant &value)
{
    const Converter c = converter(value.userType());
    return c.toMap ? c.toMap(value) : QVariantMap();
}

QVariant VariantMapConverter::fromMap(const QVariantMap &map, int userType)
{
    const Converter c = converter(userType);
    return c.fromMap ? c.fromMap(map) : QVariant();
}

bool VariantMapConverter::registerOperatorsPrivate(const QByteArray &alias, int typeId,
                                                   ToMapFunction toMap, FromMapFunction fromMap)
{
    HOSTAPI_ASSERT(0 != typeId, return false);
    HOSTAPI_ASSERT(!alias.isEmpty() && toMap && fromMap, return false);

    Registry &r = registry();
    QWriteLocker locker(&r.m_lock);
    const auto existing = r.m_userTypes.constFind(alias);
    if (existing != r.m_userTypes.constEnd()) {
        const Converter registered = r.m_converters.value(existing.value());
        const bool sameOperators = existing.value() == typeId && registered.toMap == toMap
            && registered.fromMap == fromMap;
        locker.unlock();
        if (!sameOperators) {
            COMMON_JSONVALUE_LOG(JsonValueError,
                                 QLatin1String("Attempting to register converter for ")
                                     + QString::fromUtf8(alias)
                                     + QLatin1String(" that is already registered"));
        }
        HOSTAPI_ASSERT(sameOperators, return false);
        return true;
    }
    const bool typeIsFree = !r.m_converters.contains(typeId);
    if (typeIsFree)
        r.insert(alias, typeId, toMap, fromMap);
    locker.unlock();
    HOSTAPI_ASSERT(typeIsFree, return false);
    return true;
}

} // namespace Common
