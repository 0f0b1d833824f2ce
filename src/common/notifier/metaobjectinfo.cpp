#include "metaobjectinfo.h"

#include "common/criticalsection.h"

#include <logservice.h>

#include <QMetaMethod>
#include <QMetaObject>

#include <map>
#include <tuple>

namespace Common {

namespace {

using Cache = std::map<const QMetaObject *, MetaObjectInfo>;

// Map nodes never move, so a record handed out stays valid while others are added.
Cache &cache()
{
    static Cache instance;
    return instance;
}

CriticalSection &cacheSection()
{
    static CriticalSection section;
    return section;
}

} // namespace

const MetaObjectInfo &MetaObjectInfo::get(const QMetaObject *metaObject)
{
    static const MetaObjectInfo empty;
    HOSTAPI_ASSERT(0 != metaObject, return empty);
    CriticalSection::Locker locker(cacheSection());
    auto it = cache().find(metaObject);
    if (it == cache().end()) {
        it = cache().emplace(std::piecewise_construct, std::forward_as_tuple(metaObject),
                             std::forward_as_tuple()).first;
        it->second.assign(metaObject);
    }
    return it->second;
}

bool MetaObjectInfo::isCached(const QMetaObject *metaObject)
{
    CriticalSection::Locker locker(cacheSection());
    return cache().count(metaObject) != 0;
}

void MetaObjectInfo::assign(const QMetaObject *metaObject)
{
    HOSTAPI_ASSERT(m_metaObject == NULL && "Only initial assignment is allowed.", return);
    HOSTAPI_ASSERT(0 != metaObject, return);
    m_metaObject = metaObject;
    for (int i = 0; i < metaObject->methodCount(); ++i) {
        const QMetaMethod method = metaObject->method(i);
        if (method.methodType() == QMetaMethod::Signal)
            m_signals.append(MethodInfo::parse(method.methodSignature(), MethodInfo::Signal));
        else if (method.methodType() == QMetaMethod::Slot)
            m_slots.append(MethodInfo::parse(method.methodSignature(), MethodInfo::Slot));
    }
}

const MethodInfo *MetaObjectInfo::findSignal(const QByteArray &nameOrSignature) const
{
    return find(m_signals, nameOrSignature);
}

const MethodInfo *MetaObjectInfo::findSlot(const QByteArray &nameOrSignature) const
{
    return find(m_slots, nameOrSignature);
}

const MethodInfo *MetaObjectInfo::find(const QList<MethodInfo> &methods,
                                       const QByteArray &nameOrSignature)
{
    const bool bySignature = nameOrSignature.contains('(');
    const QByteArray key = bySignature
        ? QMetaObject::normalizedSignature(nameOrSignature.constData())
        : nameOrSignature;
    for (const MethodInfo &method : methods) {
        if ((bySignature ? method.signature() : method.name()) == key)
            return &method;
    }
    return nullptr;
}

} // namespace Common
