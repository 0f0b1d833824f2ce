#include "scriptpropertycontainer.h"

#include "scriptsimpleproperty.h"

#include <logservice.h>

namespace {

// The property of a definition of a known kind; null for any other kind.
ScriptSimpleProperty *createProperty(const PropertySpec &prop, HostApi::IOutputChannel *log)
{
    switch (prop.kind) {
    case PropertyKind::None:
    case PropertyKind::Default:
    case PropertyKind::Theme:
    case PropertyKind::Font:
        return new ScriptSimpleProperty(prop, log);
    }
    return nullptr;
}

} // namespace

ScriptPropertyContainer::ScriptPropertyContainer(const QString &name, QObject *parent)
    : ScriptProperty(name.toUtf8(), parent)
{
}

ScriptPropertyContainer *ScriptPropertyContainer::createObjects(const QString &name,
                                                                const PropertyGroups &groups,
                                                                HostApi::IOutputChannel *log)
{
    auto *root = new ScriptPropertyContainer(name);
    for (auto group = groups.cbegin(); group != groups.cend(); ++group)
        root->appendChild(createContainer(group.key(), group.value(), log));
    return root;
}

ScriptPropertyContainer *ScriptPropertyContainer::createContainer(
    const QString &name, const QList<PropertySpec> &definitions, HostApi::IOutputChannel *log)
{
    auto *container = new ScriptPropertyContainer(name);
    for (const PropertySpec &prop : definitions) {
        HOSTAPI_ASSERT(!prop.id.isEmpty(), );
        ScriptSimpleProperty *propObj = createProperty(prop, log);
        HOSTAPI_ASSERT(0 != propObj, continue);
        container->appendChild(propObj);
    }
    return container;
}

void ScriptPropertyContainer::appendChild(ScriptProperty *property)
{
    property->setParent(this);
    m_children.append(property);
}

QObjectList ScriptPropertyContainer::objects() const
{
    QObjectList list;
    list.reserve(m_children.size());
    for (ScriptProperty *child : m_children)
        list.append(child);
    return list;
}

void ScriptPropertyContainer::objectAttach()
{
    for (ScriptProperty *child : qAsConst(m_children))
        child->attach(this);
}

void ScriptPropertyContainer::attach(CompoundObject *parent)
{
    HOSTAPI_ASSERT(0 != parent, return);
    parent->addProperty(id(), this);
}
