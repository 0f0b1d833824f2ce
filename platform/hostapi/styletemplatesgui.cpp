#include "styletemplatesgui.h"

#include <QMenu>

namespace HostApi {

StyleTemplatesGui::StyleTemplatesGui(const QString &group, QObject *parent)
    : QObject(parent)
    , m_group(group)
    , m_menu(new QMenu(tr("Style Templates")))
{
}

StyleTemplatesGui::~StyleTemplatesGui() = default;

void StyleTemplatesGui::setTemplateNames(const QStringList &names)
{
    m_names = names;
    m_menu->clear();
    for (const QString &name : names) {
        QAction *action = m_menu->addAction(name);
        connect(action, &QAction::triggered, this, [this, name] { emit templateSelected(name); });
    }
    emit menuUpdated();
}

} // namespace HostApi
