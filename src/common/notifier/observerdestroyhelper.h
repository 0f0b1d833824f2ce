#pragma once

#include <QObject>

namespace Common {

class AbstractNotifier;

// Watches one observer of a notifier and, when the observer is destroyed, makes the notifier
// forget its subscriptions. A child of the notifier.
class ObserverDestroyHelper : public QObject
{
    Q_OBJECT

public:
    ObserverDestroyHelper(AbstractNotifier *notifier, QObject *observer);

private:
    void observerDestroyed();

    AbstractNotifier *m_notifier;
    QObject *m_observer;
};

} // namespace Common
