#include "contextmenu.h"

#include "contextdata.h"
#include "contextobject.h"
#include "logservice.h"

#include <QMenu>

#include <algorithm>

namespace HostApi {

ContextMenu *ContextMenu::instance()
{
    static ContextMenu menu;
    return &menu;
}

QMenu *ContextMenu::show(ContextObject *object, QContextMenuEvent::Reason reason,
                         const QPoint &globalPos, QAction *preselected)
{
    HOSTAPI_ASSERT(0 != object, return nullptr);
    ContextData context;
    object->fillContextData(&context);
    ContextMenuActionList entries = object->contextMenuActions(&context);
    if (m_hostEntries)
        entries += m_hostEntries(context);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const ContextMenuAction &a, const ContextMenuAction &b) {
                         return a.place() < b.place();
                     });

    auto *menu = new QMenu;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const ContextMenuAction &entry : qAsConst(entries)) {
        if (entry.isSeparator()) {
            menu->addSeparator();
            continue;
        }
        QAction *action = entry.action();
        if (!action)
            continue;
        menu->addAction(action);
        if (entry.isOwned())
            action->setParent(menu);
    }
    if (menu->isEmpty()) {
        delete menu;
        return nullptr;
    }
    if (!preselected && reason == QContextMenuEvent::Keyboard) {
        const QList<QAction *> actions = menu->actions();
        const auto first = std::find_if(actions.cbegin(), actions.cend(),
                                        [](QAction *action) { return !action->isSeparator(); });
        if (first != actions.cend())
            preselected = *first;
    }
    menu->popup(globalPos, preselected);
    if (preselected)
        menu->setActiveAction(preselected);
    emit menuShown(menu);
    return menu;
}

} // namespace HostApi
