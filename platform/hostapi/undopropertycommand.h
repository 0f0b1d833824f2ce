#pragma once

#include "hostapi_global.h"

#include <QByteArray>
#include <QList>
#include <QUndoCommand>
#include <QVariant>

class PropertyObject;
class ShellObject;

// One undo entry of property changes: redo sets the new values, undo the old ones, in
// reverse order. The objects must outlive the undo stack the command is pushed on (they do:
// the stack belongs to the root of their tree).
class HOSTAPI_EXPORT UndoPropertyCommand : public QUndoCommand
{
public:
    // owner: the object whose undo stack takes the command (ShellObject::parentUndoStack()).
    UndoPropertyCommand(ShellObject *owner, const QString &text);

    ShellObject *owner() const { return m_owner; }
    // Records a change of object's value (empty key) or of a part of it (PropertyObject::
    // value(key)). object must be a PropertyObject (assertion report otherwise).
    void addPropertyChange(ShellObject *object, const QByteArray &key, const QVariant &newValue,
                           const QVariant &oldValue);
    bool isEmpty() const { return m_changes.isEmpty(); }

    void redo() override;
    void undo() override;

    // Sets object's value through one undo entry named text on its tree's undo stack; when
    // the tree has no undo stack yet, sets it without an entry. Nothing at all when value
    // equals the current value. Returns whether the value changed.
    static bool changeWithUndo(PropertyObject *object, const QVariant &value,
                               const QString &text);
    // The same for the property at the '.'-separated path property below object (a compound
    // object, CompoundObject::findObject()); oldValue invalid: the property's current value.
    // newValue is converted to the type of the property's value; a path that names no
    // property, or a value that does not convert, is reported (assertion) and changes nothing.
    static bool changeWithUndo(const QString &text, ShellObject *object,
                               const QByteArray &property, const QVariant &newValue,
                               const QVariant &oldValue);

private:
    struct Change {
        PropertyObject *object;
        QByteArray key;
        QVariant newValue;
        QVariant oldValue;
    };

    ShellObject *m_owner;
    QList<Change> m_changes;
};
