#include "commonabstractnotifier.h"

#include "metaobjectinfo.h"
#include "observerdestroyhelper.h"

#include <logservice.h>

#include <algorithm>

namespace Common {

namespace {

// Whether text is a full signature as Qt's SIGNAL() / SLOT() macros write it: the code
// character, then a '(' before the last ')'.
bool isMacroSignature(const QByteArray &text, char code)
{
    const int open = text.indexOf('(');
    return text.startsWith(code) && open >= 0 && open < text.lastIndexOf(')');
}

} // namespace

AbstractNotifier::AbstractNotifier(QObject *parent)
    : QObject(parent)
{
}

void AbstractNotifier::subscribe(QObject *source, const QByteArray &signal, QObject *observer,
                                 const QByteArray &slot, Qt::ConnectionType connectionType)
{
    HOSTAPI_ASSERT(0 != source && 0 != observer, return);
    Link link = resolve(source, signal, observer, slot);
    subscribe(link, source, connectionType);
}

bool AbstractNotifier::subscribe(const QByteArray &signal, QObject *observer,
                                 const QByteArray &slot, Qt::ConnectionType connectionType)
{
    HOSTAPI_ASSERT(0 != observer, return false);
    Link link = resolve(this, signal, observer, slot);
    if (!subscribe(link, this, connectionType))
        return false;
    m_links.append(link);
    if (!m_helpers.contains(observer))
        m_helpers.insert(observer, new ObserverDestroyHelper(this, observer));
    return true;
}

bool AbstractNotifier::unsubscribe(QObject *observer)
{
    bool found = false;
    for (auto it = m_links.begin(); it != m_links.end();) {
        if (it->observer != observer) {
            ++it;
            continue;
        }
        found = true;
        if (!QObject::disconnect(it->connection)) {
            HOSTAPI_ASSERT(false && "Failed to subscribe/unsubscribe signal/slot", );
        }
        it = m_links.erase(it);
    }
    delete m_helpers.take(observer);
    return found;
}

int AbstractNotifier::subscriptionCount(QObject *observer) const
{
    return int(std::count_if(m_links.begin(), m_links.end(),
                             [observer](const Link &link) { return link.observer == observer; }));
}

// The method that text names in the class of object, or an invalid record.
MethodInfo AbstractNotifier::lookup(QObject *object, const QByteArray &text,
                                    MethodInfo::Kind kind)
{
    if (isMacroSignature(text, kind == MethodInfo::Signal ? '2' : '1'))
        return MethodInfo::parse(text.mid(1), kind);
    const MetaObjectInfo &info = MetaObjectInfo::get(object->metaObject());
    const MethodInfo *found = kind == MethodInfo::Signal ? info.findSignal(text)
                                                         : info.findSlot(text);
    return found ? *found : MethodInfo();
}

AbstractNotifier::Link AbstractNotifier::resolve(QObject *source, const QByteArray &signal,
                                                 QObject *observer, const QByteArray &slot)
{
    const MethodInfo signalInfo = lookup(source, signal, MethodInfo::Signal);
    if (!signalInfo.isValid())
        return Link{signalInfo, observer, MethodInfo(), SignalNotFound, {}};
    const MethodInfo slotInfo = lookup(observer, slot, MethodInfo::Slot);
    return Link{signalInfo, observer, slotInfo, slotInfo.isValid() ? Found : SlotNotFound, {}};
}

bool AbstractNotifier::subscribe(Link &link, QObject *source, Qt::ConnectionType connectionType)
{
    if (link.status == Found) {
        link.connection = QObject::connect(
            source, QByteArray('2' + link.signal.signature()).constData(), link.observer,
            QByteArray('1' + link.slot.signature()).constData(), connectionType);
        if (!link.connection)
            link.status = ConnectFailed;
    }

    if (link.status == SignalNotFound) {
        HOSTAPI_ASSERT(false && "Appropriate signal could not be found", return false);
    } else if (link.status == SlotNotFound) {
        HOSTAPI_ASSERT(false && "Appropriate slot could not be found", return false);
    } else if (link.status == ConnectFailed) {
        HOSTAPI_ASSERT(false && "Failed to subscribe/unsubscribe signal/slot", return false);
    }
    return true;
}

void AbstractNotifier::forgetObserver(QObject *observer)
{
    for (auto it = m_links.begin(); it != m_links.end();) {
        if (it->observer == observer)
            it = m_links.erase(it);
        else
            ++it;
    }
    // Called from the helper's own slot: it must outlive the call.
    if (ObserverDestroyHelper *helper = m_helpers.take(observer))
        helper->deleteLater();
}

} // namespace Common
