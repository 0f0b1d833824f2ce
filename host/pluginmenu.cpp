#include "pluginmenu.h"

#include <doctemplate.h>
#include <idoctemplateservice.h>
#include <servicelocator.h>

PluginMenu::PluginMenu(QWidget *parent)
    : QMenu(tr("&Plug-ins"), parent)
{
    setObjectName(QStringLiteral("pluginMenu"));
}

void PluginMenu::rebuild()
{
    clear();
    auto *templates = HostApi::ServiceLocator::instance()->service<HostApi::IDocTemplateService>();
    const QList<HostApi::DocTemplate *> list = templates ? templates->templates()
                                                         : QList<HostApi::DocTemplate *>();
    for (const HostApi::DocTemplate *docTemplate : list) {
        QAction *action = addAction(docTemplate->icon(), docTemplate->name());
        action->setShortcuts(docTemplate->hotKeys());
        action->setData(docTemplate->id());
        action->setStatusTip(tr("Open a %1 window").arg(docTemplate->name()));
        const QByteArray id = docTemplate->id();
        connect(action, &QAction::triggered, this, [this, id] { emit openRequested(id); });
    }
    if (list.isEmpty())
        addAction(tr("No web plug-ins installed"))->setEnabled(false);
}
