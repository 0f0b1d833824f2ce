#pragma once

#include "hostapi_global.h"

#include <QByteArray>

// An object of the host's document object tree. Not a QObject, so that Qt classes can
// derive from it beside QObject.
class HOSTAPI_EXPORT ShellObject
{
public:
    virtual ~ShellObject();

    // The type name under which the host stores the object's state.
    QByteArray typeName() const { return m_typeName; }
    void setTypeName(const QByteArray &typeName) { m_typeName = typeName; }

    // Called by the host once the object has joined a document's object tree.
    virtual void objectAttach();

private:
    QByteArray m_typeName;
};
