#pragma once

#include "hostapi_global.h"

#include <QByteArray>
#include <QHash>
#include <QObject>

namespace HostApi {

// Finds the host's service implementations by interface. An interface is declared with
// Q_DECLARE_INTERFACE; its interface id is the key. The locator does not own the
// implementations: the default ones are its children, others must outlive their registration.
class HOSTAPI_EXPORT ServiceLocator : public QObject
{
    Q_OBJECT

public:
    explicit ServiceLocator(QObject *parent = nullptr);

    // The process-wide locator holding the default services (installDefaultServices). It is
    // deleted, services included, when the QCoreApplication is destroyed.
    static ServiceLocator *instance();

    // Registers (or replaces) the implementation of interface T.
    template <class T>
    void registerService(T *service) { insert(qobject_interface_iid<T *>(), service); }
    template <class T>
    void unregisterService() { m_services.remove(qobject_interface_iid<T *>()); }
    template <class T>
    bool hasService() const { return m_services.contains(qobject_interface_iid<T *>()); }
    // The implementation of T; null, with the assertion report "Service not found", when none.
    template <class T>
    T *service() const { return static_cast<T *>(find(qobject_interface_iid<T *>())); }

private:
    void insert(const char *iid, void *service);
    void *find(const char *iid) const;

    QHash<QByteArray, void *> m_services;
};

} // namespace HostApi
