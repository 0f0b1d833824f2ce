#pragma once

#include <QByteArray>
#include <QString>

namespace HostApi {

// A group of hot keys as the host's hot-key settings list them; parent is the id of the
// enclosing group, empty for a top-level group.
struct HotKeyGroup
{
    bool isValid() const { return !id.isEmpty(); }

    QByteArray id;
    QString name;
    QString description;
    QByteArray parent;
};

} // namespace HostApi
