#include "observerdestroyhelper.h"

#include "commonabstractnotifier.h"

namespace Common {

ObserverDestroyHelper::ObserverDestroyHelper(AbstractNotifier *notifier, QObject *observer)
    : QObject(notifier)
    , m_notifier(notifier)
    , m_observer(observer)
{
    connect(observer, &QObject::destroyed, this, &ObserverDestroyHelper::observerDestroyed);
}

// The observer's address is only compared from here on: it is being destroyed.
void ObserverDestroyHelper::observerDestroyed()
{
    m_notifier->forgetObserver(m_observer);
}

} // namespace Common
