#pragma once

#include <QIcon>
#include <QString>

namespace HostApi {

// How the actions of a hot key look: icon, the text shown on tool buttons (empty: the hot
// key's text) and whether they are checkable.
struct HotKeyOptions
{
    QIcon icon;
    QString text;
    bool checkable = false;
};

} // namespace HostApi
