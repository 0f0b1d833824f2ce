#include "undopropertycommand.h"

#include "compoundobject.h"
#include "logservice.h"
#include "propertyobject.h"
#include "propertysupport.h"

#include <QCoreApplication>
#include <QUndoStack>

namespace {

// Sets object to value through one undo entry on its tree's undo stack (directly when the
// tree has none yet); nothing when value is the current one.
bool applyChange(PropertyObject *object, const QVariant &value, const QVariant &oldValue,
                 const QString &text)
{
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
    command->addPropertyChange(object, QByteArray(), value, oldValue);
    owner->undoStack()->push(command);
    return true;
}

} // namespace

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
    return applyChange(object, value, object->value(), text);
}

bool UndoPropertyCommand::changeWithUndo(const QString &text, ShellObject *object,
                                         const QByteArray &property, const QVariant &newValue,
                                         const QVariant &oldValue)
{
    auto *compound = dynamic_cast<CompoundObject *>(object);
    HOSTAPI_ASSERT(compound, return false);
    auto *target = dynamic_cast<PropertyObject *>(compound->findObject(property));
    HOSTAPI_ASSERT(target, return false);
    HOSTAPI_ASSERT(newValue.isValid(), return false);
    // A page's number 1 is a double: it sets an int property to 1, not to 1.0.
    QVariant value = newValue;
    const int type = target->value().userType();
    if (target->value().isValid() && value.userType() != type) {
        HOSTAPI_ASSERT(value.convert(type), return false);
    }
    return applyChange(target, value, oldValue.isValid() ? oldValue : target->value(), text);
}
