#pragma once

#include "hostapi_global.h"

#include <QContextMenuEvent>
#include <QObject>
#include <QPoint>

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
    static ContextMenu *instance();

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
};

} // namespace HostApi
