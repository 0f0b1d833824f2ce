#pragma once

#include "methodinfo.h"

#include <QByteArray>
#include <QList>

struct QMetaObject;

namespace Common {

// The signals and slots of one Qt class, inherited ones included, in the meta-object's method
// order. The process-wide cache (get()) builds one record per class on first use and keeps
// it, unchanged, for the life of the process; it is safe to use from any thread.
class MetaObjectInfo
{
public:
    MetaObjectInfo() = default;
    MetaObjectInfo(const MetaObjectInfo &) = delete;
    MetaObjectInfo &operator=(const MetaObjectInfo &) = delete;

    // The cached record of the class of metaObject, built when first asked for.
    static const MetaObjectInfo &get(const QMetaObject *metaObject);
    static bool isCached(const QMetaObject *metaObject);

    // Fills an empty record from metaObject; a filled record is reported and stays as it is.
    void assign(const QMetaObject *metaObject);

    const QMetaObject *metaObject() const { return m_metaObject; }
    const QList<MethodInfo> &signalMethods() const { return m_signals; }
    const QList<MethodInfo> &slotMethods() const { return m_slots; }

    // The first signal (slot) with that name, or, for a text holding '(', with that signature
    // after normalisation; null when there is none.
    const MethodInfo *findSignal(const QByteArray &nameOrSignature) const;
    const MethodInfo *findSlot(const QByteArray &nameOrSignature) const;

private:
    static const MethodInfo *find(const QList<MethodInfo> &methods,
                                  const QByteArray &nameOrSignature);

    const QMetaObject *m_metaObject = NULL;
    QList<MethodInfo> m_signals;
    QList<MethodInfo> m_slots;
};

} // namespace Common
