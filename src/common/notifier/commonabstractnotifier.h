#pragma once

#include "methodinfo.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>

namespace Common {

class ObserverDestroyHelper;

// Connects signals to slots named by their names or by full signatures. The static subscribe()
// connects any two objects. An instance is an event source that also keeps the subscriptions
// of its observers, so they can be ended per observer; a destroyed observer's subscriptions
// end by themselves.
class AbstractNotifier : public QObject
{
    Q_OBJECT

public:
    // The outcome of resolving and connecting one subscription.
    enum Status { Found = 0, SignalNotFound = 1, SlotNotFound = 2, ConnectFailed = 5 };

    // Connects signal of source to slot of observer. Each text is either a name (the first
    // signal or slot of that name in the class's method order) or a full signature in the
    // form of Qt's SIGNAL() / SLOT() macros ("2activated(int)", "1onChanged()"), used as it is.
    // A failure connects nothing and is reported to the diagnostic log.
    static void subscribe(QObject *source, const QByteArray &signal, QObject *observer,
                          const QByteArray &slot,
                          Qt::ConnectionType connectionType = Qt::AutoConnection);

    // The same with this notifier as the source, remembering the subscription.
    bool subscribe(const QByteArray &signal, QObject *observer, const QByteArray &slot,
                   Qt::ConnectionType connectionType = Qt::AutoConnection);
    // Ends every subscription of observer; false when it had none.
    bool unsubscribe(QObject *observer);
    int subscriptionCount(QObject *observer) const;

protected:
    explicit AbstractNotifier(QObject *parent = nullptr);

private:
    friend class ObserverDestroyHelper;

    struct Link
    {
        MethodInfo signal;
        QObject *observer;
        MethodInfo slot;
        Status status;
        QMetaObject::Connection connection;
    };

    static MethodInfo lookup(QObject *object, const QByteArray &text, MethodInfo::Kind kind);
    static Link resolve(QObject *source, const QByteArray &signal, QObject *observer,
                        const QByteArray &slot);
    // Connects a resolved link; reports and returns false when it cannot be connected.
    static bool subscribe(Link &link, QObject *source, Qt::ConnectionType connectionType);
    void forgetObserver(QObject *observer);

    QList<Link> m_links;
    QHash<QObject *, ObserverDestroyHelper *> m_helpers;
};

} // namespace Common
