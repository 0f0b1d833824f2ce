#pragma once

#include "hostapi_global.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QMenu;

namespace HostApi {

// The style-template menu of one document: the names of the style templates of the
// template's group, one entry each. Choosing an entry asks the host to apply it.
class HOSTAPI_EXPORT StyleTemplatesGui : public QObject
{
    Q_OBJECT

public:
    explicit StyleTemplatesGui(const QString &group, QObject *parent = nullptr);
    ~StyleTemplatesGui() override;

    // The style-template group (DocTemplate::styleTemplateGroup()).
    QString group() const { return m_group; }
    // The menu, owned; its menuAction() is what documents put into their own menus.
    QMenu *menu() const { return m_menu.get(); }

    QStringList templateNames() const { return m_names; }
    // Rebuilds the menu from names, then emits menuUpdated().
    void setTemplateNames(const QStringList &names);

signals:
    void menuUpdated();
    // The user chose the style template of that name.
    void templateSelected(const QString &name);

private:
    QString m_group;
    QStringList m_names;
    std::unique_ptr<QMenu> m_menu;
};

} // namespace HostApi
