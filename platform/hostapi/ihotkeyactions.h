#pragma once

#include <QByteArray>

namespace HostApi { class HotKeyAction; }

// A widget's own actions of host hot keys, by hot-key id.
class IHotKeyActions
{
public:
    virtual ~IHotKeyActions() = default;

    // The widget's action of that hot key; null when it has none.
    virtual HostApi::HotKeyAction *hotKeyAction(const QByteArray &id) const = 0;
    virtual bool hotKeyRegistered(const QByteArray &id) const = 0;
};
