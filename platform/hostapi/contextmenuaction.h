#pragma once

#include "hostapi_global.h"

#include <QAction>
#include <QList>
#include <QPointer>

// One entry of the host's context menu: an action or a separator, in a place (section) of
// the menu. An owned action is deleted by the host once the menu is closed.
class HOSTAPI_EXPORT ContextMenuAction
{
public:
    ContextMenuAction(QAction *action, bool owned, int place = 0);
    static ContextMenuAction separator(int place = 0);

    QAction *action() const { return m_action; }
    bool isSeparator() const { return m_separator; }
    bool isOwned() const { return m_owned; }
    int place() const { return m_place; }

private:
    ContextMenuAction() = default;

    QPointer<QAction> m_action;
    bool m_separator = false;
    bool m_owned = false;
    int m_place = 0;
};

using ContextMenuActionList = QList<ContextMenuAction>;
