#include "undopropertycommand.h"

#include "compoundobject.h"
#include "logservice.h"
#include "propertyobject.h"
#include "propertysupport.h"

#include <QCoreApplication>
#include <QUndoStack>

UndoPropertyCommand::UndoPropertyCommand(ShellObject *owner, const QString &text)
    : QUndoCommand(text)
    , m_owner(owner)
{
}

void UndoPropertyCommand::addPropertyChange(ShellObject *object, const QByteArray &key,
                                            const QVariant &newValue, const QVariant &oldValue)
{
    auto *property = dynamic_cast<PropertyObject *>(object);
    HOSTAPI_ASSERT(property, return);
    m_changes.append({property, key, newValue, oldValue});
}

void UndoPropertyCommand::redo()
{
    for (const Change &change : qAsConst(m_changes))
        change.object->setValue(change.key, change.newValue);
}

void UndoPropertyCommand::undo()
{
    for (auto it = m_changes.crbegin(); it != m_changes.crend(); ++it)
        it->object->setValue(it->key, it->oldValue);
}

bool UndoPropertyCommand::changeWithUndo(PropertyObject *object, const QVariant &value,
                                         const QString &text)
{
    HOSTAPI_ASSERT(object, return false);
    HOSTAPI_ASSERT(value.isValid(), return false);
    if (HostApi::PropertySupport::sameValue(value, object->value()))
        return false;
    CompoundObject *owner = ShellObject::parentUndoStack(object);
    if (!owner) {
        object->setValue(value);
        return true;
    }
    const QString entryText = text.isEmpty()
        ? QCoreApplication::translate("UndoPropertyCommand", "Changed document content")
        : text;
    auto *command = new UndoPropertyCommand(owner, entryText);
    command->addPropertyChange(object, QByteArray(), value, object->value());
    owner->undoStack()->push(command);
    return true;
}
