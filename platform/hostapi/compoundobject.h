#pragma once

#include "hostapi_global.h"
#include "shellobject.h"

#include <QPointer>

#include <memory>

class QObject;
class QUndoStack;

// A shell object that holds others. It owns the undo stack of the changes made to it.
class HOSTAPI_EXPORT CompoundObject : public ShellObject
{
public:
    CompoundObject();
    ~CompoundObject() override;

    // The Qt object that owns this one (such as the document widget); not owned.
    QObject *objectOwner() const { return m_owner; }
    void setObjectOwner(QObject *owner) { m_owner = owner; }

    // The object's undo stack; owned, never null.
    QUndoStack *undoStack() const { return m_undoStack.get(); }

private:
    QPointer<QObject> m_owner;
    std::unique_ptr<QUndoStack> m_undoStack;
};
