#include "compoundobject.h"

#include <QUndoStack>

CompoundObject::CompoundObject()
    : m_undoStack(new QUndoStack)
{
}

CompoundObject::~CompoundObject() = default;
