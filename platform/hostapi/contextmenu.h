#pragma once

#include "hostapi_global.h"

#include "contextmenuaction.h"

#include <QContextMenuEvent>
#include <QObject>
#include <QPoint>

#include <functional>

class ContextData;
class ContextObject;
class QAction;
class QMenu;

namespace HostApi {

// The host application's context menu. It asks a context object for its context and for its
// entries in that context, and pops up one menu of them.
class HOSTAPI_EXPORT ContextMenu : public QObject
{
    Q_OBJECT

public:
    // The host's own entries for a context (such as "Open in" a window for a symbol), added
    // to every menu after the object's entries, each in its place.
    using HostEntries = std::function<ContextMenuActionList(const ContextData &context)>;

    static ContextMenu *instance();

    // Replaces the host's entries; an empty function adds none.
    void setHostEntries(HostEntries entries) { m_hostEntries = std::move(entries); }

    // Pops up the menu of object's entries at globalPos, entries of a lower place first, and
    // returns it; null when the object offers no entries. The menu deletes itself, and the
    // entries it owns, once closed. Opened from the keyboard, it selects its first entry
    // unless preselected (may be null) names one.
    QMenu *show(ContextObject *object, QContextMenuEvent::Reason reason,
                const QPoint &globalPos, QAction *preselected);

signals:
    void menuShown(QMenu *menu);

private:
    ContextMenu() = default;

    HostEntries m_hostEntries;
};

} // namespace HostApi
