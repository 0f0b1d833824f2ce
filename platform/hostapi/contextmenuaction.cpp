#include "contextmenuaction.h"

#include <QAction>

ContextMenuAction::ContextMenuAction(QAction *action, bool owned, int place)
    : m_action(action)
    , m_owned(owned)
    , m_place(place)
{
}

ContextMenuAction ContextMenuAction::separator(int place)
{
    ContextMenuAction entry;
    entry.m_separator = true;
    entry.m_place = place;
    return entry;
}
