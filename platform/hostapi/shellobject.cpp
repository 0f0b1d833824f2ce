#include "shellobject.h"

#include "compoundobject.h"
#include "interactiveobject.h"
#include "propertysupport.h"

ShellObject::~ShellObject()
{
    if (m_parent)
        m_parent->forget(this);
}

void ShellObject::setPropertyFlag(PropertyFlag flag, bool on)
{
    if (on)
        m_flags |= flag;
    else
        m_flags &= ~flag;
}

QByteArray ShellObject::objectPath() const
{
    QList<QByteArray> keys;
    for (const ShellObject *object = this; object->m_parent; object = object->m_parent)
        keys.prepend(object->m_key);
    return keys.join('.');
}

// Joining twice changes nothing, so objectAttach() runs once per object.
void ShellObject::joinTree()
{
    if (m_attached)
        return;
    m_attached = true;
    if (auto *compound = dynamic_cast<CompoundObject *>(this)) {
        for (const QByteArray &key : compound->propertyKeys())
            compound->property(key)->joinTree();
    }
    objectAttach();
}

void ShellObject::objectAttach()
{
}

// A compound object's own change reaches its notifier too.
void ShellObject::notifyObjectChanged()
{
    if (auto *compound = dynamic_cast<CompoundObject *>(this))
        compound->objectChanged(this);
    else if (m_parent)
        m_parent->objectChanged(this);
}

QVariant ShellObject::objectToJson() const
{
    return QVariant();
}

void ShellObject::objectFromJson(const QVariant &json, int flags)
{
    Q_UNUSED(flags)
    if (json.isValid())
        HOSTAPI_PROPERTY_REPORT(this, QStringLiteral("the object keeps no state, value ignored"));
}

CompoundObject *ShellObject::parentUndoStack(const ShellObject *object)
{
    if (!object)
        return nullptr;
    while (object->m_parent)
        object = object->m_parent;
    return dynamic_cast<InteractiveObject *>(const_cast<ShellObject *>(object));
}
